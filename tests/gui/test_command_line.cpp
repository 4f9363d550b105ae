// The command line, read before any window exists, and the application-wide icon and version.
#include "AppState.h"
#include "CommandLine.h"

#include <QApplication>
#include <QIcon>
#include <QtTest>

using TAction = TCommandLine::TAction;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void Parses();
    void HelpNamesEveryOption();
    void ApplicationHasIconAndVersion();
};

void TestCommandLine::Parses() {
    const struct {
        QStringList Args;
        TAction Action;
        QString Output; // a part of it
        QString DataDir;
        bool Offline;
    } cases[] = {
        {{}, TAction::Run, "", "", false},
        {{"--offline"}, TAction::Run, "", "", true},
        {{"--data-dir", "/d"}, TAction::Run, "", "/d", false},
        {{"--data-dir=rel/d", "--offline"}, TAction::Run, "", "rel/d", true},
        // The toolkit's own options are its business, with or without their values.
        {{"-platform", "offscreen", "--style=Fusion", "-reverse", "--offline", "-display", ":1"},
         TAction::Run,
         "",
         "",
         true},
        {{"--help"}, TAction::ShowHelp, "Usage: orvandel-viewer [options]\n", "", false},
        {{"-h"}, TAction::ShowHelp, "--data-dir <folder>", "", false},
        {{"--version"}, TAction::ShowVersion, "Orvandel Viewer 2.20c\n", "", false},
        {{"-v"}, TAction::ShowVersion, "2.20c", "", false},
        {{"--bogus"},
         TAction::Fail,
         "orvandel-viewer: Unknown option 'bogus'.\nTry 'orvandel-viewer --help'",
         "",
         false},
        {{"--help", "--bogus"}, TAction::Fail, "Unknown option 'bogus'", "", false},
        {{"file.dat"}, TAction::Fail, "Unexpected argument 'file.dat'", "", false},
        {{"--", "--offline"}, TAction::Fail, "Unexpected argument '--offline'", "", false},
        {{"--data-dir"}, TAction::Fail, "Missing value after '--data-dir'", "", false},
        {{"--data-dir="}, TAction::Fail, "--data-dir needs a folder", "", false},
    };
    for (const auto& c : cases) {
        const QByteArray what = c.Args.join(' ').toLocal8Bit();
        const TCommandLine line = ParseCommandLine(QStringList{"/usr/bin/orvandel-viewer"} + c.Args);
        QVERIFY2(line.Action == c.Action, what.constData());
        const int exitCode = c.Action == TAction::Fail ? 2 : 0;
        if (c.Action != TAction::Run)
            QVERIFY2(line.ExitCode == exitCode && line.Output.contains(c.Output), qPrintable(line.Output));
        QVERIFY2(line.DataDir == c.DataDir && line.Offline == c.Offline, what.constData());
    }
}

void TestCommandLine::HelpNamesEveryOption() {
    const QString help = ParseCommandLine({"orvandel-viewer", "--help"}).Output;
    for (const char* option :
         {"--help", "--version", "--data-dir <folder>", "--offline", "~/.local/share/orvandel-viewer"})
        QVERIFY2(help.contains(QLatin1String(option)), option);
}

void TestCommandLine::ApplicationHasIconAndVersion() {
    ConfigureApplication();
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral("2.20c"));
    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(256, 256)));
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
