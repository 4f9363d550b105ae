// The tree's compact node records: fields read in the loaded lines or kept aside, child lists
// that grow and shrink, the limit on a tree file's size, and the tree-state file of a tree larger
// than one read block.
#include "Errors.h"
#include "TaxonomyTree.h"
#include "TempFolder.h"
#include "TextFiles.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The fields as a loaded node gives them, joined the way a test can compare.
std::string FieldsOf(const TTreeNode* n) {
    return std::to_string(n->Level()) + "|" + std::string(n->Marker()) + "|" + std::string(n->Id()) + "|" +
           std::string(n->Name()) + "|" + std::string(n->Info());
}

} // namespace

// An id or name too long for a node's own lengths, and a last line without a line end, are kept
// aside; every field reads back exactly and the saved file holds the same lines.
TEST_F(TStoreTest, LongFieldsAndTheLastLineReadBackExactly) {
    const std::string edge(8191, 'e'); // the longest a node describes by itself
    const std::string over(8192, 'o');
    const std::string huge(70000, 'h'); // beyond 16 bits
    const struct {
        std::string Line;
        std::string Fields; // level|marker|id|name|info
    } cases[] = {
        {"\t#" + edge + "#" + edge + "#i", "1|\t|" + edge + "|" + edge + "|i"},
        {"\t\t#" + over + "#n#i", "2|\t\t|" + over + "|n|i"},
        {"\t\t#id#" + over + "#i", "2|\t\t|id|" + over + "|i"},
        {"\t\t\t#id#" + huge, "3|\t\t\t|id|" + huge + "|"},
        {"\t\t\t#" + huge, "3|\t\t\t|" + huge + "||"},
        {"\t\t#id#n#" + huge + "#fifth", "2|\t\t|id|n|" + huge},
        {"\t#id#n#", "1|\t|id|n|"},
        {"\t#id#n", "1|\t|id|n|"},
        {"\t#id", "1|\t|id||"},
        {"\t##n", "1|\t||n|"},
        {"ab#x#y#z", "2|ab|x|y|z"},
    };
    for (const char* lastEnd : {"\r\n", ""}) {
        std::string text = "#top#T#i\r\n";
        for (const auto& c : cases)
            text += c.Line + "\r\n";
        text += "\t#" + over + "#L#end\r\n\t#last#N#end" + lastEnd;
        Write("classifytree.dat", text);
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        const std::vector<TTreeNode*> nodes = tree.Nodes();
        ASSERT_EQ(nodes.size(), std::size(cases) + 3);
        for (size_t i = 0; i < std::size(cases); ++i)
            EXPECT_EQ(FieldsOf(nodes[i + 1]), cases[i].Fields) << i;
        EXPECT_EQ(FieldsOf(nodes[nodes.size() - 2]), "1|\t|" + over + "|L|end");
        EXPECT_EQ(FieldsOf(nodes.back()), "1|\t|last|N|end");
        SaveTreeFile(tree);
        // Lines with fewer than four fields are written with all four.
        std::string expected;
        tree.ForEachNode([&](const TTreeNode* n) {
            expected.append(n->Marker()).append("#").append(n->Id()).append("#").append(n->Name());
            expected.append("#").append(n->Info()).append("\r\n");
        });
        EXPECT_TRUE(Read("classifytree.dat") == expected) << "last line end: " << (*lastEnd ? "yes" : "no");
        // The same text in a buffer of its exact size: nothing is read past its end.
        auto bytes = std::make_unique<char[]>(text.size());
        text.copy(bytes.get(), text.size());
        TTaxonomyTree exact;
        exact.LoadOutline(std::move(bytes), text.size());
        EXPECT_EQ(FieldsOf(exact.Nodes().back()), "1|\t|last|N|end");
        // Reading the saved file again gives the same nodes.
        TTaxonomyTree again;
        ASSERT_EQ(LoadTree(again), 0);
        const std::vector<TTreeNode*> reread = again.Nodes();
        ASSERT_EQ(reread.size(), nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i)
            EXPECT_EQ(FieldsOf(reread[i]), FieldsOf(nodes[i])) << i;
    }
}

// A tree file larger than the tree takes is refused before it is read, with the tree left empty;
// one of exactly that size loads.
TEST_F(TStoreTest, TreeFileLargerThanTheLimitIsRefused) {
    const std::string text = "#a#A#i\r\n\t#b#B#i\r\n"; // 17 bytes
    Write("classifytree.dat", text);
    const struct {
        size_t Limit;
        bool Loads;
    } cases[] = {{text.size() - 1, false}, {text.size(), true}, {UINT32_MAX, true}};
    for (const auto& c : cases) {
        TTaxonomyTree tree;
        ASSERT_EQ(LoadTree(tree), 0);
        tree.SetMaxTextSize(c.Limit);
        if (c.Loads) {
            EXPECT_EQ(LoadTree(tree), 0) << c.Limit;
            EXPECT_EQ(tree.Count(), 2u);
        } else {
            EXPECT_THROW(LoadTree(tree), ETooLarge) << c.Limit;
            EXPECT_TRUE(tree.Empty());
            auto bytes = std::make_unique<char[]>(text.size());
            text.copy(bytes.get(), text.size());
            EXPECT_THROW(tree.LoadOutline(std::move(bytes), text.size()), ETooLarge);
            EXPECT_TRUE(tree.Empty());
        }
    }
    EXPECT_EQ(TTaxonomyTree().MaxTextSize(), size_t{UINT32_MAX});
}

// A child list keeps its count and room through every change: loaded full, outgrown, emptied and
// filled again; rows stay the children's places.
TEST_F(TStoreTest, ChildListsGrowAndShrink) {
    Write("classifytree.dat", "#a#A#\r\n\t#b#B#\r\n\t#c#C#\r\n#leaf#L#\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    TTreeNode* a = tree.First();
    TTreeNode* leaf = tree.TopNodes()[1];
    auto ids = [](const TTreeNode* parent) {
        std::string s;
        for (size_t i = 0; i < parent->ChildCount(); ++i) {
            EXPECT_EQ(parent->Child(i)->Row(), static_cast<int>(i));
            EXPECT_EQ(parent->Child(i)->Parent(), parent);
            s += std::string(parent->Child(i)->Id()) + " ";
        }
        EXPECT_EQ(parent->Children().size(), parent->ChildCount());
        EXPECT_EQ(parent->HasChildren(), parent->ChildCount() != 0);
        return s;
    };
    const struct {
        const char* Step;
        std::function<void()> Apply;
        TTreeNode* Parent;
        const char* Ids;
    } steps[] = {
        {"loaded", [] {}, a, "b c "},
        {"leaf", [] {}, leaf, ""},
        {"outgrown",
         [&] {
             for (const char* id : {"d", "e", "f"})
                 tree.AddNode(a, TTaxonomyData("\t", id, "", ""));
         },
         a, "b c d e f "},
        {"first child of a leaf", [&] { tree.AddNode(leaf, TTaxonomyData("\t", "x", "", "")); }, leaf, "x "},
        {"grown past its first room",
         [&] {
             for (const char* id : {"y", "z", "w", "v"})
                 tree.AddNode(leaf, TTaxonomyData("\t", id, "", ""));
         },
         leaf, "x y z w v "},
        {"middle deleted", [&] { tree.DeleteNode(a->Child(2)); }, a, "b c e f "},
        {"emptied",
         [&] {
             while (a->HasChildren())
                 tree.DeleteNode(a->Child(0));
         },
         a, ""},
        {"filled again", [&] { tree.AddNode(a, TTaxonomyData("\t", "g", "", "")); }, a, "g "},
    };
    for (const auto& s : steps) {
        s.Apply();
        EXPECT_EQ(ids(s.Parent), s.Ids) << s.Step;
    }
    EXPECT_EQ(tree.Count(), 8u);
    EXPECT_EQ(tree.Next(a), a->Child(0));
    EXPECT_EQ(tree.Next(a->Child(0)), leaf);
}

// The tree-state file of a tree larger than one block of reading applies to every node, and the
// state written back is the same file.
TEST_F(TStoreTest, TreeStateOfALargeTree) {
    std::string outline;
    std::string state;
    for (int i = 0; i < 120000; ++i) {
        const std::string marker(static_cast<size_t>(i % 3), '\t');
        const std::string id = "node" + std::to_string(i);
        outline.append(marker).append("#").append(id).append("#N#I\r\n");
        state.append(marker).append("#").append(id).append(i % 7 == 0 ? "#1\r\n" : "#0\r\n");
    }
    ASSERT_GT(state.size(), 1024u * 1024); // more than one block
    Write("classifytree.dat", outline);
    Write("treestate.dat", state);
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    LoadTreeState(tree, [](TTreeNode* n, bool e) { n->SetExpanded(e); });
    size_t i = 0;
    size_t wrong = 0;
    tree.ForEachNode([&](const TTreeNode* n) { wrong += n->Expanded() != (i++ % 7 == 0); });
    EXPECT_EQ(i, 120000u);
    EXPECT_EQ(wrong, 0u);
    std::filesystem::remove(PathOf("treestate.dat"));
    SaveTreeState(tree, [](const TTreeNode* n) { return n->Expanded(); });
    EXPECT_TRUE(Read("treestate.dat") == state);
}

// Writing the tree state leaves the file alone (same file, nothing synced) when it already holds
// exactly those bytes, and replaces it whenever any byte differs, one more or one less included.
TEST_F(TStoreTest, UnchangedTreeStateLeavesTheFileAlone) {
    std::string outline;
    std::string state;
    for (int i = 0; i < 80000; ++i) { // a state larger than one buffer
        outline += "#n" + std::to_string(i) + "#N#I\r\n\t#c" + std::to_string(i) + "#C#I\r\n";
        state +=
            "#n" + std::to_string(i) + (i % 2 ? "#1\r\n" : "#0\r\n") + "\t#c" + std::to_string(i) + "#0\r\n";
    }
    Write("classifytree.dat", outline);
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    size_t i = 0;
    tree.ForEachNode([&](TTreeNode* n) { n->SetExpanded(i++ % 4 == 2); }); // every odd top node
    std::string lastByteChanged = state;
    lastByteChanged.back() = 'x';
    std::string firstByteChanged = state;
    firstByteChanged[1] = 'N';
    const struct {
        const char* Old;
        std::string Bytes;
        bool Kept;
    } cases[] = {
        {"the same", state, true},
        {"last byte", lastByteChanged, false},
        {"first byte", firstByteChanged, false},
        {"one byte more", state + "x", false},
        {"one byte less", state.substr(0, state.size() - 1), false},
        {"empty", "", false},
    };
    static int syncs;
    AtomicFileSync = [](int) { return ++syncs, 0; };
    for (const auto& c : cases) {
        Write("treestate.dat", c.Bytes);
        struct stat before {};
        ASSERT_EQ(stat(PathOf("treestate.dat").c_str(), &before), 0);
        syncs = 0;
        SaveTreeState(tree, [](const TTreeNode* n) { return n->Expanded(); });
        struct stat after {};
        ASSERT_EQ(stat(PathOf("treestate.dat").c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, c.Kept) << c.Old;
        EXPECT_EQ(syncs == 0, c.Kept) << c.Old;
        EXPECT_TRUE(Read("treestate.dat") == state) << c.Old;
    }
    AtomicFileSync = fsync;
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder))
        ++files;
    EXPECT_EQ(files, 2u) << "no temporary file left";
}

// What a tree-state line's third field means: 0 closed, any other number open, anything else
// leaves the node as it was.
TEST_F(TStoreTest, TreeStateValues) {
    const struct {
        const char* Value;
        int Applied; // -1: left as it was
    } cases[] = {{"0", 0},  {"1", 1},  {"7", 1},  {"-2", 1}, {" 1 ", 1}, {"+0", 0},
                 {"01", 1}, {"00", 0}, {"x", -1}, {"", -1},  {"1x", -1}, {"1.0", -1}};
    Write("classifytree.dat", "#a#A#\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    for (const auto& c : cases) {
        Write("treestate.dat", std::string("#a#") + c.Value + "\r\n");
        int applied = -1;
        LoadTreeState(tree, [&](TTreeNode*, bool e) { applied = e ? 1 : 0; });
        EXPECT_EQ(applied, c.Applied) << '"' << c.Value << '"';
    }
}
