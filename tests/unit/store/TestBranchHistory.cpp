#include "BranchHistory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void Load(TTaxonomyTree& tree, const std::string& text) {
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    tree.LoadOutline(std::move(bytes), text.size());
}

TTreeNode* ById(const TTaxonomyTree& tree, const std::string& id) {
    return FindTreeNode(tree, MakeNodeKey(0, id, "", ""));
}

std::string IdOf(const TTreeNode* node) {
    return node ? std::string(node->Id()) : "-";
}

// Back or forward as the window does: to the neighbour, which becomes the current entry.
std::string Go(TBranchHistory& history, int step) {
    TTreeNode* node = history.Neighbour(step);
    if (node)
        history.Arrived(step);
    return IdOf(node);
}

const char* const FourGenera = "#k#K#\r\n\t#a#A#\r\n\t#b#B#\r\n\t#c#C#\r\n\t#d#D#\r\n";

} // namespace

TEST(TBranchHistoryTest, WalksBackAndForwardAsABrowserDoes) {
    TTaxonomyTree tree;
    Load(tree, FourGenera);
    TBranchHistory history(tree);
    // An action: "v x" visits x, "<" goes back, ">" forward; then what Back and Forward would
    // reach and how many entries there are.
    const struct {
        const char* Action;
        const char* Went; // where "<" or ">" went
        const char* Back;
        const char* Forward;
        size_t Count;
    } steps[] = {
        {"<", "-", "-", "-", 0},
        {"v a", "", "-", "-", 1},
        {"v b", "", "a", "-", 2},
        {"v b", "", "a", "-", 2}, // the same branch again counts once
        {"v c", "", "b", "-", 3},
        {"<", "b", "a", "c", 3},
        {"<", "a", "-", "b", 3},
        {"<", "-", "-", "b", 3},
        {">", "b", "a", "c", 3},
        {"v b", "", "a", "c", 3}, // coming to the current branch again keeps what lies ahead
        {"v d", "", "b", "-", 3}, // a new visit after going back drops the forward part
        {">", "-", "b", "-", 3},
        {"<", "b", "a", "d", 3},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.Action);
        const std::string action = s.Action;
        if (action[0] == 'v')
            history.Visit(ById(tree, action.substr(2)));
        else
            EXPECT_EQ(Go(history, action == "<" ? -1 : 1), s.Went);
        // Looking does not move.
        EXPECT_EQ(IdOf(history.Neighbour(-1)), s.Back);
        EXPECT_EQ(IdOf(history.Neighbour(1)), s.Forward);
        EXPECT_EQ(history.Count(), s.Count);
    }
}

TEST(TBranchHistoryTest, KeepsTheNewestHundred) {
    TTaxonomyTree tree;
    TTreeNode* top = tree.AddNode(nullptr, TTaxonomyData("", "k", "K", ""));
    TBranchHistory history(tree);
    for (int i = 0; i < 150; ++i)
        history.Visit(tree.AddNode(top, TTaxonomyData(" ", "g" + std::to_string(i), "G", "")));
    EXPECT_EQ(history.Count(), TBranchHistory::MaxEntries);
    std::string oldest;
    for (std::string id; (id = Go(history, -1)) != "-";)
        oldest = id;
    EXPECT_EQ(oldest, "g50");
    EXPECT_EQ(history.Current(), 0u);
}

TEST(TBranchHistoryTest, FollowsRenamesAndDropsBranchesThatAreGone) {
    TTaxonomyTree tree;
    Load(tree, FourGenera);
    TBranchHistory history(tree);
    for (const char* id : {"a", "b", "a", "c", "d"})
        history.Visit(ById(tree, id));
    // c gets another id; the window passes on what the tree announces.
    TTreeNode* c = ById(tree, "c");
    const TTaxonomyData before = c->Data();
    UpdateTreeNode(tree, c, TTaxonomyData("", "c2", "C", "renamed"));
    history.KeyChanged(before, c->Data());
    // While the tree is empty (cleared to be loaded again) nothing is known to be gone.
    tree.Clear();
    EXPECT_EQ(history.Neighbour(-1), nullptr);
    EXPECT_EQ(history.Count(), 5u);
    // Loaded again without b: c is found by its new id, b is skipped and dropped, and the two
    // entries of a that then follow each other count once.
    Load(tree, "#k#K#\r\n\t#a#A#\r\n\t#c2#C#renamed\r\n\t#d#D#\r\n");
    EXPECT_EQ(Go(history, -1), "c2");
    EXPECT_EQ(Go(history, -1), "a");
    EXPECT_EQ(history.Neighbour(-1), nullptr);
    EXPECT_EQ(history.Count(), 3u);
    // A branch deleted from the loaded tree goes too, by the node's own mark.
    tree.DeleteNode(ById(tree, "c2"));
    EXPECT_EQ(Go(history, 1), "d");
    EXPECT_EQ(history.Count(), 2u);
}
