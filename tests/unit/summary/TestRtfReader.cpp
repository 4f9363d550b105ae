#include "RtfReader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

namespace {

const char* const Head =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman{\\*\\panose 02}Times "
    "New Roman;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue160;}";

TRtfDocument Read(const std::string& Body) {
    return ReadRtf(std::string(Head) + Body + "}");
}

// The runs of paragraph 0.
const std::vector<TRtfRun>& Runs(const TRtfDocument& Doc) {
    static const std::vector<TRtfRun> None;
    return Doc.Paragraphs.empty() ? None : Doc.Paragraphs[0].Runs;
}

// Plain text in the document's default font.
TRtfCharFormat ArialFormat() {
    TRtfCharFormat F;
    F.FontName = "Arial";
    return F;
}

} // namespace

TEST(RtfReader, CharacterFormatsOfRuns) {
    const auto Doc = Read("plain {\\b bold \\i both\\b0  italic}\\ul u\\ulnone  \\strike s\\strike0 "
                          "\\fs40 big\\cf1 red\\cf2 blue\\cf9 none\\f1 times\\f0 arial");
    ASSERT_EQ(Doc.Paragraphs.size(), 1u);
    const auto& R = Runs(Doc);
    std::vector<std::string> Texts;
    for (const auto& Run : R)
        Texts.push_back(Run.Text);
    EXPECT_EQ(Texts, (std::vector<std::string>{"plain ", "bold ", "both", " italic", "u", " ", "s", "big",
                                               "red", "blue", "none", "times", "arial"}));
    EXPECT_EQ(R[0].Format, ArialFormat()); // \deff0, 12 pt, default colour
    EXPECT_TRUE(R[1].Format.Bold && !R[1].Format.Italic);
    EXPECT_TRUE(R[2].Format.Bold && R[2].Format.Italic);
    EXPECT_TRUE(!R[3].Format.Bold && R[3].Format.Italic);
    EXPECT_TRUE(R[4].Format.Underline && !R[4].Format.Italic);
    EXPECT_FALSE(R[5].Format.Underline);
    EXPECT_TRUE(R[6].Format.Strike);
    EXPECT_EQ(R[7].Format.FontSize, 40);
    EXPECT_FALSE(R[7].Format.Strike);
    EXPECT_EQ(R[8].Format.Color, TRtfColor::Rgb(255, 0, 0));
    EXPECT_EQ(R[9].Format.Color, TRtfColor::Rgb(0, 0, 160));
    EXPECT_TRUE(R[10].Format.Color.IsDefault); // past the table
    EXPECT_EQ(R[11].Format.FontName, "Times New Roman");
    EXPECT_EQ(R[12].Format.FontName, "Arial");
    EXPECT_EQ(R[12].Format.FontSize, 40);

    // Format words that change nothing do not split a run; \cf0 is the "auto" entry.
    const auto Same = Read("a\\b\\b0 b\\cf0 c");
    ASSERT_EQ(Runs(Same).size(), 1u);
    EXPECT_EQ(Runs(Same)[0].Text, "abc");
}

TEST(RtfReader, PlainAndPardResetOnlyTheirOwnProperties) {
    const auto Doc = Read("\\qc\\li720\\b\\i\\fs30\\cf1 x\\plain y\\par z\\pard w\\par");
    ASSERT_EQ(Doc.Paragraphs.size(), 2u);
    const auto& P0 = Doc.Paragraphs[0];
    EXPECT_EQ(P0.Format.Alignment, TRtfAlignment::Center);
    ASSERT_EQ(P0.Runs.size(), 2u);
    EXPECT_TRUE(P0.Runs[0].Format.Bold);
    EXPECT_EQ(P0.Runs[1].Format, ArialFormat());
    // \pard clears the paragraph's properties; the text keeps its characters' format.
    const auto& P1 = Doc.Paragraphs[1];
    EXPECT_EQ(P1.Text(), "zw");
    EXPECT_EQ(P1.Format, TRtfParaFormat{});
    EXPECT_EQ(P1.Runs.size(), 1u);
}

TEST(RtfReader, ParagraphPropertiesAndBreaks) {
    const auto Doc =
        Read("\\ql left\\par \\qr\\ri300 right\\par {\\qj\\li1440\\fi-360\\sb120\\sa240 just\\par}"
             "after group\\par\\par one\\line two\\tab three");
    ASSERT_EQ(Doc.Paragraphs.size(), 6u);
    EXPECT_EQ(Doc.Paragraphs[0].Format.Alignment, TRtfAlignment::Left);
    EXPECT_EQ(Doc.Paragraphs[1].Format.Alignment, TRtfAlignment::Right);
    EXPECT_EQ(Doc.Paragraphs[1].Format.RightIndent, 300);
    const TRtfParaFormat Just{TRtfAlignment::Justify, 1440, 300, -360, 120, 240};
    EXPECT_EQ(Doc.Paragraphs[2].Format, Just);
    // Paragraph properties belong to the group too.
    EXPECT_EQ(Doc.Paragraphs[3].Text(), "after group");
    EXPECT_EQ(Doc.Paragraphs[3].Format.Alignment, TRtfAlignment::Right);
    EXPECT_TRUE(Doc.Paragraphs[4].Runs.empty());
    // A last paragraph without \par is kept, with its line break and tab inside.
    EXPECT_EQ(Doc.Paragraphs[5].Text(), "one\ntwo\tthree");
    EXPECT_EQ(Doc.PlainText(), "left\nright\njust\nafter group\n\none\ntwo\tthree");
}

TEST(RtfReader, EscapesAndSymbols) {
    EXPECT_EQ(Read("caf\\'e9 \\'80\\'41").PlainText(), "caf\xC3\xA9 \xE2\x82\xAC"
                                                       "A");
    // \u with one fallback character (the default), none, and two.
    EXPECT_EQ(Read("a\\u8364?b").PlainText(), "a\xE2\x82\xAC"
                                              "b");
    EXPECT_EQ(Read("\\uc1 a\\u8364\\'80b").PlainText(), "a\xE2\x82\xAC"
                                                        "b");
    EXPECT_EQ(Read("\\uc0 a\\u8364 b").PlainText(), "a\xE2\x82\xAC"
                                                    "b");
    EXPECT_EQ(Read("\\uc2 a\\u8364 ??b").PlainText(), "a\xE2\x82\xAC"
                                                      "b");
    // \uc is part of the group state; a group end stops the skipping.
    EXPECT_EQ(Read("{\\uc0 \\u233}\\u233?x").PlainText(), "\xC3\xA9\xC3\xA9x");
    EXPECT_EQ(Read("{\\uc3\\u233 a}bc").PlainText(), "\xC3\xA9"
                                                     "bc");
    // Negative values are N + 65536; a surrogate pair makes one character; a lone half is U+FFFD.
    EXPECT_EQ(Read("\\u-4064?").PlainText(), "\xEF\x80\xA0");
    EXPECT_EQ(Read("\\u-10179?\\u-8704?").PlainText(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Read("\\u55357?x").PlainText(), "\xEF\xBF\xBDx");
    // Control symbols.
    EXPECT_EQ(Read("\\\\ \\{ \\} a\\~b c\\-d e\\_f").PlainText(), "\\ { } a\xC2\xA0"
                                                                  "b cd e\xE2\x80\x91"
                                                                  "f");
    EXPECT_EQ(Read("\\ldblquote q\\rdblquote \\emdash").PlainText(), "\xE2\x80\x9Cq\xE2\x80\x9D\xE2\x80\x94");
    // Raw bytes: valid UTF-8 passes, anything else is Latin-1; source line breaks are not text.
    EXPECT_EQ(Read("\xC3\xA9t\xE9\r\n!").PlainText(), "\xC3\xA9t\xC3\xA9!");
    // A backslash before a line break is a paragraph mark.
    EXPECT_EQ(Read("a\\\nb").Paragraphs.size(), 2u);
}

// An overlong two-byte form is no UTF-8 (it would smuggle in an ASCII character): its bytes are
// Latin-1, in RTF and in plain text alike; the shortest real two-byte forms pass.
TEST(RtfReader, OverlongTwoByteFormsAreLatin1) {
    const struct {
        std::string Bytes, Shown;
    } cases[] = {
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"\xC1\xBF", "\xC3\x81\xC2\xBF"},
        {"\xC2\xBF", "\xC2\xBF"},
        {"\xDF\xBF", "\xDF\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadRtf("{\\rtf1 " + c.Bytes + "}").PlainText(), c.Shown) << c.Shown;
        EXPECT_EQ(ReadRtf(c.Bytes).PlainText(), c.Shown) << c.Shown;
    }
}

TEST(RtfReader, TablesBecomeTabSeparatedRows) {
    const auto Doc = Read("\\trowd\\cellx1000\\cellx2000\\cellx3000 \\intbl A\\cell\\cell C\\cell\\row"
                          "\\trowd\\intbl {\\b D}\\cell E\\cell\\row\\pard after");
    ASSERT_EQ(Doc.Paragraphs.size(), 3u);
    EXPECT_EQ(Doc.Paragraphs[0].Text(), "A\t\tC");
    EXPECT_EQ(Doc.Paragraphs[1].Text(), "D\tE");
    EXPECT_TRUE(Doc.Paragraphs[1].Runs[0].Format.Bold);
    EXPECT_EQ(Doc.Paragraphs[2].Text(), "after");
}

TEST(RtfReader, DestinationsThatAreNotText) {
    const auto Doc =
        Read("{\\*\\generator Writer 1.0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author "
             "X}}{\\header head\\par}{\\footer foot}a{\\footnote note}b"
             "{\\pict\\wmetafile8\\bin5 }}{{{} c"
             "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
             "{\\*\\unknowndest {nested} text}\\unknownword d{\\v hidden}e");
    EXPECT_EQ(Doc.PlainText(), "ab clinkde");
    // The document's own group is never skipped.
    EXPECT_EQ(ReadRtf("{\\rtf1\\info x}").PlainText(), "x");
    EXPECT_EQ(ReadRtf("{\\rtf1\\*\\foo x}").PlainText(), "x");
    // A font table without ';' after its last name still names the font.
    const auto NoSemi = ReadRtf("{\\rtf1{\\fonttbl\\f3 Courier}\\f3 x}");
    EXPECT_EQ(Runs(NoSemi)[0].Format.FontName, "Courier");
    EXPECT_EQ(NoSemi.PlainText(), "x");
}

TEST(RtfReader, TextThatIsNotRtfIsPlainText) {
    auto Doc = ReadRtf("first line\r\nsecond {\\b not rtf}\rthird\n\nfifth\n");
    EXPECT_FALSE(Doc.IsRtf);
    ASSERT_EQ(Doc.Paragraphs.size(), 5u);
    EXPECT_EQ(Doc.Paragraphs[1].Text(), "second {\\b not rtf}");
    EXPECT_TRUE(Doc.Paragraphs[3].Runs.empty());
    EXPECT_EQ(Doc.Paragraphs[0].Runs[0].Format, TRtfCharFormat{});
    EXPECT_EQ(ReadRtf("caf\xE9").PlainText(), "caf\xC3\xA9");
    EXPECT_TRUE(ReadRtf("").Paragraphs.empty());
    EXPECT_FALSE(ReadRtf("{\\rt").IsRtf);
    EXPECT_FALSE(ReadRtf("x{\\rtf1 a}").IsRtf);

    // Blanks and a byte-order mark may come first.
    EXPECT_TRUE(ReadRtf(" \r\n\t{\\rtf1 a}").IsRtf);
    EXPECT_EQ(ReadRtf("\xEF\xBB\xBF{\\rtf1 a}").PlainText(), "a");
}

TEST(RtfReader, MalformedInputIsReadAsFarAsItGoes) {
    // Truncated anywhere: what was read is kept.
    EXPECT_EQ(ReadRtf("{\\rtf1 abc{\\b def").PlainText(), "abcdef");
    EXPECT_EQ(ReadRtf("{\\rtf1 abc\\").PlainText(), "abc");
    EXPECT_EQ(ReadRtf("{\\rtf1 abc\\'").PlainText(), "abc");
    EXPECT_EQ(ReadRtf("{\\rtf1 abc\\'4").PlainText(), "abc4");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\'zzb").PlainText(), "azzb");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\u").PlainText(), "a");
    EXPECT_EQ(ReadRtf("{\\rtf1 {\\fonttbl{\\f0 Ari").PlainText(), "");
    // Control characters are not text, and leave no empty runs behind.
    const auto Controls = ReadRtf("{\\rtf1 a{\\b \x01\0\x7f}\\cell\x02{\\i \x03}}"sv);
    ASSERT_EQ(Runs(Controls).size(), 1u);
    EXPECT_EQ(Controls.PlainText(), "a");
    // The document ends at its closing brace; more text or braces are ignored.
    EXPECT_EQ(ReadRtf("{\\rtf1 a}} b}").PlainText(), "a");
    // \bin skips its bytes, braces included, and cannot run past the end.
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\bin3 }{b c}").PlainText(), "a c");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\bin99999999999999999999 b}").PlainText(), "a");
}

TEST(RtfReader, HugeNumbersAreClamped) {
    const auto Doc =
        Read("\\fs99999999999999999999 a\\fs-5 b\\li99999999999999999999\\fi-99999999999999999999"
             "\\sb-20 c\\cf99999999999999999999 d\\f-99999999999999999999 e"
             "\\u99999999999999999999 ?\\uc99999999999999999999 f\\par");
    const auto& R = Runs(Doc);
    ASSERT_EQ(R.size(), 2u); // a colour or font past its table changes nothing
    EXPECT_EQ(R[0].Format.FontSize, RtfMaxFontSize);
    EXPECT_EQ(R[1].Format.FontSize, 1);
    EXPECT_EQ(Doc.Paragraphs[0].Format.LeftIndent, RtfMaxTwips);
    EXPECT_EQ(Doc.Paragraphs[0].Format.FirstIndent, -RtfMaxTwips);
    EXPECT_EQ(Doc.Paragraphs[0].Format.SpaceBefore, 0);
    EXPECT_EQ(Doc.Paragraphs[0].Text(), "abcde\xEF\xBF\xBD"
                                        "f");
    EXPECT_TRUE(R.back().Format.Color.IsDefault);
    EXPECT_EQ(R.back().Format.FontName, "Arial"); // a bad font number means the default font
}

TEST(RtfReader, DeepNestingIsCheapAndRestoresFormats) {
    const std::size_t Levels = 100'000;
    // Never closed.
    EXPECT_EQ(ReadRtf("{\\rtf1 " + std::string(Levels, '{') + "x").PlainText(), "x");

    // Balanced: formats set past the depth cap do not leak out of the capped groups.
    std::string Deep = "{\\rtf1 a";
    for (std::size_t I = 0; I < Levels; ++I)
        Deep += "{\\b ";
    Deep += "deep";
    Deep += std::string(Levels, '}');
    Deep += "z}";
    const auto Doc = ReadRtf(Deep);
    ASSERT_EQ(Doc.Paragraphs.size(), 1u);
    const auto& R = Runs(Doc);
    ASSERT_EQ(R.size(), 3u);
    EXPECT_EQ(R[1].Text, "deep");
    EXPECT_TRUE(R[1].Format.Bold);
    EXPECT_EQ(R[2].Text, "z");
    EXPECT_FALSE(R[2].Format.Bold);

    // A skipped destination deep down swallows only itself.
    std::string Skip =
        "{\\rtf1 " + std::string(Levels, '{') + "{\\*\\x {{y}}}w" + std::string(Levels, '}') + "v}";
    EXPECT_EQ(ReadRtf(Skip).PlainText(), "wv");
}

TEST(RtfReader, LargeDocumentsStayLinear) {
    std::string Big = "{\\rtf1 ";
    for (int I = 0; I < 200'000; ++I)
        Big += "{\\b x}\\'e9\\u8364?\\par\n";
    Big += "}";
    const auto Doc = ReadRtf(Big);
    ASSERT_EQ(Doc.Paragraphs.size(), 200'000u);
    EXPECT_EQ(Doc.Paragraphs.back().Text(), "x\xC3\xA9\xE2\x82\xAC");

    // One paragraph with a very long run, and a font table entry with a very long name.
    const std::string Long(5'000'000, 'a');
    EXPECT_EQ(ReadRtf("{\\rtf1 " + Long + "}").PlainText().size(), Long.size());
    const auto Named = ReadRtf("{\\rtf1{\\fonttbl{\\f0 " + Long + ";}}x}");
    EXPECT_EQ(Runs(Named)[0].Format.FontName.size(), RtfMaxFontNameBytes);
}
