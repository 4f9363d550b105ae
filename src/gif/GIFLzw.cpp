#include "GIFLzw.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t TableSize = 4096;
constexpr int MaxTableWidth = 12;

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

// Every table string is a stretch of the output already written: the string
// of the previous code followed by the first byte of the one after it. So a
// string is copied from there instead of being unwound through a stack, and
// no chain of table entries is ever followed.
struct TEntry {
    std::uint32_t Pos;
    std::uint32_t Len;
};

// Copies len bytes from src to dst = src + distance (distance >= 1, the
// regions may overlap: dst[i] = src[i] in order). May write up to seven bytes
// past dst + len.
inline void CopyString(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t len) {
    if (dst - src >= 8) {
        for (std::uint32_t i = 0; i < len; i += 8) {
            std::uint64_t v;
            std::memcpy(&v, src + i, 8);
            std::memcpy(dst + i, &v, 8);
        }
    } else {
        for (std::uint32_t i = 0; i < len; ++i)
            dst[i] = src[i];
    }
}

} // namespace

TLzwResult DecodeGifLzw(const std::uint8_t* in, std::size_t size, int minCodeSize, std::uint8_t* out,
                        std::size_t count, std::size_t progressStep, const TLzwProgress& progress) {
    TLzwResult result;
    if (minCodeSize < 0 || minCodeSize > 15 || count == 0)
        return result;

    TEntry table[TableSize];
    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    const int firstWidth = minCodeSize + 1;
    int width = firstWidth;
    std::uint32_t mask = (1u << width) - 1;
    std::uint32_t next = endCode + 1; // the next free table entry
    bool haveOld = false;             // false right after a clear code
    std::uint32_t oldPos = 0, oldLen = 0;

    const std::uint64_t bitEnd = static_cast<std::uint64_t>(size) * 8;
    std::uint64_t bitPos = 0;
    std::size_t pos = 0;
    std::size_t nextReport = progressStep && progress ? progressStep : SIZE_MAX;

    while (pos < count) {
        if (bitPos + static_cast<unsigned>(width) > bitEnd)
            break; // the data ran out
        const std::uint32_t code =
            static_cast<std::uint32_t>(Load64(in + (bitPos >> 3)) >> (bitPos & 7)) & mask;
        bitPos += static_cast<unsigned>(width);

        if (code == clearCode) {
            width = firstWidth;
            mask = (1u << width) - 1;
            next = endCode + 1;
            haveOld = false;
            continue;
        }
        if (code == endCode)
            break;

        std::uint32_t len;
        if (code < clearCode) {
            out[pos] = static_cast<std::uint8_t>(code);
            len = 1;
        } else if (haveOld && code < next) {
            const TEntry& e = table[code];
            len = e.Len;
            if (pos + len <= count)
                CopyString(out + pos, out + e.Pos, len);
            else
                std::memmove(out + pos, out + e.Pos, count - pos);
        } else if (haveOld && code == next && next < TableSize) {
            // The code being defined: the previous string and its own first byte.
            len = oldLen + 1;
            if (pos + len <= count)
                CopyString(out + pos, out + oldPos, len);
            else
                for (std::size_t i = 0; pos + i < count; ++i)
                    out[pos + i] = out[oldPos + i];
        } else {
            // Refers to an entry not defined yet (or no string to extend).
            result.Corrupt = true;
            break;
        }

        if (haveOld && next < TableSize) {
            table[next] = {oldPos, oldLen + 1};
            ++next;
            if (next >= (1u << width) && width < MaxTableWidth) {
                ++width;
                mask = (1u << width) - 1;
            }
        }
        haveOld = true;
        oldPos = static_cast<std::uint32_t>(pos);
        oldLen = len;
        pos += len;

        if (pos >= nextReport) {
            progress(pos < count ? pos : count, static_cast<std::size_t>(bitPos >> 3));
            while (nextReport <= pos)
                nextReport += progressStep;
        }
    }
    result.Decoded = pos < count ? pos : count;
    return result;
}
