#include "TaxonomyTree.h"

#include "TextFiles.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <stdexcept>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr size_t NodeBlockSize = 65536;
constexpr size_t LevelSlots = 6; // a marker of six or more characters makes no node

uint32_t FieldLength(size_t size) {
    if (size > UINT32_MAX)
        throw std::length_error("tree field too long");
    return static_cast<uint32_t>(size);
}

// Calls fn(begin, end, hashes, count) for every line of `text` (split at CR,
// LF or CR LF; a CR LF pair gives an empty line in between, which has no '#'),
// with the positions of its first four '#' and their count. The bytes are
// looked at sixteen at a time: a tree file is mostly short lines.
template <class F> void ScanOutline(std::string_view text, F&& fn) {
    text = WithoutByteOrderMark(text);
    const char* const data = text.data();
    const size_t size = text.size();
    const char* line = data;
    std::array<const char*, 4> hashes{};
    size_t count = 0;
    auto at = [&](size_t i) {
        const char c = data[i];
        if (c == '#') {
            if (count < hashes.size())
                hashes[count] = data + i;
            ++count;
            return;
        }
        fn(line, data + i, hashes, count < 4 ? count : 4);
        line = data + i + 1;
        count = 0;
    };
    size_t i = 0;
#ifdef __SSE2__
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(block, hash),
                                         _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask; mask &= mask - 1)
            at(i + static_cast<size_t>(__builtin_ctz(mask)));
    }
#endif
    for (; i < size; ++i)
        if (data[i] == '#' || data[i] == '\r' || data[i] == '\n')
            at(i);
    if (line < data + size)
        fn(line, data + size, hashes, count < 4 ? count : 4);
}

} // namespace

static_assert(sizeof(TTreeNode) <= 56, "a tree node should stay one small record");

std::string_view TTreeNode::Field(size_t k) const {
    if (FLen[k] == 0)
        return {};
    const char* p = FText;
    for (size_t i = 0; i < k; ++i)
        p += FLen[i] + 1;
    return {p, FLen[k]};
}

std::string_view TTreeNode::Line() const {
    // Only an info field of its own shows that its line held all four fields: the separator
    // after a missing field may be the line's end, or past the end of the text.
    if (FLen[3] == 0)
        return {};
    size_t size = 0;
    for (size_t k = 0; k < 3; ++k) {
        size += FLen[k];
        if (FText[size] != '#')
            return {};
        ++size;
    }
    return {FText, size + FLen[3]};
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
    if (node->FChildCount != 0)
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

std::vector<TTreeNode*> TTaxonomyTree::Nodes() const {
    std::vector<TTreeNode*> nodes;
    nodes.reserve(FNodeCount);
    ForEachNode([&](TTreeNode* n) { nodes.push_back(n); });
    return nodes;
}

TTreeNode* TTaxonomyTree::NewNode() {
    if (FNodesLeft == 0) {
        FNodeBlocks.push_back(std::make_unique<TTreeNode[]>(NodeBlockSize));
        FNodesLeft = NodeBlockSize;
    }
    return &FNodeBlocks.back()[NodeBlockSize - FNodesLeft--];
}

void TTaxonomyTree::StoreFields(TTreeNode* node, std::string_view marker, std::string_view id,
                                std::string_view name, std::string_view info) {
    const std::array<std::string_view, 4> fields{marker, id, name, info};
    std::array<uint32_t, 4> lengths{};
    size_t size = 0;
    for (size_t k = 0; k < fields.size(); ++k) {
        lengths[k] = FieldLength(fields[k].size()); // throws before the node changes
        size += fields[k].size() + 1;
    }
    char* p = FTextPool.Take(size);
    node->FText = p;
    for (size_t k = 0; k < fields.size(); ++k) {
        node->FLen[k] = lengths[k];
        if (!fields[k].empty())
            std::memcpy(p, fields[k].data(), fields[k].size());
        p += fields[k].size();
        *p++ = '#';
    }
}

void TTaxonomyTree::MakeRoomForChild(TTreeNode* parent) {
    if (!parent || parent->FChildCount < parent->FChildCapacity)
        return;
    const size_t capacity = std::max<size_t>(4, size_t{parent->FChildCapacity} * 2);
    TTreeNode** children = FPointerPool.Take(capacity);
    if (parent->FChildCount != 0)
        // NOLINTNEXTLINE(bugprone-sizeof-expression): an array of node pointers
        std::memcpy(children, parent->FChildren, parent->FChildCount * sizeof(TTreeNode*));
    parent->FChildren = children;
    parent->FChildCapacity = FieldLength(capacity);
}

void TTaxonomyTree::Touch() {
    static std::atomic<uint64_t> last{0};
    FStamp = ++last;
}

TTreeNode* TTaxonomyTree::AddNode(TTreeNode* parent, const TTaxonomyData& data) {
    // The record is filled before the tree or the observers see it: a field too long to store
    // fails with nothing changed.
    TTreeNode* node = NewNode();
    StoreFields(node, data.Marker(), data.Id(), data.Name(), data.Info());
    MakeRoomForChild(parent);
    const int row = static_cast<int>(ChildCount(parent));
    const bool notify = FBulkDepth == 0;
    if (notify)
        for (auto* o : FObservers)
            o->BeginInsert(parent, row);
    node->FParent = parent;
    node->FRow = row;
    if (parent) {
        parent->FChildren[parent->FChildCount++] = node;
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
    TTreeNode* parent = node->FParent;
    const size_t row = static_cast<size_t>(node->FRow);
    const bool notify = FBulkDepth == 0;
    if (notify)
        for (auto* o : FObservers)
            o->BeginRemove(parent, node->FRow);
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
        std::memmove(children + row, children + row + 1,
                     (parent->FChildCount - row - 1) * sizeof(TTreeNode*)); // NOLINT(bugprone-sizeof-expression)
        --parent->FChildCount;
        for (size_t i = row; i < parent->FChildCount; ++i)
            children[i]->FRow = static_cast<int>(i);
    } else {
        FTop.erase(FTop.begin() + static_cast<std::ptrdiff_t>(row));
        for (size_t i = row; i < FTop.size(); ++i)
            FTop[i]->FRow = static_cast<int>(i);
    }
    node->FParent = nullptr;
    if (notify)
        for (auto* o : FObservers)
            o->EndRemove();
}

TTreeNode* TTaxonomyTree::InsertBranch(TTreeNode* parent, size_t row, const std::vector<TBranchLine>& lines) {
    if (lines.empty() || lines.front().Depth != 0 || row > ChildCount(parent))
        throw std::invalid_argument("no place for the branch");
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i].Depth == 0 || lines[i].Depth > lines[i - 1].Depth + 1)
            throw std::invalid_argument("a branch line without its parent");
    // The records are made and linked below the first one before anyone sees them.
    std::vector<TTreeNode*> path;
    for (const TBranchLine& line : lines) {
        TTreeNode* node = NewNode();
        StoreFields(node, line.Data.Marker(), line.Data.Id(), line.Data.Name(), line.Data.Info());
        node->FExpanded = line.Expanded;
        path.resize(line.Depth);
        if (!path.empty()) {
            TTreeNode* above = path.back();
            MakeRoomForChild(above);
            node->FParent = above;
            node->FRow = static_cast<int>(above->FChildCount);
            above->FChildren[above->FChildCount++] = node;
        }
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
        std::memmove(children + row + 1, children + row,
                     (parent->FChildCount - row) * sizeof(TTreeNode*)); // NOLINT(bugprone-sizeof-expression)
        children[row] = top;
        ++parent->FChildCount;
        for (size_t i = row; i < parent->FChildCount; ++i)
            children[i]->FRow = static_cast<int>(i);
    } else {
        FTop.insert(FTop.begin() + static_cast<std::ptrdiff_t>(row), top);
        for (size_t i = row; i < FTop.size(); ++i)
            FTop[i]->FRow = static_cast<int>(i);
    }
    FNodeCount += lines.size();
    Touch();
    if (notify)
        for (auto* o : FObservers)
            o->EndInsert();
    return top;
}

void TTaxonomyTree::ReleaseAll() {
    ++FGeneration;
    FTop.clear();
    FTop.shrink_to_fit();
    FNodeBlocks.clear();
    FNodesLeft = 0;
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
        for (TTreeNode* n = First(); n; n = Next(n))
            for (auto* o : FObservers)
                o->NodeDeleting(n);
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

void TTaxonomyTree::LoadOutline(std::unique_ptr<char[]> bytes, size_t size) {
    if (!Empty())
        Clear();
    TBulkLoad bulk(*this);
    ReleaseAll();
    const std::string_view text(bytes.get(), size);
    FTextPool.Adopt(std::move(bytes));

    // Parents by level: the closest line above with a smaller level.
    std::array<TTreeNode*, LevelSlots> slots{};
    auto addLine = [&](const char* begin, const char* end, const std::array<const char*, 4>& hashes,
                       size_t count) {
        // A line without any '#' (including an empty one) is not a tree line; nor is one whose
        // fields could not be stored (over 4 GiB).
        if (count == 0 || static_cast<uint64_t>(end - begin) > UINT32_MAX)
            return;
        const size_t level = static_cast<size_t>(hashes[0] - begin);
        if (level >= LevelSlots)
            return;
        TTreeNode* node = NewNode();
        node->FText = begin;
        node->FLen[0] = static_cast<uint32_t>(level);
        // Every field ends at the next '#' or at the end of the line; a fifth field is dropped.
        for (size_t k = 1; k < 4 && k <= count; ++k) {
            const char* from = hashes[k - 1] + 1;
            node->FLen[k] = FieldLength(static_cast<size_t>((k < count ? hashes[k] : end) - from));
        }
        TTreeNode* parent = nullptr;
        for (size_t k = level; k-- > 0;)
            if (slots[k]) {
                parent = slots[k];
                break;
            }
        for (size_t k = level + 1; k < slots.size(); ++k)
            slots[k] = nullptr;
        slots[level] = node;
        node->FParent = parent;
        if (parent) {
            node->FRow = static_cast<int>(parent->FChildCount++);
        } else {
            node->FRow = static_cast<int>(FTop.size());
            FTop.push_back(node);
        }
        ++FNodeCount;
    };
    ScanOutline(text, addLine);

    // The child arrays: one array for the whole tree, each parent's part
    // given out in file order (a parent always comes before its children).
    const size_t childTotal = FNodeCount - FTop.size();
    TTreeNode** next = childTotal ? FPointerPool.Take(childTotal) : nullptr;
    for (const auto& block : FNodeBlocks) {
        const size_t used = &block == &FNodeBlocks.back() ? NodeBlockSize - FNodesLeft : NodeBlockSize;
        for (TTreeNode *n = block.get(), *blockEnd = n + used; n != blockEnd; ++n) {
            if (n->FChildCount != 0) {
                n->FChildren = next;
                n->FChildCapacity = n->FChildCount;
                next += n->FChildCount;
            }
            if (n->FParent)
                n->FParent->FChildren[n->FRow] = n;
        }
    }
    Touch();
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
