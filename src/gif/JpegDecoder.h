#pragma once
// JPEG decoding through libjpeg's own interface, with an error manager that
// reports instead of ending the process. No window toolkit here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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
// Progressive files with more scans than this are refused (JERR_BAD_PROGRESSION):
// each scan passes over the whole picture, so a small file could keep the decoder
// busy for minutes.
inline int JpegMaxScans = 1000;

// Decodes a whole JPEG file into the buffer `allocate` gives. Grey and CMYK
// pictures come out as RGB too. Throws EJpegError; corrupt data that libjpeg
// only warns about (a truncated file, say) decodes as far as it goes.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, TJpegLayout layout,
                const TJpegAllocate& allocate);

struct TJpegPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels; // rows without padding, in the requested layout
};
TJpegPicture DecodeJpeg(std::string_view bytes, TJpegLayout layout = TJpegLayout::Rgb);
