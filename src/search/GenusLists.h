#pragma once
// The genus lists of the result page, worked out from the tree and the genus
// database: all genera, forgotten genera and planning branches. No widgets:
// the window shows the entries (sorted by caption) and sets its own labels.

#include "TaxonomyTree.h"

#include <string>
#include <vector>

// One entry of a result list: a node of the tree, or the name of a forgotten
// genus. Entries are small (a million of them are cheap): the caption and the
// node's data are read from the node when asked for.
//
// Node points into the tree: an entry is valid only until the tree next
// changes (a rebuild, a deletion). Whoever keeps entries longer must copy
// Data() and the caption while they are valid, or drop the entries when the
// tree changes; never dereference a stale Node.
struct TGenusEntry {
    TTreeNode* Node = nullptr; // the listed node; none for a forgotten genus
    std::string Name;          // a forgotten genus's name; empty for a node

    bool HasNode() const { return Node != nullptr; }
    // The node's caption in the tree's display mode, or the forgotten name.
    std::string Caption(const TTaxonomyTree& tree) const;
    // The node's marker, id, name and info; empty data for a forgotten genus.
    TTaxonomyData Data() const;
};
using TGenusEntries = std::vector<TGenusEntry>;

// Whether All Genus lists the node: a genus whose id is not "(n/a)".
bool IsListedGenus(const TTreeNode* node);
// Whether Planning Branches lists the node: a genus with the id "(n/a)", or a
// node of any level whose name begins with '(', '<', '[' or '{'.
bool IsPlanningBranch(const TTreeNode* node);

// Every genus node of the tree whose id is not "(n/a)", in tree order. No
// database is read.
TGenusEntries AllGenus(const TTaxonomyTree& tree);
// The same nodes alone, for a list that reads what it shows from them.
std::vector<const TTreeNode*> AllGenusNodes(const TTaxonomyTree& tree);
// The record lines of "genus.dat" whose name (second field, exact comparison)
// is the name of no node that All Genus lists; in file order, a name as often
// as it occurs. Species lines, empty lines and lines without any '#' give
// nothing. Without a genus database the list is empty. Entries carry no node.
TGenusEntries ForgottenGenus(const TTaxonomyTree& tree);
// Every node for which IsPlanningBranch holds, in tree order.
TGenusEntries PlanningBranches(const TTaxonomyTree& tree);
