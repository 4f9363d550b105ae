#include "Merge.h"

#include "Constants.h"
#include "Detail.h"
#include "Fields.h"
#include "Format.h"
#include "Global.h"
#include "Platform.h"
#include "TextFiles.h"

#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

std::string_view FirstField(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

bool IsSpeciesLine(std::string_view line) {
    return !line.empty() && line[0] == '\t';
}

// A record of the database as it was read: its first line and how many lines belong to it.
struct TSpan {
    size_t First;
    size_t Count;
};

} // namespace

TMergeResult MergeUserDatabase(int level, bool replace) {
    TMergeResult result;
    const char* levelName = level >= 0 && level <= GenusLevel ? LevelNames[static_cast<size_t>(level)] : "";
    SetStatus(Format("Merging user %s(s)...", {levelName}));
    const std::string userFile = DetailFile(level, true);
    if (level >= 0 && level <= GenusLevel && FileExists(userFile)) {
        const std::string dbFile = DetailFile(level, false);
        TStringList db;
        if (FileExists(dbFile))
            db = ReadLines(dbFile);
        const TStringList user = ReadLines(userFile);
        const bool genus = level == GenusLevel;

        // Index the database's records by id. A genus record owns the empty and species lines
        // after it, as removing a record takes them along.
        std::vector<TSpan> spans;
        std::unordered_map<std::string_view, std::vector<size_t>> byId;
        for (size_t i = 0; i < db.size();) {
            size_t count = 1;
            if (genus)
                while (i + count < db.size() && (db[i + count].empty() || IsSpeciesLine(db[i + count])))
                    ++count;
            byId[FirstField(db[i])].push_back(spans.size());
            spans.push_back({i, count});
            i += count;
        }
        std::vector<bool> removed(spans.size(), false);

        TStringList appended;
        for (size_t u = 0; u < user.size();) {
            if (user[u].empty() || IsSpeciesLine(user[u])) {
                ++u; // lines without a record line before them belong to nothing
                continue;
            }
            size_t count = 1;
            if (genus)
                while (u + count < user.size() && !user[u + count].empty() && IsSpeciesLine(user[u + count]))
                    ++count;
            const std::string_view id = FirstField(user[u]);
            if (id.empty()) {
                u += count; // a record without an id: nothing could find or remove it in the database
                continue;
            }
            bool found = false;
            auto hit = byId.find(id);
            if (hit != byId.end())
                for (size_t s : hit->second)
                    found = found || !removed[s];
            if (found && replace) {
                for (size_t s : hit->second)
                    removed[s] = true;
                ++result.Replaced;
            }
            std::array<std::string_view, 2> fields{};
            SplitFieldViews(user[u], fields, 1);
            result.Records.push_back({!found    ? TMergeOutcome::Added
                                      : replace ? TMergeOutcome::Replaced
                                                : TMergeOutcome::Skipped,
                                      std::string(id), std::string(fields[1])});
            if (replace || !found) {
                appended.insert(appended.end(), user.begin() + static_cast<std::ptrdiff_t>(u),
                                user.begin() + static_cast<std::ptrdiff_t>(u + count));
                ++result.Merged;
            }
            u += count;
        }

        TStringList out;
        out.reserve(db.size() + appended.size());
        for (size_t s = 0; s < spans.size(); ++s)
            if (!removed[s])
                for (size_t k = 0; k < spans[s].Count; ++k)
                    out.push_back(std::move(db[spans[s].First + k]));
        for (std::string& line : appended)
            out.push_back(std::move(line));
        WriteLines(dbFile, out);
    }
    SetStatus("Ready");
    return result;
}

int CountRecords(int level) {
    const std::string file = DetailFile(level, false);
    if (!FileExists(file))
        return 0;
    int count = 0;
    ForEachLine(ReadFileBytes(file), [&](std::string_view line) {
        if (!line.empty())
            ++count;
    });
    return count;
}

void CountGenusAndSpecies(int& genera, int& species) {
    genera = species = 0;
    const std::string file = DetailFile(GenusLevel, false);
    if (!FileExists(file))
        return;
    ForEachLine(ReadFileBytes(file), [&](std::string_view line) {
        if (line.empty())
            return;
        if (line[0] == '\t')
            ++species;
        else
            ++genera;
    });
}

std::string StatisticReport(const std::string& dateText) {
    int counts[7] = {};
    for (int level = 0; level < GenusLevel; ++level)
        counts[level] = CountRecords(level);
    CountGenusAndSpecies(counts[5], counts[6]);
    std::string report =
        Format("Your Taxonomy tree was last updated in %s.\nYour database files contain:\n\n", {dateText});
    for (int i = 0; i <= SpeciesLevel; ++i) {
        report += Format("\t%d %s(s)", {counts[i], LevelNames[static_cast<size_t>(i)]});
        if (i < SpeciesLevel)
            report += "\n";
    }
    return report;
}
