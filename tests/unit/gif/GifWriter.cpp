#include "GifWriter.h"

#include <array>

namespace {

class TBitWriter {
public:
    void Put(int code, int width) {
        Acc |= static_cast<std::uint64_t>(code) << Bits;
        Bits += width;
        while (Bits >= 8) {
            Out.push_back(static_cast<char>(Acc & 0xFF));
            Acc >>= 8;
            Bits -= 8;
        }
    }
    std::string Finish() {
        if (Bits > 0)
            Out.push_back(static_cast<char>(Acc & 0xFF));
        Acc = 0;
        Bits = 0;
        return std::move(Out);
    }

private:
    std::string Out;
    std::uint64_t Acc = 0;
    int Bits = 0;
};

void PutWord(std::string& out, int v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

int DepthOf(std::size_t entries) {
    int depth = 1;
    while ((std::size_t(1) << depth) < entries)
        ++depth;
    return depth;
}

void PutTable(std::string& out, const std::vector<TGIFColor>& table) {
    const std::size_t n = std::size_t(1) << DepthOf(table.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TGIFColor c = i < table.size() ? table[i] : TGIFColor{};
        out.push_back(static_cast<char>(c.Red));
        out.push_back(static_cast<char>(c.Green));
        out.push_back(static_cast<char>(c.Blue));
    }
}

void PutSubBlocks(std::string& out, const std::string& data) {
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<char>(n));
        out.append(data, at, n);
    }
    out.push_back('\0');
}

} // namespace

std::string PackCodes(const std::vector<std::pair<int, int>>& codes) {
    TBitWriter bits;
    for (const auto& [code, width] : codes)
        bits.Put(code, width);
    return bits.Finish();
}

std::string LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
    // Open-addressing table of (prefix code, byte) -> code.
    constexpr std::size_t HashSize = 1 << 14;
    std::vector<std::uint32_t> keys(HashSize), values(HashSize);
    int width = minCodeSize + 1, next = endCode + 1;
    auto reset = [&] {
        std::fill(keys.begin(), keys.end(), 0u);
        width = minCodeSize + 1;
        next = endCode + 1;
    };
    TBitWriter bits;
    bits.Put(clearCode, width);
    reset();
    if (pixels.empty()) {
        bits.Put(endCode, width);
        return bits.Finish();
    }
    int current = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint8_t c = pixels[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(current) << 8 | c) + 1; // 0 marks empty
        std::size_t h = (key * 2654435761u) & (HashSize - 1);
        while (keys[h] != 0 && keys[h] != key)
            h = (h + 1) & (HashSize - 1);
        if (keys[h] == key) {
            current = static_cast<int>(values[h]);
            continue;
        }
        bits.Put(current, width);
        if (next < 4096) {
            keys[h] = key;
            values[h] = static_cast<std::uint32_t>(next++);
            if (next > (1 << width) && width < 12)
                ++width;
        } else {
            bits.Put(clearCode, width);
            reset();
        }
        current = c;
    }
    bits.Put(current, width);
    bits.Put(endCode, width);
    return bits.Finish();
}

std::vector<TGIFColor> MakeTable(int n) {
    std::vector<TGIFColor> table(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        table[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                    static_cast<std::uint8_t>(i * 7)};
    return table;
}

std::string WriteGif(const TGifSpec& spec) {
    std::string out = "GIF" + spec.Version;
    PutWord(out, spec.Width);
    PutWord(out, spec.Height);
    const bool global = !spec.GlobalTable.empty();
    out.push_back(static_cast<char>(global ? 0x80 | (DepthOf(spec.GlobalTable.size()) - 1) : 0));
    out.push_back('\0'); // background
    out.push_back('\0'); // aspect
    if (global)
        PutTable(out, spec.GlobalTable);
    if (spec.LoopCount >= 0) {
        out += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        PutWord(out, spec.LoopCount);
        out.push_back('\0');
    }
    for (const TGifFrameSpec& f : spec.Frames) {
        if (!f.Comment.empty()) {
            out += "\x21\xFE";
            PutSubBlocks(out, f.Comment);
        }
        if (f.Control) {
            out += "\x21\xF9\x04";
            out.push_back(static_cast<char>((f.DisposalField & 7) << 2 | (f.Transparent ? 1 : 0)));
            PutWord(out, f.Delay);
            out.push_back(static_cast<char>(f.TransparentIndex));
            out.push_back('\0');
        }
        out.push_back(',');
        PutWord(out, f.Left);
        PutWord(out, f.Top);
        PutWord(out, f.Width);
        PutWord(out, f.Height);
        const bool local = !f.LocalTable.empty();
        out.push_back(static_cast<char>((local ? 0x80 | (DepthOf(f.LocalTable.size()) - 1) : 0) |
                                        (f.Interlaced ? 0x40 : 0)));
        if (local)
            PutTable(out, f.LocalTable);
        const std::size_t entries =
            local ? f.LocalTable.size() : std::max<std::size_t>(spec.GlobalTable.size(), 2);
        const int minCodeSize = f.MinCodeSize ? f.MinCodeSize : std::max(2, DepthOf(entries));
        out.push_back(static_cast<char>(minCodeSize));
        if (f.RawData) {
            PutSubBlocks(out, *f.RawData);
            continue;
        }
        std::vector<std::uint8_t> ordered = f.Pixels;
        if (f.Interlaced) {
            ordered.clear();
            const std::array<std::pair<int, int>, 4> passes{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
            for (const auto& [start, step] : passes)
                for (int y = start; y < f.Height; y += step)
                    ordered.insert(ordered.end(), f.Pixels.begin() + static_cast<std::ptrdiff_t>(y) * f.Width,
                                   f.Pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * f.Width);
        }
        PutSubBlocks(out, LzwEncode(ordered, minCodeSize));
    }
    if (spec.Trailer)
        out.push_back(';');
    return out;
}
