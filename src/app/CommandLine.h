// The program's command line: --help, --version, --data-dir DIR, --offline and
// --compare OLD NEW [--compare-format text|tsv] and --match FILE. Parsed before any window exists, so --help,
// --version, --compare and --match work without a display.
#pragma once

#include <QString>
#include <QStringList>

#include <iosfwd>

struct TCommandLine {
    enum class TAction { Run, ShowHelp, ShowVersion, Compare, Match, Fail };
    enum class TCompareFormat { Text, Tsv };
    TAction Action = TAction::Run;
    // What to print: help or version on standard output, an error on standard error.
    QString Output;
    // The exit code when the program does not run: 0 for help and version, 2 for a bad line.
    int ExitCode = 0;
    QString DataDir; // empty when not given
    bool Offline = false;
    // --compare: the old data folder, the new one and how to write what changed.
    QString CompareOld;
    QString CompareNew;
    TCompareFormat CompareFormat = TCompareFormat::Text;
    QString MatchFile; // --match: the list of names
};

// The version the program reports.
inline constexpr const char* ProgramVersionLong = "2.20c";

// Reads the arguments (the program's name first). Options of the toolkit (-platform, -style,
// -display, ...) are left for it and never reported as unknown.
TCommandLine ParseCommandLine(const QStringList& arguments);
// The arguments without the toolkit's own options and their values.
QStringList WithoutToolkitOptions(const QStringList& arguments);
// Runs --compare: what changed from the old data folder to the new one goes to `out`, an error to
// `err`. Returns the exit code: 0, or 2 when the folders cannot be compared.
int RunCompare(const TCommandLine& line, std::ostream& out, std::ostream& err);
// Runs --match: each name of the file matched against the data folder's tree and species, as TSV to
// `out`. Returns 0, or 2 (a message on `err`) when the file or the data cannot be read.
int RunMatch(const TCommandLine& line, std::ostream& out, std::ostream& err);
