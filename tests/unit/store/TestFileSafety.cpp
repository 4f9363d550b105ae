// What a crash, an editor's byte-order mark or a failed open leaves behind in the program folder.
#include "BranchExport.h"
#include "TaxonomyTree.h"
#include "TempFolder.h"
#include "TextFiles.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const std::string Bom = "\xEF\xBB\xBF";

// A process id that is certainly not running: a child that has exited and been reaped.
pid_t GonePid() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Files may not grow past `bytes` while it lives: a disk that fills up part-way through a save.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) : FHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        rlimit small = FSaved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FHandler);
    }

private:
    rlimit FSaved{};
    void (*FHandler)(int);
};

// Each sync of a replacement as "file:" or "folder:" with the target's bytes at that moment.
std::vector<std::string> Syncs;
std::string SyncTarget;
int LoggingSync(int fd) {
    struct stat st {};
    fstat(fd, &st);
    Syncs.push_back((S_ISDIR(st.st_mode) ? "folder:" : "file:") + ReadFileBytes(SyncTarget));
    return fsync(fd);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

TEST_F(TStoreTest, ByteOrderMarkIsNotPartOfTheFirstLine) {
    EXPECT_EQ(SplitLines(Bom + "a\r\nb"), (TStringList{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\n" + Bom + "b"), (TStringList{"a", Bom + "b"})); // only at the start

    Write("classifytree.dat", Bom + "#c1#Class1#i\r\n\t#o1#Order1#i\r\n");
    TTaxonomyTree tree;
    ASSERT_EQ(LoadTree(tree), 0);
    EXPECT_EQ(tree.First()->Level(), 0);
    EXPECT_EQ(tree.First()->ChildCount(), 1u);

    Write("class.dat", Bom + "c1#Class1#meaning#desc\r\n");
    Write("genus.dat", Bom + "g1#G#m#d#t#c#-#cr#cu#ow#ou#kw\r\n\t#sp1#m#d\r\n");
    TTaxonomyDetail r;
    ReadDetail(tree.First()->Data(), r);
    EXPECT_EQ(r.Level, 0);
    EXPECT_EQ(r.Meaning, "meaning");
    ReadDetail(TTaxonomyData("\t\t\t\t\t", "g1", "G", ""), r);
    EXPECT_EQ(r.Level, GenusLevel);
    ASSERT_TRUE(r.Genus.Species);
    EXPECT_EQ(*r.Genus.Species, TStringList{"\t#sp1#m#d"});
}

// A large file is read in two halves at once; every size, the odd ones and an empty file
// included, reads back whole (the bound is lowered so that small files take that way).
TEST_F(TStoreTest, FileReadInTwoHalvesReadsBackWhole) {
    const size_t bound = ParallelReadSize;
    ParallelReadSize = 2;
    for (size_t size : {0, 1, 2, 3, 4, 17, 4096, 65537, 3 * 1024 * 1024 + 1}) {
        std::string bytes(size, ' ');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i * 7 % 26);
        Write("whole.dat", bytes);
        const TWholeFile file(PathOf("whole.dat"));
        EXPECT_EQ(file.Text(), bytes) << size;
    }
    ParallelReadSize = bound;
    EXPECT_THROW(TWholeFile(PathOf("missing.dat")), EFOpenError);
}

TEST_F(TStoreTest, StaleTemporaryFilesAreRemovedAtStart) {
    const std::string gone = std::to_string(GonePid());
    const std::string mine = std::to_string(getpid());
    std::filesystem::create_directory(PathOf("images"));
    for (const std::string& name : std::vector<std::string>{
             "genus.dat", "genus.dat.~tmp" + gone + "-0", "classifytree.dat.~tmp" + mine + "-3", "notes.~tmp",
             "notes.~tmpx-1", "a.~tmp" + gone + "-", "images/g1.jpg", "images/g1.jpg.~tmp" + gone + "-7"})
        Write(name, "x");
    // A folder that happens to have the pattern is no file of ours.
    std::filesystem::create_directory(PathOf("keep.~tmp" + gone + "-1"));
    // An open replacement of this very process stays.
    TAtomicFile open(AppFile("order.dat"));

    RemoveStaleTempFiles();
    EXPECT_EQ(Names(Folder),
              (std::vector<std::string>{"a.~tmp" + gone + "-", "classifytree.dat.~tmp" + mine + "-3",
                                        "genus.dat", "images", "keep.~tmp" + gone + "-1", "notes.~tmp",
                                        "notes.~tmpx-1", ExtractFileName(open.TempName())}));
    EXPECT_EQ(Names(PathOf("images")), std::vector<std::string>{"g1.jpg"});
    EXPECT_EQ(RemoveStaleTempFiles(PathOf("no such folder")), 0);
}

TEST_F(TStoreTest, FileErrorsNameThePathWithoutQuotes) {
    const std::string missing = AppFile("missing.tem");
    const std::string nowhere = AppFile("nowhere/x.dat");
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { LoadTextFile(missing); }, "Cannot open file " + missing},
        // Why a file cannot be created is said as for the other file errors.
        {[&] { WriteLines(nowhere, {"x"}); },
         "Cannot create file " + nowhere + ": No such file or directory"},
        {[&] { TAtomicFile file(nowhere); }, "Cannot create file " + nowhere + ": No such file or directory"},
        {[&] { TAtomicFile file(Folder); }, "Cannot create file " + Folder + ": Is a directory"},
        {[&] {
             TStringList lines;
             OpenOrCreateLines(nowhere, lines);
         },
         "Cannot create file " + nowhere + ": No such file or directory"},
    };
    for (const auto& [action, text] : cases) {
        try {
            action();
            ADD_FAILURE() << "nothing thrown for " << text;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.what(), text);
        }
    }
}

TEST_F(TStoreTest, FailedSaveLeavesEveryFileAsItWas) {
    // The database is far larger than a user database, so a limit between the two lets the user
    // save through and stops the database's.
    const std::string genus = "g0#Other#m#d#t#c#-#####\r\n" + std::string(3000, 'x') + "\r\n";
    const std::string userGenus = "g7#Mine#m#d#t#c#-#####\r\n";
    TTaxonomyDetail edited;
    edited.Level = GenusLevel;
    edited.Id = "g1";
    edited.Name = "Alpha";
    const struct {
        const char* Name;
        bool UserFileBefore; // usr_genus.dat there and listed
        rlim_t Limit;
        bool BothSteps; // the editor's Save; otherwise SaveDetail into the user database only
    } cases[] = {
        {"user database new, its write fails", false, 8, false},
        {"user database new, the database's write fails", false, 1000, true},
        {"user database there, the database's write fails", true, 1000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directory(Folder);
        ModifiedFiles.Clear();
        Write("genus.dat", genus);
        if (c.UserFileBefore) {
            Write("usr_genus.dat", userGenus);
            ModifiedFiles.Add(AppFile("usr_genus.dat"));
            SaveModifiedFiles();
        }
        const std::vector<std::string> before = Names(Folder);
        const std::string listBefore = c.UserFileBefore ? Read("modifiedfiles.dat") : "";
        {
            TFileSizeLimit full(c.Limit);
            EXPECT_THROW(c.BothSteps ? SaveEditedRecord(edited, edited) : SaveDetail(edited, edited, true),
                         EWriteError);
        }
        // No new file (an empty user database would raise a merge question later), no change.
        EXPECT_EQ(Names(Folder), before);
        EXPECT_EQ(Read("genus.dat"), genus);
        EXPECT_EQ(ModifiedFiles.Count(), c.UserFileBefore ? 1u : 0u);
        if (c.UserFileBefore) {
            EXPECT_EQ(Read("usr_genus.dat"), userGenus);
            EXPECT_EQ(Read("modifiedfiles.dat"), listBefore);
        }
    }
    // With room enough the same save goes through both files.
    SaveEditedRecord(edited, edited);
    EXPECT_NE(Read("usr_genus.dat").find("g1#Alpha#"), std::string::npos);
    EXPECT_NE(Read("genus.dat").find("g1#Alpha#"), std::string::npos);
}

// A crash leaves the old file or the whole new one: the data is on disk before the rename, and
// the rename itself is made lasting by syncing the folder after it.
TEST_F(TStoreTest, ReplacementSyncsTheFileBeforeTheRenameAndTheFolderAfter) {
    Write("genus.dat", "old");
    SyncTarget = PathOf("genus.dat");
    Syncs.clear();
    AtomicFileSync = LoggingSync;
    Write("genus.dat", "new");
    AtomicFileSync = fsync;
    EXPECT_EQ(Syncs, (std::vector<std::string>{"file:old", "folder:new"}));
}

TEST_F(TStoreTest, TemporaryFileOfAnotherRunningCopyStays) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    if (other == 0) {
        TAtomicFile file(AppFile("genus.dat"));
        const char c = 1;
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(RemoveStaleTempFiles(Folder), 0);
    const std::vector<std::string> names = Names(Folder);
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0].starts_with("genus.dat.~tmp" + std::to_string(other) + "-")) << names[0];
}

// An export killed half-way leaves its temporary file in the folder the user chose; the next start
// removes it, and only it: a live export's file and other files of that folder stay.
TEST_F(TStoreTest, ExportKilledHalfWayLeavesNothingAfterTheNextStart) {
    const std::string elsewhere = PathOf("documents");
    std::filesystem::create_directory(elsewhere);
    const std::string target = elsewhere + "/branch.csv";
    const std::string gone = std::to_string(GonePid());
    for (const std::string& name : std::vector<std::string>{"branch.csv", "branch.csv.~tmp" + gone + "-0",
                                                            "other.csv.~tmp" + gone + "-0"})
        WriteTextFileAtomic(elsewhere + "/" + name, "x");
    Write("classifytree.dat", "#c1#Kor#k info\r\n");
    TTaxonomyTree taxa;
    ASSERT_EQ(LoadTree(taxa), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t killed = fork();
    if (killed == 0) {
        const TExportCounts counts = ExportBranch(taxa.First(), target, TExportFormat::Csv,
                                                  [&](size_t) {
                                                      const char c = 1;
                                                      (void)!write(ready[1], &c, 1);
                                                      pause();
                                                      return true;
                                                  },
                                                  {});
        _exit(counts.Branches > 0 ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    const std::string leftover = "branch.csv.~tmp" + std::to_string(killed) + "-";
    const auto hasLeftover = [&] {
        for (const std::string& name : Names(elsewhere))
            if (name.starts_with(leftover))
                return true;
        return false;
    };
    ASSERT_TRUE(hasLeftover());
    // This run's own export under way is left alone.
    const TOutsideWriteNote live(elsewhere + "/live.csv");
    TAtomicFile liveFile(elsewhere + "/live.csv");

    RemoveStaleTempFiles();
    EXPECT_FALSE(hasLeftover());
    const std::vector<std::string> names = Names(elsewhere);
    EXPECT_EQ(names, (std::vector<std::string>{"branch.csv", "branch.csv.~tmp" + gone + "-0",
                                               ExtractFileName(liveFile.TempName()),
                                               "other.csv.~tmp" + gone + "-0"}));
}
