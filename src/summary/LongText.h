// Long texts kept cheap to show: a summary shows at most the start of a long field, and a view
// that lays out a line at a time is never given a line it cannot lay out quickly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What a summary shows of one field at most, in bytes; a few pages of text.
inline constexpr std::size_t MaxSummaryField = 100000;
// What a summary shows of a genus's species list at most, in bytes: some thousands of species, so
// that a printed summary of a large genus is whole, while a list of megabytes is cut.
inline constexpr std::size_t MaxSummarySpecies = 10 * MaxSummaryField;

// Where a summary cuts `text` that is longer than `limit` bytes: at its last line break (`lineBreak`), or
// else its last blank, in the final quarter of `limit`, or else at a character boundary; blanks and line
// breaks before the cut are left out. `text`'s length when it is short enough.
std::size_t LongTextCut(std::string_view text, std::size_t limit, char lineBreak);

// UTF-8 characters in `text`; bytes that are not UTF-8 count one each.
std::size_t CharacterCount(std::string_view text);

// "1,234,567".
std::string GroupedNumber(std::size_t number);

// The length in bytes of `text`'s longest line (lines end at `lineBreak`).
std::size_t LongestLine(std::string_view text, char lineBreak);

// `text` with every line longer than `width` bytes broken into lines of at most `width` bytes (`lineBreak`
// between them) after a blank where there is one, else at a character boundary.
std::string BreakLongLines(std::string_view text, std::size_t width, char lineBreak);
