// The search's scan of the genus database and the kept database, against plain readings of the
// same files: ReadDetail with MatchGenus for the search, the file's lines for Forgotten Genus.
#include "FileStamp.h"
#include "FoldedText.h"
#include "GenusDatabase.h"
#include "GenusSearch.h"
#include "SearchFixture.h"

#include <fstream>
#include <functional>
#include <random>
#include <set>

namespace {
using TCaptions = std::vector<std::string>;

class TSearchScanTest : public TSearchTest {
protected:
    void SetUp() override {
        TSearchTest::SetUp();
        SetFileCacheMargin(0); // what is read is kept at once
    }

    TCaptions Reference(const TSearchOptions& o) {
        TCaptions captions;
        for (const TGenusEntry& e : AllGenus(Tree)) {
            TTaxonomyDetail r;
            ReadDetail(e.Node->Data(), r);
            if (MatchGenus(SearchWords(o.Text), r, o.MatchAll, o.Fields))
                captions.push_back(e.Caption(Tree));
        }
        return captions;
    }
    TCaptions ForgottenReference() {
        std::set<std::string, std::less<>> listed;
        for (const TGenusEntry& e : AllGenus(Tree))
            listed.emplace(e.Node->Name());
        TCaptions names;
        ForEachLine(Read("genus.dat"), [&](std::string_view line) {
            const size_t hash = line.find('#');
            if (line.empty() || line[0] == '\t' || hash == std::string_view::npos)
                return;
            const std::string_view name = line.substr(hash + 1, line.find('#', hash + 1) - hash - 1);
            if (!listed.contains(name))
                names.emplace_back(name);
        });
        return names;
    }
};

// Words cut into the pieces the fields are made of, so that words also form across a '#' or a
// line end; capitals, accented letters and '|' on every side of the scan's 16- and 32-byte steps.
TEST_F(TSearchScanTest, FindsWhatThePlainReadingsFindOnGeneratedData) {
    const std::vector<std::string> pieces = {
        "mar",         "sh",          "Marsh", "CREST", "cre", "st", "korvel", "Wing", "fin|ray",
        "\xC3\x89lan", "\xC3\xA9LAN", "a",     "Z",     "zz",  " ",  " ",      ""};
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto text = [&](size_t most) {
        std::string t;
        for (size_t n = pick(most); n-- > 0;)
            t += pieces[pick(pieces.size())];
        return t;
    };
    std::string tree = "#c1#Classa#ci\r\n\t\t\t\t#f1#Familia#fi\r\n";
    for (int g = 0; g < 160; ++g) // ids g160 and on are in the database only
        tree += "\t\t\t\t\t#" +
                std::string(g % 23 == 5   ? "(n/a)"
                            : g % 29 == 3 ? ""
                                          : "g" + std::to_string(g)) +
                "#" + text(3) + "N" + std::to_string(g) + "#i\r\n";
    LoadTreeText(tree);

    // A byte-order mark, dropped at the start only.
    std::string genus = "\xEF\xBB\xBFg1#N1#m#" + text(3) + "Marsh#t#c#-#####k\n";
    const char* ends[] = {"\r\n", "\n", "\r"};
    for (int k = 0; k < 220; ++k) {
        const int g = k % 7 == 6 ? k / 3 : static_cast<int>(pick(190)); // some ids twice
        std::string line = k == 40 ? "\xEF\xBB\xBF" : ""; // a mark inside the file is part of the id
        line += "g" + std::to_string(g) + "#" + (k % 5 ? "N" + std::to_string(g) : text(2) + "X");
        for (size_t f = 2, fields = pick(4) ? 12 : pick(15); f < fields; ++f)
            line += "#" + text(f == 3 ? 12 : 4);
        genus += line + ends[pick(3)];
        for (size_t s = pick(3); s-- > 0;)
            genus += "\t#" + text(4) + "#" + text(6) + ends[pick(3)];
        if (k % 37 == 0)
            genus += k % 2 ? "\r\n" : "lonely" + text(3) + "\n"; // an empty line, a line without '#'
    }
    genus += "g7#" + text(2) + "#m#Marsh#t#c"; // the last line has no line end
    Write("genus.dat", genus);

    const std::string texts[] = {"marsh",
                                 "crest KORVEL",
                                 "a",
                                 "mar sh",
                                 "sh#cre",
                                 "fin|ray",
                                 "fin\nray",
                                 "\xC3\xA9lan",
                                 "\xC3\x89LAN wing",
                                 "zz z",
                                 "n1",
                                 "korvel wing marsh x",
                                 "marsh n1",
                                 "1a" /* only across two names */};
    const TSearchFields fieldSets[] = {{true, true, true, true, true},
                                       {},
                                       {false, false, false, true, false},
                                       {true, false, false, true, true}};
    struct TCase {
        TSearchOptions Options;
        TCaptions Expected;
    };
    std::vector<TCase> cases;
    for (const std::string& t : texts)
        for (bool matchAll : {true, false})
            for (const TSearchFields& fields : fieldSets) {
                const TSearchOptions o{t, matchAll, fields};
                cases.push_back({o, Reference(o)});
            }
    const TCaptions forgotten = ForgottenReference();
    ASSERT_FALSE(forgotten.empty());

    size_t found = 0;
    for (bool wide : {true, false})
        for (size_t block : {size_t(2), size_t(61), size_t(700), size_t(1) << 16}) {
            SetWideScan(wide);
            SetGenusDatabaseBlockSize(block);
            for (bool kept : {false, true})
                for (const TCase& c : cases) {
                    SCOPED_TRACE("\"" + c.Options.Text + "\" and=" + std::to_string(c.Options.MatchAll) +
                                 " block=" + std::to_string(block) + " wide=" + std::to_string(wide) +
                                 " kept=" + std::to_string(kept));
                    if (!kept)
                        ClearGenusDatabase();
                    ASSERT_EQ(Captions(SearchGenus(Tree, c.Options)), c.Expected);
                    ASSERT_EQ(Captions(ForgottenGenus(Tree)), forgotten);
                    found += c.Expected.size();
                }
        }
    EXPECT_GT(found, 1000u); // the words are found, not only missed
}

// What is kept is dropped when the program writes the file, however alike the old and the new file
// look, and what comes from the tree follows every change of the tree.
TEST_F(TSearchScanTest, KeptDatabaseFollowsTheFileAndTheTree) {
    time_t modified = 10;
    SetFileCacheTimes(
        [&](struct stat& st) {
            st.st_ino = 1;
            st.st_ctim = {10, 0};
            st.st_mtim = {modified, 0};
        },
        [] { return 20000000000LL; });
    LoadTreeText("\t\t\t\t\t#g1#Alpha#i1\r\n\t\t\t\t\t#g2#Beta#i2\r\n");
    const TSearchFields withName{true, true, true, true, true};
    auto search = [&](const std::string& t) { return Captions(SearchGenus(Tree, {t, true, withName})); };

    Write("genus.dat", "g1#Alpha#m#d#t#red\r\ng2#Gone#m#d#t#tan\r\n");
    EXPECT_EQ(search("red"), TCaptions{"Alpha (i1)"});
    EXPECT_EQ(Captions(ForgottenGenus(Tree)), TCaptions{"Gone"});
    Write("genus.dat", "g1#Alpha#m#d#t#tan\r\ng2#Beta#m#d#t#red\r\n"); // the same size
    EXPECT_EQ(search("red"), TCaptions{"Beta (i2)"});
    EXPECT_EQ(Captions(ForgottenGenus(Tree)), TCaptions{});
    // Another program's change, with no write of ours to tell: a new size, or a new modification
    // time, is read again (the records move, so lines kept from before would not fit).
    auto writeOther = [&](const char* bytes) {
        std::ofstream(PathOf("genus.dat"), std::ios::binary) << bytes;
    };
    writeOther("g2#Beta#m#d#t#tan\r\ng1#Alpha#m#d#t#red#\r\n");
    EXPECT_EQ(search("red"), TCaptions{"Alpha (i1)"});
    modified = 12;
    writeOther("g1#Alpha#m#d#t#tan#\r\ng2#Beta#m#d#t#red\r\n");
    EXPECT_EQ(search("red"), TCaptions{"Beta (i2)"});

    TTreeNode* beta = FindTreeNode(Tree, MakeNodeKey(5, "g2", "", ""));
    UpdateTreeNode(Tree, beta, TTaxonomyData("", "g2", "Gamma", "i2"));
    EXPECT_EQ(search("gamma red"), TCaptions{"Gamma (i2)"});
    EXPECT_EQ(Captions(ForgottenGenus(Tree)), TCaptions{"Beta"});
    UpdateTreeNode(Tree, beta, TTaxonomyData("", "g1", "Gamma", "i2")); // now a second g1
    EXPECT_EQ(search("tan"), (TCaptions{"Alpha (i1)", "Gamma (i2)"}));
    Tree.DeleteNode(beta);
    AddTreeNode(Tree, nullptr, TTaxonomyData("\t\t\t\t\t", "g2", "Delta", "i4"));
    EXPECT_EQ(search("red"), TCaptions{"Delta (i4)"});
    ASSERT_TRUE(DeleteFile(PathOf("genus.dat")));
    EXPECT_EQ(search("red"), TCaptions{});
}
// What a search keeps of the tree's genera is worked out again after each edit from what it knew
// before: after every kind of edit, in runs of several, it finds what a search that keeps nothing
// finds. More genera than are looked up in one group.
TEST_F(TSearchScanTest, KeptGeneraFollowEveryKindOfTreeEdit) {
    std::string tree = "#c#Class#\r\n";
    std::string genus;
    for (int i = 0; i < 6000; ++i) {
        if (i % 500 == 0)
            tree += "\t\t\t\t#f" + std::to_string(i) + "#Fam#\r\n";
        tree += "\t\t\t\t\t#g" + std::to_string(i) + "#Name" + std::to_string(i % 7) + "#\r\n";
        if (i % 3 != 0) // every third genus has no record
            genus += "g" + std::to_string(i) + "#Db#m#d#t#" + (i % 2 ? "red" : "tan") + "\r\n";
    }
    LoadTreeText(tree);
    Write("genus.dat", genus);
    const TSearchOptions options{"red name3", false, {true, true, true, true, true}};
    std::mt19937 random(11);
    auto anyGenus = [&] {
        std::vector<TTreeNode*> genera;
        Tree.ForEachNode([&](TTreeNode* n) {
            if (n->Level() == GenusLevel)
                genera.push_back(n);
        });
        return genera[random() % genera.size()];
    };
    auto genusData = [&](const std::string& id, const std::string& name) {
        return TTaxonomyData("\t\t\t\t\t", id, name, "");
    };
    const std::vector<std::function<void()>> edits = {
        [&] { UpdateTreeNode(Tree, anyGenus(), genusData("g" + std::to_string(random() % 6000), "Name3")); },
        [&] { UpdateTreeNode(Tree, anyGenus(), genusData("missing", "Other")); },
        [&] { Tree.DeleteNode(anyGenus()); },
        [&] {
            AddTreeNode(Tree, anyGenus()->Parent(),
                        genusData("g" + std::to_string(random() % 6000), "Name3"));
        },
        [&] {
            TTreeNode* family = anyGenus()->Parent();
            Tree.InsertBranch(family->Parent(), 0,
                              {{0, TTaxonomyData("\t\t\t\t", "fx", "Fam", ""), false},
                               {1, genusData("g1", "Name3"), false},
                               {1, genusData("g5", "Other"), false}});
        },
        [&] { Tree.DeleteNode(anyGenus()->Parent()); },
        [&] { ASSERT_EQ(LoadTree(Tree), 0); },
    };
    for (int round = 0; round < 40; ++round) {
        const size_t count = 1 + random() % 3;
        for (size_t k = 0; k < count; ++k)
            edits[random() % edits.size()]();
        const TCaptions kept = Captions(SearchGenus(Tree, options));
        ClearGenusDatabase();
        EXPECT_EQ(kept, Captions(SearchGenus(Tree, options))) << "round " << round;
    }
}

// Another program may rewrite the file in place while it is read, within one tick of its times:
// what is kept then no longer fits the file. The search must stay within what it read, and the
// next one reads the file anew.
TEST_F(TSearchScanTest, KeptDatabaseOfAFileRewrittenInPlace) {
    SetFileCacheTimes(
        [](struct stat& st) {
            st.st_ino = 1;
            st.st_mtim = st.st_ctim = {10, 0};
        },
        [] { return 20000000000LL; });
    SetGenusDatabaseBlockSize(2); // a block a line
    LoadTreeText("\t\t\t\t\t#g1#Alpha#i1\r\n\t\t\t\t\t#g2#Beta#i2\r\n");
    Write("genus.dat", "g2#Beta#m#d#t#tan#-#####x\r\ng1#Alpha#m#d#t#red\r\n");
    EXPECT_EQ(Captions(SearchGenus(Tree, {"red", true, {}})), TCaptions{"Alpha (i1)"});
    { // the same size, other lines, and not through the program's own writing
        std::ofstream out(PathOf("genus.dat"), std::ios::binary | std::ios::trunc);
        out << "g1#Alpha#m#d#t#tan\r\n\r\ng2#Beta#m#d#t#red#-###x\r\n";
    }
    SearchGenus(Tree, {"red", true, {}});
    EXPECT_EQ(Captions(SearchGenus(Tree, {"red", true, {}})), TCaptions{"Beta (i2)"});
}
} // namespace
