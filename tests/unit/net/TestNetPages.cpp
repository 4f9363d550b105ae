// Page transfer against scripted loopback servers: what a command sees when a download is refused,
// redirected nowhere or aborted, and how the user id reply is read.
#include "Global.h"
#include "PageTransfer.h"
#include "ScriptServer.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

const std::string NetworkFailure =
    "Network connection failure or file you requested could not be found on the server";

// A page transfer past its handshake, with its error boxes recorded.
struct TPages {
    TNMHTTP Http;
    TPageTransfer Pages{Http};
    std::vector<std::string> Boxes;

    explicit TPages(const TScriptServer& server) {
        Http.TimeOut = 3000;
        Pages.ErrorBox = [this](const std::string& text) { Boxes.push_back(text); };
        Options = TOptions();
        Options.Id = 7;
        Options.URL = server.Url("");
        Pages.SetAnnouncementChecked(true);
    }
};

} // namespace

TEST(PageTransfer, OnlyARealFileArrivesAndUnusableRedirectsAreNetworkFailures) {
    struct TCase {
        std::string Reply;
        bool Arrived;
        bool Aborts; // the command stops with the silent abort
        std::vector<std::string> Boxes;
    };
    const TCase cases[] = {
        {Reply("200 OK", {}, "new"), true, false, {}},
        {Reply("203 Non-Authoritative Information", {}, "new"), true, false, {}},
        {Reply("301 Moved", {}, "<html>Moved</html>"), false, false, {NetworkFailure}},
        {Reply("404 Not Found", {}, "<html>gone</html>"), false, false, {NetworkFailure}},
        // Neither an empty nor a partial reply is the file: refused like a missing one.
        {Reply("204 No Content", {}, ""), false, false, {NetworkFailure}},
        {Reply("206 Partial Content", {"Content-Range: bytes 0-2/90"}, "new"),
         false,
         false,
         {NetworkFailure}},
        {Reply("302 Found", {"Location: https://secure.example/genus.dat"}, ""),
         false,
         true,
         {NetworkFailure}},
    };
    TTempDir dir;
    const std::string dest = dir.File("genus.dat");
    for (const TCase& c : cases) {
        TScriptServer server({{c.Reply}});
        TPages p(server);
        WriteFile(dest, "old");
        if (c.Aborts)
            EXPECT_THROW(p.Pages.GetPage("/genus.dat", dest), EGetPageFail) << c.Reply;
        else
            p.Pages.GetPage("/genus.dat", dest);
        EXPECT_EQ(p.Pages.PageArrived(), c.Arrived) << c.Reply;
        EXPECT_EQ(ReadFile(dest), c.Arrived ? "new" : "old") << c.Reply;
        EXPECT_EQ(p.Boxes, c.Boxes) << c.Reply;
        // Running the handshake only fetches no page.
        p.Pages.GetPage("", "");
        EXPECT_FALSE(p.Pages.PageArrived());
    }
}

TEST(PageTransfer, AbortFromTheWaitHookEndsTheCommandSilently) {
    // The server stalls in the middle of the body; the window closes meanwhile.
    TScriptServer server({{Reply("200 OK", {}, std::string(200000, 'n')), false, 0, 50000}});
    TTempDir dir;
    const std::string dest = dir.File("classifytree.dat");
    WriteFile(dest, "old tree");
    TPages p(server);
    std::int64_t got = 0;
    p.Http.OnProgress = [&](std::int64_t received, std::int64_t) { got = received; };
    p.Http.OnWait = [&] {
        if (got > 0)
            p.Http.Abort();
    };
    EXPECT_THROW(p.Pages.GetPage("/classifytree.dat", dest), EGetPageFail);
    EXPECT_TRUE(p.Boxes.empty());
    EXPECT_FALSE(p.Pages.PageArrived());
    EXPECT_EQ(ReadFile(dest), "old tree");
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"classifytree.dat"});
}

TEST(PageTransfer, UserIdReplyCoversTheWholeIntegerRange) {
    const std::pair<const char*, int> good[] = {{"id=-2147483648", INT_MIN},
                                                {"id=2147483647", INT_MAX},
                                                {"0000000005", 5},
                                                {"a: -0000000000012", -12}};
    for (const auto& [reply, expected] : good) {
        int id = 0;
        EXPECT_TRUE(TPageTransfer::ParseUserId(reply, id)) << reply;
        EXPECT_EQ(id, expected) << reply;
    }
    for (const char* bad : {"id=2147483648", "id=-2147483649", "99999999999999999999", "42\n", "id=-"}) {
        int id = 0;
        EXPECT_FALSE(TPageTransfer::ParseUserId(bad, id)) << bad;
    }
}
