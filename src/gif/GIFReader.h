#pragma once
// A bounds-checked cursor over the bytes of a GIF file. Every read past the end
// throws EGIFError, which is how a truncated file shows up.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class EGIFError : public std::runtime_error {
public:
    explicit EGIFError(const std::string& message) : std::runtime_error(message) {}
};

// An image, or the picture it widens, beyond the reader's bounds: the picture's size with it.
class EGIFTooLarge : public EGIFError {
public:
    EGIFTooLarge(int width, int height) : EGIFError("GIF picture too large"), Width(width), Height(height) {}
    int Width, Height;
};

class TGIFReader {
public:
    TGIFReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

    std::size_t Position() const { return FPos; }
    std::size_t Length() const { return FSize; }
    std::size_t Remaining() const { return FSize - FPos; }

    void Read(void* buffer, std::size_t count) {
        Need(count);
        std::memcpy(buffer, FData + FPos, count);
        FPos += count;
    }
    std::uint8_t Byte() {
        Need(1);
        return FData[FPos++];
    }
    std::uint16_t Word() {
        Need(2);
        const std::uint16_t value = static_cast<std::uint16_t>(FData[FPos] | (FData[FPos + 1] << 8));
        FPos += 2;
        return value;
    }
    void Skip(std::size_t count) {
        Need(count);
        FPos += count;
    }
    void Back(std::size_t count) { FPos = count > FPos ? 0 : FPos - count; }

    // Skips data sub-blocks up to and including the zero-length terminator.
    void SkipSubBlocks() {
        for (std::uint8_t n = Byte(); n != 0; n = Byte())
            Skip(n);
    }

    // Appends the data of the sub-blocks to `out`; when `blocks` is given, it
    // records for each sub-block its offset in `out` and its position in the file.
    void ReadSubBlocks(std::vector<std::uint8_t>& out,
                       std::vector<std::pair<std::size_t, std::size_t>>* blocks = nullptr) {
        for (std::uint8_t n = Byte(); n != 0; n = Byte()) {
            Need(n);
            if (blocks)
                blocks->emplace_back(out.size(), FPos);
            out.insert(out.end(), FData + FPos, FData + FPos + n);
            FPos += n;
        }
    }

private:
    void Need(std::size_t count) const {
        if (count > FSize - FPos)
            throw EGIFError("Unexpected end of GIF data");
    }

    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};
