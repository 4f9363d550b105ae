#pragma once
// A zip archive written front to back, with no seeking, so that it can go straight into an atomic
// file: each entry is deflated (zlib), its checksum and sizes follow its data in a data descriptor
// and are repeated in the central directory, as unzip tools read them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TZipWriter {
public:
    // Receives the archive's bytes in order.
    using TSink = std::function<void(std::string_view bytes)>;
    // `level`: zlib's compression level (1 fastest .. 9 smallest).
    explicit TZipWriter(TSink sink, int level = 1);
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    void BeginEntry(const std::string& name);
    void Write(std::string_view data);
    void EndEntry();
    // The central directory; nothing may be written after it.
    void Finish();

private:
    struct TEntry {
        std::string Name;
        std::uint32_t Crc = 0;
        std::uint64_t Packed = 0;
        std::uint64_t Size = 0;
        std::uint64_t Offset = 0;
    };
    struct TDeflate;
    void Put(std::string_view bytes);
    void Deflate(std::string_view data, bool finish);

    TSink FSink;
    int FLevel;
    std::unique_ptr<TDeflate> FZ;
    std::vector<TEntry> FEntries;
    std::uint64_t FOffset = 0;
    std::uint16_t FTime = 0;
    std::uint16_t FDate = 0;
    bool FOpen = false;
};
