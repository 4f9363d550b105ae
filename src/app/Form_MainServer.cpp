// The commands that talk to the server: downloads, merging after downloads, the announcement,
// and the enabled states while a transfer is under way.
#include "Form_Main.h"

#include "Dialogs.h"
#include "Global.h"
#include "Merge.h"
#include "NetHelpers.h"
#include "QtText.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

// Marks one server command: the enabled states follow, the go-on-line question may be asked
// again afterwards, and a close requested meanwhile happens once the command has unwound.
TFormMain::TServerCommand::TServerCommand(TFormMain& window) : Window(window) {
    if (Window.ServerCommandDepth_ == 0)
        Window.NestedAbort_ = false;
    ++Window.ServerCommandDepth_;
    Window.UpdateActionStates();
}

TFormMain::TServerCommand::~TServerCommand() {
    // Only the outermost command ends the user's command: one run by another (a refresh, the
    // announcement, a picture) must not make the go-on-line question come back within it.
    if (Window.ServerCommandDepth_ == 1)
        Window.Pages_.OnlinePromptShown = false;
    --Window.ServerCommandDepth_;
    Window.UpdateActionStates();
    if (Window.ServerCommandDepth_ == 0 && Window.CloseAfterTransfer_) {
        Window.CloseAfterTransfer_ = false;
        QTimer::singleShot(0, &Window, [w = &Window] { w->close(); });
    }
}

void TFormMain::SetUpServerExchange() {
    Http_.OnWait = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    Pages_.MessageBox = [](const std::string& text, int flags) { return AppMessageBox(text, flags); };
    Pages_.ErrorBox = [](const std::string& text) { ShowErrorText(text); };
    Pages_.OnOfflineModeChanged = [this] { Action("ActionOptionsOffLine")->setChecked(Options.OfflineMode); };
    Pages_.Cancelled = [this] { return CloseAfterTransfer_; };
}

bool TFormMain::TransferRunning() const { return ServerCommandDepth_ > 0; }

void TFormMain::SetCommandAllowed(const char* name, bool allowed) {
    CommandAllowed_[QString::fromLatin1(name)] = allowed;
    UpdateActionStates();
}

void TFormMain::UpdateActionStates() {
    // The one place where enabled states are worked out: what the window's state allows, and,
    // while a transfer runs, nothing that could start a second one or change the data under it.
    static const char* const transferSensitive[] = {
        "ActionDBLoadAll",         "ActionDBLoadAllImages",      "ActionDBRefresh",       "ActionDBRefreshItem",
        "ActionDBReloadImage",     "ActionDBMergeUserData",      "ActionDBDeleteUserDB",  "ActionDBSubmitUserDB",
        "ActionHelpAnnouncement",  "ActionShowImage",            "ActionEditorSave",      "ActionEditorAddTreeItem",
        "ActionEditorDeleteTreeItem", "ActionOptionsShowName",   "ActionOptionsShowInfo", "ActionOptionsShowBoth",
        "ActionOptionsServer"};
    const bool idle = !TransferRunning();
    for (auto it = CommandAllowed_.cbegin(); it != CommandAllowed_.cend(); ++it)
        Action(it.key().toLatin1().constData())->setEnabled(it.value());
    for (const char* name : transferSensitive)
        Action(name)->setEnabled(idle && CommandAllowed_.value(QString::fromLatin1(name), true));
}

void TFormMain::DownloadAllDatas() {
    TServerCommand command(*this);
    if (Pages_.CouldGoOnline()) {
        RefreshTaxonomyTree();
        DownloadAllImagesCommand();
    }
}

void TFormMain::RefreshTaxonomyTree() {
    TServerCommand command(*this);
    if (!Pages_.CouldGoOnline())
        return;
    SetStatus("Downloading Taxonomy tree from Velmora server...");
    Pages_.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName));
    // A refused download keeps the old tree: loading it again is no update.
    const bool treeArrived = Http_.StatusCode < 400;
    SetStatus("Generating taxonomy tree...");
    Tree_.Clear();
    Tree_.SetDisplayMode(Options.ListType);
    int loaded = -1;
    try {
        loaded = LoadTree(Tree_);
    } catch (const EFOpenError&) {
        loaded = -1;
    }
    if (loaded != 0) {
        ShowErrorBox("Error loading taxonomy file\n\nThe file may be opened exclusive by another program, or file is "
                     "corrupted. Try closing other programs and select Refresh command from Database menu to "
                     "correct this error.");
    } else {
        if (treeArrived)
            Options.LastUpdate = Today();
        if (TTreeNode* first = Tree_.First())
            SelectNode(first);
        // The first node's summary may have run Refresh Item; a network failure there ends this
        // command as well.
        if (NestedAbort_)
            throw EGetPageFail();
        ExpandAll();
        LoadTreeState(Tree_, [this](TTreeNode* node, bool expanded) { SetExpanded(node, expanded); });
    }
    for (int level = 0; level <= GenusLevel; ++level) {
        SetStatus(Format("Downloading data from Velmora server...%d of %d", {level + 1, 6}));
        Pages_.GetPage(Format(NetPaths.DetailDb, {level, Options.Id}), DetailFile(level, false));
        OfferMerge(level);
    }
    SetStatus("Ready");
    if (AnnouncementPending)
        CheckAnnouncement();
}

void TFormMain::FetchItemDatabase(const TTaxonomyData&, int level) {
    // A branch chosen while another transfer runs is shown from what is here already.
    if (Http_.Busy())
        return;
    TServerCommand command(*this);
    if (!Pages_.CouldGoOnline())
        return;
    SetStatus(Format("Downloading data from Velmora server...%d of %d", {1, 1}));
    Pages_.GetPage(Format(NetPaths.DetailDb, {level, Options.Id}), DetailFile(level, false));
    OfferMerge(level);
}

void TFormMain::DownloadImage() {
    if (Http_.Busy())
        return;
    TServerCommand command(*this);
    if (!Pages_.CouldGoOnline())
        return;
    if (CurrentRecord.Level == GenusLevel && CurrentRecord.Genus.ImageFile != "-") {
        SetStatus(Format("Downloading image from Velmora server...%d of %d", {1, 1}));
        const std::string& name = CurrentRecord.Genus.ImageFile;
        // A picture name that could reach outside the images folder is never fetched.
        if (IsPlainFileName(name))
            Pages_.GetPage(NetPaths.ImagesPath + name, AppFile(std::string(ImagesFolderName) + name));
        if (ShowGenusImage())
            ShowImageBtn->hide();
        else
            ShowErrorBox("Image file error\n\nPossible to be network connection failure or image file corrupt.");
        SetStatus("Ready");
    }
    if (AnnouncementPending)
        CheckAnnouncement();
}

void TFormMain::ShowImage() {
    if (CurrentRecord.Level != GenusLevel)
        return;
    if (ShowGenusImage())
        ShowImageBtn->hide();
    else
        DownloadImage();
}

void TFormMain::DownloadAllImagesCommand() {
    TServerCommand command(*this);
    if (!Pages_.CouldGoOnline())
        return;
    DownloadAllImages();
    if (AnnouncementPending)
        CheckAnnouncement();
}

TStringList GenusPictureNames(const std::string& genusFile) {
    TStringList names;
    ForEachLine(ReadFileBytes(genusFile), [&](std::string_view line) {
        if (line.empty() || line[0] == '\t')
            return; // species lines
        std::string fields[7];
        SplitFields(line, fields, 6, "#");
        // An empty name (a malformed record) or one that is not a plain file name is skipped.
        if (fields[6] != "-" && IsPlainFileName(fields[6]))
            names.push_back(fields[6]);
    });
    return names;
}

void TFormMain::DownloadAllImages() {
    const std::string genusFile = DetailFile(GenusLevel, false);
    if (!FileExists(genusFile))
        return;
    SetStatus("Generating images list...");
    const TStringList names = GenusPictureNames(genusFile);
    for (size_t i = 0; i < names.size(); ++i) {
        SetStatus(Format("Downloading image from Velmora server...%d of %d",
                         {static_cast<int>(i + 1), static_cast<int>(names.size())}));
        Pages_.GetPage(NetPaths.ImagesPath + names[i], AppFile(std::string(ImagesFolderName) + names[i]));
    }
    SetStatus("Ready");
}

// ---- merging ----

bool TFormMain::OfferMerge(int level) {
    if (!FileExists(DetailFile(level, true)))
        return false;
    const char* levelName = LevelNames[static_cast<size_t>(level)];
    if (AppMessageBox(Format("Do you want to merge your modified %s into downloaded database?", {levelName}),
                      Mb::YesNo | Mb::IconQuestion) != Mb::IdYes)
        return false;
    const bool replace = AppMessageBox(std::string("Do you want to allow existing data in database to be replaced?"),
                                       Mb::YesNo | Mb::IconQuestion) == Mb::IdYes;
    const TMergeResult result = MergeUserDatabase(level, replace);
    AppMessageBox(Format("%d User %s(s) are merged, %d existing record(s) were replaced",
                         {result.Merged, levelName, result.Replaced}),
                  Mb::IconInformation);
    return true;
}

void TFormMain::MergeUserDatabases() {
    bool any = false;
    for (int level = 0; level <= GenusLevel; ++level)
        any = OfferMerge(level) || any;
    if (!any)
        AppMessageBox(std::string("No file has been merged into databases"), Mb::IconExclamation);
}

// ---- the genus picture ----

bool TFormMain::ShowGenusImage() {
    if (CurrentRecord.Level != GenusLevel || !IsPlainFileName(CurrentRecord.Genus.ImageFile))
        return false;
    QPixmap picture(ToQ(AppFile(std::string(ImagesFolderName) + CurrentRecord.Genus.ImageFile)));
    if (picture.isNull())
        return false;
    GenusImageLabel->setPixmap(picture);
    GenusImageLabel->show();
    return true;
}

void TFormMain::ClearGenusImage() {
    GenusImageLabel->clear();
    GenusImageLabel->hide();
}
