#include "PictureFile.h"

#include "GIFImage.h"
#include "JpegDecoder.h"
#include "TextFiles.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>

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

// A new RGB32 picture whose pixels are about to be written once, row by row. A large one lives in
// huge pages where the system allows them: fresh memory is faulted in a page at a time on its
// first write, and with small pages that costs about as much as decoding the picture.
QImage NewPicture(int width, int height) {
    constexpr std::size_t HugePage = std::size_t(2) << 20;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || bytes < 4 * HugePage)
        return QImage(width, height, QImage::Format_RGB32);
    const std::size_t length = (bytes + HugePage - 1) / HugePage * HugePage;
    void* pixels = std::aligned_alloc(HugePage, length);
    if (!pixels)
        return {};
    ::madvise(pixels, length, MADV_HUGEPAGE);
    return QImage(
        static_cast<uchar*>(pixels), width, height, static_cast<qsizetype>(stride), QImage::Format_RGB32,
        [](void* p) { std::free(p); }, pixels);
}

TJpegBox BoxOf(QSize box) {
    return box.isValid() ? TJpegBox{box.width(), box.height()} : TJpegBox{};
}

// Where libjpeg writes: the new picture's own rows.
TJpegAllocate Into(QImage& image) {
    return [&image](int width, int height, std::size_t& stride) -> std::uint8_t* {
        image = NewPicture(width, height);
        if (image.isNull())
            return nullptr;
        stride = static_cast<std::size_t>(image.bytesPerLine());
        return image.bits();
    };
}

struct TCloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

QImage LoadJpegFile(const std::string& path, TJpegBox box, QSize* fullSize) {
    const std::unique_ptr<std::FILE, TCloseFile> file(std::fopen(path.c_str(), "rbe"));
    struct stat st;
    if (!file || ::fstat(fileno(file.get()), &st) != 0 || S_ISDIR(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
    QImage image;
    TJpegFullSize full;
    try {
        DecodeJpegFile(file.get(), TJpegLayout::Rgb32, Into(image), box, &full);
    } catch (const EJpegError& e) {
        throw EPictureError(e.what());
    }
    if (fullSize)
        *fullSize = QSize(full.Width, full.Height);
    return image;
}

} // namespace

std::string PictureTooLargeText(int width, int height) {
    return "The picture is too large to show (" + std::to_string(width) + " \u00D7 " +
           std::to_string(height) + ").";
}

bool IsGifFileName(const std::string& fileName) {
    return fileName.size() >= 4 && fileName.compare(fileName.size() - 4, 4, ".gif") == 0;
}

QImage DecodeJpegImage(std::string_view bytes, QSize box) {
    QImage image;
    try {
        DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), TJpegLayout::Rgb32,
                   Into(image), BoxOf(box));
    } catch (const EJpegError& e) {
        throw EPictureError(e.what());
    }
    return image;
}

QImage LoadPictureFile(const std::string& path, QSize box, std::size_t maxPixels, QSize* fullSize) {
    const std::string ext = ExtensionOf(path);
    const std::string kind = Lower(ext);
    QImage image;
    if (kind == "jpg" || kind == "jpeg") {
        TJpegBox bound = BoxOf(box);
        bound.MaxPixels = maxPixels;
        return LoadJpegFile(path, bound, fullSize);
    }
    if (kind == "bmp")
        image = ReadWithQt(ReadFileBytes(path), "BMP", "Bitmap image is not valid");
    else if (kind == "ico")
        image = ReadWithQt(ReadFileBytes(path), "ICO", "Icon image is not valid");
    if (!image.isNull()) {
        if (fullSize)
            *fullSize = image.size();
        return image;
    }
    throw EPictureError("Unknown picture file extension (." + ext + ")");
}

QImage GifFirstFrameImage(const TGIFDecoder& gif) {
    if (gif.Empty() || gif.FrameCount() == 0)
        return {};
    const TGIFFrame& frame = gif.Frame(1);
    QRgb palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = qRgb(frame.ColorTable[i].Red, frame.ColorTable[i].Green, frame.ColorTable[i].Blue);
    QImage image = NewPicture(frame.Width, frame.Height);
    if (image.isNull())
        return {};
    const std::uint8_t* index = frame.Pixels.data();
    for (int y = 0; y < frame.Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < frame.Width; ++x)
            row[x] = palette[*index++];
    }
    return image;
}
