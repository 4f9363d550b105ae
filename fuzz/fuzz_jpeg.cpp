// Feeds arbitrary bytes to the JPEG decoder: it must report every failure as
// an EJpegError with libjpeg's message number and a text, never end the process, and give
// a buffer of exactly the size it announced.
#include "JpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    JpegMaxPixels = std::size_t(1) << 20; // small pictures keep the runs fast
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (TJpegLayout layout : {TJpegLayout::Rgb, TJpegLayout::Rgb32}) {
        try {
            const TJpegPicture picture = DecodeJpeg(bytes, layout);
            const std::size_t bpp = layout == TJpegLayout::Rgb ? 3 : 4;
            Check(picture.Width > 0 && picture.Height > 0);
            Check(static_cast<std::size_t>(picture.Width) * picture.Height <= JpegMaxPixels);
            Check(picture.Pixels &&
                  picture.Size == static_cast<std::size_t>(picture.Width) * picture.Height * bpp);
        } catch (const EJpegError& e) {
            Check(e.Code > 0 && *e.what() != '\0');
        }
    }
    return 0;
}
