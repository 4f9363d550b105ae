// The command line, read before any window exists, and the application-wide icon and version.
#include "AppState.h"
#include "CommandLine.h"

#include <QApplication>
#include <QIcon>
#include <QtTest>

using EAction = TCommandLine::EAction;
Q_DECLARE_METATYPE(EAction)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void Parses_data();
    void Parses();
    void HelpNamesEveryOption();
    void ApplicationHasIconAndVersion();
};

void TestCommandLine::Parses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<EAction>("action");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // a part of it
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<bool>("offline");

    QTest::newRow("nothing") << QStringList{} << EAction::Run << 0 << "" << "" << false;
    QTest::newRow("offline") << QStringList{"--offline"} << EAction::Run << 0 << "" << "" << true;
    QTest::newRow("data-dir") << QStringList{"--data-dir", "/d"} << EAction::Run << 0 << "" << "/d" << false;
    QTest::newRow("data-dir=") << QStringList{"--data-dir=rel/d", "--offline"} << EAction::Run << 0 << ""
                               << "rel/d" << true;
    // The toolkit's own options are its business, with or without their values.
    QTest::newRow("toolkit options") << QStringList{"-platform", "offscreen", "--style=Fusion", "-reverse",
                                                    "--offline", "-display", ":1"}
                                     << EAction::Run << 0 << "" << "" << true;
    QTest::newRow("help") << QStringList{"--help"} << EAction::ShowHelp << 0 << "Usage: orvandel-viewer [options]\n"
                          << "" << false;
    QTest::newRow("-h") << QStringList{"-h"} << EAction::ShowHelp << 0 << "--data-dir <folder>" << "" << false;
    QTest::newRow("version") << QStringList{"--version"} << EAction::ShowVersion << 0 << "Orvandel Viewer 2.20c\n"
                             << "" << false;
    QTest::newRow("-v") << QStringList{"-v"} << EAction::ShowVersion << 0 << "2.20c" << "" << false;
    QTest::newRow("unknown") << QStringList{"--bogus"} << EAction::Fail << 2
                             << "orvandel-viewer: Unknown option 'bogus'.\nTry 'orvandel-viewer --help'" << ""
                             << false;
    QTest::newRow("unknown beats help") << QStringList{"--help", "--bogus"} << EAction::Fail << 2
                                        << "Unknown option 'bogus'" << "" << false;
    QTest::newRow("argument") << QStringList{"file.dat"} << EAction::Fail << 2 << "Unexpected argument 'file.dat'"
                              << "" << false;
    QTest::newRow("after --") << QStringList{"--", "--offline"} << EAction::Fail << 2
                              << "Unexpected argument '--offline'" << "" << false;
    QTest::newRow("no folder") << QStringList{"--data-dir"} << EAction::Fail << 2
                               << "Missing value after '--data-dir'" << "" << false;
    QTest::newRow("empty folder") << QStringList{"--data-dir="} << EAction::Fail << 2 << "--data-dir needs a folder"
                                  << "" << false;
}

void TestCommandLine::Parses() {
    QFETCH(QStringList, args);
    QFETCH(EAction, action);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, dataDir);
    QFETCH(bool, offline);
    const TCommandLine line = ParseCommandLine(QStringList{"/usr/bin/orvandel-viewer"} + args);
    QCOMPARE(line.Action, action);
    if (action != EAction::Run) {
        QCOMPARE(line.ExitCode, exitCode);
        QVERIFY2(line.Output.contains(output), qPrintable(line.Output));
    }
    QCOMPARE(line.DataDir, dataDir);
    QCOMPARE(line.Offline, offline);
}

void TestCommandLine::HelpNamesEveryOption() {
    const QString help = ParseCommandLine({"orvandel-viewer", "--help"}).Output;
    for (const char* option : {"--help", "--version", "--data-dir <folder>", "--offline", "~/.local/share/orvandel-viewer"})
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
