// Saving a record and removing records rewrite a database by copying the untouched bytes in
// blocks. Here both are checked against the plain way, which splits the whole file into lines,
// drops the record's lines, appends the new ones and joins them again: the bytes must be the same
// for every file, however its lines end, and for every id, however it occurs.

#include "Constants.h"
#include "Detail.h"
#include "TempFolder.h"

#include <fstream>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

// The lines way of removing the records with `id`.
void RemoveByLines(TStringList& lines, int level, const std::string& id) {
    for (size_t i = 0; !id.empty() && i < lines.size();) {
        if (lines[i].substr(0, lines[i].find('#')) != id) {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (level == GenusLevel && end < lines.size() && (lines[end].empty() || lines[end][0] == '\t'))
            ++end;
        lines.erase(lines.begin() + static_cast<long>(i), lines.begin() + static_cast<long>(end));
    }
}

using TFile = std::optional<std::string>; // none: the file is missing

struct TCase {
    int Level;
    TFile Database;      // of the edited record's level
    TFile OtherDatabase; // of the other level (2 or 5)
    std::string EditedId, CurrentId;
    bool CurrentOnOtherLevel;
    TStringList Species;
};

int OtherLevel(int level) {
    return level == GenusLevel ? 2 : GenusLevel;
}

// A file of record lines, species lines, empty lines and lines that only look like records, with
// every kind of line end, a missing last one and a byte-order mark.
TFile RandomFile(std::mt19937& rng) {
    auto pick = [&](auto... items) {
        const std::array<std::string, sizeof...(items)> all{items...};
        return all[rng() % all.size()];
    };
    if (rng() % 12 == 0)
        return std::nullopt;
    std::string text = rng() % 8 == 0 ? "\xEF\xBB\xBF" : "";
    const std::string ends = pick("\r\n", "\r\n", "\r\n", "\n", "\r", "mixed");
    const int lines = static_cast<int>(rng() % 9);
    for (int i = 0; i < lines; ++i) {
        text += pick("g1#One#m#d", "g2#Two#m", "g10#Ten#m", "g1", "g1 #Space", "xg1#In#g1", "\t#s#g1", "\t#t",
                     "\tg1#Tabbed", "", "#empty id", "g#1#Hash", "g2#Again#x");
        if (i + 1 < lines || rng() % 3 != 0)
            text += ends == "mixed" ? pick("\r\n", "\n", "\r") : ends;
    }
    return text;
}

TCase RandomCase(std::mt19937& rng) {
    const std::array<std::string, 8> ids{"g1", "g2", "g10", "new", "\tg1", "g#1", "g1\r", ""};
    TCase c;
    c.Level = rng() % 2 ? GenusLevel : 2;
    c.Database = RandomFile(rng);
    c.OtherDatabase = RandomFile(rng);
    c.EditedId = ids[rng() % (ids.size() - 1)]; // a saved record always has an id
    c.CurrentId = ids[rng() % ids.size()];
    c.CurrentOnOtherLevel = rng() % 4 == 0;
    for (unsigned n = rng() % 3; n > 0; --n)
        c.Species.push_back("\t#sp" + std::to_string(n) + "#m#d");
    return c;
}

void WriteOrRemove(const std::string& path, const TFile& file) {
    if (file)
        std::ofstream(path, std::ios::binary | std::ios::trunc) << *file;
    else
        unlink(path.c_str());
}

TFile ReadIfThere(const std::string& path) {
    return FileExists(path) ? TFile(ReadFileBytes(path)) : std::nullopt;
}

std::string Shown(const TFile& file) {
    return file ? testing::PrintToString(*file) : "(missing)";
}

} // namespace

TEST_F(TStoreTest, SaveAndRemoveWriteTheBytesOfTheLinesWay) {
    AtomicFileSync = [](int) { return 0; }; // thousands of writes; their safety is tested elsewhere
    std::mt19937 rng(20240607);
    for (int round = 0; round < 400; ++round) {
        const TCase c = RandomCase(rng);
        TTaxonomyDetail edited, current;
        edited.Level = c.Level;
        edited.Id = c.EditedId;
        edited.Name = "Saved";
        edited.Description = "a\nb";
        *edited.Genus.Species = c.Species;
        current.Level = c.CurrentOnOtherLevel ? OtherLevel(c.Level) : c.Level;
        current.Id = c.CurrentId;

        // The lines way.
        TStringList lines = c.Database ? SplitLines(*c.Database) : TStringList{};
        RemoveByLines(lines, c.Level, c.EditedId);
        TFile other = c.OtherDatabase;
        if (!c.CurrentOnOtherLevel) {
            RemoveByLines(lines, c.Level, c.CurrentId);
        } else if (other) {
            TStringList otherLines = SplitLines(*other);
            const size_t before = otherLines.size();
            RemoveByLines(otherLines, current.Level, c.CurrentId);
            if (otherLines.size() != before)
                other = JoinLinesCRLF(otherLines);
        }
        lines.push_back(RecordToLine(edited));
        if (c.Level == GenusLevel)
            lines.insert(lines.end(), c.Species.begin(), c.Species.end());
        const std::string expected = JoinLinesCRLF(lines);

        const std::string path = DetailFile(c.Level, false);
        const std::string otherPath = DetailFile(OtherLevel(c.Level), false);
        WriteOrRemove(path, c.Database);
        WriteOrRemove(otherPath, c.OtherDatabase);
        SaveDetail(edited, current, false);
        SCOPED_TRACE("round " + std::to_string(round) + ": level " + std::to_string(c.Level) + ", file " +
                     Shown(c.Database) + ", other " + Shown(c.OtherDatabase) + ", ids " +
                     testing::PrintToString(c.EditedId) + " " + testing::PrintToString(c.CurrentId));
        EXPECT_EQ(Shown(ReadIfThere(path)), Shown(expected));
        EXPECT_EQ(Shown(ReadIfThere(otherPath)), Shown(other));

        // Finding and removing alone, on the file as it was.
        TStringList removed = c.Database ? SplitLines(*c.Database) : TStringList{};
        RemoveByLines(removed, c.Level, c.CurrentId);
        const bool found = c.Database && removed.size() != SplitLines(*c.Database).size();
        WriteOrRemove(path, c.Database);
        EXPECT_EQ(DeleteRecord(c.CurrentId, c.Level, false, false), found);
        EXPECT_EQ(Shown(ReadIfThere(path)), Shown(c.Database));
        EXPECT_EQ(DeleteRecord(c.CurrentId, c.Level, false, true), found);
        EXPECT_EQ(Shown(ReadIfThere(path)), Shown(found ? TFile(JoinLinesCRLF(removed)) : c.Database));
        if (HasFailure())
            break;
    }
    AtomicFileSync = fsync;
}
