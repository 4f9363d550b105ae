#include "MainActions.h"

#include "Constants.h"

const std::vector<TActionSpec>& MainActionTable() {
    static const std::vector<TActionSpec> table = {
        // Database
        {"ActionDBLoadAll", "Download &All Datas", "Reload all datas from Velmora server", "", "Database", false, 0},
        {"ActionDBLoadAllImages", "Download All &Images",
         "Reload all images in local Taxonomy Tree from Velmora server", "", "Database", false, 0},
        {"ActionDBRefresh", "&Refresh Taxonomy Tree", "Refresh Taxonomy tree and datas, except images", "F5",
         "Database", false, 0},
        {"ActionDBRefreshItem", "Refresh &Item", "Refresh data of selected item", "Ctrl+F5", "Database", false, 0},
        {"ActionDBReloadImage", "&Download Image", "Reload image of current genus from Velmora server", "",
         "Database", false, 0},
        {"ActionDBMergeUserData", "&Merge User Databases",
         "Merge all user modified data into default database to make them show", "", "Database", false, 0},
        {"ActionDBDeleteUserDB", "&Delete User Database...", "Delete data files kept user modified database", "",
         "Database", false, 0},
        {"ActionDBSubmitUserDB", "&Submit User Databases...", "Submit user edited database back to Tovren", "",
         "Database", false, 0},
        {"ActionDBStatistic", "S&tatistic...", "Show current statistic on Orvandel Project", "", "Database", false, 0},
        {"ActionDBExit", "E&xit", "Exit Orvandel Viewer", "", "Database", false, 0},
        {"ActionDBSearch", "&Search Species", "Start searching", "", "Database", false, 0},
        // View
        {"ActionViewTaxoExpandAll", "&Expand All", "Expand all branchs in Taxonomy tree", "", "View", false, 0},
        {"ActionViewTaxoCollapseAll", "&Collapse All", "Collapse all branch in Taxonomy tree", "", "View", false, 0},
        {"ActionViewTaxoReset", "&Reset", "Reset tree appearance to the saved state", "", "View", false, 0},
        {"ActionViewTaxnomyTree", "View &Taxonomy Tree", "Go to Korvel Taxonomy Tree", "Ctrl+T", "View", true, 1},
        {"ActionViewSearch", "View &Search Page", "Go to search page", "Ctrl+F", "View", true, 1},
        {"ActionViewResult", "View Search &Result", "View search result", "", "View", true, 1},
        {"ActionViewRelatedLinks", "Show Related &Links", "Show/Hide related links panel", "", "View", true, 0},
        {"ActionViewCopySummary", "&Copy Summary", "Copy summary to clipboard", "Ctrl+C", "View", false, 0},
        {"ActionViewCopyTree", "Copy Selected &Branch's Tree",
         "Copy brief summary of selected branch up to the root to clipboard", "", "View", false, 0},
        {"ActionViewSaveImage", "Save Profile &Image", "Save profile image to disk", "", "View", false, 0},
        {"ActionViewAllGenus", "Show &All Genus",
         "Show all genus that are appeared in both Taxonomy tree and database", "", "View", false, 0},
        {"ActionViewForgotten", "Show &Forgotten Genus", "Show genus appear in database but missed in Taxonomy tree",
         "", "View", false, 0},
        {"ActionViewPlanGenus", "Show &Planning Branches",
         "Show planning branch and unnamed item in Taxonomy tree", "", "View", false, 0},
        // Editor
        {"ActionEditorAddTreeItem", "Add &Tree Item",
         "Add a child to selected branch if selected branch is below Genus level. Otherwise, add another Genus", "",
         "Editor", false, 0},
        {"ActionEditorDeleteTreeItem", "&Delete Tree Item", "Remove selected branch from Taxonomy tree and database",
         "", "Editor", false, 0},
        {"ActionEditorAddData", "&Enable Detail Edit", "Add detail data for selected planning branch", "", "Editor",
         false, 0},
        {"ActionEditorSave", "&Save", "Save change", "Ctrl+S", "Editor", false, 0},
        {"ActionEditorCancel", "&Cancel", "Cancel change made in editor", "Ctrl+Z", "Editor", false, 0},
        {"ActionEditorPrevTab", "&Previous Tab", "Go to previous editor tab", "", "Editor", false, 0},
        {"ActionEditorNextTab", "&Next Tab", "Go to next editor tab", "", "Editor", false, 0},
        {"ActionEditorChooseImg", "Choose Image...", "Choose image to identify this genus", "", "Editor", false, 0},
        {"ActionEditorNewSpecies", "&Add New Species", "Add a new species to current genus", "", "Editor", false, 0},
        {"ActionEditorRemoveSpecies", "&Remove Species", "Remove selected species from genus", "", "Editor", false, 0},
        {"ActionEditorNewSpeciesBitBtn", "", "Add a new species to current genus", "", "Editor", false, 0},
        {"ActionEditorRemoveSpeciesBitBtn", "", "Remove selected species from genus", "", "Editor", false, 0},
        // Options
        {"ActionOptionsShowName", "Show Scientific Name", "Show scientific name in Taxonomy tree", "", "Options", true,
         2},
        {"ActionOptionsShowInfo", "Show &Info", "Show addition info of each item in Taxonomy tree", "", "Options",
         true, 2},
        {"ActionOptionsShowBoth", "Show &Both", "Show both scientific name and info in Taxonomy tree", "", "Options",
         true, 2},
        {"ActionOptionsSaveTreeState", "Save Tree &Appearance",
         "Save appearance of each item in Taxonomy tree when closing program", "", "Options", true, 0},
        {"ActionOptionsOffLine", "Viewing &Offline", "Checked to not allow program to download data from internet", "",
         "Options", true, 0},
        {"ActionOptionsServer", "Change &Server Address...", "", "", "Options", false, 0},
        // Help
        {"ActionHelpContents", "&Help Topics", "Orvandel Viewer Help", "F1", "Help", false, 0},
        {"ActionHelpWhatsNew", "What's &New", "What's new in this version", "", "Help", false, 0},
        {"ActionHelpSurvey", "Do the Korvel Survey", "Do the survey to submit your korvel detail to the project", "",
         "Help", false, 0},
        {"ActionHelpSubmit", "&Submit Suggestion", "Submit suggestion to Tovren", "", "Help", false, 0},
        {"ActionHelpAnnouncement", "Check A&nnouncement", "Show Velmora announcement", "", "Help", false, 0},
        {"ActionHelpAbout", "&About...", "About Orvandel Viewer", "", "Help", false, 0},
        // Without category
        {"ActionShowImage", "Show Image", "", "", "", false, 0},
    };
    return table;
}

const std::vector<TMenuSpec>& MainMenuTable() {
    static const std::vector<TMenuSpec> menus = {
        {"&Database",
         "itemDatabase",
         {"ActionDBLoadAll", "ActionDBLoadAllImages", "-", "ActionDBRefresh", "ActionDBRefreshItem",
          "ActionDBReloadImage", "-", "ActionDBMergeUserData", "ActionDBDeleteUserDB", "-", "ActionDBSubmitUserDB", "-",
          "ActionDBStatistic", "-", "ActionDBExit"}},
        {"&View",
         "itemView",
         {">Taxonomy T&ree", "ActionViewTaxoExpandAll", "ActionViewTaxoCollapseAll", "-", "ActionViewTaxoReset", "<",
          "-", "ActionViewTaxnomyTree", "ActionViewSearch", "ActionViewResult", "-", "ActionViewRelatedLinks", "-",
          "ActionViewCopySummary", "ActionViewCopyTree", "ActionViewSaveImage", "-", "ActionViewAllGenus",
          "ActionViewForgotten", "ActionViewPlanGenus"}},
        {"&Editor",
         "itemEditor",
         {"ActionEditorAddTreeItem", "ActionEditorDeleteTreeItem", "-", "ActionEditorAddData", "-", "ActionEditorSave",
          "ActionEditorCancel", "-", "ActionEditorPrevTab", "ActionEditorNextTab", "-", "ActionEditorChooseImg", "-",
          "ActionEditorNewSpecies", "ActionEditorRemoveSpecies"}},
        {"&Options",
         "itemOptions",
         {"ActionOptionsShowName", "ActionOptionsShowInfo", "ActionOptionsShowBoth", "-", "ActionOptionsSaveTreeState",
          "ActionOptionsOffLine", "-", "ActionOptionsServer"}},
        {"&Help",
         "itemHelp",
         {"ActionHelpContents", "ActionHelpWhatsNew", "-", "ActionHelpSurvey", "ActionHelpSubmit", "-",
          "ActionHelpAnnouncement", "-", "ActionHelpAbout"}},
    };
    return menus;
}

QString ServerHint() {
    return QStringLiteral("Address of Velmora server. Please do not modify this value! The default address is %1.")
        .arg(QString::fromLatin1(DefaultServerURL));
}
