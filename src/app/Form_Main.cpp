#include "Form_Main.h"

#include "AppState.h"
#include "BranchTools.h"
#include "Dialogs.h"
#include "EditorCommands.h"
#include "FocusRing.h"
#include "Form_About.h"
#include "Form_Announcement.h"
#include "Form_Splash.h"
#include "Form_SubmitInfo.h"
#include "Global.h"
#include "HistoryCommands.h"
#include "ImagePage.h"
#include "InputBlock.h"
#include "MainCommands.h"
#include "MatchCommands.h"
#include "PageTabs.h"
#include "PrintCommands.h"
#include "QtText.h"
#include "RelatedLinks.h"
#include "SearchCommands.h"
#include "SettingActions.h"
#include "StartupGuard.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"
#include "TreeItemCommands.h"
#include "ui_Form_Main.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>

TFormMain::TFormMain(TFormSplash* splash, QWidget* parent)
    : QMainWindow(parent), FUi(std::make_unique<Ui::TFormMain>()), FSplash(splash) {
    InstallPageTabsAccessibility();
    FUi->setupUi(this);
    FActions = new TMainActions(this);
    FActions->BuildMenus(menuBar());
    FLinks = new TRelatedLinksPanel(Action(TAction::ViewRelatedLinks), FUi->RightPanel);
    FUi->RightLayout->addWidget(FLinks);
    FInputBlock = new TInputBlock({FUi->MainPageControl, FLinks, FUi->EditorTabSheet}, this);
    new TFocusRing(this);
    // The pane keeps its stored width; page captions that do not fit scroll, whole.
    FUi->MainPageControl->tabBar()->setUsesScrollButtons(true);
    FUi->MainPageControl->tabBar()->setElideMode(Qt::ElideNone);
    FProgressLabel = new QLabel(this);
    FProgressLabel->setObjectName(QStringLiteral("TransferProgressLabel"));
    statusBar()->addPermanentWidget(FProgressLabel);
    FProgressBar = new QProgressBar(this);
    FProgressBar->setObjectName(QStringLiteral("TransferProgressBar"));
    FProgressBar->setMaximumWidth(160);
    FProgressBar->setTextVisible(false);
    FProgressBar->hide();
    statusBar()->addPermanentWidget(FProgressBar);
    // However wide the stored or dragged tree pane, the summary keeps a readable width.
    FUi->RightPanel->setMinimumWidth(30 * DetailMemo()->fontMetrics().averageCharWidth());
    FUi->MainSplitter->setStretchFactor(0, 0);
    FUi->MainSplitter->setStretchFactor(1, 1);
    FUi->MainSplitter->setSizes({225, 352});
    FPresenter = std::make_unique<TBranchPresenter>(
        TBranchPages{this, FUi->TreeTabSheet, FUi->SearchResultTabSheet, FUi->InfoPageControl,
                     FUi->SummaryTabSheet, FUi->ImageTabSheet, FLinks},
        FServer);
    FPresenter->ResultListActive = [this] { return focusWidget() == FUi->SearchResultTabSheet->List(); };
    FEditor =
        std::make_unique<TEditorCommands>(*FActions, FUi->EditorTabSheet, FUi->TreeTabSheet, *FPresenter);
    FTreeItems = std::make_unique<TTreeItemCommands>(*FActions, FUi->TreeTabSheet, this);

    // Pop-up menus: the tree's and the summary's, and the picture's.
    auto* summaryPopup = new QMenu(this);
    summaryPopup->setObjectName(QStringLiteral("SummaryPopupMenu"));
    summaryPopup->addActions({Action(TAction::ViewCopySummary), Action(TAction::ViewCopyTree)});
    for (QWidget* w : {static_cast<QWidget*>(TaxonomyTreeView()), static_cast<QWidget*>(DetailMemo())}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [w, summaryPopup](const QPoint& at) { summaryPopup->popup(w->mapToGlobal(at)); });
    }
    auto* imagePopup = new QMenu(this);
    imagePopup->setObjectName(QStringLiteral("ImagePopupMenu"));
    imagePopup->addAction(Action(TAction::ViewSaveImage));
    FUi->ImageTabSheet->BindActions(*FActions, imagePopup);
    FUi->SearchTabSheet->BindActions(Action(TAction::DBSearch), Action(TAction::ViewAllGenus));

    new TSearchCommands(*FActions,
                        {FUi->TreeTabSheet, FUi->SearchTabSheet, FUi->SearchResultTabSheet, FPresenter.get(),
                         [this] { ShowMainPage(ResultPage); }},
                        this);
    auto* branchTools = new TBranchTools(
        *FActions, FUi->TreeTabSheet, [this] { ShowMainPage(TaxonomyPage); }, this);
    new THistoryCommands(
        *FActions, FUi->TreeTabSheet, [this] { ShowMainPage(TaxonomyPage); }, this);
    new TPrintCommands(
        *FActions,
        {FUi->SummaryTabSheet, FUi->ImageTabSheet, FUi->TreeTabSheet, &FPresenter->CurrentRecord()}, this);
    new TMatchCommands(
        *FActions, FUi->TreeTabSheet, [branchTools](TTreeNode* n) { branchTools->SelectBranch(n); }, this);
    // Result entries name nodes of the tree: a rebuilt tree or a removed branch empties the list.
    connect(TreeModel(), &QAbstractItemModel::modelAboutToBeReset, FUi->SearchResultTabSheet,
            &TResultPage::Clear);
    connect(TreeModel(), &QAbstractItemModel::rowsAboutToBeRemoved, FUi->SearchResultTabSheet,
            &TResultPage::Clear);
    connect(TreeModel(), &TTaxonomyTreeModel::NodeKeyChanged, FUi->SearchResultTabSheet->Model(),
            &TResultListModel::FollowNode);
    ConnectActions();
    SetDialogParent(this);
    SetStatusHook([this](const std::string& text) { SetStatusText(ToQ(text)); });
    connect(FUi->TreeTabSheet, &TTaxonomyTreePage::NodeSelected, this, &TFormMain::NodeSelected);
    FLinks->OnSelectBranch = [this](int level, const QString& id) {
        bool found = false;
        RunAction([&] { found = SelectBranch(level, FromQ(id)); });
        return found;
    };
    connect(FActions, &TMainActions::AllowancesChanged, this, &TFormMain::UpdateActionStates);
    connect(FUi->SearchTabSheet, &TSearchPage::SearchTextChanged, this, &TFormMain::UpdateActionStates);
    connect(FUi->MainPageControl, &QTabWidget::currentChanged, this, &TFormMain::ShowMainPage);
    UpdateActionStates();
    // Placed before start-up runs: what it shows (the announcement) is centred on the window.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    SetQuitRequestHandler([this] { FServer.Cancel(false); });
    {
        const TStartupGuard guard(
            FSplash, [this] { return FServer.Waiting(); }, [this] { FServer.Cancel(false); });
        FSession.Start();
        if (!FSession.DataFileFailed()) {
            FTreeItems->OfferLeftDeletions();
            FEditor->OfferDraft();
        }
    }
    RestoreWindowGeometry();
    HandOverFromSplash();
    // The tree is where a user starts; a window kept disabled behind the splash gets it then.
    if (isEnabled())
        TaxonomyTreeView()->setFocus(Qt::OtherFocusReason);
}

TFormMain::~TFormMain() {
    // Ended by a logout or a signal with changes typed in the last second: they go to the draft.
    FEditor->KeepDraft();
    SetQuitRequestHandler({});
    FSession.ShutDown();
    // Deletions stay undoable at the next start only when the tree file could not be written.
    if (FSession.TreeSaved())
        FTreeItems->EndOfRun();
    SaveWindowGeometry();
    SetStatusHook({});
    SetDialogParent(nullptr);
    // The pages go while the window's members they call back into are still here.
    disconnect(FUi->TreeTabSheet, nullptr, this, nullptr);
    FPresenter->DestroySummary();
    delete centralWidget();
}

void TFormMain::ConnectActions() {
    TMainActions& a = *FActions;
    auto run = [&a](TAction id, std::function<void()> body) {
        a.Connect(id, [body = std::move(body)] { RunAction(body); });
    };
    a.Connect(TAction::DBExit, [this] { close(); });
    a.Connect(TAction::DBCancelTransfer, [this] { FServer.Cancel(false); });
    a.ConnectToggle(TAction::OptionsSaveTreeState, Options.SaveTree);
    a.ConnectToggle(TAction::OptionsOffLine, Options.OfflineMode);
    a.Connect(TAction::OptionsServer, [] { ChangeServerAddress(); });
    a.ConnectChoices({{TAction::OptionsShowName, TListType::ScientificName},
                      {TAction::OptionsShowInfo, TListType::Info},
                      {TAction::OptionsShowBoth, TListType::Both}},
                     Options.ListType, [this](TListType mode) {
                         bool went = false;
                         RunAction([&] {
                             went = MayLeaveRecord();
                             if (went)
                                 SetDisplayMode(DisplayModeOf(mode));
                         });
                         return went;
                     });
    const std::pair<TAction, int> pages[] = {{TAction::ViewTaxnomyTree, TaxonomyPage},
                                             {TAction::ViewSearch, SearchPage},
                                             {TAction::ViewResult, ResultPage}};
    for (const auto& [id, page] : pages)
        a.Connect(id, [this, page = page] {
            ShowMainPage(page);
            FocusMainPage(page);
        });
    run(TAction::ViewTaxoExpandAll, [this] { ExpandAll(); });
    run(TAction::ViewTaxoCollapseAll, [this] { CollapseAll(); });
    run(TAction::ViewTaxoReset, [this] { ResetTreeAppearance(); });
    run(TAction::ViewCopySummary, [this] { FUi->SummaryTabSheet->CopySummary(); });
    run(TAction::ViewCopyTree,
        [this] { QApplication::clipboard()->setText(FUi->TreeTabSheet->SelectedPath()); });
    run(TAction::DBRefresh, [this] {
        if (MayLeaveRecord())
            FServer.RefreshTaxonomyTree();
    });
    run(TAction::DBLoadAll, [this] {
        if (MayLeaveRecord())
            FServer.DownloadAllDatas();
    });
    run(TAction::DBLoadAllImages, [this] { FServer.DownloadAllImagesCommand(); });
    run(TAction::DBReloadImage, [this] { FServer.DownloadImage(FPresenter->CurrentRecord()); });
    run(TAction::ShowImage, [this] { FServer.ShowImage(FPresenter->CurrentRecord()); });
    run(TAction::ViewSaveImage, [this] { SaveProfileImage(FPresenter->CurrentRecord()); });
    run(TAction::DBMergeUserData, [this] { FServer.MergeUserDatabases(); });
    run(TAction::DBStatistic, [] { ShowStatistic(); });
    run(TAction::HelpAnnouncement, [this] { FServer.CheckAnnouncement(); });
    run(TAction::HelpContents, [] { HelpContents(); });
    run(TAction::HelpWhatsNew, [] { HelpWhatsNew(); });
    run(TAction::HelpSurvey, [] { HelpSurvey(); });
    run(TAction::HelpSubmit, [] { HelpSubmitSuggestion(); });
    run(TAction::DBRefreshItem,
        [this] { FPresenter->RefreshItemCommand(focusWidget() == FUi->SearchResultTabSheet->List()); });
    a.Connect(TAction::ViewRelatedLinks, [this] {
        // The action toggled its own mark already; the panel decides from the state before.
        Action(TAction::ViewRelatedLinks)->setChecked(!Action(TAction::ViewRelatedLinks)->isChecked());
        FLinks->Toggle();
    });
    run(TAction::DBSubmitUserDB, [this] { FServer.SubmitUserDatabasesCommand(); });
    run(TAction::HelpAbout, [this] { ShowAboutBox(this); });
}

void TFormMain::UpdateActionStates() {
    // The one place where enabled states are worked out. While a transfer runs the window takes
    // nothing that could change or re-read the selection or open another modal: only closing the
    // window and cancelling the transfer stay.
    const bool idle = !TransferRunning();
    for (const TActionSpec& spec : MainActionTable()) {
        bool enabled = idle && !FActions->IsUnavailable(spec.Id) && FActions->IsAllowed(spec.Id);
        if (spec.Id == TAction::DBCancelTransfer)
            enabled = !idle;
        else if (spec.Id == TAction::DBExit)
            enabled = true;
        else if (spec.Id == TAction::DBSearch)
            enabled = enabled && !FUi->SearchTabSheet->SearchText().isEmpty();
        else if (spec.Id == TAction::ViewRelatedLinks)
            enabled = enabled && FLinks->Count() > 0; // nothing to show or hide without links
        else if (spec.Id == TAction::ViewWhatChanged)
            enabled = enabled && FServer.PreviousDataKept(); // kept by the last download
        Action(spec.Id)->setEnabled(enabled);
    }
    FInputBlock->SetBlocked(!idle);
}

// ---- status line ----

void TFormMain::SetStatusText(const QString& text) {
    if (FSession.StartingUp() && FSplash) {
        FSplash->SetStatusText(text);
        return;
    }
    statusBar()->showMessage(text);
}

QString TFormMain::StatusText() const {
    return statusBar()->currentMessage();
}

void TFormMain::TransferProgress(long long received, long long total) {
    if (received <= 0 && total <= 0) {
        FProgressLabel->clear();
        FProgressBar->hide();
        return;
    }
    // Per mille, so that files over 2 GiB fit; an unknown size shows a busy bar.
    FProgressBar->setRange(0, total > 0 ? 1000 : 0);
    if (total > 0)
        FProgressBar->setValue(static_cast<int>(std::min(received, total) * 1000 / total));
    FProgressBar->show();
    const QLocale locale;
    FProgressLabel->setText(
        total > 0 ? QStringLiteral("%1 of %2")
                        .arg(locale.formattedDataSize(received), locale.formattedDataSize(total))
                  : locale.formattedDataSize(received));
}

bool TFormMain::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        // Hints of menu items, buttons and tool buttons go to the one status line.
        SetStatusText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    if (e->type() == QEvent::Show) {
        FWasShown = true;
        // A failed start ends right after its message, with or without a window manager.
        if (FSession.DataFileFailed() && !FClosing)
            QTimer::singleShot(0, this, [this] { close(); });
    }
    return QMainWindow::event(e);
}

// ---- creation, closing ----

void TFormMain::OptionsLoaded(int taxonomyWidth) {
    FUi->MainSplitter->setSizes(
        {taxonomyWidth, std::max(120, width() - taxonomyWidth - FUi->MainSplitter->handleWidth())});
}

int TFormMain::TaxonomyWidth() const {
    // A window that was never shown has no laid-out width; the closed window keeps its own.
    return FWasShown ? FUi->MainPageControl->width() : FSession.StoredTaxonomyWidth();
}

void TFormMain::HandOverFromSplash() {
    if (!FSplash)
        return;
    FSplash->StatusPanel()->hide();
    FSplash->repaint();
    connect(FSplash->CloseSplashTimer(), &QTimer::timeout, this, [this] {
        setEnabled(true);
        TaxonomyTreeView()->setFocus(Qt::OtherFocusReason);
        if (FSplash) {
            FSplash->CloseSplashTimer()->stop();
            FSplash->deleteLater();
            FSplash.clear();
        }
    });
    FSplash->CloseSplashTimer()->start();
    setEnabled(false);
}

void TFormMain::closeEvent(QCloseEvent* e) {
    if (TransferRunning()) {
        // Abort the transfer; the window closes once the command has unwound.
        FServer.Cancel(true);
        e->ignore();
        return;
    }
    if (!MayLeaveRecord()) {
        e->ignore();
        return;
    }
    if (!ModifiedFiles.Empty()) {
        const int answer = AppMessageBox(
            std::string("You have modified taxonomy databases. Do you want to submit it to Tovren?"),
            Mb::YesNoCancel | Mb::IconQuestion);
        if (answer == Mb::IdCancel) {
            e->ignore();
            return;
        }
        if (answer == Mb::IdYes)
            RunAction([this] { FServer.SubmitUserDatabases(); });
    }
    FClosing = true;
    e->accept();
}

void TFormMain::CloseWindow() {
    QTimer::singleShot(0, this, [this] { close(); });
}
