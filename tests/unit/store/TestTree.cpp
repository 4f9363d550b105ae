#include "Fields.h"
#include "StrUtils.h"
#include "TaxonomyTree.h"
#include "TempFolder.h"
#include "TextFiles.h"

#include <array>
#include <functional>
#include <map>
#include <random>
#include <set>

namespace {
// Records every notification, checking the data of deleted nodes is intact.
struct TRecorder : ITreeObserver {
    std::vector<std::string> Events;
    void BeginReset() override { Events.push_back("BeginReset"); }
    void EndReset() override { Events.push_back("EndReset"); }
    void BeginInsert(TTreeNode* p, int row) override {
        Events.push_back("BeginInsert " + (p ? std::string(p->Id()) : "-") + " " + std::to_string(row));
    }
    void EndInsert() override { Events.push_back("EndInsert"); }
    void BeginRemove(TTreeNode* p, int row) override {
        Events.push_back("BeginRemove " + (p ? std::string(p->Id()) : "-") + " " + std::to_string(row));
    }
    void EndRemove() override { Events.push_back("EndRemove"); }
    void NodeChanged(TTreeNode* n) override { Events.push_back("Changed " + std::string(n->Id())); }
    void NodeDeleting(TTreeNode* n) override { Events.push_back("Deleting " + std::string(n->Id())); }
};

// The tree as "id(parent id)" in pre-order.
std::string Shape(const TTaxonomyTree& tree) {
    std::string s;
    tree.ForEachNode([&](const TTreeNode* n) {
        s += std::string(n->Id()) + "(" + std::string(n->Parent() ? n->Parent()->Id() : "") + ") ";
    });
    return s;
}
} // namespace

TEST_F(TStoreTest, LoadTreePlacesLinesUnderClosestSmallerLevel) {
    TTaxonomyTree tree;
    EXPECT_EQ(LoadTree(tree), -1); // missing file
    Write("classifytree.dat", "");
    EXPECT_EQ(LoadTree(tree), -1); // no lines
    Write("classifytree.dat", "\r\n\r\n");
    EXPECT_EQ(LoadTree(tree), -1); // no usable lines

    Write("classifytree.dat", "#a#A#i\r\n"
                              "\t#b#B#i\r\n"
                              "\t\t\t#c#C#i\r\n" // level 3 under level 1
                              "#d#D#i\r\n"
                              "\t\t#e#E#i\r\n"         // under d, not under b
                              "\t\t\t\t\t\t#x#X#i\r\n" // six characters: no node
                              "\t\t\t\t\t#g#G#i\r\n");
    EXPECT_EQ(LoadTree(tree), 0);
    EXPECT_EQ(Shape(tree), "a() b(a) c(b) d() e(d) g(e) ");
    EXPECT_EQ(tree.Count(), 6u);
    EXPECT_EQ(tree.First()->Id(), "a");
    EXPECT_EQ(tree.TopNodes()[1]->Row(), 1);
}

TEST_F(TStoreTest, LoadTreeBadInput) {
    // A first line of level 2 becomes top level; empty lines, lines
    // without '#' and lines of no id, name or info are skipped (they would
    // cost a node each); short lines get empty fields, never the
    // fields of the line before; lone CR ends lines; bytes stay as they are.
    Write("classifytree.dat", "\t\t#o#Orderia#x\r"
                              "\r"
                              "just text\r"
                              "\t#\r"
                              "###\r"
                              "\t\t\t#u#Sub\xF6rdo#old info\r"
                              "\t\t\t#v\r"
                              "#c#C#info#extra#more\r");
    TTaxonomyTree tree;
    EXPECT_EQ(LoadTree(tree), 0);
    EXPECT_EQ(Shape(tree), "o() u(o) v(o) c() ");
    const auto nodes = tree.Nodes();
    EXPECT_EQ(nodes[1]->Name(), "Sub\xF6rdo");
    EXPECT_EQ(nodes[2]->Data(), TTaxonomyData("\t\t\t", "v", "", ""));
    EXPECT_EQ(nodes[3]->Data(), TTaxonomyData("", "c", "C", "info"));

    SaveTreeFile(tree);
    EXPECT_EQ(Read("classifytree.dat"), "\t\t#o#Orderia#x\r\n\t\t\t#u#Sub\xF6rdo#old info\r\n"
                                        "\t\t\t#v##\r\n#c#C#info\r\n");
}

TEST_F(TStoreTest, EditsOfALoadedTree) {
    // A leading byte-order mark is no part of the first marker; the last line
    // has no line end and stops right after its id.
    Write("classifytree.dat", "\xEF\xBB\xBF#a#A#i\r\n\t#b#B#i\r\n\t#c#C#i\r\n#d#D#i\n\t#z");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    EXPECT_EQ(Shape(tree), "a() b(a) c(a) d() z(d) ");
    TTreeNode* a = tree.First();
    // Children added after loading outgrow the loaded child list.
    for (const char* id : {"e", "f", "g", "h", "i"})
        AddTreeNode(tree, a, TTaxonomyData("\t", id, "N", ""));
    tree.DeleteNode(a->Child(1)); // c
    EXPECT_EQ(Shape(tree), "a() b(a) e(a) f(a) g(a) h(a) i(a) d() z(d) ");
    for (size_t i = 0; i < a->ChildCount(); ++i)
        EXPECT_EQ(a->Child(i)->Row(), static_cast<int>(i));
    UpdateTreeNode(tree, a->Child(0), TTaxonomyData("", "b", "Renamed", "new info"));
    tree.DeleteNode(tree.TopNodes()[1]); // d and its child
    EXPECT_EQ(tree.Count(), 7u);
    SaveTreeFile(tree);
    EXPECT_EQ(Read("classifytree.dat"), "#a#A#i\r\n\t#b#Renamed#new info\r\n\t#e#N#\r\n\t#f#N#\r\n"
                                        "\t#g#N#\r\n\t#h#N#\r\n\t#i#N#\r\n");
}

TEST_F(TStoreTest, TreeRoundTripOf300Lines) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += std::string(static_cast<size_t>(i % 6), '\t') + "#id" + std::to_string(i) + "#N" +
                std::to_string(i) + "#I\r\n";
    Write("classifytree.dat", text);
    TTaxonomyTree tree;
    EXPECT_EQ(LoadTree(tree), 0);
    EXPECT_EQ(tree.Count(), 300u);
    TreeModified = true;
    SaveTreeFile(tree);
    EXPECT_EQ(Read("classifytree.dat"), text);

    TTaxonomyTree empty;
    SaveTreeFile(empty);
    EXPECT_EQ(Read("classifytree.dat"), "");
}

// A line whose marker begins with the bytes of a byte-order mark keeps them, wherever it ends up.
TEST_F(TStoreTest, SavedTreeLoadsAsTheSameTree) {
    const struct {
        const char* What;
        std::string File;
        int Deleted; // the top node deleted before saving, or -1
    } cases[] = {
        {"after a line that is no node", "just text\r\n\xEF\xBB\xBF\t#b#B#i\r\n\t#c#C#i\r\n", -1},
        {"after a mark of the file's own", "\xEF\xBB\xBF\xEF\xBB\xBF#a#A#i\r\n", -1},
        {"first once the lines before are deleted", "\t\t\t\t#a#A#i\r\n\xEF\xBB\xBF#b#B#i\r\n#c#C#i", 0},
        {"in the middle", "#a#A#i\r\n\xEF\xBB\xBF#b#B#i\r\n", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Write("classifytree.dat", c.File);
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        if (c.Deleted >= 0)
            tree.DeleteNode(tree.TopNodes()[static_cast<size_t>(c.Deleted)]);
        const std::string shape = Shape(tree);
        std::vector<int> levels;
        tree.ForEachNode([&](const TTreeNode* n) { levels.push_back(n->Level()); });
        SaveTreeFile(tree);
        TTaxonomyTree again;
        ASSERT_EQ(LoadTree(again), 0);
        EXPECT_EQ(Shape(again), shape);
        std::vector<int> levelsAgain;
        again.ForEachNode([&](const TTreeNode* n) { levelsAgain.push_back(n->Level()); });
        EXPECT_EQ(levelsAgain, levels);
    }
}

// The tree file holds every node's four fields joined by '#', whatever the line was like when
// loaded and however the node was changed since; lines are copied in one piece where they can
// be, and the output passes its buffer several times over.
TEST_F(TStoreTest, SavedTreeIsEveryNodesFieldsJoined) {
    std::mt19937 rng(7);
    auto pick = [&](std::initializer_list<const char*> items) {
        return std::string(items.begin()[rng() % items.size()]);
    };
    for (int round = 0; round < 12; ++round) {
        std::string text = rng() % 3 == 0 ? "\xEF\xBB\xBF" : "";
        const int lines = round < 4 ? 1 + static_cast<int>(rng() % 20) : 60000;
        for (int i = 0; i < lines; ++i) {
            // The later rounds are mostly whole lines, which go out in runs, with a few odd ones.
            const bool plain = round >= 8 && rng() % 500 != 0;
            text += std::string(rng() % 6, '\t') +
                    (plain ? "#id#Name#Info"
                           : pick({"#id#Name#Info", "#id#Name#", "#id#Name", "#id", "#",
                                   "#id#Name#Info#fifth#sixth", "##Name#Info", "#id##", ""}));
            if (rng() % 30000 == 0)
                text += std::string(1500000, 'x'); // longer than the whole buffer
            if (i + 1 < lines || rng() % 2)
                text += plain ? "\r\n" : pick({"\r\n", "\n", "\r"});
        }
        Write("classifytree.dat", text);
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        // Changed, added and deleted nodes keep their fields elsewhere.
        const std::vector<TTreeNode*> nodes = tree.Nodes();
        for (int k = 0; k < 5; ++k) {
            TTreeNode* node = nodes[rng() % nodes.size()];
            UpdateTreeNode(tree, node,
                           TTaxonomyData("", pick({"new", ""}), pick({"N", ""}), pick({"I", ""})));
            AddTreeNode(
                tree, node,
                TTaxonomyData(std::string(rng() % 6, '\t'), "added", pick({"A", ""}), pick({"i", ""})));
        }
        for (TTreeNode* node : {nodes.back(), nodes[rng() % nodes.size()]})
            if (!node->Deleted() && tree.Count() > 1)
                tree.DeleteNode(node);
        std::string expected;
        tree.ForEachNode([&](const TTreeNode* n) {
            for (const std::string_view field : {n->Marker(), n->Id(), n->Name()})
                expected.append(field).append("#");
            expected.append(n->Info()).append("\r\n");
        });
        SaveTreeFile(tree);
        const std::string saved = Read("classifytree.dat");
        ASSERT_EQ(saved.size(), expected.size()) << "round " << round;
        ASSERT_TRUE(saved == expected) << "round " << round;
    }
}

TEST(TreeNodes, CaptionsAndIcons) {
    const TTaxonomyData order("\t\t", "o", "Alpha", "x");
    EXPECT_EQ(NodeText(2, order, 1), "Order Alpha");
    EXPECT_EQ(NodeText(2, order, 2), "Order  (x)");
    EXPECT_EQ(NodeText(2, order, 3), "Order Alpha (x)");
    const TTaxonomyData genus("\t\t\t\t\t", "g", "Beta", "y");
    EXPECT_EQ(NodeText(5, genus, 1), "Beta");
    EXPECT_EQ(NodeText(5, genus, 2), " (y)");
    EXPECT_EQ(NodeText(5, genus, 3), "Beta (y)");

    TTaxonomyTree tree;
    TTreeNode* fam = AddTreeNode(tree, nullptr, TTaxonomyData("\t\t\t\t", "f", "Fam", "i"));
    TTreeNode* g = AddTreeNode(tree, fam, genus);
    TTreeNode* planned = AddTreeNode(tree, fam, TTaxonomyData("\t\t\t\t\t", "(n/a)", "Gamma", ""));
    EXPECT_EQ(ImageIndexOf(fam), 0);
    EXPECT_EQ(SelectedIndexOf(fam), 1);
    EXPECT_EQ(ImageIndexOf(g), 2);
    EXPECT_EQ(SelectedIndexOf(g), 3);
    EXPECT_EQ(ImageIndexOf(planned), 4);
    EXPECT_EQ(SelectedIndexOf(planned), 5);
    tree.SetDisplayMode(1);
    EXPECT_EQ(tree.Caption(fam), "Family Fam");
    EXPECT_EQ(tree.Caption(g), "Beta");

    // The marker stays when a node is updated.
    UpdateTreeNode(tree, g, TTaxonomyData("", "g2", "Beta2", "z"));
    EXPECT_EQ(g->Data(), TTaxonomyData("\t\t\t\t\t", "g2", "Beta2", "z"));
}

TEST(TreeNodes, FindByIdOrByNameForPlannedItems) {
    TTaxonomyTree tree;
    TTreeNode* c = AddTreeNode(tree, nullptr, TTaxonomyData("", "c1", "Same", ""));
    TTreeNode* p1 = AddTreeNode(tree, c, TTaxonomyData("\t", "(n/a)", "Same", ""));
    TTreeNode* c2 = AddTreeNode(tree, nullptr, TTaxonomyData("", "abc", "Other", ""));
    AddTreeNode(tree, c2, TTaxonomyData("\t", "abc", "Dup", ""));

    const TTaxonomyData key = MakeNodeKey(3, "ABC", "n", "i");
    EXPECT_EQ(key, TTaxonomyData("   ", "abc", "n", "i"));
    EXPECT_EQ(FindTreeNode(tree, key), c2); // first in tree order
    EXPECT_EQ(FindTreeNode(tree, MakeNodeKey(0, "C1", "", "")), c);
    EXPECT_EQ(FindTreeNode(tree, MakeNodeKey(0, "zz", "Same", "")), nullptr);
    // "(n/a)" compares names; the first match in tree order wins.
    TTaxonomyData byName = MakeNodeKey(1, "(n/a)", "Same", "");
    EXPECT_EQ(FindTreeNode(tree, byName), c);
    EXPECT_EQ(FindTreeNode(tree, MakeNodeKey(1, "(n/a)", "same", "")), nullptr);
    (void)p1;
}

TEST(TreeNodes, ObserverSeesPairsAndEveryDeletion) {
    TTaxonomyTree tree;
    TRecorder rec;
    tree.AddObserver(&rec);
    TTreeNode* a = AddTreeNode(tree, nullptr, TTaxonomyData("", "a", "", ""));
    TTreeNode* b = AddTreeNode(tree, a, TTaxonomyData("\t", "b", "", ""));
    AddTreeNode(tree, b, TTaxonomyData("\t\t", "c", "", ""));
    TTreeNode* d = AddTreeNode(tree, a, TTaxonomyData("\t", "d", "", ""));
    EXPECT_EQ(rec.Events,
              (std::vector<std::string>{"BeginInsert - 0", "EndInsert", "Changed a", "BeginInsert a 0",
                                        "EndInsert", "Changed b", "BeginInsert b 0", "EndInsert", "Changed c",
                                        "BeginInsert a 1", "EndInsert", "Changed d"}));
    rec.Events.clear();
    tree.DeleteNode(b);
    EXPECT_EQ(rec.Events,
              (std::vector<std::string>{"BeginRemove a 0", "Deleting b", "Deleting c", "EndRemove"}));
    EXPECT_EQ(d->Row(), 0);
    EXPECT_EQ(tree.Count(), 2u);
    EXPECT_EQ(Shape(tree), "a() d(a) ");

    rec.Events.clear();
    tree.Clear();
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"BeginReset", "Deleting a", "Deleting d", "EndReset"}));
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(tree.First(), nullptr);
    tree.RemoveObserver(&rec);
}

TEST(TreeNodes, ABranchPutBackIsOneInsertAtItsRow) {
    using TLine = TTaxonomyTree::TBranchLine;
    auto line = [](size_t depth, const char* id) {
        return TLine{depth, TTaxonomyData("", id, "", ""), false};
    };
    struct TCase {
        const char* Why;
        bool TopLevel;
        size_t Row;
        std::vector<TLine> Lines;
        const char* Shape; // empty: refused
    } const cases[] = {
        {"first child",
         false,
         0,
         {line(0, "x"), line(1, "y"), line(2, "z"), line(1, "w")},
         "a() x(a) y(x) z(y) w(x) b(a) d(a) "},
        {"between", false, 1, {line(0, "x")}, "a() b(a) x(a) d(a) "},
        {"last", false, 2, {line(0, "x")}, "a() b(a) d(a) x(a) "},
        {"top level", true, 0, {line(0, "x"), line(1, "y")}, "x() y(x) a() b(a) d(a) "},
        {"row past the end", false, 3, {line(0, "x")}, ""},
        {"nothing", false, 0, {}, ""},
        {"a first line below another", false, 0, {line(1, "x")}, ""},
        {"a line two deeper", false, 0, {line(0, "x"), line(2, "y")}, ""},
        {"a second first line", false, 0, {line(0, "x"), line(0, "y")}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        TTaxonomyTree tree;
        TTreeNode* a = AddTreeNode(tree, nullptr, TTaxonomyData("", "a", "", ""));
        AddTreeNode(tree, a, TTaxonomyData("\t", "b", "", ""));
        AddTreeNode(tree, a, TTaxonomyData("\t", "d", "", ""));
        TRecorder rec;
        tree.AddObserver(&rec);
        const uint64_t stamp = tree.Stamp();
        TTreeNode* parent = c.TopLevel ? nullptr : a;
        if (!*c.Shape) {
            EXPECT_THROW(tree.InsertBranch(parent, c.Row, c.Lines), std::invalid_argument);
            EXPECT_EQ(Shape(tree), "a() b(a) d(a) ");
            EXPECT_TRUE(rec.Events.empty());
            continue;
        }
        TTreeNode* top = tree.InsertBranch(parent, c.Row, c.Lines);
        EXPECT_EQ(Shape(tree), c.Shape);
        EXPECT_EQ(tree.Count(), 3 + c.Lines.size());
        EXPECT_EQ(top->Row(), static_cast<int>(c.Row));
        for (size_t i = 0; i < tree.ChildCount(parent); ++i)
            EXPECT_EQ(tree.Child(parent, i)->Row(), static_cast<int>(i));
        EXPECT_NE(tree.Stamp(), stamp);
        EXPECT_EQ(rec.Events, (std::vector<std::string>{"BeginInsert " + std::string(c.TopLevel ? "-" : "a") +
                                                            " " + std::to_string(c.Row),
                                                        "EndInsert"}));
        tree.RemoveObserver(&rec);
    }
}

TEST_F(TStoreTest, LoadTreeAnnouncesOneReset) {
    Write("classifytree.dat", "#a#A#\r\n\t#b#B#\r\n");
    TTaxonomyTree tree;
    TRecorder rec;
    tree.AddObserver(&rec);
    LoadTree(tree);
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"BeginReset", "EndReset"}));
    rec.Events.clear();
    LoadTree(tree); // a loaded tree is cleared first
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"BeginReset", "Deleting a", "Deleting b", "EndReset",
                                                    "BeginReset", "EndReset"}));
    EXPECT_EQ(tree.Count(), 2u);
    tree.RemoveObserver(&rec);
}

// Whatever is kept from a tree is kept by its stamp: every kind of change must give a new one, and
// no two trees share one.
TEST_F(TStoreTest, EveryChangeGivesTheTreeANewStamp) {
    Write("classifytree.dat", "#a#A#\r\n\t#b#B#\r\n");
    TTaxonomyTree tree, other;
    std::set<uint64_t> seen = {other.Stamp()};
    auto node = [&](const char* id) { return FindTreeNode(tree, MakeNodeKey(1, id, "", "")); };
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"load", [&] { LoadTree(tree); }},
        {"add", [&] { tree.AddNode(node("b"), TTaxonomyData("\t\t", "c", "C", "")); }},
        {"fields", [&] { tree.SetFields(node("c"), TTaxonomyData("", "c", "Cc", "")); }},
        {"delete", [&] { tree.DeleteNode(node("c")); }},
        {"clear", [&] { tree.Clear(); }},
    };
    EXPECT_TRUE(seen.insert(tree.Stamp()).second);
    for (const auto& [name, change] : changes) {
        change();
        EXPECT_TRUE(seen.insert(tree.Stamp()).second) << name;
    }
    const uint64_t stamp = tree.Stamp();
    tree.SetDisplayMode(1); // captions are not the tree's nodes
    tree.ForEachNode([](TTreeNode* n) { n->SetExpanded(true); });
    EXPECT_EQ(tree.Stamp(), stamp);
}

TEST_F(TStoreTest, TreeStateRoundTripAndPartialMatch) {
    Write("classifytree.dat", "#a#A#\r\n\t#b#B#\r\n\t\t#c#C#\r\n#d#D#\r\n\t#e#E#\r\n");
    TTaxonomyTree tree;
    LoadTree(tree);
    std::map<const TTreeNode*, bool> expanded;
    for (TTreeNode* n : tree.Nodes())
        expanded[n] = n->Id() == "a" || n->Id() == "d";
    SaveTreeState(tree, [&](const TTreeNode* n) { return expanded[n]; });
    EXPECT_EQ(Read("treestate.dat"), "#a#1\r\n\t#b#0\r\n\t\t#c#0\r\n#d#1\r\n\t#e#0\r\n");

    std::map<std::string, bool> applied;
    auto set = [&](TTreeNode* n, bool e) { applied[std::string(n->Id())] = e; };
    LoadTreeState(tree, set);
    EXPECT_EQ(applied, (std::map<std::string, bool>{
                           {"a", true}, {"b", false}, {"c", false}, {"d", true}, {"e", false}}));

    // Lines that do not match the current node are skipped; once the lines
    // run out, the remaining nodes keep their state.
    applied.clear();
    Write("treestate.dat", "#a#1\r\n#zz#1\r\n\t#b#7\r\n#d#1\r\n\t\t#c#0\r\n");
    LoadTreeState(tree, set);
    EXPECT_EQ(applied, (std::map<std::string, bool>{{"a", true}, {"b", true}, {"c", false}}));

    applied.clear();
    Write("treestate.dat", "");
    LoadTreeState(tree, set);
    std::filesystem::remove(PathOf("treestate.dat"));
    LoadTreeState(tree, set);
    EXPECT_TRUE(applied.empty());
}

// A walk over all nodes gives them in pre-order however the tree came about: as loaded (the
// records across the edges of their blocks, lines skipped, a line without parent) and after each
// kind of change.
TEST_F(TStoreTest, WalkGivesEveryNodeInPreOrder) {
    std::string outline = "#top#T#\r\nno hash line\r\n\t\t#deep#D#\r\n\t\t\t\t\t\t#skipped#S#\r\n";
    for (int i = 0; i < 1200000; ++i)
        outline += i % 3 == 0 ? "\t#f" + std::to_string(i) + "#F#\n" : "\t\t#g" + std::to_string(i) + "#G#\n";
    Write("classifytree.dat", outline);
    const struct {
        const char* Change;
        std::function<void(TTaxonomyTree&)> Apply;
    } cases[] = {
        {"as loaded", [](TTaxonomyTree&) {}},
        {"a node added", [](TTaxonomyTree& t) { t.AddNode(t.First(), TTaxonomyData("\t", "new", "N", "")); }},
        {"a node deleted", [](TTaxonomyTree& t) { t.DeleteNode(t.First()->Child(1)); }},
        {"a branch put in",
         [](TTaxonomyTree& t) {
             t.InsertBranch(t.First(), 0,
                            {{0, TTaxonomyData("\t", "b", "B", ""), true},
                             {1, TTaxonomyData("\t\t", "c", "C", ""), false}});
         }},
    };
    for (const auto& c : cases) {
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        c.Apply(tree);
        std::vector<TTreeNode*> walked;
        tree.ForEachNode([&](TTreeNode* n) { walked.push_back(n); });
        std::vector<TTreeNode*> followed;
        for (TTreeNode* n = tree.First(); n; n = tree.Next(n))
            followed.push_back(n);
        EXPECT_EQ(walked.size(), tree.Count()) << c.Change;
        EXPECT_TRUE(walked == followed) << c.Change;
        // Each record's number gives it back, however stale the hint, and no two share one.
        std::set<uint32_t> numbers;
        size_t hint = 7;
        bool same = true;
        for (size_t i = 0; i < walked.size(); ++i) {
            if (i % 100000 == 0)
                hint = i % 3 == 0 ? SIZE_MAX : i / 100000;
            const uint32_t number = tree.NumberOf(walked[i], hint);
            same = same && tree.NodeOfNumber(number) == walked[i];
            numbers.insert(number);
        }
        EXPECT_TRUE(same) << c.Change;
        EXPECT_EQ(numbers.size(), walked.size()) << c.Change;
        TTaxonomyTree other;
        EXPECT_THROW(other.NumberOf(walked.front(), hint), std::invalid_argument);
    }
}

// The state file is read line by line as the split at CR, LF or CR LF gives them (a byte-order mark
// first aside), each line's second field compared with the next node's id and its third taken as
// an integer; a line of another id is passed over. Random files of the bytes that matter, a few
// of them larger than a read block, against that rule written plainly.
TEST_F(TStoreTest, TreeStateLinesFollowTheLineAndFieldRules) {
    Write("classifytree.dat", "#a#A#\r\n\t##Empty#\r\n\t#b#B#\r\n\t\t#a#A2#\r\n#1#One#\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    auto expected = [&](std::string_view text) {
        std::vector<std::pair<std::string, int>> applied;
        TTreeNode* node = tree.First();
        ForEachLine(text, [&](std::string_view line) {
            std::array<std::string_view, 3> f{};
            SplitFieldViews(line, f, 2);
            if (!node || f[1] != node->Id())
                return;
            if (int state = 0; TryStrToInt(f[2], state))
                applied.emplace_back(node->Id(), state != 0);
            node = tree.Next(node);
        });
        return applied;
    };
    auto actual = [&](const std::string& text) {
        Write("treestate.dat", text);
        std::vector<std::pair<std::string, int>> applied;
        LoadTreeState(tree, [&](TTreeNode* n, bool e) { applied.emplace_back(n->Id(), e); });
        return applied;
    };
    std::vector<std::string> texts = {
        "\xEF\xBB\xBF#a#1\n\t##0\r\t#b#1\r\n\t\t#a#1#x\r\n#1#0",
        "#a#1\r\n\r\n#b#1\r\r\n#a#+1\n\n#1#2", // blank lines are the empty id's lines
        "#a\r\n#a#1\r\n##\r\n#b#0#1#1\r\n",
    };
    std::mt19937 random(7);
    const std::string bytes = "##\r\n\r\nab110 \t";
    for (int i = 0; i < 3000; ++i) {
        std::string text(random() % 300, ' '); // past the scanner's 64-byte steps
        for (char& c : text)
            c = bytes[random() % bytes.size()];
        texts.push_back(text);
    }
    // Lines across the edges of the read blocks.
    for (size_t pad : {0, 1, 2, 3}) {
        std::string text(1024 * 1024 - 5 - pad, 'x');
        text += "\r\n#a#1\r\n##1\r\n#b#1\r\n";
        texts.push_back(text);
    }
    for (const std::string& text : texts)
        ASSERT_EQ(actual(text), expected(text)) << text;
}

// A held node yields null once it, or a branch above it, is deleted, or the tree is cleared or
// loaded again; every other held node stays.
TEST_F(TStoreTest, HeldNodesKnowWhenTheirNodeIsGone) {
    const std::string outline = "#a#A#i\r\n\t#b#B#i\r\n\t\t#c#C#i\r\n\t#d#D#i\r\n#e#E#i\r\n";
    const struct {
        const char* Change;
        std::function<void(TTaxonomyTree&)> Apply;
        const char* Kept; // ids whose held node is still there
    } cases[] = {
        {"nothing", [](TTaxonomyTree&) {}, "abcde"},
        {"delete a leaf", [](TTaxonomyTree& t) { t.DeleteNode(t.First()->Child(1)); }, "abce"},
        {"delete a branch", [](TTaxonomyTree& t) { t.DeleteNode(t.First()->Child(0)); }, "ade"},
        {"delete a top node", [](TTaxonomyTree& t) { t.DeleteNode(t.First()); }, "e"},
        {"add a node", [](TTaxonomyTree& t) { t.AddNode(t.First(), TTaxonomyData("\t", "f", "F", "i")); },
         "abcde"},
        {"clear", [](TTaxonomyTree& t) { t.Clear(); }, ""},
        {"load again", [](TTaxonomyTree& t) { ASSERT_EQ(LoadTree(t), 0); }, ""},
    };
    Write("classifytree.dat", outline);
    for (const auto& c : cases) {
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        std::map<std::string, TNodeRef> held;
        tree.ForEachNode([&](TTreeNode* n) { held[std::string(n->Id())] = TNodeRef(tree, n); });
        c.Apply(tree);
        std::string kept;
        for (const auto& [id, ref] : held)
            if (TTreeNode* n = ref.Get()) {
                EXPECT_EQ(n->Id(), id) << c.Change;
                kept += id;
            }
        EXPECT_EQ(kept, c.Kept) << c.Change;
    }
    EXPECT_FALSE(TNodeRef().Get());
}
