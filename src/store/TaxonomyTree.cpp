#include "TaxonomyTree.h"

#include "Errors.h"
#include "Platform.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace {

uint32_t FieldLength(size_t size) {
    if (size > UINT32_MAX)
        throw std::length_error("tree field too long");
    return static_cast<uint32_t>(size);
}

} // namespace

static_assert(sizeof(TTreeNode) <= 32, "a tree node should stay one small record");
// Blocks of nodes are released without running destructors.
static_assert(std::is_trivially_destructible_v<TTreeNode>);

namespace {

// The lengths of the four fields of a node kept aside, stored just before its text.
using TAsideLengths = std::array<uint32_t, 4>;

TAsideLengths AsideLengths(const char* text) {
    TAsideLengths lengths;
    std::memcpy(lengths.data(), text - sizeof lengths, sizeof lengths);
    return lengths;
}

// A loaded line's info runs to the next '#', CR or LF (the line's own end is always one of them).
const char* InfoEnd(const char* info) {
    while (*info != '#' && *info != '\r' && *info != '\n')
        ++info;
    return info;
}

} // namespace

size_t TTreeNode::MarkerLength() const {
    return FAside ? AsideLengths(FText)[0] : FLevel;
}

std::string_view TTreeNode::Field(size_t k) const {
    if (FAside) {
        const TAsideLengths lengths = AsideLengths(FText);
        const char* p = FText;
        for (size_t i = 0; i < k; ++i)
            p += lengths[i] + 1;
        return {p, lengths[k]};
    }
    // A field is there when the one before it ends at a '#' (and not at the end of the line).
    const char* id = FText + FLevel + 1;
    if (k == 1)
        return {id, FIdLength};
    const char* afterId = id + FIdLength;
    if (*afterId != '#')
        return {};
    const char* name = afterId + 1;
    if (k == 2)
        return {name, FNameLength};
    const char* afterName = name + FNameLength;
    if (*afterName != '#')
        return {};
    const char* info = afterName + 1;
    return {info, static_cast<size_t>(InfoEnd(info) - info)};
}

std::string_view TTreeNode::Line() const {
    if (FAside) {
        const TAsideLengths lengths = AsideLengths(FText);
        return {FText, size_t{lengths[0]} + lengths[1] + lengths[2] + lengths[3] + 3};
    }
    // A line with fewer than four fields is no node's whole line.
    const char* afterId = FText + FLevel + 1 + FIdLength;
    if (*afterId != '#')
        return {};
    const char* afterName = afterId + 1 + FNameLength;
    if (*afterName != '#')
        return {};
    return {FText, static_cast<size_t>(InfoEnd(afterName + 1) - FText)};
}

TTaxonomyData TTreeNode::Data() const {
    return TTaxonomyData(std::string(Marker()), std::string(Id()), std::string(Name()), std::string(Info()));
}

TTaxonomyTree::~TTaxonomyTree() = default;

void TTaxonomyTree::AddObserver(ITreeObserver* observer) {
    if (observer && std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
        FObservers.push_back(observer);
}

void TTaxonomyTree::RemoveObserver(ITreeObserver* observer) {
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), observer), FObservers.end());
}

TTreeNode* TTaxonomyTree::Next(const TTreeNode* node) const {
    if (!node)
        return nullptr;
    if (node->HasChildren())
        return node->FChildren[0];
    return NextSkippingChildren(node);
}

TTreeNode* TTaxonomyTree::NextSkippingChildren(const TTreeNode* node) const {
    for (const TTreeNode* n = node; n; n = n->FParent) {
        const size_t next = static_cast<size_t>(n->FRow) + 1;
        if (next < ChildCount(n->FParent))
            return Child(n->FParent, next);
    }
    return nullptr;
}

TTaxonomyTree::TWalk::TWalk(const TTaxonomyTree& tree) : FTree(tree), FNode(tree.First()) {
    if (FNode && tree.FInLoadOrder) {
        FRoom = tree.FNodeBlocks.front().get();
        FRoomEnd = FRoom + (tree.FNodeBlocks.size() == 1 ? tree.FNodeBlockSize - tree.FNodesLeft
                                                         : FirstNodeBlockSize);
    }
}

void TTaxonomyTree::TWalk::Step() {
    if (!FRoom) {
        FNode = FTree.Next(FNode);
        return;
    }
    // The end of a block: on to the next one, if any.
    const auto& blocks = FTree.FNodeBlocks;
    if (++FBlock < blocks.size()) {
        FRoom = blocks[FBlock].get();
        FRoomEnd =
            FRoom + (FBlock + 1 == blocks.size() ? FTree.FNodeBlockSize - FTree.FNodesLeft : NodeBlockSize);
    }
    FNode = FRoom < FRoomEnd ? std::launder(reinterpret_cast<TTreeNode*>(FRoom->Bytes)) : nullptr;
}

std::vector<TTreeNode*> TTaxonomyTree::Nodes() const {
    std::vector<TTreeNode*> nodes;
    nodes.reserve(FNodeCount);
    ForEachNode([&](TTreeNode* n) { nodes.push_back(n); });
    return nodes;
}

uint32_t TTaxonomyTree::NumberOf(const TTreeNode* node, size_t& hint) const {
    const auto at = reinterpret_cast<uintptr_t>(node);
    auto holds = [&](size_t block) {
        const auto begin = reinterpret_cast<uintptr_t>(FNodeBlocks[block].get());
        const size_t size = block == 0 ? FirstNodeBlockSize : NodeBlockSize;
        return at >= begin && at < begin + size * sizeof(TNodeRoom);
    };
    if (hint >= FNodeBlocks.size() || !holds(hint)) {
        for (hint = 0; hint < FNodeBlocks.size() && !holds(hint);)
            ++hint;
        if (hint == FNodeBlocks.size())
            throw std::invalid_argument("not a node of this tree");
    }
    const size_t index = (at - reinterpret_cast<uintptr_t>(FNodeBlocks[hint].get())) / sizeof(TNodeRoom);
    return static_cast<uint32_t>(hint == 0 ? index
                                           : FirstNodeBlockSize + ((hint - 1) << NodeBlockBits) + index);
}

TTreeNode* TTaxonomyTree::NewNode() {
    if (FNodesLeft == 0) {
        if (FNodeBlocks.size() > (UINT32_MAX - FirstNodeBlockSize) >> NodeBlockBits)
            throw ETooLarge("The tree cannot hold more nodes.");
        // A small tree needs one small block; a large one is filled block after block.
        FNodeBlockSize = FNodeBlocks.empty() ? FirstNodeBlockSize : NodeBlockSize;
        FNodeBlocks.push_back(std::make_unique_for_overwrite<TNodeRoom[]>(FNodeBlockSize));
        if (FNodeBlockSize == NodeBlockSize)
            AdviseHugePages(FNodeBlocks.back().get(), FNodeBlockSize * sizeof(TNodeRoom));
        FNodesLeft = FNodeBlockSize;
    }
    return new (&FNodeBlocks.back()[FNodeBlockSize - FNodesLeft--]) TTreeNode;
}

void TTaxonomyTree::StoreFields(TTreeNode* node, std::string_view marker, std::string_view id,
                                std::string_view name, std::string_view info) {
    const std::array<std::string_view, 4> fields{marker, id, name, info};
    TAsideLengths lengths{};
    size_t size = sizeof lengths;
    for (size_t k = 0; k < fields.size(); ++k) {
        lengths[k] = FieldLength(fields[k].size()); // throws before the node changes
        size += fields[k].size() + 1;
    }
    char* p = FTextPool.Take(size);
    std::memcpy(p, lengths.data(), sizeof lengths);
    p += sizeof lengths;
    node->FText = p;
    node->FAside = true;
    for (const std::string_view field : fields) {
        if (!field.empty())
            std::memcpy(p, field.data(), field.size());
        p += field.size();
        *p++ = '#';
    }
}

void TTaxonomyTree::MakeRoomForChild(TTreeNode* parent) {
    if (!parent)
        return;
    const TTreeNode::TListHead head =
        parent->FChildren ? TTreeNode::ListHead(parent->FChildren) : TTreeNode::TListHead{0, 0};
    if (head.Count < head.Capacity)
        return;
    const size_t capacity = std::max<size_t>(4, size_t{head.Capacity} * 2);
    const uint32_t narrow = FieldLength(capacity); // throws before the node changes
    TTreeNode** children = FPointerPool.Take(capacity + 1) + 1;
    if (head.Count != 0)
        // NOLINTNEXTLINE(bugprone-sizeof-expression): an array of node pointers
        std::memcpy(children, parent->FChildren, head.Count * sizeof(TTreeNode*));
    TTreeNode::SetListHead(children, {head.Count, narrow});
    parent->FChildren = children;
}

namespace {
uint64_t NewGeneration() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}
} // namespace

TTaxonomyTree::TTaxonomyTree() : FGeneration(NewGeneration()) {
    Touch();
}

void TTaxonomyTree::Touch() {
    static std::atomic<uint64_t> last{0};
    FStamp = ++last;
}

TTreeNode* TTaxonomyTree::AddNode(TTreeNode* parent, const TTaxonomyData& data) {
    // The record is filled before the tree or the observers see it: a field too long to store
    // fails with nothing changed.
    FInLoadOrder = false;
    TTreeNode* node = NewNode();
    StoreFields(node, data.Marker(), data.Id(), data.Name(), data.Info());
    MakeRoomForChild(parent);
    const size_t row = ChildCount(parent);
    const bool notify = FBulkDepth == 0;
    if (notify)
        for (auto* o : FObservers)
            o->BeginInsert(parent, static_cast<int>(row));
    node->FParent = parent;
    node->FRow = static_cast<uint32_t>(row);
    if (parent) {
        parent->FChildren[row] = node;
        TTreeNode::SetListHead(parent->FChildren, {static_cast<uint32_t>(row + 1),
                                                   TTreeNode::ListHead(parent->FChildren).Capacity});
    } else {
        FTop.push_back(node);
    }
    ++FNodeCount;
    Touch();
    if (notify)
        for (auto* o : FObservers)
            o->EndInsert();
    return node;
}

void TTaxonomyTree::SetFields(TTreeNode* node, const TTaxonomyData& data) {
    if (FBulkDepth == 0)
        for (auto* o : FObservers)
            o->NodeChanging(node);
    // The old text stays in the pool: the marker is copied from it.
    StoreFields(node, node->Marker(), data.Id(), data.Name(), data.Info());
    Touch();
}

void TTaxonomyTree::DeleteNode(TTreeNode* node) {
    if (!node)
        return;
    FInLoadOrder = false;
    TTreeNode* parent = node->FParent;
    const size_t row = static_cast<size_t>(node->FRow);
    const bool notify = FBulkDepth == 0;
    if (notify)
        for (auto* o : FObservers)
            o->BeginRemove(parent, node->Row());
    Touch();
    // Pre-order: the node first, then its descendants, all still intact.
    const TTreeNode* stop = NextSkippingChildren(node);
    for (TTreeNode* n = node; n && n != stop; n = Next(n)) {
        for (auto* o : FObservers)
            o->NodeDeleting(n);
        n->FDeleted = true;
        --FNodeCount;
    }
    // The records stay in their blocks until the tree is cleared.
    if (parent) {
        TTreeNode** children = parent->FChildren;
        TTreeNode::TListHead head = TTreeNode::ListHead(children);
        std::memmove(children + row, children + row + 1,
                     (head.Count - row - 1) * sizeof(TTreeNode*)); // NOLINT(bugprone-sizeof-expression)
        --head.Count;
        TTreeNode::SetListHead(children, head);
        for (size_t i = row; i < head.Count; ++i)
            children[i]->FRow = static_cast<uint32_t>(i);
    } else {
        FTop.erase(FTop.begin() + static_cast<std::ptrdiff_t>(row));
        for (size_t i = row; i < FTop.size(); ++i)
            FTop[i]->FRow = static_cast<uint32_t>(i);
    }
    node->FParent = nullptr;
    if (notify)
        for (auto* o : FObservers)
            o->EndRemove();
}

bool TTaxonomyTree::IsBranch(const std::vector<TBranchLine>& lines) {
    if (lines.empty() || lines.front().Depth != 0)
        return false;
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i].Depth == 0 || lines[i].Depth > lines[i - 1].Depth + 1)
            return false;
    return true;
}

TTreeNode* TTaxonomyTree::InsertBranch(TTreeNode* parent, size_t row, const std::vector<TBranchLine>& lines) {
    if (row > ChildCount(parent))
        throw std::invalid_argument("no place for the branch");
    if (!IsBranch(lines))
        throw std::invalid_argument("a branch line without its parent");
    // The records are made and linked below the first one before anyone sees them.
    auto append = [this](TTreeNode* above, TTreeNode* node) {
        MakeRoomForChild(above);
        const TTreeNode::TListHead head = TTreeNode::ListHead(above->FChildren);
        node->FParent = above;
        node->FRow = head.Count;
        above->FChildren[head.Count] = node;
        TTreeNode::SetListHead(above->FChildren, {head.Count + 1, head.Capacity});
    };
    std::vector<TTreeNode*> path;
    FInLoadOrder = false;
    for (const TBranchLine& line : lines) {
        TTreeNode* node = NewNode();
        StoreFields(node, line.Data.Marker(), line.Data.Id(), line.Data.Name(), line.Data.Info());
        node->FExpanded = line.Expanded;
        path.resize(line.Depth);
        if (!path.empty())
            append(path.back(), node);
        path.push_back(node);
    }
    TTreeNode* top = path.front();
    MakeRoomForChild(parent);
    const bool notify = FBulkDepth == 0;
    if (notify)
        for (auto* o : FObservers)
            o->BeginInsert(parent, static_cast<int>(row));
    top->FParent = parent;
    if (parent) {
        TTreeNode** children = parent->FChildren;
        TTreeNode::TListHead head = TTreeNode::ListHead(children);
        std::memmove(children + row + 1, children + row,
                     (head.Count - row) * sizeof(TTreeNode*)); // NOLINT(bugprone-sizeof-expression)
        children[row] = top;
        ++head.Count;
        TTreeNode::SetListHead(children, head);
        for (size_t i = row; i < head.Count; ++i)
            children[i]->FRow = static_cast<uint32_t>(i);
    } else {
        FTop.insert(FTop.begin() + static_cast<std::ptrdiff_t>(row), top);
        for (size_t i = row; i < FTop.size(); ++i)
            FTop[i]->FRow = static_cast<uint32_t>(i);
    }
    FNodeCount += lines.size();
    Touch();
    if (notify)
        for (auto* o : FObservers)
            o->EndInsert();
    return top;
}

void TTaxonomyTree::ReleaseAll() {
    FGeneration = NewGeneration();
    FTop.clear();
    FTop.shrink_to_fit();
    FNodeBlocks.clear();
    FNodesLeft = 0;
    FInLoadOrder = true;
    FLoadedText = {};
    FTextPool.Clear();
    FPointerPool.Clear();
    FNodeCount = 0;
    Touch();
}

void TTaxonomyTree::Clear() {
    const bool notify = FBulkDepth == 0; // inside a bulk load the reset is already announced
    if (notify)
        for (auto* o : FObservers)
            o->BeginReset();
    if (!FObservers.empty())
        ForEachNode([&](TTreeNode* n) {
            for (auto* o : FObservers)
                o->NodeDeleting(n);
        });
    ReleaseAll();
    if (notify)
        for (auto* o : FObservers)
            o->EndReset();
}

void TTaxonomyTree::NotifyChanged(TTreeNode* node) {
    if (FBulkDepth == 0)
        for (auto* o : FObservers)
            o->NodeChanged(node);
}

TTaxonomyTree::TBulkLoad::TBulkLoad(TTaxonomyTree& tree) : FTree(tree) {
    if (FTree.FBulkDepth++ == 0)
        for (auto* o : FTree.FObservers)
            o->BeginReset();
}

TTaxonomyTree::TBulkLoad::~TBulkLoad() {
    if (--FTree.FBulkDepth == 0)
        for (auto* o : FTree.FObservers)
            o->EndReset();
}

void TTaxonomyTree::SetDisplayMode(int mode) {
    if (mode == FMode)
        return;
    TBulkLoad reset(*this);
    FMode = mode;
}

std::string TTaxonomyTree::Caption(const TTreeNode* node) const {
    return node ? NodeText(node->Level(), node->Name(), node->Info(), FMode) : std::string();
}
