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
    TStringList kept;
    for (size_t i = 0; i < lines.size();) {
        if (id.empty() || lines[i].substr(0, lines[i].find('#')) != id) {
            kept.push_back(std::move(lines[i++]));
            continue;
        }
        ++i;
        while (level == GenusLevel && i < lines.size() && (lines[i].empty() || lines[i][0] == '\t'))
            ++i;
    }
    lines = std::move(kept);
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
// every kind of line end, a missing last one and a byte-order mark. A large one is read in many
// blocks, and may have lines longer than a block.
TFile RandomFile(std::mt19937& rng, bool large) {
    auto pick = [&](auto... items) {
        const std::array<std::string, sizeof...(items)> all{items...};
        return all[rng() % all.size()];
    };
    if (large) {
        // Most records go, so that blocks end inside them and inside their species lines.
        std::string text;
        while (text.size() < 600000) {
            text += pick("g1", "g2", "g3", "h1") + "#Name#m#d\r\n";
            for (unsigned n = rng() % 7; n > 0; --n)
                text += pick("\t#sp#m#d", "\t#a species with a longer description#m#d", "") + "\r\n";
            if (rng() % 2000 == 0)
                text += pick("g1#", "\t#") + std::string(300000, 'x') + "\r\n";
        }
        if (rng() % 4 == 0)
            text.insert(text.size() - 1 - rng() % 1000, "\n"); // a lone LF late in the file
        return text;
    }
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

TCase RandomCase(std::mt19937& rng, bool large) {
    const std::array<std::string, 8> ids{"g1", "g2", "g10", "new", "\tg1", "g#1", "g1\r", ""};
    TCase c;
    c.Level = large || rng() % 2 ? GenusLevel : 2;
    c.Database = RandomFile(rng, large);
    c.OtherDatabase = RandomFile(rng, large);
    c.EditedId = ids[rng() % (large ? 2 : ids.size() - 1)]; // a saved record always has an id
    c.CurrentId = ids[rng() % (large ? 2 : ids.size())];
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
    if (!file)
        return "(missing)";
    return file->size() < 1000 ? testing::PrintToString(*file) : std::to_string(file->size()) + " bytes";
}

} // namespace

TEST_F(TStoreTest, SaveAndRemoveWriteTheBytesOfTheLinesWay) {
    AtomicFileSync = [](int) { return 0; }; // thousands of writes; their safety is tested elsewhere
    std::mt19937 rng(20240607);
    for (int round = 0; round < 420; ++round) {
        const TCase c = RandomCase(rng, round >= 400);
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
        EXPECT_EQ(ReadIfThere(path), expected);
        EXPECT_EQ(ReadIfThere(otherPath), other);

        // Finding and removing alone, on the file as it was.
        TStringList removed = c.Database ? SplitLines(*c.Database) : TStringList{};
        RemoveByLines(removed, c.Level, c.CurrentId);
        const bool found = c.Database && removed.size() != SplitLines(*c.Database).size();
        WriteOrRemove(path, c.Database);
        EXPECT_EQ(DeleteRecord(c.CurrentId, c.Level, false, false), found);
        EXPECT_EQ(ReadIfThere(path), c.Database);
        EXPECT_EQ(DeleteRecord(c.CurrentId, c.Level, false, true), found);
        EXPECT_EQ(ReadIfThere(path), found ? TFile(JoinLinesCRLF(removed)) : c.Database);
        if (HasFailure())
            break;
    }
    AtomicFileSync = fsync;
}
