#include "ServerCommands.h"

#include "Dialogs.h"
#include "Form_SubmitInfo.h"
#include "GenusPictures.h"
#include "Global.h"
#include "KeptData.h"
#include "Merge.h"
#include "NetHelpers.h"
#include "TaxonomyTree.h"

#include <QCoreApplication>

TServerCommands::TScope::TScope(TServerCommands& owner) : FOwner(owner) {
    if (FOwner.FDepth == 0) {
        FOwner.FNestedAbort = false;
        FOwner.FCancelled = false;
        FOwner.FDataKept = false;
        FOwner.FDataReplaced = false;
    }
    ++FOwner.FDepth;
    FOwner.FHost.TransferStateChanged();
}

TServerCommands::TScope::~TScope() {
    // Only the outermost command ends the user's command: one run by another (a refresh, the
    // announcement, a picture) must not make the go-on-line question come back within it.
    const bool replaced = FOwner.FDepth == 1 && FOwner.FDataReplaced;
    if (FOwner.FDepth == 1) {
        FOwner.FPages.OnlinePromptShown = false;
        if (FOwner.FDataKept) {
            SettleKeptData(FOwner.FDataReplaced);
            FOwner.FPreviousDataKept = HasPreviousData();
        }
    }
    --FOwner.FDepth;
    FOwner.FHost.TransferStateChanged();
    if (FOwner.FDepth == 0) {
        FOwner.FHost.TransferProgress(0, 0);
        if (replaced) {
            try {
                FOwner.FHost.DataReplaced();
            } catch (const std::exception&) {
                // A message that could not be shown; what it followed is done.
            }
        }
        if (FOwner.FCloseAfter) {
            FOwner.FCloseAfter = false;
            FOwner.FHost.CloseWindow();
        }
    }
}

TServerCommands::TServerCommands(IServerHost& host) : FHost(host), FPreviousDataKept(HasPreviousData()) {
    FHttp.OnWait = [this] {
        const bool outer = !FWaiting;
        FWaiting = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (outer)
            FWaiting = false;
    };
    FHttp.OnProgress = [this](std::int64_t received, std::int64_t total) {
        FHost.TransferProgress(received, total);
    };
    // The previous reply's figures do not stay up while the next request waits.
    FHttp.OnRequest = [this] { FHost.TransferProgress(0, 0); };
    FPages.MessageBox = [](const std::string& text, int flags) { return AppMessageBox(text, flags); };
    FPages.ErrorBox = [](const std::string& text) { ShowErrorText(text); };
    FPages.Cancelled = [this] { return FCancelled; };
}

void TServerCommands::KeepDataOnce() {
    if (FDataKept)
        return;
    FDataKept = true;
    try {
        KeepCurrentData();
    } catch (const EOrvError& e) {
        // Without the copy What Changed has nothing to show for this download; the download goes on.
        SetStatus(e.what());
    }
}

void TServerCommands::GetData(const std::string& path, const std::string& destination,
                              std::int64_t maxBytes) {
    KeepDataOnce();
    FPages.GetPage(path, destination, maxBytes);
    FDataReplaced = FDataReplaced || FPages.PageArrived();
}

void TServerCommands::Cancel(bool thenClose) {
    if (!Running())
        return;
    FCancelled = true;
    FCloseAfter = FCloseAfter || thenClose;
    FHttp.Abort();
}

void TServerCommands::DownloadAllDatas() {
    TScope scope(*this);
    if (FPages.CouldGoOnline()) {
        RefreshTaxonomyTree();
        DownloadAllImagesCommand();
    }
}

void TServerCommands::RefreshTaxonomyTree() {
    TScope scope(*this);
    if (!FPages.CouldGoOnline())
        return;
    SetStatus("Downloading Taxonomy tree from Velmora server...");
    GetData(NetPaths.TaxonomyDb, AppFile(TreeFileName), Options.MaxTreeDownload);
    // A refused download keeps the old tree: loading it again is no update.
    const bool treeArrived = FPages.PageArrived();
    SetStatus("Generating taxonomy tree...");
    TTaxonomyTree& tree = FHost.Tree();
    tree.Clear();
    tree.SetDisplayMode(DisplayModeOf(Options.ListType));
    int loaded = -1;
    try {
        loaded = LoadTree(tree);
    } catch (const EFOpenError&) {
        loaded = -1;
    }
    if (loaded != 0) {
        ShowErrorBox(
            "Error loading taxonomy file\n\nThe file may be opened exclusive by another program, or file is "
            "corrupted. Try closing other programs and select Refresh command from Database menu to "
            "correct this error.");
    } else {
        if (treeArrived)
            Options.LastUpdate = Today();
        if (TTreeNode* first = tree.First())
            FHost.SelectNode(first);
        // The first node's summary may have run Refresh Item; a network failure there ends this
        // command as well.
        if (FNestedAbort)
            throw EGetPageFail();
        FHost.ExpandAll();
        FHost.ApplySavedTreeState();
    }
    for (int level = 0; level <= GenusLevel; ++level) {
        SetStatus(Format("Downloading data from Velmora server...%d of %d", {level + 1, 6}));
        GetData(Format(NetPaths.DetailDb, {level, Options.Id.Get()}), DetailFile(level, false),
                Options.MaxDatabaseDownload);
        OfferMerge(level);
    }
    SetStatus("Ready");
    if (FPages.AnnouncementPending())
        CheckAnnouncement();
}

void TServerCommands::FetchItemDatabase(int level) {
    // A branch chosen while another transfer runs is shown from what is here already.
    if (FHttp.Busy())
        return;
    TScope scope(*this);
    if (!FPages.CouldGoOnline())
        return;
    SetStatus(Format("Downloading data from Velmora server...%d of %d", {1, 1}));
    GetData(Format(NetPaths.DetailDb, {level, Options.Id.Get()}), DetailFile(level, false),
            Options.MaxDatabaseDownload);
    OfferMerge(level);
}

void TServerCommands::DownloadImage(const TTaxonomyDetail& record) {
    if (FHttp.Busy())
        return;
    TScope scope(*this);
    // What this command works on is taken now: the selection may change while the server answers.
    const std::string name = record.Genus.ImageFile;
    const std::string id = record.Id;
    const bool hasPicture = record.Level == GenusLevel && name != "-";
    // A picture name that could reach outside the images folder is never fetched: that is the
    // whole answer, and going on-line would not change it.
    if (hasPicture && !IsPlainFileName(name)) {
        ShowErrorBox("The picture name \"%s\" is not a plain file name and was not downloaded.", {name});
        return;
    }
    if (!FPages.CouldGoOnline())
        return;
    if (hasPicture) {
        SetStatus(Format("Downloading image from Velmora server...%d of %d", {1, 1}));
        FPages.GetPage(NetPaths.ImagesPath + name, AppFile(std::string(ImagesFolderName) + name));
        const TTaxonomyDetail& shown = FHost.ShownRecord();
        const bool stillSelected =
            shown.Level == GenusLevel && shown.Id == id && shown.Genus.ImageFile == name;
        if (stillSelected && !FHost.ShowGenusImage(name))
            ShowErrorBox(
                "Image file error\n\nPossible to be network connection failure or image file corrupt.");
        SetStatus("Ready");
    }
    if (FPages.AnnouncementPending())
        CheckAnnouncement();
}

void TServerCommands::ShowImage(const TTaxonomyDetail& record) {
    if (record.Level != GenusLevel)
        return;
    if (!FHost.ShowGenusImage(record.Genus.ImageFile))
        DownloadImage(record);
}

void TServerCommands::DownloadAllImagesCommand() {
    TScope scope(*this);
    if (!FPages.CouldGoOnline())
        return;
    DownloadAllImages();
    if (FPages.AnnouncementPending())
        CheckAnnouncement();
}

void TServerCommands::DownloadAllImages() {
    const std::string genusFile = DetailFile(GenusLevel, false);
    if (!FileExists(genusFile))
        return;
    SetStatus("Generating images list...");
    const TStringList names = GenusPictureNames(genusFile);
    // A failure of a picture's own request names the picture; the message's own text stays as it
    // is, and any other failure (the user id, the announcement) keeps its text alone.
    struct TNamedErrors {
        TPageTransfer& Pages;
        const std::function<void(const std::string&)> Plain = Pages.ErrorBox;
        ~TNamedErrors() { Pages.ErrorBox = Plain; }
    } named{FPages};
    for (size_t i = 0; i < names.size(); ++i) {
        SetStatus(Format("Downloading image from Velmora server...%d of %d",
                         {static_cast<int>(i + 1), static_cast<int>(names.size())}));
        const std::string& name = names[i];
        FPages.ErrorBox = [this, &named, &name](const std::string& text) {
            if (!named.Plain)
                return;
            if (!FPages.FetchingPath()) {
                named.Plain(text);
                return;
            }
            std::string message = text;
            message += "\n\nPicture: ";
            message += name;
            named.Plain(message);
        };
        FPages.GetPage(NetPaths.ImagesPath + name, AppFile(std::string(ImagesFolderName) + name));
    }
    SetStatus("Ready");
}

bool TServerCommands::OfferMerge(int level) {
    if (!FileExists(DetailFile(level, true)))
        return false;
    const char* levelName = LevelNames[static_cast<size_t>(level)];
    if (AppMessageBox(Format("Do you want to merge your modified %s into downloaded database?", {levelName}),
                      Mb::YesNo | Mb::IconQuestion) != Mb::IdYes)
        return false;
    const bool replace =
        AppMessageBox(std::string("Do you want to allow existing data in database to be replaced?"),
                      Mb::YesNo | Mb::IconQuestion) == Mb::IdYes;
    const TMergeResult result = MergeUserDatabase(level, replace);
    NoteMergedRecords(level, result);
    AppMessageBox(Format("%d User %s(s) are merged, %d existing record(s) were replaced",
                         {result.Merged, levelName, result.Replaced}),
                  Mb::IconInformation);
    return true;
}

void TServerCommands::MergeUserDatabases() {
    bool any = false;
    for (int level = 0; level <= GenusLevel; ++level)
        any = OfferMerge(level) || any;
    if (!any)
        AppMessageBox(std::string("No file has been merged into databases"), Mb::IconExclamation);
}

void TServerCommands::CheckAnnouncement() {
    TScope scope(*this);
    FPages.SetAnnouncementPending(false);
    if (FPages.CouldGoOnline() && !FPages.AnnouncementChecked() && !FHttp.Busy())
        FPages.GetPage(std::string(), std::string());
    FHost.ShowAnnouncement();
    SetStatus("Ready");
}

void TServerCommands::SubmitUserDatabasesCommand() {
    if (ModifiedFiles.Empty()) {
        AppMessageBox(std::string("No file is waiting to be uploaded"), Mb::IconExclamation);
        return;
    }
    SubmitUserDatabases();
}

void TServerCommands::SubmitUserDatabases() {
    TScope scope(*this);
    const TStringList pictures = CollectSubmitImages(ModifiedFiles.Items());
    const TSubmitInfoResult answer = FHost.RunSubmitDialog(ModifiedFiles.Items(), pictures);
    if (!answer.Accepted)
        return;
    TStringList upload = answer.UploadList();
    PostFiles(upload, answer.Name, answer.Email);
    // Only a posting loop that ran to its end empties the list; an error above keeps it whole.
    ModifiedFiles.Clear();
}

void TServerCommands::PostFiles(TStringList& upload, const std::string& name, const std::string& email) {
    if (upload.empty())
        return;
    int failures = 0;
    // The values are percent-encoded so that no name or address can break the query.
    const std::string extra = Format("&name=%s&email=%s", {PercentEncode(name), PercentEncode(email)});
    const int total = static_cast<int>(upload.size());
    for (int i = 0; i < total; ++i) {
        const std::string& entry = upload[static_cast<size_t>(i)];
        SetStatus(Format("Uploading data to Velmora server...%d of %d", {i + 1, total}));
        // Encoded too: a picture name with a space, "&" or "+" would otherwise reach the server cut
        // short or changed.
        const std::string path =
            Format(NetPaths.UserControl, {"submitdb", PercentEncode(ExtractFileName(entry)), extra});
        bool posted = false;
        try {
            posted = FPages.PostPage(path, entry);
        } catch (const ETransferAborted&) {
            // Cancelled or closing: stop without a message; the list stays for the next time.
            throw EAbort();
        }
        if (!posted)
            ++failures;
    }
    SetStatus("Ready");
    if (failures == 0)
        AppMessageBox(
            Format("Thank You!\n\n%d File(s) posted successful. Tovren will review them and let you know "
                   "the result as soon as he could.",
                   {total}),
            Mb::IconInformation);
    else
        AppMessageBox(
            Format("Thank You!\n\n%d File(s) posted successful. But %d mail(s) sending failed. You may "
                   "need to send an e-mail to Tovren in order to let him know what you have submit.",
                   {total, failures}),
            Mb::IconExclamation);
    upload.clear();
}
