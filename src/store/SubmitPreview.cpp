#include "SubmitPreview.h"

#include "Constants.h"
#include "DatabaseRecords.h"
#include "Detail.h"
#include "Fields.h"
#include "GenusPictures.h"
#include "Platform.h"

#include <array>
#include <span>

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
    if (!description.empty())
        text += "\n" + FieldToLines(description);
    return text;
}

// Species are paired by name, each local one at most once; the user's species come in their order,
// then the local ones the user record no longer has.
void CompareSpecies(std::span<const std::string_view> mine, std::span<const std::string_view> local,
                    std::vector<TFieldChange>& changes) {
    std::vector<bool> paired(local.size(), false);
    for (std::string_view line : mine) {
        const auto m = FieldsOf<4>(line);
        size_t match = local.size();
        for (size_t k = 0; k < local.size() && match == local.size(); ++k)
            if (!paired[k] && FieldsOf<4>(local[k])[1] == m[1])
                match = k;
        const std::string after = SpeciesText(m[2], m[3]);
        if (match == local.size()) {
            changes.push_back({"Species " + std::string(m[1]), "", after});
            continue;
        }
        paired[match] = true;
        const auto l = FieldsOf<4>(local[match]);
        if (l[2] != m[2] || l[3] != m[3])
            changes.push_back({"Species " + std::string(m[1]), SpeciesText(l[2], l[3]), after});
    }
    for (size_t k = 0; k < local.size(); ++k)
        if (!paired[k]) {
            const auto l = FieldsOf<4>(local[k]);
            changes.push_back({"Species " + std::string(l[1]), SpeciesText(l[2], l[3]), ""});
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
    const bool genus = level == GenusLevel;
    const size_t fieldCount = genus ? 12 : 4;
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
        const auto l = FieldsOf<12>(before->Line);
        for (size_t f = 1; f < fieldCount; ++f)
            if (l[f] != m[f])
                row.Changes.push_back({FieldNames[f], Shown(f, l[f]), Shown(f, m[f])});
        if (genus)
            CompareSpecies(mine.Species(record), local.Species(*before), row.Changes);
        row.State = row.Changes.empty() ? TRecordState::Unchanged : TRecordState::Changed;
        preview.Records.push_back(std::move(row));
    }
    if (genus)
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
