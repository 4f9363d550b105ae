// Merging a level's user database into its database, and the statistics report, on real files.
#include "Merge.h"
#include "TempFolder.h"

#include <filesystem>
#include <sstream>
#include <vector>

// Printed by GoogleTest when a comparison fails.
static bool operator==(const TMergeResult& a, const TMergeResult& b) {
    return a.Merged == b.Merged && a.Replaced == b.Replaced;
}
static std::ostream& operator<<(std::ostream& out, const TMergeResult& r) {
    return out << "merged " << r.Merged << ", replaced " << r.Replaced;
}

namespace {

TMergeResult Result(int merged, int replaced) {
    return {merged, replaced, {}};
}

// What became of each user record: "replaced a Alpha, added z Zeta".
std::string Outcomes(const TMergeResult& r) {
    static const char* const names[] = {"added", "replaced", "skipped"};
    std::string s;
    for (const TMergedRecord& m : r.Records)
        s += (s.empty() ? "" : ", ") + std::string(names[static_cast<int>(m.Outcome)]) + " " + m.Id + " " +
             m.Name;
    return s;
}

// The species ids under the genus lines of one id, as the database holds them.
std::vector<std::string> SpeciesOf(const std::string& genusFile, const std::string& id) {
    std::vector<std::string> species;
    bool inside = false;
    std::istringstream lines(genusFile);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] != '\t')
            inside = line.substr(0, line.find('#')) == id;
        else if (inside)
            species.push_back(line.substr(2, line.find('#', 2) - 2));
    }
    return species;
}

std::string LevelFile(int level) {
    return LevelFiles[size_t(level) + 1];
}

} // namespace

using TMergeTest = TStoreTest;

TEST_F(TMergeTest, ReplaceYesAndNo) {
    const std::string db = "a#Alpha#x#old a\r\nb#Beta#x#b\r\na#Alpha#x#second old a\r\n";
    const std::string user = "a#Alpha#x#mine\r\nz#Zeta#x#new\r\n";
    Write("class.dat", db);
    Write("usr_class.dat", user);
    // Every record with the id goes; the user version sits once, at the end.
    TMergeResult r = MergeUserDatabase(0, true);
    EXPECT_EQ(r, Result(2, 1));
    EXPECT_EQ(Outcomes(r), "replaced a Alpha, added z Zeta");
    EXPECT_EQ(Read("class.dat"), "b#Beta#x#b\r\na#Alpha#x#mine\r\nz#Zeta#x#new\r\n");
    EXPECT_EQ(Read("usr_class.dat"), user);

    // Without replacing only new ids are added.
    Write("class.dat", db);
    r = MergeUserDatabase(0, false);
    EXPECT_EQ(r, Result(1, 0));
    EXPECT_EQ(Outcomes(r), "skipped a Alpha, added z Zeta");
    EXPECT_EQ(Read("class.dat"), db + "z#Zeta#x#new\r\n");

    // Nothing new: nothing merged, the database as it was.
    Write("usr_order.dat", "o1#Ordina#x#mine\r\n");
    Write("order.dat", "o1#Ordina#x#theirs\r\no2#Other#x#o\r\n");
    EXPECT_EQ(MergeUserDatabase(2, false), Result(0, 0));
    EXPECT_EQ(Read("order.dat"), "o1#Ordina#x#theirs\r\no2#Other#x#o\r\n");

    // A user record repeated: the second no longer finds a database record to replace.
    Write("family.dat", "f#F#x#old\r\n");
    Write("usr_family.dat", "f#F#x#one\r\nf#F#x#two\r\n");
    r = MergeUserDatabase(4, true);
    EXPECT_EQ(r, Result(2, 1));
    EXPECT_EQ(Outcomes(r), "replaced f F, added f F");
    EXPECT_EQ(Read("family.dat"), "f#F#x#one\r\nf#F#x#two\r\n");
}

TEST_F(TMergeTest, GenusTakesItsSpeciesAlong) {
    const std::string db = "g1#Alpha#a#A#Hopper#Alpha korvel#-#####a\r\n"
                           "\t#s1#one#x\r\n\t#s2#two#x\r\n\t#s3#three#x\r\n\t#s4#four#x\r\n\t#s5#five#x\r\n"
                           "g2#Beta#b#B#Hopper#Beta korvel#-#####b\r\n"
                           "\t#t1#one#x\r\n";
    const std::string user = "g1#Alpha#a#Mine#Hopper#Alpha korvel#-#####a\r\n"
                             "\t#u1#one#mine\r\n\t#u2#two#mine\r\n";
    Write("genus.dat", db);
    Write("usr_genus.dat", user);
    EXPECT_EQ(MergeUserDatabase(GenusLevel, false), Result(0, 0));
    EXPECT_EQ(Read("genus.dat"), db);
    EXPECT_EQ(MergeUserDatabase(GenusLevel, true), Result(1, 1));
    const std::string merged = Read("genus.dat");
    EXPECT_EQ(SpeciesOf(merged, "g1"), (std::vector<std::string>{"u1", "u2"}));
    EXPECT_EQ(SpeciesOf(merged, "g2"), std::vector<std::string>{"t1"});
    EXPECT_EQ(merged, "g2#Beta#b#B#Hopper#Beta korvel#-#####b\r\n\t#t1#one#x\r\n" + user);
}

TEST_F(TMergeTest, MergingTwiceChangesNothingMore) {
    Write("genus.dat", "g1#Alpha#a#A#####-#####a\r\n\t#s1#x#y\r\ng2#Beta#b#B#####-#####b\r\n");
    Write("usr_genus.dat", "g2#Beta#b#Mine#####-#####b\r\n\t#m#x#y\r\ng9#New#n#N#####-#####n\r\n");
    Write("subclass.dat", "s1#Sub#x#old\r\n");
    Write("usr_subclass.dat", "s1#Sub#x#mine\r\ns2#Two#x#new\r\n");
    for (int level : {1, GenusLevel}) {
        SCOPED_TRACE(level);
        EXPECT_EQ(MergeUserDatabase(level, true), Result(2, 1));
        const std::string once = Read(LevelFile(level));
        // The second time every user record is merged and replaces its own earlier copy.
        EXPECT_EQ(MergeUserDatabase(level, true), Result(2, 2));
        EXPECT_EQ(Read(LevelFile(level)), once);
    }
}

TEST_F(TMergeTest, MissingFilesAndStrayLines) {
    std::vector<std::string> status;
    SetStatusHook([&](const std::string& text) { status.push_back(text); });
    // No user database: nothing to do, no database made.
    EXPECT_EQ(MergeUserDatabase(3, true), Result(0, 0));
    EXPECT_FALSE(std::filesystem::exists(PathOf("suborder.dat")));
    EXPECT_EQ(status, (std::vector<std::string>{"Merging user Suborder(s)...", "Ready"}));
    SetStatusHook({});

    // No database: it is made of the user records; lines that belong to no record, and records
    // without an id, are left out.
    Write("usr_genus.dat", "\t#orphan#x#y\r\n\r\ng1#Alpha#a#A#####-#####a\r\n\t#s#x#y\r\n\r\n"
                           "#NoId#n#N#####-#####\r\n\t#lost#x#y\r\ng2#Beta#b#B#####-#####b\r\n");
    EXPECT_EQ(MergeUserDatabase(GenusLevel, false), Result(2, 0));
    EXPECT_EQ(Read("genus.dat"), "g1#Alpha#a#A#####-#####a\r\n\t#s#x#y\r\ng2#Beta#b#B#####-#####b\r\n");

    // An empty id matches nothing at any level: the database's empty line stays.
    Write("usr_family.dat", "#Nameless#x#y\r\n");
    Write("family.dat", "f1#F#x#y\r\n\r\n");
    EXPECT_EQ(MergeUserDatabase(4, true), Result(0, 0));
    EXPECT_EQ(Read("family.dat"), "f1#F#x#y\r\n\r\n");
}

TEST_F(TMergeTest, StatisticReportText) {
    const std::string head = "Your Taxonomy tree was last updated in Monday 7, December, 2026.\n"
                             "Your database files contain:\n\n";
    EXPECT_EQ(
        StatisticReport("Monday 7, December, 2026"),
        head + "\t0 Class(s)\n\t0 Subclass(s)\n\t0 Order(s)\n\t0 Suborder(s)\n\t0 Family(s)\n\t0 Genus(s)\n"
               "\t0 Species(s)");
    Write("class.dat", "c1#A#x#y\r\n\r\nc1#A#x#duplicate\r\nc2#B#x#y");
    Write("usr_class.dat", "c3#C#x#y\r\n");
    Write("usr_genus.dat", "u1#U#x#y\r\n");
    Write("genus.dat", "\r\ng1#A#x#y\r\n\t#s1#a#b\r\n\t#s2#a#b\r\n\r\n\t#s3#a#b\r\n"
                       "g2#B#x#y\r\n\t#s4#a#b\r\n\t#s5#a#b\r\n\r\n");
    // Lines as they stand: a duplicated id counts twice; user databases do not count.
    EXPECT_EQ(
        StatisticReport("Monday 7, December, 2026"),
        head + "\t3 Class(s)\n\t0 Subclass(s)\n\t0 Order(s)\n\t0 Suborder(s)\n\t0 Family(s)\n\t2 Genus(s)\n"
               "\t5 Species(s)");
}
