// The main window's controls, actions and menus.
#include "Form_Main.h"
#include "MainActions.h"
#include "RelatedLinks.h"
#include "TaxonomyTreeModel.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QWidget* Strip(QWidget* parent, const char* name, QLabel* a, QLabel* b) {
    auto* strip = Named(new QWidget(parent), name);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(a);
    row->addWidget(b, 1);
    return strip;
}

} // namespace

void TFormMain::CreateActions() {
    // Every command lives in the action list; the window takes them so their keys work everywhere.
    auto* actionList = Named(new QObject(this), "MainActionList");
    auto* pages = new QActionGroup(this);
    pages->setExclusive(true);
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (const TActionSpec& spec : MainActionTable()) {
        auto* action = new QAction(QString::fromUtf8(spec.Caption), actionList);
        action->setObjectName(QString::fromLatin1(spec.Name));
        QString hint = QString::fromUtf8(spec.Hint);
        if (QLatin1String(spec.Name) == QLatin1String("ActionOptionsServer"))
            hint = ServerHint();
        action->setStatusTip(hint);
        action->setToolTip(hint.isEmpty() ? QString(action->text()).remove('&') : hint);
        action->setProperty("category", QString::fromLatin1(spec.Category));
        if (*spec.Key)
            action->setShortcut(QKeySequence(QString::fromLatin1(spec.Key)));
        action->setCheckable(spec.Checkable);
        if (spec.RadioGroup == 1)
            pages->addAction(action);
        else if (spec.RadioGroup == 2)
            modes->addAction(action);
        Actions_.insert(action->objectName(), action);
        addAction(action); // keys work even when the menu bar is hidden
    }
    // Marks by the window's design; start-up then sets them from the options.
    Action("ActionViewTaxnomyTree")->setChecked(true);
    Action("ActionOptionsShowBoth")->setChecked(true);
    Action("ActionOptionsSaveTreeState")->setChecked(true);
    Action("ActionViewRelatedLinks")->setChecked(true);
    Action("ActionDBSearch")->setEnabled(false);
}

void TFormMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    for (const TMenuSpec& spec : MainMenuTable()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(spec.Caption));
        menu->setObjectName(QString::fromLatin1(spec.ObjectName));
        QMenu* target = menu;
        for (const char* item : spec.Items) {
            const QString text = QString::fromUtf8(item);
            if (text == "-") {
                target->addSeparator();
            } else if (text.startsWith('>')) {
                target = menu->addMenu(text.mid(1));
                target->setObjectName("itemViewTaxoTree");
            } else if (text == "<") {
                target = menu;
            } else {
                QAction* action = Action(item);
                target->addAction(action);
                if (text == "ActionHelpAnnouncement")
                    action->setProperty("menuItem", "CheckQXAnnouncement1");
                else
                    action->setProperty("menuItem", "item" + text.mid(6));
            }
        }
    }
    // The page commands' menu items carry the names the page switching refers to.
    Action("ActionViewTaxnomyTree")->setProperty("menuItem", "itemViewTaxonomyTree");
    Action("ActionViewSearch")->setProperty("menuItem", "itemViewSearch");
    Action("ActionViewResult")->setProperty("menuItem", "itemViewResult");
}

void TFormMain::CreateLayout() {
    setWindowTitle(QStringLiteral("Orvandel Viewer"));
    setObjectName("FormMain");

    MainSplitter = Named(new QSplitter(Qt::Horizontal, this), "MainSplitter");
    MainSplitter->setHandleWidth(3);
    MainSplitter->setChildrenCollapsible(false);
    setCentralWidget(MainSplitter);

    // Left: the three pages.
    MainPageControl_ = Named(new QTabWidget(MainSplitter), "MainPageControl");
    MainPageControl_->setMinimumWidth(120);

    auto* treePage = Named(new QWidget, "TreeTabSheet");
    auto* treeLayout = new QVBoxLayout(treePage);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    TaxonomyTreeView_ = Named(new QTreeView(treePage), "TaxonomyTreeView");
    TaxonomyTreeView_->setHeaderHidden(true);
    TaxonomyTreeView_->setIndentation(19);
    TaxonomyTreeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TaxonomyTreeView_->setUniformRowHeights(true);
    TreeModel_ = new TTaxonomyTreeModel(Tree_, this);
    TaxonomyTreeView_->setModel(TreeModel_);
    treeLayout->addWidget(TaxonomyTreeView_);
    MainPageControl_->addTab(treePage, QStringLiteral("Taxonomy"));

    auto* searchPage = Named(new QWidget, "SearchTabSheet");
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(Named(new QLabel(QStringLiteral("Search For:")), "SearchForLabel"));
    SearchTextEdit = Named(new QLineEdit, "SearchTextEdit");
    searchLayout->addWidget(SearchTextEdit);
    SearchMethodRadioGroup = Named(new QGroupBox(QStringLiteral("Search Method")), "SearchMethodRadioGroup");
    SearchMethodRadioGroup->setStatusTip(QStringLiteral("Select searching method"));
    auto* methodLayout = new QVBoxLayout(SearchMethodRadioGroup);
    SearchMatchAllRadio = Named(new QRadioButton(QStringLiteral("Match All (And)")), "SearchMatchAllRadio");
    SearchMatchSomeRadio = Named(new QRadioButton(QStringLiteral("Match Some (Or)")), "SearchMatchSomeRadio");
    SearchMatchAllRadio->setChecked(true);
    methodLayout->addWidget(SearchMatchAllRadio);
    methodLayout->addWidget(SearchMatchSomeRadio);
    searchLayout->addWidget(SearchMethodRadioGroup);
    SearchInGroupBox = Named(new QGroupBox(QStringLiteral("Search In")), "SearchInGroupBox");
    auto* inLayout = new QVBoxLayout(SearchInGroupBox);
    auto check = [&](QCheckBox*& box, const char* name, const char* caption, const char* hint, bool on) {
        box = Named(new QCheckBox(QString::fromUtf8(caption)), name);
        box->setStatusTip(QString::fromUtf8(hint));
        box->setChecked(on);
        inLayout->addWidget(box);
    };
    check(SearchKeywordChkBox, "SearchKeywordChkBox", "Keyword and Synonym", "Looking in genus keyword and synonym",
          true);
    check(SearchTypeChkBox, "SearchTypeChkBox", "Korvel Type", "Looking in genus' Korvel Type data", true);
    check(SearchCommonNameChkBox, "SearchCommonNameChkBox", "Common Name", "Looking in genus' common name", true);
    check(SearchDescriptionChkBox, "SearchDescriptionChkBox", "Description", "Looking in genus description", false);
    check(SearchNameChkBox, "SearchNameChkBox", "Scientific name of Genus", "Looking in genus' scientific name",
          false);
    searchLayout->addWidget(SearchInGroupBox);
    SearchBtn = Named(new QPushButton, "SearchBtn");
    SearchBtn->setDefault(true);
    searchLayout->addWidget(SearchBtn);
    ShowAllGenusBtn = Named(new QPushButton, "ShowAllGenusBtn");
    searchLayout->addWidget(ShowAllGenusBtn);
    searchLayout->addStretch(1);
    MainPageControl_->addTab(searchPage, QStringLiteral("Search"));

    auto* resultPage = Named(new QWidget, "SearchResultTabSheet");
    auto* resultLayout = new QVBoxLayout(resultPage);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    SearchTextLabel = Named(new QLabel(QStringLiteral("[None]")), "SearchTextLabel");
    resultLayout->addWidget(Strip(resultPage, "FindResultPanel",
                                  Named(new QLabel(QStringLiteral("Search For:")), "SearchResultLabel"),
                                  SearchTextLabel));
    ResultListView = Named(new QListWidget, "ResultListView");
    ResultListView->setSortingEnabled(true);
    ResultListView->setIconSize(QSize(16, 16));
    resultLayout->addWidget(ResultListView, 1);
    SearchFoundTotalLabel = Named(new QLabel(QStringLiteral("0 Genus")), "SearchFoundTotalLabel");
    resultLayout->addWidget(Strip(resultPage, "SearchFoundPanel",
                                  Named(new QLabel(QStringLiteral("Found:")), "SearchFoundLabel"),
                                  SearchFoundTotalLabel));
    MainPageControl_->addTab(resultPage, QStringLiteral("Search Result"));

    // Right: the information pages above the related links.
    RightPanel = Named(new QWidget(MainSplitter), "RightPanel");
    RightPanel->setMinimumWidth(120);
    auto* rightLayout = new QVBoxLayout(RightPanel);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    InfoPageControl = Named(new QTabWidget, "InfoPageControl");
    InfoPageControl->setDocumentMode(true);
    rightLayout->addWidget(InfoPageControl, 1);

    auto* summaryPage = Named(new QWidget, "SummaryTabSheet");
    auto* summaryLayout = new QVBoxLayout(summaryPage);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    DetailMemo_ = Named(new QTextBrowser, "DetailMemo");
    DetailMemo_->setReadOnly(true);
    DetailMemo_->setOpenLinks(false);
    DetailMemo_->setTabChangesFocus(false);
    DetailMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont = DetailMemo_->font();
    memoFont.setPointSize(10);
    DetailMemo_->setFont(memoFont);
    summaryLayout->addWidget(DetailMemo_);
    InfoPageControl->addTab(summaryPage, QStringLiteral("Summary"));

    ImageTabSheet = Named(new QWidget, "ImageTabSheet");
    auto* imageLayout = new QVBoxLayout(ImageTabSheet);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    GenusImageLabel = Named(new QLabel, "GenusImage");
    GenusImageLabel->setAlignment(Qt::AlignCenter);
    GenusImageLabel->hide();
    imageLayout->addWidget(GenusImageLabel);
    ShowImageBtn = Named(new QPushButton(ImageTabSheet), "ShowImageBtn");
    InfoPageControl->addTab(ImageTabSheet, QStringLiteral("Image"));

    EditorTabSheet = Named(new QWidget, "EditorTabSheet");
    InfoPageControl->addTab(EditorTabSheet, QStringLiteral("Editor"));

    LinksPanel_ = new TRelatedLinksPanel(Action("ActionViewRelatedLinks"), RightPanel);
    rightLayout->addWidget(LinksPanel_);

    MainSplitter->setStretchFactor(0, 0);
    MainSplitter->setStretchFactor(1, 1);
    MainSplitter->setSizes({225, 352});

    statusBar()->setObjectName("StatusBar");
    statusBar()->setSizeGripEnabled(true);

    // Pop-up menus: the tree's and the summary's, and the picture's.
    auto* summaryPopup = Named(new QMenu(this), "SummaryPopupMenu");
    summaryPopup->addAction(Action("ActionViewCopySummary"));
    summaryPopup->addAction(Action("ActionViewCopyTree"));
    for (QWidget* w : {static_cast<QWidget*>(TaxonomyTreeView_), static_cast<QWidget*>(DetailMemo_)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [w, summaryPopup](const QPoint& at) { summaryPopup->popup(w->mapToGlobal(at)); });
    }
    auto* imagePopup = Named(new QMenu(this), "ImagePopupMenu");
    imagePopup->addAction(Action("ActionViewSaveImage"));
    GenusImageLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(GenusImageLabel, &QWidget::customContextMenuRequested, this,
            [this, imagePopup](const QPoint& at) { imagePopup->popup(GenusImageLabel->mapToGlobal(at)); });
    // Buttons bound to their actions.
    auto bind = [](QPushButton* button, QAction* action) {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setStatusTip(action->statusTip());
        QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
        QObject::connect(action, &QAction::changed, button, [button, action] {
            button->setEnabled(action->isEnabled());
            button->setText(action->text());
        });
    };
    bind(SearchBtn, Action("ActionDBSearch"));
    bind(ShowAllGenusBtn, Action("ActionViewAllGenus"));
    bind(ShowImageBtn, Action("ActionShowImage"));

    // The Show Image button follows every size change of the pages (the Image page is sized only
    // when it is shown); Tab stays in the summary; Enter on the Search page starts the search.
    InfoPageControl->installEventFilter(this);
    ImageTabSheet->installEventFilter(this);
    DetailMemo_->installEventFilter(this);
    for (QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, searchPage, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            if (Action("ActionDBSearch")->isEnabled())
                Action("ActionDBSearch")->trigger();
        });
    }

    resize(580, 401);
    setMinimumSize(425, 200);
}
