// The main window's action table: every user command with its caption, hint, key and category,
// the typed handle of each (TAction), and the menus built from it.
#pragma once

#include "SettingActions.h"

#include <QObject>
#include <QString>
#include <array>
#include <bitset>
#include <cstddef>
#include <functional>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

enum class TAction {
    DBLoadAll,
    DBLoadAllImages,
    DBRefresh,
    DBRefreshItem,
    DBReloadImage,
    DBCancelTransfer,
    DBMergeUserData,
    DBDeleteUserDB,
    DBSubmitUserDB,
    DBStatistic,
    DBExit,
    DBSearch,
    ViewTaxoExpandAll,
    ViewTaxoCollapseAll,
    ViewTaxoReset,
    ViewTaxnomyTree,
    ViewSearch,
    ViewResult,
    ViewRelatedLinks,
    ViewCopySummary,
    ViewCopyTree,
    ViewSaveImage,
    ViewAllGenus,
    ViewForgotten,
    ViewPlanGenus,
    EditorAddTreeItem,
    EditorDeleteTreeItem,
    EditorUndoDelete,
    EditorAddData,
    EditorSave,
    EditorCancel,
    EditorPrevTab,
    EditorNextTab,
    EditorChooseImg,
    EditorNewSpecies,
    EditorRemoveSpecies,
    EditorNewSpeciesBitBtn,
    EditorRemoveSpeciesBitBtn,
    OptionsShowName,
    OptionsShowInfo,
    OptionsShowBoth,
    OptionsSaveTreeState,
    OptionsOffLine,
    OptionsServer,
    HelpContents,
    HelpWhatsNew,
    HelpSurvey,
    HelpSubmit,
    HelpAnnouncement,
    HelpAbout,
    ShowImage,
    ViewGoToBranch,
    ViewExportBranch,
    ViewWhatChanged,
    ViewBack,
    ViewForward,
    DBPrintSummary,
    DBSaveSummaryPdf,
    ViewMatchNames,
    Count
};
inline constexpr std::size_t ActionCount = static_cast<std::size_t>(TAction::Count);

struct TActionSpec {
    TAction Id;
    const char* Name;     // objectName of the QAction
    const char* Caption;  // menu text with its & accelerator ("" for glyph-button actions)
    const char* Hint;     // shown in the status line
    const char* Key;      // QKeySequence text, "" for none
    const char* Category; // "Database", "View", "Editor", "Options", "Help" or ""
    bool Checkable;
    int RadioGroup; // 0 none, 1 page commands, 2 display modes
};

template <std::size_t N> constexpr bool InEnumOrder(const std::array<TActionSpec, N>& table) {
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(table[i].Id) != i)
            return false;
    return true;
}

const std::array<TActionSpec, ActionCount>& MainActionTable();

// A menu entry: an action, a separator, or the start or end of a submenu.
struct TMenuItem {
    enum class TKind { Action, Separator, SubmenuStart, SubmenuEnd };
    TKind Kind = TKind::Action;
    TAction Id = TAction::Count;
    const char* Caption = nullptr;    // a submenu's caption
    const char* ObjectName = nullptr; // a submenu's objectName

    TMenuItem(TAction id) : Id(id) {} // NOLINT(google-explicit-constructor): the table reads as a list
    static TMenuItem Separator() { return TMenuItem(TKind::Separator); }
    static TMenuItem Submenu(const char* caption, const char* objectName) {
        TMenuItem item(TKind::SubmenuStart);
        item.Caption = caption;
        item.ObjectName = objectName;
        return item;
    }
    static TMenuItem EndSubmenu() { return TMenuItem(TKind::SubmenuEnd); }

private:
    explicit TMenuItem(TKind kind) : Kind(kind) {}
};

struct TMenuSpec {
    const char* Caption;
    const char* ObjectName;
    std::vector<TMenuItem> Items;
};
const std::vector<TMenuSpec>& MainMenuTable();

// The default server address named in the hint of "Change &Server Address...".
QString ServerHint();

// The window's actions, made once from the table. Every action is either connected to a handler
// or marked as not available yet, which keeps it disabled; a test checks that none is left out.
class TMainActions : public QObject {
    Q_OBJECT
public:
    // The actions are added to `window` so that their keys work even while the menu bar is hidden.
    explicit TMainActions(QWidget* window);

    QAction* operator[](TAction id) const { return FActions[static_cast<std::size_t>(id)]; }
    // Runs `handler` when the action is triggered.
    void Connect(TAction id, std::function<void()> handler);
    // A checkable action that shows and turns over a yes/no option (its check mark follows it).
    void ConnectToggle(TAction id, TSetting<bool>& setting);
    // A radio group over one option: each action checked while the option has its value. `choose`
    // runs the command of a value, false when it was refused; the marks then stay as the option is.
    void ConnectChoices(const std::vector<std::pair<TAction, TListType>>& choices,
                        TSetting<TListType>& setting, const std::function<bool(TListType)>& choose);
    // The command has no effect in this version: it stays disabled whatever the window's state.
    void MarkUnavailable(TAction id);
    // What the window's state allows (the editor's two states and the like); the window combines
    // it with "a transfer is under way" in its one enabled-state function.
    void SetAllowed(TAction id, bool allowed);
    bool IsAllowed(TAction id) const { return !FDisallowed[static_cast<std::size_t>(id)]; }
    bool IsWired(TAction id) const { return FWired[static_cast<std::size_t>(id)]; }
    bool IsUnavailable(TAction id) const { return FUnavailable[static_cast<std::size_t>(id)]; }
    void BuildMenus(QMenuBar* bar) const;

private:
    std::array<QAction*, ActionCount> FActions{};
    std::bitset<ActionCount> FWired;
    std::bitset<ActionCount> FUnavailable;
    std::bitset<ActionCount> FDisallowed;

signals:
    void AllowancesChanged();
};

class QPushButton;
// The button shows the action's caption and hint, follows its enabled state and triggers it.
void BindButtonToAction(QPushButton* button, QAction* action);
