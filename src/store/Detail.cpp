#include "Detail.h"

#include "Constants.h"
#include "DetailCache.h"
#include "Errors.h"
#include "Fields.h"
#include "Global.h"
#include "Platform.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
void ClearText(TTaxonomyDetail& r) {
    r.Id.clear();
    r.Name.clear();
    r.Meaning.clear();
    r.Info.clear();
    r.Description.clear();
    TGenusDetail& g = r.Genus;
    g.KorvelType.clear();
    g.CommonName.clear();
    g.Keywords.clear();
    g.ImageFile.clear();
    g.ImgCopyright.clear();
    g.ImgCopyrightURL.clear();
    g.ImgOwner.clear();
    g.ImgOwnerURL.clear();
}

bool ValidLevel(int level) {
    return level >= 0 && level < LevelCount;
}

std::string_view FirstField(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

// Where `needle` (two bytes or more) first occurs in `text` at or after `from`, or npos. Sixteen
// places are tried at a time by the needle's first and last byte, and only those that pass are
// compared whole: a database is mostly text in which the needle is not.
size_t FindFrom(std::string_view text, size_t from, std::string_view needle) {
    const size_t n = needle.size();
    if (text.size() < n || from > text.size() - n)
        return std::string_view::npos;
    const char* const data = text.data();
    const size_t last = text.size() - n; // the last place the needle fits
    size_t i = from;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i final = _mm_set1_epi8(needle.back());
    for (; i + 15 <= last; i += 16) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + n - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, final));
        // Compared here by hand: a call in this loop would make the compiler keep the constant
        // vectors in memory.
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both)); mask; mask &= mask - 1) {
            const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
            size_t k = 1;
            while (k + 1 < n && data[at + k] == needle[k])
                ++k;
            if (k + 1 >= n)
                return at;
        }
    }
#endif
    for (; i <= last; ++i)
        if (data[i] == needle.front() && std::memcmp(data + i + 1, needle.data() + 1, n - 1) == 0)
            return i;
    return std::string_view::npos;
}

struct TByteRange {
    size_t Begin;
    size_t End;
};

// The byte ranges of the records with one of `ids` in `text` (whole lines, every one ending with
// CR LF), in file order and apart: each line whose first field is the id, for a genus with the
// empty and species lines after it, as RemoveRecordLines takes them. `continued`: the text goes
// on from the lines of a genus record, whose empty and species lines at its start belong to it.
std::vector<TByteRange> RecordRanges(std::string_view text, int level, std::span<const std::string_view> ids,
                                     bool continued) {
    const char* const data = text.data();
    std::vector<size_t> starts;
    for (const std::string_view id : ids) {
        // No line holds a CR or LF, and no first field a '#': no record has such an id.
        if (id.empty() || id.find_first_of("#\r\n") != std::string_view::npos)
            continue;
        // The id ends before the CR of its line, so the byte after it is there.
        auto isRecord = [&](size_t begin) {
            return data[begin + id.size()] == '#' || data[begin + id.size()] == '\r';
        };
        if (text.starts_with(id) && isRecord(0))
            starts.push_back(0);
        const std::string needle = "\n" + std::string(id);
        for (size_t at = FindFrom(text, 0, needle); at != std::string_view::npos;
             at = FindFrom(text, at + 1, needle))
            if (isRecord(at + 1))
                starts.push_back(at + 1);
    }
    std::sort(starts.begin(), starts.end());
    auto nextLine = [&](size_t at) {
        const void* lf = std::memchr(data + at, '\n', text.size() - at);
        return static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
    };
    auto genusEnd = [&](size_t end) {
        while (end < text.size() && (data[end] == '\t' || data[end] == '\r'))
            end = nextLine(end);
        return end;
    };
    std::vector<TByteRange> ranges;
    if (continued && level == GenusLevel)
        if (const size_t end = genusEnd(0); end != 0)
            ranges.push_back({0, end});
    for (const size_t begin : starts) {
        // A line already taken along with a genus record before it.
        if (!ranges.empty() && begin < ranges.back().End)
            continue;
        const size_t end = nextLine(begin);
        ranges.push_back({begin, level == GenusLevel ? genusEnd(end) : end});
    }
    return ranges;
}

// Passes the bytes of the database at `path` on to keep(std::string_view), without the records
// with one of `ids`, and returns whether there were any. The file is read in blocks of whole
// lines; what lies between the records goes on in runs as it was read. What comes out is always
// the file's lines each ending with CR LF, without a byte-order mark: a file with other line ends
// is made so, restart() first telling that what was passed on so far is void. A missing file
// passes nothing.
template <class Keep, class Restart>
bool PassWithoutRecords(const std::string& path, int level, std::span<const std::string_view> ids,
                        Keep&& keep, Restart&& restart) {
    if (!FileExists(path))
        return false;
    bool found = false;
    bool inRecord = false; // the last block ended inside a genus record left out
    auto pass = [&](std::string_view lines) {
        const std::vector<TByteRange> ranges = RecordRanges(lines, level, ids, inRecord);
        size_t from = 0;
        for (const TByteRange& range : ranges) {
            if (range.Begin != from)
                keep(lines.substr(from, range.Begin - from));
            from = range.End;
        }
        if (from != lines.size())
            keep(lines.substr(from));
        found = found || !ranges.empty();
        inRecord = level == GenusLevel && !ranges.empty() && ranges.back().End == lines.size();
    };
    bool plain = true;
    bool first = true;
    ReadLineBlocks(path, [&](std::string_view lines) {
        plain = EveryLineEndsCrLf(lines);
        if (plain)
            pass(first ? WithoutByteOrderMark(lines) : lines);
        first = false;
        return plain;
    });
    if (plain)
        return found;
    restart();
    found = inRecord = false;
    pass(WithCrLfLineEnds(ReadFileBytes(path)));
    return found;
}
} // namespace

std::string DetailFile(int level, bool user) {
    const int entry = level + 1;
    if (entry < 0 || entry >= static_cast<int>(LevelFiles.size()))
        throw EOrvError("Invalid level " + std::to_string(level));
    return AppFile(user ? UserLevelFiles[static_cast<size_t>(entry)]
                        : LevelFiles[static_cast<size_t>(entry)]);
}

void ReadDetail(const TTaxonomyData& nodeData, TTaxonomyDetail& record) {
    if (!record.Genus.Species)
        record.Genus.Species = std::make_shared<TStringList>();
    TStringList& species = *record.Genus.Species;
    if (nodeData.Id().empty()) {
        record.Level = -2;
        ClearText(record);
        species.clear();
        return;
    }
    const int level = nodeData.Level();
    species.clear();
    std::string line;
    const bool genus = level == GenusLevel;
    const TLookupResult found =
        ValidLevel(level) ? LookupRecord(DetailFile(level, false), genus, nodeData.Id(), line, species)
                          : TLookupResult::NoFile;
    if (found != TLookupResult::Found) {
        record.Level = -1;
        ClearText(record);
        species.clear();
        return;
    }
    ClearText(record);
    record.Level = level;
    record.Info = nodeData.Info();
    if (!genus) {
        std::array<std::string, 4> f;
        SplitFields(line, f, 3);
        record.Id = f[0];
        record.Name = f[1];
        record.Meaning = f[2];
        record.Description = FieldToLines(f[3]);
        return;
    }
    std::array<std::string, 12> f;
    SplitFields(line, f, 11);
    record.Id = f[0];
    record.Name = nodeData.Name();
    record.Meaning = f[2];
    record.Description = FieldToLines(f[3]);
    TGenusDetail& g = record.Genus;
    g.KorvelType = f[4];
    g.CommonName = f[5];
    g.ImageFile = f[6];
    g.ImgCopyright = f[7];
    g.ImgCopyrightURL = f[8];
    g.ImgOwner = f[9];
    g.ImgOwnerURL = f[10];
    g.Keywords = f[11];
}

std::string RecordToLine(const TTaxonomyDetail& r) {
    const std::string description = LinesToField(r.Description);
    if (r.Level != GenusLevel) {
        const std::array<std::string, 4> f = {r.Id, r.Name, r.Meaning, description};
        return JoinFields(f, 3);
    }
    const TGenusDetail& g = r.Genus;
    const std::array<std::string, 12> f = {
        r.Id,        r.Name,         r.Meaning,         description, g.KorvelType,  g.CommonName,
        g.ImageFile, g.ImgCopyright, g.ImgCopyrightURL, g.ImgOwner,  g.ImgOwnerURL, g.Keywords};
    return JoinFields(f, 11);
}

bool RemoveRecordLines(TStringList& lines, int level, const std::string& id, bool remove) {
    // Records always have an id; an empty one would match empty lines.
    if (id.empty())
        return false;
    bool found = false;
    size_t i = 0;
    while (i < lines.size()) {
        if (FirstField(lines[i]) != id) {
            ++i;
            continue;
        }
        if (!remove)
            return true;
        size_t end = i + 1;
        if (level == GenusLevel)
            while (end < lines.size() && (lines[end].empty() || lines[end].front() == '\t'))
                ++end;
        lines.erase(lines.begin() + static_cast<long>(i), lines.begin() + static_cast<long>(end));
        found = true;
    }
    return found;
}

bool DeleteRecord(const std::string& id, int level, bool user, bool remove) {
    if (!ValidLevel(level) || id.empty())
        return false;
    const std::string path = DetailFile(level, user);
    if (!FileExists(path))
        return false;
    const std::string_view ids[] = {id};
    // Nothing to write when nothing is removed: the file is looked through first.
    if (!PassWithoutRecords(
            path, level, ids, [](std::string_view) {}, [] {}))
        return false;
    if (remove) {
        TAtomicFile file(path);
        PassWithoutRecords(
            path, level, ids, [&](std::string_view bytes) { file.Write(bytes.data(), bytes.size()); },
            [&] { file.Truncate(); });
        file.Commit();
    }
    return true;
}

namespace {

// What the files of a save held before it, so that a save failing part-way (a full disk) can put
// them back: a file it created goes again, one it replaced gets its old bytes. The list of changed
// user databases is part of it.
class TSaveUndo {
public:
    void Keep(const std::string& path) {
        TKept kept{path, FileExists(path), {}};
        if (kept.Existed)
            kept.Bytes = ReadFileBytes(path);
        Files.push_back(std::move(kept));
    }
    // Best effort: the failure already under way is the one to report.
    void Restore() noexcept {
        ModifiedFiles = FModified;
        for (auto it = Files.rbegin(); it != Files.rend(); ++it) {
            try {
                if (!it->Existed)
                    DeleteFile(it->Path);
                else if (!FileExists(it->Path) || ReadFileBytes(it->Path) != it->Bytes)
                    WriteTextFileAtomic(it->Path, it->Bytes);
            } catch (...) {
            }
        }
    }

private:
    struct TKept {
        std::string Path;
        bool Existed;
        std::string Bytes;
    };
    std::vector<TKept> Files;
    TModifiedFileList FModified = ModifiedFiles;
};

void CheckSavable(const TTaxonomyDetail& edited) {
    if (!ValidLevel(edited.Level))
        throw EOrvError("Cannot save a record of level " + std::to_string(edited.Level));
    // Nothing could find or remove a record without an id again.
    if (edited.Id.empty())
        throw EOrvError("Cannot save a record without an id");
}

// Every file written before the last write of the save is kept in `undo` first; the last one
// needs nothing, as its write is atomic.
void SaveDetailInto(const TTaxonomyDetail& edited, const TTaxonomyDetail& current, bool user,
                    TSaveUndo& undo) {
    const std::string path = DetailFile(edited.Level, user);
    // One read and one atomic write: the file never holds a half-done save, and a file that was
    // not there is only made by a write that succeeded.
    std::vector<std::string_view> ids = {edited.Id};
    if (current.Level == edited.Level) {
        if (current.Id != edited.Id) // the file is searched once for each id
            ids.push_back(current.Id);
    } else if (ValidLevel(current.Level) && !current.Id.empty()) {
        undo.Keep(DetailFile(current.Level, user));
        DeleteRecord(current.Id, current.Level, user, true);
    }
    // The record goes at the end, with its species for a genus.
    std::string tail = RecordToLine(edited) + "\r\n";
    if (edited.Level == GenusLevel && edited.Genus.Species)
        for (const auto& s : *edited.Genus.Species)
            tail.append(s).append("\r\n");
    // A user database is small, and more is written after it.
    if (user)
        undo.Keep(path);
    // Made when the first bytes are there: a file that cannot be read is reported as such.
    std::optional<TAtomicFile> file;
    auto keep = [&](std::string_view bytes) {
        if (!file)
            file.emplace(path);
        file->Write(bytes.data(), bytes.size());
    };
    PassWithoutRecords(path, edited.Level, ids, keep, [&] {
        if (file)
            file->Truncate();
    });
    keep(tail);
    file->Commit();
    if (user && !ModifiedFiles.Contains(path)) {
        undo.Keep(AppFile(ModifiedFilesFileName));
        ModifiedFiles.Add(path);
        SaveModifiedFiles();
    }
}

} // namespace

void SaveDetail(const TTaxonomyDetail& edited, const TTaxonomyDetail& current, bool user) {
    CheckSavable(edited);
    TSaveUndo undo;
    try {
        SaveDetailInto(edited, current, user, undo);
    } catch (...) {
        undo.Restore();
        throw;
    }
}

void SaveEditedRecord(const TTaxonomyDetail& edited, const TTaxonomyDetail& current) {
    CheckSavable(edited);
    TSaveUndo undo;
    try {
        SaveDetailInto(edited, current, true, undo);
        SaveDetailInto(edited, current, false, undo);
    } catch (...) {
        undo.Restore();
        throw;
    }
}
