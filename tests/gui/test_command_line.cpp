// The command line, read before any window exists, and the application-wide icon and version.
#include "AppState.h"
#include "CommandLine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

using TAction = TCommandLine::TAction;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void Parses();
    void HelpNamesEveryOption();
    void ParsesCompare();
    void ComparesDataFolders();
    void MatchesNames();
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
         "orvandel-viewer: Unknown option '--bogus'.\nTry 'orvandel-viewer --help'",
         "",
         false},
        {{"--help", "--bogus"}, TAction::Fail, "Unknown option '--bogus'", "", false},
        {{"-x=1"}, TAction::Fail, "Unknown option '-x'", "", false},
        {{"file.dat"}, TAction::Fail, "Unexpected argument 'file.dat'", "", false},
        {{"--", "--offline"}, TAction::Fail, "Unexpected argument '--offline'", "", false},
        {{"--data-dir"}, TAction::Fail, "Missing value after '--data-dir'", "", false},
        {{"--data-dir="}, TAction::Fail, "--data-dir needs a folder", "", false},
        {{"--compare", "old", "new"}, TAction::Compare, "", "", false},
        {{"--compare"}, TAction::Fail, "--compare needs two data folders", "", false},
        {{"--compare", "a", "b", "c"}, TAction::Fail, "--compare needs two data folders", "", false},
        {{"--compare-format", "tsv"}, TAction::Fail, "--compare-format goes with --compare", "", false},
        {{"--compare", "a", "b", "--compare-format", "csv"},
         TAction::Fail,
         "Unknown --compare-format 'csv': use text or tsv",
         "",
         false},
        {{"--compare", "a", "b", "--compare-format"},
         TAction::Fail,
         "Missing value after '--compare-format'",
         "",
         false},
        {{"--match", "names.txt", "--data-dir", "/d"}, TAction::Match, "", "/d", false},
        {{"--match"}, TAction::Fail, "Missing value after '--match'", "", false},
        {{"--match", "n", "--compare", "a", "b"}, TAction::Fail, "--compare and --match go alone", "", false},
        {{"--match", "n", "extra"}, TAction::Fail, "Unexpected argument 'extra'", "", false},
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
         {"--help", "--version", "--data-dir <folder>", "--offline", "~/.local/share/orvandel-viewer",
          "orvandel-viewer --compare <old> <new> [--compare-format tsv]", "--compare-format <format>",
          "columns kind, level, id, name, field,", "orvandel-viewer --match <file> [--data-dir <folder>]",
          "--match <file>"})
        QVERIFY2(help.contains(QLatin1String(option)), option);
}

void TestCommandLine::ParsesCompare() {
    using TFormat = TCommandLine::TCompareFormat;
    const struct {
        QStringList Args;
        QString Old, New;
        TFormat Format;
    } cases[] = {
        {{"--compare", "/a", "/b"}, "/a", "/b", TFormat::Text},
        {{"/a", "--compare", "/b", "--compare-format=tsv"}, "/a", "/b", TFormat::Tsv},
        {{"--compare-format", "text", "--compare", "x y", "z"}, "x y", "z", TFormat::Text},
    };
    for (const auto& c : cases) {
        const TCommandLine line = ParseCommandLine(QStringList{"orvandel-viewer"} + c.Args);
        QVERIFY2(line.Action == TAction::Compare, qPrintable(line.Output));
        QCOMPARE(line.CompareOld, c.Old);
        QCOMPARE(line.CompareNew, c.New);
        QVERIFY(line.CompareFormat == c.Format);
    }
}

// Two small data folders compared as the command line does it: text, tab-separated, and the
// errors that end it with exit code 2 and nothing on standard output.
void TestCommandLine::ComparesDataFolders() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString before = temp.filePath("old"), after = temp.filePath("new");
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    for (const QString& folder : {before, after})
        QVERIFY(QDir().mkpath(folder));
    write(before + "/classifytree.dat",
          "#c1#Korvelia#k\r\n\t\t\t\t\t#g1#Alpha#a\r\n\t\t\t\t\t#g2#Beta#b\r\n");
    write(after + "/classifytree.dat", "#c1#Korvelia#k\r\n\t\t\t\t\t#g1#Alphina#a\r\n");
    write(before + "/order.dat", "o1#Ordina#walkers#\r\n");
    write(after + "/order.dat", "o1#Ordina#striders#\r\n");

    const struct {
        QStringList Args;
        int ExitCode;
        std::string Out; // all of it, or for text a part of it
        std::string Err; // a part of it
    } cases[] = {
        {{"--compare", before, after, "--compare-format", "tsv"},
         0,
         "kind\tlevel\tid\tname\tfield\tbefore\tafter\n"
         "renamed\tGenus\tg1\tAlphina\tName\tAlpha\tAlphina\n"
         "removed\tGenus\tg2\tBeta\tParent\tClass c1\t\n"
         "record-changed\tOrder\to1\tOrdina\tMeaning\twalkers\tstriders\n",
         ""},
        {{"--compare", before, after},
         0,
         "  Genus             2 ->         1   1 removed, 1 renamed\n"
         "  Species           0 ->         0\n\n"
         "Branches removed (1):\n"
         "  Genus g2 Beta, was in Class c1\n\n"
         "Branches renamed (1):\n"
         "  Genus g1: Alpha -> Alphina\n\n"
         "Records changed (1):\n"
         "  Order o1 Ordina\n"
         "    Meaning\n"
         "      - walkers\n"
         "      + striders\n",
         ""},
        {{"--compare", before, temp.filePath("none")}, 2, "", "none: there is no such folder\n"},
        {{"--compare", temp.path(), after, "--compare-format", "tsv"}, 2, "", "it is not a data folder"},
    };
    for (const auto& c : cases) {
        const TCommandLine line = ParseCommandLine(QStringList{"orvandel-viewer"} + c.Args);
        QVERIFY(line.Action == TAction::Compare);
        std::ostringstream out, err;
        QCOMPARE(RunCompare(line, out, err), c.ExitCode);
        if (c.ExitCode != 0 || c.Args.contains("tsv"))
            QCOMPARE(out.str(), c.Out);
        else
            QVERIFY2(out.str().find(c.Out) != std::string::npos, out.str().c_str());
        QVERIFY2(err.str().find(c.Err) != std::string::npos, err.str().c_str());
        QVERIFY2(c.ExitCode == 0 ? err.str().empty() : err.str().starts_with("orvandel-viewer: "),
                 err.str().c_str());
    }
    // The text names both folders first.
    std::ostringstream out, err;
    RunCompare(ParseCommandLine({"orvandel-viewer", "--compare", before, after}), out, err);
    QVERIFY(out.str().starts_with("Old data: " + before.toStdString() + "\nNew data: " + after.toStdString() +
                                  "\n"));
}

// A list of names matched against a data folder as TSV, and what ends it with exit code 2.
void TestCommandLine::MatchesNames() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(temp.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    QVERIFY(QDir().mkpath(temp.filePath("data")));
    QVERIFY(QDir().mkpath(temp.filePath("empty")));
    write("data/classifytree.dat", "#c1#Korvelia#k\r\n\t\t\t\t\t#g1#Alphavelis#a\r\n");
    write("data/genus.dat", "g1#Alphavelis#m#d#k#c#-#o#u#o#u#w\r\n\t#sulcata#furrowed#x\r\n");
    write("names.txt", "alphavelis sulcata Tessmer, 1887\r\nAlphavelsi\r\n\r\nKor\tvelia\\\n");
    const QString data = temp.filePath("data");
    const struct {
        QStringList Args;
        int ExitCode;
        std::string Out;
        std::string Err; // a part of it
    } cases[] = {
        {{"--match", temp.filePath("names.txt"), "--data-dir", data},
         0,
         "name\tkind\tmatch\tpath\trank\tsuggestions\n"
         "alphavelis sulcata Tessmer, 1887\tfolded\tAlphavelis sulcata\tKorvelia > Alphavelis > Alphavelis "
         "sulcata\tSpecies\t\n"
         "Alphavelsi\tsuggestion\t\t\t\tAlphavelis\n"
         "Kor\\tvelia\\\\\tnone\t\t\t\t\n",
         ""},
        {{"--match", temp.filePath("none.txt"), "--data-dir", data}, 2, "", "none.txt"},
        {{"--match", temp.path(), "--data-dir", data}, 2, "", "not a file of names"},
        {{"--match", temp.filePath("names.txt"), "--data-dir", temp.filePath("empty")},
         2,
         "",
         "there is no taxonomy tree"},
        {{"--match", temp.filePath("names.txt"), "--data-dir", temp.filePath("none")},
         2,
         "",
         "there is no taxonomy tree"},
    };
    for (const auto& c : cases) {
        const TCommandLine line = ParseCommandLine(QStringList{"orvandel-viewer"} + c.Args);
        QVERIFY(line.Action == TAction::Match);
        std::ostringstream out, err;
        QCOMPARE(RunMatch(line, out, err), c.ExitCode);
        QCOMPARE(out.str(), c.Out);
        QVERIFY2(err.str().find(c.Err) != std::string::npos, err.str().c_str());
        QVERIFY2(c.ExitCode == 0 ? err.str().empty() : err.str().starts_with("orvandel-viewer: "),
                 err.str().c_str());
    }
    // The data folders are only read.
    QVERIFY(!QDir(temp.filePath("none")).exists());
    QCOMPARE(QDir(temp.filePath("empty")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
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
