#pragma once
// How Match Names compares a name from a list with the names of the data: the name taken out of
// its line, its folded form, the edit distance and how far a suggestion may be.

#include <cstddef>
#include <string>
#include <string_view>

// Go to Branch's folding (A..Z and Latin-1 letters to lower case), then the Latin-1 letters
// without their marks ("é" as "e", "æ" as "ae", "ß" as "ss"), and spaces, tabs and hyphens left
// out: "Aurovelis  sulcata", "aurovelis-sulcata" and "AUROVÉLIS SULCATA" fold alike.
std::string FoldName(std::string_view name);
// The same, appended to `out`.
void AppendFoldedName(std::string& out, std::string_view name);

// The name in a line of a list: the first word and the words after it that begin with a lower-case
// letter and hold no digit or punctuation (epithets), so that authors and years are left out
// ("Aurovelis sulcata Tessmer, 1887" -> "Aurovelis sulcata"). Spaces around it are dropped.
std::string_view NameOfLine(std::string_view line);
// The line without the spaces, tabs and line ends around it (and a byte-order mark before it).
std::string_view TrimmedLine(std::string_view line);

// How many edits a suggestion may be from a name whose folded form has `length` bytes: none below
// 4 (too many short names are near each other), one up to 7, two from 8 on.
int SuggestionDistance(size_t length);

// The Damerau-Levenshtein distance (adjacent transpositions, each character edited at most once)
// of two folded names, or limit + 1 when it is over `limit`.
int NameDistance(std::string_view a, std::string_view b, int limit);
