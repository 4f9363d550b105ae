#include "Detail.h"

#include "Constants.h"
#include "DetailCache.h"
#include "Errors.h"
#include "Fields.h"
#include "Global.h"
#include "Platform.h"

#include <array>
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
    TStringList lines = ReadLines(path);
    const bool found = RemoveRecordLines(lines, level, id, remove);
    // Nothing to write when nothing was removed.
    if (found && remove)
        WriteLines(path, lines);
    return found;
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
void SaveDetailInto(const TTaxonomyDetail& edited, const TTaxonomyDetail& current, bool user, TSaveUndo& undo) {
    const std::string path = DetailFile(edited.Level, user);
    // One read and one atomic write: the file never holds a half-done save, and a file that was
    // not there is only made by a write that succeeded.
    TStringList lines;
    if (FileExists(path))
        lines = ReadLines(path);
    RemoveRecordLines(lines, edited.Level, edited.Id, true);
    if (current.Level == edited.Level) {
        RemoveRecordLines(lines, edited.Level, current.Id, true);
    } else if (ValidLevel(current.Level) && !current.Id.empty()) {
        undo.Keep(DetailFile(current.Level, user));
        DeleteRecord(current.Id, current.Level, user, true);
    }
    lines.push_back(RecordToLine(edited));
    if (edited.Level == GenusLevel && edited.Genus.Species)
        for (const auto& s : *edited.Genus.Species)
            lines.push_back(s);
    // A user database is small, and more is written after it.
    if (user)
        undo.Keep(path);
    WriteLines(path, lines);
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
