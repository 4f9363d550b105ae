// Pictures the picture benchmarks share, made with libjpeg's compressor.
// Large ones are written once into the temporary folder and kept there for later runs.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

// A JPEG of `width` x `height` whose samples sample(x, y, component) gives, into `out`; `small`
// leaves out the JFIF marker and optimises the tables, for the fewest bytes.
template <class F>
void WriteJpeg(std::FILE* out, int width, int height, F&& sample, bool progressive = false, int quality = 88,
               bool small = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = small;
    cinfo.write_JFIF_header = !small;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x) * 3 + c] =
                    static_cast<JSAMPLE>(std::clamp(sample(x, y, c), 0, 255));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
}

// A 4000x3000 photograph-like JPEG (smooth shapes with grain), written once.
inline const std::string& LargeJpegPath() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "orv_bench_4000x3000.jpg").string();
        if (std::filesystem::exists(p))
            return p;
        std::mt19937 rng(5);
        std::FILE* out = std::fopen(p.c_str(), "wb");
        int grain = 0;
        WriteJpeg(out, 4000, 3000, [&](int x, int y, int c) {
            if (c == 0)
                grain = static_cast<int>(rng() % 17) - 8;
            if (c == 0)
                return 128 + (x - 2000) * (y - 1500) / 40000 + grain;
            if (c == 1)
                return (x / 16 + y / 12) % 256 + grain;
            return ((x - 1200) * (x - 1200) + (y - 900) * (y - 900)) / 9000 % 256;
        });
        std::fclose(out);
        return p;
    }();
    return path;
}

// A JPEG of a few hundred bytes that declares width x height: a 16x16 picture whose frame header
// says otherwise, so its data ends long before the picture does.
inline std::string TinyJpegDeclaring(int width, int height, bool progressive) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    WriteJpeg(
        out, 16, 16, [](int x, int y, int c) { return x * 16 + y + c * 40; }, progressive, 50, true);
    std::fclose(out);
    std::string bytes(buffer, size);
    std::free(buffer);
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (bytes[i] == '\xFF' && (marker == 0xC0 || marker == 0xC2)) {
            bytes[i + 5] = static_cast<char>(height >> 8);
            bytes[i + 6] = static_cast<char>(height & 0xFF);
            bytes[i + 7] = static_cast<char>(width >> 8);
            bytes[i + 8] = static_cast<char>(width & 0xFF);
            break;
        }
    }
    return bytes;
}
