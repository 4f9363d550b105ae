#include "DataFolder.h"
#include "TempFolder.h"

#include <algorithm>

namespace {

// Folders of a machine in a temporary root: a build copy, an installed prefix, a home.
class TDataFolderTest : public TStoreTest {
protected:
    std::string Dir(const std::string& name) const { return PathOf(name) + "/"; }
    void Ship(const std::string& folder) const {
        ASSERT_TRUE(ForceDirectories(PathOf(folder + "/images")));
        Write(folder + "/taxonomy.tem", "{\\rtf1 shipped}");
        Write(folder + "/genus.dat", "shipped genus");
        Write(folder + "/images/a.gif", "GIF89a");
    }
    void MakeFolder(const std::string& name) const { ASSERT_TRUE(ForceDirectories(PathOf(name))); }
    TDataFolderRequest Request(const std::string& executable, bool writable = true) const {
        TDataFolderRequest r;
        r.ExecutableFolder = Dir(executable);
        r.XdgDataHome = PathOf("xdg");
        r.Home = PathOf("home");
        r.CanWrite = [writable](const std::string&) { return writable; };
        return r;
    }
};

} // namespace

TEST_F(TDataFolderTest, ChoosesTheFolderByLayout) {
    MakeFolder("dist");
    Ship("dist");
    MakeFolder("usr/bin");
    Ship("usr/share/orvandel-viewer");
    MakeFolder("bare/bin");

    const struct {
        const char* Name;
        TDataFolderRequest Request;
        std::string Folder, Shipped;
        bool Seeded;
    } cases[] = {
        {"build copy, writable", Request("dist"), Dir("dist"), Dir("dist"), false},
        {"unpacked copy, read-only", Request("dist", false), Dir("xdg/orvandel-viewer"), Dir("dist"), true},
        // Root may write into bin/; an installed copy still keeps nothing there.
        {"installed", Request("usr/bin"), Dir("xdg/orvandel-viewer"), Dir("usr/share/orvandel-viewer"), true},
        {"no shipped data", Request("bare/bin"), Dir("xdg/orvandel-viewer"), "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(PathOf("xdg"));
        const TDataFolder chosen = ChooseDataFolder(c.Request);
        EXPECT_EQ(chosen.Folder, c.Folder);
        EXPECT_EQ(chosen.Shipped, c.Shipped);
        EXPECT_EQ(chosen.Seeded, c.Seeded);
        EXPECT_TRUE(DirectoryExists(chosen.Folder));
        EXPECT_EQ(FileExists(chosen.Folder + "images/a.gif"), !c.Shipped.empty());
    }
}

TEST_F(TDataFolderTest, PerUserFolderFollowsXdgDataHome) {
    Ship("usr/share/orvandel-viewer");
    MakeFolder("usr/bin");
    const struct {
        std::string Xdg, Folder;
    } cases[] = {
        {PathOf("xdg"), Dir("xdg/orvandel-viewer")},
        {"", Dir("home/.local/share/orvandel-viewer")},
        {"relative/data", Dir("home/.local/share/orvandel-viewer")}, // not absolute: ignored
    };
    for (const auto& c : cases) {
        TDataFolderRequest r = Request("usr/bin");
        r.XdgDataHome = c.Xdg;
        EXPECT_EQ(ChooseDataFolder(r).Folder, c.Folder) << c.Xdg;
        EXPECT_TRUE(FileExists(c.Folder + "taxonomy.tem"));
    }
    TDataFolderRequest homeless = Request("usr/bin");
    homeless.XdgDataHome.clear();
    homeless.Home.clear();
    EXPECT_THROW(ChooseDataFolder(homeless), EFOpenError);
    // A folder that cannot be made is an error, not a start without data.
    Write("blocker", "a file");
    homeless.XdgDataHome = PathOf("blocker");
    EXPECT_THROW(ChooseDataFolder(homeless), EFOpenError);
}

TEST_F(TDataFolderTest, DataDirIsCreatedAndSeededWherever) {
    MakeFolder("dist");
    Ship("dist");
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(Folder);
    TDataFolderRequest r = Request("dist");
    r.ExplicitFolder = "mine/../chosen";
    const TDataFolder chosen = ChooseDataFolder(r);
    std::filesystem::current_path(previous);
    EXPECT_EQ(chosen.Folder, Dir("chosen"));
    EXPECT_TRUE(chosen.Seeded);
    EXPECT_EQ(Read("chosen/genus.dat"), "shipped genus");
    // A copy is as old as the data it copies.
    EXPECT_EQ(std::filesystem::last_write_time(PathOf("chosen/genus.dat")),
              std::filesystem::last_write_time(PathOf("dist/genus.dat")));
    EXPECT_FALSE(DirectoryExists(PathOf("xdg")));

    // The program's own folder named explicitly is used as it is.
    r.ExplicitFolder = Dir("dist");
    EXPECT_EQ(ChooseDataFolder(r).Folder, Dir("dist"));
    EXPECT_FALSE(ChooseDataFolder(r).Seeded);
}

TEST_F(TDataFolderTest, SeedsOnceAndNeverOverwrites) {
    MakeFolder("usr/bin");
    Ship("usr/share/orvandel-viewer");
    const TDataFolderRequest r = Request("usr/bin");
    const std::string user = "xdg/orvandel-viewer/";
    ASSERT_TRUE(ChooseDataFolder(r).Seeded);

    // The user's changes and removals stay across later starts.
    Write(user + "genus.dat", "edited genus");
    ASSERT_TRUE(DeleteFile(PathOf(user + "images/a.gif")));
    Write("usr/share/orvandel-viewer/genus.dat", "newer shipped genus");
    EXPECT_FALSE(ChooseDataFolder(r).Seeded);
    EXPECT_EQ(Read(user + "genus.dat"), "edited genus");
    EXPECT_FALSE(FileExists(PathOf(user + "images/a.gif")));

    // A copy cut short (the templates missing) is completed, still keeping what is there.
    ASSERT_TRUE(DeleteFile(PathOf(user + "taxonomy.tem")));
    EXPECT_TRUE(ChooseDataFolder(r).Seeded);
    EXPECT_EQ(Read(user + "genus.dat"), "edited genus");
    EXPECT_EQ(Read(user + "taxonomy.tem"), "{\\rtf1 shipped}");
    EXPECT_TRUE(FileExists(PathOf(user + "images/a.gif")));
}

TEST_F(TDataFolderTest, SeedingCopiesTheMarkerLastAndSkipsTemporaryFiles) {
    Ship("from");
    Write("from/genus.dat.~tmp99999-0", "half written");
    // A target that cannot take a file: the copy fails before the marker, so the folder is
    // still seen as unfilled.
    MakeFolder("to");
    Write("to/images", "a file where the pictures' folder belongs");
    EXPECT_ANY_THROW(SeedDataFolder(PathOf("from"), PathOf("to")));
    EXPECT_FALSE(HoldsProgramData(PathOf("to")));
    std::filesystem::remove_all(PathOf("to"));
    SeedDataFolder(PathOf("from"), PathOf("to"));
    EXPECT_TRUE(HoldsProgramData(PathOf("to")));
    EXPECT_FALSE(FileExists(PathOf("to/genus.dat.~tmp99999-0")));
}

TEST_F(TDataFolderTest, SeedsTheDataAndNothingElse) {
    Ship("dist");
    for (const char* data :
         {"options.ini", "usr_genus.dat", "classify.hlp", "Announcement.txt", "images/b.jpg"})
        Write(std::string("dist/") + data, data);
    // What a build folder holds beside the data.
    Write("dist/orvandel-viewer", "\x7f"
                                  "ELF the program itself");
    Write("dist/notes.txt", "a stray file");
    ASSERT_TRUE(ForceDirectories(PathOf("dist/plugins")));
    Write("dist/plugins/genus.dat", "a data name in a folder that is no data");

    SeedDataFolder(PathOf("dist"), PathOf("seeded"));
    std::vector<std::string> copied;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf("seeded")))
        if (entry.is_regular_file())
            copied.push_back(entry.path().lexically_relative(PathOf("seeded")).string());
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied,
              (std::vector<std::string>{"Announcement.txt", "classify.hlp", "genus.dat", "images/a.gif",
                                        "images/b.jpg", "options.ini", "taxonomy.tem", "usr_genus.dat"}));
}
