#pragma once
// The LZW decompressor of GIF image data: variable-length codes packed least
// significant bit first, a table of 4096 codes, clear and end codes.

#include <cstddef>
#include <cstdint>
#include <functional>

// Bytes the output buffer must have beyond the pixel count: strings are copied
// eight bytes at a time and may write up to seven bytes past their end.
constexpr std::size_t LzwOutputSlack = 8;
// Zero bytes the input buffer must have beyond the data (codes are read as
// 64-bit words).
constexpr std::size_t LzwInputSlack = 8;

struct TLzwResult {
    std::size_t Decoded = 0; // output bytes that received data
    bool Corrupt = false;    // a code the table could not have produced ended the image
};

// Called with the output position and the input bytes consumed, each time the
// output passes another multiple of the reporting step.
using TLzwProgress = std::function<void(std::size_t decoded, std::size_t consumed)>;

// Decodes `size` bytes of joined sub-block data into out[0..count). Decoding
// stops at the end code, when the output is full, when the data run out, or at
// a corrupt code; out[Decoded..count) is left as it was. A minimum code size
// above 15 decodes nothing. `in` needs LzwInputSlack zero bytes after `size`,
// `out` LzwOutputSlack writable bytes after `count`.
TLzwResult DecodeGifLzw(const std::uint8_t* in, std::size_t size, int minCodeSize, std::uint8_t* out,
                        std::size_t count, std::size_t progressStep = 0, const TLzwProgress& progress = {});
