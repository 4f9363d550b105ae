#include "CommandLine.h"

#include "Constants.h"
#include "DataCompare.h"
#include "DataFolder.h"
#include "Errors.h"
#include "NameMatcher.h"
#include "Platform.h"
#include "TextFiles.h"

#include <QCommandLineParser>
#include <QFile>

#include <exception>
#include <ostream>
#include <sys/stat.h>

namespace {

const char* const ExecutableName = "orvandel-viewer";

// Qt's own options, taken by QApplication; those that take a value (also as -name=value).
const char* const ToolkitValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "qmljsdebugger"};
const char* const ToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb"};

// "-platform", "--platform" -> "platform"; anything else -> empty.
QString ToolkitName(const QString& argument) {
    if (!argument.startsWith('-') || argument == "--")
        return {};
    QString name = argument.mid(argument.startsWith("--") ? 2 : 1);
    return name.section('=', 0, 0);
}

TCommandLine Failure(const QString& reason) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Fail;
    result.ExitCode = 2;
    result.Output =
        QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(ExecutableName, reason);
    return result;
}

} // namespace

QStringList WithoutToolkitOptions(const QStringList& arguments) {
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--") {
            kept << arguments.mid(i);
            break;
        }
        const QString name = ToolkitName(arg);
        bool isValueOption = false, isFlag = false;
        for (const char* option : ToolkitValueOptions)
            isValueOption = isValueOption || name == QLatin1String(option);
        for (const char* flag : ToolkitFlags)
            isFlag = isFlag || (name == QLatin1String(flag) && !arg.contains('='));
        if (isValueOption && !arg.contains('='))
            ++i; // its value follows
        else if (!isValueOption && !isFlag)
            kept << arg;
    }
    return kept;
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("%1 %2: browse and edit the taxonomy of the Korvel.")
                                         .arg(AppTitle, ProgramVersionLong));
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption dataDir(
        "data-dir",
        "Keep the program's files in <folder>, filled from the installed data when it has none. Without "
        "it they are kept beside the program when it can write there, otherwise in "
        "$XDG_DATA_HOME/orvandel-viewer (~/.local/share/orvandel-viewer).",
        "folder");
    const QCommandLineOption offline("offline", "Start in off-line mode; the stored option stays as it is.");
    const QCommandLineOption compare(
        "compare",
        "Print what changed from the data folder <old> to the data folder <new> (the two folders that "
        "follow) and exit: the branches of the tree added, removed, renamed and moved, the records whose "
        "fields changed (species included) and the counts per rank. Needs no display. A folder without "
        "classifytree.dat, or a database that only one folder has, ends it with exit code 2.");
    const QCommandLineOption compareFormat(
        "compare-format",
        "How --compare writes: text (the default), or tsv: a header line, then one line per change with "
        "the tab-separated columns kind, level, id, name, field, before, after. Kinds: added, removed, "
        "renamed, moved, info-changed, record-added, record-removed, record-changed (one line per field; a "
        "species is the field \"Species <name>\"). A TAB, line break or backslash in a value is written "
        "as \\t, \\n (\\r) or \\\\.",
        "format");
    const QCommandLineOption match(
        "match",
        "Match each name of <file> (one a line, authors and years after it ignored) against the branches "
        "of the tree and the species of genus.dat (as \"Genus epithet\") of the data folder, print the "
        "outcome as TSV and exit: a header line, then per name the tab-separated columns name, kind "
        "(exact, folded, planned, suggestion, none), match, path, rank and suggestions (up to three, "
        "separated by \"; \"), escaped as --compare-format tsv writes them. Needs no display. A file that "
        "cannot be read ends it with exit code 2.",
        "file");
    parser.addOptions({help, version, dataDir, offline, compare, compareFormat, match});

    const QStringList ours = WithoutToolkitOptions(arguments);
    if (!parser.parse(ours)) {
        // The toolkit names an unknown option without its dashes; the user typed them.
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            for (const QString& arg : ours.mid(1)) {
                const QString typed = arg.section(QLatin1Char('='), 0, 0);
                if (typed.startsWith(QLatin1Char('-')) &&
                    typed.mid(typed.startsWith(QLatin1String("--")) ? 2 : 1) == unknown.first())
                    return Failure(QStringLiteral("Unknown option '%1'.").arg(typed));
            }
        return Failure(parser.errorText());
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(compare) && positional.size() != 2)
        return Failure(QStringLiteral("--compare needs two data folders, the old one and the new one."));
    if (parser.isSet(compare) && parser.isSet(match))
        return Failure(QStringLiteral("--compare and --match go alone."));
    if (!parser.isSet(compare) && !positional.isEmpty())
        return Failure(QStringLiteral("Unexpected argument '%1'.").arg(positional.first()));

    TCommandLine result;
    if (parser.isSet(help)) {
        result.Action = TCommandLine::TAction::ShowHelp;
        // The usage line names the program as it is installed, not the path it was started by.
        QString text = parser.helpText();
        const qsizetype end = text.indexOf('\n');
        result.Output =
            QStringLiteral("Usage: %1 [options]\n       %1 --compare <old> <new> [--compare-format tsv]\n"
                           "       %1 --match <file> [--data-dir <folder>]")
                .arg(ExecutableName) +
            text.mid(end);
        return result;
    }
    if (parser.isSet(version)) {
        result.Action = TCommandLine::TAction::ShowVersion;
        result.Output = QStringLiteral("%1 %2\n").arg(AppTitle, ProgramVersionLong);
        return result;
    }
    if (parser.isSet(dataDir)) {
        result.DataDir = parser.value(dataDir);
        if (result.DataDir.isEmpty())
            return Failure(QStringLiteral("--data-dir needs a folder."));
    }
    result.Offline = parser.isSet(offline);
    if (parser.isSet(compareFormat)) {
        if (!parser.isSet(compare))
            return Failure(QStringLiteral("--compare-format goes with --compare."));
        const QString format = parser.value(compareFormat);
        if (format != QLatin1String("text") && format != QLatin1String("tsv"))
            return Failure(QStringLiteral("Unknown --compare-format '%1': use text or tsv.").arg(format));
        result.CompareFormat = format == QLatin1String("tsv") ? TCommandLine::TCompareFormat::Tsv
                                                              : TCommandLine::TCompareFormat::Text;
    }
    if (parser.isSet(compare)) {
        result.Action = TCommandLine::TAction::Compare;
        result.CompareOld = positional[0];
        result.CompareNew = positional[1];
    }
    if (parser.isSet(match)) {
        result.Action = TCommandLine::TAction::Match;
        result.MatchFile = parser.value(match);
    }
    return result;
}

int RunCompare(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string before = line.CompareOld.toLocal8Bit().toStdString();
    const std::string after = line.CompareNew.toLocal8Bit().toStdString();
    TDataComparison comparison;
    try {
        comparison = CompareDataFolders(before, after);
    } catch (const std::exception& e) {
        err << ExecutableName << ": " << e.what() << '\n';
        return 2;
    }
    if (line.CompareFormat == TCommandLine::TCompareFormat::Tsv) {
        WriteComparisonTsv(out, comparison);
    } else {
        out << "Old data: " << before << "\nNew data: " << after << "\n\n";
        WriteComparisonText(out, comparison);
    }
    out.flush();
    return 0;
}

int RunMatch(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string path = QFile::encodeName(line.MatchFile).toStdString();
    try {
        // A pipe or a device would be waited on, not read.
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
            throw EFOpenError(path + ": not a file of names");
        const std::string names = ReadFileBytes(path);
        // A folder named is only read (never made or filled, as a start of the program would);
        // otherwise the one the program uses.
        std::string folder = QFile::encodeName(line.DataDir).toStdString();
        if (folder.empty())
            folder = ChooseDataFolder(DataFolderRequestFromEnvironment({})).Folder;
        else if (folder.back() != '/')
            folder += '/';
        SetProgramFolder(folder);
        TTaxonomyTree tree;
        if (LoadTree(tree) != 0)
            throw EOrvError(folder + ": there is no taxonomy tree in this data folder");
        const TNameMatcher matcher(tree, AppFile("genus.dat"));
        WriteMatchTsv(out, matcher, names);
    } catch (const std::exception& e) {
        err << ExecutableName << ": " << e.what() << '\n';
        return 2;
    }
    out.flush();
    return 0;
}
