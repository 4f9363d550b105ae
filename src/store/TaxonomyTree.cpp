#include "TaxonomyTree.h"

#include <algorithm>

TTaxonomyTree::~TTaxonomyTree() {
    // Deep trees are released level by level, not by recursion.
    std::vector<std::unique_ptr<TTreeNode>> pending = std::move(Top);
    while (!pending.empty()) {
        std::unique_ptr<TTreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
    }
}

void TTaxonomyTree::AddObserver(ITreeObserver* observer) {
    if (observer && std::find(Observers.begin(), Observers.end(), observer) == Observers.end())
        Observers.push_back(observer);
}

void TTaxonomyTree::RemoveObserver(ITreeObserver* observer) {
    Observers.erase(std::remove(Observers.begin(), Observers.end(), observer), Observers.end());
}

const TTaxonomyTree::TNodeList& TTaxonomyTree::ChildrenOf(const TTreeNode* parent) const {
    return parent ? parent->Children : Top;
}

TTreeNode* TTaxonomyTree::Next(const TTreeNode* node) const {
    if (!node)
        return nullptr;
    if (!node->Children.empty())
        return node->Children.front().get();
    for (const TTreeNode* n = node; n; n = n->Parent) {
        const TNodeList& siblings = ChildrenOf(n->Parent);
        const size_t next = static_cast<size_t>(n->Row) + 1;
        if (next < siblings.size())
            return siblings[next].get();
    }
    return nullptr;
}

std::vector<TTreeNode*> TTaxonomyTree::Nodes() const {
    std::vector<TTreeNode*> nodes;
    nodes.reserve(NodeCount);
    ForEachNode([&](TTreeNode* n) { nodes.push_back(n); });
    return nodes;
}

TTreeNode* TTaxonomyTree::AddNode(TTreeNode* parent, const TTaxonomyData& data) {
    return AddNode(parent, TTaxonomyData(data));
}

TTreeNode* TTaxonomyTree::AddNode(TTreeNode* parent, TTaxonomyData&& data) {
    TNodeList& siblings = MutableChildren(parent);
    auto node = std::unique_ptr<TTreeNode>(
        new TTreeNode{std::move(data), parent, {}, static_cast<int>(siblings.size())});
    TTreeNode* raw = node.get();
    const bool notify = BulkDepth == 0;
    if (notify)
        for (auto* o : Observers)
            o->BeginInsert(parent, raw->Row);
    siblings.push_back(std::move(node));
    ++NodeCount;
    if (notify)
        for (auto* o : Observers)
            o->EndInsert();
    return raw;
}

void TTaxonomyTree::ReleaseSubtree(TTreeNode* node) {
    // Pre-order: the node first, then its descendants, all still intact.
    const TTreeNode* stop = nullptr;
    for (const TTreeNode* n = node; n; n = n->Parent) {
        const TNodeList& siblings = ChildrenOf(n->Parent);
        if (static_cast<size_t>(n->Row) + 1 < siblings.size()) {
            stop = siblings[static_cast<size_t>(n->Row) + 1].get();
            break;
        }
    }
    for (TTreeNode* n = node; n && n != stop; n = Next(n)) {
        for (auto* o : Observers)
            o->NodeDeleting(n);
        --NodeCount;
    }
}

void TTaxonomyTree::DeleteNode(TTreeNode* node) {
    if (!node)
        return;
    TNodeList& siblings = MutableChildren(node->Parent);
    const int row = node->Row;
    const bool notify = BulkDepth == 0;
    if (notify)
        for (auto* o : Observers)
            o->BeginRemove(node->Parent, row);
    ReleaseSubtree(node);
    std::unique_ptr<TTreeNode> owned = std::move(siblings[static_cast<size_t>(row)]);
    siblings.erase(siblings.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < siblings.size(); ++i)
        siblings[i]->Row = static_cast<int>(i);
    // Release without recursion through a long chain of descendants.
    std::vector<std::unique_ptr<TTreeNode>> pending;
    pending.push_back(std::move(owned));
    while (!pending.empty()) {
        std::unique_ptr<TTreeNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& child : n->Children)
            pending.push_back(std::move(child));
    }
    if (notify)
        for (auto* o : Observers)
            o->EndRemove();
}

void TTaxonomyTree::Clear() {
    const bool notify = BulkDepth == 0; // inside a bulk load the reset is already announced
    if (notify)
        for (auto* o : Observers)
            o->BeginReset();
    if (!Observers.empty())
        for (TTreeNode* n = First(); n; n = Next(n))
            for (auto* o : Observers)
                o->NodeDeleting(n);
    std::vector<std::unique_ptr<TTreeNode>> pending = std::move(Top);
    Top.clear();
    while (!pending.empty()) {
        std::unique_ptr<TTreeNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& child : n->Children)
            pending.push_back(std::move(child));
    }
    NodeCount = 0;
    if (notify)
        for (auto* o : Observers)
            o->EndReset();
}

void TTaxonomyTree::NotifyChanged(TTreeNode* node) {
    if (BulkDepth == 0)
        for (auto* o : Observers)
            o->NodeChanged(node);
}

TTaxonomyTree::TBulkLoad::TBulkLoad(TTaxonomyTree& tree) : Tree(tree) {
    if (Tree.BulkDepth++ == 0)
        for (auto* o : Tree.Observers)
            o->BeginReset();
}

TTaxonomyTree::TBulkLoad::~TBulkLoad() {
    if (--Tree.BulkDepth == 0)
        for (auto* o : Tree.Observers)
            o->EndReset();
}

void TTaxonomyTree::SetDisplayMode(int mode) {
    if (mode == Mode)
        return;
    TBulkLoad reset(*this);
    Mode = mode;
}

std::string TTaxonomyTree::Caption(const TTreeNode* node) const {
    return node ? NodeText(node->Level(), node->Data, Mode) : std::string();
}
