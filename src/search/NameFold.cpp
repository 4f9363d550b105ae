#include "NameFold.h"

#include "BranchIndex.h"

#include <algorithm>
#include <vector>

namespace {

// The base letters of U+00E0..U+00FF (lower case, as FoldCase leaves them), by the second byte
// of their UTF-8 form less 0xA0; empty for the signs that keep their bytes.
const char* const LatinLower[32] = {"a", "a", "a", "a", "a", "a", "ae", "c", "e",  "e", "e",
                                    "e", "i", "i", "i", "i", "d", "n",  "o", "o",  "o", "o",
                                    "o", "",  "o", "u", "u", "u", "u",  "y", "th", "y"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

// A word that belongs to the name after its first word.
bool IsEpithet(std::string_view word) {
    if (!IsLower(word[0]))
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || IsLower(c) || c == '-' || c == ']';
    });
}

} // namespace

std::string FoldName(std::string_view name) {
    std::string out;
    AppendFoldedName(out, name);
    return out;
}

void AppendFoldedName(std::string& out, std::string_view name) {
    // Most names are plain letters: folded here without a copy.
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        for (char c : name)
            if (!IsBlank(c) && c != '-')
                out += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        return;
    }
    const std::string lower = FoldCase(name);
    for (size_t i = 0; i < lower.size(); ++i) {
        const char c = lower[i];
        if (IsBlank(c) || c == '-')
            continue;
        const auto next = i + 1 < lower.size() ? static_cast<unsigned char>(lower[i + 1]) : 0u;
        if (static_cast<unsigned char>(c) == 0xC3 && next >= 0xA0 && next <= 0xBF &&
            *LatinLower[next - 0xA0]) {
            out += LatinLower[next - 0xA0];
            ++i;
        } else if (static_cast<unsigned char>(c) == 0xC3 && next == 0x9F) {
            out += "ss"; // sharp s has no capital that FoldCase would have lowered
            ++i;
        } else {
            out += c;
        }
    }
}

std::string_view TrimmedLine(std::string_view line) {
    if (line.starts_with("\xEF\xBB\xBF"))
        line.remove_prefix(3);
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

std::string_view NameOfLine(std::string_view line) {
    line = TrimmedLine(line);
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    // "Aurovelis, Tessmer 1887": the first word's own comma is not the name's.
    size_t nameEnd = end;
    while (nameEnd > 1 && (line[nameEnd - 1] == ',' || line[nameEnd - 1] == ';'))
        --nameEnd;
    if (nameEnd != end)
        return line.substr(0, nameEnd);
    for (size_t at = end; at < line.size();) {
        size_t from = at;
        while (from < line.size() && IsBlank(line[from]))
            ++from;
        size_t to = from;
        while (to < line.size() && !IsBlank(line[to]))
            ++to;
        if (from == to || !IsEpithet(line.substr(from, to - from)))
            break;
        nameEnd = to;
        at = to;
    }
    return line.substr(0, nameEnd);
}

int SuggestionDistance(size_t length) {
    return length < 4 ? 0 : length < 8 ? 1 : 2;
}

int NameDistance(std::string_view a, std::string_view b, int limit) {
    const size_t m = b.size();
    if ((a.size() > m ? a.size() - m : m - a.size()) > static_cast<size_t>(limit))
        return limit + 1;
    std::vector<int> before(m + 1), previous(m + 1), row(m + 1);
    for (size_t j = 0; j <= m; ++j)
        previous[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        row[0] = static_cast<int>(i);
        int best = row[0];
        for (size_t j = 1; j <= m; ++j) {
            int v =
                std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                v = std::min(v, before[j - 2] + 1);
            row[j] = v;
            best = std::min(best, v);
        }
        if (best > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return std::min(previous[m], limit + 1);
}
