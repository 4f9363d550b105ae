// Composition of the frames into the picture of the logical size. The
// composed mask lives in the alpha channel: 0 where see-through.
#include "GIFImage.h"

#include <algorithm>
#include <cstring>
#include <new>

bool TGIFDecoder::MakeCanvas() const {
    FCanvasMade = true;
    try {
        FComposed.Pixels.assign(static_cast<std::size_t>(FLogicalWidth) * FLogicalHeight,
                                GIFRgba(0, 0, 0, FAnyTransparent ? 0 : 255));
    } catch (const std::bad_alloc&) {
        FComposed = {}; // no picture rather than an error out of a paint
        return false;
    }
    FComposed.Width = FLogicalWidth;
    FComposed.Height = FLogicalHeight;
    return true;
}

void TGIFDecoder::Compose() const {
    if (!FCanvasMade && !FIsEmpty && MakeCanvas())
        Draw(FFrames.front());
}

void TGIFDecoder::DrawFrame() {
    Compose();
    if (FCurrent < 1 || FCurrent > FrameCount() || FComposed.Empty())
        return;
    Draw(FFrames[static_cast<std::size_t>(FCurrent - 1)]);
}

void TGIFDecoder::Draw(const TGIFFrame& f) const {
    const std::size_t stride = static_cast<std::size_t>(FComposed.Width);
    const std::size_t w = static_cast<std::size_t>(f.Width);
    std::uint32_t* base = FComposed.Pixels.data() + f.Top * stride + f.Left;

    if (f.Disposal == 3) {
        f.FSaved.Width = f.Width;
        f.FSaved.Height = f.Height;
        f.FSaved.Pixels.resize(w * f.Height);
        for (int y = 0; y < f.Height; ++y)
            std::memcpy(f.FSaved.Pixels.data() + y * w, base + y * stride, w * sizeof(std::uint32_t));
    }

    const std::uint32_t* pal = f.FPalette.data();
    const bool complete = f.DataCount >= w * f.Height;
    for (int y = 0; y < f.Height; ++y) {
        const std::uint8_t* src = f.Pixels.data() + y * w;
        std::uint32_t* dst = base + y * stride;
        if (!f.Transparent) {
            for (std::size_t x = 0; x < w; ++x)
                dst[x] = pal[src[x]];
            continue;
        }
        // See-through pixels, and those the data did not reach, keep what is there.
        const std::uint8_t clear = static_cast<std::uint8_t>(f.TransparentIndex);
        const std::size_t n = complete ? w : static_cast<std::size_t>(f.RowData(y));
        for (std::size_t x = 0; x < n; ++x) {
            const std::uint8_t c = src[x];
            if (c != clear)
                dst[x] = pal[c];
        }
    }
}

void TGIFDecoder::FillRect(const TGIFFrame& f, std::uint32_t value) {
    const std::size_t stride = static_cast<std::size_t>(FComposed.Width);
    std::uint32_t* base = FComposed.Pixels.data() + f.Top * stride + f.Left;
    for (int y = 0; y < f.Height; ++y)
        std::fill_n(base + y * stride, f.Width, value);
}

void TGIFDecoder::DisposeFrame(int n) {
    Compose();
    if (n < 1 || n > FrameCount() || FComposed.Empty())
        return;
    const TGIFFrame& f = FFrames[static_cast<std::size_t>(n - 1)];
    if (f.Disposal == 2) {
        FillRect(f, GIFRgba(0, 0, 0, HasMask() ? 0 : 255));
    } else if (f.Disposal == 3 && !f.FSaved.Empty()) {
        const std::size_t stride = static_cast<std::size_t>(FComposed.Width);
        const std::size_t w = static_cast<std::size_t>(f.Width);
        std::uint32_t* base = FComposed.Pixels.data() + f.Top * stride + f.Left;
        for (int y = 0; y < f.Height; ++y)
            std::memcpy(base + y * stride, f.FSaved.Pixels.data() + y * w, w * sizeof(std::uint32_t));
    }
}

bool TGIFDecoder::SetCurrentFrame(int n) {
    if (n < 1 || n > FrameCount()) {
        FError = gifBadFrame;
        return false;
    }
    Changing();
    DisposeFrame(FCurrent);
    FCurrent = n;
    DrawFrame();
    Change();
    return true;
}

void TGIFDecoder::ComposeTo(int n) {
    if (n < 1 || n > FrameCount()) {
        FError = gifBadFrame;
        return;
    }
    // Everything is drawn afresh on the background (a new canvas is made as that).
    if (FCanvasMade)
        std::fill(FComposed.Pixels.begin(), FComposed.Pixels.end(), GIFRgba(0, 0, 0, HasMask() ? 0 : 255));
    else
        MakeCanvas();
    FCurrent = 1;
    DrawFrame();
    for (int k = 2; k <= n; ++k) {
        DisposeFrame(k - 1);
        FCurrent = k;
        DrawFrame();
    }
}

const TGIFPicture* TGIFDecoder::FirstFrameBitmap() {
    if (FIsEmpty || FFrames.empty())
        return nullptr;
    if (FFirstBitmap.Empty())
        FFirstBitmap = FFrames.front().ToPicture();
    return &FFirstBitmap;
}
