#pragma once
// The tree's change journal. The tree file of a large tree takes seconds to write, so a command
// that changes the tree (a saved rename, an added item, a deletion, its undo) appends the change
// to a small journal beside it, synced before the command returns; the next load of that same
// tree file applies the journal before anyone sees the tree, and writing the tree file ends it.
// A journal noted against another tree file (replaced by a download, or written since) is stale
// and goes unread.

#include "TaxonomyTree.h"

#include <string>

class TTreeChange {
public:
    // The node's fields as they are now (after SetFields).
    static TTreeChange Fields(const TTreeNode* node);
    // A branch just put in (an added node, a branch put back).
    static TTreeChange Inserted(const TTaxonomyTree& tree, const TTreeNode* top);
    // Taken right before the node is deleted.
    static TTreeChange Deleting(const TTreeNode* node);
    const std::string& Text() const { return FText; }

private:
    std::string FText;
};

// The journal's path in the program folder.
std::string TreeChangesFile();
// Appends the change, on the disk when this returns. Without a tree file to note it against, or
// when the journal has grown large, the tree file is written instead. Throws EFOpenError or
// EWriteError; the tree keeps the change in memory either way.
void NoteTreeChange(const TTaxonomyTree& tree, const TTreeChange& change);
// Applies to a tree just loaded from the tree file the changes noted against that file, in their
// order, up to the first that does not fit (a torn last one, a damaged one); the journal then
// keeps only those applied. Returns how many were applied. Never throws.
size_t ReplayTreeChanges(TTaxonomyTree& tree);
// Forgets the journal (the tree file was written). Never throws.
void DiscardTreeChanges();
