#include "LongText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

TEST(LongText, CutsAtTheLastLineBreakOrBlankOrCharacterInTheFinalQuarter) {
    const std::string e = "\xC3\xA9"; // one character in two bytes
    struct TCase {
        const char* What;
        std::string Text;
        size_t Limit;
        char Break;
        std::string Shown;
    };
    const TCase cases[] = {
        {"short enough", "abc def", 7, '\n', "abc def"},
        {"line break wins over a later blank", "aaaaaaaaa\nb ccc", 12, '\n', "aaaaaaaaa"},
        {"species line break", "aaaaaa|bbbbbbbbb", 8, '|', "aaaaaa"},
        {"line break too early: last blank", "a\nbbbbbbb cc", 10, '\n', "a\nbbbbbbb"},
        {"blanks before the cut left out", "aaaaaa   bbbb", 10, '\n', "aaaaaa"},
        {"no blank: whole characters only", Repeat(e, 8), 9, '\n', Repeat(e, 4)},
        {"no blank, plain bytes", Repeat("x", 20), 8, '\n', Repeat("x", 8)},
        {"not UTF-8 bytes count as characters", Repeat("\xE9", 20), 8, '\n', Repeat("\xE9", 8)},
    };
    for (const TCase& c : cases) {
        const size_t end = LongTextCut(c.Text, c.Limit, c.Break);
        EXPECT_LE(end, c.Limit) << c.What;
        EXPECT_EQ(c.Text.substr(0, end), c.Shown) << c.What;
    }
    EXPECT_EQ(CharacterCount("a" + e + "\xE9z"), 4u);
}

TEST(LongText, GroupsDigitsInThousands) {
    const std::pair<size_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {123456, "123,456"}, {16777216, "16,777,216"}};
    for (const auto& [number, text] : cases)
        EXPECT_EQ(GroupedNumber(number), text);
}

TEST(LongText, BreaksOnlyOverlongLinesAndKeepsEveryOtherByte) {
    const std::string e = "\xC3\xA9";
    struct TCase {
        std::string Text;
        std::string Broken;
    };
    const TCase cases[] = {
        {"", ""},
        {"short\nlines\n", "short\nlines\n"},
        {"aaa bbb ccc", "aaa \nbbb \nccc"},
        {"abcdefghij\nxy", "abcde\nfghij\nxy"},
        {"ab " + Repeat(e, 4), "ab \n" + Repeat(e, 2) + "\n" + Repeat(e, 2)},
    };
    for (const TCase& c : cases) {
        const std::string broken = BreakLongLines(c.Text, 5, '\n');
        EXPECT_EQ(broken, c.Broken);
        EXPECT_LE(LongestLine(broken, '\n'), 5u);
    }
    EXPECT_EQ(LongestLine("ab|cdef|g", '|'), 4u);
    EXPECT_EQ(LongestLine("", '|'), 0u);
}

} // namespace
