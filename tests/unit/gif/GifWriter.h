#pragma once
// Writes GIF files from a description, so that tests, benchmarks and fuzz seeds
// make their own pictures, well-formed or deliberately broken.

#include "GIFImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TGifFrameSpec {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<std::uint8_t> Pixels;  // colour indices, Width per row, top-down
    std::vector<TGIFColor> LocalTable; // none when empty; 2, 4, ... 256 entries
    bool Interlaced = false;
    bool Control = false;  // write a graphic-control block with the fields below
    int DisposalField = 0; // the 3-bit field as written
    int Delay = 0;         // hundredths of a second
    bool Transparent = false;
    int TransparentIndex = 0;
    std::string Comment; // a comment block before the image when not empty
    int MinCodeSize = 0; // 0: from the table size (at least 2)
    // The image data as written (before splitting into sub-blocks) instead of
    // the encoded pixels.
    std::optional<std::string> RawData;
};

struct TGifSpec {
    std::string Version = "89a";
    int Width = 0, Height = 0;
    std::vector<TGIFColor> GlobalTable; // none when empty
    int LoopCount = -1;                 // a NETSCAPE block when >= 0
    std::vector<TGifFrameSpec> Frames;
    bool Trailer = true;
};

std::string WriteGif(const TGifSpec& spec);

// The LZW code stream of `pixels` (clear code first, end code last).
std::string LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize);
// Packs (code, width) pairs least significant bit first.
std::string PackCodes(const std::vector<std::pair<int, int>>& codes);
// A table of n entries: entry i is (i, 255 - i, i * 7).
std::vector<TGIFColor> MakeTable(int n);
// A frame of the given size filled by f(x, y).
template <class F> TGifFrameSpec MakeFrame(int left, int top, int width, int height, F&& f) {
    TGifFrameSpec frame;
    frame.Left = left;
    frame.Top = top;
    frame.Width = width;
    frame.Height = height;
    frame.Pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame.Pixels[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(f(x, y));
    return frame;
}
