#include "UndoDelete.h"

#include "Constants.h"
#include "Global.h"
#include "JournalText.h"
#include "Platform.h"
#include "TextFiles.h"
#include "TreeChanges.h"
#include "UndoJournal.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace UndoJournal;

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

// Where the journal's branch goes back: its parent and row. Throws EUndoError when its place is gone.
struct TPlace {
    TTreeNode* Parent = nullptr;
    size_t Row = 0;
};
TPlace PlaceOf(const TTaxonomyTree& tree, const TJournal& journal) {
    TTreeNode* parent = FindParent(tree, journal);
    return {parent, std::min(journal.Rows.back(), tree.ChildCount(parent))};
}

// Whether the branch of `newer`, once back, holds the node that the keys `above` lead to.
bool BringsBack(const TJournal& newer, const std::vector<std::string>& above) {
    const size_t base = newer.Above.size();
    if (above.size() <= base || !std::equal(newer.Above.begin(), newer.Above.end(), above.begin()))
        return false;
    size_t matched = 0; // keys of above[base...] matched by the current line's ancestors
    for (const TTaxonomyTree::TBranchLine& line : newer.Branch) {
        matched = std::min(matched, line.Depth);
        if (line.Depth == matched &&
            std::string(line.Data.Marker()).append("#").append(line.Data.Id()) == above[base + matched] &&
            ++matched == above.size() - base)
            return true;
    }
    return false;
}

// Read at start: a tree not saved after the deletion (or a deletion that stopped before the tree
// changed) still has the branch at its place. Nullptr when it has not.
TTreeNode* PresentBranch(const TTaxonomyTree& tree, uint64_t stampAfter, const TJournal& journal,
                         TTreeNode* parent, size_t row) {
    if (stampAfter != 0 || row >= tree.ChildCount(parent))
        return nullptr;
    const TTaxonomyData& first = journal.Branch.front().Data;
    TTreeNode* n = tree.Child(parent, row);
    return n->Marker() == first.Marker() && n->Id() == first.Id() && n->Name() == first.Name() ? n : nullptr;
}

} // namespace

bool TUndoDeletes::FolderUsable() {
    return FolderOfOurOwn(Folder());
}

std::string TUndoDeletes::Folder() {
    return AppFile("undo/");
}

std::string TUndoDeletes::LastName() const {
    return FEntries.empty() ? std::string() : FEntries.back().Name;
}

void TUndoDeletes::Load(const TTaxonomyTree& tree) {
    FEntries.clear();
    FUnavailable = !FolderUsable();
    const std::string folder = Folder();
    if (FUnavailable || !DirectoryExists(folder))
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
    // Newest first, as Undo puts them back: a branch whose place is gone from the tree can still go
    // back inside the branch of a newer deletion that goes back before it. A journal whose branch
    // has no place is left out as a damaged one is: asked about at every start, it could never go.
    std::sort(journals.rbegin(), journals.rend());
    std::vector<TJournal> going;
    for (const std::string& name : journals) {
        try {
            if (JournalNumber(name) == 0)
                continue;
            TJournal journal = ParseJournal(ReadRegularFile(folder + name, JournalMaxBytes), name);
            try {
                PlaceOf(tree, journal);
            } catch (const EUndoError&) {
                if (std::none_of(going.begin(), going.end(),
                                 [&](const TJournal& newer) { return BringsBack(newer, journal.Above); }))
                    continue;
            }
            FEntries.push_back({name, journal.Name});
            journal.Files.clear(); // only its branch is needed here
            going.push_back(std::move(journal));
        } catch (const EOrvError&) {
            // Left on the disk for whoever wants to look at it; nothing can be done with it here.
        }
    }
    std::reverse(FEntries.begin(), FEntries.end());
    std::sort(journals.begin(), journals.end());
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
    // Numbered after the newest journal there, left by this run or an earlier one; names of
    // another form are no journals of ours.
    uint64_t number = 0;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec))
        number = std::max(number, JournalNumber(item.path().filename().string()));
    if (number >= LastJournalNumber)
        throw EUndoError("No more deletions can be kept for Undo: the folder " + folder +
                         " holds the last journal number. Undo or discard the deletions kept there first.");
    std::string stem = std::to_string(number + 1);
    stem.insert(0, 8 - stem.size(), '0');
    TEntry entry{stem + std::string(JournalSuffix),
                 std::string(node->Name().empty() ? node->Id() : node->Name())};

    std::string text;
    Put(text, "journal", JournalHead);
    Put(text, "name", entry.Name);
    Put(text, "tree-modified", TreeModified ? "1" : "0");
    Put(text, "rows", JoinNumbers(RowsOf(node)));
    std::vector<const TTreeNode*> above;
    for (const TTreeNode* n = node->Parent(); n; n = n->Parent())
        above.insert(above.begin(), n);
    for (const TTreeNode* n : above)
        Put(text, "above", KeyOf(n));
    PutBranch(text, tree, node);

    std::vector<std::string> made;
    try {
        for (size_t k = 0; k < files.size(); ++k) {
            const TFileRewrite& file = files[k];
            const std::string link = stem + "." + std::to_string(k);
            const std::string kept = folder + link;
            KeepFileBytes(file.Path, kept);
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
    const TTreeChange change = TTreeChange::Deleting(node);
    if (FUnavailable || !FolderUsable()) {
        // No journal can be kept: the deletion cannot be undone.
        FUnavailable = true;
        DeleteTreeItem(tree, node, withLinked);
        NoteTreeChange(tree, change);
        return;
    }
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
    NoteTreeChange(tree, change);
}

TTreeNode* TUndoDeletes::UndoLast(TTaxonomyTree& tree) {
    if (FEntries.empty())
        return nullptr;
    const TEntry& entry = FEntries.back();
    const std::string folder = Folder();
    if (FUnavailable || !FolderUsable())
        throw EUndoError("The folder " + folder +
                         " is not a folder of this program's: nothing can be undone.");
    const TJournal journal =
        ParseJournal(ReadRegularFile(folder + entry.Journal, JournalMaxBytes), entry.Journal);
    const std::string doneNote = DoneNoteOf(folder, entry.Journal);
    const auto done = ReadDoneNote(doneNote);

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
        if (std::find(done.begin(), done.end(), std::pair(file.Name, state)) != done.end())
            continue; // put back by an undo that was cut short
        if (state == file.After) {
            std::string kept = ReadFileBytes(folder + file.Link);
            if (FingerprintOf(kept) == file.Before) {
                writes.emplace_back(path, std::move(kept));
                continue;
            }
        }
        writes.emplace_back(path, WithLinesBack(now, file.Removed));
    }

    const auto [parent, row] = PlaceOf(tree, journal);
    TTreeNode* node = PresentBranch(tree, entry.StampAfter, journal, parent, row);
    const bool inserted = node == nullptr;
    const bool unchangedSince = entry.StampAfter != 0 && tree.Stamp() == entry.StampAfter;
    const uint64_t stampBefore = entry.StampBefore;
    // The branch goes in first: a branch that cannot go back puts no file back either.
    if (inserted) {
        try {
            node = tree.InsertBranch(parent, row, journal.Branch);
        } catch (const std::exception& e) {
            throw EUndoError("\"" + journal.Name + "\" cannot be put back: " + e.what());
        }
    }
    try {
        if (inserted)
            NoteTreeChange(tree, TTreeChange::Inserted(tree, node));
        std::string note;
        for (const auto& [path, bytes] : writes) {
            const TFingerprint result = FingerprintOf(bytes);
            Put(note, ProgramRelative(path), JoinNumbers({result.Size, result.Hash}));
        }
        if (!writes.empty())
            WriteTextFileAtomic(doneNote, note);
        for (const auto& [path, bytes] : writes)
            WriteTextFileAtomic(path, bytes);
    } catch (...) {
        if (inserted) {
            // The tree as it was, on the disk too when that can be had.
            const TTreeChange change = TTreeChange::Deleting(node);
            tree.DeleteNode(node);
            try {
                NoteTreeChange(tree, change);
            } catch (const EOrvError&) {
                // The tree file written at the end of the run holds it.
            }
        }
        throw;
    }
    if (inserted) {
        TreeModified = unchangedSince ? journal.TreeModified : true;
        // The tree is as it was before the deletion: as the one before it left it, if nothing
        // changed in between.
        if (unchangedSince && FEntries.size() > 1 && FEntries[FEntries.size() - 2].StampAfter == stampBefore)
            FEntries[FEntries.size() - 2].StampAfter = tree.Stamp();
    }
    RemoveJournal(entry.Journal);
    FEntries.pop_back();
    return node;
}

void TUndoDeletes::RemoveJournal(const std::string& journal) {
    if (!FolderUsable())
        return;
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

void TUndoDeletes::FinishLeft(TTaxonomyTree& tree) {
    const std::string folder = Folder();
    while (!FEntries.empty()) {
        const TEntry& entry = FEntries.back();
        try {
            const TJournal journal =
                ParseJournal(ReadRegularFile(folder + entry.Journal, JournalMaxBytes), entry.Journal);
            const auto [parent, row] = PlaceOf(tree, journal);
            // A run killed before its tree change reached the disk: the deletion is made whole,
            // the databases' records of the branch gone with it as the user chose then.
            if (TTreeNode* node = PresentBranch(tree, entry.StampAfter, journal, parent, row)) {
                const bool withLinked =
                    std::any_of(journal.Files.begin(), journal.Files.end(),
                                [](const TJournalFile& f) { return f.Name != UserTreeFileName; });
                const TTreeChange change = TTreeChange::Deleting(node);
                DeleteTreeItem(tree, node, withLinked);
                NoteTreeChange(tree, change);
            }
        } catch (const EOrvError&) {
            // Its place is gone or it cannot be read: nothing of it is in the tree to finish.
        }
        RemoveJournal(entry.Journal);
        FEntries.pop_back();
    }
}
