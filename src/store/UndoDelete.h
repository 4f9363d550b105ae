#pragma once
// Deletions that can be taken back. Before Delete Tree Item changes anything, a journal of what it
// removes goes to "undo/" in the program folder: the branch with its subtree and its place, and,
// for each file the deletion rewrites, a second link to the file as it was (every write replaces
// a file whole, so the link keeps the old bytes) with the lines it loses. Undo puts the newest
// deletion back; a run that ended without clearing the journals leaves them for the next start.

#include "Errors.h"
#include "TaxonomyTree.h"
#include "TreeEdit.h"

#include <cstdint>
#include <string>
#include <vector>

// A journal that cannot be read or applied.
class EUndoError : public EOrvError {
public:
    explicit EUndoError(const std::string& message) : EOrvError(message) {}
};

class TUndoDeletes {
public:
    // The folder of the journals, with a trailing '/'.
    static std::string Folder();

    // Takes the journals a run before this one left, oldest first; the pieces of a journal that was
    // never completed are removed. An unreadable journal, or one whose branch has no place in
    // `tree` (nor in a newer one's branch), is left out (and stays on the disk).
    // A folder "undo/" that is a link or no folder is never entered: deletions then cannot be
    // undone for the run (Unavailable()).
    void Load(const TTaxonomyTree& tree);
    bool Unavailable() const { return FUnavailable; }
    bool Empty() const { return FEntries.empty(); }
    size_t Count() const { return FEntries.size(); }
    // The name of the branch the next Undo puts back ("" when there is none).
    std::string LastName() const;

    // DeleteTreeItem with a journal: the journal is complete on the disk before any file or the
    // tree changes, and a failure to write it throws with nothing changed. The tree's change is
    // on the disk (the tree's change journal) when this returns.
    void Delete(TTaxonomyTree& tree, TTreeNode* node, bool withLinked);

    // Puts the newest deletion back and forgets it: its branch at its place with the same open
    // states (already there after a start whose tree file was not saved since), and every file it
    // rewrote as it was. A file that has changed since gets the lost lines back where they were
    // (before the line that followed them, or at the end) so that the later change stays; a file
    // removed since stays removed. TreeModified goes back to its value before the deletion when
    // the tree has not changed in between. Returns the branch's node. Throws EUndoError when the
    // branch's place is gone from the tree, or a file error, with the journal kept.
    TTreeNode* UndoLast(TTaxonomyTree& tree);

    // Forgets every journal and removes them from the disk (the program ends normally, or a
    // download replaced the files they changed). Never throws.
    void DiscardAll();
    // Forgets the journals a run before this one left (Load), the user chose not to put them back:
    // a deletion whose branch is still in the tree (the run ended before its tree change reached
    // the disk) is completed first, so that no branch stays with its records gone. Never throws.
    void FinishLeft(TTaxonomyTree& tree);

private:
    struct TEntry {
        std::string Journal; // the journal's file name in Folder()
        std::string Name;
        // The tree's stamps right before and after the deletion, 0 when read at start: a tree with
        // the stamp after it has not changed since.
        uint64_t StampBefore = 0;
        uint64_t StampAfter = 0;
    };
    // Writes the journal of a deletion: its links first, then the journal itself, atomically.
    TEntry WriteJournal(const TTaxonomyTree& tree, const TTreeNode* node,
                        const std::vector<TFileRewrite>& files);
    static void RemoveJournal(const std::string& journal);
    // Whether Folder() is a folder of its own or not there yet.
    static bool FolderUsable();

    std::vector<TEntry> FEntries;
    bool FUnavailable = false;
};
