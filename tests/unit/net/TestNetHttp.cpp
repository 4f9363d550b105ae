// The HTTP client against scripted servers on loopback.
#include "NMHTTP.h"
#include "ScriptServer.h"
#include "SockIO.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

const std::string RequestHead = "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                                "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                                "Content-type: application/x-www-form-urlencoded\r\n";

struct TEvents {
    std::vector<int> Failures;
    std::vector<int> Successes;
    void Attach(TNMHTTP& http) {
        http.OnFailure = [this](CmdType cmd) { Failures.push_back(int(cmd)); };
        http.OnSuccess = [this](CmdType cmd) { Successes.push_back(int(cmd)); };
    }
};

template <class E, class F> std::string ThrownText(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A loopback port bound but not listening: connecting is refused for as long as it lives, and no
// other program can take the port meanwhile.
class TClosedPort {
public:
    TClosedPort() : FFd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("cannot bind a loopback port");
        FPort = ntohs(a.sin_port);
    }
    ~TClosedPort() { ::close(FFd); }
    int Port() const { return FPort; }

private:
    int FFd;
    int FPort = 0;
};

TSockAddr Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    TSockAddr s;
    std::memcpy(&s.Addr, &a, sizeof a);
    s.Len = sizeof a;
    return s;
}

// A resolver of the test's own in place of the machine's while it lives.
class TResolver {
public:
    explicit TResolver(THostLookup lookup) { SetHostLookup(std::move(lookup)); }
    ~TResolver() { SetHostLookup(nullptr); }
};

} // namespace

TEST(NetHttp, GetIntoMemorySendsTheRequestLinesInOrder) {
    TScriptServer server({{Reply("200 OK", {"content-length: 5", "X-Other: y"}, "hello")}});
    TNMHTTP http;
    TEvents events;
    events.Attach(http);
    http.Body = "stale";
    http.Get(server.Url("/velmora/usercontrol?cmd=newid&file="));
    EXPECT_EQ(http.Body, "hello");
    EXPECT_EQ(http.StatusCode, 200);
    EXPECT_EQ(http.Header, "HTTP/1.0 200 OK\r\ncontent-length: 5\r\nX-Other: y\r\n");
    EXPECT_EQ(events.Successes, std::vector<int>{0});
    EXPECT_TRUE(events.Failures.empty());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /velmora/usercontrol?cmd=newid&file= HTTP/1.0\r\n"
                                    "Host: 127.0.0.1\r\n" +
                                        RequestHead + "\r\n");
}

TEST(NetHttp, PostSendsTheFileBytesUnchanged) {
    TScriptServer server({{Reply("200 OK", {}, "SUCCESS")}});
    TTempDir dir;
    const std::string bytes("line one\r\nzero\0byte\xff\n", 20);
    WriteFile(dir.File("usr_genus.dat"), bytes);
    WriteFile(dir.File("empty.dat"), "");
    TNMHTTP http;
    TEvents events;
    events.Attach(http);
    http.Post(server.Url("/submit?file=usr_genus.dat"), dir.File("usr_genus.dat"));
    EXPECT_EQ(http.Body, "SUCCESS");
    http.Post(server.Url("/submit"), dir.File("empty.dat"));
    EXPECT_EQ(events.Successes, (std::vector<int>{3, 3}));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "POST /submit?file=usr_genus.dat HTTP/1.0\r\nHost: 127.0.0.1\r\n" + RequestHead +
                               "Content-Length: 20\r\n\r\n" + bytes);
    EXPECT_EQ(requests[1],
              "POST /submit HTTP/1.0\r\nHost: 127.0.0.1\r\n" + RequestHead + "Content-Length: 0\r\n\r\n");

    // A data file that cannot be opened is a file error, and nothing is sent.
    EXPECT_THROW(http.Post(server.Url("/submit"), dir.File("missing.dat")), EFOpenError);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(NetHttp, FailureStatusRaisesOnFailureAndKeepsThePreviousFile) {
    const std::string errorPage = "<html>not here</html>";
    TScriptServer server({{Reply("404 Not Found", {}, errorPage)}});
    TTempDir dir;
    WriteFile(dir.File("genus.dat"), "old data");
    WriteFile(dir.File("post.dat"), "x");
    TNMHTTP http;
    TEvents events;
    events.Attach(http);

    http.InputFileMode = true;
    http.Body = dir.File("genus.dat");
    http.Get(server.Url("/velmora/data/db?level=5&id=1"));
    EXPECT_EQ(http.StatusCode, 404);
    EXPECT_EQ(ReadFile(dir.File("genus.dat")), "old data");
    EXPECT_EQ(http.Body, dir.File("genus.dat"));

    http.InputFileMode = false;
    http.Post(server.Url("/submit"), dir.File("post.dat"));
    EXPECT_EQ(http.Body, errorPage);
    EXPECT_EQ(events.Failures, (std::vector<int>{0, 3}));
    EXPECT_TRUE(events.Successes.empty());
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"genus.dat", "post.dat"}));
}

TEST(NetHttp, DownloadReplacesTheFileOnlyWhenTheBodyArrivedWhole) {
    TScriptServer server({
        {Reply("200 OK", {}, "")},                                 // empty body
        {Reply("200 OK", {"Content-Length: 100"}, "only a part")}, // cut off
        {Reply("200 OK", {"Content-Length: 3"}, "newEXTRA")},      // more than announced
        {"SSH-2.0-not a web server\r\n\r\ndata"},                  // not HTTP at all
    });
    TTempDir dir;
    const std::string dest = dir.File("classifytree.dat");
    WriteFile(dest, "previous");
    TNMHTTP http;
    http.InputFileMode = true;
    http.Body = dest;

    http.Get(server.Url("/tree"));
    EXPECT_EQ(ReadFile(dest), "");

    WriteFile(dest, "previous");
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url("/tree")); }),
              "Reply cut off: 11 of 100 bytes received");
    EXPECT_EQ(ReadFile(dest), "previous");

    http.Get(server.Url("/tree"));
    EXPECT_EQ(ReadFile(dest), "new");

    WriteFile(dest, "previous");
    EXPECT_THROW(http.Get(server.Url("/tree")), ESockError);
    EXPECT_EQ(ReadFile(dest), "previous");
    // No temporary file is left behind.
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"classifytree.dat"});

    // A destination that cannot be created fails before anything is sent.
    http.Body = dir.File("no/such/folder/genus.dat");
    EXPECT_THROW(http.Get(server.Url("/tree")), EFOpenError);
    EXPECT_EQ(server.Requests().size(), 4u);
}

TEST(NetHttp, OnlyAWhole200Or203ReplacesTheFile) {
    const std::string page = "<html>Moved</html>";
    struct TCase {
        std::string Reply;
        bool Committed;
        int Status;
    };
    const TCase cases[] = {
        {Reply("301 Moved", {}, page), false, 301},              // nowhere to go
        {Reply("302 Found", {"Location:  "}, page), false, 302}, // an empty location
        {Reply("304 Not Modified", {}, ""), false, 304},
        {"HTTP/1.1 100 Continue\r\n\r\n" + Reply("200 OK", {}, page), false, 100}, // interim reply
        {Reply("204 No Content", {}, ""), false, 204},
        {Reply("206 Partial Content", {"Content-Range: bytes 0-2/90"}, "new"), false, 206},
        {Reply("299 Odd", {}, "new"), false, 299},
        {Reply("203 Non-Authoritative Information", {}, "new"), true, 203},
        {Reply("200 OK", {"Content-Length: 3"}, "new"), true, 200},
    };
    TTempDir dir;
    const std::string dest = dir.File("genus.dat");
    for (const TCase& c : cases) {
        TScriptServer server({{c.Reply}});
        WriteFile(dest, "old");
        TNMHTTP http;
        TEvents events;
        events.Attach(http);
        http.InputFileMode = true;
        http.Body = dest;
        http.Get(server.Url("/genus.dat"));
        EXPECT_EQ(http.StatusCode, c.Status) << c.Reply;
        EXPECT_EQ(http.Committed(), c.Committed) << c.Reply;
        EXPECT_EQ(ReadFile(dest), c.Committed ? "new" : "old") << c.Reply;
        // A reply that was not kept is a failure; only a kept one is a success.
        EXPECT_EQ(events.Successes.size(), c.Committed ? 1u : 0u) << c.Reply;
        EXPECT_EQ(events.Failures.size(), c.Committed ? 0u : 1u) << c.Reply;
        EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"genus.dat"}) << c.Reply;
    }
    // In memory mode the body is there whatever the status, but only a 200 or 203 counts.
    TScriptServer server({{Reply("404 Not Found", {}, page)}});
    TNMHTTP http;
    http.Get(server.Url());
    EXPECT_EQ(http.Body, page);
    EXPECT_FALSE(http.Committed());
}

TEST(NetHttp, RedirectTheClientCannotFollowIsANetworkFailure) {
    TScriptServer ftp({{Reply("200 OK", {}, "not for us")}});
    const std::pair<std::string, std::string> cases[] = {
        {"https://secure.example/genus.dat", "(HTTP Secure Socket is not supported)"},
        {ftp.Url("/genus.dat").replace(0, 4, "ftp"), "(only http is supported)"},
        {"http://127.0.0.1:99999/genus.dat", "(Invalid port in URL http://127.0.0.1:99999/genus.dat)"},
    };
    TTempDir dir;
    WriteFile(dir.File("genus.dat"), "kept");
    for (const auto& [location, reason] : cases) {
        TScriptServer server({{Reply("302 Found", {"Location: " + location}, "")}});
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = dir.File("genus.dat");
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url("/genus.dat")); }),
                  "Cannot follow redirect to \"" + location + "\" " + reason);
        EXPECT_FALSE(http.Committed());
    }
    EXPECT_TRUE(ftp.Requests().empty());
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"genus.dat"});
}

TEST(NetHttp, RedirectsFollowLocationAndSendTheCookieBack) {
    TScriptServer final({{Reply("200 OK", {}, "moved here")}});
    TScriptServer server({
        {Reply("301 Moved", {"set-cookie: session=abc; path=/", "LOCATION: /velmora/data/new/tree.dat"}, "")},
        {Reply("302 Found", {"Location: other.dat"}, "")},
        {Reply("302 Found", {"Set-Cookie: lang=en", "Location: " + final.Url("/end")}, "")},
    });
    TTempDir dir;
    TNMHTTP http;
    http.InputFileMode = true;
    http.Body = dir.File("tree.dat");
    http.Get(server.Url("/velmora/data/tree.dat"));
    EXPECT_EQ(ReadFile(dir.File("tree.dat")), "moved here");
    EXPECT_EQ(http.StatusCode, 200);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /velmora/data/new/tree.dat HTTP/1.0");
    EXPECT_NE(requests[1].find("\r\nCookie: session=abc\r\n"), std::string::npos);
    // A location without "/" names a file at the top of the same host.
    EXPECT_EQ(requests[2].substr(0, requests[2].find("\r\n")), "GET /other.dat HTTP/1.0");
    ASSERT_EQ(final.Requests().size(), 1u);
    EXPECT_NE(final.Requests()[0].find("\r\nCookie: session=abc; lang=en\r\n"), std::string::npos);
}

// After a POST, "see other" is fetched with a GET and no body; a 307 posts the same body again.
TEST(NetHttp, PostRedirectsKeepOrDropTheBodyAsTheStatusSays) {
    TTempDir dir;
    WriteFile(dir.File("usr_genus.dat"), "abc");
    const struct {
        const char* Status;
        std::string Second;
    } cases[] = {
        {"303 See Other", "GET /b HTTP/1.0\r\nHost: 127.0.0.1\r\n" + RequestHead + "\r\n"},
        {"307 Temporary Redirect",
         "POST /b HTTP/1.0\r\nHost: 127.0.0.1\r\n" + RequestHead + "Content-Length: 3\r\n\r\nabc"},
    };
    for (const auto& c : cases) {
        TScriptServer server({{Reply(c.Status, {"Location: /b"}, "")}, {Reply("200 OK", {}, "SUCCESS")}});
        TNMHTTP http;
        http.Post(server.Url("/a"), dir.File("usr_genus.dat"));
        EXPECT_EQ(http.Body, "SUCCESS");
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1], c.Second) << c.Status;
    }
}

TEST(NetHttp, ServerCannotMakeTheClientLoopOrHoardMemory) {
    TTempDir dir;
    WriteFile(dir.File("genus.dat"), "kept");
    {
        TScriptServer server({{Reply("302 Found", {"Location: /again"}, "")}});
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = dir.File("genus.dat");
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url("/start")); }),
                  "Too many redirects (more than 10)");
        EXPECT_EQ(server.Requests().size(), 11u);
        EXPECT_EQ(ReadFile(dir.File("genus.dat")), "kept");
    }
    {
        const std::string longLine = "X-Long: " + std::string(70000, 'a');
        TScriptServer server({{Reply("200 OK", {longLine}, "body")},
                              {Reply("200 OK", {"X-Fits: " + std::string(65536 - 8, 'b')}, "body")}});
        TNMHTTP http;
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }),
                  "Reply header line longer than 65536 bytes");
        http.Get(server.Url());
        EXPECT_EQ(http.Body, "body");
    }
    {
        const std::string big(TNMHTTP::MaxMemoryBody + 1, 'z');
        TScriptServer server(
            {{Reply("200 OK", {}, big)}, {Reply("200 OK", {"Content-Length: 99999999999"}, "")}});
        TNMHTTP http;
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }), "Reply larger than 64 MiB");
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }), "Reply larger than 64 MiB");
    }
    {
        // A download has the bound it is given, announced or not; one that keeps to it is whole.
        TScriptServer server({{Reply("200 OK", {}, "0123456789")},
                              {Reply("200 OK", {"Content-Length: 11"}, "0123456789A")},
                              {Reply("200 OK", {}, "0123456789")}});
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = dir.File("genus.dat");
        http.MaxFileBody = 9;
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }), "Reply larger than 9 bytes");
            EXPECT_EQ(ReadFile(dir.File("genus.dat")), "kept");
        }
        http.MaxFileBody = 10;
        http.Get(server.Url());
        EXPECT_EQ(ReadFile(dir.File("genus.dat")), "0123456789");
        EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"genus.dat"});
    }
}

TEST(NetHttp, PortAndProxyInTheUrl) {
    TScriptServer server({{Reply("200 OK", {}, "x")}});
    TNMHTTP http;
    // The port of the URL wins over the default; only the path goes into the request line.
    http.Port = 1;
    http.Get("HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/a/b c.gif");
    EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")), "GET /a/b%20c.gif HTTP/1.0");

    // Through a proxy the request line names the whole address.
    http.Proxy = "127.0.0.1";
    http.ProxyPort = server.Port();
    http.Get("http://velmora.example:8080/news");
    EXPECT_EQ(server.Requests()[1].substr(0, server.Requests()[1].find("\r\n\r\n") + 2),
              "GET http://velmora.example:8080/news HTTP/1.0\r\nHost: velmora.example\r\n" + RequestHead);
}

TEST(NetHttp, NetworkFailuresAreSockErrors) {
    TNMHTTP http;
    http.TimeOut = 2000;
    const TClosedPort closed;
    const std::string refused = "127.0.0.1:" + std::to_string(closed.Port());
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get("http://" + refused + "/x"); }),
              "Connection Failed: " + refused + " (Connection refused)");
    {
        // The resolver's own text goes into the message; a name without addresses fails too.
        TResolver resolver([](const std::string& host, int, std::vector<TSockAddr>&, std::string& error) {
            if (host == "empty.test")
                return 0;
            error = "Name or service not known";
            return EAI_NONAME;
        });
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get("http://nosuch-host.test/x"); }),
                  "Host Lookup Failed: nosuch-host.test (Name or service not known)");
        EXPECT_EQ(ThrownText<ESockError>([&] { http.Get("http://empty.test/x"); }),
                  "Host Lookup Failed: empty.test (no address)");
    }

    TScriptServer closer({{""}});
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(closer.Url()); }), "Connection closed without a reply");

    EXPECT_EQ(ThrownText<EURLError>([&] { http.Get(""); }), "Empty URL");
    EXPECT_EQ(ThrownText<EURLError>([&] { http.Get("https://127.0.0.1/"); }),
              "HTTP Secure Socket is not supported");
}

TEST(NetHttp, SilentServerTimesOutWhileTheWindowIsPumped) {
    TScriptServer server({{"", true}});
    TTempDir dir;
    WriteFile(dir.File("a.dat"), "kept");
    TNMHTTP http;
    http.TimeOut = 150;
    http.InputFileMode = true;
    http.Body = dir.File("a.dat");
    int pumps = 0;
    std::string nested;
    http.OnWait = [&] {
        ++pumps;
        // A second transfer from inside the wait is refused, not interleaved.
        if (pumps == 1)
            nested = ThrownText<ESockError>([&] { http.Get(server.Url()); });
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }), "Reception Timed out");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(150));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_GE(pumps, 20); // about one per millisecond; loose for a busy machine
    EXPECT_EQ(nested, "Another transfer is under way");
    EXPECT_EQ(ReadFile(dir.File("a.dat")), "kept");

    // Abort() from the hook (the window closing) ends the wait at once.
    http.TimeOut = 0;
    http.OnWait = [&] { http.Abort(); };
    EXPECT_THROW(http.Get(server.Url()), ETransferAborted);
    EXPECT_FALSE(http.Busy());
}

TEST(NetHttp, TrickledHeaderTimesOutWhileATrickledBodyGoesOn) {
    // One byte every 25 ms: the header alone would take about 3 s against a 300 ms time-out, the
    // body about 500 ms without ever being silent for 300 ms.
    const std::string body(20, 'b');
    const std::string slowBody = Reply("200 OK", {}, body);
    TScriptServer server(
        {{Reply("200 OK", {"X-Pad: " + std::string(100, 'p')}, "new"), false, 0, std::string::npos, 25},
         {slowBody, false, 0, std::string::npos, 25, slowBody.size() - body.size()}});
    TTempDir dir;
    const std::string dest = dir.File("genus.dat");
    WriteFile(dest, "old");
    TNMHTTP http;
    http.TimeOut = 300;
    http.InputFileMode = true;
    http.Body = dest;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(server.Url()); }), "Reception Timed out");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(ReadFile(dest), "old");

    http.Get(server.Url());
    EXPECT_EQ(ReadFile(dest), body);
}

// A look-up given up on belongs to its client: the next look-up and the client's end wait for it,
// so no look-up thread outlives the client or runs beside another.
TEST(NetHttp, SlowHostLookupIsAbandonedSafely) {
    std::atomic<int> finished = 0;
    TResolver resolver([&finished](const std::string&, int port, std::vector<TSockAddr>& out, std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        out.push_back(Loopback(port));
        ++finished;
        return 0;
    });
    TScriptServer server({{Reply("200 OK", {}, "resolved")}});
    const std::string url = "http://velmora.test:" + std::to_string(server.Port()) + "/";
    {
        TNMHTTP gone;
        gone.TimeOut = 50;
        EXPECT_THROW(gone.Get(url), ESockError);
        EXPECT_EQ(finished, 0);
    }
    EXPECT_EQ(finished, 1);
    TNMHTTP http;
    int pumps = 0;
    http.OnWait = [&] { ++pumps; };
    http.TimeOut = 50;
    EXPECT_EQ(ThrownText<ESockError>([&] { http.Get(url); }), "Host Lookup Timed Out: velmora.test");
    EXPECT_GE(pumps, 10);
    // With time enough the same look-up succeeds, after the abandoned one has ended.
    http.TimeOut = 5000;
    http.Get(url);
    EXPECT_EQ(http.Body, "resolved");
    EXPECT_EQ(finished, 3);
}

TEST(NetHttp, TimeInsideTheWaitHookIsNotSilence) {
    // The reply comes 900 ms after the request; the hook blocks 800 ms once (a modal dialog). Both
    // sides of the 500 ms time-out keep 400 ms to spare for a busy machine.
    TScriptServer server({{Reply("200 OK", {}, "late but whole"), false, 900}});
    TTempDir dir;
    TNMHTTP http;
    http.TimeOut = 500;
    http.InputFileMode = true;
    http.Body = dir.File("tree.dat");
    bool blocked = false;
    http.OnWait = [&] {
        if (!std::exchange(blocked, true))
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
    };
    http.Get(server.Url());
    EXPECT_TRUE(blocked);
    EXPECT_EQ(ReadFile(dir.File("tree.dat")), "late but whole");
}

TEST(NetHttp, ProgressReportsAndAbortKeepThePreviousFile) {
    const std::string body(300000, 'b');
    TScriptServer server({
        {Reply("200 OK", {"Content-Length: 300000"}, body)},
        {Reply("200 OK", {}, body)},
        {Reply("200 OK", {}, body), false, 0, 100000}, // stalls in the middle of the body
    });
    TTempDir dir;
    const std::string dest = dir.File("genus.dat");
    TNMHTTP http;
    http.InputFileMode = true;
    http.Body = dest;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    std::vector<std::string> duringTransfer;
    http.OnProgress = [&](std::int64_t received, std::int64_t total) {
        reports.emplace_back(received, total);
        duringTransfer = ListFolder(dir.Path());
    };
    for (const std::int64_t total : {300000, -1}) {
        reports.clear();
        http.Get(server.Url());
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports.front(), std::make_pair(std::int64_t(0), total));
        EXPECT_EQ(reports.back(), std::make_pair(std::int64_t(300000), total));
        for (std::size_t i = 1; i < reports.size(); ++i)
            EXPECT_GT(reports[i].first, reports[i - 1].first);
    }
    // The download goes to a temporary file named after its writer, so a later run can tell
    // whether it was left by a crash.
    ASSERT_EQ(duringTransfer.size(), 2u);
    EXPECT_EQ(duringTransfer[1].rfind("genus.dat.~tmp" + std::to_string(::getpid()) + "-", 0), 0u);

    // Abort from either hook, once data has arrived, ends the transfer and keeps the old file.
    WriteFile(dest, "old");
    for (int viaWait = 0; viaWait < 2; ++viaWait) {
        std::int64_t got = 0;
        http.OnProgress = [&](std::int64_t received, std::int64_t) {
            got = received;
            if (!viaWait && received > 0)
                http.Abort();
        };
        http.OnWait = [&] {
            if (viaWait && got > 0)
                http.Abort();
        };
        EXPECT_THROW(http.Get(server.Url()), ETransferAborted);
        EXPECT_GT(got, 0);
        EXPECT_FALSE(http.Committed());
        EXPECT_EQ(ReadFile(dest), "old");
        EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"genus.dat"});
    }
}
