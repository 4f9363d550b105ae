// Picture files of the Image page. GIF files (extension exactly ".gif") go to
// the GIF reader; every other file gets the decoder its extension names, in
// any letter case: ".jpg" and ".jpeg" through libjpeg, ".bmp" and ".ico"
// through Qt's readers.
#pragma once

#include "Errors.h"

#include <QImage>
#include <string>
#include <string_view>

class TGIFImage;

// A picture file that exists but cannot be shown; the text is the decoder's.
class EPictureError : public EOrvError {
public:
    explicit EPictureError(const std::string& message) : EOrvError(message) {}
};

// True when the name ends in ".gif" exactly: "aurex.GIF" is not a GIF here.
bool IsGifFileName(const std::string& fileName);

// Loads a picture that is not a GIF. Throws EFOpenError when the file cannot
// be read and EPictureError when it cannot be decoded: the JPEG decoder's message,
// "Bitmap image is not valid", "Icon image is not valid", or
// "Unknown picture file extension (.%s)" (the extension as written).
QImage LoadPictureFile(const std::string& path);

// JPEG bytes as an RGB32 image; EPictureError with the decoder's message.
QImage DecodeJpegImage(std::string_view bytes);

// Frame 1 of a loaded GIF at its own size; a null image when the reader is empty.
QImage GifFirstFrameImage(TGIFImage& gif);
