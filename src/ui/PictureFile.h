// Picture files of the Image page. GIF files (extension exactly ".gif") go to
// the GIF reader; every other file gets the decoder its extension names, in
// any letter case: ".jpg" and ".jpeg" through libjpeg, ".bmp" and ".ico"
// through Qt's readers.
#pragma once

#include "Errors.h"

#include <QImage>
#include <QSize>
#include <cstddef>
#include <string>
#include <string_view>

class TGIFDecoder;

// A picture file that exists but cannot be shown; the text is the decoder's.
class EPictureError : public EOrvError {
public:
    explicit EPictureError(const std::string& message) : EOrvError(message) {}
};

// The memory bound on a shown picture: a GIF whose frame 1 has more pixels is refused before it
// is decoded, with PictureTooLargeText; a JPEG that large is decoded smaller instead.
constexpr std::size_t MaxShownPixels = std::size_t(64) << 20;
// "The picture is too large to show (W × H)."
std::string PictureTooLargeText(int width, int height);

// True when the name ends in ".gif" exactly: "aurex.GIF" is not a GIF here.
bool IsGifFileName(const std::string& fileName);

// Loads a picture that is not a GIF. A JPEG larger than `box` (when given), or
// of more than `maxPixels` pixels (when not 0), is decoded smaller by libjpeg,
// at the largest of its scales n/8 that fits (see TJpegBox); it is read from the
// file as it is decoded, and `fullSize` (when given) gets its size in the file. Throws EFOpenError when
// the file cannot be read and EPictureError when it cannot be decoded: the JPEG
// decoder's message, "Bitmap image is not valid", "Icon image is not valid", or
// "Unknown picture file extension (.%s)" (the extension as written).
QImage LoadPictureFile(const std::string& path, QSize box = {}, std::size_t maxPixels = 0,
                       QSize* fullSize = nullptr);

// JPEG bytes as an RGB32 image, made smaller to fit `box` as above;
// EPictureError with the decoder's message.
QImage DecodeJpegImage(std::string_view bytes, QSize box = {});

// Frame 1 of a loaded GIF at its own size, every pixel opaque, made straight from the reader's
// colour indices; a null image when the reader is empty.
QImage GifFirstFrameImage(const TGIFDecoder& gif);
