#include "UndoJournal.h"

#include "Constants.h"
#include "Global.h"
#include "Platform.h"
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace UndoJournal {

TFingerprint FingerprintOf(std::string_view bytes) {
    return {bytes.size(), static_cast<uint64_t>(std::hash<std::string_view>{}(bytes))};
}

void Put(std::string& out, std::string_view key, std::string_view value) {
    PutEntry(out, key, value);
}
void Put(std::string& out, std::string_view key, uint64_t value) {
    PutEntry(out, key, value);
}

// A name a journal may give: a plain file of the program folder, nothing above or beside it.
bool PlainName(std::string_view name) {
    return !name.empty() && name.front() != '.' &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// The number of a journal's file name ("00000012.journal"), 0 for any other name.
uint64_t JournalNumber(std::string_view name) {
    if (name.size() != 8 + JournalSuffix.size() || !name.ends_with(JournalSuffix))
        return 0;
    uint64_t n = 0;
    for (char c : name.substr(0, 8)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

TJournal ParseJournal(std::string_view text, std::string_view journalName) {
    const std::string_view stem = journalName.substr(0, journalName.find('.'));
    TJournalReader reader(text);
    TJournal journal;
    if (reader.AtEnd() ||
        reader.Next() != std::pair<std::string_view, std::string_view>("journal", JournalHead))
        TJournalReader::Bad();
    bool complete = false;
    while (!reader.AtEnd()) {
        const auto [key, value] = reader.Next();
        if (key == "name") {
            journal.Name = value;
        } else if (key == "tree-modified") {
            journal.TreeModified = value == "1";
        } else if (key == "rows") {
            journal.Rows = TJournalReader::Numbers(value);
        } else if (key == "above") {
            journal.Above.emplace_back(value);
        } else if (key == "node") {
            journal.Branch.push_back(ParseBranchNode(value));
        } else if (key == "file") {
            if (!PlainName(value))
                TJournalReader::Bad();
            journal.Files.emplace_back().Name = value;
        } else if (key == "end") {
            complete = true;
        } else if (journal.Files.empty()) {
            TJournalReader::Bad();
        } else {
            TJournalFile& file = journal.Files.back();
            if (key == "link") {
                // Only a copy this journal kept in its own folder.
                if (!PlainName(value) || !value.starts_with(std::string(stem) + "."))
                    TJournalReader::Bad();
                file.Link = value;
            } else if (key == "before-size")
                file.Before.Size = TJournalReader::Number(value);
            else if (key == "before-hash")
                file.Before.Hash = TJournalReader::Number(value);
            else if (key == "after-size")
                file.After.Size = TJournalReader::Number(value);
            else if (key == "after-hash")
                file.After.Hash = TJournalReader::Number(value);
            else if (key == "removed")
                file.Removed.emplace_back().Bytes = value;
            else if (key == "next-line" && !file.Removed.empty()) {
                file.Removed.back().NextLine = value;
                file.Removed.back().AtEnd = false;
            } else
                TJournalReader::Bad();
        }
    }
    // A branch the tree would not take could never go back.
    if (!complete || journal.Rows.empty() || journal.Rows.size() != journal.Above.size() + 1 ||
        !TTaxonomyTree::IsBranch(journal.Branch) ||
        std::any_of(journal.Files.begin(), journal.Files.end(),
                    [](const TJournalFile& f) { return f.Link.empty(); }))
        TJournalReader::Bad();
    return journal;
}

// The text with each run of lost lines put back before the line that followed it, or at the end.
std::string WithLinesBack(std::string_view text, const std::vector<TRemovedLines>& removed) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    std::vector<std::string> before(lines.size() + 1);
    for (const TRemovedLines& run : removed) {
        size_t at = lines.size();
        if (!run.AtEnd) {
            // The line at the same place as before if it is still there, else the first like it,
            // else the record of the same id (a record's first line starts with its id).
            const std::string_view next = run.NextLine;
            const std::string_view id = next.substr(0, next.find('#'));
            auto sameRecord = [&](std::string_view line) {
                return !id.empty() && id.front() != '\t' && line.substr(0, line.find('#')) == id;
            };
            if (run.Before < lines.size() && lines[run.Before] == next)
                at = run.Before;
            else if (auto it = std::find(lines.begin(), lines.end(), next); it != lines.end())
                at = static_cast<size_t>(it - lines.begin());
            else
                at =
                    static_cast<size_t>(std::find_if(lines.begin(), lines.end(), sameRecord) - lines.begin());
        }
        before[at] += run.Bytes;
    }
    std::string out;
    out.reserve(text.size() + 2 * lines.size());
    for (size_t i = 0; i <= lines.size(); ++i) {
        out += before[i];
        if (i < lines.size())
            out.append(lines[i]).append("\r\n");
    }
    return out;
}

std::string ProgramRelative(const std::string& path) {
    const std::string folder = AppFile("");
    return path.rfind(folder, 0) == 0 ? path.substr(folder.size()) : path;
}

// The note of an undo under way: for each file, the fingerprint of what it is being given, so
// that an undo cut short by a crash never puts the same lines in twice.
std::string DoneNoteOf(const std::string& folder, const std::string& journal) {
    return folder + journal.substr(0, journal.size() - JournalSuffix.size()) + ".done";
}
std::vector<std::pair<std::string, TFingerprint>> ReadDoneNote(const std::string& path) {
    std::vector<std::pair<std::string, TFingerprint>> done;
    try {
        const std::string text = ReadRegularFile(path, JournalMaxBytes);
        TJournalReader reader(text);
        while (!reader.AtEnd()) {
            const auto [name, value] = reader.Next();
            const std::vector<size_t> numbers = TJournalReader::Numbers(value);
            if (numbers.size() == 2)
                done.emplace_back(std::string(name), TFingerprint{numbers[0], numbers[1]});
        }
    } catch (const EOrvError&) {
        // None, or torn before it was complete: then no file was written yet.
    }
    return done;
}

} // namespace UndoJournal
