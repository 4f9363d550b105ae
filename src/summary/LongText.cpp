#include "LongText.h"

#include <algorithm>

namespace {

bool Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// The last position in (From, To] at which a piece of Text may end: after a blank when the range
// has one, else at a character boundary (never inside a UTF-8 sequence); To itself when nothing fits.
std::size_t PieceEnd(std::string_view text, std::size_t from, std::size_t to) {
    for (std::size_t i = to; i > from; --i)
        if (Blank(text[i - 1]))
            return i;
    for (std::size_t i = to; i > from; --i)
        if (i == text.size() || !Continuation(text[i]))
            return i;
    return to;
}

} // namespace

std::size_t LongTextCut(std::string_view text, std::size_t limit, char lineBreak) {
    if (text.size() <= limit)
        return text.size();
    const std::size_t floor = limit - limit / 4;
    std::size_t end = text.rfind(lineBreak, limit);
    if (end == std::string_view::npos || end < floor)
        end = PieceEnd(text, floor, limit);
    // A line break or blank left at the end would only hang before what follows.
    while (end > 0 && (text[end - 1] == lineBreak || Blank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return end;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += !Continuation(c);
    return count;
}

std::string GroupedNumber(std::size_t number) {
    std::string digits = std::to_string(number);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, ',');
    return digits;
}

std::size_t LongestLine(std::string_view text, char lineBreak) {
    std::size_t longest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(lineBreak, start);
        const std::size_t length = (end == std::string_view::npos ? text.size() : end) - start;
        longest = std::max(longest, length);
        if (end == std::string_view::npos)
            return longest;
        start = end + 1;
    }
}

std::string BreakLongLines(std::string_view text, std::size_t width, char lineBreak) {
    std::string out;
    out.reserve(text.size() + text.size() / (width ? width : 1) + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(lineBreak, start);
        if (end == std::string_view::npos)
            end = text.size();
        while (end - start > width) {
            std::size_t piece = PieceEnd(text, start, start + width);
            if (piece == start)
                piece = start + width; // a single character wider than the line
            out.append(text, start, piece - start);
            out += lineBreak;
            start = piece;
        }
        out.append(text, start, end - start);
        if (end < text.size())
            out += lineBreak;
        start = end + 1;
    }
    return out;
}
