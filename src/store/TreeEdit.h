#pragma once
// Adding and deleting tree items: the user tree file "usr_tree.dat", which
// keeps the user's additions with the chain of their ancestors (the outline
// that is submitted for review), and the deletion of a branch, optionally
// with the database records of everything in it.

#include "TaxonomyTree.h"

#include <string>
#include <vector>

// Whether a line of the user tree file stands for `node`: the same level
// marker and the same id; a planned node ("(n/a)") matches only a planned
// line of the same name.
bool UserTreeLineStandsFor(std::string_view line, const TTaxonomyData& node);

// Records a node just added to the tree, with its ancestors, in
// "usr_tree.dat" (created when missing): each in depth-first order inside its
// parent's range of lines, an existing line refreshed in place, a new one
// appended at the end of its parent's range; a level the path skips gets no
// line. Sets TreeModified first. A failure throws EFOpenError or EWriteError
// with the file as it was (the node stays in the tree).
void RecordUserTreeItem(const TTreeNode* node);

// Deletes `node` with its subtree from the tree (the observers see it as
// usual) and sets TreeModified. With `withLinked`, the records of the deleted
// nodes whose id is not "(n/a)" leave their level's database, each database
// read once and written once; the user databases keep theirs. The node's line
// and its descendants' lines leave "usr_tree.dat"; its ancestors' stay.
// Every file is worked out and written before the tree changes: a failure
// throws with the tree unchanged, and each file either rewritten whole or as
// it was.
void DeleteTreeItem(TTaxonomyTree& tree, TTreeNode* node, bool withLinked);

// A file a deletion rewrites: its new bytes, worked out in memory, and the lines it loses. Each
// run of removed lines (CR LF after each) was followed by the kept line `NextLine`, or by the
// end of the file (`AtEnd`); `Before` kept lines came before it.
struct TRemovedLines {
    size_t Before = 0;
    std::string Bytes;
    std::string NextLine;
    bool AtEnd = true;
};
struct TFileRewrite {
    std::string Path;
    std::string Bytes;
    std::vector<TRemovedLines> Removed;
};
// The files DeleteTreeItem rewrites, nothing written yet (none when nothing is removed from
// them): the databases (with `withLinked`), then "usr_tree.dat".
std::vector<TFileRewrite> PlanDeleteTreeItem(const TTreeNode* node, bool withLinked);

// Removes every record whose id is in `ids` from the level's database (`user`
// false) or user database, in one pass and one atomic write: the same result
// as DeleteRecord(id, level, user, true) for each id. Returns the number of
// records removed; nothing is written when none was found, and a missing file
// stays missing. Empty ids and levels outside 0..5 match nothing.
size_t DeleteRecords(int level, const std::vector<std::string>& ids, bool user);
