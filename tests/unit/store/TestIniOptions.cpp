#include "Ini.h"
#include "TempFolder.h"

#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST_F(TStoreTest, IniCaseInsensitiveAndKeepsOtherLines) {
    const std::string original = "; comment\r\n"
                                 "[Server]\r\n"
                                 "URL = http://x/ \r\n"
                                 "garbage line\r\n"
                                 "id=5\r\n"
                                 "ID=6\r\n"
                                 "\r\n"
                                 "[window]\n"
                                 "ListType=2\n";
    Write("o.ini", original);
    TIniFile ini(AppFile("o.ini"));
    EXPECT_EQ(ini.ReadString("SERVER", "url", ""), "http://x/");
    EXPECT_EQ(ini.ReadInteger("server", "Id", -1), 5); // the first of a repeated key
    EXPECT_EQ(ini.ReadInteger("Window", "LISTTYPE", 3), 2);
    EXPECT_EQ(ini.ReadString("Window", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadSectionValues("server"), (TStringList{"URL=http://x/", "id=5"}));
    EXPECT_TRUE(ini.ReadSectionValues("Nope").empty());

    ini.WriteInteger("SERVER", "ID", 42);
    ini.WriteString("Window", "TaxonomySize", "300");
    ini.WriteString("New", "Key", "a\r\n[Server]\r\nId=1"); // cannot inject lines
    ini.UpdateFile();
    EXPECT_EQ(Read("o.ini"), "; comment\r\n"
                             "[Server]\r\n"
                             "URL = http://x/ \r\n"
                             "garbage line\r\n"
                             "ID=42\r\n"
                             "ID=6\r\n"
                             "\r\n"
                             "[window]\r\n"
                             "ListType=2\r\n"
                             "TaxonomySize=300\r\n"
                             "[New]\r\n"
                             "Key=a  [Server]  Id=1\r\n");
    const TIniFile again(AppFile("o.ini"));
    EXPECT_EQ(again.ReadInteger("Server", "Id", -1), 42);
}

TEST_F(TStoreTest, IniTypedValues) {
    Write("t.ini", "[S]\nf1=2.2\nf2=2,5\nf3=abc\nb1=1\nb2=0\nb3=TRUE\nb4=false\nb5=maybe\nb6=7\n"
                   "i1=12abc\ni2=\nd1=05/06/2024\nd2=2024-06-05\n");
    const TIniFile ini(AppFile("t.ini"));
    EXPECT_FLOAT_EQ(ini.ReadFloat("S", "f1", 0), 2.2f);
    EXPECT_FLOAT_EQ(ini.ReadFloat("S", "f2", 0), 2.5f);
    EXPECT_FLOAT_EQ(ini.ReadFloat("S", "f3", 1.5f), 1.5f);
    EXPECT_TRUE(ini.ReadBool("S", "b1", false));
    EXPECT_FALSE(ini.ReadBool("S", "b2", true));
    EXPECT_TRUE(ini.ReadBool("S", "b3", false));
    EXPECT_FALSE(ini.ReadBool("S", "b4", true));
    EXPECT_TRUE(ini.ReadBool("S", "b5", true));
    EXPECT_TRUE(ini.ReadBool("S", "b6", false));
    EXPECT_EQ(ini.ReadInteger("S", "i1", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "i2", 9), 9);
    EXPECT_EQ(ini.ReadDate("S", "d1", 0), EncodeDate(2024, 6, 5));
    EXPECT_EQ(ini.ReadDate("S", "d2", -7), -7);

    TIniFile w(AppFile("w.ini"));
    w.WriteFloat("S", "f", 2.2f);
    w.WriteBool("S", "b", true);
    w.WriteDate("S", "d", EncodeDate(2024, 6, 5));
    w.UpdateFile();
    EXPECT_EQ(Read("w.ini"), "[S]\r\nf=2.2\r\nb=1\r\nd=05/06/2024\r\n");
}

TEST_F(TStoreTest, IniValuesInMatchingQuotesLoseThem) {
    Write("q.ini", "[Velmora]\n"
                   "Double = \"  /velmora/data/ \" \n"
                   "Single='x'\nNumber=\"42\"\nEmpty=\"\"\nLone=\"\nMixed=\"a'\nInner=a \"b\"\n");
    const TIniFile ini(AppFile("q.ini"));
    EXPECT_EQ(ini.ReadString("Velmora", "Double", ""), "  /velmora/data/ ");
    EXPECT_EQ(ini.ReadString("Velmora", "Single", ""), "x");
    EXPECT_EQ(ini.ReadInteger("Velmora", "Number", 0), 42);
    EXPECT_EQ(ini.ReadString("Velmora", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadSectionValues("Velmora"),
              (TStringList{"Double=  /velmora/data/ ", "Single=x", "Number=42", "Empty=", "Lone=\"",
                           "Mixed=\"a'", "Inner=a \"b\""}));
}

TEST_F(TStoreTest, OptionsDefaultsAndCorrections) {
    // No options.ini at all: every default.
    EXPECT_EQ(ReadOptions(), 225);
    EXPECT_EQ(Options.AppVersion, 0.0f);
    EXPECT_EQ(Options.Id, -1);
    EXPECT_EQ(Options.URL, DefaultServerURL);
    EXPECT_EQ(Options.LastUpdate, 0);
    EXPECT_EQ(Options.ListType, TListType::Both);
    EXPECT_TRUE(Options.SaveTree);
    EXPECT_FALSE(Options.OfflineMode);
    EXPECT_EQ(Options.MaxTreeDownload, std::int64_t(2) << 30);
    EXPECT_EQ(Options.MaxDatabaseDownload, std::int64_t(4) << 30);

    // Empty URL, ListType 0, unreadable date and numbers.
    Write("options.ini", "[UserInfo]\nAppVersion=two\n[Server]\nId=x\nURL=\nLastUpdate=32/13/2024\n"
                         "OfflineMode=1\n[Window]\nListType=0\nSaveTree=0\nTaxonomySize=wide\n"
                         "[Viewer]\nMaxTreeDownload=0\nMaxDatabaseDownload=5x\n");
    EXPECT_EQ(ReadOptions(), 225);
    EXPECT_EQ(Options.AppVersion, 0.0f);
    EXPECT_EQ(Options.Id, -1);
    EXPECT_EQ(Options.URL, DefaultServerURL);
    EXPECT_EQ(Options.LastUpdate, 0);
    EXPECT_EQ(Options.ListType, TListType::ScientificName);
    EXPECT_FALSE(Options.SaveTree);
    EXPECT_TRUE(Options.OfflineMode);
    EXPECT_EQ(Options.MaxTreeDownload, std::int64_t(2) << 30);
    EXPECT_EQ(Options.MaxDatabaseDownload, std::int64_t(4) << 30);

    Write("options.ini", "[Window]\nListType=-4\nTaxonomySize=-10\n[Viewer]\nMaxTreeDownload=8589934592\n"
                         "MaxDatabaseDownload=1000\n");
    EXPECT_EQ(ReadOptions(), 225);
    EXPECT_EQ(Options.ListType, TListType::ScientificName);
    EXPECT_EQ(Options.MaxTreeDownload, std::int64_t(8) << 30);
    EXPECT_EQ(Options.MaxDatabaseDownload, 1000);
}

TEST_F(TStoreTest, OptionsShutDownWritesOnlyItsKeys) {
    Write("options.ini", "[UserInfo]\r\nName=Ann\r\nAppVersion=1,5\r\n[Window]\r\nSaveTree=0\r\n"
                         "[Server]\r\nId=77\r\n");
    ReadOptions();
    EXPECT_FLOAT_EQ(Options.AppVersion, 1.5f);
    EXPECT_LT(Options.AppVersion, ProgramVersion);
    Options.Id = 99; // not written at shut-down
    Options.SaveTree = true;
    Options.URL = "http://velmora.example/";
    Options.LastUpdate = EncodeDate(2024, 1, 31);
    Options.OfflineMode = true;
    Options.ListType = TListType::Info;
    WriteOptionsAtShutdown(310);
    EXPECT_EQ(Read("options.ini"), "[UserInfo]\r\nName=Ann\r\nAppVersion=2.2\r\n[Window]\r\nSaveTree=0\r\n"
                                   "ListType=2\r\nTaxonomySize=310\r\n"
                                   "[Server]\r\nId=77\r\nLastUpdate=31/01/2024\r\n"
                                   "URL=http://velmora.example/\r\nOfflineMode=1\r\n");

    Options = TOptions();
    EXPECT_EQ(ReadOptions(), 310);
    EXPECT_FLOAT_EQ(Options.AppVersion, ProgramVersion);
    EXPECT_FALSE(Options.AppVersion < ProgramVersion);
    EXPECT_EQ(Options.Id, 77);
    EXPECT_EQ(Options.LastUpdate, EncodeDate(2024, 1, 31));
    EXPECT_FALSE(Options.SaveTree);

    Options.Id = 1234;
    WriteOptionId();
    const TIniFile ini(AppFile("options.ini"));
    EXPECT_EQ(ini.ReadInteger("Server", "Id", -1), 1234);

    WriteSubmitterInfo("Bo", "bo@example.org");
    std::string name, email;
    ReadSubmitterInfo(name, email);
    EXPECT_EQ(name, "Bo");
    EXPECT_EQ(email, "bo@example.org");
}

// --offline: the run starts off-line, the stored option survives unless the user turned it off.
TEST_F(TStoreTest, OfflineForThisRunKeepsTheStoredOption) {
    const struct {
        bool Stored, TurnedOffByUser;
        bool Written;
    } cases[] = {{false, false, false}, {true, false, true}, {false, true, false}, {true, true, false}};
    for (const auto& c : cases) {
        Write("options.ini", std::string("[Server]\r\nOfflineMode=") + (c.Stored ? "1" : "0") + "\r\n");
        SetOfflineForThisRun(true);
        ReadOptions();
        EXPECT_TRUE(Options.OfflineMode);
        if (c.TurnedOffByUser)
            Options.OfflineMode = false;
        WriteOptionsAtShutdown(225);
        SetOfflineForThisRun(false);
        EXPECT_EQ(TIniFile(AppFile("options.ini")).ReadBool("Server", "OfflineMode", !c.Written), c.Written)
            << "stored " << c.Stored << ", turned off " << c.TurnedOffByUser;
    }
}

// Permission bits do not stop root, so a socket stands for a file that is there but cannot be read:
// writing our few keys over it would lose every other key it holds.
TEST_F(TStoreTest, IniFileThatCannotBeReadIsNeverOverwritten) {
    const std::string path = AppFile("options.ini");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    const std::function<void()> writes[] = {[] { WriteOptionsAtShutdown(225); }, [] { WriteOptionId(); },
                                            [] { WriteSubmitterInfo("Bo", "b@x"); }};
    for (const auto& write : writes) {
        EXPECT_THROW(write(), EFOpenError);
        struct stat st {};
        EXPECT_TRUE(lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
    }
}

// A setting tells its listeners of each real change once, reading the file included, and no more
// after they unsubscribed; a fresh set of options has none.
TEST_F(TStoreTest, SettingsAnnounceChangesOnce) {
    std::vector<bool> seen;
    const int id = Options.OfflineMode.Subscribe([&seen](const bool& value) { seen.push_back(value); });
    Options.OfflineMode = false; // unchanged
    Options.OfflineMode = true;
    Options.OfflineMode = true;
    Write("options.ini", "[Server]\r\nOfflineMode=0\r\n");
    ReadOptions();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    Options.OfflineMode.Unsubscribe(id);
    Options.OfflineMode = true;
    Options.OfflineMode.Subscribe([&seen](const bool& value) { seen.push_back(value); });
    ResetOptions();
    Options.OfflineMode = false;
    EXPECT_EQ(seen.size(), 2u);
}
