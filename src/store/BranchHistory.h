// The branches the user came to, oldest first, walked back and forward as a browser walks its
// pages. An entry holds its branch by key, so that it is found again after the tree is loaded
// anew (another display mode, a download) and follows a rename; a branch that is gone is skipped
// and dropped.
#pragma once

#include "TaxonomyTree.h"

#include <cstddef>
#include <cstdint>
#include <deque>

class TBranchHistory {
public:
    static constexpr size_t MaxEntries = 100;

    explicit TBranchHistory(const TTaxonomyTree& tree) : FTree(tree) {}

    // The user came to `node` by any way but Back and Forward: it follows the current entry and
    // the entries after that go. The current branch again counts once. The oldest entry goes
    // when there are more than MaxEntries.
    void Visit(TTreeNode* node);
    // The branch one step back (-1) or forward (+1): the nearest entry that way whose branch is
    // still in the tree and is not the current one; entries passed on the way are dropped.
    // Null when there is none.
    TTreeNode* Neighbour(int step);
    // The selection went to Neighbour(step): that entry becomes the current one.
    void Arrived(int step);
    // A branch's key changed (a rename, a planned branch that got its id).
    void KeyChanged(const TTaxonomyData& before, const TTaxonomyData& after);

    size_t Count() const { return FEntries.size(); }
    // The index of the current entry; Count() when there is none.
    size_t Current() const { return FEntries.empty() ? 0 : FCurrent; }

private:
    struct TEntry {
        TTaxonomyData Key;
        // The node as last found, valid while the tree's generation is still the one noted.
        TTreeNode* Node = nullptr;
        uint64_t Generation = 0;
    };
    enum class TFound { Here, Gone, Unknown };
    // Finds the entry's node again; Unknown while the tree is empty (cleared before a load).
    TFound Find(TEntry& entry, TTreeNode*& node) const;
    TTreeNode* CurrentNode();

    const TTaxonomyTree& FTree;
    std::deque<TEntry> FEntries;
    size_t FCurrent = 0;
};
