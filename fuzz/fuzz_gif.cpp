// Feeds arbitrary bytes to the GIF reader and checks what it promises about a
// loaded image: frames inside the logical picture, their data within bounds,
// stepping frame by frame composing what a replay from the start composes, and
// a load stopped by its progress handler leaving the image empty.
#include "GIFImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void CheckLoaded(TGIFImage& gif) {
    Check(gif.LastError() == gifOk && !gif.Empty());
    Check(gif.FrameCount() >= 1 && gif.FrameCount() <= TGIFImage::MaxFrames);
    Check(gif.Picture().Width == gif.Width() && gif.Picture().Height == gif.Height());
    for (int n = 1; n <= gif.FrameCount(); ++n) {
        const TGIFFrame& f = gif.Frame(n);
        Check(f.Width >= 1 && f.Height >= 1 && f.Width <= TGIFImage::MaxFrameSide);
        Check(f.Left + f.Width <= gif.Width() && f.Top + f.Height <= gif.Height());
        Check(f.Pixels.size() == static_cast<std::size_t>(f.Width) * f.Height &&
              f.DataCount <= f.Pixels.size());
        Check(f.Disposal >= 0 && f.Disposal <= 3);
        for (int y = 0; y < f.Height; ++y)
            Check(f.RowData(y) >= 0 && f.RowData(y) <= f.Width);
    }
    const TGIFPicture* still = gif.FirstFrameBitmap();
    Check(still && still->Width == gif.Frame(1).Width && still->Height == gif.Frame(1).Height);

    for (int n = 2; n <= gif.FrameCount(); ++n)
        Check(gif.SetCurrentFrame(n));
    const std::vector<std::uint32_t> stepped = gif.Picture().Pixels;
    gif.ComposeTo(gif.FrameCount());
    Check(gif.Picture().Pixels == stepped);
    if (!gif.HasMask())
        for (std::uint32_t p : stepped)
            Check(p == (p | GIFRgba(0, 0, 0, 255)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TGIFImage::MaxPixels = std::size_t(1) << 18; // small pictures keep the runs fast
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    TGIFImage gif;
    if (gif.LoadFromBytes(bytes)) {
        CheckLoaded(gif);
        TGIFImage copy;
        Check(copy.ReadData(gif.WriteData()) && copy.FrameCount() == gif.FrameCount());
    } else {
        Check(gif.Empty() && gif.FrameCount() == 0 && gif.LastError() != gifOk);
    }

    // First image only, with a progress handler that stops after a few reports.
    TGIFImage first;
    first.FirstImageOnly = true;
    const int stopAt = size ? data[size - 1] % 8 : 0;
    int calls = 0;
    first.OnProgress = [&](TGIFImage&, std::size_t done, std::size_t total, int percent, bool& keepOn) {
        Check(done <= total && percent >= 0 && percent <= 100);
        keepOn = ++calls != stopAt;
    };
    if (first.LoadFromBytes(bytes)) {
        Check(first.FrameCount() == 1 && !first.Animatable());
        CheckLoaded(first);
    } else {
        Check(first.Empty() && (first.LastError() != gifStopped || calls == stopAt));
    }
    return 0;
}
