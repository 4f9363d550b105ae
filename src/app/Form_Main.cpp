#include "Form_Main.h"

#include "AppState.h"
#include "Dialogs.h"
#include "Form_Splash.h"
#include "Global.h"
#include "QtText.h"
#include "RelatedLinks.h"
#include "TaxonomyTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>
#include <cmath>

namespace {

const char* const DataFileFailText = "Data file open fail!\n\nTry reinstalling this product to make sure all "
                                     "required files are in the same folder as the program file.";

} // namespace

TFormMain::TFormMain(TFormSplash* splash, QWidget* parent) : QMainWindow(parent), Splash_(splash) {
    CreateActions();
    CreateLayout();
    CreateMenus();
    ConnectActions();
    SetDialogParent(this);
    SetUpServerExchange();
    SetStatusHook([this](const std::string& text) { SetStatusText(ToQ(text)); });
    TreeModel_->OnNodeDeleting = [this](TTreeNode* node) { TaxonomyTreeViewDeletion(node); };
    connect(TaxonomyTreeView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                TTreeNode* node = TreeModel_->NodeOf(current);
                if (!node)
                    return;
                if (!TransferRunning()) {
                    RunAction([&] { TaxonomyTreeViewChange(node); });
                    return;
                }
                // Inside a server command (the refresh selects the first node) a silent abort
                // must end that command too; it is noted here and raised there.
                try {
                    TaxonomyTreeViewChange(node);
                } catch (const EAbort&) {
                    NestedAbort_ = true;
                } catch (const std::exception& e) {
                    ShowDefaultErrorReport(e.what());
                }
            });
    LinksPanel_->OnSelectBranch = [this](int level, const QString& id) {
        bool found = false;
        RunAction([&] { found = SelectBranch(level, FromQ(id)); });
        return found;
    };
    // The search can start once there is something to look for (blanks count).
    connect(SearchTextEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { Action("ActionDBSearch")->setEnabled(!text.isEmpty()); });
    connect(MainPageControl_, &QTabWidget::currentChanged, this, &TFormMain::MainPageControlChange);
    FormCreate();
}

TFormMain::~TFormMain() {
    FormDestroy();
    SetStatusHook({});
    SetDialogParent(nullptr);
    // The view and the model go before the tree they show.
    TaxonomyTreeView_->setModel(nullptr);
    delete TreeModel_;
    TreeModel_ = nullptr;
}

QAction* TFormMain::Action(const char* name) const {
    QAction* action = Actions_.value(QString::fromLatin1(name));
    Q_ASSERT_X(action, "TFormMain::Action", name);
    return action;
}

void TFormMain::Connect(const char* action, void (TFormMain::*method)()) {
    connect(Action(action), &QAction::triggered, this, [this, method] { RunAction([&] { (this->*method)(); }); });
}

void TFormMain::ConnectActions() {
    connect(Action("ActionDBExit"), &QAction::triggered, this, [this] { close(); });
    connect(Action("ActionOptionsSaveTreeState"), &QAction::triggered, this, [this] {
        Options.SaveTree = !Options.SaveTree;
        Action("ActionOptionsSaveTreeState")->setChecked(Options.SaveTree);
    });
    connect(Action("ActionOptionsOffLine"), &QAction::triggered, this, [this] {
        Options.OfflineMode = !Options.OfflineMode;
        Action("ActionOptionsOffLine")->setChecked(Options.OfflineMode);
    });
    connect(Action("ActionOptionsServer"), &QAction::triggered, this, [] {
        QString address = ToQ(Options.URL);
        if (DialogSeam().InputBox(QStringLiteral("Change Server Address"),
                                  QStringLiteral("Type in address of Velmora website:"), address))
            Options.URL = FromQ(address);
    });
    const struct {
        const char* Name;
        int Mode;
    } modes[] = {{"ActionOptionsShowName", 1}, {"ActionOptionsShowInfo", 2}, {"ActionOptionsShowBoth", 3}};
    for (const auto& m : modes) {
        const int mode = m.Mode;
        connect(Action(m.Name), &QAction::triggered, this, [this, mode] { RunAction([&] { SetDisplayMode(mode); }); });
    }
    const struct {
        const char* Name;
        int Page;
    } pages[] = {{"ActionViewTaxnomyTree", TaxonomyPage}, {"ActionViewSearch", SearchPage}, {"ActionViewResult", ResultPage}};
    for (const auto& p : pages) {
        const int page = p.Page;
        connect(Action(p.Name), &QAction::triggered, this, [this, page] { ShowMainPage(page); });
    }
    Connect("ActionViewTaxoExpandAll", &TFormMain::ExpandAll);
    Connect("ActionViewTaxoCollapseAll", &TFormMain::CollapseAll);
    Connect("ActionViewTaxoReset", &TFormMain::ResetTreeAppearance);
    Connect("ActionViewCopySummary", &TFormMain::CopySummary);
    Connect("ActionViewCopyTree", &TFormMain::CopyTree);
    Connect("ActionDBRefresh", &TFormMain::RefreshTaxonomyTree);
    Connect("ActionDBLoadAll", &TFormMain::DownloadAllDatas);
    Connect("ActionDBLoadAllImages", &TFormMain::DownloadAllImagesCommand);
    Connect("ActionDBReloadImage", &TFormMain::DownloadImage);
    Connect("ActionShowImage", &TFormMain::ShowImage);
    Connect("ActionDBMergeUserData", &TFormMain::MergeUserDatabases);
    Connect("ActionDBStatistic", &TFormMain::StatisticCommand);
    Connect("ActionHelpAnnouncement", &TFormMain::CheckAnnouncement);
    Connect("ActionHelpContents", &TFormMain::HelpContents);
    Connect("ActionHelpWhatsNew", &TFormMain::HelpWhatsNew);
    Connect("ActionHelpSurvey", &TFormMain::HelpSurvey);
    Connect("ActionHelpSubmit", &TFormMain::HelpSubmitSuggestion);
    Connect("ActionDBRefreshItem", &TFormMain::RefreshItemCommand);
    connect(Action("ActionViewRelatedLinks"), &QAction::triggered, this, [this] {
        // The action toggled its own mark already; the panel decides from the state before.
        Action("ActionViewRelatedLinks")->setChecked(!Action("ActionViewRelatedLinks")->isChecked());
        LinksPanel_->Toggle();
    });
    Connect("ActionDBSubmitUserDB", &TFormMain::SubmitUserDatabasesCommand);
}

// ---- status line ----

void TFormMain::SetStatusText(const QString& text) {
    if (StartingUp && Splash_) {
        Splash_->SetStatusText(text);
        return;
    }
    statusBar()->showMessage(text);
}

QString TFormMain::StatusText() const { return statusBar()->currentMessage(); }

bool TFormMain::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        // Hints of menu items, buttons and tool buttons go to the one status line.
        SetStatusText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(e);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Resize && (watched == InfoPageControl || watched == ImageTabSheet))
        InfoPageControlResize();
    if (watched == DetailMemo_ && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return true; // the summary keeps the Tab key: it does not move the focus
    }
    return QMainWindow::eventFilter(watched, e);
}

void TFormMain::showEvent(QShowEvent* e) {
    WasShown_ = true;
    QMainWindow::showEvent(e);
}

void TFormMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    InfoPageControlResize();
}

// ---- creation, activation, closing, shut-down ----

void TFormMain::FormCreate() {
    DataFileFailed = false;
    StartingUp = true;
    try {
        SetStatus("Loading data, please wait...");
        LoadProgramFiles();
        ProgramFilesLoaded_ = true;
        Summary_ = std::make_unique<TSummaryDocument>(*this);
        const int size = ReadOptions(225);
        TaxonomySize_ = size;
        OptionsRead_ = true;
        MainSplitter->setSizes({size, std::max(120, width() - size - MainSplitter->handleWidth())});
        Action("ActionOptionsSaveTreeState")->setChecked(Options.SaveTree);
        Action("ActionOptionsOffLine")->setChecked(Options.OfflineMode);
        InfoPageControlResize();
        if (FileExists(AppFile(TreeFileName))) {
            if (Options.AppVersion < ProgramVersion - 0.0001f) {
                const int answer = AppMessageBox(
                    std::string("Welcome to Orvandel Viewer v2.20\n\nYou have updated this program from previous "
                                "version. And for the first-run, you will need to Refresh entire databases. Could it "
                                "be preceeded now?"),
                    Mb::YesNo | Mb::IconQuestion);
                if (answer == Mb::IdYes) {
                    SetStatus("Downloading databases, please wait...");
                    RefreshTaxonomyTree();
                } else {
                    AppMessageBox(std::string("This program version contain new features that need you to update "
                                              "your taxonomy databases.\n\nYou may done it yourself by choose "
                                              "command Refresh Taxonomy Tree from Database menu."),
                                  Mb::IconInformation);
                }
            } else {
                SetStatus("Checking database timestamp...");
                if (Today() - Options.LastUpdate > 30) {
                    const std::string question =
                        Format("Your korvel taxonomy file has not been updated since %s. Which is more than 30 days "
                               "old, and an update of the file may be available.\n\nDo you want to check for file "
                               "update?",
                               {FormatShortDate(Options.LastUpdate)});
                    if (AppMessageBox(question, Mb::YesNo | Mb::IconQuestion) == Mb::IdYes) {
                        SetStatus("Downloading databases, please wait...");
                        RefreshTaxonomyTree();
                    } else {
                        AppMessageBox(std::string("The reminder will popped up again next 30 days."),
                                      Mb::IconInformation);
                        Options.LastUpdate = Today();
                    }
                }
            }
        }
        SetStatus("Generating taxonomy tree...");
        SetDisplayMode(Options.ListType);
        LoadTreeState(Tree_, [this](TTreeNode* node, bool expanded) { SetExpanded(node, expanded); });
    } catch (const EFOpenError&) {
        ShowErrorBox(DataFileFailText);
        DataFileFailed = true;
    } catch (const EAbort&) {
        // A refresh that could not reach the server has reported already.
    } catch (const std::exception& e) {
        ShowDefaultErrorReport(e.what());
    }
    StartingUp = false;
    HandOverFromSplash();
}

void TFormMain::HandOverFromSplash() {
    if (!Splash_)
        return;
    Splash_->StatusPanel()->hide();
    Splash_->repaint();
    connect(Splash_->CloseSplashTimer(), &QTimer::timeout, this, &TFormMain::CloseSplash);
    Splash_->CloseSplashTimer()->start();
    setEnabled(false);
}

void TFormMain::CloseSplash() {
    setEnabled(true);
    if (Splash_) {
        Splash_->CloseSplashTimer()->stop();
        Splash_->deleteLater();
        Splash_.clear();
    }
}

void TFormMain::FormActivate() {
    // A failed start ends right after its message.
    if (DataFileFailed && !Closing_)
        QTimer::singleShot(0, this, [this] { close(); });
}

void TFormMain::closeEvent(QCloseEvent* e) {
    if (TransferRunning()) {
        // Abort the transfer; the window closes once the command has unwound.
        CloseAfterTransfer_ = true;
        Http_.Abort();
        e->ignore();
        return;
    }
    if (!ModifiedFiles.Empty()) {
        const int answer =
            AppMessageBox(std::string("You have modified taxonomy databases. Do you want to submit it to Tovren?"),
                          Mb::YesNoCancel | Mb::IconQuestion);
        if (answer == Mb::IdCancel) {
            e->ignore();
            return;
        }
        if (answer == Mb::IdYes)
            RunAction([this] { SubmitUserDatabases(); });
    }
    Closing_ = true;
    e->accept();
}

void TFormMain::FormDestroy() {
    if (ShutDownDone_)
        return;
    ShutDownDone_ = true;
    // Each write on its own: one failing must not keep the others from being written.
    auto guarded = [](const std::function<void()>& write) {
        try {
            write();
        } catch (const std::exception& e) {
            ShowDefaultErrorReport(e.what());
        }
    };
    if (TreeModified)
        guarded([this] { SaveTreeFile(Tree_); });
    // An empty tree (a refresh that failed) must not wipe the saved appearance.
    if (Options.SaveTree && !Tree_.Empty())
        guarded([this] { SaveTreeState(Tree_, [this](const TTreeNode* node) { return IsExpanded(node); }); });
    // A start that failed before the options or the lists were read leaves the files as they are.
    if (OptionsRead_)
        guarded([this] {
            // A window that was never shown has no laid-out width; the closed window keeps its own.
            const int width = WasShown_ ? MainPageControl_->width() : TaxonomySize_;
            WriteOptionsAtShutdown(width);
        });
    if (ProgramFilesLoaded_)
        guarded([] { SaveModifiedFiles(); });
    Tree_.Clear();
    Summary_.reset();
}

// ---- the tree ----

void TFormMain::SetDisplayMode(int mode) {
    Options.ListType = mode;
    Action("ActionOptionsShowName")->setChecked(mode == 1);
    Action("ActionOptionsShowInfo")->setChecked(mode == 2);
    Action("ActionOptionsShowBoth")->setChecked(mode == 3);
    RebuildTree();
}

void TFormMain::RebuildTree() {
    SetStatus("Generating taxonomy tree...");
    Tree_.Clear();
    Tree_.SetDisplayMode(Options.ListType);
    if (LoadTree(Tree_) != 0) {
        RefreshTaxonomyTree();
    } else {
        ExpandAll();
        if (TTreeNode* first = Tree_.First())
            SelectNode(first);
    }
    SetStatus("Ready");
}

TTreeNode* TFormMain::SelectedNode() const { return TreeModel_->NodeOf(TaxonomyTreeView_->currentIndex()); }

void TFormMain::SelectNode(TTreeNode* node) {
    const QModelIndex index = TreeModel_->IndexOf(node);
    TaxonomyTreeView_->setCurrentIndex(index);
    TaxonomyTreeView_->scrollTo(index);
}

bool TFormMain::IsExpanded(const TTreeNode* node) const {
    return TaxonomyTreeView_->isExpanded(TreeModel_->IndexOf(node));
}

void TFormMain::SetExpanded(TTreeNode* node, bool expanded) {
    if (node->HasChildren())
        TaxonomyTreeView_->setExpanded(TreeModel_->IndexOf(node), expanded);
}

void TFormMain::ExpandAll() { TaxonomyTreeView_->expandAll(); }

void TFormMain::CollapseAll() { TaxonomyTreeView_->collapseAll(); }

void TFormMain::ResetTreeAppearance() {
    LoadTreeState(Tree_, [this](TTreeNode* node, bool expanded) { SetExpanded(node, expanded); });
}

void TFormMain::TaxonomyTreeViewChange(TTreeNode* node) {
    // A copy: the summary may wait on the server, and the node must not be needed after that.
    const TTaxonomyData data = node->Data;
    if (Summary_)
        Summary_->ShowBranchSummary(data);
}

void TFormMain::TaxonomyTreeViewDeletion(TTreeNode* node) {
    if (!DeleteWithRecords || node->Data.Id() == NotAvailableId)
        return;
    // This runs while the view is removing rows: an exception must not escape into it. The first
    // failure is kept for the command that deleted the branch to report.
    try {
        DeleteRecord(node->Data.Id(), node->Level(), false, true);
    } catch (const std::exception& e) {
        if (DeletionError.empty())
            DeletionError = e.what();
    }
}

// ---- pages ----

void TFormMain::ShowMainPage(int index) {
    MainPageControl_->setCurrentIndex(index);
    Action("ActionViewTaxnomyTree")->setChecked(index == TaxonomyPage);
    Action("ActionViewSearch")->setChecked(index == SearchPage);
    Action("ActionViewResult")->setChecked(index == ResultPage);
}

void TFormMain::MainPageControlChange(int index) { ShowMainPage(index); }

void TFormMain::InfoPageControlResize() {
    if (!ShowImageBtn || !ImageTabSheet)
        return;
    // Halves go to the even neighbour.
    const int left = static_cast<int>(std::nearbyint((ImageTabSheet->width() - ShowImageBtn->width()) / 2.0));
    const int top = static_cast<int>(std::nearbyint((ImageTabSheet->height() - ShowImageBtn->height()) / 2.0));
    ShowImageBtn->move(left, top);
    if (LinksPanel_)
        LinksPanel_->UpdateColumnWidth();
}

// ---- clipboard ----

void TFormMain::CopySummary() {
    if (!DetailMemo_->textCursor().hasSelection())
        DetailMemo_->selectAll();
    DetailMemo_->copy();
}

void TFormMain::CopyTree() {
    QString text;
    for (const TTreeNode* node = SelectedNode(); node; node = node->Parent)
        text = ToQ(Tree_.Caption(node)) + QStringLiteral("\r\n") + text;
    QApplication::clipboard()->setText(text);
}

