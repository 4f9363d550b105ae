#pragma once
// The matching rule of the genus search, prepared once per search so that
// hundreds of thousands of records are matched without copying or folding
// their text.

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

private:
    std::vector<std::string> Words;
    std::vector<uint32_t> ByPair[256]; // by first byte: words of two or more bytes
    std::bitset<65536> Pairs;          // first two bytes of some word
    uint32_t Singles[256] = {};        // one-byte words by their byte
    bool AnySingle = false;
};

class TWordMatcher {
public:
    TWordMatcher(const TSearchWords& words, bool matchAll, const TSearchFields& fields);

    // No record can match, whatever it holds.
    bool NeverMatches() const;

    // Bit w is set when word w occurs in one of the chosen record fields,
    // the genus's name aside. The description is in file form ('|' between
    // lines) when `fileForm`. May stop early once the outcome is certain.
    uint32_t RecordMask(std::string_view keywords, std::string_view type, std::string_view commonName,
                        std::string_view description, bool fileForm) const;
    // The outcome for a record whose RecordMask is `mask` and whose genus is
    // named `name`.
    bool Decide(uint32_t mask, std::string_view name) const;

private:
    TWordSet Text;              // any field as read
    TWordSet FileForm;          // a description in file form: LF looked for as '|'
    uint32_t FileFormWords = 0; // words a description in file form can hold (none with a '|' of its own)
    bool MatchAll;
    TSearchFields Fields;
    uint32_t AllWords = 0;
};
