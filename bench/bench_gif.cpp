// Picture decoding against the general libraries, side by side in one run:
// - a 100-frame 800x600 animated GIF decoded and composed frame by frame, by
//   our reader and by giflib's DGifSlurp with the same composition in plain C++;
// - a 4000x3000 JPEG loaded by the Image page's loader and by libjpeg-turbo's
//   own decode into an RGB buffer.
// Each iteration times both in turn, so that the shared machine's load falls
// on both alike; the counters give the per-iteration times and the ratio.
// The pictures are made here and checked to decode alike before timing.

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
#include <string>
#include <vector>

#include <jpeglib.h>

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
const TGIFPicture& DecodeOurs(TGIFImage& gif, const std::string& bytes) {
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
        TGIFImage gif;
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
            TGIFImage gif;
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

// A 4000x3000 photograph-like JPEG (smooth shapes with grain), written once.
const std::string& LargeJpegPath() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "orv_bench_4000x3000.jpg").string();
        if (std::filesystem::exists(p))
            return p;
        constexpr int W = 4000, H = 3000;
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        FILE* out = std::fopen(p.c_str(), "wb");
        jpeg_stdio_dest(&cinfo, out);
        cinfo.image_width = W;
        cinfo.image_height = H;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 88, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<JSAMPLE> row(W * 3);
        std::mt19937 rng(5);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const int grain = static_cast<int>(rng() % 17) - 8;
                const int r = 128 + (x - 2000) * (y - 1500) / 40000 + grain;
                const int g = (x / 16 + y / 12) % 256 + grain;
                const int b = ((x - 1200) * (x - 1200) + (y - 900) * (y - 900)) / 9000 % 256;
                row[x * 3] = static_cast<JSAMPLE>(std::clamp(r, 0, 255));
                row[x * 3 + 1] = static_cast<JSAMPLE>(std::clamp(g, 0, 255));
                row[x * 3 + 2] = static_cast<JSAMPLE>(std::clamp(b, 0, 255));
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(out);
        return p;
    }();
    return path;
}

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

} // namespace

BENCHMARK_MAIN();
