#include "GIFImage.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Thrown by Progress when the handler stops the load.
struct TLoadStopped {};

bool IsFile(const std::string& name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The whole file, in one read when its size is known (a byte more shows that it did not grow).
bool ReadWholeFile(const std::string& name, std::string& bytes) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bytes.resize(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 65536);
    std::size_t length = 0;
    for (;;) {
        const ssize_t n = ::read(fd, bytes.data() + length, bytes.size() - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            bytes.resize(length);
            return n == 0;
        }
        length += static_cast<std::size_t>(n);
        if (length == bytes.size())
            bytes.resize(bytes.size() * 2);
    }
}

} // namespace

bool TGIFDecoder::LoadFromFile(const std::string& fileName) {
    if (!IsFile(fileName)) {
        FError = gifFileNotFound;
        return false;
    }
    std::string bytes;
    try {
        if (!ReadWholeFile(fileName, bytes))
            throw EGIFError("Cannot read file");
    } catch (...) {
        Clear();
        FError = gifFailed;
        return false;
    }
    return Load(std::move(bytes));
}

bool TGIFDecoder::LoadFromStream(std::istream& stream) {
    std::string bytes;
    try {
        stream.clear();
        stream.seekg(0, std::ios::beg);
        std::ostringstream all;
        all << stream.rdbuf();
        bytes = std::move(all).str();
    } catch (...) {
        Clear();
        FError = gifFailed;
        return false;
    }
    return Load(std::move(bytes));
}

bool TGIFDecoder::LoadFromBytes(std::string_view bytes) {
    try {
        return Load(std::string(bytes));
    } catch (...) { // the copy itself
        Clear();
        FError = gifFailed;
        return false;
    }
}

bool TGIFDecoder::ReadData(std::string_view formData) {
    std::size_t count = 0;
    if (formData.size() >= 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(formData.data());
        count = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::size_t>(p[3]) << 24);
        formData.remove_prefix(4);
    }
    return LoadFromBytes(formData.substr(0, count));
}

std::string TGIFDecoder::WriteData() const {
    if (FStored.empty())
        return {};
    const std::size_t n = FStored.size();
    std::string out{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                    static_cast<char>((n >> 16) & 0xFF), static_cast<char>((n >> 24) & 0xFF)};
    return out + FStored;
}

bool TGIFDecoder::Load(std::string bytes) {
    FRefused[0] = FRefused[1] = 0;
    try {
        Reset();
        FStored = std::move(bytes);
        if (DecodeData())
            return true;
    } catch (const TLoadStopped&) {
        Clear();
        FError = gifStopped;
        return false;
    } catch (...) {
        FError = gifFailed;
    }
    const int error = FError;
    Clear();
    FError = error;
    return false;
}

void TGIFDecoder::Reset() {
    FError = gifFailed;
    FIsEmpty = true;
    FFrames.clear();
    FStored.clear();
    FComposed = {};
    FCanvasMade = false;
    FFirstBitmap = {};
    FGlobalTable = {};
    FGlobalDepth = 0;
    FLogicalWidth = FLogicalHeight = 0;
    FCurrent = 1;
    FLoops = 1;
    Pass = 1;
    FirstStep = true;
    FKeepOnProcessing = true;
    FAnyTransparent = false;
    FPixelsRead = 0;
}

void TGIFDecoder::Clear() {
    const int error = FError;
    Reset();
    FError = error;
}

bool TGIFDecoder::DecodeData() {
    FError = gifFailed;
    if (FStored.empty()) {
        FError = gifNoData;
        return false;
    }
    TGIFReader reader(reinterpret_cast<const std::uint8_t*>(FStored.data()), FStored.size());

    char header[6];
    reader.Read(header, sizeof header);
    if (header[0] != 'G' || header[1] != 'I' || header[2] != 'F')
        return false;
    FFileVersion = header[4] == '9' ? gvGIF89a : gvGIF87a;

    const int screenWidth = reader.Word();
    const int screenHeight = reader.Word();
    if (static_cast<std::size_t>(screenWidth) * screenHeight > PictureLimit()) {
        FRefused[0] = screenWidth;
        FRefused[1] = screenHeight;
        FError = gifTooLarge;
        return false;
    }
    // Widened by each image read, which must keep it within bounds.
    FLogicalWidth = screenWidth;
    FLogicalHeight = screenHeight;
    const std::uint8_t screenFlags = reader.Byte();
    reader.Skip(2); // background colour index, aspect ratio
    if (screenFlags & 0x80) {
        const int depth = (screenFlags & 7) + 1;
        for (int i = 0; i < (1 << depth); ++i) {
            FGlobalTable[i].Red = reader.Byte();
            FGlobalTable[i].Green = reader.Byte();
            FGlobalTable[i].Blue = reader.Byte();
        }
        FGlobalDepth = depth;
    }

    TControl control;
    std::string comment;
    while (reader.Remaining() > 0 && FKeepOnProcessing) {
        Progress(reader.Position());
        // Two bytes, or the last one (a trailer).
        std::uint8_t pair[2] = {0, 0};
        const std::size_t got = std::min<std::size_t>(2, reader.Remaining());
        reader.Read(pair, got);
        if (pair[0] == '!' && got == 2) {
            ReadExtension(reader, pair[1], control, comment);
        } else if (pair[0] == ',') {
            reader.Back(got);
            if (FrameCount() >= MaxFrames)
                break;
            TGIFFrame frame;
            try {
                if (!ReadFrame(reader, frame, control))
                    return false;
            } catch (const TLoadStopped&) {
                throw;
            } catch (const EGIFTooLarge& e) {
                if (FFrames.empty()) {
                    FRefused[0] = e.Width;
                    FRefused[1] = e.Height;
                    FError = gifTooLarge;
                    return false;
                }
                break; // as any frame that cannot be read
            } catch (...) {
                break; // a frame that cannot be read ends the file; the frames before it stay
            }
            FGlobalDepth = std::max(FGlobalDepth, frame.ColorDepth);
            FLogicalWidth = std::max(FLogicalWidth, frame.Left + frame.Width);
            FLogicalHeight = std::max(FLogicalHeight, frame.Top + frame.Height);
            FAnyTransparent = FAnyTransparent || frame.Transparent;
            frame.Comment = std::move(comment);
            FFrames.push_back(std::move(frame));
            comment.clear();
            control = {};
            if (FirstImageOnly)
                break;
        } else if (pair[0] == ';') {
            break;
        }
        // Any other pair of bytes is not a block start and is passed over.
    }
    Progress(reader.Position());
    if (FFrames.empty())
        return false;

    // Frame 1 is on the picture from now on; the picture itself is made when first asked for.
    FIsEmpty = false;
    Changing();
    Change();
    FError = gifOk;
    return true;
}

std::size_t TGIFDecoder::PictureLimit() const {
    return MaxPicturePixels ? std::min(MaxPixels, MaxPicturePixels) : MaxPixels;
}

void TGIFDecoder::ReadExtension(TGIFReader& reader, std::uint8_t label, TControl& control,
                                std::string& comment) {
    switch (label) {
    case 0xF9: { // graphic control: size, flags, delay, transparent index, terminator
        std::uint8_t block[6];
        reader.Read(block, sizeof block);
        control.Present = true;
        control.Flags = block[1];
        control.Delay = static_cast<std::uint16_t>(block[2] | (block[3] << 8));
        control.TransparentIndex = block[4];
        return;
    }
    case 0xFE: { // comment: a damaged one only ends the comment
        std::size_t whole = comment.size();
        try {
            for (std::uint8_t n = reader.Byte(); n != 0; n = reader.Byte()) {
                comment.resize(whole + n);
                reader.Read(comment.data() + whole, n);
                whole = comment.size();
            }
        } catch (const EGIFError&) {
            // The file ends inside the comment: what is left is comment text, not blocks.
            comment.resize(whole);
            reader.Skip(reader.Remaining());
        }
        return;
    }
    case 0xFF: { // application
        const std::uint8_t size = reader.Byte();
        char id[256] = {};
        reader.Read(id, size);
        if (size >= 11 && std::string_view(id, 11) == "NETSCAPE2.0") {
            const std::uint8_t n = reader.Byte();
            if (n == 0)
                return;
            std::uint8_t sub[255];
            reader.Read(sub, n);
            if (n >= 3)
                FLoops = sub[1] | (sub[2] << 8);
        }
        reader.SkipSubBlocks();
        return;
    }
    default: // plain text, and labels this reader does not know
        // Their leading block is one more sub-block, and an empty extension (21 xx 00) is the
        // terminator alone.
        reader.SkipSubBlocks();
        return;
    }
}

void TGIFDecoder::Changing() {
    if (OnChanging)
        OnChanging(*this);
}

void TGIFDecoder::Change() {
    if (OnChange)
        OnChange(*this);
}

void TGIFDecoder::Progress(std::size_t position) {
    if (!OnProgress)
        return;
    const std::size_t size = FStored.size();
    const int percent = size ? static_cast<int>(100.0 * static_cast<double>(position) / size) : 0;
    OnProgress(*this, position, size, percent, FKeepOnProcessing);
    if (!FKeepOnProcessing) {
        FError = gifStopped;
        throw TLoadStopped{};
    }
}
