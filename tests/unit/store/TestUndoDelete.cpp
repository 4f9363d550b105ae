#include "TreeChanges.h"
#include "UndoTestData.h"

#include <chrono>
#include <csignal>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

TEST_F(TUndoDeleteTest, DeleteThenUndoLeavesEveryFileTheTreeAndTheFlagAsBefore) {
    struct TCase {
        const char* Id;
        const char* Name;
        bool WithRecords;
    } const cases[] = {
        {"f1", "", true},       // a family with its genera, records and user tree lines
        {"f1", "", false},      // only the tree and the user tree file
        {"(n/a)", "[p]", true}, // a planned genus: no record of its own
        {"c", "", true},        // a whole class, from a database without a last line end
        {"c2", "", true},       // the last top-level branch
        {"g3", "", true},       // the only child of its family
    };
    MakeData();
    const auto files = FilesOf(Folder);
    const std::string outline = Outline(Tree);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Id) + (c.WithRecords ? " with records" : ""));
        TreeModified = false;
        TUndoDeletes undo;
        undo.Delete(Tree, Find(Tree, c.Id, c.Name), c.WithRecords);
        EXPECT_TRUE(TreeModified);
        EXPECT_EQ(Find(Tree, c.Id, c.Name), nullptr);
        EXPECT_EQ(undo.Count(), 1U);
        TTreeNode* back = undo.UndoLast(Tree);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Id(), c.Id);
        EXPECT_EQ(FilesOf(Folder), files);
        EXPECT_EQ(Outline(Tree), outline);
        EXPECT_FALSE(TreeModified);
        EXPECT_TRUE(undo.Empty());
        EXPECT_FALSE(DirectoryExists(TUndoDeletes::Folder()));
    }
}

TEST_F(TUndoDeleteTest, SeveralDeletionsUndoInReverseOrder) {
    MakeData();
    const auto files = FilesOf(Folder);
    const std::string outline = Outline(Tree);
    TUndoDeletes undo;
    undo.Delete(Tree, Find(Tree, "g1"), true);
    const auto afterFirst = FilesOf(Folder);
    const std::string outlineAfterFirst = Outline(Tree);
    undo.Delete(Tree, Find(Tree, "f1"), true);
    undo.Delete(Tree, Find(Tree, "c2"), true);
    EXPECT_EQ(undo.LastName(), "C2");
    undo.UndoLast(Tree);
    undo.UndoLast(Tree);
    EXPECT_EQ(undo.LastName(), "G1");
    EXPECT_EQ(FilesOf(Folder), afterFirst);
    EXPECT_EQ(Outline(Tree), outlineAfterFirst);
    undo.UndoLast(Tree);
    EXPECT_EQ(FilesOf(Folder), files);
    EXPECT_EQ(Outline(Tree), outline);
    EXPECT_FALSE(TreeModified); // the tree is as loaded: nothing to save
    EXPECT_EQ(undo.UndoLast(Tree), nullptr);
}

TEST_F(TUndoDeleteTest, UndoKeepsChangesMadeSinceTheDeletion) {
    MakeData();
    TUndoDeletes undo;
    undo.Delete(Tree, Find(Tree, "g1"), true);
    // Saved since: another record changed, one added at the end, the tree edited.
    Write("genus.dat", "g2#G2 renamed#m\r\n\r\n(n/a)#[p]#m\r\ng3#G3#m\r\n\t#s3#m#d\r\ng9#G9#m\r\n");
    AddTreeNode(Tree, Find(Tree, "f2"), TTaxonomyData("\t\t\t\t\t", "g9", "G9", "i"));
    TreeModified = true;
    undo.UndoLast(Tree);
    EXPECT_EQ(Read("genus.dat"), "g1#G1#m#d#t#c#-#####k\r\n\t#s1#m#d\r\n\t#s2#m#d\r\n"
                                 "g2#G2 renamed#m\r\n\r\n(n/a)#[p]#m\r\ng3#G3#m\r\n\t#s3#m#d\r\ng9#G9#m\r\n");
    ASSERT_NE(Find(Tree, "g1"), nullptr);
    EXPECT_EQ(Find(Tree, "g1")->Row(), 0);
    EXPECT_NE(Find(Tree, "g9"), nullptr);
    EXPECT_TRUE(TreeModified);

    // A file removed since stays removed; a branch whose place is gone is refused, journal kept.
    undo.Delete(Tree, Find(Tree, "g3"), true);
    DeleteFile(PathOf("usr_tree.dat"));
    DeleteTreeItem(Tree, Find(Tree, "f2"), false);
    EXPECT_THROW(undo.UndoLast(Tree), EUndoError);
    EXPECT_EQ(undo.Count(), 1U);
    EXPECT_FALSE(FileExists(PathOf("usr_tree.dat")));
}

TEST_F(TUndoDeleteTest, JournalLeftByARunIsOfferedAndAppliedAtTheNextStart) {
    struct TCase {
        const char* Why;
        bool TreeSaved;     // the tree file was written after the deletion (a change of display mode)
        bool ChangeLost;    // killed before the tree's change was noted: the branch is still in the file
        bool Reinserted;    // Undo puts the branch into the tree (which must be saved then)
        const char* Inside; // a node of the branch deleted before it, "" for none
    } const cases[] = {{"tree change noted", false, false, true, ""},
                       {"tree change lost", false, true, false, ""},
                       {"tree file saved", true, false, true, ""},
                       {"a deletion inside it before", false, false, true, "g1"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Tree.Clear();
        MakeData();
        const auto files = FilesOf(Folder);
        const std::string outline = Outline(Tree);
        {
            TUndoDeletes undo;
            if (*c.Inside != '\0')
                undo.Delete(Tree, Find(Tree, c.Inside), true);
            undo.Delete(Tree, Find(Tree, "f1"), true);
            if (c.TreeSaved)
                SaveTreeFile(Tree);
            if (c.ChangeLost)
                DeleteFile(TreeChangesFile());
        } // the run ends without clearing its journals
        TreeModified = false;
        TTaxonomyTree next;
        ASSERT_EQ(LoadTree(next), 0);
        EXPECT_EQ(Find(next, "f1") == nullptr, c.Reinserted);
        TUndoDeletes undo;
        undo.Load(next);
        ASSERT_EQ(undo.Count(), *c.Inside != '\0' ? 2U : 1U);
        EXPECT_EQ(undo.LastName(), "F1");
        while (!undo.Empty())
            undo.UndoLast(next);
        EXPECT_EQ(TreeModified, c.Reinserted);
        SaveTreeFile(next);
        auto now = FilesOf(Folder);
        EXPECT_EQ(now.erase("classifytree.dat"), 1U);
        auto before = files;
        before.erase("classifytree.dat");
        EXPECT_EQ(now, before);
        next.ForEachNode([](TTreeNode* n) { n->SetExpanded(false); });
        std::string closed = outline;
        closed.erase(std::remove(closed.begin(), closed.end(), '+'), closed.end());
        std::string nextOutline = Outline(next);
        nextOutline.erase(std::remove(nextOutline.begin(), nextOutline.end(), '+'), nextOutline.end());
        EXPECT_EQ(nextOutline, closed);
        EXPECT_FALSE(DirectoryExists(TUndoDeletes::Folder()));
    }
}

TEST_F(TUndoDeleteTest, DamagedOrUnfinishedJournalsAreLeftOut) {
    MakeData();
    ForceDirectories(TUndoDeletes::Folder());
    const std::string folder = TUndoDeletes::Folder();
    WriteTextFileAtomic(folder + "00000001.journal", "journal 13\nundo-delete 1\nname 2\nX");
    WriteTextFileAtomic(folder + "00000002.0", "a link whose journal was never written");
    TUndoDeletes undo;
    undo.Load(Tree);
    EXPECT_TRUE(undo.Empty());
    EXPECT_TRUE(FileExists(folder + "00000001.journal"));
    EXPECT_FALSE(FileExists(folder + "00000002.0"));
    // A new journal is numbered after the damaged one and does not disturb it.
    undo.Delete(Tree, Find(Tree, "g2"), true);
    EXPECT_TRUE(FileExists(folder + "00000002.journal"));
    undo.DiscardAll();
    EXPECT_TRUE(undo.Empty());
    EXPECT_FALSE(FileExists(folder + "00000002.journal"));
    EXPECT_TRUE(FileExists(folder + "00000001.journal"));
}

// A family of 10,000 genera with their records: killed at any moment of its deletion, the next
// start puts every file back as it was.
TEST_F(TUndoDeleteTest, KillDuringTheDeletionOfALargeBranchRecovers) {
    std::string tree = "#c#C#i\r\n\t\t\t\t#f#F#i\r\n";
    std::string genera;
    for (int i = 0; i < 10000; ++i) {
        tree += "\t\t\t\t\t#g" + std::to_string(i) + "#G" + std::to_string(i) + "#i\r\n";
        genera += "g" + std::to_string(i) + "#G#m#d#t#c#-#####k\r\n\t#s#m#d\r\n";
    }
    tree += "\t\t\t\t#f2#F2#i\r\n";
    Write("classifytree.dat", tree);
    Write("genus.dat", genera + "g#other#m\r\n");
    Write("family.dat", "f#F#m\r\nf2#F2#m\r\n");
    const auto files = FilesOf(Folder);
    for (int delayMs : {0, 5, 10, 12, 14, 16, 18, 20, 25, 30, 40, 400}) {
        SCOPED_TRACE(delayMs);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TTaxonomyTree t;
            LoadTree(t);
            TUndoDeletes undo;
            undo.Delete(t, Find(t, "f"), true);
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        RemoveStaleTempFiles(Folder); // as every start does
        TTaxonomyTree next;
        ASSERT_EQ(LoadTree(next), 0);
        TUndoDeletes undo;
        undo.Load(next);
        if (!undo.Empty())
            undo.UndoLast(next);
        EXPECT_EQ(FilesOf(Folder), files);
        EXPECT_EQ(next.Count(), 10003U);
        EXPECT_TRUE(undo.Empty());
    }
}

} // namespace
