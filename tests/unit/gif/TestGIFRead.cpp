// Reading GIF files: the block walk, frame fields, pixel data and damaged files.
#include "AllocationMeter.h"
#include "GIFImage.h"
#include "GifWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

namespace {

TGifSpec OneFrame(int width, int height, std::vector<std::uint8_t> pixels) {
    TGifSpec spec;
    spec.Width = width;
    spec.Height = height;
    spec.GlobalTable = MakeTable(256);
    TGifFrameSpec f = MakeFrame(0, 0, width, height, [](int, int) { return 0; });
    f.Pixels = std::move(pixels);
    spec.Frames.push_back(f);
    return spec;
}

TGifFrameSpec Dot(int left, int top, int index) {
    return MakeFrame(left, top, 1, 1, [index](int, int) { return index; });
}

std::vector<std::uint8_t> Noise(std::size_t n, int colors, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& p : v)
        p = static_cast<std::uint8_t>(rng() % colors);
    return v;
}

} // namespace

TEST(GIFRead, FailedLoadsLeaveTheImageEmpty) {
    TGifSpec zeroSized = OneFrame(2, 2, {1, 1, 1, 1});
    zeroSized.Frames.push_back(MakeFrame(0, 0, 1, 0, [](int, int) { return 0; }));
    TGifSpec noImage = OneFrame(2, 2, {});
    noImage.Frames.clear();
    const struct {
        const char* name;
        std::string bytes;
        int error;
    } cases[] = {
        {"empty", "", gifNoData},
        {"short header", "GIF", gifFailed},
        {"wrong signature", "GIX89a" + WriteGif(OneFrame(1, 1, {1})).substr(6), gifFailed},
        {"no image", WriteGif(noImage), gifFailed},
        {"zero-sized second frame", WriteGif(zeroSized), gifFailed},
        {"cut in the screen descriptor", WriteGif(OneFrame(1, 1, {1})).substr(0, 9), gifFailed},
        {"cut in the first frame", WriteGif(OneFrame(40, 40, Noise(1600, 200, 1))).substr(0, 900), gifFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFDecoder gif;
        ASSERT_TRUE(gif.LoadFromBytes(WriteGif(OneFrame(1, 1, {3})))); // a load first empties it
        EXPECT_FALSE(gif.LoadFromBytes(c.bytes));
        EXPECT_EQ(gif.LastError(), c.error);
        EXPECT_TRUE(gif.Empty());
        EXPECT_EQ(gif.FrameCount(), 0);
        EXPECT_TRUE(gif.Data().empty());
        EXPECT_EQ(gif.FirstFrameBitmap(), nullptr);
    }
    TGIFDecoder gif;
    EXPECT_FALSE(gif.LoadFromFile("/nonexistent/aurex.gif"));
    EXPECT_EQ(gif.LastError(), gifFileNotFound);
}

TEST(GIFRead, DamageAfterTheFirstFrameKeepsTheFramesBefore) {
    TGifSpec spec = OneFrame(4, 4, std::vector<std::uint8_t>(16, 1));
    spec.Frames.push_back(MakeFrame(0, 0, 40, 40, [](int x, int y) { return (x * y) % 200; }));
    const std::string whole = WriteGif(spec);
    TGifSpec first = spec;
    first.Frames.pop_back();
    const std::size_t second = WriteGif(first).size() - 1; // where the second frame starts

    TGifSpec tooLarge = OneFrame(4, 4, std::vector<std::uint8_t>(16, 1));
    TGifFrameSpec wide;
    wide.Width = TGIFDecoder::MaxFrameSide + 1;
    wide.Height = 1;
    wide.RawData = "";
    tooLarge.Frames.push_back(wide);
    tooLarge.Frames.push_back(Dot(0, 0, 2));

    std::string unknownBlocks = whole;
    unknownBlocks.insert(13 + 768, std::string("\x21\x02\x03xyz\x02zz\x00", 10) + "\x21\x01\x0C" +
                                       std::string(12, 'p') + std::string("\x01q\x00", 3) + "x!");
    const struct {
        const char* name;
        std::string bytes;
        int frames;
    } cases[] = {
        {"whole", whole, 2},
        {"no trailer", whole.substr(0, whole.size() - 1), 2},
        {"cut in the second frame's data", whole.substr(0, whole.size() - 40), 1},
        {"cut in the second frame's descriptor", whole.substr(0, second + 5), 1},
        {"second frame too large", WriteGif(tooLarge), 1},
        {"unknown and plain-text blocks, stray bytes", unknownBlocks, 2},
        {"empty extension of an unknown label",
         whole.substr(0, second) + std::string("\x21\x77\x00", 3) + whole.substr(second), 2},
        // What is left of a cut comment is text, however much it looks like blocks.
        {"cut in a comment", whole.substr(0, second) + "\x21\xFE\x40Wow!!!! the rest is lost", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFDecoder gif;
        EXPECT_TRUE(gif.LoadFromBytes(c.bytes));
        EXPECT_EQ(gif.LastError(), gifOk);
        EXPECT_EQ(gif.FrameCount(), c.frames);
        EXPECT_EQ(gif.Frame(1).Pixels, std::vector<std::uint8_t>(16, 1));
    }
}

TEST(GIFRead, PixelsRoundTrip) {
    const struct {
        int width, height, colors;
        bool interlaced;
        std::vector<std::uint8_t> pixels;
    } cases[] = {
        {1, 1, 2, false, {1}},
        {7, 9, 4, true, Noise(63, 4, 2)},
        {5, 1, 2, true, Noise(5, 2, 3)},
        {3, 5, 16, true, Noise(15, 16, 4)},
        {300, 200, 256, false, Noise(60000, 256, 5)}, // fills the table: clear codes
        {256, 64, 256, true, Noise(16384, 256, 6)},
        {640, 480, 2, false, std::vector<std::uint8_t>(640 * 480, 1)}, // long strings
        {64, 64, 8, false,
         [] {
             std::vector<std::uint8_t> v(4096);
             for (std::size_t i = 0; i < v.size(); ++i)
                 v[i] = static_cast<std::uint8_t>((i / 3 + i / 64) % 8);
             return v;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " interlaced " << c.interlaced);
        TGifSpec spec = OneFrame(c.width, c.height, c.pixels);
        spec.GlobalTable = MakeTable(c.colors);
        spec.Frames[0].Interlaced = c.interlaced;
        TGIFDecoder gif;
        ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
        const TGIFFrame& f = gif.Frame(1);
        EXPECT_EQ(f.Pixels, c.pixels);
        EXPECT_EQ(f.DataCount, c.pixels.size());
        EXPECT_FALSE(f.Corrupt);
    }
}

TEST(GIFRead, FrameFieldsFromTheirBlocks) {
    TGifSpec spec;
    spec.Version = "87a";
    spec.Width = 2;
    spec.Height = 2;
    spec.GlobalTable = MakeTable(4);
    for (int field = 0; field < 8; ++field) {
        TGifFrameSpec f = Dot(field % 2, 0, 1);
        f.Control = true;
        f.DisposalField = field;
        f.Delay = field * 5;
        f.Transparent = field == 2;
        f.TransparentIndex = field == 2 ? 3 : 0;
        spec.Frames.push_back(f);
    }
    spec.Frames[1].Comment = "first";
    spec.Frames[1].LocalTable = MakeTable(64);
    spec.Frames.push_back(Dot(0, 0, 1)); // no graphic control: its fields stay clear

    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    EXPECT_EQ(gif.Version(), gvGIF87a);
    EXPECT_EQ(gif.LoopCount(), 1);
    ASSERT_EQ(gif.FrameCount(), 9);
    const int disposal[8] = {0, 1, 2, 3, 2, 2, 2, 2};
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(gif.Frame(n).Disposal, disposal[n - 1]);
        EXPECT_EQ(gif.Frame(n).Delay, (n - 1) * 50);
        EXPECT_EQ(gif.Frame(n).Transparent, n == 3);
    }
    EXPECT_EQ(gif.Frame(3).TransparentIndex, 3);
    EXPECT_EQ(gif.Frame(3).TransparentColor, (TGIFColor{3, 252, 21}));
    EXPECT_EQ(gif.Frame(2).Comment, "first");
    EXPECT_EQ(gif.Frame(3).Comment, "");
    EXPECT_TRUE(gif.Frame(2).HasColorTable);
    EXPECT_EQ(gif.Frame(2).ColorDepth, 6);
    EXPECT_EQ(gif.Frame(1).ColorDepth, 2);
    EXPECT_EQ(gif.Frame(3).ColorDepth, 6); // the global depth grew with frame 2's table
    EXPECT_EQ(gif.Frame(9).Disposal, 0);
    EXPECT_EQ(gif.Frame(9).Delay, 0);
    EXPECT_EQ(gif.GlobalColorDepth(), 6);

    for (int loops : {0, 3}) {
        spec.LoopCount = loops;
        spec.Version = "89a";
        ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
        EXPECT_EQ(gif.LoopCount(), loops);
        EXPECT_EQ(gif.Version(), gvGIF89a);
    }
}

TEST(GIFRead, FrameLimitAndFirstImageOnly) {
    TGifSpec spec = OneFrame(1, 1, {1});
    for (int i = 1; i < 257; ++i)
        spec.Frames.push_back(Dot(0, 0, i % 256));
    const std::string bytes = WriteGif(spec);
    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromBytes(bytes));
    EXPECT_EQ(gif.FrameCount(), 256);
    EXPECT_EQ(gif.Frame(256).Index(0, 0), 255);
    EXPECT_TRUE(gif.Animatable());

    gif.FirstImageOnly = true;
    ASSERT_TRUE(gif.LoadFromBytes(bytes));
    EXPECT_EQ(gif.FrameCount(), 1);
    EXPECT_FALSE(gif.Animatable());
}

// Image data given as codes (minimum code size 2: clear 4, end 5, first free 6).
TEST(GIFRead, LzwDataEndsAndCorruptCodes) {
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> codes;
        int minCodeSize;
        std::vector<std::uint8_t> pixels;
        std::size_t data;
        bool corrupt;
    } cases[] = {
        {"leading clear codes",
         {{4, 3}, {4, 3}, {4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}},
         2,
         {1, 2, 3, 0},
         4,
         false},
        {"code defined by itself", {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, 2, {1, 1, 1, 0}, 3, false},
        {"data run out", {{4, 3}, {3, 3}}, 2, {3, 0, 0, 0}, 1, false},
        {"end code early", {{4, 3}, {3, 3}, {5, 3}, {2, 3}}, 2, {3, 0, 0, 0}, 1, false},
        {"code beyond the table", {{4, 3}, {1, 3}, {7, 3}, {2, 3}}, 2, {1, 0, 0, 0}, 1, true},
        {"string code right after clear", {{4, 3}, {6, 3}, {1, 3}}, 2, {0, 0, 0, 0}, 0, true},
        {"more data than pixels",
         {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {2, 4}, {3, 4}},
         2,
         {1, 2, 3, 1},
         4,
         false},
        {"minimum code size 16", {{1, 17}, {2, 17}}, 16, {0, 0, 0, 0}, 0, false},
        {"minimum code size 12: literals only",
         {{4096, 13}, {3, 13}, {2, 13}, {4097, 13}},
         12,
         {3, 2, 0, 0},
         2,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGifSpec spec = OneFrame(4, 1, {});
        spec.Frames[0].RawData =
            PackCodes(c.codes) + std::string(c.name == std::string("end code early") ? 300 : 0, 'x');
        spec.Frames[0].MinCodeSize = c.minCodeSize;
        spec.Frames[0].Control = true;
        spec.Frames[0].Transparent = true;
        spec.Frames[0].TransparentIndex = 2;
        spec.Frames.push_back(Dot(0, 0, 7)); // read after the damaged frame
        TGIFDecoder gif;
        ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
        ASSERT_EQ(gif.FrameCount(), 2);
        const TGIFFrame& f = gif.Frame(1);
        EXPECT_EQ(f.Pixels, c.pixels);
        EXPECT_EQ(f.DataCount, c.data);
        EXPECT_EQ(f.Corrupt, c.corrupt);
        for (int x = 0; x < 4; ++x) { // no data, or the transparent index: see-through, also once drawn
            const bool seeThrough = static_cast<std::size_t>(x) >= c.data || c.pixels[x] == 2;
            EXPECT_EQ(f.SeeThrough(x, 0), seeThrough) << x;
            EXPECT_EQ(gif.Picture().Pixel(x, 0) == GIFRgba(0, 0, 0, 0), seeThrough) << x;
        }
        EXPECT_EQ(gif.Frame(2).Index(0, 0), 7);
    }
}

TEST(GIFRead, InterlacedRowsWithoutDataAreSeeThrough) {
    // 1x9 interlaced, data for three pixels only: rows 0, 8 and 4 (pass order).
    TGifSpec spec = OneFrame(1, 9, {});
    spec.Frames[0].Interlaced = true;
    spec.Frames[0].RawData = PackCodes({{4, 3}, {1, 3}, {1, 3}, {3, 3}, {5, 4}});
    spec.Frames[0].MinCodeSize = 2;
    spec.Frames[0].Control = true;
    spec.Frames[0].Transparent = true;
    spec.Frames[0].TransparentIndex = 9;
    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    const TGIFFrame& f = gif.Frame(1);
    for (int y = 0; y < 9; ++y)
        EXPECT_EQ(f.SeeThrough(0, y), y != 0 && y != 4 && y != 8) << y;
    EXPECT_EQ(f.Index(0, 4), 3);
}

TEST(GIFRead, StreamFileAndFormData) {
    TGifSpec spec = OneFrame(2, 1, {5, 6});
    const std::string bytes = WriteGif(spec);
    std::istringstream stream(bytes);
    stream.seekg(0, std::ios::end); // read from its start all the same
    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromStream(stream));
    EXPECT_EQ(gif.Data(), bytes);

    const std::string form = gif.WriteData();
    const std::size_t n = bytes.size();
    EXPECT_EQ(form, std::string({static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), 0, 0}) + bytes);
    TGIFDecoder copy;
    ASSERT_TRUE(copy.ReadData(form));
    EXPECT_EQ(copy.Frame(1).Pixels, (std::vector<std::uint8_t>{5, 6}));
    copy.Clear();
    EXPECT_TRUE(copy.WriteData().empty());
    EXPECT_TRUE(copy.Empty());

    const std::string path = testing::TempDir() + "orv_gif_read.gif";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    EXPECT_TRUE(copy.LoadFromFile(path));
    EXPECT_EQ(copy.LastError(), gifOk);
    std::remove(path.c_str());
}

TEST(GIFRead, PixelBudgetBoundsDeclaredSizes) {
    const std::size_t saved = TGIFDecoder::MaxPixels;
    TGIFDecoder::MaxPixels = 1000;
    TGifSpec spec = OneFrame(20, 20, std::vector<std::uint8_t>(400, 1));
    spec.Frames.push_back(MakeFrame(0, 0, 30, 30, [](int, int) { return 2; })); // 400 + 900 > 1000
    TGIFDecoder gif;
    EXPECT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    EXPECT_EQ(gif.FrameCount(), 1);
    spec.Width = 2000; // logical picture over the budget
    EXPECT_FALSE(gif.LoadFromBytes(WriteGif(spec)));
    TGIFDecoder::MaxPixels = saved;
}

// Declared sizes beyond a bound refuse the picture before any of its data is decoded, and say how
// large it is; a later image beyond it only ends the reading.
TEST(GIFRead, PictureBoundRefusesBeforeDecoding) {
    auto gif = [](int width, int height, std::vector<TGifFrameSpec> frames) {
        TGifSpec spec;
        spec.Width = width;
        spec.Height = height;
        spec.GlobalTable = MakeTable(4);
        for (TGifFrameSpec& f : frames)
            f.RawData = f.RawData ? f.RawData : PackCodes({{4, 3}, {1, 3}, {5, 3}});
        spec.Frames = std::move(frames);
        return WriteGif(spec);
    };
    auto frame = [](int left, int top, int width, int height) {
        TGifFrameSpec f;
        f.Left = left;
        f.Top = top;
        f.Width = width;
        f.Height = height;
        return f;
    };
    const struct {
        const char* name;
        std::size_t limit;
        std::string bytes;
        int frames; // 0: refused with the size below
        int width, height;
    } cases[] = {
        {"exactly at the bound", 1000, gif(40, 25, {frame(0, 0, 40, 25)}), 1, 40, 25},
        {"screen over it", 1000, gif(41, 25, {frame(0, 0, 1, 1)}), 0, 41, 25},
        {"first image widens it over", 1000, gif(10, 10, {frame(30, 0, 11, 25)}), 0, 41, 25},
        {"later image over it", 1000, gif(10, 10, {frame(0, 0, 10, 10), frame(0, 0, 50, 50)}), 1, 10, 10},
        {"huge with tiny data", 64 << 20, gif(16384, 16384, {frame(0, 0, 16384, 16384)}), 0, 16384, 16384},
        {"first image wider than any", 0, gif(10, 10, {frame(0, 0, TGIFDecoder::MaxFrameSide + 1, 1)}), 0,
         TGIFDecoder::MaxFrameSide + 1, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFDecoder image;
        image.MaxPicturePixels = c.limit;
        const TAllocationMeter meter;
        EXPECT_EQ(image.LoadFromBytes(c.bytes), c.frames > 0);
        EXPECT_EQ(image.FrameCount(), c.frames);
        if (c.frames > 0) {
            EXPECT_EQ(image.LastError(), gifOk);
            EXPECT_EQ(image.Width(), c.width);
            EXPECT_EQ(image.Height(), c.height);
            continue;
        }
        EXPECT_EQ(image.LastError(), gifTooLarge);
        EXPECT_EQ(image.RefusedWidth(), c.width);
        EXPECT_EQ(image.RefusedHeight(), c.height);
        EXPECT_LT(meter.Peak(), std::size_t(1) << 20);
    }
}
