#pragma once
// JPEG decoding through libjpeg's own interface, with an error manager that
// reports instead of ending the process. No window toolkit here.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// A decoding error: libjpeg's own message, and its number in Code.
class EJpegError : public std::runtime_error {
public:
    EJpegError(int code, const std::string& message) : std::runtime_error(message), Code(code) {}
    int Code;
};

enum class TJpegLayout {
    Rgb,   // three bytes per pixel: red, green, blue
    Rgb32, // one 32-bit word per pixel, 0xFFRRGGBB in the machine's byte order
};

// Gives the buffer for a picture of width x height and the bytes per row it
// has (at least width times the pixel size).
using TJpegAllocate = std::function<std::uint8_t*(int width, int height, std::size_t& stride)>;

// Pictures with more pixels than this are refused (JERR_IMAGE_TOO_BIG), and
// libjpeg's work memory is bounded in proportion, so that a small file cannot
// ask for gigabytes.
inline std::size_t JpegMaxPixels = std::size_t(1) << 28;
// A progressive (or other multi-scan) file keeps the coefficients of the whole picture
// while it is decoded, whatever the scale: one that would need more bytes for them than
// this is refused as too large (JERR_IMAGE_TOO_BIG). The rest of libjpeg's work memory
// is a few rows.
inline std::size_t JpegMaxWorkBytes = std::size_t(384) << 20;
// Progressive files with more scans than this are refused (JERR_BAD_PROGRESSION):
// each scan passes over the whole picture, so a small file could keep the decoder
// busy for minutes.
inline int JpegMaxScans = 1000;
// Puts the three bounds above back to the values they start with (tests lower them).
inline void ResetJpegLimits() {
    JpegMaxPixels = std::size_t(1) << 28;
    JpegMaxWorkBytes = std::size_t(384) << 20;
    JpegMaxScans = 1000;
}

// The largest picture wanted. A larger one is decoded smaller by libjpeg itself (DCT
// scaling), at the largest scale n/8 (n = 1..8) at which it fits, or at 1/8 when none
// does; a picture is never enlarged. Zero in either side: no bound on the sides. A
// picture of more than MaxPixels pixels (when not zero) is made smaller the same way.
struct TJpegBox {
    int Width = 0;
    int Height = 0;
    std::size_t MaxPixels = 0;
};

// The size a picture has in its file, whatever size it was decoded at.
struct TJpegFullSize {
    int Width = 0;
    int Height = 0;
};

// Decodes a whole JPEG file into the buffer `allocate` gives, at the size `box`
// allows. Grey and CMYK pictures come out as RGB too. Throws EJpegError; corrupt
// data that libjpeg only warns about (a truncated file, say) decodes as far as it goes.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, TJpegLayout layout, const TJpegAllocate& allocate,
                TJpegBox box = {}, TJpegFullSize* fullSize = nullptr);
// The same from an open file, read as the decoder goes (from where the file is).
void DecodeJpegFile(std::FILE* file, TJpegLayout layout, const TJpegAllocate& allocate, TJpegBox box = {},
                    TJpegFullSize* fullSize = nullptr);

struct TJpegPicture {
    int Width = 0;
    int Height = 0;
    // Rows without padding, in the requested layout. Not cleared first: the decoder writes
    // every byte.
    std::unique_ptr<std::uint8_t[]> Pixels;
    std::size_t Size = 0;
};
TJpegPicture DecodeJpeg(std::string_view bytes, TJpegLayout layout = TJpegLayout::Rgb, TJpegBox box = {});
