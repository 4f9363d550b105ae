// Reading one image of the file: descriptor, colour table, graphic-control
// fields and the pixel data.
#include "GIFImage.h"
#include "GIFLzw.h"

#include <algorithm>
#include <cstring>

namespace {

// Rows per interlace pass come from these starts and steps.
constexpr int PassStart[4] = {0, 4, 2, 1};
constexpr int PassStep[4] = {8, 8, 4, 2};

// The place of row y in file order in an interlaced image of the given height.
std::size_t InterlacedOrder(int y, int height) {
    const std::size_t c1 = (height + 7) / 8, c2 = (height + 3) / 8, c3 = (height + 1) / 4;
    if (y % 8 == 0)
        return y / 8;
    if (y % 8 == 4)
        return c1 + y / 8;
    if (y % 4 == 2)
        return c1 + c2 + y / 4;
    return c1 + c2 + c3 + y / 2;
}

int MapDisposal(int field) {
    return field == 0 || field == 1 || field == 3 ? field : 2;
}

} // namespace

int TGIFFrame::RowData(int y) const {
    const std::size_t w = static_cast<std::size_t>(Width);
    if (DataCount >= w * Height)
        return Width;
    const std::size_t order = Interlaced ? InterlacedOrder(y, Height) : static_cast<std::size_t>(y);
    const std::size_t start = order * w;
    return DataCount <= start ? 0 : static_cast<int>(std::min(w, DataCount - start));
}

bool TGIFFrame::SeeThrough(int x, int y) const {
    return Transparent && (x >= RowData(y) || Index(x, y) == TransparentIndex);
}

TGIFPicture TGIFFrame::ToPicture() const {
    TGIFPicture picture;
    picture.Width = Width;
    picture.Height = Height;
    picture.Pixels.resize(Pixels.size());
    std::transform(Pixels.begin(), Pixels.end(), picture.Pixels.begin(),
                   [this](std::uint8_t index) { return FPalette[index]; });
    return picture;
}

bool TGIFDecoder::ReadFrame(TGIFReader& reader, TGIFFrame& frame, const TControl& control) {
    std::uint8_t d[10];
    reader.Read(d, sizeof d);
    if (d[0] != ',')
        return false;
    frame.Left = d[1] | (d[2] << 8);
    frame.Top = d[3] | (d[4] << 8);
    frame.Width = d[5] | (d[6] << 8);
    frame.Height = d[7] | (d[8] << 8);
    const std::uint8_t flags = d[9];
    if (frame.Width == 0 || frame.Height == 0)
        return false;
    // Bounds are checked before any data is decoded: a tiny file can declare huge images.
    const std::size_t area = static_cast<std::size_t>(frame.Width) * frame.Height;
    const int wide = std::max(FLogicalWidth, frame.Left + frame.Width);
    const int high = std::max(FLogicalHeight, frame.Top + frame.Height);
    if (frame.Width > MaxFrameSide || frame.Height > MaxFrameSide || area > MaxPixels ||
        FPixelsRead + area > MaxPixels || static_cast<std::size_t>(wide) * high > PictureLimit())
        throw EGIFTooLarge(wide, high);
    if (MaxFramePixels != 0 && area > MaxFramePixels)
        throw EGIFTooLarge(frame.Width, frame.Height);

    if (flags & 0x80) {
        frame.HasColorTable = true;
        frame.ColorDepth = (flags & 7) + 1;
        for (int i = 0; i < (1 << frame.ColorDepth); ++i) {
            frame.ColorTable[i].Red = reader.Byte();
            frame.ColorTable[i].Green = reader.Byte();
            frame.ColorTable[i].Blue = reader.Byte();
        }
    } else {
        // The global table past its own entries is black, like the entries a
        // deeper depth reaches.
        frame.ColorTable = FGlobalTable;
        frame.ColorDepth = FGlobalDepth;
    }
    for (int i = 0; i < 256; ++i) {
        const TGIFColor& c = frame.ColorTable[i];
        frame.FPalette[i] = GIFRgba(c.Red, c.Green, c.Blue);
    }
    frame.Interlaced = (flags & 0x40) != 0;

    if (control.Present) {
        frame.Disposal = MapDisposal((control.Flags >> 2) & 7);
        frame.Delay = control.Delay * 10;
        frame.Transparent = (control.Flags & 1) != 0;
        frame.TransparentIndex = control.TransparentIndex;
    }
    frame.TransparentColor = frame.ColorTable[frame.TransparentIndex];

    DecodePixels(reader, frame);
    FPixelsRead += area;
    return true;
}

void TGIFDecoder::DecodePixels(TGIFReader& reader, TGIFFrame& frame) {
    const int minCodeSize = reader.Byte();
    const std::size_t width = static_cast<std::size_t>(frame.Width);
    const std::size_t count = width * frame.Height;

    // Large frames report progress every few rows, at the file position the
    // decoder has reached.
    const bool report = OnProgress && count > 100000;
    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    std::vector<std::uint8_t> data;
    reader.ReadSubBlocks(data, report ? &blocks : nullptr);
    data.resize(data.size() + LzwInputSlack, 0);

    std::size_t step = 0;
    TLzwProgress progress;
    if (report) {
        step = (frame.Width <= 320 ? 64 : 32) * width;
        progress = [this, &blocks](std::size_t, std::size_t consumed) {
            auto it = std::upper_bound(blocks.begin(), blocks.end(), std::make_pair(consumed, SIZE_MAX));
            Progress(it == blocks.begin() ? blocks.front().second
                                          : std::prev(it)->second + (consumed - std::prev(it)->first));
        };
    }

    std::vector<std::uint8_t> decoded(count + LzwOutputSlack);
    const TLzwResult result = DecodeGifLzw(data.data(), data.size() - LzwInputSlack, minCodeSize,
                                           decoded.data(), count, step, progress);
    frame.DataCount = result.Decoded;
    frame.Corrupt = result.Corrupt;
    if (result.Decoded < count)
        std::memset(decoded.data() + result.Decoded, 0, count - result.Decoded);

    if (!frame.Interlaced) {
        decoded.resize(count);
        frame.Pixels = std::move(decoded);
        return;
    }
    frame.Pixels.resize(count);
    const std::uint8_t* src = decoded.data();
    for (int pass = 0; pass < 4; ++pass)
        for (int y = PassStart[pass]; y < frame.Height; y += PassStep[pass], src += width)
            std::memcpy(frame.Pixels.data() + y * width, src, width);
}
