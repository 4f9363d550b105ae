#pragma once
// The matching rule of the genus search, prepared once per search: the words
// as a set to find in one record's fields and a genus's name, and as patterns
// for the scan of the database's folded text.

#include "FoldedText.h"
#include "GenusSearch.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Finds which of up to 32 words occur in a text, with the letters A..Z of
// the text folded to lower case (the words are already folded) and every
// other byte compared exactly. One pass over the text looks up each pair of
// bytes in a table of the words' first two bytes, so the cost does not grow
// with the number of words.
class TWordSet {
public:
    // Word i of `words` reports as bit i; empty words never occur.
    void Assign(const std::vector<std::string>& words);
    // The bits of the words in `wanted` that occur in `text`. Stops as soon
    // as every wanted word was seen, or with `any` as soon as one was.
    uint32_t Find(std::string_view text, uint32_t wanted, bool any) const;
    const std::vector<std::string>& All() const { return FWords; }

private:
    std::vector<std::string> FWords;
    std::vector<uint32_t> FByPair[256]; // by first byte: words of two or more bytes
    std::bitset<65536> FPairs;          // first two bytes of some word
    uint32_t FSingles[256] = {};        // one-byte words by their byte
    bool FAnySingle = false;
};

// Fields of a genus record line, as bits by their place in it.
inline constexpr uint32_t DescriptionField = 1u << 3;
inline constexpr uint32_t TypeField = 1u << 4;
inline constexpr uint32_t CommonNameField = 1u << 5;
inline constexpr uint32_t KeywordsField = 1u << 11;

// A word as it is looked for in the folded text of the database's record
// lines: the words it stands for (bit i: word i) and the fields in which
// finding it counts (bit k: field k of the line).
struct TFilePattern {
    TFoldedWord Word;
    uint32_t Bits;
    uint32_t Fields;
};

class TWordMatcher {
public:
    TWordMatcher(const TSearchWords& words, bool matchAll, const TSearchFields& fields);

    // No record can match, whatever it holds.
    bool NeverMatches() const;

    // The words that a record line's chosen fields can hold, one pattern for
    // equal ones. A word never found in a line's fields (one with '#' or a
    // line end) has none.
    const std::vector<TFilePattern>& FilePatterns() const { return FPatterns; }
    bool MatchesAll() const { return FMatchAll; }
    bool InName() const { return Fields.InName; }

    // Bit w is set when word w occurs in one of the chosen record fields,
    // the genus's name aside. May stop early once the outcome is certain.
    uint32_t RecordMask(std::string_view keywords, std::string_view type, std::string_view commonName,
                        std::string_view description) const;
    // The outcome for a record whose RecordMask is `mask` and whose genus is
    // named `name`.
    bool Decide(uint32_t mask, std::string_view name) const;
    // The outcome for a genus whose record and name (when it is chosen) hold
    // the words of `mask`.
    bool Accepts(uint32_t mask) const { return FMatchAll ? mask == FAllWords : mask != 0; }
    // The words with A..Z folded, word i for bit i.
    const std::vector<std::string>& FoldedWords() const { return FText.All(); }

private:
    TWordSet FText; // the words, folded
    bool FMatchAll;
    TSearchFields Fields;
    uint32_t FAllWords = 0;
    std::vector<TFilePattern> FPatterns;
    uint32_t FPatternWords = 0; // words some pattern stands for
};
