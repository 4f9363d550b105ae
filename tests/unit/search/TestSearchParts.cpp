// The building blocks of the search that large inputs depend on.
#include "FileLines.h"
#include "TempFolder.h"
#include "ViewIndex.h"

TEST(ViewIndex, NumbersKeysAcrossGrowthAndLongKeys) {
    TViewIndex index; // grows from its smallest size
    std::vector<std::string> keys;
    for (int i = 0; i < 5000; ++i) // long keys that share their first 20 bytes, and short ones
        keys.push_back(i % 2 ? "same-head-of-twenty-bytes-" + std::to_string(i) : std::to_string(i));
    for (size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(index.Add(keys[i]), i);
    EXPECT_EQ(index.Add(keys[17]), 17u); // again: the old number
    EXPECT_EQ(index.Size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(index.Find(keys[i]), i) << keys[i];
    EXPECT_EQ(index.Find("same-head-of-twenty-bytes-"), TViewIndex::None);
    EXPECT_EQ(index.Find("same-head-of-twenty-bytes-2"), TViewIndex::None);
    EXPECT_EQ(index.Find(""), TViewIndex::None);
    EXPECT_EQ(index.Add(""), keys.size()); // the empty key is a key like any other
    EXPECT_EQ(index.Key(3), "same-head-of-twenty-bytes-3");
}

class TFileLinesTest : public TStoreTest {};

TEST_F(TFileLinesTest, CutsLikeForEachLine) {
    // Line ends of every kind, also where a block ends between CR and LF, a
    // line longer than a block, and a last line without a line end.
    std::string text;
    for (int i = 0; text.size() < 3u << 20; ++i) {
        text += "line " + std::to_string(i);
        text += i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r";
        if (i % 1000 == 0)
            text += "\r\n";
    }
    text.insert((1u << 20) - 1, "\r\n");
    text.insert(0, "\xEF\xBB\xBF"); // a byte-order mark is dropped at the start only
    for (size_t at = 2u << 20; at < (2u << 20) + 300000; at += 1000) {
        const size_t line = text.find('\n', at) + 1;
        text.insert(line, "\xEF\xBB\xBF");
    }
    text += std::string(3u << 20, 'x') + "\r\n\r\nlast";
    Write("big.txt", text);
    std::vector<std::string> expected, got;
    ForEachLine(text, [&](std::string_view l) { expected.emplace_back(l); });
    TFileLines file(PathOf("big.txt"));
    EXPECT_EQ(file.Size(), text.size());
    ForEachFileLine(file, [&](std::string_view l) { got.emplace_back(l); });
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);

    EXPECT_THROW(TFileLines(PathOf("missing.txt")), EFOpenError);
}

TEST(ViewIndex, FindsManyAsOneByOne) {
    TViewIndex index(100);
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i)
        keys.push_back((i % 3 ? "k" : "a much longer key, number ") + std::to_string(i));
    for (size_t i = 0; i < keys.size(); i += 2) // the odd ones stay absent
        index.Add(keys[i]);
    std::vector<std::string_view> views(keys.begin(), keys.end());
    views.push_back("");
    std::vector<uint32_t> numbers(views.size());
    index.FindMany(views, numbers);
    for (size_t i = 0; i < views.size(); ++i)
        ASSERT_EQ(numbers[i], index.Find(views[i])) << views[i];
    EXPECT_EQ(numbers[2], 1u);
}
