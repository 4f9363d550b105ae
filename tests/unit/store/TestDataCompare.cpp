// What changed between two data folders: the tree's branches, the databases' records field by
// field, the counts per rank, and the two written forms.
#include "DataCompare.h"
#include "Errors.h"
#include "KeptData.h"
#include "Merge.h"
#include "TempFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>

namespace {

// The old release: a small tree and four of the six databases (none for suborders).
const char* const BaseTree = "#c1#Korvelia#class info\r\n"
                             "\t#s1#Subkorva#sub info\r\n"
                             "\t\t#o1#Ordina#order info\r\n"
                             "\t\t\t\t#f1#Familia#fam info\r\n"
                             "\t\t\t\t\t#g1#Alpha#alpha info\r\n"
                             "\t\t\t\t\t#g2#Beta#beta info\r\n"
                             "\t\t\t\t\t#(n/a)#Planned#planned\r\n"
                             "\t\t\t\t#f2#Secunda#fam two\r\n"
                             "\t\t\t\t\t#g3#Gamma#gamma info\r\n";
const char* const BaseFiles[][2] = {
    {"class.dat", "c1#Korvelia#the korvels#Class text.\r\n"},
    {"subclass.dat", "s1#Subkorva#below#Sub text.\r\n"},
    {"order.dat", "o1#Ordina#walkers#Order text.\r\n"},
    {"family.dat", "f1#Familia#first#One.\r\nf2#Secunda#second#Two.\r\n"},
    {"genus.dat", "g1#Alpha#first#Desc one.#land#Alpha korvel#a.gif#Ann#http://a#Bo#http://b#kw\r\n"
                  "\t#Alpha una#one#Sp one.\r\n"
                  "\t#Alpha duo#two#Sp two.\r\n"
                  "g2#Beta#second#B.#water#Beta korvel#-#####\r\n"
                  "\t#Beta una#single#\r\n"
                  "g3#Gamma#third#G.#air#Gamma korvel#-#####\r\n"},
};

struct TEdit {
    const char* File;
    const char* From; // replaced once; empty: `To` is appended
    const char* To;
};

using TRow = std::vector<std::string>; // kind, level, id, name, field, before, after

std::vector<TRow> RowsOf(const TDataComparison& comparison) {
    std::vector<TRow> rows;
    for (const TDataChange& c : comparison.Changes)
        rows.push_back(
            {DataChangeKindName(c.Kind), std::to_string(c.Level), c.Id, c.Name, c.Field, c.Before, c.After});
    return rows;
}

class TDataCompareTest : public TStoreTest {
protected:
    std::string Old() const { return Folder + "/old"; }
    std::string New() const { return Folder + "/new"; }

    // Both folders hold the old release.
    void MakeFolders() const {
        for (const std::string& folder : {Old(), New()}) {
            std::filesystem::create_directory(folder);
            WriteTextFileAtomic(folder + "/classifytree.dat", BaseTree);
            for (const auto& file : BaseFiles)
                WriteTextFileAtomic(folder + "/" + file[0], file[1]);
        }
    }
    void Apply(const TEdit& edit) const { ApplyTo(New(), edit); }
    void ApplyTo(const std::string& folder, const TEdit& edit) const {
        const std::string path = folder + "/" + edit.File;
        std::string text = ReadFileBytes(path);
        if (*edit.From == '\0') {
            text += edit.To;
        } else {
            const size_t at = text.find(edit.From);
            ASSERT_NE(at, std::string::npos) << edit.From;
            text.replace(at, std::string_view(edit.From).size(), edit.To);
        }
        WriteTextFileAtomic(path, text);
    }
};

TEST_F(TDataCompareTest, FindsExactlyTheChangesMade) {
    const struct {
        const char* What;
        std::vector<TEdit> Edits;
        std::vector<TRow> Rows;
        bool InBoth = false; // the edits are made to the old folder too
    } cases[] = {
        {"nothing changed", {}, {}},
        {"branch added",
         {{"classifytree.dat", "\t\t\t\t\t#g3#Gamma#gamma info\r\n",
           "\t\t\t\t\t#g3#Gamma#gamma info\r\n\t\t\t\t\t#g4#Delta#delta\r\n"}},
         {{"added", "5", "g4", "Delta", "Parent", "", "Family f2"}}},
        {"branch removed (its record stays)",
         {{"classifytree.dat", "\t\t\t\t\t#g2#Beta#beta info\r\n", ""}},
         {{"removed", "5", "g2", "Beta", "Parent", "Family f1", ""}}},
        {"branch renamed",
         {{"classifytree.dat", "#g1#Alpha#", "#g1#Alphina#"}},
         {{"renamed", "5", "g1", "Alphina", "Name", "Alpha", "Alphina"}}},
        {"branch moved to another family",
         {{"classifytree.dat", "\t\t\t\t\t#g2#Beta#beta info\r\n", ""},
          {"classifytree.dat", "", "\t\t\t\t\t#g2#Beta#beta info\r\n"}},
         {{"moved", "5", "g2", "Beta", "Parent", "Family f1", "Family f2"}}},
        {"family cut and put at the end: still in the same order",
         {{"classifytree.dat", "\t\t\t\t#f2#Secunda#fam two\r\n\t\t\t\t\t#g3#Gamma#gamma info\r\n", ""},
          {"classifytree.dat", "", "\t\t\t\t#f2#Secunda#fam two\r\n\t\t\t\t\t#g3#Gamma#gamma info\r\n"}},
         {}},
        {"parent renamed: its children stay where they are",
         {{"classifytree.dat", "#f1#Familia#", "#f1#Familiola#"}},
         {{"renamed", "4", "f1", "Familiola", "Name", "Familia", "Familiola"}}},
        {"siblings in another order",
         {{"classifytree.dat", "\t\t\t\t\t#g1#Alpha#alpha info\r\n", ""},
          {"classifytree.dat", "#(n/a)#Planned#planned\r\n",
           "#(n/a)#Planned#planned\r\n\t\t\t\t\t#g1#Alpha#alpha info\r\n"}},
         {}},
        {"info changed",
         {{"classifytree.dat", "#fam info", "#family info"}},
         {{"info-changed", "4", "f1", "Familia", "Info", "fam info", "family info"}}},
        {"planned genus given an id",
         {{"classifytree.dat", "#(n/a)#Planned#", "#g5#Planned#"}},
         {{"added", "5", "g5", "Planned", "Parent", "", "Family f1"},
          {"removed", "5", "(n/a)", "Planned", "Parent", "Family f1", ""}}},
        {"branch given another id",
         {{"classifytree.dat", "#g3#Gamma#", "#g30#Gamma#"}},
         {{"added", "5", "g30", "Gamma", "Parent", "", "Family f2"},
          {"removed", "5", "g3", "Gamma", "Parent", "Family f2", ""}}},
        {"record field edited",
         {{"order.dat", "#walkers#", "#striders#"}},
         {{"record-changed", "2", "o1", "Ordina", "Meaning", "walkers", "striders"}}},
        {"description shown in lines",
         {{"class.dat", "#Class text.", "#Class text.|Second line."}},
         {{"record-changed", "0", "c1", "Korvelia", "Description", "Class text.",
           "Class text.\nSecond line."}}},
        {"genus fields edited",
         {{"genus.dat", "#-#####\r\n\t#Beta una", "#b.jpg#####Beta words\r\n\t#Beta una"}},
         {{"record-changed", "5", "g2", "Beta", "Picture", "-", "b.jpg"},
          {"record-changed", "5", "g2", "Beta", "Keywords", "", "Beta words"}}},
        {"species added",
         {{"genus.dat", "\t#Alpha duo#two#Sp two.\r\n",
           "\t#Alpha duo#two#Sp two.\r\n\t#Alpha tres#three#Sp three.\r\n"}},
         {{"record-changed", "5", "g1", "Alpha", "Species Alpha tres", "", "three\nSp three."}}},
        {"species removed",
         {{"genus.dat", "\t#Alpha una#one#Sp one.\r\n", ""}},
         {{"record-changed", "5", "g1", "Alpha", "Species Alpha una", "one\nSp one.", ""}}},
        {"species edited",
         {{"genus.dat", "#Beta una#single#", "#Beta una#lone#"}},
         {{"record-changed", "5", "g2", "Beta", "Species Beta una", "single", "lone"}}},
        {"species in another order",
         {{"genus.dat", "\t#Alpha una#one#Sp one.\r\n\t#Alpha duo#two#Sp two.\r\n",
           "\t#Alpha duo#two#Sp two.\r\n\t#Alpha una#one#Sp one.\r\n"}},
         {}},
        {"record added",
         {{"family.dat", "", "f3#Tertia#third#Three.\r\n"}},
         {{"record-added", "4", "f3", "Tertia", "", "", ""}}},
        {"record removed",
         {{"family.dat", "f1#Familia#first#One.\r\n", ""}},
         {{"record-removed", "4", "f1", "Familia", "", "", ""}}},
        {"records in another order",
         {{"family.dat", "f1#Familia#first#One.\r\n", ""}, {"family.dat", "", "f1#Familia#first#One.\r\n"}},
         {}},
        {"a second record of an id is never read",
         {{"order.dat", "", "o1#Ordina#other#Other text.\r\n"}},
         {}},
        {"several old branches of one key, unchanged: each pairs with its own",
         {{"classifytree.dat", "", "\t\t\t\t\t#g1#Alpha#alpha info\r\n\t\t\t\t\t#(n/a)#Planned#planned\r\n"}},
         {},
         true},
        {"line ends and a byte-order mark only",
         {{"class.dat", "c1#Korvelia#the korvels#Class text.\r\n",
           "\xEF\xBB\xBF"
           "c1#Korvelia#the korvels#Class text.\n"}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove_all(Old());
        std::filesystem::remove_all(New());
        MakeFolders();
        for (const TEdit& edit : c.Edits) {
            Apply(edit);
            if (c.InBoth)
                ApplyTo(Old(), edit);
        }
        EXPECT_EQ(RowsOf(CompareDataFolders(Old(), New())), c.Rows);
    }
}

TEST_F(TDataCompareTest, CountsPerRank) {
    MakeFolders();
    for (const TEdit& edit : std::vector<TEdit>{
             {"classifytree.dat", "\t\t\t\t\t#g2#Beta#beta info\r\n", ""},
             {"classifytree.dat", "",
              "\t\t\t\t\t#g2#Beta#beta info\r\n\t\t\t\t\t#g4#Delta#d\r\n"},          // moved, added
             {"classifytree.dat", "#g1#Alpha#alpha info", "#g1#Alphina#other info"}, // renamed, info
             {"classifytree.dat", "\t\t\t\t\t#(n/a)#Planned#planned\r\n", ""},       // removed
             {"genus.dat", "\t#Alpha una#one#Sp one.\r\n", "\t#Alpha una#uno#Sp one.\r\n\t#Alpha tres##\r\n"},
             {"genus.dat", "\t#Beta una#single#\r\n", ""},
             {"genus.dat", "g3#Gamma#third#G.#air#Gamma korvel#-#####\r\n", ""}, // removed, no species
             {"genus.dat", "", "g4#Delta#fourth#D.#land#Delta korvel#-#####\r\n\t#Delta una##\r\n"}, // added
             {"family.dat", "#first#", "#premier#"}})
        Apply(edit);
    // Only the first record of an id is read, and one without an id never: neither is removed.
    ApplyTo(Old(), {"genus.dat", "", "g1#Again#x#\r\n\t#Again una##\r\n#Noid#y#\r\n\t#Noid una##\r\n"});
    const TDataComparison result = CompareDataFolders(Old(), New());
    auto counts = [&](int rank) {
        const TRankCounts& c = result.Counts[static_cast<size_t>(rank)];
        return std::vector<size_t>{c.Before,         c.After,         c.Added,       c.Removed,
                                   c.Renamed,        c.Moved,         c.InfoChanged, c.RecordsAdded,
                                   c.RecordsRemoved, c.RecordsChanged};
    };
    using V = std::vector<size_t>;
    EXPECT_EQ(counts(0), (V{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(counts(3), (V{0, 0, 0, 0, 0, 0, 0, 0, 0, 0})); // no suborders, no suborder database
    EXPECT_EQ(counts(4), (V{2, 2, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(counts(5), (V{4, 4, 1, 1, 1, 1, 1, 1, 1, 2}));
    // Species: Alpha's una (changed) and tres (added), Beta's una removed, Delta's una added with Delta.
    EXPECT_EQ(counts(6), (V{3, 4, 2, 1, 0, 0, 0, 0, 0, 1}));
}

// Lines that share one key pair up by position, and species by name through a hash: a tree of one
// id repeated, or a genus of many species, compares in linear time.
TEST_F(TDataCompareTest, RepeatedKeysCompareInLinearTime) {
    const struct {
        const char* What;
        const char* File;
        std::string Head;
        std::string Line;  // repeated, with %d for its number where it has one
        std::string Added; // only in the new file: the one change
    } cases[] = {
        {"tree lines of one id", "classifytree.dat", BaseTree, "\t\t\t\t\t#g1#Alpha#alpha info\r\n",
         "\t\t\t\t\t#g9#Nova#new\r\n"},
        {"species of one genus", "genus.dat", "g1#Alpha#first#Desc one.#land#Alpha korvel#-#####\r\n",
         "\t#Alpha %d#one#Sp.\r\n", "\t#Alpha nova#new#\r\n"},
    };
    constexpr int Count = 60000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove_all(Old());
        std::filesystem::remove_all(New());
        MakeFolders();
        std::string text = c.Head;
        for (int i = 0; i < Count; ++i) {
            std::string line = c.Line;
            if (const size_t at = line.find("%d"); at != std::string::npos)
                line.replace(at, 2, std::to_string(i));
            text += line;
        }
        WriteTextFileAtomic(Old() + "/" + c.File, text);
        WriteTextFileAtomic(New() + "/" + c.File, text + c.Added);
        const auto start = std::chrono::steady_clock::now();
        const TDataComparison result = CompareDataFolders(Old(), New());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(result.Changes.size(), 1u);
    }
}

TEST_F(TDataCompareTest, FoldersThatCannotBeCompared) {
    namespace fs = std::filesystem;
    const struct {
        const char* What;
        const char* Folder; // the one that is spoilt
        std::function<void(const std::string& folder)> Spoil;
        std::string Message; // a part of it
    } cases[] = {
        {"no such folder", "new", [](const std::string& f) { fs::remove_all(f); },
         "/new: there is no such folder"},
        {"a file, not a folder", "old",
         [](const std::string& f) {
             fs::remove_all(f);
             WriteTextFileAtomic(f, "x");
         },
         "/old: there is no such folder"},
        {"no tree file", "old", [](const std::string& f) { fs::remove(f + "/classifytree.dat"); },
         "/old: it is not a data folder (it has no classifytree.dat)"},
        {"a tree file that is a folder", "new",
         [](const std::string& f) {
             fs::remove(f + "/classifytree.dat");
             fs::create_directory(f + "/classifytree.dat");
         },
         "/new: it is not a data folder"},
        {"a database the new folder lacks", "new", [](const std::string& f) { fs::remove(f + "/order.dat"); },
         "/new/order.dat is missing"},
        {"a database only the new folder has", "new",
         [](const std::string& f) { WriteTextFileAtomic(f + "/suborder.dat", "u1#U##\r\n"); },
         "/old/suborder.dat is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove_all(Old());
        fs::remove_all(New());
        MakeFolders();
        c.Spoil(Folder + "/" + c.Folder);
        try {
            CompareDataFolders(Old(), New());
            ADD_FAILURE() << "no error";
        } catch (const EFOpenError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}

TEST_F(TDataCompareTest, WrittenForPeopleAndForScripts) {
    MakeFolders();
    Apply({"classifytree.dat", "#g1#Alpha#", "#g1#Al\tpha#"});
    Apply({"genus.dat", "#Desc one.#", "#Desc one.|Two\\three.#"});
    Apply({"genus.dat", "#land#", "#sea#"}); // the same record: it counts once
    Apply({"genus.dat", "\t#Beta una#single#\r\n", ""});
    Apply({"family.dat", "f2#Secunda#second#Two.\r\n", ""});
    const TDataComparison result = CompareDataFolders(Old(), New());

    std::ostringstream tsv;
    WriteComparisonTsv(tsv, result);
    EXPECT_EQ(tsv.str(),
              "kind\tlevel\tid\tname\tfield\tbefore\tafter\n"
              "renamed\tGenus\tg1\tAl\\tpha\tName\tAlpha\tAl\\tpha\n"
              "record-removed\tFamily\tf2\tSecunda\t\t\t\n"
              "record-changed\tGenus\tg1\tAlpha\tDescription\tDesc one.\tDesc one.\\nTwo\\\\three.\n"
              "record-changed\tGenus\tg1\tAlpha\tKorvel type\tland\tsea\n"
              "record-changed\tGenus\tg2\tBeta\tSpecies Beta una\tsingle\t\n");

    std::ostringstream text;
    WriteComparisonText(text, result);
    EXPECT_EQ(text.str(), "Counts per rank (before -> after):\n"
                          "  Class             1 ->         1\n"
                          "  Subclass          1 ->         1\n"
                          "  Order             1 ->         1\n"
                          "  Suborder          0 ->         0\n"
                          "  Family            2 ->         2   1 record removed\n"
                          "  Genus             4 ->         4   1 renamed, 2 records changed\n"
                          "  Species           3 ->         2   1 removed\n"
                          "\n"
                          "Branches renamed (1):\n"
                          "  Genus g1: Alpha -> Al\tpha\n"
                          "\n"
                          "Records removed (1):\n"
                          "  Family f2 Secunda\n"
                          "\n"
                          "Records changed (2):\n"
                          "  Genus g1 Alpha\n"
                          "    Description\n"
                          "      - Desc one.\n"
                          "      + Desc one.\n"
                          "        Two\\three.\n"
                          "    Korvel type\n"
                          "      - land\n"
                          "      + sea\n"
                          "  Genus g2 Beta\n"
                          "    Species Beta una (removed)\n"
                          "      - single\n");

    std::ostringstream none;
    WriteComparisonText(none, CompareDataFolders(Old(), Old()));
    EXPECT_NE(none.str().find("\nNo changes.\n"), std::string::npos) << none.str();
}

TEST_F(TDataCompareTest, ADatabaseOnlyOneFolderHasCanCountAsEmpty) {
    MakeFolders();
    WriteTextFileAtomic(New() + "/suborder.dat", "u1#Unus#one#\r\n");
    std::filesystem::remove(New() + "/family.dat");
    EXPECT_THROW(CompareDataFolders(Old(), New()), EFOpenError);
    EXPECT_EQ(RowsOf(CompareDataFolders(Old(), New(), TMissingDatabase::Empty)),
              (std::vector<TRow>{{"record-added", "3", "u1", "Unus", "", "", ""},
                                 {"record-removed", "4", "f1", "Familia", "", "", ""},
                                 {"record-removed", "4", "f2", "Secunda", "", "", ""}}));
}

// What a download replaces is kept first, and stays as it was when the file is written again;
// it becomes the data to compare with only when a download replaced something.
TEST_F(TDataCompareTest, KeepsTheDataADownloadReplaces) {
    namespace fs = std::filesystem;
    EXPECT_FALSE(HasPreviousData());
    Write("classifytree.dat", BaseTree);
    Write("order.dat", "o1#Ordina#walkers#\r\n");
    Write("genus.dat", "g1#Alpha#first#\r\n");
    Write("usr_order.dat", "o1#Mine##\r\n"); // the user's own: not data a download replaces
    KeepCurrentData();
    EXPECT_FALSE(HasPreviousData()); // not before a download replaced something
    // Downloads replace files whole.
    Write("classifytree.dat", std::string(BaseTree) + "\t\t\t\t\t#g9#Nova#new\r\n");
    Write("order.dat", "o1#Ordina#striders#\r\n");
    // Merges into the downloaded databases note what they did with the user's records.
    TMergeResult merge;
    merge.Records = {{TMergeOutcome::Skipped, "o1", "Mine"}, {TMergeOutcome::Added, "o7", "Se\tptima"}};
    NoteMergedRecords(2, merge);
    merge.Records = {{TMergeOutcome::Replaced, "g1", "Alpha"}};
    NoteMergedRecords(5, merge);
    SettleKeptData(true);
    EXPECT_TRUE(HasPreviousData());
    EXPECT_EQ(PreviousDataFolder(), Folder + "/previous/");
    EXPECT_EQ(RowsOf(CompareDataFolders(PreviousDataFolder(), Folder)),
              (std::vector<TRow>{{"added", "5", "g9", "Nova", "Parent", "", "Family f2"},
                                 {"record-changed", "2", "o1", "Ordina", "Meaning", "walkers", "striders"},
                                 {"user-record-skipped", "2", "o1", "Mine", "", "", ""},
                                 {"user-record-added", "2", "o7", "Se ptima", "", "", ""},
                                 {"user-record-replaced", "5", "g1", "Alpha", "", "", ""}}));
    NoteMergedRecords(2, merge); // no download under way: nothing is noted
    EXPECT_FALSE(fs::exists(PathOf("previous.new")));
    EXPECT_FALSE(fs::exists(PreviousDataFolder() + "usr_order.dat"));

    // Downloads that replaced nothing leave the data of the last one that did.
    KeepCurrentData();
    SettleKeptData(false);
    EXPECT_EQ(RowsOf(CompareDataFolders(PreviousDataFolder(), Folder)).size(), 5u);
    EXPECT_FALSE(fs::exists(PathOf("previous.new")));

    // The next download that replaces something keeps the data as they are then, and only what is there.
    fs::remove(PathOf("genus.dat"));
    KeepCurrentData();
    Write("order.dat", "o1#Ordina#runners#\r\n");
    SettleKeptData(true);
    EXPECT_FALSE(fs::exists(PathOf("previous.new")));
    EXPECT_FALSE(fs::exists(PreviousDataFolder() + "genus.dat"));
    EXPECT_EQ(RowsOf(CompareDataFolders(PreviousDataFolder(), Folder)),
              (std::vector<TRow>{{"record-changed", "2", "o1", "Ordina", "Meaning", "striders", "runners"}}));
}

} // namespace
