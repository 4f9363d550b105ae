#include "Fields.h"

#include <cstring>

namespace {
template <class T>
int SplitInto(std::string_view line, std::span<T> fields, int last, std::string_view delims) {
    if (fields.empty())
        return 0;
    if (last >= static_cast<int>(fields.size()))
        last = static_cast<int>(fields.size()) - 1;
    if (last < 0)
        return 0;
    size_t from = 0;
    int k = 0;
    const bool single = delims.size() == 1;
    for (size_t i = 0; i < line.size(); ++i) {
        if (single) {
            const void* hit = std::memchr(line.data() + i, delims[0], line.size() - i);
            if (!hit)
                break;
            i = static_cast<size_t>(static_cast<const char*>(hit) - line.data());
        } else if (delims.find(line[i]) == std::string_view::npos) {
            continue;
        }
        if (k > last)
            return k; // more pieces than fields: the rest is dropped
        fields[k] = T(line.substr(from, i - from));
        ++k;
        from = i + 1;
    }
    if (k <= last) {
        fields[k] = T(line.substr(from));
        ++k;
    }
    return k;
}
} // namespace

int SplitFields(std::string_view line, std::span<std::string> fields, int last, std::string_view delimiters) {
    return SplitInto(line, fields, last, delimiters);
}

int SplitFieldViews(std::string_view line, std::span<std::string_view> fields, int last,
                    std::string_view delimiters) {
    return SplitInto(line, fields, last, delimiters);
}

std::string JoinFields(std::span<const std::string> values, int last, std::string_view delimiter) {
    if (last >= static_cast<int>(values.size()))
        last = static_cast<int>(values.size()) - 1;
    std::string r;
    for (int i = 0; i <= last; ++i) {
        if (i > 0)
            r += delimiter;
        r += values[i];
    }
    return r;
}

std::string LinesToField(std::string_view text) {
    std::string r;
    r.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            r += '|';
        else if (c != '\r')
            r += c;
    }
    return r;
}

std::string FieldToLines(std::string_view field) {
    std::string r(field);
    for (char& c : r)
        if (c == '|')
            c = '\n';
    return r;
}
