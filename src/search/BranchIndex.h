#pragma once
// Go to Branch: any branch of the tree found by a part of its name, id or info, letter case
// ignored. The three fields of every node sit folded to lower case in one buffer, so that a query
// is one pass of memmem over it. The index follows the tree: every change marks it stale, and the
// next Build or Query builds it again.

#include "TaxonomyTree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// ASCII and Latin-1 letters (as UTF-8) in lower case; every other byte as it is, so lengths stay.
std::string FoldCase(std::string_view text);

// The names from the top of the tree down to `node`, joined by `separator`.
std::string BranchPath(const TTreeNode* node, std::string_view separator);

struct TBranchMatches {
    // Best first: the name or id begins with the text, then the name or id holds it, then only the
    // info holds it; in tree order within each. At most the limit asked for.
    std::vector<TNodeRef> Nodes;
    size_t Total = 0; // every match, also those beyond the limit
};

class TBranchIndex : private ITreeObserver {
public:
    explicit TBranchIndex(TTaxonomyTree& tree);
    ~TBranchIndex() override;
    TBranchIndex(const TBranchIndex&) = delete;
    TBranchIndex& operator=(const TBranchIndex&) = delete;

    // The tree is going away on its own: do not touch it again, not even to stop observing.
    void ForgetTree() { FTree = nullptr; }

    bool Stale() const { return FStale; }
    // Builds the index when the tree changed since it was last built.
    void Build();
    // Matches of `text` (surrounding spaces and control characters ignored); none for an empty
    // text. Builds the index first when it is stale.
    TBranchMatches Query(std::string_view text, size_t limit);

    // Called once each time the index turns stale, while the tree is changing: whoever keeps
    // nodes from a query must drop them here and ask again later.
    std::function<void()> OnStale;

private:
    void MarkStale();
    void BeginReset() override { MarkStale(); }
    void BeginInsert(TTreeNode*, int) override { MarkStale(); }
    void BeginRemove(TTreeNode*, int) override { MarkStale(); }
    void NodeChanged(TTreeNode*) override { MarkStale(); }
    void NodeDeleting(TTreeNode*) override { MarkStale(); }

    TTaxonomyTree* FTree;
    bool FStale = true;
    std::string FText;                 // per node: name \1 id \1 info \0, folded
    std::vector<TTreeNode*> FNodes;    // pre-order
    std::vector<std::uint32_t> FStart; // per node where its name begins in FText, and one past the end
    std::vector<std::uint32_t> FInfo;  // per node where its info begins
    std::vector<std::uint32_t> FRanks[3];
};
