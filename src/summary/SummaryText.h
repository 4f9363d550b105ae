// The text a summary shows for one line of a stored field, as plain text: what Export Branch
// writes, so that other programs read what a user of the summary reads.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Expands the line's macros as the summary does with the summary codes loaded now (a code shows
// its text, an unknown <...> nothing, [...] itself), but for the links: a file holds no display
// marker, so a branch link shows nothing and a web link its address. Then reads
// the formatting codes and returns the UTF-8 text. Nothing is looked up in the tree.
std::function<std::string(std::string_view stored)> SummaryTextReader();
