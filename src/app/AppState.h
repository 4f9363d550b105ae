// Program-wide state of the running application.
#pragma once

// What a request to quit from outside (a signal, a logout) runs first: it stops a transfer that
// would otherwise hold the program until it ends. Empty by default.
#include <functional>
void SetQuitRequestHandler(std::function<void()> handler);
void RequestQuit();
// A logout or a kill (SIGTERM, SIGINT, SIGHUP) ends the program the way closing it does at
// shut-down, so the tree, the options and the edits are written. The handler only wakes the event
// loop (self-pipe); leaving every event loop also ends a question that start-up is still asking.
class QObject;
void QuitOnSignals(QObject* owner);
// Whether the program is ending on such a request: a question it cut short was not answered.
bool QuitWasRequested();

// Application-wide settings made once before the main window exists: the application title,
// version and window icon, the short-date format of the user's locale (with a four-digit year).
void ConfigureApplication();

// The program's icon at the sizes it ships in (the same as the desktop menu's).
class QIcon;
QIcon ProgramIcon();

// The locale's short date pattern turned into the store's tokens, with a four-digit year.
#include <QString>
QString ShortDatePatternFromLocale(const QString& qtPattern);

// Puts the program-wide state (store, search, server exchange, start-up flags) and every hook a
// window or test may set (quit request, host look-up, timer errors, link opener, status line)
// back to that of a fresh start; tests run many program lives in one process.
void ResetAppState();
