#include "SubmitPreview.h"

#include "Constants.h"
#include "DatabaseRecords.h"
#include "Detail.h"
#include "Fields.h"
#include "GenusPictures.h"
#include "Platform.h"

#include <array>
#include <span>
#include <unordered_map>

namespace {
// The fields of a record line as the user sees them; the id is what pairs two records up.
constexpr std::array<const char*, 12> FieldNames = {"Id",
                                                    "Name",
                                                    "Meaning",
                                                    "Description",
                                                    "Korvel type",
                                                    "Common name",
                                                    "Picture",
                                                    "Picture copyright",
                                                    "Picture copyright address",
                                                    "Picture owner",
                                                    "Picture owner address",
                                                    "Keywords"};
constexpr size_t DescriptionField = 3;

// Fields 0..last of a line; those the line does not supply are empty.
template <size_t N> std::array<std::string_view, N> FieldsOf(std::string_view line) {
    std::array<std::string_view, N> fields{};
    SplitFieldViews(line, fields, static_cast<int>(N) - 1);
    return fields;
}

std::string SpeciesText(std::string_view meaning, std::string_view description) {
    std::string text(meaning);
    if (!description.empty()) {
        text += '\n';
        text += FieldToLines(description);
    }
    return text;
}

// Species are paired by name, each one before at most once (the first of a name not yet paired);
// those after come in their order, then the ones before that are gone. Names are found through a
// hash, so a genus of many species costs no more than many genera.
void CompareSpecies(std::span<const std::string_view> before, std::span<const std::string_view> after,
                    std::vector<TFieldChange>& changes) {
    constexpr size_t None = static_cast<size_t>(-1);
    std::vector<size_t> nextSame(before.size(), None);
    struct TName {
        size_t Next = None; // the first one of the name not yet paired
        size_t Last = None;
    };
    std::unordered_map<std::string_view, TName> names;
    names.reserve(before.size());
    for (size_t k = 0; k < before.size(); ++k) {
        TName& name = names[FieldsOf<3>(before[k])[1]];
        if (name.Last == None)
            name.Next = k;
        else
            nextSame[name.Last] = k;
        name.Last = k;
    }
    std::vector<bool> paired(before.size(), false);
    for (std::string_view line : after) {
        const auto a = FieldsOf<4>(line);
        size_t match = None;
        if (const auto it = names.find(a[1]); it != names.end() && it->second.Next != None) {
            match = it->second.Next;
            it->second.Next = nextSame[match];
        }
        const std::string text = SpeciesText(a[2], a[3]);
        if (match == None) {
            changes.push_back({"Species " + std::string(a[1]), "", text, TFieldChangeKind::Added});
            continue;
        }
        paired[match] = true;
        const auto b = FieldsOf<4>(before[match]);
        if (b[2] != a[2] || b[3] != a[3])
            changes.push_back(
                {"Species " + std::string(a[1]), SpeciesText(b[2], b[3]), text, TFieldChangeKind::Changed});
    }
    for (size_t k = 0; k < before.size(); ++k)
        if (!paired[k]) {
            const auto b = FieldsOf<4>(before[k]);
            changes.push_back(
                {"Species " + std::string(b[1]), SpeciesText(b[2], b[3]), "", TFieldChangeKind::Removed});
        }
}

std::string Shown(size_t field, std::string_view value) {
    return field == DescriptionField ? FieldToLines(value) : std::string(value);
}

size_t CountLines(const std::string& path) {
    size_t count = 0;
    ForEachLine(ReadFileBytes(path), [&](std::string_view) { ++count; });
    return count;
}
} // namespace

void CompareRecordFields(int level, std::string_view before, std::string_view after,
                         std::span<const std::string_view> speciesBefore,
                         std::span<const std::string_view> speciesAfter, std::vector<TFieldChange>& changes) {
    const bool genus = level == GenusLevel;
    const size_t fieldCount = genus ? FieldNames.size() : 4;
    const auto b = FieldsOf<12>(before);
    const auto a = FieldsOf<12>(after);
    for (size_t f = 1; f < fieldCount; ++f)
        if (b[f] != a[f])
            changes.push_back({FieldNames[f], Shown(f, b[f]), Shown(f, a[f]), TFieldChangeKind::Changed});
    if (genus)
        CompareSpecies(speciesBefore, speciesAfter, changes);
}

int TFilePreview::Count(TRecordState state) const {
    int count = 0;
    for (const TRecordPreview& record : Records)
        count += record.State == state;
    return count;
}

int UserFileLevel(const std::string& path) {
    const std::string name = ExtractFileName(path);
    for (size_t entry = 0; entry < UserLevelFiles.size(); ++entry)
        if (name == UserLevelFiles[entry])
            return static_cast<int>(entry) - 1;
    return -2;
}

TFilePreview PreviewUserDatabase(const std::string& path, int level) {
    TFilePreview preview;
    preview.Path = path;
    preview.Level = level;
    const TDatabaseRecords mine(path, level);
    if (!mine.Exists()) {
        preview.Missing = true;
        return preview;
    }
    preview.LineCount = CountLines(path);
    const TDatabaseRecords local(DetailFile(level, false), level);
    preview.NoLocal = !local.Exists();
    for (const TDatabaseRecords::TRecord& record : mine.Records()) {
        const auto m = FieldsOf<12>(record.Line);
        TRecordPreview row;
        row.Id = m[0];
        row.Name = m[1];
        const TDatabaseRecords::TRecord* before = local.Find(m[0]);
        if (!before) {
            row.State = TRecordState::Added;
            preview.Records.push_back(std::move(row));
            continue;
        }
        CompareRecordFields(level, before->Line, record.Line, local.Species(*before), mine.Species(record),
                            row.Changes);
        row.State = row.Changes.empty() ? TRecordState::Unchanged : TRecordState::Changed;
        preview.Records.push_back(std::move(row));
    }
    if (level == GenusLevel)
        for (std::string& picture : GenusPictureNames(path))
            (FileExists(AppFile(std::string(ImagesFolderName) + picture)) ? preview.Pictures
                                                                          : preview.MissingPictures)
                .push_back(std::move(picture));
    return preview;
}

std::vector<TFilePreview> PreviewSubmission(const TStringList& files) {
    std::vector<TFilePreview> previews;
    for (const std::string& path : files) {
        const int level = UserFileLevel(path);
        if (level >= 0) {
            previews.push_back(PreviewUserDatabase(path, level));
            continue;
        }
        TFilePreview preview;
        preview.Path = path;
        preview.Level = level;
        preview.Missing = !FileExists(path);
        if (!preview.Missing) {
            // The tree file is small and says where the new branches go; others are counted only.
            if (level == -1)
                preview.Lines = ReadLines(path);
            preview.LineCount = level == -1 ? preview.Lines.size() : CountLines(path);
        }
        previews.push_back(std::move(preview));
    }
    return previews;
}
