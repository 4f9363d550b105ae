// The Image page showing pictures that declare huge sizes in a few bytes, the largest GIF it shows
// and a large photograph: the time from asking until the page has painted the picture (or said it
// cannot show it), and the peak memory above the program's footprint before it. The goal: within
// a second, at most 600 MB above the footprint. Run with QT_QPA_PLATFORM=offscreen, or under
// xvfb-run for another screen size: a JPEG larger than the screen is decoded smaller.
#include "BenchPictures.h"
#include "GifWriter.h"
#include "GuiBench.h"
#include "ImagePage.h"
#include "TaxonomyData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

// A GIF of one image, the size it declares, with `data` as its image data.
std::string OneImageGif(int width, int height, std::string data) {
    TGifSpec spec;
    spec.Width = width;
    spec.Height = height;
    spec.GlobalTable = MakeTable(256);
    TGifFrameSpec frame;
    frame.Width = width;
    frame.Height = height;
    frame.RawData = std::move(data);
    spec.Frames.push_back(std::move(frame));
    return WriteGif(spec);
}

// 100 KB of image data for a picture that declares 16384 x 16384.
std::string HugeGif() {
    std::mt19937 rng(3);
    std::vector<std::uint8_t> noise(100000);
    for (std::uint8_t& p : noise)
        p = static_cast<std::uint8_t>(rng());
    return OneImageGif(16384, 16384, LzwEncode(noise, 8));
}

// 8192 x 8192, the largest GIF the page shows, with data for every pixel; written once.
std::string LargestShownGif() {
    const std::string path = (std::filesystem::temp_directory_path() / "orv_bench_8192x8192.gif").string();
    std::ifstream in(path, std::ios::binary);
    if (in)
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    constexpr int Side = 8192;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(Side) * Side);
    std::mt19937 rng(7);
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            pixels[static_cast<std::size_t>(y) * Side + x] =
                static_cast<std::uint8_t>((rng() & 15) == 0 ? rng() : (x / 24 + y / 20 + ((x * y) >> 16)));
    const std::string gif = OneImageGif(Side, Side, LzwEncode(pixels, 8));
    std::ofstream(path, std::ios::binary) << gif;
    return gif;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TPicture {
    const char* Name;
    const char* File;
    std::string (*Bytes)();
    bool Replacing = false; // shown in place of itself rather than on an empty page
};
const TPicture Pictures[] = {
    {"GIF declaring 16384x16384 in 100 KB", "huge.gif", HugeGif},
    {"GIF of 8192x8192, the largest shown", "largest.gif", LargestShownGif},
    {"JPEG declaring 16384x16384 in a few hundred bytes", "huge.jpg",
     [] { return TinyJpegDeclaring(16384, 16384, false); }},
    {"progressive JPEG declaring 16384x16384", "huge-progressive.jpg",
     [] { return TinyJpegDeclaring(16384, 16384, true); }},
    {"JPEG photograph of 4000x3000", "photo.jpg", [] { return FileBytes(LargeJpegPath()); }},
    {"GIF of 8192x8192 in place of another", "largest.gif", LargestShownGif, true},
};

// Answers as TAutoDialogs and keeps the last message.
class TNotedDialogs : public TAutoDialogs {
public:
    int MessageBox(const QString& text, int flags) override {
        Last = text;
        return TAutoDialogs::MessageBox(text, flags);
    }
    QString Last;
};

QTemporaryDir* Folder = nullptr;
TNotedDialogs* Dialogs = nullptr;
std::unique_ptr<TImagePage> Page;

void BM_ImagePageShows(benchmark::State& state) {
    const TPicture& picture = Pictures[state.range(0)];
    TTaxonomyDetail record;
    record.Level = 5;
    record.Id = "g1";
    record.Name = "Aurex";
    record.Genus.ImageFile = picture.File;
    record.Genus.ImgOwner = record.Genus.ImgCopyright = "(n/a)";
    std::ofstream(Folder->path().toStdString() + "/images/" + picture.File, std::ios::binary)
        << picture.Bytes();
    QLabel* shown = Page->InfoImage();
    double peakMiB = 0;
    bool refused = false;
    Page->ShowGenusImage(record);
    for (auto _ : state) {
        if (!picture.Replacing)
            Page->ClearGenusImage();
        Dialogs->Last.clear();
        QApplication::processEvents();
        TPaintWatch watch;
        shown->installEventFilter(&watch);
        const long before = ResetPeak();
        QElapsedTimer timer;
        timer.start();
        const bool loaded = Page->ShowGenusImage(record);
        while (loaded && !watch.Painted && timer.elapsed() < 30000)
            QApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        peakMiB = std::max(peakMiB, static_cast<double>(StatusKiB("VmHWM:") - before) / 1024.0);
        shown->removeEventFilter(&watch);
        refused = !loaded;
    }
    state.SetLabel(picture.Name);
    state.counters["peak_MiB"] = peakMiB;
    state.counters["shown_w"] = refused ? 0 : shown->width();
    state.counters["shown_h"] = refused ? 0 : shown->height();
    state.counters["refused"] = refused;
    if (refused && state.range(0) == 0)
        std::printf("  said: %s\n", qPrintable(Dialogs->Last));
}
BENCHMARK(BM_ImagePageShows)
    ->ArgName("picture")
    ->DenseRange(0, std::size(Pictures) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TNotedDialogs dialogs;
    Dialogs = &dialogs;
    SetDialogSeam(&dialogs);
    Folder = MakeProgramFolder();
    QDir(Folder->path()).mkdir(QStringLiteral("images"));
    Page = std::make_unique<TImagePage>();
    Page->resize(1000, 700);
    Page->show();
    QApplication::processEvents();
    const QSize screen = Page->screen()->size();
    std::printf("screen %dx%d; pictures:\n", screen.width(), screen.height());
    for (std::size_t i = 0; i < std::size(Pictures); ++i)
        std::printf("  %zu: %s\n", i, Pictures[i].Name);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Page.reset();
    SetDialogSeam(nullptr);
    delete Folder;
    return 0;
}
