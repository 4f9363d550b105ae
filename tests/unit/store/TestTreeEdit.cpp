#include "TaxonomyTree.h"
#include "TempFolder.h"
#include "TreeEdit.h"

#include <csignal>
#include <sys/resource.h>

namespace {
TTaxonomyData Item(int level, const std::string& id, const std::string& name, const std::string& info = "i") {
    return TTaxonomyData(std::string(static_cast<size_t>(level), '\t'), id, name, info);
}

// The tree as "id(parent id)" in pre-order.
std::string Shape(const TTaxonomyTree& tree) {
    std::string s;
    tree.ForEachNode([&](const TTreeNode* n) {
        s += std::string(n->Id()) + "(" + std::string(n->Parent() ? n->Parent()->Id() : "") + ") ";
    });
    return s;
}

struct TDeletions : ITreeObserver {
    std::vector<std::string> Ids;
    int Removes = 0;
    void BeginRemove(TTreeNode*, int) override { ++Removes; }
    void NodeDeleting(TTreeNode* n) override { Ids.emplace_back(n->Id()); }
};

// Makes every write of more than a few bytes fail while it lives.
class TFileSizeLimit {
public:
    TFileSizeLimit() {
        getrlimit(RLIMIT_FSIZE, &Saved);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = Saved;
        small.rlim_cur = 4;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    struct rlimit Saved;
    void (*OldHandler)(int);
};
} // namespace

TEST_F(TStoreTest, RecordUserTreeItemKeepsAnOutlineOfAdditions) {
    TTaxonomyTree tree;
    TTreeNode* c = AddTreeNode(tree, nullptr, Item(0, "c", "C"));
    TTreeNode* s = AddTreeNode(tree, c, Item(1, "s", "S"));
    TTreeNode* o = AddTreeNode(tree, s, Item(2, "o", "O"));
    TTreeNode* u = AddTreeNode(tree, o, Item(3, "u", "U"));
    TTreeNode* f = AddTreeNode(tree, u, Item(4, "f", "F"));
    RecordUserTreeItem(AddTreeNode(tree, f, Item(5, "g", "G")));
    EXPECT_TRUE(TreeModified);
    const std::string six =
        "#c#C#i\r\n\t#s#S#i\r\n\t\t#o#O#i\r\n\t\t\t#u#U#i\r\n\t\t\t\t#f#F#i\r\n\t\t\t\t\t#g#G#i\r\n";
    EXPECT_EQ(Read("usr_tree.dat"), six);

    // A second genus: its ancestors are refreshed in place (the family's new
    // info), and its line goes after the first genus's.
    UpdateTreeNode(tree, f, Item(4, "f", "F", "new"));
    RecordUserTreeItem(AddTreeNode(tree, f, Item(5, "g2", "G2")));
    const std::string eight = "#c#C#i\r\n\t#s#S#i\r\n\t\t#o#O#i\r\n\t\t\t#u#U#i\r\n\t\t\t\t#f#F#new\r\n"
                              "\t\t\t\t\t#g#G#i\r\n\t\t\t\t\t#g2#G2#i\r\n";
    EXPECT_EQ(Read("usr_tree.dat"), eight);

    // A family right under the order (no suborder line), with two planned
    // genera told apart by name; recording one again adds nothing.
    TTreeNode* f2 = AddTreeNode(tree, o, Item(4, "f2", "F2"));
    TTreeNode* p1 = AddTreeNode(tree, f2, Item(5, "(n/a)", "[one]"));
    RecordUserTreeItem(p1);
    RecordUserTreeItem(AddTreeNode(tree, f2, Item(5, "(n/a)", "[two]")));
    UpdateTreeNode(tree, p1, Item(5, "(n/a)", "[one]", "named later"));
    RecordUserTreeItem(p1);
    EXPECT_EQ(Read("usr_tree.dat"),
              "#c#C#i\r\n\t#s#S#i\r\n\t\t#o#O#i\r\n"
              "\t\t\t\t#f2#F2#i\r\n"
              "\t\t\t\t\t#(n/a)#[one]#named later\r\n"
              "\t\t\t\t\t#(n/a)#[two]#i\r\n"
              "\t\t\t#u#U#i\r\n\t\t\t\t#f#F#new\r\n\t\t\t\t\t#g#G#i\r\n\t\t\t\t\t#g2#G2#i\r\n");
    // The file reads back as the same outline: every line under its ancestors.
    Write("classifytree.dat", Read("usr_tree.dat"));
    TTaxonomyTree outline;
    ASSERT_EQ(LoadTree(outline), 0);
    EXPECT_EQ(Shape(outline), "c() s(c) o(s) f2(o) (n/a)(f2) (n/a)(f2) u(o) f(u) g(f) g2(f) ");
}

// A planned item and a real branch of the same name are different lines of "usr_tree.dat", when
// adding and when deleting; a deletion takes the item's own lines and never its next sibling's.
TEST_F(TStoreTest, UserTreeLinesOfPlannedAndRealItemsStayApart) {
    const std::string head = "#c#C#i\r\n\t\t#o#O#i\r\n";
    const std::string realFamily = "\t\t\t\t#fel#Felidae#i\r\n\t\t\t\t\t#aurex#Aurex#i\r\n";
    const std::string plannedFamily = "\t\t\t\t#(n/a)#Felidae#i\r\n\t\t\t\t\t#(n/a)#[g]#i\r\n";
    struct TCase {
        const char* What;
        std::string Before;
        TTaxonomyData Deleted; // the last node like it, or the planned genus added under family "fel"
        std::string After;
    };
    const TCase cases[] = {
        {"delete the planned family", head + realFamily + plannedFamily, Item(4, "(n/a)", "Felidae"),
         head + realFamily},
        {"delete the real family", head + plannedFamily + realFamily, Item(4, "fel", "Felidae"),
         head + plannedFamily},
        {"delete the first of two siblings", head + realFamily + "\t\t\t\t#f2#F2#i\r\n",
         Item(4, "fel", "Felidae"), head + "\t\t\t\t#f2#F2#i\r\n"},
        {"delete the planned genus of the second of two families that have one of that name",
         head + "\t\t\t\t#f1#F1#i\r\n\t\t\t\t\t#(n/a)#[no named]#i\r\n" +
             "\t\t\t\t#f2#F2#i\r\n\t\t\t\t\t#(n/a)#[no named]#i\r\n\t\t\t\t\t#g2#G2#i\r\n",
         Item(5, "(n/a)", "[no named]"),
         head + "\t\t\t\t#f1#F1#i\r\n\t\t\t\t\t#(n/a)#[no "
                "named]#i\r\n\t\t\t\t#f2#F2#i\r\n\t\t\t\t\t#g2#G2#i\r\n"},
        {"add a planned genus named as a real one", head + realFamily, Item(5, "(n/a)", "Aurex"),
         head + "\t\t\t\t#fel#Felidae#i\r\n\t\t\t\t\t#aurex#Aurex#i\r\n\t\t\t\t\t#(n/a)#Aurex#i\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        Write("classifytree.dat", c.Before);
        Write("usr_tree.dat", c.Before);
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        if (c.Deleted.Level() == 5 && c.Deleted.Name() == "Aurex") {
            TTreeNode* family = FindTreeNode(tree, MakeNodeKey(4, "fel", "", ""));
            RecordUserTreeItem(AddTreeNode(tree, family, c.Deleted));
        } else {
            TTreeNode* node = nullptr;
            tree.ForEachNode([&](TTreeNode* n) {
                if (n->Id() == c.Deleted.Id() && n->Name() == c.Deleted.Name())
                    node = n;
            });
            ASSERT_NE(node, nullptr);
            DeleteTreeItem(tree, node, false);
        }
        EXPECT_EQ(Read("usr_tree.dat"), c.After);
    }
}

TEST_F(TStoreTest, DeleteTreeItemWithAndWithoutRecords) {
    Write("classifytree.dat", "#c#C#i\r\n"
                              "\t\t#o#O#i\r\n"
                              "\t\t\t\t#f1#F1#i\r\n"
                              "\t\t\t\t\t#g1#G1#i\r\n"
                              "\t\t\t\t\t#g2#G2#i\r\n"
                              "\t\t\t\t\t#(n/a)#[p]#i\r\n"
                              "\t\t\t\t\t#g3#G3#i\r\n"
                              "\t\t\t\t#f2#F2#i\r\n"
                              "\t\t\t\t\t#(n/a)#[p]#i\r\n"
                              "\t\t\t\t\t#g4#G4#i\r\n");
    const std::string families = "f1#F1#m#d\r\nf2#F2#m#d\r\n";
    const std::string genera = "g1#G1#m#d#t#c#-#####k\r\n\t#s1#m#d\r\n\t#s2#m#d\r\n"
                               "g2#G2#m\r\n\r\n"
                               "(n/a)#[p]#m\r\n"
                               "g4#G4#m\r\n\t#s4#m#d\r\n"
                               "g3#G3#m\r\n\t#s3#m#d\r\n";
    Write("family.dat", families);
    Write("genus.dat", genera);
    Write("usr_genus.dat", "g1#Mine#m\r\n");
    Write("usr_tree.dat", "#c#C#i\r\n\t\t#o#O#i\r\n\t\t\t\t#f1#F1#i\r\n\t\t\t\t\t#(n/a)#[p]#i\r\n"
                          "\t\t\t\t\t#g1#G1#i\r\n\t\t\t\t#f2#F2#i\r\n\t\t\t\t\t#(n/a)#[p]#i\r\n"
                          "\t\t\t\t\t#g4#G4#i\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    TDeletions seen;
    tree.AddObserver(&seen);

    // Without records: only the tree and the user tree file change.
    TTreeNode* f2 = FindTreeNode(tree, MakeNodeKey(4, "f2", "", ""));
    DeleteTreeItem(tree, f2, false);
    EXPECT_TRUE(TreeModified);
    EXPECT_EQ(seen.Removes, 1);
    EXPECT_EQ(seen.Ids, (std::vector<std::string>{"f2", "(n/a)", "g4"}));
    EXPECT_EQ(Read("family.dat"), families);
    EXPECT_EQ(Read("genus.dat"), genera);
    // The planned genus of the same name under the other family keeps its line.
    EXPECT_EQ(Read("usr_tree.dat"), "#c#C#i\r\n\t\t#o#O#i\r\n\t\t\t\t#f1#F1#i\r\n\t\t\t\t\t#(n/a)#[p]#i\r\n"
                                    "\t\t\t\t\t#g1#G1#i\r\n");

    // With records: the family's record and its genera's records with their
    // species lines go; the planned genus removes nothing, the user database
    // keeps its record; the ancestors stay in the user tree file.
    DeleteTreeItem(tree, tree.First()->Child(0)->Child(0), true);
    EXPECT_EQ(Shape(tree), "c() o(c) ");
    EXPECT_EQ(Read("family.dat"), "f2#F2#m#d\r\n");
    EXPECT_EQ(Read("genus.dat"), "(n/a)#[p]#m\r\ng4#G4#m\r\n\t#s4#m#d\r\n");
    EXPECT_EQ(Read("usr_genus.dat"), "g1#Mine#m\r\n");
    EXPECT_EQ(Read("usr_tree.dat"), "#c#C#i\r\n\t\t#o#O#i\r\n");

    // The next start sees the change.
    SaveTreeFile(tree);
    TTaxonomyTree next;
    ASSERT_EQ(LoadTree(next), 0);
    EXPECT_EQ(Shape(next), "c() o(c) ");

    // Without a user tree file only the tree changes.
    ASSERT_TRUE(DeleteFile(PathOf("usr_tree.dat")));
    DeleteTreeItem(tree, tree.First()->Child(0), true);
    EXPECT_EQ(Shape(tree), "c() ");
    EXPECT_FALSE(FileExists(PathOf("usr_tree.dat")));
    tree.RemoveObserver(&seen);
}

TEST_F(TStoreTest, DeleteRecordsIsDeleteRecordForEachId) {
    // Records with an id twice, species blocks with empty lines, a species
    // line whose first field is a TAB, lines without '#'.
    const struct {
        int Level;
        std::string Text;
    } files[] = {
        {5, "a#A\r\n\t#s\r\n\r\n\t#t\r\nb#B\r\na#A2\r\n\t#u\r\nc\r\n\r\nd#D\r\n\t#v\r\n"},
        {2, "a#A\r\nb#B\r\n\t#x\r\na#A2\r\nc\r\n\r\nd#D\r\n"},
    };
    const std::vector<std::string> ids = {"a", "\t", "c", "", "zz", "a"};
    for (const auto& f : files) {
        const std::string name = f.Level == 5 ? "genus.dat" : "order.dat";
        Write(name, f.Text);
        for (const auto& id : ids)
            DeleteRecord(id, f.Level, false, true);
        const std::string oneByOne = Read(name);
        Write(name, f.Text);
        EXPECT_EQ(DeleteRecords(f.Level, ids, false), 4u) << name;
        EXPECT_EQ(Read(name), oneByOne) << name;
    }
    // Nothing found: the file is not rewritten; a missing file stays missing.
    Write("genus.dat", "a#A\n");
    EXPECT_EQ(DeleteRecords(5, {"b"}, false), 0u);
    EXPECT_EQ(Read("genus.dat"), "a#A\n");
    EXPECT_EQ(DeleteRecords(5, {"a"}, true), 0u);
    EXPECT_FALSE(FileExists(PathOf("usr_genus.dat")));
    EXPECT_EQ(DeleteRecords(6, {"a"}, false), 0u);
}

TEST_F(TStoreTest, TreeEditsThatCannotWriteLoseNothing) {
    Write("classifytree.dat", "#c#C#i\r\n\t\t\t\t#f#F#i\r\n\t\t\t\t\t#g#G#i\r\n");
    Write("family.dat", "f#F#m#d\r\nf0#F0#m#d\r\n");
    Write("genus.dat", "g#G#m\r\n\t#s#m#d\r\ng0#G0#m\r\n");
    Write("usr_tree.dat", "#c#C#i\r\n\t\t\t\t#f#F#i\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    TTreeNode* f = tree.First()->Child(0);
    {
        TFileSizeLimit limit;
        EXPECT_THROW(DeleteTreeItem(tree, f, true), EWriteError);
        EXPECT_THROW(RecordUserTreeItem(f->Child(0)), EWriteError);
    }
    // The tree and every file as they were; no temporary file left behind.
    EXPECT_EQ(Shape(tree), "c() f(c) g(f) ");
    EXPECT_EQ(Read("family.dat"), "f#F#m#d\r\nf0#F0#m#d\r\n");
    EXPECT_EQ(Read("genus.dat"), "g#G#m\r\n\t#s#m#d\r\ng0#G0#m\r\n");
    EXPECT_EQ(Read("usr_tree.dat"), "#c#C#i\r\n\t\t\t\t#f#F#i\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder), {}), 4);
}

TEST_F(TStoreTest, DeleteTreeItemKeepsTheNextSiblingsLines) {
    const std::string head = "#c#C#i\r\n\t\t\t\t#f1#F1#i\r\n";
    const std::string genera = "\t\t\t\t\t#g1#G1#i\r\n\t\t\t\t\t#g2#G2#i\r\n";
    const std::string next = "\t\t\t\t#f2#F2#i\r\n\t\t\t\t\t#g3#G3#i\r\n";
    const struct {
        int Level;
        const char* Id;
        std::string After;
    } cases[] = {
        {5, "g1", head + "\t\t\t\t\t#g2#G2#i\r\n" + next}, // a leaf before its sibling
        {4, "f1", "#c#C#i\r\n" + next},                    // a branch with children before its sibling
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Id);
        Write("classifytree.dat", head + genera + next);
        Write("usr_tree.dat", head + genera + next);
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        DeleteTreeItem(tree, FindTreeNode(tree, MakeNodeKey(c.Level, c.Id, "", "")), false);
        EXPECT_EQ(Read("usr_tree.dat"), c.After);
    }
}
