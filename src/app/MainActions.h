// The main window's action table: every user command with its caption, hint, key and category,
// and the menus built from it.
#pragma once

#include <QString>
#include <vector>

struct TActionSpec {
    const char* Name;     // objectName of the QAction
    const char* Caption;  // menu text with its & accelerator ("" for glyph-button actions)
    const char* Hint;     // shown in the status line
    const char* Key;      // QKeySequence text, "" for none
    const char* Category; // "Database", "View", "Editor", "Options", "Help" or ""
    bool Checkable;
    int RadioGroup;       // 0 none, 1 page commands, 2 display modes
};

const std::vector<TActionSpec>& MainActionTable();

// A menu entry: an action name, "-" for a separator, ">Caption" opens a submenu and "<" closes it.
struct TMenuSpec {
    const char* Caption;
    const char* ObjectName;
    std::vector<const char*> Items;
};
const std::vector<TMenuSpec>& MainMenuTable();

// The default server address named in the hint of "Change &Server Address...".
QString ServerHint();
