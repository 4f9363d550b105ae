#include "Global.h"
#include "TreeChanges.h"
#include "UndoTestData.h"

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class TTreeChangesTest : public TUndoDeleteTest {};

std::string TreeBytes(const TTaxonomyTree& tree) {
    std::string bytes;
    tree.PutLines([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

// Runs `command` on the folder's tree in a child process that is killed the moment the command
// returns; gives the tree's bytes as the child held them then.
std::string KilledRightAfter(const std::function<void(TTaxonomyTree&)>& command) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        TTaxonomyTree tree;
        LoadTree(tree);
        command(tree);
        const std::string bytes = TreeBytes(tree);
        if (write(pipeEnds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            _exit(1);
        raise(SIGKILL);
    }
    close(pipeEnds[1]);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return bytes;
}

TEST_F(TTreeChangesTest, EveryCommittedTreeChangeSurvivesAKillRightAfterItsCommand) {
    // Each as its command does it.
    const auto rename = [](TTaxonomyTree& tree) {
        TTreeNode* node = Find(tree, "g2");
        UpdateTreeNode(tree, node,
                       TTaxonomyData(std::string(node->Marker()), "g2", "G2 renamed", "new info"));
        NoteTreeChange(tree, TTreeChange::Fields(node));
    };
    const auto add = [](TTaxonomyTree& tree) {
        TTreeNode* node = AddTreeNode(tree, Find(tree, "f2"), TTaxonomyData("\t\t\t\t\t", "g9", "G9", "i"));
        NoteTreeChange(tree, TTreeChange::Inserted(tree, node));
        RecordUserTreeItem(node);
    };
    const auto remove = [](TTaxonomyTree& tree) { TUndoDeletes().Delete(tree, Find(tree, "f1"), true); };
    const auto undo = [](TTaxonomyTree& tree) {
        TUndoDeletes undo;
        undo.Delete(tree, Find(tree, "f1"), true);
        undo.Delete(tree, Find(tree, "c2"), false);
        undo.UndoLast(tree);
    };
    struct TCase {
        const char* Command;
        std::function<void(TTaxonomyTree&)> Run;
    } const cases[] = {
        {"Save", rename},
        {"Add Tree Item", add},
        {"Delete Tree Item", remove},
        {"Undo Delete", undo},
        {"all of them, one run", [&](TTaxonomyTree& t) { rename(t), add(t), undo(t); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        MakeData();
        const std::string held = KilledRightAfter(c.Run);
        ASSERT_NE(held, TreeBytes(Tree)); // the command changed the tree
        // The next start, and the tree file it writes at its end.
        TreeModified = false;
        TTaxonomyTree next;
        ASSERT_EQ(LoadTree(next), 0);
        EXPECT_TRUE(TreeModified);
        SaveTreeFile(next);
        EXPECT_EQ(Read("classifytree.dat"), held);
        EXPECT_FALSE(FileExists(TreeChangesFile()));
    }
}

TEST_F(TTreeChangesTest, NotedChangesApplyOnlyToTheirOwnTreeFileAndUpToTheFirstThatDoesNotFit) {
    struct TCase {
        const char* Why;
        std::function<void()> AfterTheRun;
        bool Renamed; // the first change, a rename of g2, is applied
        bool Added;   // the second, g9 added under f2
    } const cases[] = {
        {"as the run left it", [] {}, true, true},
        {"the second one torn by the kill",
         [this] {
             const std::string text = ReadFileBytes(TreeChangesFile());
             WriteTextFileAtomic(TreeChangesFile(), text.substr(0, text.size() - 4));
         },
         true, false},
        {"the tree file replaced since (a download)",
         [this] { Write("classifytree.dat", Read("classifytree.dat")); }, false, false},
        {"the journal's place taken by a FIFO",
         [this] { DeleteFile(TreeChangesFile()), mkfifo(TreeChangesFile().c_str(), 0600); }, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        MakeData();
        TTreeNode* g2 = Find(Tree, "g2");
        UpdateTreeNode(Tree, g2, TTaxonomyData(std::string(g2->Marker()), "g2", "G2 renamed", "i"));
        NoteTreeChange(Tree, TTreeChange::Fields(g2));
        NoteTreeChange(
            Tree, TTreeChange::Inserted(Tree, AddTreeNode(Tree, Find(Tree, "f2"),
                                                          TTaxonomyData("\t\t\t\t\t", "g9", "G9", "i"))));
        c.AfterTheRun();
        TTaxonomyTree next;
        ASSERT_EQ(LoadTree(next), 0);
        EXPECT_EQ(Find(next, "g2")->Name() == "G2 renamed", c.Renamed);
        EXPECT_EQ(Find(next, "g9") != nullptr, c.Added);
        // A change noted now comes after the ones applied, never after a torn one.
        NoteTreeChange(
            next, TTreeChange::Inserted(next, AddTreeNode(next, nullptr, TTaxonomyData("", "c3", "C3", ""))));
        TTaxonomyTree third;
        ASSERT_EQ(LoadTree(third), 0);
        EXPECT_EQ(TreeBytes(third), TreeBytes(next));
    }
}

} // namespace
