// The building blocks of the search that large inputs depend on.
#include "FileLines.h"
#include "FoldedText.h"
#include "TempFolder.h"
#include "ViewIndex.h"

#include <algorithm>
#include <random>

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

    // Blocks of whole lines, each where it says it is in the file, also when they are small.
    for (size_t size : {size_t(2), size_t(1000), TFileLines::DefaultBlockSize}) {
        TFileLines blocks(PathOf("big.txt"), size);
        std::string_view block;
        size_t at = 0;
        while (blocks.NextBlock(block)) {
            ASSERT_EQ(blocks.BlockOffset(), at);
            ASSERT_EQ(block, std::string_view(text).substr(at, block.size()));
            at += block.size();
            ASSERT_TRUE(at == text.size() || block.back() == '\n' ||
                        (block.back() == '\r' && text[at] != '\n'));
        }
        EXPECT_EQ(at, text.size());
    }

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

// The 16- and 32-byte loops against plain ones: texts of every length up to a few vectors, with
// the bytes around A..Z and a..z, and words that are there or nearly.
TEST(FoldedText, AgreesWithPlainLoops) {
    const std::string alphabet = "AZaz@[`{#|\n\xC3\x89"
                                 "bB";
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (bool wide : {true, false}) {
        SetWideScan(wide);
        for (int round = 0; round < 3000; ++round) {
            std::string text(pick(140), ' ');
            for (char& c : text)
                c = alphabet[pick(alphabet.size())];
            std::string folded(text.size(), '\0'), expected = text;
            for (char& c : expected)
                c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            FoldText(text.data(), folded.data(), text.size());
            ASSERT_EQ(folded, expected);
            const size_t prefix = pick(text.size() + 1);
            ASSERT_EQ(CountByte(folded.data(), prefix, '#'),
                      static_cast<size_t>(
                          std::count(folded.begin(), folded.begin() + static_cast<long>(prefix), '#')));

            // A word from the text or one byte off; each place found, going on a step after it.
            const size_t at = pick(folded.size() + 1), size = 1 + pick(40);
            std::string word = folded.substr(at, size);
            if (word.empty() || round % 4 == 0)
                word += 'a';
            const size_t step = 1 + pick(3), from = pick(8);
            std::vector<size_t> found, plain;
            TFoldedWord(word).ForEach(folded.data(), from, folded.size(), [&](size_t k) {
                found.push_back(k);
                return k + step;
            });
            for (size_t k = folded.find(word, from); k != std::string::npos; k = folded.find(word, k + step))
                plain.push_back(k);
            ASSERT_EQ(found, plain) << "word " << word << " in " << folded << " wide " << wide;
        }
    }
    SetWideScan(true);
}
