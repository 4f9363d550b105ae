#include "ZipWriter.h"

#include "Errors.h"

#include <ctime>
#include <zlib.h>

namespace {
// Without the 64-bit extensions every size and offset must stay below 4 GiB.
constexpr std::uint64_t ZipLimit = 0xFFFFFFFFu;
constexpr std::uint16_t Version = 20; // 2.0: deflate
constexpr std::uint16_t HasDescriptor = 0x0008;
constexpr std::uint16_t Deflated = 8;

void Le16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Le32(std::string& out, std::uint64_t v) {
    Le16(out, static_cast<std::uint32_t>(v & 0xFFFF));
    Le16(out, static_cast<std::uint32_t>((v >> 16) & 0xFFFF));
}

void CheckSize(std::uint64_t value) {
    if (value >= ZipLimit)
        throw EWriteError("The archive would be larger than 4 GB, more than a zip file can hold");
}
} // namespace

struct TZipWriter::TDeflate {
    z_stream Stream{};
    std::string Buffer = std::string(1 << 18, '\0');
};

TZipWriter::TZipWriter(TSink sink, int level) : FSink(std::move(sink)), FLevel(level) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    FTime = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    FDate =
        static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

TZipWriter::~TZipWriter() {
    if (FZ)
        deflateEnd(&FZ->Stream);
}

void TZipWriter::Put(std::string_view bytes) {
    FOffset += bytes.size();
    CheckSize(FOffset);
    FSink(bytes);
}

void TZipWriter::BeginEntry(const std::string& name) {
    if (FOpen)
        EndEntry();
    TEntry entry;
    entry.Name = name;
    entry.Offset = FOffset;
    FEntries.push_back(entry);
    std::string header;
    Le32(header, 0x04034b50);
    Le16(header, Version);
    Le16(header, HasDescriptor);
    Le16(header, Deflated);
    Le16(header, FTime);
    Le16(header, FDate);
    Le32(header, 0); // checksum and sizes follow the data
    Le32(header, 0);
    Le32(header, 0);
    Le16(header, static_cast<std::uint32_t>(name.size()));
    Le16(header, 0);
    header += name;
    Put(header);
    FZ = std::make_unique<TDeflate>();
    if (deflateInit2(&FZ->Stream, FLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        FZ.reset();
        throw EOrvError("Cannot start compressing " + name);
    }
    FOpen = true;
}

void TZipWriter::Deflate(std::string_view data, bool finish) {
    z_stream& z = FZ->Stream;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(FZ->Buffer.data());
        z.avail_out = static_cast<uInt>(FZ->Buffer.size());
        const int rc = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR)
            throw EOrvError("Compression failed");
        const size_t produced = FZ->Buffer.size() - z.avail_out;
        FEntries.back().Packed += produced;
        Put(std::string_view(FZ->Buffer.data(), produced));
        if (finish ? rc == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            return;
    }
}

void TZipWriter::Write(std::string_view data) {
    TEntry& entry = FEntries.back();
    // zlib counts in 32 bits: large blocks go in slices.
    while (!data.empty()) {
        const std::string_view slice = data.substr(0, 1u << 30);
        entry.Crc = static_cast<std::uint32_t>(
            crc32(entry.Crc, reinterpret_cast<const Bytef*>(slice.data()), static_cast<uInt>(slice.size())));
        entry.Size += slice.size();
        CheckSize(entry.Size);
        Deflate(slice, false);
        data.remove_prefix(slice.size());
    }
}

void TZipWriter::EndEntry() {
    if (!FOpen)
        return;
    Deflate({}, true);
    deflateEnd(&FZ->Stream);
    FZ.reset();
    FOpen = false;
    const TEntry& entry = FEntries.back();
    std::string descriptor;
    Le32(descriptor, 0x08074b50);
    Le32(descriptor, entry.Crc);
    Le32(descriptor, entry.Packed);
    Le32(descriptor, entry.Size);
    Put(descriptor);
}

void TZipWriter::Finish() {
    EndEntry();
    const std::uint64_t start = FOffset;
    std::string directory;
    for (const TEntry& entry : FEntries) {
        Le32(directory, 0x02014b50);
        Le16(directory, Version);
        Le16(directory, Version);
        Le16(directory, HasDescriptor);
        Le16(directory, Deflated);
        Le16(directory, FTime);
        Le16(directory, FDate);
        Le32(directory, entry.Crc);
        Le32(directory, entry.Packed);
        Le32(directory, entry.Size);
        Le16(directory, static_cast<std::uint32_t>(entry.Name.size()));
        Le16(directory, 0); // extra field
        Le16(directory, 0); // comment
        Le16(directory, 0); // disk
        Le16(directory, 0); // internal attributes
        Le32(directory, 0); // external attributes
        Le32(directory, entry.Offset);
        directory += entry.Name;
    }
    std::string end;
    Le32(end, 0x06054b50);
    Le16(end, 0);
    Le16(end, 0);
    Le16(end, static_cast<std::uint32_t>(FEntries.size()));
    Le16(end, static_cast<std::uint32_t>(FEntries.size()));
    Le32(end, directory.size());
    Le32(end, start);
    Le16(end, 0);
    Put(directory);
    Put(end);
}
