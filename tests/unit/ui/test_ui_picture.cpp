// Picture files of the Image page: the decoder chosen by extension, libjpeg and its errors.
#include "GIFImage.h"
#include "GifWriter.h"
#include "JpegDecoder.h"
#include "PictureBytes.h"
#include "PictureFile.h"
#include "PicturePreviewDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <jpeglib.h>

namespace {

// A JPEG made with libjpeg's compressor; sample(x, y, component) gives the samples.
std::string EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space,
                       const std::function<int(int, int, int)>& sample, bool progressive = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<std::size_t>(x) * components + c] = static_cast<JSAMPLE>(sample(x, y, c));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

std::string RgbJpeg(int width, int height, bool progressive = false) {
    return EncodeJpeg(
        width, height, 3, JCS_RGB, [](int x, int, int c) { return c == 0   ? 250
                                                                  : c == 1 ? x
                                                                           : 10; },
        progressive);
}

// The message of the error a call throws; empty when it throws none.
QString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

bool Near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) <= 4 && std::abs(qGreen(pixel) - g) <= 4 &&
           std::abs(qBlue(pixel) - b) <= 4;
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void DecodesJpegWhateverItsColorSpace() {
        const QImage rgb = DecodeJpegImage(RgbJpeg(64, 16));
        QCOMPARE(rgb.size(), QSize(64, 16));
        QVERIFY(Near(rgb.pixel(0, 0), 250, 0, 10));
        QVERIFY(Near(rgb.pixel(40, 9), 250, 40, 10));

        const QImage grey =
            DecodeJpegImage(EncodeJpeg(8, 8, 1, JCS_GRAYSCALE, [](int, int, int) { return 128; }));
        QVERIFY(Near(grey.pixel(3, 3), 128, 128, 128));

        // CMYK is stored inverted beside an Adobe marker: (255, 0, 0, 255) is full magenta and yellow.
        const QImage cmyk = DecodeJpegImage(
            EncodeJpeg(8, 8, 4, JCS_CMYK, [](int, int, int c) { return c == 0 || c == 3 ? 255 : 0; }));
        QVERIFY(Near(cmyk.pixel(5, 5), 255, 0, 0));

        const QImage progressive = DecodeJpegImage(RgbJpeg(64, 16, true));
        QVERIFY(Near(progressive.pixel(40, 9), 250, 40, 10));
    }

    void ReportsJpegErrorsInTheirOwnWords() {
        const std::string good = RgbJpeg(64, 64);
        QCOMPARE(ErrorOf([] { DecodeJpegImage("hello"); }),
                 QString("Not a JPEG file: starts with 0x68 0x65"));
        QCOMPARE(ErrorOf([] { DecodeJpegImage(""); }), QString("Empty input file"));
        const QString cut = ErrorOf([&] { DecodeJpegImage(good.substr(0, 30)); });
        QVERIFY2(!cut.isEmpty() && !cut.contains('#'), qPrintable(cut));

        // A file cut in its scan data is only warned about: it shows as far as it goes.
        const std::string noisy = EncodeJpeg(
            64, 64, 3, JCS_RGB, [](int x, int y, int c) { return (x * 37 + y * 11 + c * 5) % 256; });
        QCOMPARE(DecodeJpegImage(noisy.substr(0, noisy.size() * 2 / 3)).size(), QSize(64, 64));

        const std::size_t maxPixels = JpegMaxPixels;
        JpegMaxPixels = 64 * 64 - 1;
        QCOMPARE(ErrorOf([&] { DecodeJpegImage(good); }),
                 QString("The picture is too large to show (64 x 64 pixels)"));
        JpegMaxPixels = maxPixels;

        const int maxScans = JpegMaxScans;
        JpegMaxScans = 2;
        QCOMPARE(ErrorOf([] { DecodeJpegImage(RgbJpeg(16, 16, true)); }),
                 QString("Too many scans in a progressive JPEG file (more than 2)"));
        JpegMaxScans = maxScans;
    }

    // A JPEG larger than the box is decoded smaller by libjpeg, at the largest scale n/8 that fits;
    // a picture is never enlarged, and a multi-scan one that would need too much memory is refused.
    void DecodesJpegAtTheSizeShown() {
        const std::string tiny = RgbJpeg(16, 16), progressive = RgbJpeg(16, 16, true);
        const struct {
            std::string Bytes;
            QSize Box; // invalid: no box
            QSize Decoded;
            QString Error;
        } cases[] = {
            {RgbJpeg(64, 48), QSize(100, 100), QSize(64, 48), {}},
            {RgbJpeg(400, 200), QSize(), QSize(400, 200), {}},
            {RgbJpeg(400, 200), QSize(100, 100), QSize(100, 50), {}}, // 2/8
            {RgbJpeg(400, 200), QSize(150, 80), QSize(150, 75), {}},  // 3/8
            {JpegDeclaring(tiny, 8000, 6000), QSize(1920, 1080), QSize(1000, 750), {}},
            {JpegDeclaring(tiny, 16384, 16384), QSize(2048, 2048), QSize(2048, 2048), {}},
            {JpegDeclaring(tiny, 16384, 16384), QSize(1920, 1080), QSize(2048, 2048), {}}, // 1/8 at least
            {JpegDeclaring(progressive, 4000, 3000), QSize(1920, 1080), QSize(1000, 750), {}},
            {JpegDeclaring(progressive, 16384, 16384), QSize(1920, 1080), QSize(0, 0),
             "The picture is too large to show (16384 x 16384 pixels)"},
        };
        for (const auto& c : cases) {
            QImage image;
            QCOMPARE(ErrorOf([&] { image = DecodeJpegImage(c.Bytes, c.Box); }), c.Error);
            QCOMPARE(image.size(), c.Decoded);
        }
        // From a file, read as it is decoded.
        QTemporaryDir dir;
        QFile file(dir.filePath("huge.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(JpegDeclaring(tiny, 8000, 6000)));
        file.close();
        QCOMPARE(LoadPictureFile(file.fileName().toStdString(), QSize(1920, 1080)).size(), QSize(1000, 750));
    }

    void ChoosesTheDecoderByExtension() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto write = [&](const QString& name, const std::string& bytes) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes.data(), static_cast<qint64>(bytes.size()));
            return dir.filePath(name).toStdString();
        };
        QImage square(5, 3, QImage::Format_RGB32);
        square.fill(qRgb(10, 200, 30));
        QVERIFY(square.save(dir.filePath("aurex.Bmp"), "BMP"));
        QVERIFY(square.save(dir.filePath("aurex.ico"), "ICO"));
        const std::string jpeg = RgbJpeg(8, 8);
        TGifSpec spec;
        spec.Width = spec.Height = 1;
        spec.GlobalTable = MakeTable(2);
        spec.Frames = {MakeFrame(0, 0, 1, 1, [](int, int) { return 1; })};

        const struct {
            QString name;
            std::string bytes; // none: written above
            QString error;
        } cases[] = {
            {"aurex.jpg", jpeg, ""},
            {"aurex.JPEG", jpeg, ""},
            {"aurex.Bmp", "", ""},
            {"aurex.ico", "", ""},
            {"aurex.GIF", WriteGif(spec), "Unknown picture file extension (.GIF)"},
            {"aurex.png", jpeg, "Unknown picture file extension (.png)"},
            {"aurex", jpeg, "Unknown picture file extension (.)"},
            {"aurex.jpeg", "GIF89a", "Not a JPEG file: starts with 0x47 0x49"},
            {"bad.bmp", jpeg, "Bitmap image is not valid"},
            {"bad.ico", "", "Icon image is not valid"},
        };
        for (const auto& c : cases) {
            const std::string path = c.bytes.empty() && !c.name.startsWith("bad")
                                         ? dir.filePath(c.name).toStdString()
                                         : write(c.name, c.bytes);
            QImage image;
            QCOMPARE(ErrorOf([&] { image = LoadPictureFile(path); }), c.error);
            if (c.error.isEmpty())
                QVERIFY2(image.width() >= 5, qPrintable(c.name));
        }
        QVERIFY_THROWS_EXCEPTION(EFOpenError, LoadPictureFile(dir.filePath("missing.jpg").toStdString()));
    }

    void GifNamesAreExact() {
        for (const char* name : {"aurex.gif", "/images/x.y/aurex.gif", ".gif"})
            QVERIFY2(IsGifFileName(name), name);
        for (const char* name : {"aurex.GIF", "aurex.Gif", "aurex.gif.jpg", "gif", "aurexgif"})
            QVERIFY2(!IsGifFileName(name), name);
    }

    void GifFirstFrameAtItsOwnSize() {
        TGifSpec spec;
        spec.Width = spec.Height = 4;
        spec.GlobalTable = MakeTable(4);
        spec.Frames = {MakeFrame(1, 1, 2, 1, [](int x, int) { return x + 1; }),
                       MakeFrame(0, 0, 4, 4, [](int, int) { return 3; })};
        TGIFDecoder gif;
        QVERIFY(GifFirstFrameImage(gif).isNull());
        QVERIFY(gif.LoadFromBytes(WriteGif(spec)));
        const QImage first = GifFirstFrameImage(gif);
        QCOMPARE(first.size(), QSize(2, 1));
        QCOMPARE(first.pixel(0, 0), qRgb(1, 254, 7));
        QCOMPARE(first.pixel(1, 0), qRgb(2, 253, 14));
    }

    void PicturePreviewsInTheDialogs() {
        QTemporaryDir dir;
        auto write = [&](const QString& name, const std::string& bytes) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes.data(), static_cast<qint64>(bytes.size()));
            return dir.filePath(name);
        };
        TGifSpec spec;
        spec.Width = spec.Height = 4;
        spec.GlobalTable = MakeTable(4);
        spec.Frames = {MakeFrame(0, 0, 4, 4, [](int x, int) { return x; })};
        const struct {
            QString Path;
            QSize Shown; // 0 x 0: no preview
        } cases[] = {
            {write("wide.jpg", RgbJpeg(400, 200)), QSize(100, 50)}, // shrunk into the box
            {write("small.gif", WriteGif(spec)), QSize(4, 4)},      // never enlarged
            {write("broken.jpeg", "hello"), QSize(0, 0)},
            {write("notes.txt", RgbJpeg(8, 8)), QSize(0, 0)},
            {dir.filePath("missing.gif"), QSize(0, 0)},
        };
        for (const auto& c : cases)
            QCOMPARE(PicturePreviewImage(c.Path, QSize(100, 100)).size(), c.Shown);

        // Both dialogs carry the preview, which follows the file under the cursor.
        for (bool save : {false, true}) {
            const auto dialog = MakePictureFileDialog(nullptr, "Choose Image File",
                                                      "All (*.jpg *.jpeg *.gif)", "aurex", save);
            QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            auto* preview = dialog->findChild<QLabel*>("PicturePreview");
            QVERIFY(preview);
            emit dialog->currentChanged(cases[0].Path);
            QVERIFY(!preview->pixmap().isNull());
            emit dialog->currentChanged(cases[3].Path);
            QVERIFY(preview->pixmap().isNull());
        }
    }
};

QTEST_MAIN(TestPicture)
#include "test_ui_picture.moc"
