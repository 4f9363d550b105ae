// The rows a tree view shows, top to bottom, kept as the nodes' numbers: four bytes a row, which on a
// tree of ten million open nodes is 40 MB less than pointers. Reading a row gives its node.
#pragma once

#include "TaxonomyTree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class TTreeRowList {
public:
    static constexpr size_t NotFound = SIZE_MAX;

    explicit TTreeRowList(const TTaxonomyTree& tree) : FTree(&tree) {}

    size_t size() const { return FNumbers.size(); }
    bool empty() const { return FNumbers.empty(); }
    size_t capacity() const { return FNumbers.capacity(); }
    void clear() { FNumbers.clear(); }
    void reserve(size_t count) { FNumbers.reserve(count); }
    void shrink_to_fit() { FNumbers.shrink_to_fit(); }

    TTreeNode* operator[](size_t row) const { return FTree->NodeOfNumber(FNumbers[row]); }
    TTreeNode* front() const { return (*this)[0]; }
    void push_back(const TTreeNode* node) { FNumbers.push_back(FTree->NumberOf(node, FHint)); }

    // The first row in [from, to) that shows `node`, or NotFound.
    size_t Find(const TTreeNode* node, size_t from, size_t to) const {
        const uint32_t number = FTree->NumberOf(node, FHint);
        const auto begin = FNumbers.begin();
        const auto found = std::find(begin + static_cast<std::ptrdiff_t>(from),
                                     begin + static_cast<std::ptrdiff_t>(to), number);
        return found == begin + static_cast<std::ptrdiff_t>(to) ? NotFound
                                                                : static_cast<size_t>(found - begin);
    }
    // The `count` rows from `first` on become `rows`.
    void Replace(size_t first, size_t count, const TTreeRowList& rows) {
        const size_t common = std::min(count, rows.size());
        const auto at = FNumbers.begin() + static_cast<std::ptrdiff_t>(first);
        std::copy_n(rows.FNumbers.begin(), common, at);
        if (rows.size() > count)
            FNumbers.insert(at + static_cast<std::ptrdiff_t>(count),
                            rows.FNumbers.begin() + static_cast<std::ptrdiff_t>(count), rows.FNumbers.end());
        else
            FNumbers.erase(at + static_cast<std::ptrdiff_t>(common), at + static_cast<std::ptrdiff_t>(count));
    }

private:
    const TTaxonomyTree* FTree;
    std::vector<uint32_t> FNumbers;
    mutable size_t FHint = 0; // the node block where the last number was found
};
