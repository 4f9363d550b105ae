#include "CommandLine.h"

#include "Constants.h"

#include <QCommandLineParser>

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
    parser.addOptions({help, version, dataDir, offline});

    if (!parser.parse(WithoutToolkitOptions(arguments)))
        return Failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return Failure(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    TCommandLine result;
    if (parser.isSet(help)) {
        result.Action = TCommandLine::TAction::ShowHelp;
        // The usage line names the program as it is installed, not the path it was started by.
        QString text = parser.helpText();
        const qsizetype end = text.indexOf('\n');
        result.Output = QStringLiteral("Usage: %1 [options]").arg(ExecutableName) + text.mid(end);
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
    return result;
}
