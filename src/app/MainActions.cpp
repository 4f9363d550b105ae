#include "MainActions.h"

#include "Constants.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>

const std::array<TActionSpec, ActionCount>& MainActionTable() {
    static constexpr std::array<TActionSpec, ActionCount> table = {{
        // Database
        {TAction::DBLoadAll, "ActionDBLoadAll", "Download &All Datas", "Reload all datas from Velmora server",
         "", "Database", false, 0},
        {TAction::DBLoadAllImages, "ActionDBLoadAllImages", "Download All &Images",
         "Reload all images in local Taxonomy Tree from Velmora server", "", "Database", false, 0},
        {TAction::DBRefresh, "ActionDBRefresh", "&Refresh Taxonomy Tree",
         "Refresh Taxonomy tree and datas, except images", "F5", "Database", false, 0},
        {TAction::DBRefreshItem, "ActionDBRefreshItem", "Refresh &Item", "Refresh data of selected item",
         "Ctrl+F5", "Database", false, 0},
        {TAction::DBReloadImage, "ActionDBReloadImage", "&Download Image",
         "Reload image of current genus from Velmora server", "", "Database", false, 0},
        {TAction::DBCancelTransfer, "ActionDBCancelTransfer", "&Cancel Transfer",
         "Stop the transfer under way, keeping the previous file", "Esc", "Database", false, 0},
        {TAction::DBMergeUserData, "ActionDBMergeUserData", "&Merge User Databases",
         "Merge all user modified data into default database to make them show", "", "Database", false, 0},
        {TAction::DBDeleteUserDB, "ActionDBDeleteUserDB", "&Delete User Database...",
         "Delete data files kept user modified database", "", "Database", false, 0},
        {TAction::DBSubmitUserDB, "ActionDBSubmitUserDB", "&Submit User Databases...",
         "Submit user edited database back to Tovren", "", "Database", false, 0},
        {TAction::DBStatistic, "ActionDBStatistic", "S&tatistic...",
         "Show current statistic on Orvandel Project", "", "Database", false, 0},
        {TAction::DBExit, "ActionDBExit", "E&xit", "Exit Orvandel Viewer", "", "Database", false, 0},
        {TAction::DBSearch, "ActionDBSearch", "&Search Species", "Start searching", "", "Database", false, 0},
        // View
        {TAction::ViewTaxoExpandAll, "ActionViewTaxoExpandAll", "&Expand All",
         "Expand all branchs in Taxonomy tree", "", "View", false, 0},
        {TAction::ViewTaxoCollapseAll, "ActionViewTaxoCollapseAll", "&Collapse All",
         "Collapse all branch in Taxonomy tree", "", "View", false, 0},
        {TAction::ViewTaxoReset, "ActionViewTaxoReset", "&Reset", "Reset tree appearance to the saved state",
         "", "View", false, 0},
        {TAction::ViewTaxnomyTree, "ActionViewTaxnomyTree", "View &Taxonomy Tree",
         "Go to Korvel Taxonomy Tree", "Ctrl+T", "View", true, 1},
        {TAction::ViewSearch, "ActionViewSearch", "View &Search Page", "Go to search page", "Ctrl+F", "View",
         true, 1},
        {TAction::ViewResult, "ActionViewResult", "View Search &Result", "View search result", "", "View",
         true, 1},
        {TAction::ViewRelatedLinks, "ActionViewRelatedLinks", "Show Related &Links",
         "Show/Hide related links panel", "", "View", true, 0},
        {TAction::ViewCopySummary, "ActionViewCopySummary", "&Copy Summary", "Copy summary to clipboard",
         "Ctrl+C", "View", false, 0},
        {TAction::ViewCopyTree, "ActionViewCopyTree", "Copy Selected &Branch's Tree",
         "Copy brief summary of selected branch up to the root to clipboard", "", "View", false, 0},
        {TAction::ViewSaveImage, "ActionViewSaveImage", "Save Profile &Image", "Save profile image to disk",
         "", "View", false, 0},
        {TAction::ViewAllGenus, "ActionViewAllGenus", "Show &All Genus",
         "Show all genus that are appeared in both Taxonomy tree and database", "", "View", false, 0},
        {TAction::ViewForgotten, "ActionViewForgotten", "Show &Forgotten Genus",
         "Show genus appear in database but missed in Taxonomy tree", "", "View", false, 0},
        {TAction::ViewPlanGenus, "ActionViewPlanGenus", "Show &Planning Branches",
         "Show planning branch and unnamed item in Taxonomy tree", "", "View", false, 0},
        // Editor
        {TAction::EditorAddTreeItem, "ActionEditorAddTreeItem", "Add &Tree Item",
         "Add a child to selected branch if selected branch is below Genus level. Otherwise, add another "
         "Genus",
         "", "Editor", false, 0},
        {TAction::EditorDeleteTreeItem, "ActionEditorDeleteTreeItem", "&Delete Tree Item",
         "Remove selected branch from Taxonomy tree and database", "", "Editor", false, 0},
        {TAction::EditorUndoDelete, "ActionEditorUndoDelete", "&Undo Delete",
         "Put back the branch deleted last, with what its deletion removed from the databases",
         "Ctrl+Shift+Z", "Editor", false, 0},
        {TAction::EditorAddData, "ActionEditorAddData", "&Enable Detail Edit",
         "Add detail data for selected planning branch", "", "Editor", false, 0},
        {TAction::EditorSave, "ActionEditorSave", "&Save", "Save change", "Ctrl+S", "Editor", false, 0},
        {TAction::EditorCancel, "ActionEditorCancel", "&Cancel", "Cancel change made in editor", "Ctrl+Z",
         "Editor", false, 0},
        {TAction::EditorPrevTab, "ActionEditorPrevTab", "&Previous Tab", "Go to previous editor tab", "",
         "Editor", false, 0},
        {TAction::EditorNextTab, "ActionEditorNextTab", "&Next Tab", "Go to next editor tab", "", "Editor",
         false, 0},
        {TAction::EditorChooseImg, "ActionEditorChooseImg", "Choose Image...",
         "Choose image to identify this genus", "", "Editor", false, 0},
        {TAction::EditorNewSpecies, "ActionEditorNewSpecies", "&Add New Species",
         "Add a new species to current genus", "", "Editor", false, 0},
        {TAction::EditorRemoveSpecies, "ActionEditorRemoveSpecies", "&Remove Species",
         "Remove selected species from genus", "", "Editor", false, 0},
        {TAction::EditorNewSpeciesBitBtn, "ActionEditorNewSpeciesBitBtn", "",
         "Add a new species to current genus", "", "Editor", false, 0},
        {TAction::EditorRemoveSpeciesBitBtn, "ActionEditorRemoveSpeciesBitBtn", "",
         "Remove selected species from genus", "", "Editor", false, 0},
        // Options
        {TAction::OptionsShowName, "ActionOptionsShowName", "Show Scientific Name",
         "Show scientific name in Taxonomy tree", "", "Options", true, 2},
        {TAction::OptionsShowInfo, "ActionOptionsShowInfo", "Show &Info",
         "Show addition info of each item in Taxonomy tree", "", "Options", true, 2},
        {TAction::OptionsShowBoth, "ActionOptionsShowBoth", "Show &Both",
         "Show both scientific name and info in Taxonomy tree", "", "Options", true, 2},
        {TAction::OptionsSaveTreeState, "ActionOptionsSaveTreeState", "Save Tree &Appearance",
         "Save appearance of each item in Taxonomy tree when closing program", "", "Options", true, 0},
        {TAction::OptionsOffLine, "ActionOptionsOffLine", "Viewing &Offline",
         "Checked to not allow program to download data from internet", "", "Options", true, 0},
        {TAction::OptionsServer, "ActionOptionsServer", "Change &Server Address...", "", "", "Options", false,
         0},
        // Help
        {TAction::HelpContents, "ActionHelpContents", "&Help Topics", "Orvandel Viewer Help", "F1", "Help",
         false, 0},
        {TAction::HelpWhatsNew, "ActionHelpWhatsNew", "What's &New", "What's new in this version", "", "Help",
         false, 0},
        {TAction::HelpSurvey, "ActionHelpSurvey", "Do the Korvel Survey",
         "Do the survey to submit your korvel detail to the project", "", "Help", false, 0},
        {TAction::HelpSubmit, "ActionHelpSubmit", "&Submit Suggestion", "Submit suggestion to Tovren", "",
         "Help", false, 0},
        {TAction::HelpAnnouncement, "ActionHelpAnnouncement", "Check A&nnouncement",
         "Show Velmora announcement", "", "Help", false, 0},
        {TAction::HelpAbout, "ActionHelpAbout", "&About...", "About Orvandel Viewer", "", "Help", false, 0},
        // Without category
        {TAction::ShowImage, "ActionShowImage", "Show Image", "", "", "", false, 0},
        // Finding any branch, taking a branch elsewhere
        {TAction::ViewGoToBranch, "ActionViewGoToBranch", "&Go to Branch",
         "Find a branch by a part of its name, id or info and select it in Taxonomy tree", "Ctrl+L", "View",
         false, 0},
        {TAction::ViewExportBranch, "ActionViewExportBranch", "E&xport Branch...",
         "Write selected branch and all below it to a CSV file or a Darwin Core Archive", "", "View", false,
         0},
        {TAction::ViewWhatChanged, "ActionViewWhatChanged", "&What Changed...",
         "Show what the last download changed in Taxonomy tree and the databases", "", "View", false, 0},
        // Walking the branches shown before, printing the summary
        {TAction::ViewBack, "ActionViewBack", "Bac&k", "Go back to the branch shown before", "Alt+Left",
         "View", false, 0},
        {TAction::ViewForward, "ActionViewForward", "F&orward",
         "Go forward again to the branch shown after this one", "Alt+Right", "View", false, 0},
        {TAction::DBPrintSummary, "ActionDBPrintSummary", "&Print Summary...",
         "Print the summary of the selected branch", "Ctrl+P", "Database", false, 0},
        {TAction::DBSaveSummaryPdf, "ActionDBSaveSummaryPdf", "Save Summary as PD&F...",
         "Write the summary of the selected branch to a PDF file", "", "Database", false, 0},
        {TAction::ViewMatchNames, "ActionViewMatchNames", "&Match Names...",
         "Match a list of names against Taxonomy tree and the species, with suggestions for misspelt ones",
         "", "View", false, 0},
    }};
    static_assert(InEnumOrder(table), "the action table follows the order of TAction");
    return table;
}

const std::vector<TMenuSpec>& MainMenuTable() {
    using A = TAction;
    const TMenuItem sep = TMenuItem::Separator();
    static const std::vector<TMenuSpec> menus = {
        {"&Database",
         "itemDatabase",
         {A::DBLoadAll, A::DBLoadAllImages, sep, A::DBRefresh, A::DBRefreshItem, A::DBReloadImage,
          A::DBCancelTransfer, sep, A::DBMergeUserData, A::DBDeleteUserDB, sep, A::DBSubmitUserDB, sep,
          A::DBStatistic, sep, A::DBPrintSummary, A::DBSaveSummaryPdf, sep, A::DBExit}},
        {"&View",
         "itemView",
         {A::ViewBack,
          A::ViewForward,
          sep,
          TMenuItem::Submenu("Taxonomy T&ree", "itemViewTaxoTree"),
          A::ViewTaxoExpandAll,
          A::ViewTaxoCollapseAll,
          sep,
          A::ViewTaxoReset,
          TMenuItem::EndSubmenu(),
          sep,
          A::ViewTaxnomyTree,
          A::ViewSearch,
          A::ViewResult,
          sep,
          A::ViewRelatedLinks,
          sep,
          A::ViewCopySummary,
          A::ViewCopyTree,
          A::ViewSaveImage,
          sep,
          A::ViewAllGenus,
          A::ViewForgotten,
          A::ViewPlanGenus,
          sep,
          A::ViewGoToBranch,
          A::ViewExportBranch,
          A::ViewWhatChanged,
          A::ViewMatchNames}},
        {"&Editor",
         "itemEditor",
         {A::EditorAddTreeItem, A::EditorDeleteTreeItem, A::EditorUndoDelete, sep, A::EditorAddData, sep,
          A::EditorSave, A::EditorCancel, sep, A::EditorPrevTab, A::EditorNextTab, sep, A::EditorChooseImg,
          sep, A::EditorNewSpecies, A::EditorRemoveSpecies}},
        {"&Options",
         "itemOptions",
         {A::OptionsShowName, A::OptionsShowInfo, A::OptionsShowBoth, sep, A::OptionsSaveTreeState,
          A::OptionsOffLine, sep, A::OptionsServer}},
        {"&Help",
         "itemHelp",
         {A::HelpContents, A::HelpWhatsNew, sep, A::HelpSurvey, A::HelpSubmit, sep, A::HelpAnnouncement, sep,
          A::HelpAbout}},
    };
    return menus;
}

QString ServerHint() {
    return QStringLiteral(
               "Address of Velmora server. Please do not modify this value! The default address is %1.")
        .arg(QString::fromLatin1(DefaultServerURL));
}

TMainActions::TMainActions(QWidget* window) : QObject(window) {
    setObjectName(QStringLiteral("MainActionList"));
    auto* pages = new QActionGroup(this);
    pages->setExclusive(true);
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (const TActionSpec& spec : MainActionTable()) {
        auto* action = new QAction(QString::fromUtf8(spec.Caption), this);
        action->setObjectName(QString::fromLatin1(spec.Name));
        const QString hint = spec.Id == TAction::OptionsServer ? ServerHint() : QString::fromUtf8(spec.Hint);
        action->setStatusTip(hint);
        action->setToolTip(hint.isEmpty() ? QString(action->text()).remove('&') : hint);
        if (*spec.Key)
            action->setShortcut(QKeySequence(QString::fromLatin1(spec.Key)));
        action->setCheckable(spec.Checkable);
        if (spec.RadioGroup == 1)
            pages->addAction(action);
        else if (spec.RadioGroup == 2)
            modes->addAction(action);
        FActions[static_cast<std::size_t>(spec.Id)] = action;
        window->addAction(action);
    }
    // Marks by the window's design; start-up then sets them from the options.
    (*this)[TAction::ViewTaxnomyTree]->setChecked(true);
    (*this)[TAction::ViewRelatedLinks]->setChecked(true);
}

void TMainActions::Connect(TAction id, std::function<void()> handler) {
    FWired.set(static_cast<std::size_t>(id));
    connect((*this)[id], &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

void TMainActions::ConnectToggle(TAction id, TSetting<bool>& setting) {
    FWired.set(static_cast<std::size_t>(id));
    BindToggle((*this)[id], setting);
}

void TMainActions::ConnectChoices(const std::vector<std::pair<TAction, TListType>>& choices,
                                  TSetting<TListType>& setting,
                                  const std::function<bool(TListType)>& choose) {
    for (const auto& [id, value] : choices) {
        BindChoice((*this)[id], setting, value);
        Connect(id, [this, choices, &setting, choose, value = value] {
            if (choose(value))
                return;
            // The triggered action turned its own mark; a refused choice puts every mark back.
            for (const auto& [other, itsValue] : choices)
                (*this)[other]->setChecked(itsValue == setting.Get());
        });
    }
}

void TMainActions::SetAllowed(TAction id, bool allowed) {
    if (IsAllowed(id) == allowed)
        return;
    FDisallowed.set(static_cast<std::size_t>(id), !allowed);
    emit AllowancesChanged();
}

void TMainActions::MarkUnavailable(TAction id) {
    FUnavailable.set(static_cast<std::size_t>(id));
    (*this)[id]->setEnabled(false);
}

namespace {

// A menu entry of its own that shows and runs `action`: the Database menu's Download Image is
// enabled together with the Image page's button, and is known by its item name.
QAction* MirrorItem(QAction* action, const QString& name, QObject* parent) {
    auto* item = new QAction(parent);
    item->setObjectName(name);
    auto follow = [item, action] {
        item->setText(action->text());
        item->setStatusTip(action->statusTip());
        item->setToolTip(action->toolTip());
        item->setIcon(action->icon());
        item->setEnabled(action->isEnabled());
        item->setVisible(action->isVisible());
    };
    follow();
    QObject::connect(action, &QAction::changed, item, follow);
    QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
    return item;
}

} // namespace

void TMainActions::BuildMenus(QMenuBar* bar) const {
    bar->setObjectName(QStringLiteral("MainMenu"));
    using TKind = TMenuItem::TKind;
    for (const TMenuSpec& spec : MainMenuTable()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(spec.Caption));
        menu->setObjectName(QString::fromLatin1(spec.ObjectName));
        QMenu* target = menu;
        for (const TMenuItem& item : spec.Items) {
            switch (item.Kind) {
            case TKind::Separator:
                target->addSeparator();
                break;
            case TKind::SubmenuStart:
                target = menu->addMenu(QString::fromUtf8(item.Caption));
                target->setObjectName(QString::fromLatin1(item.ObjectName));
                break;
            case TKind::SubmenuEnd:
                target = menu;
                break;
            case TKind::Action:
                if (item.Id == TAction::DBReloadImage)
                    target->addAction(
                        MirrorItem((*this)[item.Id], QStringLiteral("itemDBReloadImage"), target));
                else
                    target->addAction((*this)[item.Id]);
                break;
            }
        }
    }
}

void BindButtonToAction(QPushButton* button, QAction* action) {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
    button->setStatusTip(action->statusTip());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setEnabled(action->isEnabled());
        button->setText(action->text());
    });
}
