// Picture decoding against the general libraries, side by side in one run:
// - a 100-frame 800x600 animated GIF decoded and composed frame by frame, by
//   our reader and by giflib's DGifSlurp with the same composition in plain C++;
// - a 4000x3000 JPEG loaded by the Image page's loader and by libjpeg-turbo's
//   own decode into an RGB buffer;
// - the same JPEG loaded whole, and at the scale a 1920x1080 screen asks for,
//   against libjpeg-turbo's djpeg decoding it to /dev/null at the same scale (its
//   processor time is the child's, start included). Without djpeg (Debian's
//   libjpeg-turbo-progs) the baseline is libjpeg decoding to /dev/null in this
//   process, and the output says so.
// Each iteration times both in turn, so that the shared machine's load falls
// on both alike; the counters give the per-iteration times and the ratio.
// The pictures are made here and checked to decode alike before timing.

#include "BenchPictures.h"
#include "GIFImage.h"
#include "GifWriter.h"
#include "PictureFile.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

extern char** environ;

namespace {

// Wall and CPU time of this thread, in seconds: the machine is shared, so
// ratios are given for both.
struct TTimes {
    double Wall = 0;
    double Cpu = 0;
};

TTimes Now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
            static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9};
}

void AddSince(TTimes& total, const TTimes& start) {
    const TTimes now = Now();
    total.Wall += now.Wall - start.Wall;
    total.Cpu += now.Cpu - start.Cpu;
}

void Report(benchmark::State& state, const char* baseline, const TTimes& ours, const TTimes& theirs,
            std::size_t runs) {
    const double n = static_cast<double>(runs);
    state.counters["ours_ms"] = ours.Wall / n * 1000.0;
    state.counters["ours_cpu_ms"] = ours.Cpu / n * 1000.0;
    state.counters[std::string(baseline) + "_ms"] = theirs.Wall / n * 1000.0;
    state.counters[std::string(baseline) + "_cpu_ms"] = theirs.Cpu / n * 1000.0;
    state.counters["ratio_wall"] = ours.Wall / theirs.Wall;
    state.counters["ratio_cpu"] = ours.Cpu / theirs.Cpu;
}

// 100 full frames of a moving pattern with some noise; every other frame is a
// transparent delta, and the disposal methods take turns.
const std::string& AnimatedGif() {
    static const std::string bytes = [] {
        constexpr int W = 800, H = 600;
        TGifSpec spec;
        spec.Width = W;
        spec.Height = H;
        spec.GlobalTable = MakeTable(256);
        spec.LoopCount = 0;
        std::mt19937 rng(11);
        for (int k = 0; k < 100; ++k) {
            TGifFrameSpec f = MakeFrame(0, 0, W, H, [&](int x, int y) {
                const int base = (x / 6 + y / 5 + k * 3 + ((x * y) >> 12)) & 255;
                const bool noisy = (rng() & 7) == 0;
                if (k % 2 == 1 && ((x / 40 + y / 30 + k) & 1))
                    return 0; // unchanged: see-through
                return noisy ? static_cast<int>(rng() & 255) | 1 : base | 1;
            });
            f.Control = true;
            f.Delay = 4;
            f.DisposalField = k % 10 == 5 ? 2 : k % 10 == 7 ? 3 : 1;
            f.Transparent = k % 2 == 1;
            f.TransparentIndex = 0;
            spec.Frames.push_back(std::move(f));
        }
        return WriteGif(spec);
    }();
    return bytes;
}

// Ours: load (every frame decoded, frame 1 drawn), then step through the rest.
const TGIFPicture& DecodeOurs(TGIFDecoder& gif, const std::string& bytes) {
    gif.LoadFromBytes(bytes);
    for (int n = 2; n <= gif.FrameCount(); ++n) {
        gif.DisposeFrame(n - 1);
        gif.SetCurrentFrameIndex(n);
        gif.DrawFrame();
    }
    return gif.Picture();
}

struct TMemoryInput {
    const std::string* Bytes;
    std::size_t Pos;
};

int ReadMemory(GifFileType* file, GifByteType* buffer, int count) {
    auto* in = static_cast<TMemoryInput*>(file->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), in->Bytes->size() - in->Pos);
    std::memcpy(buffer, in->Bytes->data() + in->Pos, n);
    in->Pos += n;
    return static_cast<int>(n);
}

// giflib: DGifSlurp, then the same composition in plain C++.
std::vector<std::uint32_t> DecodeGiflib(const std::string& bytes,
                                        std::vector<std::vector<std::uint8_t>>* frames) {
    TMemoryInput input{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) {
        if (gif)
            DGifCloseFile(gif, &error);
        return {};
    }
    const int width = gif->SWidth, height = gif->SHeight;
    bool anyTransparent = false;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK && gcb.TransparentColor != NO_TRANSPARENT_COLOR)
            anyTransparent = true;
    }
    const std::uint32_t background = GIFRgba(0, 0, 0, anyTransparent ? 0 : 255);
    std::vector<std::uint32_t> canvas(static_cast<std::size_t>(width) * height, background);
    std::vector<std::uint32_t> saved;
    int prevDisposal = 0;
    GifImageDesc prev{};
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        if (frames)
            frames->emplace_back(image.RasterBits,
                                 image.RasterBits + static_cast<std::size_t>(d.Width) * d.Height);
        if (prevDisposal == DISPOSE_BACKGROUND) {
            for (int y = 0; y < prev.Height; ++y)
                std::fill_n(&canvas[static_cast<std::size_t>(prev.Top + y) * width + prev.Left], prev.Width,
                            background);
        } else if (prevDisposal == DISPOSE_PREVIOUS) {
            for (int y = 0; y < prev.Height; ++y)
                std::memcpy(&canvas[static_cast<std::size_t>(prev.Top + y) * width + prev.Left],
                            &saved[static_cast<std::size_t>(y) * prev.Width], prev.Width * 4);
        }
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif, i, &gcb);
        if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
            saved.resize(static_cast<std::size_t>(d.Width) * d.Height);
            for (int y = 0; y < d.Height; ++y)
                std::memcpy(&saved[static_cast<std::size_t>(y) * d.Width],
                            &canvas[static_cast<std::size_t>(d.Top + y) * width + d.Left], d.Width * 4);
        }
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        std::uint32_t palette[256] = {};
        for (int c = 0; c < 256; ++c)
            palette[c] = GIFRgba(0, 0, 0);
        for (int c = 0; map && c < map->ColorCount && c < 256; ++c)
            palette[c] = GIFRgba(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue);
        const int clear = gcb.TransparentColor;
        for (int y = 0; y < d.Height; ++y) {
            const GifByteType* src = image.RasterBits + static_cast<std::size_t>(y) * d.Width;
            std::uint32_t* dst = &canvas[static_cast<std::size_t>(d.Top + y) * width + d.Left];
            if (clear == NO_TRANSPARENT_COLOR) {
                for (int x = 0; x < d.Width; ++x)
                    dst[x] = palette[src[x]];
            } else {
                for (int x = 0; x < d.Width; ++x)
                    if (src[x] != clear)
                        dst[x] = palette[src[x]];
            }
        }
        prevDisposal = gcb.DisposalMode;
        prev = d;
    }
    DGifCloseFile(gif, &error);
    return canvas;
}

void BM_GifDecodeCompose_VsGiflib(benchmark::State& state) {
    const std::string& bytes = AnimatedGif();
    {
        TGIFDecoder gif;
        const std::vector<std::uint32_t> ours = DecodeOurs(gif, bytes).Pixels;
        std::vector<std::vector<std::uint8_t>> frames;
        const std::vector<std::uint32_t> theirs = DecodeGiflib(bytes, &frames);
        bool same =
            ours == theirs && gif.FrameCount() == static_cast<int>(frames.size()) && frames.size() == 100;
        for (int n = 1; same && n <= gif.FrameCount(); ++n)
            same = gif.Frame(n).Pixels == frames[n - 1];
        if (!same) {
            state.SkipWithError("the two decoders disagree");
            return;
        }
    }
    TTimes ours, theirs;
    std::size_t runs = 0;
    for (auto _ : state) {
        {
            const TTimes t0 = Now();
            TGIFDecoder gif;
            benchmark::DoNotOptimize(DecodeOurs(gif, bytes).Pixels.data());
            AddSince(ours, t0); // releasing the frames is counted too, as giflib's close is
        }
        const TTimes t1 = Now();
        benchmark::DoNotOptimize(DecodeGiflib(bytes, nullptr).data());
        AddSince(theirs, t1);
        ++runs;
    }
    state.counters["file_kib"] = static_cast<double>(bytes.size()) / 1024.0;
    Report(state, "giflib", ours, theirs, runs);
}
BENCHMARK(BM_GifDecodeCompose_VsGiflib)->Unit(benchmark::kMillisecond)->Iterations(10);

// libjpeg-turbo's own decode: from the file into an RGB buffer, row by row.
std::size_t DecodeWithLibjpeg(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return 0;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    std::vector<JSAMPLE> pixels(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {pixels.data() + cinfo.output_scanline * stride};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    benchmark::DoNotOptimize(pixels.data());
    return pixels.size();
}

void BM_Jpeg4000x3000_VsLibjpeg(benchmark::State& state) {
    const std::string& path = LargeJpegPath();
    if (LoadPictureFile(path).size() != QSize(4000, 3000) || DecodeWithLibjpeg(path) != 4000u * 3000u * 3u) {
        state.SkipWithError("the JPEG did not decode");
        return;
    }
    TTimes ours, theirs;
    std::size_t runs = 0;
    for (auto _ : state) {
        {
            const TTimes t0 = Now();
            const QImage image = LoadPictureFile(path);
            benchmark::DoNotOptimize(image.constBits());
            AddSince(ours, t0);
        }
        const TTimes t1 = Now();
        benchmark::DoNotOptimize(DecodeWithLibjpeg(path));
        AddSince(theirs, t1);
        ++runs;
    }
    state.counters["file_kib"] = static_cast<double>(std::filesystem::file_size(path)) / 1024.0;
    Report(state, "libjpeg", ours, theirs, runs);
}
BENCHMARK(BM_Jpeg4000x3000_VsLibjpeg)->Unit(benchmark::kMillisecond)->Iterations(10);

// djpeg on the PATH; empty when it is not installed.
std::string DjpegProgram() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', at), dirs.size());
        const std::string candidate = dirs.substr(at, end - at) + "/djpeg";
        if (end > at && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        at = end + 1;
    }
    return {};
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// djpeg decoding the file at scale n/8 to /dev/null: its wall time and the processor time of the
// child. False when it did not run to a good end.
bool RunDjpeg(const std::string& program, const std::string& path, int scale, TTimes& total) {
    const std::string scaleArg = std::to_string(scale) + "/8";
    const char* argv[] = {program.c_str(), "-scale",     scaleArg.c_str(), "-outfile",
                          "/dev/null",     path.c_str(), nullptr};
    const double start = Now().Wall;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    total.Wall += Now().Wall - start;
    total.Cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The baseline without djpeg: libjpeg decoding the file at scale n/8, each row written to
// /dev/null, as djpeg does.
bool DecodeToNull(const std::string& path, int scale, TTimes& total) {
    const TTimes start = Now();
    FILE* in = std::fopen(path.c_str(), "rb");
    FILE* out = std::fopen("/dev/null", "wb");
    if (!in || !out)
        return false;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = static_cast<unsigned>(scale);
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        std::fwrite(row.data(), 1, row.size(), out);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    std::fclose(out);
    AddSince(total, start);
    return true;
}

// The Image page's loader on the 4000x3000 JPEG, whole (range 0) or for a 1920x1080 screen
// (range 1), against djpeg at the same scale.
void BM_Jpeg4000x3000_VsDjpeg(benchmark::State& state) {
    const std::string& path = LargeJpegPath();
    const QSize box = state.range(0) == 0 ? QSize() : QSize(1920, 1080);
    const QSize shown = LoadPictureFile(path, box).size();
    const int scale = shown.width() * 8 / 4000;
    const std::string djpeg = DjpegProgram();
    static bool told = false;
    if (!told) {
        std::printf("JPEG baseline: %s\n", djpeg.empty() ? "libjpeg decoding to /dev/null in this process "
                                                           "(djpeg not installed: libjpeg-turbo-progs)"
                                                         : ("djpeg to /dev/null (" + djpeg + ")").c_str());
        told = true;
    }
    TTimes ours, theirs;
    std::size_t runs = 0;
    for (auto _ : state) {
        {
            const TTimes t0 = Now();
            const QImage image = LoadPictureFile(path, box);
            benchmark::DoNotOptimize(image.constBits());
            AddSince(ours, t0);
        }
        if (!(djpeg.empty() ? DecodeToNull(path, scale, theirs) : RunDjpeg(djpeg, path, scale, theirs))) {
            state.SkipWithError("the baseline did not decode the JPEG");
            return;
        }
        ++runs;
    }
    state.SetLabel((djpeg.empty() ? "vs in-process libjpeg, scale " : "vs djpeg, scale ") +
                   std::to_string(scale) + "/8");
    state.counters["shown_w"] = shown.width();
    state.counters["shown_h"] = shown.height();
    Report(state, djpeg.empty() ? "libjpeg" : "djpeg", ours, theirs, runs);
}
BENCHMARK(BM_Jpeg4000x3000_VsDjpeg)
    ->ArgName("screen")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

BENCHMARK_MAIN();
