// The program's command line: --help, --version, --data-dir DIR and --offline. Parsed before
// any window exists, so --help and --version work without a display.
#pragma once

#include <QString>
#include <QStringList>

struct TCommandLine {
    enum class TAction { Run, ShowHelp, ShowVersion, Fail };
    TAction Action = TAction::Run;
    // What to print: help or version on standard output, an error on standard error.
    QString Output;
    // The exit code when the program does not run: 0 for help and version, 2 for a bad line.
    int ExitCode = 0;
    QString DataDir; // empty when not given
    bool Offline = false;
};

// The version the program reports.
inline constexpr const char* ProgramVersionLong = "2.20c";

// Reads the arguments (the program's name first). Options of the toolkit (-platform, -style,
// -display, ...) are left for it and never reported as unknown.
TCommandLine ParseCommandLine(const QStringList& arguments);
// The arguments without the toolkit's own options and their values.
QStringList WithoutToolkitOptions(const QStringList& arguments);
