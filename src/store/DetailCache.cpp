#include "DetailCache.h"

#include "Errors.h"
#include "FileDescriptor.h"
#include "FileStamp.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {
struct TSlice {
    uint64_t Offset;
    uint64_t Length;
};

struct TIndex {
    TFileStamp Key;
    bool Trusted = false;
    std::unordered_map<std::string, TSlice> Records;
};

std::map<std::pair<std::string, bool>, TIndex>& Cache() {
    static std::map<std::pair<std::string, bool>, TIndex> cache;
    return cache;
}

std::string_view FirstField(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

// Builds the index: the first occurrence of every id, with the byte range of
// its record line (and, for genus files, its species block).
void BuildIndex(std::string_view text, bool genus, TIndex& index) {
    index.Records.clear();
    const char* base = text.data();
    std::string_view pendingId;
    const char* pendingStart = nullptr;
    const char* pendingEnd = nullptr;
    bool inBlock = false; // inside a genus's species block
    auto flush = [&] {
        if (pendingStart)
            index.Records.try_emplace(std::string(pendingId),
                                      TSlice{static_cast<uint64_t>(pendingStart - base),
                                             static_cast<uint64_t>(pendingEnd - pendingStart)});
        pendingStart = nullptr;
        inBlock = false;
    };
    ForEachLine(text, [&](std::string_view line) {
        if (!genus) {
            index.Records.try_emplace(std::string(FirstField(line)),
                                      TSlice{static_cast<uint64_t>(line.data() - base), line.size()});
            return;
        }
        if (!line.empty() && line.front() == '\t') {
            if (inBlock)
                pendingEnd = line.data() + line.size();
            return;
        }
        flush();
        if (line.empty())
            return;
        pendingId = FirstField(line);
        pendingStart = line.data();
        pendingEnd = line.data() + line.size();
        inBlock = true;
    });
    flush();
}

void SliceToRecord(std::string_view slice, bool genus, std::string& recordLine, TStringList& species) {
    species.clear();
    bool first = true;
    ForEachLine(slice, [&](std::string_view line) {
        if (first)
            recordLine.assign(line);
        else if (genus)
            species.emplace_back(line);
        first = false;
    });
    if (first)
        recordLine.clear();
}

bool ReadRange(int fd, uint64_t offset, uint64_t length, std::string& out) {
    out.resize(length);
    uint64_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

TLookupResult LookupRecord(const std::string& path, bool genus, const std::string& id,
                           std::string& recordLine, TStringList& species) {
    species.clear();
    TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return TLookupResult::NoFile;
        throw EFOpenError::CannotOpen(path);
    }
    struct stat st;
    if (!StatForCache(fd.Get(), st) || !S_ISREG(st.st_mode))
        throw EFOpenError::CannotOpen(path);
    const TFileStamp key = StampOf(st);
    TIndex& index = Cache()[{path, genus}];

    if (index.Trusted && index.Key == key) {
        const auto it = index.Records.find(id);
        if (it == index.Records.end())
            return TLookupResult::NotFound;
        std::string slice;
        if (ReadRange(fd.Get(), it->second.Offset, it->second.Length, slice)) {
            SliceToRecord(slice, genus, recordLine, species);
            return TLookupResult::Found;
        }
        // The file shrank under us: fall through and read it again.
    }

    // Read the whole file through the descriptor we checked. It is read, not mapped: a file
    // truncated by another program meanwhile gives a short read, never a crash.
    const long long builtAt = CacheClockNs();
    std::string bytes;
    if (!ReadRange(fd.Get(), 0, static_cast<size_t>(st.st_size), bytes)) {
        index = TIndex{};
        throw EFOpenError("Cannot read file " + path);
    }
    const std::string_view text(bytes);
    index.Key = TFileStamp{};
    index.Trusted = false;
    BuildIndex(text, genus, index);
    index.Key = key; // only a complete index is kept
    index.Trusted = StampSettled(key, builtAt);
    const auto it = index.Records.find(id);
    if (it == index.Records.end())
        return TLookupResult::NotFound;
    SliceToRecord(text.substr(it->second.Offset, it->second.Length), genus, recordLine, species);
    return TLookupResult::Found;
}

void ClearDetailCache() {
    Cache().clear();
}
