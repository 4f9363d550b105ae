#include "BranchHistory.h"

TBranchHistory::TFound TBranchHistory::Find(TEntry& entry, TTreeNode*& node) const {
    node = nullptr;
    // While the tree is the one the node was found in, a deleted node keeps its record, marked.
    if (entry.Node && entry.Generation == FTree.Generation()) {
        if (entry.Node->Deleted())
            return TFound::Gone;
        node = entry.Node;
        return TFound::Here;
    }
    if (FTree.Empty())
        return TFound::Unknown;
    TTreeNode* found = FindTreeNode(FTree, entry.Key);
    if (!found || found->Level() != entry.Key.Level())
        return TFound::Gone;
    entry.Node = found;
    entry.Generation = FTree.Generation();
    node = found;
    return TFound::Here;
}

TTreeNode* TBranchHistory::CurrentNode() {
    TTreeNode* node = nullptr;
    if (!FEntries.empty())
        Find(FEntries[FCurrent], node);
    return node;
}

void TBranchHistory::Visit(TTreeNode* node) {
    if (!FEntries.empty()) {
        if (CurrentNode() == node)
            return;
        FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(FCurrent) + 1, FEntries.end());
    }
    FEntries.push_back({node->Data(), node, FTree.Generation()});
    if (FEntries.size() > MaxEntries)
        FEntries.pop_front();
    FCurrent = FEntries.size() - 1;
}

TTreeNode* TBranchHistory::Neighbour(int step) {
    if (FEntries.empty())
        return nullptr;
    TTreeNode* const current = CurrentNode();
    for (;;) {
        if (step < 0 ? FCurrent == 0 : FCurrent + 1 >= FEntries.size())
            return nullptr;
        const size_t at = step < 0 ? FCurrent - 1 : FCurrent + 1;
        TTreeNode* node = nullptr;
        const TFound found = Find(FEntries[at], node);
        // An empty tree is one being loaded again: nothing is known to be gone yet.
        if (found == TFound::Unknown)
            return nullptr;
        if (found == TFound::Here && node != current)
            return node;
        // Gone, or the current branch again once the entries between went.
        FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(at));
        if (step < 0)
            --FCurrent;
    }
}

void TBranchHistory::Arrived(int step) {
    if (step < 0 && FCurrent > 0)
        --FCurrent;
    else if (step > 0 && FCurrent + 1 < FEntries.size())
        ++FCurrent;
}

void TBranchHistory::KeyChanged(const TTaxonomyData& before, const TTaxonomyData& after) {
    for (TEntry& entry : FEntries)
        if (entry.Key == before)
            entry.Key = after;
}
