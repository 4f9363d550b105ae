#include "Session.h"

#include "AppState.h"
#include "Dialogs.h"
#include "Global.h"
#include "PageTransfer.h"
#include "TaxonomyTree.h"
#include "TreeChanges.h"

#include <sys/stat.h>

namespace {

const char* const DataFileFailText = "Data file open fail!\n\nTry reinstalling this product to make sure all "
                                     "required files are in the same folder as the program file.";

// The local date the tree file was last written; today when it cannot be told or lies ahead.
TDate TreeFileDate() {
    struct stat st {};
    if (::stat(AppFile(TreeFileName).c_str(), &st) != 0)
        return Today();
    const TDate date = LocalDateOf(st.st_mtime);
    return date > 0 && date < Today() ? date : Today();
}

} // namespace

void TSession::Start() {
    FDataFileFailed = false;
    FStartingUp = true;
    try {
        SetStatus("Loading data, please wait...");
        // What an earlier run left when it was killed in the middle of a write.
        RemoveStaleTempFiles();
        LoadProgramFiles();
        FProgramFilesLoaded = true;
        FHost.ProgramFilesLoaded();
        FTaxonomyWidth = ReadOptions();
        FOptionsRead = true;
        FHost.OptionsLoaded(FTaxonomyWidth);
        if (FileExists(AppFile(TreeFileName))) {
            try {
                AskForUpdate();
            } catch (const EAbort&) {
                // A refresh that could not reach the server has reported already; the files it
                // would have replaced are still there and are shown.
            }
        }
        SetStatus("Generating taxonomy tree...");
        FHost.BuildTree(DisplayModeOf(Options.ListType));
    } catch (const EFOpenError&) {
        ShowErrorBox(DataFileFailText);
        FDataFileFailed = true;
    } catch (const EAbort&) {
        // Reported already.
    } catch (const std::exception& e) {
        ShowDefaultErrorReport(e.what());
    }
    FStartingUp = false;
}

void TSession::AskForUpdate() {
    // A date never set (a first start, or a first refresh that failed) is no date to remind of:
    // the thirty days count from the data's own date, the tree file's (kept when the data folder
    // was filled).
    if (Options.LastUpdate <= 0)
        Options.LastUpdate = TreeFileDate();
    if (Options.AppVersion < ProgramVersion - 0.0001f) {
        const int answer = AppMessageBox(
            std::string("Welcome to Orvandel Viewer v2.20\n\nYou have updated this program from previous "
                        "version. And for the first-run, you will need to Refresh entire databases. "
                        "Could it be preceeded now?"),
            Mb::YesNo | Mb::IconQuestion);
        if (answer == Mb::IdYes) {
            SetStatus("Downloading databases, please wait...");
            FHost.RefreshTaxonomyTree();
        } else {
            AppMessageBox(
                std::string("This program version contain new features that need you to update your "
                            "taxonomy databases.\n\nYou may done it yourself by choose command Refresh "
                            "Taxonomy Tree from Database menu."),
                Mb::IconInformation);
        }
        return;
    }
    SetStatus("Checking database timestamp...");
    if (Today() - Options.LastUpdate <= 30)
        return;
    const std::string question = Format(
        "Your korvel taxonomy file has not been updated since %s. Which is more than 30 days old, and an "
        "update of the file may be available.\n\nDo you want to check for file update?",
        {FormatShortDate(Options.LastUpdate)});
    if (AppMessageBox(question, Mb::YesNo | Mb::IconQuestion) == Mb::IdYes) {
        SetStatus("Downloading databases, please wait...");
        FHost.RefreshTaxonomyTree();
    } else {
        AppMessageBox(std::string("The reminder will popped up again next 30 days."), Mb::IconInformation);
        Options.LastUpdate = Today();
    }
}

void TSession::ShutDown() {
    if (FShutDownDone)
        return;
    FShutDownDone = true;
    // Each write on its own: one failing must not keep the others from being written.
    auto guarded = [](auto&& write) {
        try {
            write();
            return true;
        } catch (const std::exception& e) {
            ShowDefaultErrorReport(e.what());
            return false;
        }
    };
    TTaxonomyTree& tree = FHost.Tree();
    FTreeSaved = !TreeModified || guarded([&] { SaveTreeFile(tree); });
    // A tree as loaded (changes undone again) needs none of the changes noted on the way.
    if (!TreeModified && !tree.Empty())
        DiscardTreeChanges();
    // An empty tree (a refresh that failed) must not wipe the saved appearance.
    if (Options.SaveTree && !tree.Empty())
        guarded(
            [&] { SaveTreeState(tree, [this](const TTreeNode* node) { return FHost.IsExpanded(node); }); });
    // A start that failed before the options or the lists were read leaves the files as they are.
    if (FOptionsRead)
        guarded([this] { WriteOptionsAtShutdown(FHost.TaxonomyWidth()); });
    if (FProgramFilesLoaded)
        guarded([] { SaveModifiedFiles(); });
}
