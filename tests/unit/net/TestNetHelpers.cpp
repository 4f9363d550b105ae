// URL splitting and the text helpers used around the HTTP client.
#include "NetHelpers.h"

#include <gtest/gtest.h>

namespace {

std::string Parts(const TUrlParts& p) {
    return p.Host + "|" + std::to_string(p.Port) + "|" + p.Path;
}

} // namespace

TEST(NetHelpers, SplitUrl) {
    EXPECT_EQ(Parts(SplitUrl("http://127.0.0.1:8642/velmora/data/db?level=5&id=7")),
              "127.0.0.1|8642|/velmora/data/db?level=5&id=7");
    EXPECT_EQ(Parts(SplitUrl("http://velmora.example")), "velmora.example|80|/");
    EXPECT_EQ(Parts(SplitUrl("http://velmora.example?x=1")), "velmora.example|80|/?x=1");
    EXPECT_EQ(Parts(SplitUrl("ftp://h/f")), "h|21|/f");
    EXPECT_EQ(Parts(SplitUrl("Gopher://h/")), "h|70|/");
    EXPECT_EQ(Parts(SplitUrl("http://[::1]:81/a")), "::1|81|/a");
    // Without a scheme the colon belongs to the port, and the default port is the client's.
    EXPECT_EQ(Parts(SplitUrl("localhost:8080/a", 99)), "localhost|8080|/a");
    EXPECT_EQ(Parts(SplitUrl("localhost/a", 99)), "localhost|99|/a");

    EXPECT_THROW(SplitUrl("HTTPS://h/"), EURLError);
    for (const char* bad : {"http://h:0/", "http://h:70000/", "http://h:8x/", "http:///path", "http://[::1/"})
        EXPECT_THROW(SplitUrl(bad), EURLError) << bad;
}

TEST(NetHelpers, ResolveLocation) {
    const TUrlParts here = SplitUrl("http://h:81/velmora/data/db?level=1");
    // A bare name is a file at the top of the host; a relative path keeps the current folder.
    EXPECT_EQ(Parts(ResolveLocation(here, "genus.dat")), "h|81|/genus.dat");
    EXPECT_EQ(Parts(ResolveLocation(here, "new/genus.dat")), "h|81|/velmora/data/new/genus.dat");
    EXPECT_EQ(Parts(ResolveLocation(here, "/root.dat")), "h|81|/root.dat");
    EXPECT_EQ(Parts(ResolveLocation(here, "http://other/x")), "other|80|/x");
    EXPECT_EQ(Parts(ResolveLocation(here, "//other:82/y")), "other|82|/y");
    EXPECT_EQ(Parts(ResolveLocation(SplitUrl("http://h"), "a.dat")), "h|80|/a.dat");
    EXPECT_THROW(ResolveLocation(here, "https://secure/"), EURLError);
}

TEST(NetHelpers, PercentEncodeKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(PercentEncode("Az09-._~"), "Az09-._~");
    EXPECT_EQ(PercentEncode("a b&c=d+e%f/g?h#i"), "a%20b%26c%3Dd%2Be%25f%2Fg%3Fh%23i");
    EXPECT_EQ(PercentEncode("J\xC3\xB6rg"), "J%C3%B6rg");
    EXPECT_EQ(PercentEncode(std::string("\0\n", 2)), "%00%0A");
    EXPECT_EQ(PercentEncode(""), "");
}

TEST(NetHelpers, IsPlainFileName) {
    for (const char* ok : {"Korvel01.gif", "a b.jpeg", "x.y.z", "n\xC3\xA4me.jpg", "-"})
        EXPECT_TRUE(IsPlainFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", ".hidden", "../genus.dat", "a/b.gif", "a\\b.gif", "C:x.gif",
                            "a..b", "tab\there", "del\x7f"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    EXPECT_TRUE(IsPlainFileName(std::string(255, 'a')));
    EXPECT_FALSE(IsPlainFileName(std::string(256, 'a')));
}
