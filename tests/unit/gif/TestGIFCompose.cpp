// Composing frames: disposal, transparency, logical size, frame stepping, progress.
#include "AllocationMeter.h"
#include "GIFImage.h"
#include "GifWriter.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t Color(int i, std::uint8_t alpha = 255) {
    return GIFRgba(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                   static_cast<std::uint8_t>(i * 7), alpha);
}
const std::uint32_t SeeThrough = GIFRgba(0, 0, 0, 0);

TGifFrameSpec Fill(int left, int top, int width, int height, int index) {
    return MakeFrame(left, top, width, height, [index](int, int) { return index; });
}

TGifFrameSpec WithControl(TGifFrameSpec f, int disposal, bool transparent = false, int index = 0) {
    f.Control = true;
    f.DisposalField = disposal;
    f.Transparent = transparent;
    f.TransparentIndex = index;
    return f;
}

TGifSpec Screen(int width, int height) {
    TGifSpec spec;
    spec.Width = width;
    spec.Height = height;
    spec.GlobalTable = MakeTable(16);
    return spec;
}

} // namespace

TEST(GIFCompose, DisposalMethods) {
    const struct {
        int field;
        bool mask;
        std::uint32_t underFrame2; // at (1, 1) once frame 3 is drawn
    } cases[] = {
        {0, false, Color(2)},  {1, false, Color(2)},         {2, false, GIFRgba(0, 0, 0)},
        {3, false, Color(1)},  {6, false, GIFRgba(0, 0, 0)}, {0, true, Color(2)},
        {2, true, SeeThrough}, {3, true, Color(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << c.field << " mask " << c.mask);
        TGifSpec spec = Screen(4, 4);
        spec.Frames = {Fill(0, 0, 4, 4, 1), WithControl(Fill(1, 1, 2, 2, 2), c.field, c.mask, 9),
                       Fill(0, 0, 1, 1, 3)};
        TGIFDecoder gif;
        ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
        EXPECT_EQ(gif.HasMask(), c.mask);
        EXPECT_EQ(gif.Picture().Pixel(1, 1), Color(1)); // frame 1 drawn by the load

        gif.ComposeTo(2);
        EXPECT_EQ(gif.Picture().Pixel(2, 2), Color(2));
        gif.ComposeTo(3);
        EXPECT_EQ(gif.Picture().Pixel(1, 1), c.underFrame2);
        EXPECT_EQ(gif.Picture().Pixel(2, 2), c.underFrame2);
        EXPECT_EQ(gif.Picture().Pixel(0, 0), Color(3));
        EXPECT_EQ(gif.Picture().Pixel(3, 3), Color(1));

        // Stepping frame by frame gives the same pictures.
        const std::vector<std::uint32_t> composed = gif.Picture().Pixels;
        TGIFDecoder stepped;
        ASSERT_TRUE(stepped.LoadFromBytes(WriteGif(spec)));
        ASSERT_TRUE(stepped.SetCurrentFrame(2));
        ASSERT_TRUE(stepped.SetCurrentFrame(3));
        EXPECT_EQ(stepped.Picture().Pixels, composed);
    }
}

TEST(GIFCompose, TransparentPixelsKeepWhatIsUnder) {
    TGifSpec spec = Screen(4, 2);
    spec.Frames = {
        WithControl(MakeFrame(1, 0, 2, 2, [](int x, int y) { return (x + y) % 2 ? 2 : 5; }), 1, true, 5),
        Fill(0, 0, 4, 1, 1),
        WithControl(MakeFrame(0, 0, 4, 2, [](int x, int) { return x < 2 ? 5 : 4; }), 1, true, 5)};
    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    ASSERT_TRUE(gif.Transparent());
    // Frame 1 alone: outside it and on its transparent pixels the picture is see-through.
    const std::vector<std::uint32_t> first = {SeeThrough, SeeThrough, Color(2),   SeeThrough,
                                              SeeThrough, Color(2),   SeeThrough, SeeThrough};
    EXPECT_EQ(gif.Picture().Pixels, first);
    // Its own picture shows every pixel, the transparent ones in their table colour.
    const TGIFPicture* still = gif.FirstFrameBitmap();
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->Width, 2);
    EXPECT_EQ(still->Height, 2);
    EXPECT_EQ(still->Pixels, (std::vector<std::uint32_t>{Color(5), Color(2), Color(2), Color(5)}));

    gif.ComposeTo(3); // an opaque row, then a transparent frame over all of it
    const std::vector<std::uint32_t> last = {Color(1),   Color(1), Color(4), Color(4),
                                             SeeThrough, Color(2), Color(4), Color(4)};
    EXPECT_EQ(gif.Picture().Pixels, last);
}

TEST(GIFCompose, LogicalSizeCoversEveryFrame) {
    TGifSpec spec = Screen(2, 2);
    spec.Frames = {MakeFrame(1, 1, 3, 2, [](int x, int y) { return x + 3 * y; }), Fill(4, 0, 2, 5, 7)};
    TGIFDecoder gif;
    ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    EXPECT_EQ(gif.Width(), 6);
    EXPECT_EQ(gif.Height(), 5);
    EXPECT_EQ(gif.Picture().Width, 6);
    EXPECT_EQ(gif.Picture().Height, 5);
    EXPECT_EQ(gif.Picture().Pixel(0, 0), GIFRgba(0, 0, 0));
    EXPECT_EQ(gif.Picture().Pixel(3, 2), Color(5));
    const TGIFPicture* still = gif.FirstFrameBitmap();
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->Width, 3);
    EXPECT_EQ(still->Height, 2);
    EXPECT_EQ(still->Pixel(2, 1), Color(5));
    gif.ComposeTo(2);
    EXPECT_EQ(gif.Picture().Pixel(5, 4), Color(7));
}

// The picture of the logical size is made when first asked for: a load, and a reader that only
// gives frame 1, never hold it.
TEST(GIFCompose, PictureMadeOnlyWhenAskedFor) {
    TGifSpec spec = Screen(4096, 4096); // a 64 MiB picture
    spec.Frames = {Fill(10, 20, 16, 8, 3), Fill(0, 0, 4096, 1, 2), Fill(0, 0, 4096, 2, 1)};
    const std::string bytes = WriteGif(spec);
    for (bool firstOnly : {true, false}) {
        SCOPED_TRACE(firstOnly ? "first image only" : "every image");
        TGIFDecoder gif;
        gif.FirstImageOnly = firstOnly;
        const TAllocationMeter meter;
        ASSERT_TRUE(gif.LoadFromBytes(bytes));
        EXPECT_EQ(gif.FrameCount(), firstOnly ? 1 : 3);
        EXPECT_LT(meter.Peak(), std::size_t(1) << 20);
        // Frame 1 alone on the background, as the load leaves the picture.
        const TGIFPicture& picture = gif.Picture();
        EXPECT_GE(meter.Peak(), std::size_t(4096) * 4096 * 4);
        EXPECT_EQ(picture.Pixel(10, 20), Color(3));
        EXPECT_EQ(picture.Pixel(0, 0), GIFRgba(0, 0, 0));
    }
}

TEST(GIFCompose, CurrentFrameOutOfRangeChangesNothing) {
    TGifSpec spec = Screen(1, 1);
    spec.Frames = {Fill(0, 0, 1, 1, 1), Fill(0, 0, 1, 1, 2)};
    TGIFDecoder gif;
    int changing = 0, change = 0;
    gif.OnChanging = [&](TGIFDecoder&) { ++changing; };
    gif.OnChange = [&](TGIFDecoder&) { ++change; };
    ASSERT_TRUE(gif.LoadFromBytes(WriteGif(spec)));
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(change, 1);
    for (int n : {0, 3}) {
        EXPECT_FALSE(gif.SetCurrentFrame(n));
        EXPECT_EQ(gif.LastError(), gifBadFrame);
        EXPECT_EQ(gif.CurrentFrame(), 1);
        EXPECT_EQ(gif.Picture().Pixel(0, 0), Color(1));
    }
    EXPECT_EQ(changing, 1);
    ASSERT_TRUE(gif.SetCurrentFrame(2));
    EXPECT_EQ(gif.Picture().Pixel(0, 0), Color(2));
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(change, 2);
}

TEST(GIFCompose, ProgressOnLargeFramesAndStopping) {
    const struct {
        int width, height, reports;
    } cases[] = {
        {400, 300, 2 + 9 + 1}, // blocks, every 32nd row of a wide frame, end
        {300, 400, 2 + 6 + 1}, // every 64th row of a narrow one
        {300, 300, 2 + 0 + 1}, // 90000 pixels: no reports inside the frame
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        TGifSpec spec = Screen(c.width, c.height);
        spec.Frames = {MakeFrame(0, 0, c.width, c.height, [](int x, int y) { return (x * 7 + y * 3) % 16; })};
        const std::string bytes = WriteGif(spec);
        TGIFDecoder gif;
        std::vector<std::size_t> positions;
        int lastPercent = -1;
        gif.OnProgress = [&](TGIFDecoder& sender, std::size_t done, std::size_t total, int percent, bool&) {
            EXPECT_EQ(&sender, &gif);
            EXPECT_EQ(total, bytes.size());
            EXPECT_TRUE(positions.empty() || done >= positions.back());
            positions.push_back(done);
            lastPercent = percent;
        };
        ASSERT_TRUE(gif.LoadFromBytes(bytes));
        EXPECT_EQ(static_cast<int>(positions.size()), c.reports);
        EXPECT_EQ(positions.back(), bytes.size());
        EXPECT_EQ(lastPercent, 100);

        int calls = 0;
        gif.OnProgress = [&](TGIFDecoder&, std::size_t, std::size_t, int, bool& keepOn) {
            keepOn = ++calls < 3;
        };
        EXPECT_FALSE(gif.LoadFromBytes(bytes));
        EXPECT_EQ(gif.LastError(), gifStopped);
        EXPECT_TRUE(gif.Empty());
        EXPECT_EQ(calls, 3);
    }
}
