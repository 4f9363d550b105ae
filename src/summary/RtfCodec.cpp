#include "RtfCodec.h"

namespace RtfCodec {

void AppendUtf8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = ReplacementChar;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t Cp1252ToUnicode(std::uint8_t b) {
    static constexpr char16_t High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (b >= 0x80 && b < 0xA0)
        return High[b - 0x80];
    return b;
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos) {
    if (pos >= s.size())
        return 0;
    const auto b0 = static_cast<std::uint8_t>(s[pos]);
    if (b0 < 0x80)
        return 1;
    std::size_t len;
    std::uint8_t lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0)
            lo = 0xA0; // overlong
        else if (b0 == 0xED)
            hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0)
            lo = 0x90; // overlong
        else if (b0 == 0xF4)
            hi = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (s.size() - pos < len)
        return 0;
    const auto b1 = static_cast<std::uint8_t>(s[pos + 1]);
    if (b1 < lo || b1 > hi)
        return 0;
    for (std::size_t i = 2; i < len; ++i) {
        const auto b = static_cast<std::uint8_t>(s[pos + i]);
        if (b < 0x80 || b > 0xBF)
            return 0;
    }
    return len;
}

void AppendDisplayText(std::string& out, std::string_view s) {
    std::size_t p = 0;
    while (p < s.size()) {
        // Printable ASCII stretches are copied in one go.
        std::size_t e = p;
        while (e < s.size() && static_cast<std::uint8_t>(s[e]) >= 0x20 &&
               static_cast<std::uint8_t>(s[e]) < 0x7F)
            ++e;
        out.append(s, p, e - p);
        p = e;
        if (p >= s.size())
            break;
        const auto b = static_cast<std::uint8_t>(s[p]);
        if (b < 0x80) {
            if (b == '\t')
                out += '\t';
            ++p;
            continue;
        }
        const std::size_t len = Utf8SequenceLength(s, p);
        if (len > 0) {
            out.append(s, p, len);
            p += len;
        } else {
            AppendUtf8(out, static_cast<std::uint8_t>(s[p]));
            ++p;
        }
    }
}

void TruncateUtf8(std::string& s, std::size_t maxBytes) {
    if (s.size() <= maxBytes)
        return;
    std::size_t n = maxBytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (n > 0 && (static_cast<std::uint8_t>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
}

} // namespace RtfCodec
