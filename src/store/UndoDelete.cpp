#include "UndoDelete.h"

#include "Global.h"
#include "Platform.h"
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace {

constexpr std::string_view JournalSuffix = ".journal";
constexpr std::string_view JournalHead = "undo-delete 1";

// The size and a hash of a file's bytes: enough to tell which of two known states it is in.
struct TFingerprint {
    uint64_t Size = 0;
    uint64_t Hash = 0;
    bool operator==(const TFingerprint&) const = default;
};
TFingerprint FingerprintOf(std::string_view bytes) {
    return {bytes.size(), static_cast<uint64_t>(std::hash<std::string_view>{}(bytes))};
}

// The journal's form: entries "key size\n" + value + "\n", so that any bytes fit in a value.
void Put(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append(" ").append(std::to_string(value.size())).append("\n");
    out.append(value).append("\n");
}
void Put(std::string& out, std::string_view key, uint64_t value) {
    Put(out, key, std::to_string(value));
}

class TJournalReader {
public:
    explicit TJournalReader(std::string_view text) : FText(text) {}
    bool AtEnd() const { return FPos >= FText.size(); }
    // The next entry; throws EUndoError when the text is not in the journal's form.
    std::pair<std::string_view, std::string_view> Next() {
        const size_t eol = FText.find('\n', FPos);
        const size_t space = FText.find(' ', FPos);
        if (eol == std::string_view::npos || space == std::string_view::npos || space > eol)
            Bad();
        const std::string_view key = FText.substr(FPos, space - FPos);
        const uint64_t size = Number(FText.substr(space + 1, eol - space - 1));
        if (size > FText.size() - eol - 1 || FText.size() - eol - 1 - size < 1 || FText[eol + 1 + size] != '\n')
            Bad();
        const std::string_view value = FText.substr(eol + 1, size);
        FPos = eol + 2 + size;
        return {key, value};
    }
    static uint64_t Number(std::string_view text) {
        uint64_t n = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec != std::errc() || end != text.data() + text.size() || text.empty())
            Bad();
        return n;
    }
    [[noreturn]] static void Bad() { throw EUndoError("The deletion journal is damaged."); }

private:
    std::string_view FText;
    size_t FPos = 0;
};

// A file the deletion rewrote, as its journal tells it.
struct TJournalFile {
    std::string Name; // in the program folder
    std::string Link; // the file as it was, in the journal folder
    TFingerprint Before;
    TFingerprint After;
    std::vector<TRemovedLines> Removed;
};

struct TJournal {
    std::string Name;
    bool TreeModified = false;
    std::vector<size_t> Rows;             // from the top level down to the deleted node
    std::vector<std::string> Above;       // marker#id of each node above it, top first
    std::vector<TTaxonomyTree::TBranchLine> Branch;
    std::vector<TJournalFile> Files;
};

std::string NodeValue(size_t depth, const TTreeNode* node) {
    std::string value = std::to_string(depth) + ' ' + (node->Expanded() ? '1' : '0');
    const std::array<std::string_view, 4> fields{node->Marker(), node->Id(), node->Name(), node->Info()};
    for (std::string_view f : fields)
        value.append(" ").append(std::to_string(f.size()));
    value += '\n';
    for (std::string_view f : fields)
        value.append(f);
    return value;
}

TTaxonomyTree::TBranchLine ParseNode(std::string_view value) {
    const size_t eol = value.find('\n');
    if (eol == std::string_view::npos)
        TJournalReader::Bad();
    std::vector<uint64_t> numbers;
    std::string_view head = value.substr(0, eol);
    while (!head.empty()) {
        const size_t space = head.find(' ');
        numbers.push_back(TJournalReader::Number(head.substr(0, space)));
        head = space == std::string_view::npos ? std::string_view() : head.substr(space + 1);
    }
    if (numbers.size() != 6)
        TJournalReader::Bad();
    TTaxonomyTree::TBranchLine line;
    line.Depth = numbers[0];
    line.Expanded = numbers[1] != 0;
    std::string_view rest = value.substr(eol + 1);
    for (size_t k = 0; k < 4; ++k) {
        if (numbers[k + 2] > rest.size())
            TJournalReader::Bad();
        line.Data.Fields[k] = std::string(rest.substr(0, numbers[k + 2]));
        rest.remove_prefix(numbers[k + 2]);
    }
    return line;
}

std::string Join(const std::vector<size_t>& rows) {
    std::string s;
    for (size_t row : rows)
        s.append(s.empty() ? "" : " ").append(std::to_string(row));
    return s;
}

TJournal ParseJournal(std::string_view text) {
    TJournalReader reader(text);
    TJournal journal;
    if (reader.AtEnd() || reader.Next() != std::pair<std::string_view, std::string_view>("journal", JournalHead))
        TJournalReader::Bad();
    bool complete = false;
    while (!reader.AtEnd()) {
        const auto [key, value] = reader.Next();
        if (key == "name") {
            journal.Name = value;
        } else if (key == "tree-modified") {
            journal.TreeModified = value == "1";
        } else if (key == "rows") {
            for (std::string_view rest = value; !rest.empty();) {
                const size_t space = rest.find(' ');
                journal.Rows.push_back(TJournalReader::Number(rest.substr(0, space)));
                rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            }
        } else if (key == "above") {
            journal.Above.emplace_back(value);
        } else if (key == "node") {
            journal.Branch.push_back(ParseNode(value));
        } else if (key == "file") {
            journal.Files.emplace_back().Name = value;
        } else if (key == "end") {
            complete = true;
        } else if (journal.Files.empty()) {
            TJournalReader::Bad();
        } else {
            TJournalFile& file = journal.Files.back();
            if (key == "link")
                file.Link = value;
            else if (key == "before-size")
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
    if (!complete || journal.Rows.empty() || journal.Rows.size() != journal.Above.size() + 1 ||
        journal.Branch.empty())
        TJournalReader::Bad();
    return journal;
}

// The node `rows` leads to, each node on the way checked against `above`; where a row no longer
// leads to the right node (the tree changed), the node of that marker and id among the children.
TTreeNode* FindParent(const TTaxonomyTree& tree, const TJournal& journal) {
    TTreeNode* parent = nullptr;
    for (size_t i = 0; i < journal.Above.size(); ++i) {
        auto matches = [&](const TTreeNode* n) {
            return std::string(n->Marker()).append("#").append(n->Id()) == journal.Above[i];
        };
        const auto children = tree.ChildrenOf(parent);
        const size_t row = journal.Rows[i];
        TTreeNode* next = row < children.size() && matches(children[row]) ? children[row] : nullptr;
        if (!next) {
            const auto it = std::find_if(children.begin(), children.end(), matches);
            if (it == children.end())
                throw EUndoError("\"" + journal.Name +
                                 "\" cannot be put back: the branch it was in is no longer in the tree.");
            next = *it;
        }
        parent = next;
    }
    return parent;
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
                at = static_cast<size_t>(std::find_if(lines.begin(), lines.end(), sameRecord) - lines.begin());
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

} // namespace

std::string TUndoDeletes::Folder() {
    return AppFile("undo/");
}

std::string TUndoDeletes::LastName() const {
    return FEntries.empty() ? std::string() : FEntries.back().Name;
}

void TUndoDeletes::Load() {
    FEntries.clear();
    const std::string folder = Folder();
    if (!DirectoryExists(folder))
        return;
    std::vector<std::string> journals;
    std::vector<std::string> pieces;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = item.path().filename().string();
        if (name.size() > JournalSuffix.size() && name.ends_with(JournalSuffix))
            journals.push_back(name);
        else
            pieces.push_back(name);
    }
    std::sort(journals.begin(), journals.end());
    for (const std::string& name : journals) {
        try {
            FEntries.push_back({name, ParseJournal(ReadFileBytes(folder + name)).Name, 0, 0});
        } catch (const EOrvError&) {
            // Left on the disk for whoever wants to look at it; nothing can be done with it here.
        }
    }
    // Links and temporary files of journals that were never completed.
    for (const std::string& piece : pieces) {
        const std::string owner = piece.substr(0, piece.find('.')) + std::string(JournalSuffix);
        if (!std::binary_search(journals.begin(), journals.end(), owner))
            DeleteFile(folder + piece);
    }
}

TUndoDeletes::TEntry TUndoDeletes::WriteJournal(const TTaxonomyTree& tree, const TTreeNode* node,
                                                const std::vector<TFileRewrite>& files) {
    const std::string folder = Folder();
    if (!ForceDirectories(folder))
        throw EFOpenError::CannotCreate(folder, errno);
    // Numbered after the newest journal there, left by this run or an earlier one.
    uint64_t number = 0;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = item.path().filename().string();
        uint64_t n = 0;
        std::from_chars(name.data(), name.data() + name.size(), n);
        number = std::max(number, n);
    }
    std::string stem = std::to_string(number + 1);
    if (stem.size() < 8)
        stem.insert(0, 8 - stem.size(), '0'); // names sort in the order they were made
    TEntry entry{stem + std::string(JournalSuffix),
                 std::string(node->Name().empty() ? node->Id() : node->Name()), 0, 0};

    std::string text;
    Put(text, "journal", JournalHead);
    Put(text, "name", entry.Name);
    Put(text, "tree-modified", TreeModified ? "1" : "0");
    std::vector<size_t> rows;
    std::vector<const TTreeNode*> above;
    for (const TTreeNode* n = node; n; n = n->Parent()) {
        rows.insert(rows.begin(), static_cast<size_t>(n->Row()));
        if (n != node)
            above.insert(above.begin(), n);
    }
    Put(text, "rows", Join(rows));
    for (const TTreeNode* n : above)
        Put(text, "above", std::string(n->Marker()).append("#").append(n->Id()));
    const size_t baseDepth = above.size();
    const TTreeNode* stop = tree.NextSkippingChildren(node);
    for (const TTreeNode* n = node; n && n != stop; n = tree.Next(n)) {
        size_t depth = 0;
        for (const TTreeNode* p = n->Parent(); p; p = p->Parent())
            ++depth;
        Put(text, "node", NodeValue(depth - baseDepth, n));
    }

    std::vector<std::string> made;
    try {
        for (size_t k = 0; k < files.size(); ++k) {
            const TFileRewrite& file = files[k];
            const std::string link = stem + "." + std::to_string(k);
            const std::string kept = folder + link;
            if (::link(file.Path.c_str(), kept.c_str()) != 0)
                CopyFileOverwrite(file.Path, kept);
            made.push_back(kept);
            const TFingerprint before = FingerprintOf(ReadFileBytes(kept));
            const TFingerprint after = FingerprintOf(file.Bytes);
            Put(text, "file", ProgramRelative(file.Path));
            Put(text, "link", link);
            Put(text, "before-size", before.Size);
            Put(text, "before-hash", before.Hash);
            Put(text, "after-size", after.Size);
            Put(text, "after-hash", after.Hash);
            for (const TRemovedLines& run : file.Removed) {
                Put(text, "removed", run.Bytes);
                if (!run.AtEnd)
                    Put(text, "next-line", run.NextLine);
            }
        }
        Put(text, "end", "");
        WriteTextFileAtomic(folder + entry.Journal, text);
    } catch (...) {
        for (const std::string& path : made)
            DeleteFile(path);
        throw;
    }
    return entry;
}

void TUndoDeletes::Delete(TTaxonomyTree& tree, TTreeNode* node, bool withLinked) {
    if (!node)
        return;
    const std::vector<TFileRewrite> files = PlanDeleteTreeItem(node, withLinked);
    TEntry entry = WriteJournal(tree, node, files);
    try {
        for (const TFileRewrite& file : files)
            WriteTextFileAtomic(file.Path, file.Bytes);
    } catch (...) {
        // What was written is put back from the journal, which then goes.
        FEntries.push_back(entry);
        try {
            UndoLast(tree);
        } catch (const EOrvError&) {
            // The journal stays for the next start.
        }
        throw;
    }
    entry.StampBefore = tree.Stamp();
    tree.DeleteNode(node);
    TreeModified = true;
    entry.StampAfter = tree.Stamp();
    FEntries.push_back(std::move(entry));
}

TTreeNode* TUndoDeletes::UndoLast(TTaxonomyTree& tree) {
    if (FEntries.empty())
        return nullptr;
    const TEntry& entry = FEntries.back();
    const std::string folder = Folder();
    const TJournal journal = ParseJournal(ReadFileBytes(folder + entry.Journal));

    // Every file is worked out before anything is written, then the tree follows.
    std::vector<std::pair<std::string, std::string>> writes;
    for (const TJournalFile& file : journal.Files) {
        const std::string path = AppFile(file.Name);
        if (!FileExists(path))
            continue; // removed since, by the user
        const std::string now = ReadFileBytes(path);
        const TFingerprint state = FingerprintOf(now);
        if (state == file.Before)
            continue; // not rewritten yet when the run ended
        if (state == file.After) {
            std::string kept = ReadFileBytes(folder + file.Link);
            if (FingerprintOf(kept) == file.Before) {
                writes.emplace_back(path, std::move(kept));
                continue;
            }
        }
        writes.emplace_back(path, WithLinesBack(now, file.Removed));
    }

    TTreeNode* parent = FindParent(tree, journal);
    const size_t row = std::min(journal.Rows.back(), tree.ChildCount(parent));
    // Read at start: a tree file not saved after the deletion (or a deletion that stopped before
    // the tree changed) still has the branch at its place.
    TTreeNode* present = nullptr;
    if (entry.StampAfter == 0 && row < tree.ChildCount(parent)) {
        const TTaxonomyData& first = journal.Branch.front().Data;
        TTreeNode* n = tree.Child(parent, row);
        if (n->Marker() == first.Marker() && n->Id() == first.Id() && n->Name() == first.Name())
            present = n;
    }

    for (const auto& [path, bytes] : writes)
        WriteTextFileAtomic(path, bytes);
    TTreeNode* node = present;
    if (!node) {
        const bool unchangedSince = entry.StampAfter != 0 && tree.Stamp() == entry.StampAfter;
        node = tree.InsertBranch(parent, row, journal.Branch);
        TreeModified = unchangedSince ? journal.TreeModified : true;
        // The tree is as it was before the deletion: as the one before it left it, if nothing
        // changed in between.
        if (unchangedSince && FEntries.size() > 1 && FEntries[FEntries.size() - 2].StampAfter == entry.StampBefore)
            FEntries[FEntries.size() - 2].StampAfter = tree.Stamp();
    }
    RemoveJournal(entry.Journal);
    FEntries.pop_back();
    return node;
}

void TUndoDeletes::RemoveJournal(const std::string& journal) {
    const std::string folder = Folder();
    const std::string stem = journal.substr(0, journal.size() - JournalSuffix.size());
    // The journal first: without it the links are leftovers that the next Load removes.
    DeleteFile(folder + journal);
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = item.path().filename().string();
        if (name.rfind(stem + ".", 0) == 0)
            DeleteFile(folder + name);
    }
    std::filesystem::remove(folder.substr(0, folder.size() - 1), ec); // only when empty
}

void TUndoDeletes::DiscardAll() {
    while (!FEntries.empty()) {
        RemoveJournal(FEntries.back().Journal);
        FEntries.pop_back();
    }
}
