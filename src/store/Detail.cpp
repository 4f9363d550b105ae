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
#include <initializer_list>
#include <optional>
#include <vector>

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

// A database read to be rewritten, in the form its lines are written back in: every line ending
// with CR LF, no byte-order mark. A file that has that form already (every file this program
// wrote) is used as read; another gets a copy with its line ends made CR LF. A missing file is
// empty.
class TDatabaseText {
public:
    explicit TDatabaseText(const std::string& path) {
        if (!FileExists(path))
            return;
        FFile.emplace(path);
        FText = WithoutByteOrderMark(FFile->Text());
        if (!EveryLineEndsCrLf(FText)) {
            FCopy = WithCrLfLineEnds(FText);
            FText = FCopy;
        }
    }
    std::string_view Text() const { return FText; }

private:
    std::optional<TWholeFile> FFile;
    std::string FCopy;
    std::string_view FText;
};

struct TByteRange {
    size_t Begin;
    size_t End;
};

// The byte ranges of the records with one of `ids` in `text` (every line ending with CR LF), in
// file order and apart: each line whose first field is the id, for a genus with the empty and
// species lines after it, as RemoveRecordLines takes them.
std::vector<TByteRange> RecordRanges(std::string_view text, int level,
                                     std::initializer_list<std::string_view> ids) {
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
        for (size_t from = 0;;) {
            const void* hit = memmem(data + from, text.size() - from, needle.data(), needle.size());
            if (!hit)
                break;
            from = static_cast<size_t>(static_cast<const char*>(hit) - data) + 1;
            if (isRecord(from))
                starts.push_back(from);
        }
    }
    std::sort(starts.begin(), starts.end());
    auto nextLine = [&](size_t at) {
        const void* lf = std::memchr(data + at, '\n', text.size() - at);
        return static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
    };
    std::vector<TByteRange> ranges;
    for (const size_t begin : starts) {
        // A line already taken along with a genus record before it.
        if (!ranges.empty() && begin < ranges.back().End)
            continue;
        size_t end = nextLine(begin);
        if (level == GenusLevel)
            while (end < text.size() && (data[end] == '\t' || data[end] == '\r'))
                end = nextLine(end);
        ranges.push_back({begin, end});
    }
    return ranges;
}

// Replaces the file at `path` by `text` without `ranges`, followed by `tail`, in one atomic write:
// the bytes between the ranges go out in blocks as they are.
void WriteWithout(const std::string& path, std::string_view text, const std::vector<TByteRange>& ranges,
                  std::string_view tail) {
    TAtomicFile file(path);
    size_t from = 0;
    for (const TByteRange& range : ranges) {
        file.Write(text.data() + from, range.Begin - from);
        from = range.End;
    }
    file.Write(text.data() + from, text.size() - from);
    file.Write(tail.data(), tail.size());
    file.Commit();
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
    const TDatabaseText database(path);
    const std::vector<TByteRange> ranges = RecordRanges(database.Text(), level, {id});
    // Nothing to write when nothing was removed.
    if (!ranges.empty() && remove)
        WriteWithout(path, database.Text(), ranges, {});
    return !ranges.empty();
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
        ModifiedFiles = Modified;
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
    TModifiedFileList Modified = ModifiedFiles;
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
    const TDatabaseText database(path);
    std::vector<TByteRange> ranges;
    if (current.Level == edited.Level) {
        ranges = RecordRanges(database.Text(), edited.Level, {edited.Id, current.Id});
    } else {
        ranges = RecordRanges(database.Text(), edited.Level, {edited.Id});
        if (ValidLevel(current.Level) && !current.Id.empty()) {
            undo.Keep(DetailFile(current.Level, user));
            DeleteRecord(current.Id, current.Level, user, true);
        }
    }
    // The record goes at the end, with its species for a genus.
    std::string tail = RecordToLine(edited) + "\r\n";
    if (edited.Level == GenusLevel && edited.Genus.Species)
        for (const auto& s : *edited.Genus.Species)
            tail.append(s).append("\r\n");
    // A user database is small, and more is written after it.
    if (user)
        undo.Keep(path);
    WriteWithout(path, database.Text(), ranges, tail);
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
