#include "SearchFixture.h"

namespace {
using TCaptions = std::vector<std::string>;

class TGenusListTest : public TSearchTest {
protected:
    void SetUp() override {
        TSearchTest::SetUp();
        LoadTreeText("#c1#Classa#ci\r\n"
                     "\t\t#o1#[Ordo novus]#oi\r\n"
                     "\t\t\t\t#(n/a)#Unnamedidae#fi\r\n" // planned, but not a genus and no bracket
                     "\t\t\t\t\t#g1#Aurex#i1\r\n"
                     "\t\t\t\t\t#(n/a)#Zeta#p\r\n"
                     "\t\t\t\t\t#g2#{Beta}#i2\r\n"
                     "\t\t\t\t\t#g3#Gamma#i3\r\n");
    }
};

TEST_F(TGenusListTest, AllGenusAndPlanningBranches) {
    const TGenusEntries all = AllGenus(Tree);
    EXPECT_EQ(Captions(all), (TCaptions{"Aurex (i1)", "{Beta} (i2)", "Gamma (i3)"}));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Node, FindTreeNode(Tree, MakeNodeKey(5, "g1", "", "")));
    EXPECT_EQ(all[0].Data(), all[0].Node->Data());

    const TGenusEntries plan = PlanningBranches(Tree);
    EXPECT_EQ(Captions(plan), (TCaptions{"Order [Ordo novus] (oi)", "Zeta (p)", "{Beta} (i2)"}));
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].Data().Level(), 2);

    // Captions follow the display mode: info only gives a leading space for a genus.
    Tree.SetDisplayMode(2);
    EXPECT_EQ(Captions(AllGenus(Tree)), (TCaptions{" (i1)", " (i2)", " (i3)"}));
    EXPECT_EQ(Captions(PlanningBranches(Tree))[0], "Order  (oi)");
    Tree.SetDisplayMode(1);
    EXPECT_EQ(Captions(AllGenus(Tree)), (TCaptions{"Aurex", "{Beta}", "Gamma"}));
}

TEST_F(TGenusListTest, ForgottenGenusByExactName) {
    EXPECT_EQ(Captions(ForgottenGenus(Tree)), TCaptions{}); // no database: nothing is forgotten
    Write("genus.dat", "aurex#Aurex#m#d#t#c#-#####k\r\n"    // in the tree
                       "\t#Lost#m#d\r\n"                    // species lines never count
                       "\r\n"                               // nor empty lines
                       "x1#aurex#m\r\n"                     // other capitals: forgotten
                       "x2#Lost\r\n"                        // listed twice
                       "nohash\r\n"                         // no name field: skipped
                       "x3#Zeta#m\r\n"                      // only a planned genus has this name
                       "x4#Gamma\r\n"
                       "x5#Lost#m#d#t#c#-#####k\r\n");
    const TGenusEntries forgotten = ForgottenGenus(Tree);
    EXPECT_EQ(Captions(forgotten), (TCaptions{"aurex", "Lost", "Zeta", "Lost"}));
    for (const auto& e : forgotten) {
        EXPECT_FALSE(e.HasNode());
        EXPECT_EQ(e.Data(), TTaxonomyData());
    }
    Write("genus.dat", "");
    EXPECT_EQ(Captions(ForgottenGenus(Tree)), TCaptions{});
}
} // namespace
