// The data folder turned against the program: hand-made journals, links and FIFOs where our own
// files and folders belong, kills in the middle of an undo.
#include "Constants.h"
#include "Ini.h"
#include "JournalText.h"
#include "KeptData.h"
#include "TreeChanges.h"
#include "UndoTestData.h"

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Entry(std::string_view key, std::string_view value) {
    std::string text;
    PutEntry(text, key, value);
    return text;
}

class TJournalSafetyTest : public TUndoDeleteTest {
protected:
    void SetUp() override {
        TUndoDeleteTest::SetUp();
        FOutside = Folder + "_outside/";
        std::filesystem::create_directories(FOutside);
        WriteTextFileAtomic(FOutside + "victim.txt", "not ours\n");
    }
    void TearDown() override {
        std::filesystem::remove_all(FOutside);
        TUndoDeleteTest::TearDown();
    }
    std::map<std::string, std::string> OutsideFiles() const { return FilesOf(FOutside); }
    // The journal of a deletion of f1 with its records, left by a run that ended.
    std::string LeftJournal() {
        TUndoDeletes undo;
        undo.Delete(Tree, Find(Tree, "f1"), true);
        return ReadFileBytes(TUndoDeletes::Folder() + "00000001.journal");
    }

    std::string FOutside;
};

TEST_F(TJournalSafetyTest, JournalsThatNameWhatTheyMayNotOrCannotGoBackAreLeftOut) {
    MakeData();
    const std::string f1 = BranchNodeValue(0, Find(Tree, "f1"));
    const std::string g1 = BranchNodeValue(1, Find(Tree, "g1"));
    const std::string journal = LeftJournal();
    const std::string path = TUndoDeletes::Folder() + "00000001.journal";
    const std::string outsideName = std::filesystem::relative(FOutside + "victim.txt", Folder).string();
    struct TCase {
        const char* Why;
        std::string From, To;
    } const cases[] = {
        {"a file above the folder", Entry("file", "genus.dat"), Entry("file", outsideName)},
        {"an absolute file", Entry("file", "genus.dat"), Entry("file", FOutside + "victim.txt")},
        {"a hidden file", Entry("file", "genus.dat"), Entry("file", ".orvandel-viewer.lock")},
        {"a copy outside undo/", Entry("link", "00000001.0"), Entry("link", "../../x")},
        {"another journal's copy", Entry("link", "00000001.0"), Entry("link", "00000002.0")},
        {"a line break in a name", Entry("node", f1),
         Entry("node", std::string(f1).replace(f1.find("F1"), 2, "F\n"))},
        {"a marker past the six levels", Entry("node", f1),
         Entry("node",
               std::string(f1).replace(0, f1.find('\n'), "0 1 7 2 2 1").insert(f1.find('\n') + 1, "\t\t\t"))},
        {"a node below a missing one", Entry("node", g1), Entry("node", std::string(g1).replace(0, 1, "3"))},
        {"a branch whose parent is gone", Entry("above", "\t\t#o"), Entry("above", "\t\t#gone")},
    };
    const auto files = FilesOf(Folder);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        ASSERT_NE(journal.find(c.From), std::string::npos);
        std::string bad = journal;
        WriteTextFileAtomic(path, bad.replace(bad.find(c.From), c.From.size(), c.To));
        TUndoDeletes undo;
        undo.Load(Tree);
        EXPECT_TRUE(undo.Empty());
        EXPECT_EQ(ReadFileBytes(path), bad); // left on the disk for whoever looks
        EXPECT_EQ(FilesOf(Folder), files);
        EXPECT_EQ(OutsideFiles(), (std::map<std::string, std::string>{{"victim.txt", "not ours\n"}}));
    }
}

TEST_F(TJournalSafetyTest, JournalNumbersNeverWrap) {
    struct TCase {
        const char* Left; // a journal's name left in undo/
        const char* Next; // the next deletion's journal, "" when it is refused
    } const cases[] = {
        {"00000041.journal", "00000042.journal"},
        {"18446744073709551615.journal", "00000001.journal"}, // no journal name of ours
        {"99999999.journal", ""},
    };
    MakeData();
    const auto files = FilesOf(Folder);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Left);
        std::filesystem::remove_all(TUndoDeletes::Folder());
        ForceDirectories(TUndoDeletes::Folder());
        WriteTextFileAtomic(TUndoDeletes::Folder() + c.Left, "damaged");
        TUndoDeletes undo;
        undo.Load(Tree);
        if (*c.Next == '\0') {
            EXPECT_THROW(undo.Delete(Tree, Find(Tree, "g2"), true), EUndoError);
            EXPECT_NE(Find(Tree, "g2"), nullptr);
            EXPECT_EQ(FilesOf(Folder), files);
            continue;
        }
        undo.Delete(Tree, Find(Tree, "g2"), true);
        EXPECT_TRUE(FileExists(TUndoDeletes::Folder() + c.Next));
        EXPECT_EQ(ReadFileBytes(TUndoDeletes::Folder() + c.Left), "damaged");
        undo.UndoLast(Tree);
    }
}

TEST_F(TJournalSafetyTest, FoldersThatAreLinksAreNeverEntered) {
    struct TCase {
        const char* Folder;
        std::function<void(TTaxonomyTree&)> Use; // what a run does with it
    } const cases[] = {
        {"undo",
         [](TTaxonomyTree& tree) {
             TUndoDeletes undo;
             undo.Load(tree);
             EXPECT_TRUE(undo.Unavailable());
             undo.Delete(tree, Find(tree, "g2"), true); // without a journal
             EXPECT_EQ(Find(tree, "g2"), nullptr);
             undo.DiscardAll();
         }},
        {"previous.new",
         [](TTaxonomyTree&) {
             EXPECT_THROW(KeepCurrentData(), EFOpenError);
             SettleKeptData(true);
             SettleKeptData(false);
         }},
        {"previous",
         [](TTaxonomyTree&) {
             EXPECT_THROW(KeepCurrentData(), EFOpenError);
             SettleKeptData(true);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Folder);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        MakeData();
        WriteTextFileAtomic(FOutside + "00000001.0", "kept elsewhere\n");
        WriteTextFileAtomic(FOutside + "classifytree.dat", "kept elsewhere\n");
        const auto outside = OutsideFiles();
        std::filesystem::create_directory_symlink(FOutside, PathOf(c.Folder));
        c.Use(Tree);
        EXPECT_EQ(OutsideFiles(), outside);
        EXPECT_TRUE(std::filesystem::is_symlink(PathOf(c.Folder)));
    }
}

// Start-up reads each of these; none may stop it, whatever is in its place.
TEST_F(TJournalSafetyTest, NoFileOfOursCanStopTheStart) {
    const char* const names[] = {"undo/00000001.journal", "classifytree.changes", "treestate.dat",
                                 "options.ini", ".orvandel-viewer.writes"};
    MakeData();
    ForceDirectories(TUndoDeletes::Folder());
    for (const char* name : names) {
        for (const bool fifo : {true, false}) {
            SCOPED_TRACE(std::string(name) + (fifo ? " as a FIFO" : " as a link to /dev/zero"));
            DeleteFile(PathOf(name));
            if (fifo)
                ASSERT_EQ(mkfifo(PathOf(name).c_str(), 0600), 0);
            else
                std::filesystem::create_symlink("/dev/zero", PathOf(name));
            const pid_t child = fork();
            if (child == 0) {
                alarm(10); // a start that waits or fills the memory ends here
                TTaxonomyTree tree;
                LoadTree(tree);
                LoadTreeState(tree, [](TTreeNode*, bool) {});
                TIniFile options(PathOf(OptionsFileName));
                RemoveStaleTempFiles();
                TUndoDeletes undo;
                undo.Load(tree);
                _exit(undo.Empty() && tree.Count() == 10 ? 0 : 1);
            }
            int status = 0;
            waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            DeleteFile(PathOf(name));
        }
    }
}

// Killed at each sync of an undo, the last one after every file is written and before the journal
// goes: the next start ends with each file and the tree as one whole undo leaves them.
TEST_F(TJournalSafetyTest, AnUndoCutShortIsFinishedOnceAtTheNextStart) {
    MakeData();
    TUndoDeletes().Delete(Tree, Find(Tree, "g1"), true);
    // Saved since, so that the lines go back by insertion.
    Write("genus.dat", Read("genus.dat") + "g9#G9#m\r\n");
    const std::string snapshot = Folder + "_snapshot";
    std::filesystem::copy(Folder, snapshot, std::filesystem::copy_options::recursive);
    auto restore = [&] {
        std::filesystem::remove_all(Folder);
        std::filesystem::copy(snapshot, Folder, std::filesystem::copy_options::recursive);
    };
    auto nextStart = [this](TTaxonomyTree& tree) {
        RemoveStaleTempFiles(Folder);
        LoadTree(tree);
        TUndoDeletes undo;
        undo.Load(tree);
        if (!undo.Empty())
            undo.UndoLast(tree);
    };
    TTaxonomyTree whole;
    nextStart(whole);
    const auto expected = FilesOf(Folder);
    ASSERT_NE(expected.at("genus.dat").find("g1#"), std::string::npos);
    for (int killAt = 1; killAt <= 10; ++killAt) {
        SCOPED_TRACE(killAt);
        restore();
        const pid_t child = fork();
        if (child == 0) {
            static int syncs = 0;
            static int last = killAt;
            AtomicFileSync = [](int fd) {
                if (++syncs == last)
                    raise(SIGKILL);
                return fsync(fd);
            };
            TTaxonomyTree tree;
            nextStart(tree);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        TTaxonomyTree next;
        nextStart(next);
        SaveTreeFile(next);
        EXPECT_EQ(FilesOf(Folder), expected);
    }
    std::filesystem::remove_all(snapshot);
}

// "No" to putting back what a killed run deleted: its branch leaves the tree too, whether or not
// the run noted the tree's change before it was killed.
TEST_F(TJournalSafetyTest, ADeletionNotPutBackIsCompleted) {
    for (const bool changeNoted : {false, true}) {
        SCOPED_TRACE(changeNoted);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        MakeData();
        TUndoDeletes().Delete(Tree, Find(Tree, "f1"), true);
        auto deleted = FilesOf(Folder);
        deleted.erase("classifytree.dat"); // the tree is looked at below
        if (!changeNoted)
            DeleteFile(TreeChangesFile());
        TTaxonomyTree next;
        LoadTree(next);
        TUndoDeletes undo;
        undo.Load(next);
        undo.FinishLeft(next);
        EXPECT_TRUE(undo.Empty());
        EXPECT_EQ(Find(next, "f1"), nullptr);
        EXPECT_FALSE(DirectoryExists(TUndoDeletes::Folder()));
        TTaxonomyTree third;
        LoadTree(third);
        EXPECT_EQ(Find(third, "f1"), nullptr);
        auto now = FilesOf(Folder);
        now.erase("classifytree.dat");
        EXPECT_EQ(now, deleted);
    }
}

// A database that is a link to a shared copy: deleted from and put back through the link, byte for
// byte, and kept for What Changed as it was.
TEST_F(TJournalSafetyTest, LinkedDatabasesKeepWorking) {
    const std::string shared = "g1#G1#m\ng2#G2#m\n\n(n/a)#[p]#m\ng3#G3#m\n\t#s3#m#d\n"; // LF only
    for (const bool absolute : {false, true}) {
        SCOPED_TRACE(absolute ? "absolute link" : "relative link");
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        MakeData();
        WriteTextFileAtomic(FOutside + "genus.dat", shared);
        DeleteFile(PathOf("genus.dat"));
        std::filesystem::create_symlink(
            absolute ? FOutside + "genus.dat"
                     : std::filesystem::relative(FOutside + "genus.dat", Folder).string(),
            PathOf("genus.dat"));
        KeepCurrentData();
        TUndoDeletes undo;
        undo.Delete(Tree, Find(Tree, "f1"), true);
        EXPECT_EQ(ReadFileBytes(FOutside + "genus.dat"), "(n/a)#[p]#m\r\ng3#G3#m\r\n\t#s3#m#d\r\n");
        EXPECT_EQ(ReadFileBytes(Folder + "/previous.new/genus.dat"), shared);
        undo.UndoLast(Tree);
        EXPECT_EQ(ReadFileBytes(FOutside + "genus.dat"), shared);
        EXPECT_TRUE(std::filesystem::is_symlink(PathOf("genus.dat")));
        SettleKeptData(false);
    }
}

} // namespace
