#include "TempFolder.h"

#include <array>
#include <climits>
#include <csignal>
#include <sys/resource.h>

TEST(Fields, SplitKeepsUnreachedFieldsAndDropsExtraPieces) {
    std::array<std::string, 4> f = {"w", "x", "y", "z"};
    SplitFields("a#b#c#d#e", f, 3);
    EXPECT_EQ(f, (std::array<std::string, 4>{"a", "b", "c", "d"}));

    f = {"w", "x", "y", "z"};
    EXPECT_EQ(SplitFields("a#b", f, 3), 2);
    EXPECT_EQ(f, (std::array<std::string, 4>{"a", "b", "y", "z"}));

    f = {"w", "x", "y", "z"};
    SplitFields("", f, 3);
    EXPECT_EQ(f, (std::array<std::string, 4>{"", "x", "y", "z"}));

    f = {};
    SplitFields("#x#", f, 3);
    EXPECT_EQ(f, (std::array<std::string, 4>{"", "x", "", ""}));

    // Any character of the delimiter set splits; last beyond the array is clamped.
    std::array<std::string, 3> g;
    SplitFields("a,b;c;d", g, 10, ",;");
    EXPECT_EQ(g, (std::array<std::string, 3>{"a", "b", "c"}));
}

TEST(Fields, JoinAndMultiLineFields) {
    const std::array<std::string, 3> v = {"a", "", "c"};
    EXPECT_EQ(JoinFields(v, 2), "a##c");
    EXPECT_EQ(JoinFields(v, 0), "a");
    EXPECT_EQ(LinesToField("one\r\ntwo\nthree\rfour"), "one|two|threefour");
    EXPECT_EQ(FieldToLines("one|two||"), "one\ntwo\n\n");
}

TEST(TextFiles, LineEndsAndFinalBreak) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (TStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n"), (TStringList{"a"}));
    EXPECT_EQ(SplitLines("a\n\n"), (TStringList{"a", ""}));
    EXPECT_EQ(SplitLines("\r\r\n"), (TStringList{"", ""}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(JoinLinesCRLF({"a", ""}), "a\r\n\r\n");
}

TEST_F(TStoreTest, LoadTextFileAndOpenOrCreate) {
    Write("t.tem", "{\\rtf1\nline\rlast");
    EXPECT_EQ(LoadTextFile(AppFile("t.tem")), "{\\rtf1\r\nline\r\nlast\r\n");
    Write("empty.tem", "");
    EXPECT_EQ(LoadTextFile(AppFile("empty.tem")), "");
    EXPECT_THROW(LoadTextFile(AppFile("missing.tem")), EFOpenError);
    try {
        LoadTextFile(AppFile("missing.tem"));
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.tem"), std::string::npos);
    }

    TStringList lines = {"stale"};
    EXPECT_FALSE(OpenOrCreateLines(AppFile("new.dat"), lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(FileExists(AppFile("new.dat")));
    Write("old.dat", "x\r\ny\r\n");
    EXPECT_TRUE(OpenOrCreateLines(AppFile("old.dat"), lines));
    EXPECT_EQ(lines, (TStringList{"x", "y"}));
    EXPECT_THROW(OpenOrCreateLines(AppFile("no/such/folder.dat"), lines), EFOpenError);
}

TEST_F(TStoreTest, AtomicWriteKeepsOldFileOnFailure) {
    WriteLines(AppFile("genus.dat"), {"g1#A", "\t#s"});
    EXPECT_EQ(Read("genus.dat"), "g1#A\r\n\t#s\r\n");

    // A write that fails part-way (file size limit) leaves the old file and no temporary.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(WriteTextFileAtomic(AppFile("genus.dat"), std::string(5000, 'x')), EWriteError);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(Read("genus.dat"), "g1#A\r\n\t#s\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder), {}), 1);

    // A target that cannot be replaced (a folder) and one in a missing folder.
    std::filesystem::create_directory(PathOf("dir.dat"));
    EXPECT_THROW(WriteLines(AppFile("dir.dat"), {"x"}), EFOpenError);
    EXPECT_THROW(WriteLines(AppFile("nowhere/x.dat"), {"x"}), EFOpenError);
    EXPECT_FALSE(DirectoryExists(AppFile("nowhere")));

    // The mode of the replaced file is kept.
    std::filesystem::permissions(PathOf("genus.dat"), std::filesystem::perms(0640));
    WriteLines(AppFile("genus.dat"), {"g2"});
    EXPECT_EQ(std::filesystem::status(PathOf("genus.dat")).permissions(), std::filesystem::perms(0640));
}

TEST_F(TStoreTest, ProgramFolderAndFileHelpers) {
    EXPECT_EQ(ProgramFolder(), Folder + "/");
    EXPECT_EQ(AppFile("x.dat"), Folder + "/x.dat");
    EXPECT_EQ(DetailFile(5, true), Folder + "/usr_genus.dat");
    EXPECT_EQ(DetailFile(0, false), Folder + "/class.dat");
    EXPECT_EQ(DetailFile(-1, true), Folder + "/usr_tree.dat");
    EXPECT_EQ(DetailFile(-1, false), Folder + "/classifytree.dat");
    EXPECT_TRUE(ForceDirectories(AppFile("images/a/b")));
    EXPECT_TRUE(DirectoryExists(AppFile("images/a/b")));
    Write("src.gif", std::string("GIF\0\r\n", 6));
    CopyFileOverwrite(AppFile("src.gif"), AppFile("images/a/b/dst.gif"));
    EXPECT_EQ(ReadFileBytes(AppFile("images/a/b/dst.gif")), std::string("GIF\0\r\n", 6));
    EXPECT_EQ(ExtractFileName("/x/y/usr_genus.dat"), "usr_genus.dat");
    EXPECT_EQ(ExtractFilePath("/x/y/usr_genus.dat"), "/x/y/");
}

TEST(Format, Directives) {
    EXPECT_EQ(Format("%d User %s(s) are merged, %d existing record(s) were replaced", {2, "Genus", 1}),
              "2 User Genus(s) are merged, 1 existing record(s) were replaced");
    EXPECT_EQ(Format("%s %1:s %s %0:s", {"a", "b", "c"}), "a b c a");
    EXPECT_EQ(Format("100%% %s", {"x", "unused", 7}), "100% x");
    EXPECT_EQ(Format("[%5d|%-3s|%.3d]", {42, "a", -7}), "[   42|a  |-007]");
    EXPECT_EQ(Format("%d", {-9223372036854775807LL - 1}), "-9223372036854775808");
    // Data text is never read as a format.
    EXPECT_EQ(Format("%s", {"%s%d%n"}), "%s%d%n");
    EXPECT_THROW(Format("%s %s", {"a"}), EConvertError);
    EXPECT_THROW(Format("%d", {"a"}), EConvertError);
    EXPECT_THROW(Format("%s", {1}), EConvertError);
    EXPECT_THROW(Format("%x", {1}), EConvertError);
    EXPECT_THROW(Format("50%", {}), EConvertError);
    EXPECT_THROW(Format("%5:s", {"a"}), EConvertError);
}

TEST(Dates, DayCountsAndShortDates) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
    int y, m, d;
    DecodeDate(45351, y, m, d);
    EXPECT_EQ((std::array<int, 3>{y, m, d}), (std::array<int, 3>{2024, 2, 29}));
    EXPECT_EQ(DayOfWeek(0), 7); // a Saturday
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);

    SetShortDateFormat("dd/MM/yyyy");
    EXPECT_EQ(FormatShortDate(0), "30/12/1899");
    TDate date = -1;
    EXPECT_TRUE(TryParseShortDate("30/12/1899", date));
    EXPECT_EQ(date, 0);
    EXPECT_TRUE(TryParseShortDate(" 1/2/2024 ", date));
    EXPECT_EQ(date, EncodeDate(2024, 2, 1));
    for (const char* bad : {"", "31/02/2024", "2024-02-01", "01/02/2024x", "aa/bb/cccc", "1/2"})
        EXPECT_FALSE(TryParseShortDate(bad, date)) << bad;

    SetShortDateFormat("M/d/yyyy");
    EXPECT_EQ(FormatShortDate(EncodeDate(2024, 3, 5)), "3/5/2024");
    EXPECT_TRUE(TryParseShortDate("12/25/2023", date));
    EXPECT_EQ(date, EncodeDate(2023, 12, 25));
    SetShortDateFormat("yyyy. MM. dd.");
    EXPECT_EQ(FormatShortDate(EncodeDate(2024, 3, 5)), "2024. 03. 05.");
    EXPECT_TRUE(TryParseShortDate("2024. 03. 05.", date));
    SetShortDateFormat("dd/MM/yyyy");

    SetTodayForTesting(12345);
    EXPECT_EQ(Today(), 12345);
    ResetClock();
    EXPECT_GT(Today(), EncodeDate(2020, 1, 1));
}

TEST(Dates, CenturyLeapYearsAndTwoDigitYears) {
    const struct {
        int Year;
        bool Leap;
    } years[] = {{1900, false}, {2000, true}, {2100, false}};
    for (const auto& c : years) {
        SCOPED_TRACE(c.Year);
        TDate date = 0;
        EXPECT_EQ(TryEncodeDate(c.Year, 2, 29, date), c.Leap);
        const TDate march = EncodeDate(c.Year, 3, 1);
        EXPECT_EQ(march - EncodeDate(c.Year, 2, 28), c.Leap ? 2 : 1);
        int y, m, d;
        DecodeDate(march - 1, y, m, d);
        EXPECT_EQ((std::array<int, 3>{y, m, d}), (std::array<int, 3>{c.Year, 2, c.Leap ? 29 : 28}));
    }
    SetShortDateFormat("dd/MM/yy");
    const TDate date = EncodeDate(2005, 3, 4);
    const std::string text = FormatShortDate(date);
    TDate back = 0;
    EXPECT_TRUE(TryParseShortDate(text, back));
    SetShortDateFormat("dd/MM/yyyy");
    EXPECT_EQ(text, "04/03/05");
    EXPECT_EQ(back, date);
}

TEST(TextEncoding, Utf8AndLatin1Fallback) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("K\xC3\xB6rvel \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("K\xF6rvel"));    // Latin-1
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));     // cut short
    EXPECT_EQ(ToDisplayUtf8("K\xC3\xB6rvel"), "K\xC3\xB6rvel");
    EXPECT_EQ(ToDisplayUtf8("K\xF6rvel \xFF"), "K\xC3\xB6rvel \xC3\xBF");
}

TEST(StrUtils, CaseAndNumbers) {
    EXPECT_EQ(LowerCase("AbC\xC3\x96"), "abc\xC3\x96");
    EXPECT_TRUE(SameText("Server", "sERVER"));
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    int v = 0;
    EXPECT_TRUE(TryStrToInt(" -12 ", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(TryStrToInt("+7", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"", "1x", "0x10", "99999999999", "- 1"})
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;

    // Leading zeros are no digits of range, and the 32-bit range includes its most negative value.
    for (const auto& [text, value] :
         std::initializer_list<std::pair<const char*, int>>{{"0000000005", 5},
                                                            {"000000000000000000042", 42},
                                                            {"-2147483648", INT_MIN},
                                                            {"2147483647", INT_MAX}})
        EXPECT_EQ(StrToInt(text), value) << text;
    try {
        StrToInt("2147483648");
        ADD_FAILURE() << "out of range accepted";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'2147483648' is not a valid integer value");
    }
}
