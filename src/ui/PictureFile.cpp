#include "PictureFile.h"

#include "GIFImage.h"
#include "JpegDecoder.h"
#include "TextFiles.h"

#include <QByteArray>

namespace {

// The extension without its dot, as written; empty when the name has none.
std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

QImage ReadWithQt(const std::string& bytes, const char* format, const char* invalid) {
    QImage image =
        QImage::fromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), format);
    if (image.isNull())
        throw EPictureError(invalid);
    return image;
}

} // namespace

bool IsGifFileName(const std::string& fileName) {
    return fileName.size() >= 4 && fileName.compare(fileName.size() - 4, 4, ".gif") == 0;
}

QImage DecodeJpegImage(std::string_view bytes) {
    QImage image;
    try {
        DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), TJpegLayout::Rgb32,
                   [&](int width, int height, std::size_t& stride) -> std::uint8_t* {
                       image = QImage(width, height, QImage::Format_RGB32);
                       if (image.isNull())
                           return nullptr;
                       stride = static_cast<std::size_t>(image.bytesPerLine());
                       return image.bits();
                   });
    } catch (const EJpegError& e) {
        throw EPictureError(e.what());
    }
    return image;
}

QImage LoadPictureFile(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    const std::string kind = Lower(ext);
    if (kind == "jpg" || kind == "jpeg")
        return DecodeJpegImage(ReadFileBytes(path));
    if (kind == "bmp")
        return ReadWithQt(ReadFileBytes(path), "BMP", "Bitmap image is not valid");
    if (kind == "ico")
        return ReadWithQt(ReadFileBytes(path), "ICO", "Icon image is not valid");
    throw EPictureError("Unknown picture file extension (." + ext + ")");
}

QImage GifFirstFrameImage(TGIFImage& gif) {
    const TGIFPicture* still = gif.FirstFrameBitmap();
    if (!still)
        return {};
    const QImage view(still->Bytes(), still->Width, still->Height, still->Width * 4, QImage::Format_RGBA8888);
    return view.convertToFormat(QImage::Format_RGB32);
}
