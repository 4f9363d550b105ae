#pragma once
// The GIF reader and its frame composition, without any window toolkit.
//
//   TGIFDecoder gif;
//   if (gif.LoadFromFile("aurex.gif")) {            // never throws
//       const TGIFPicture* still = gif.FirstFrameBitmap();   // frame 1 at its own size
//       for (int k = 1; k <= gif.FrameCount(); ++k) {
//           gif.ComposeTo(k);                        // what is on screen while frame k shows
//           Use(gif.Picture(), gif.Frame(k).Delay);  // RGBA, alpha 0 where see-through
//       }
//   }
//
// A control that animates keeps its own timer and steps frame by frame: after
// a load frame 1 is drawn; each later step disposes the frame shown
// (DisposeFrame), moves CurrentFrame on (SetCurrentFrameIndex) and draws it
// (DrawFrame). Picture() is then the picture to paint, and HasMask() tells
// whether its alpha channel carries see-through pixels. Changing, Change and
// Progress are virtual so that a control can repaint around them.
//
// The composed picture is made when first asked for (Picture, or any step of
// the animation): a reader that only gives frame 1 or the frames' own pixels
// never holds a picture of the logical size.
//
// Pixels of every TGIFPicture are four bytes in memory order red, green, blue,
// alpha, rows top-down without padding (what Qt calls Format_RGBA8888).

#include "GIFReader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

enum TGIFVersion { gvGIF87a, gvGIF89a };

// LastError values.
enum : int {
    gifOk = 0,
    gifStopped = 1,  // an OnProgress handler stopped the load
    gifNoData = 2,   // nothing to load
    gifFailed = 3,   // load under way, or ended without success
    gifBadFrame = 5, // frame number out of range
    gifFileNotFound = 7,
    gifTooLarge = 8, // the picture is beyond the bounds; RefusedWidth/RefusedHeight give its size
};

struct TGIFColor {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const TGIFColor&) const = default;
};

// One pixel of a TGIFPicture as a 32-bit value (bytes R, G, B, A in memory).
inline std::uint32_t GIFRgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    const std::uint8_t bytes[4] = {r, g, b, a};
    std::uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

struct TGIFPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels; // Width * Height, see GIFRgba

    bool Empty() const { return Pixels.empty(); }
    std::uint32_t Pixel(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(Pixels.data()); }
};

// One image of the file, with the fields its blocks gave it.
struct TGIFFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0; // inside the logical picture
    bool HasColorTable = false;                   // its own colour table
    int ColorDepth = 0; // bits of its own table, or the image's global depth when it has none
    std::array<TGIFColor, 256> ColorTable{}; // the table used; entries past 2^ColorDepth are black
    int Disposal = 0; // 0 unspecified, 1 leave in place, 2 restore to background, 3 restore to previous
    int Delay = 0;    // milliseconds
    bool Interlaced = false;
    bool Transparent = false;
    int TransparentIndex = 0;
    TGIFColor TransparentColor; // the table entry at TransparentIndex
    std::string Comment;        // comment blocks that preceded the image
    bool Corrupt = false;       // the image data held a code that ended it early

    // Colour indices, Width per row, top-down. Pixels the data did not reach hold 0.
    std::vector<std::uint8_t> Pixels;
    // Pixels that received data, counted in file order (interlaced rows in pass order).
    std::size_t DataCount = 0;

    std::uint8_t Index(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
    // Pixels of row y that received data (from the left).
    int RowData(int y) const;
    // The frame's mask: see-through where the index is the transparent one or
    // the data did not reach; only a transparent frame has see-through pixels.
    bool SeeThrough(int x, int y) const;
    // The frame's own picture, every pixel opaque (its mask is not applied).
    TGIFPicture ToPicture() const;

private:
    friend class TGIFDecoder;
    std::array<std::uint32_t, 256> FPalette{}; // ColorTable as opaque RGBA
    mutable TGIFPicture FSaved;                // disposal 3: the composed picture under the frame
};

class TGIFDecoder {
public:
    TGIFDecoder() = default;
    TGIFDecoder(const TGIFDecoder&) = delete;
    TGIFDecoder& operator=(const TGIFDecoder&) = delete;
    virtual ~TGIFDecoder() = default;

    // Frames beyond this many are not read.
    static constexpr int MaxFrames = 256;
    // Wider or higher images end the reading (the frames before them stay).
    static constexpr int MaxFrameSide = 16384;
    // Bound on the pixels of all frames together and on the logical picture: a
    // tiny file can declare huge images. A frame over it, or one that would
    // widen the logical picture over it, ends the reading as a too-large frame
    // does; a screen over it fails the load.
    static inline std::size_t MaxPixels = std::size_t(1) << 28;
    // A tighter bound on the logical picture of this image alone (0: none): one
    // whose screen is larger fails the load before any image is read; so does a
    // first image that would widen it past the bound, before its data is
    // decoded; a later one ends the reading as a too-large frame does. A load
    // refused by any bound on sizes fails with gifTooLarge.
    std::size_t MaxPicturePixels = 0;
    // A bound on each image's own pixels (0: none), for a reader whose images are shown alone
    // (frame 1 at its own size) rather than on the logical picture: a first image over it fails
    // the load with gifTooLarge and its own size, a later one ends the reading.
    std::size_t MaxFramePixels = 0;

    // Loading. Each first returns the image to empty, never throws, and
    // returns true with LastError() 0 when at least one frame was read.
    bool LoadFromFile(const std::string& fileName);
    bool LoadFromStream(std::istream& stream); // the whole stream, from its start
    bool LoadFromBytes(std::string_view bytes);
    // Form storage: a 32-bit little-endian byte count followed by the GIF
    // bytes. WriteData gives an empty string when nothing is loaded.
    bool ReadData(std::string_view formData);
    std::string WriteData() const;
    // Drops frames, pictures and data; LastError() stays.
    virtual void Clear();

    bool FirstImageOnly = false; // load only the first image
    std::function<void(TGIFDecoder&)> OnChanging;
    std::function<void(TGIFDecoder&)> OnChange;
    // The handler may set keepOnProcessing to false to stop the load.
    std::function<void(TGIFDecoder& sender, std::size_t bytesProcessed, std::size_t bytesToProcess,
                       int percentageProcessed, bool& keepOnProcessing)>
        OnProgress;

    int LastError() const { return FError; }
    // The size of the picture that the last load refused (gifTooLarge); kept
    // until the next load.
    int RefusedWidth() const { return FRefused[0]; }
    int RefusedHeight() const { return FRefused[1]; }
    bool Empty() const { return FIsEmpty; }
    bool Animatable() const { return FrameCount() > 1; }
    bool Transparent() const { return FAnyTransparent; } // some frame is
    TGIFVersion Version() const { return FFileVersion; }
    int LoopCount() const { return FLoops; }    // 1 without a NETSCAPE block, 0 for ever
    int Width() const { return FLogicalWidth; } // the screen, widened to cover every frame
    int Height() const { return FLogicalHeight; }
    int GlobalColorDepth() const { return FGlobalDepth; }
    const std::array<TGIFColor, 256>& GlobalColorTable() const { return FGlobalTable; }
    const std::string& Data() const { return FStored; } // the bytes of the loaded file

    int FrameCount() const { return static_cast<int>(FFrames.size()); }
    const TGIFFrame& Frame(int n) const { return FFrames[static_cast<std::size_t>(n - 1)]; } // 1-based

    // Composition. Picture() is the composed picture of the logical size; its
    // alpha is 0 where the composed mask is see-through (only when HasMask()).
    // Made on first use; empty when its memory cannot be had.
    const TGIFPicture& Picture() const {
        Compose();
        return FComposed;
    }
    bool HasMask() const { return FAnyTransparent; }
    int CurrentFrame() const { return FCurrent; }
    // Draws CurrentFrame onto the composed picture (saving what is under it first
    // for disposal 3).
    void DrawFrame();
    // Applies frame n's disposal to the composed picture.
    void DisposeFrame(int n);
    // Shows frame n: disposes the current frame, draws n. Out of range sets
    // LastError() 5 and changes nothing.
    bool SetCurrentFrame(int n);
    // Moves CurrentFrame without drawing (animation bookkeeping).
    void SetCurrentFrameIndex(int n) { FCurrent = n; }
    // Plays from the start up to frame n: the picture shown while n is on
    // screen. No change events; out of range sets LastError() 5.
    void ComposeTo(int n);
    // Frame 1's own picture, at its own size; null when empty. Kept until Clear.
    const TGIFPicture* FirstFrameBitmap();

    // Animation state a control keeps here: the pass being played, and whether
    // the next step is the first since the load.
    int Pass = 1;
    bool FirstStep = true;

protected:
    // Decodes Stored; false when nothing could be loaded.
    virtual bool DecodeData();
    virtual void Changing();
    virtual void Change();
    // Reports progress at the given position of the data; throws to abandon
    // the load when the handler says so.
    virtual void Progress(std::size_t position);

private:
    struct TControl {
        bool Present = false;
        std::uint8_t Flags = 0;
        std::uint16_t Delay = 0;
        std::uint8_t TransparentIndex = 0;
    };

    bool Load(std::string bytes);
    void Reset();
    void ReadExtension(TGIFReader& reader, std::uint8_t label, TControl& control, std::string& comment);
    bool ReadFrame(TGIFReader& reader, TGIFFrame& frame, const TControl& control);
    void DecodePixels(TGIFReader& reader, TGIFFrame& frame);
    void FillRect(const TGIFFrame& frame, std::uint32_t value);
    std::size_t PictureLimit() const;
    // The composed picture as the load leaves it (frame 1 drawn), made once.
    void Compose() const;
    bool MakeCanvas() const;
    void Draw(const TGIFFrame& frame) const;

    std::string FStored;
    std::vector<TGIFFrame> FFrames;
    mutable TGIFPicture FComposed;
    mutable bool FCanvasMade = false;
    TGIFPicture FFirstBitmap;
    std::array<TGIFColor, 256> FGlobalTable{};
    int FGlobalDepth = 0;
    int FLogicalWidth = 0, FLogicalHeight = 0;
    int FLoops = 1;
    int FCurrent = 1;
    int FError = gifOk;
    int FRefused[2] = {0, 0};
    TGIFVersion FFileVersion = gvGIF89a;
    bool FIsEmpty = true;
    bool FAnyTransparent = false;
    bool FKeepOnProcessing = true;
    std::size_t FPixelsRead = 0;
};
