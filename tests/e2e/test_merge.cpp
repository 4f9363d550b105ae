// Merging a level's user database into its database, and the statistics report, on real files.
#include "GuiFixture.h"
#include "Global.h"
#include "Merge.h"

#include <QtTest>

// Found by QCOMPARE through the type's namespace.
static bool operator==(const TMergeResult& a, const TMergeResult& b) {
    return a.Merged == b.Merged && a.Replaced == b.Replaced;
}

static char* toString(const TMergeResult& r) {
    return QTest::toString(QString("merged %1, replaced %2").arg(r.Merged).arg(r.Replaced));
}

namespace {

TMergeResult Result(int merged, int replaced) { return {merged, replaced}; }

// The genus lines of one id with their species lines, as the database holds them.
QStringList SpeciesOf(const std::string& genusFile, const QString& id) {
    QStringList species;
    bool inside = false;
    for (const QString& line : QString::fromStdString(genusFile).split("\r\n")) {
        if (line.isEmpty())
            continue;
        if (!line.startsWith('\t'))
            inside = line.section('#', 0, 0) == id;
        else if (inside)
            species << line.section('#', 1, 1);
    }
    return species;
}

} // namespace

class TestMerge : public QObject {
    Q_OBJECT
private slots:
    void ReplaceYesAndNo();
    void GenusTakesItsSpeciesAlong();
    void MergingTwiceChangesNothingMore();
    void MissingFilesAndStrayLines();
    void StatisticReportText();
};

void TestMerge::ReplaceYesAndNo() {
    TGuiFixture fx;
    const std::string db = "a#Alpha#x#old a\r\nb#Beta#x#b\r\na#Alpha#x#second old a\r\n";
    const std::string user = "a#Alpha#x#mine\r\nz#Zeta#x#new\r\n";
    fx.Write("class.dat", db);
    fx.Write("usr_class.dat", user);
    // Every record with the id goes; the user version sits once, at the end.
    QCOMPARE(MergeUserDatabase(0, true), Result(2, 1));
    QCOMPARE(fx.Read("class.dat"), std::string("b#Beta#x#b\r\na#Alpha#x#mine\r\nz#Zeta#x#new\r\n"));
    QCOMPARE(fx.Read("usr_class.dat"), user);

    // Without replacing only new ids are added.
    fx.Write("class.dat", db);
    QCOMPARE(MergeUserDatabase(0, false), Result(1, 0));
    QCOMPARE(fx.Read("class.dat"), db + "z#Zeta#x#new\r\n");

    // Nothing new: nothing merged, the database as it was.
    fx.Write("usr_order.dat", "o1#Ordina#x#mine\r\n");
    fx.Write("order.dat", "o1#Ordina#x#theirs\r\no2#Other#x#o\r\n");
    QCOMPARE(MergeUserDatabase(2, false), Result(0, 0));
    QCOMPARE(fx.Read("order.dat"), std::string("o1#Ordina#x#theirs\r\no2#Other#x#o\r\n"));

    // A user record repeated: the second no longer finds a database record to replace.
    fx.Write("family.dat", "f#F#x#old\r\n");
    fx.Write("usr_family.dat", "f#F#x#one\r\nf#F#x#two\r\n");
    QCOMPARE(MergeUserDatabase(4, true), Result(2, 1));
    QCOMPARE(fx.Read("family.dat"), std::string("f#F#x#one\r\nf#F#x#two\r\n"));
}

void TestMerge::GenusTakesItsSpeciesAlong() {
    TGuiFixture fx;
    const std::string db = "g1#Alpha#a#A#Hopper#Alpha korvel#-#####a\r\n"
                           "\t#s1#one#x\r\n\t#s2#two#x\r\n\t#s3#three#x\r\n\t#s4#four#x\r\n\t#s5#five#x\r\n"
                           "g2#Beta#b#B#Hopper#Beta korvel#-#####b\r\n"
                           "\t#t1#one#x\r\n";
    const std::string user = "g1#Alpha#a#Mine#Hopper#Alpha korvel#-#####a\r\n"
                             "\t#u1#one#mine\r\n\t#u2#two#mine\r\n";
    fx.Write("genus.dat", db);
    fx.Write("usr_genus.dat", user);
    QCOMPARE(MergeUserDatabase(GenusLevel, false), Result(0, 0));
    QCOMPARE(fx.Read("genus.dat"), db);
    QCOMPARE(MergeUserDatabase(GenusLevel, true), Result(1, 1));
    const std::string merged = fx.Read("genus.dat");
    QCOMPARE(SpeciesOf(merged, "g1"), QStringList({"u1", "u2"}));
    QCOMPARE(SpeciesOf(merged, "g2"), QStringList{"t1"});
    QCOMPARE(merged, std::string("g2#Beta#b#B#Hopper#Beta korvel#-#####b\r\n\t#t1#one#x\r\n") + user);
}

void TestMerge::MergingTwiceChangesNothingMore() {
    TGuiFixture fx;
    fx.Write("genus.dat", "g1#Alpha#a#A#####-#####a\r\n\t#s1#x#y\r\ng2#Beta#b#B#####-#####b\r\n");
    fx.Write("usr_genus.dat", "g2#Beta#b#Mine#####-#####b\r\n\t#m#x#y\r\ng9#New#n#N#####-#####n\r\n");
    fx.Write("subclass.dat", "s1#Sub#x#old\r\n");
    fx.Write("usr_subclass.dat", "s1#Sub#x#mine\r\ns2#Two#x#new\r\n");
    for (int level : {1, GenusLevel}) {
        const TMergeResult first = MergeUserDatabase(level, true);
        const std::string once = fx.Read(QString::fromLatin1(LevelFiles[size_t(level) + 1]));
        // The second time every user record is merged and replaces its own earlier copy.
        QCOMPARE(MergeUserDatabase(level, true), Result(2, 2));
        QCOMPARE(fx.Read(QString::fromLatin1(LevelFiles[size_t(level) + 1])), once);
        QCOMPARE(first, Result(2, 1));
    }
}

void TestMerge::MissingFilesAndStrayLines() {
    TGuiFixture fx;
    QStringList status;
    SetStatusHook([&](const std::string& text) { status << QString::fromStdString(text); });
    // No user database: nothing to do, no database made.
    QCOMPARE(MergeUserDatabase(3, true), Result(0, 0));
    QVERIFY(!fx.Exists("suborder.dat"));
    QCOMPARE(status, QStringList({"Merging user Suborder(s)...", "Ready"}));
    SetStatusHook({});

    // No database: it is made of the user records; lines that belong to no record, and records
    // without an id, are left out.
    fx.Write("usr_genus.dat", "\t#orphan#x#y\r\n\r\ng1#Alpha#a#A#####-#####a\r\n\t#s#x#y\r\n\r\n"
                              "#NoId#n#N#####-#####\r\n\t#lost#x#y\r\ng2#Beta#b#B#####-#####b\r\n");
    QCOMPARE(MergeUserDatabase(GenusLevel, false), Result(2, 0));
    QCOMPARE(fx.Read("genus.dat"), std::string("g1#Alpha#a#A#####-#####a\r\n\t#s#x#y\r\ng2#Beta#b#B#####-#####b\r\n"));

    // An empty id matches nothing at any level: the database's empty line stays.
    fx.Write("usr_family.dat", "#Nameless#x#y\r\n");
    fx.Write("family.dat", "f1#F#x#y\r\n\r\n");
    QCOMPARE(MergeUserDatabase(4, true), Result(0, 0));
    QCOMPARE(fx.Read("family.dat"), std::string("f1#F#x#y\r\n\r\n"));
}

void TestMerge::StatisticReportText() {
    TGuiFixture fx;
    const std::string head = "Your Taxonomy tree was last updated in Monday 7, December, 2026.\n"
                             "Your database files contain:\n\n";
    QCOMPARE(StatisticReport("Monday 7, December, 2026"),
             head + "\t0 Class(s)\n\t0 Subclass(s)\n\t0 Order(s)\n\t0 Suborder(s)\n\t0 Family(s)\n\t0 Genus(s)\n"
                    "\t0 Species(s)");
    fx.Write("class.dat", "c1#A#x#y\r\n\r\nc1#A#x#duplicate\r\nc2#B#x#y");
    fx.Write("usr_class.dat", "c3#C#x#y\r\n");
    fx.Write("usr_genus.dat", "u1#U#x#y\r\n");
    fx.Write("genus.dat", "\r\ng1#A#x#y\r\n\t#s1#a#b\r\n\t#s2#a#b\r\n\r\n\t#s3#a#b\r\n"
                          "g2#B#x#y\r\n\t#s4#a#b\r\n\t#s5#a#b\r\n\r\n");
    // Lines as they stand: a duplicated id counts twice; user databases do not count.
    QCOMPARE(StatisticReport("Monday 7, December, 2026"),
             head + "\t3 Class(s)\n\t0 Subclass(s)\n\t0 Order(s)\n\t0 Suborder(s)\n\t0 Family(s)\n\t2 Genus(s)\n"
                    "\t5 Species(s)");
}

QTEST_MAIN(TestMerge)
#include "test_merge.moc"
