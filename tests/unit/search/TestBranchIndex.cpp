// Go to Branch's index: what a text finds, in which order, and that it follows the tree.
#include "BranchIndex.h"
#include "SearchFixture.h"

namespace {
using TNames = std::vector<std::string>;

class TBranchIndexTest : public TSearchTest {
protected:
    void SetUp() override {
        TSearchTest::SetUp();
        LoadTreeText("#c1#Korvelia#the korvels\r\n"
                     "\t\t#o1#Ordina#walkers\r\n"
                     "\t\t\t\t#f1#Familia#round ones\r\n"
                     "\t\t\t\t\t#g1#Alpha#first\r\n"
                     "\t\t\t\t\t#(n/a)#Dalphana#planned\r\n"
                     "\t\t\t\t\t#g3#\xC3\x89lan#ALPHA's kin\r\n"
                     "#c2#Secunda#others\r\n"
                     "\t\t#lph2#Ordo#x\r\n");
    }
    TNames Names(const TBranchMatches& matches) const {
        TNames names;
        for (const TNodeRef& ref : matches.Nodes)
            names.emplace_back(ref.Get()->Name());
        return names;
    }
    TBranchIndex Index{Tree};
};

TEST_F(TBranchIndexTest, FindsByNameIdAndInfoIgnoringCase) {
    const struct {
        const char* Text;
        TNames Expected;
    } cases[] = {
        {"ordin", {"Ordina"}},          // a part of a name
        {"F1", {"Familia"}},            // an id, typed in capitals
        {"ROUND", {"Familia"}},         // info
        {"  walk\t", {"Ordina"}},       // spaces and control characters around it
        {"\xC3\xA9l", {"\xC3\x89lan"}}, // a Latin letter's case as UTF-8
        {"(n/a)", {"Dalphana"}},        // planned branches have their id too
        {"zzz", {}},
        {"", {}},
        {"   ", {}},
        // Name or id beginning with it first, then holding it, then info only; tree order within.
        {"alpha", {"Alpha", "Dalphana", "\xC3\x89lan"}},
        {"lph", {"Ordo", "Alpha", "Dalphana", "\xC3\x89lan"}}, // an id beginning with it counts as a name
        {"a", {"Alpha", "Korvelia", "Ordina", "Familia", "Dalphana", "\xC3\x89lan", "Secunda"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const TBranchMatches found = Index.Query(c.Text, 100);
        EXPECT_EQ(Names(found), c.Expected);
        EXPECT_EQ(found.Total, c.Expected.size());
    }
    // The limit cuts the list, not the count.
    const TBranchMatches some = Index.Query("a", 2);
    EXPECT_EQ(Names(some), (TNames{"Alpha", "Korvelia"}));
    EXPECT_EQ(some.Total, 7u);
    EXPECT_EQ(BranchPath(some.Nodes[0].Get(), " > "), "Korvelia > Ordina > Familia > Alpha");
}

TEST_F(TBranchIndexTest, FollowsTheTreeOnceChanged) {
    int stale = 0;
    Index.OnStale = [&stale] { ++stale; };
    EXPECT_EQ(Index.Query("novus", 10).Total, 0u);
    EXPECT_FALSE(Index.Stale());
    TTreeNode* family = FindTreeNode(Tree, MakeNodeKey(4, "f1", "", ""));
    AddTreeNode(Tree, family, TTaxonomyData("\t\t\t\t\t", "g9", "Novus", "new"));
    EXPECT_TRUE(Index.Stale());
    EXPECT_EQ(Names(Index.Query("novus", 10)), (TNames{"Novus"}));
    // A renamed node is found by its new name only; the notice comes once per change.
    UpdateTreeNode(Tree, FindTreeNode(Tree, MakeNodeKey(5, "g9", "", "")),
                   TTaxonomyData("", "g9", "Renatus", "x"));
    EXPECT_EQ(Index.Query("novus", 10).Total, 0u);
    const TBranchMatches held = Index.Query("renat", 10);
    EXPECT_EQ(Names(held), (TNames{"Renatus"}));
    Tree.DeleteNode(family);
    EXPECT_EQ(Index.Query("renat", 10).Total, 0u);
    // What a query handed out earlier yields nothing once its branch is gone.
    EXPECT_FALSE(held.Nodes[0].Get());
    const TBranchMatches before = Index.Query("ordin", 10);
    ASSERT_EQ(Names(before), (TNames{"Ordina"}));
    ASSERT_EQ(LoadTree(Tree), 0); // a reload
    EXPECT_FALSE(before.Nodes[0].Get());
    EXPECT_EQ(Names(Index.Query("familia", 10)), (TNames{"Familia"}));
    EXPECT_EQ(stale, 4);
}
} // namespace
