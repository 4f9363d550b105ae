#pragma once
// Menu actions bound to the options they show: the check mark follows the setting from then on,
// whoever changes it (the menu, a question, the start-up's reading of the file).

#include "Options.h"

class QAction;

// Checkable action of a yes/no option: triggering it turns the option over.
void BindToggle(QAction* action, TSetting<bool>& setting);
// One action of a radio group: checked while the option has `value`. Triggering stays the
// caller's command, which sets the option (and does whatever else the choice needs).
void BindChoice(QAction* action, TSetting<TListType>& setting, TListType value);
