// The command line, read before any window exists, and the application-wide icon and version.
#include "AppState.h"
#include "CommandLine.h"

#include <QApplication>
#include <QIcon>
#include <QtTest>

using EAction = TCommandLine::EAction;

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
        EAction Action;
        QString Output; // a part of it
        QString DataDir;
        bool Offline;
    } cases[] = {
        {{}, EAction::Run, "", "", false},
        {{"--offline"}, EAction::Run, "", "", true},
        {{"--data-dir", "/d"}, EAction::Run, "", "/d", false},
        {{"--data-dir=rel/d", "--offline"}, EAction::Run, "", "rel/d", true},
        // The toolkit's own options are its business, with or without their values.
        {{"-platform", "offscreen", "--style=Fusion", "-reverse", "--offline", "-display", ":1"},
         EAction::Run,
         "",
         "",
         true},
        {{"--help"}, EAction::ShowHelp, "Usage: orvandel-viewer [options]\n", "", false},
        {{"-h"}, EAction::ShowHelp, "--data-dir <folder>", "", false},
        {{"--version"}, EAction::ShowVersion, "Orvandel Viewer 2.20c\n", "", false},
        {{"-v"}, EAction::ShowVersion, "2.20c", "", false},
        {{"--bogus"},
         EAction::Fail,
         "orvandel-viewer: Unknown option 'bogus'.\nTry 'orvandel-viewer --help'",
         "",
         false},
        {{"--help", "--bogus"}, EAction::Fail, "Unknown option 'bogus'", "", false},
        {{"file.dat"}, EAction::Fail, "Unexpected argument 'file.dat'", "", false},
        {{"--", "--offline"}, EAction::Fail, "Unexpected argument '--offline'", "", false},
        {{"--data-dir"}, EAction::Fail, "Missing value after '--data-dir'", "", false},
        {{"--data-dir="}, EAction::Fail, "--data-dir needs a folder", "", false},
    };
    for (const auto& c : cases) {
        const QByteArray what = c.Args.join(' ').toLocal8Bit();
        const TCommandLine line = ParseCommandLine(QStringList{"/usr/bin/orvandel-viewer"} + c.Args);
        QVERIFY2(line.Action == c.Action, what.constData());
        const int exitCode = c.Action == EAction::Fail ? 2 : 0;
        if (c.Action != EAction::Run)
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
