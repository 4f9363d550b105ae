// The HTTP client alone against the reference Velmora server, started with a data folder and a
// state folder made here. The server binds a port of the system's choice and names it on its first
// line, so no other program can take the port in between.
#include "NMHTTP.h"
#include "NetHelpers.h"
#include "ScriptServer.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// netpaths' UserControl with its three placeholders filled.
std::string UserControlPath(const std::string& cmd, const std::string& file, const std::string& extra) {
    return "velmora/usercontrol?cmd=" + cmd + "&file=" + file + extra;
}

class TVelmoraProcess {
public:
    TVelmoraProcess(const std::string& data, const std::string& state, const std::string& news) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, (state + "-server.log").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> args = {ORV_PYTHON, ORV_VELMORA_SERVER, "--port", "0",      "--data",
                                         data,       "--state",          state,    "--news", news};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&FPid, ORV_PYTHON, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        FOut = out[0];
        if (rc != 0)
            throw std::runtime_error("cannot start the reference server");
        // The first line says where it listens.
        std::string line;
        char c;
        while (line.find('\n') == std::string::npos) {
            pollfd p{FOut, POLLIN, 0};
            if (::poll(&p, 1, 20000) <= 0 || ::read(FOut, &c, 1) != 1)
                throw std::runtime_error("the reference server did not start: " + line);
            line += c;
        }
        const std::string prefix = "listening on http://127.0.0.1:";
        if (line.compare(0, prefix.size(), prefix) != 0)
            throw std::runtime_error("unexpected first line: " + line);
        FUrl = line.substr(0, line.size() - 1).substr(13);
    }
    ~TVelmoraProcess() {
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
        ::close(FOut);
    }
    const std::string& Url() const { return FUrl; } // "http://127.0.0.1:PORT/"

private:
    pid_t FPid = -1;
    int FOut = -1;
    std::string FUrl;
};

class NetVelmora : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TTempDir;
        const std::string data = Dir->File("data");
        std::filesystem::create_directories(data + "/images");
        WriteFile(data + "/classifytree.dat", "1#1#Aurivelidae#The gilded ones\r\n");
        const char* levels[] = {"class", "subclass", "order", "suborder", "family", "genus"};
        for (const char* l : levels)
            WriteFile(data + "/" + l + ".dat", std::string("7#Record of ") + l + "\r\n");
        WriteFile(data + "/images/Korvel one.gif", std::string("GIF89a\0\x01\x02\xff", 10));
        WriteFile(data + "/secret.txt", "not to be served");
        WriteFile(Dir->File("news.txt"), "Velmora is open.\r\nSecond line\r\n");
        Server = new TVelmoraProcess(data, Dir->File("state"), Dir->File("news.txt"));
    }
    static void TearDownTestSuite() {
        delete Server;
        delete Dir;
    }
    static std::string Url(const std::string& path) { return Server->Url() + path; }

    static TTempDir* Dir;
    static TVelmoraProcess* Server;
};

TTempDir* NetVelmora::Dir = nullptr;
TVelmoraProcess* NetVelmora::Server = nullptr;

} // namespace

TEST_F(NetVelmora, UserIdAndAnnouncement) {
    TNMHTTP http;
    http.Get(Url(UserControlPath("newid", "", "")));
    const std::string first = http.Body;
    http.Get(Url(UserControlPath("newid", "", "")));
    ASSERT_EQ(first.compare(0, 3, "id="), 0) << first;
    EXPECT_EQ(std::stoi(http.Body.substr(3)), std::stoi(first.substr(3)) + 1);
    EXPECT_EQ(ReadFile(Dir->File("state/lastid.txt")), http.Body.substr(3));

    TTempDir local;
    http.InputFileMode = true;
    http.Body = local.File("Announcement.txt");
    http.Get(Url(UserControlPath("getnews", "", "")));
    EXPECT_EQ(ReadFile(local.File("Announcement.txt")), "Velmora is open.\r\nSecond line\r\n");
}

TEST_F(NetVelmora, TreeDatabasesAndPictures) {
    TTempDir local;
    TNMHTTP http;
    std::vector<int> failures;
    http.OnFailure = [&](CmdType cmd) { failures.push_back(int(cmd)); };
    http.InputFileMode = true;

    http.Body = local.File("classifytree.dat");
    http.Get(Url("velmora/data/classifytree.dat"));
    EXPECT_EQ(ReadFile(local.File("classifytree.dat")), "1#1#Aurivelidae#The gilded ones\r\n");

    http.Body = local.File("order.dat");
    http.Get(Url("velmora/data/db?level=2&id=12"));
    EXPECT_EQ(ReadFile(local.File("order.dat")), "7#Record of order\r\n");
    http.Body = local.File("genus.dat");
    http.Get(Url("velmora/data/db?level=5&id=12"));
    EXPECT_EQ(ReadFile(local.File("genus.dat")), "7#Record of genus\r\n");
    // No seventh level: refused, and the file fetched before stays.
    http.Get(Url("velmora/data/db?level=6&id=12"));
    EXPECT_EQ(http.StatusCode, 400);
    EXPECT_EQ(ReadFile(local.File("genus.dat")), "7#Record of genus\r\n");

    // A picture name with a space travels encoded in the request line.
    http.Body = local.File("Korvel one.gif");
    http.Get(Url("velmora/images/Korvel one.gif"));
    EXPECT_EQ(ReadFile(local.File("Korvel one.gif")), std::string("GIF89a\0\x01\x02\xff", 10));

    // Names that climb out of the images folder and unknown paths are not found.
    http.Body = local.File("leak.txt");
    for (const char* path : {"velmora/images/..%2Fsecret.txt", "velmora/images/../secret.txt",
                             "velmora/secret.txt", "velmora/images/missing.gif"})
        http.Get(Url(path));
    EXPECT_FALSE(std::filesystem::exists(local.File("leak.txt")));
    EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0, 0}));

    http.InputFileMode = false;
    http.Get(Url("velmora/nothing"));
    EXPECT_EQ(http.StatusCode, 404);
    EXPECT_NE(http.Body.find("<html>"), std::string::npos);
    http.Get(Url("velmora/suggest.html?subject=[QXClassify] Suggestion"));
    EXPECT_NE(http.Body.find("[QXClassify] Suggestion"), std::string::npos);
}

TEST_F(NetVelmora, SubmissionLandsInTheInbox) {
    TTempDir local;
    const std::string bytes("5#Velmorix#note|second line\r\n\tspecies\0\xfe\r\n", 42);
    WriteFile(local.File("usr_genus.dat"), bytes);
    const std::string name = "J\xC3\xB6rg & Co", email = "a+b@example.org";
    TNMHTTP http;
    http.Post(Url(UserControlPath("submitdb", "usr_genus.dat",
                                  "&name=" + PercentEncode(name) + "&email=" + PercentEncode(email))),
              local.File("usr_genus.dat"));
    EXPECT_EQ(http.Body, "SUCCESS");

    // A file name that is not plain is refused and nothing is stored.
    http.Post(Url(UserControlPath("submitdb", "..%2Fevil.dat", "&name=x&email=y")),
              local.File("usr_genus.dat"));
    EXPECT_EQ(http.StatusCode, 400);
    EXPECT_NE(http.Body, "SUCCESS");

    const std::string inbox = Dir->File("state/inbox");
    const auto entries = ListFolder(inbox);
    ASSERT_EQ(entries.size(), 1u);
    const std::string folder = inbox + "/" + entries[0];
    EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"meta.json", "usr_genus.dat"}));
    EXPECT_EQ(ReadFile(folder + "/usr_genus.dat"), bytes);
    const std::string meta = ReadFile(folder + "/meta.json");
    EXPECT_NE(meta.find("\"name\": \"" + name + "\""), std::string::npos) << meta;
    EXPECT_NE(meta.find("\"email\": \"" + email + "\""), std::string::npos) << meta;
    EXPECT_NE(meta.find("\"bytes\": 42"), std::string::npos) << meta;
}
