#include "TaxonomyTree.h"

#include "Errors.h"
#include "Platform.h"
#include "TextFiles.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <new>
#include <stdexcept>
#include <type_traits>

namespace {

// Nodes come in blocks: a small first one, then large ones in huge pages (see NewNode).
constexpr size_t LevelSlots = 6; // a marker of six or more characters makes no node

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

namespace {

struct TLineByteCounts {
    size_t Hashes = 0;
    size_t Crs = 0;
    size_t Lfs = 0;
};

TLineByteCounts CountLineBytes(std::string_view text) {
    TLineByteCounts counts;
    const char* const data = text.data();
    size_t i = 0;
#ifdef __SSE2__
    // Each byte of a counter counts its byte's matches for up to 255 blocks, then they are summed.
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    auto sum = [&](__m128i counters) {
        const __m128i sums = _mm_sad_epu8(counters, zero);
        return static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
               static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    };
    while (i + 16 <= text.size()) {
        __m128i hashes = zero, crs = zero, lfs = zero;
        for (int k = 0; k < 255 && i + 16 <= text.size(); ++k, i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            hashes = _mm_sub_epi8(hashes, _mm_cmpeq_epi8(block, hash));
            crs = _mm_sub_epi8(crs, _mm_cmpeq_epi8(block, cr));
            lfs = _mm_sub_epi8(lfs, _mm_cmpeq_epi8(block, lf));
        }
        counts.Hashes += sum(hashes);
        counts.Crs += sum(crs);
        counts.Lfs += sum(lfs);
    }
#endif
    for (; i < text.size(); ++i) {
        counts.Hashes += data[i] == '#';
        counts.Crs += data[i] == '\r';
        counts.Lfs += data[i] == '\n';
    }
    return counts;
}

// Nodes gathered into one piece at most: their text stays in the cache for the count.
constexpr size_t RunBytes = 256 * 1024;

} // namespace

void TTaxonomyTree::PutLines(const std::function<void(std::string_view)>& put) const {
    auto putNode = [&](const TTreeNode* n) {
        if (const std::string_view line = n->Line(); !line.empty()) {
            put(line);
        } else {
            put(n->Marker());
            put("#");
            put(n->Id());
            put("#");
            put(n->Name());
            put("#");
            put(n->Info());
        }
        put("\r\n");
    };
    const char* const loaded = FLoadedText.data();
    const size_t loadedSize = FLoadedText.size();
    // A loaded line whose first three '#' are where its lengths say, read in place.
    auto loadedWithFourFields = [&](const TTreeNode* n) {
        if (n->FAside || n->FText < loaded || static_cast<size_t>(n->FText - loaded) >= loadedSize)
            return false;
        const char* afterId = n->FText + n->FLevel + 1 + n->FIdLength;
        return n->FText[n->FLevel] == '#' && *afterId == '#' && afterId[1 + n->FNameLength] == '#';
    };
    // The nodes of a run start lines one after another in the loaded text, each after a CR LF.
    // The bytes from the first to the last are then the lines of all but the last exactly when
    // they hold one CR, one LF and three '#' for each: every CR LF is then one before a node of
    // the run, and each line's three '#' are those checked in place, so its info runs to its CR.
    std::vector<const TTreeNode*> run;
    auto putRunButLast = [&] {
        if (run.size() < 2)
            return;
        const std::string_view bytes(run.front()->FText,
                                     static_cast<size_t>(run.back()->FText - run.front()->FText));
        const TLineByteCounts counts = CountLineBytes(bytes);
        const size_t lines = run.size() - 1;
        if (counts.Hashes == 3 * lines && counts.Crs == lines && counts.Lfs == lines)
            put(bytes);
        else
            std::for_each(run.begin(), run.end() - 1, putNode);
    };
    ForEachNode([&](const TTreeNode* n) {
        if (!run.empty()) {
            const TTreeNode* last = run.back();
            const bool follows = loadedWithFourFields(n) && n->FText - last->FText >= 2 &&
                                 n->FText[-2] == '\r' && n->FText[-1] == '\n';
            if (follows && static_cast<size_t>(n->FText - run.front()->FText) < RunBytes) {
                run.push_back(n);
                return;
            }
            putRunButLast();
            if (follows) { // the run is long enough: the next goes on from its last node
                run.assign(1, last);
                run.push_back(n);
                return;
            }
            putNode(last);
            run.clear();
        }
        if (loadedWithFourFields(n))
            run.push_back(n);
        else
            putNode(n);
    });
    putRunButLast();
    if (!run.empty())
        putNode(run.back());
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

TTreeNode* TTaxonomyTree::InsertBranch(TTreeNode* parent, size_t row, const std::vector<TBranchLine>& lines) {
    if (lines.empty() || lines.front().Depth != 0 || row > ChildCount(parent))
        throw std::invalid_argument("no place for the branch");
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i].Depth == 0 || lines[i].Depth > lines[i - 1].Depth + 1)
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

void TTaxonomyTree::LoadOutline(std::unique_ptr<char[]> bytes, size_t size) {
    if (!Empty())
        Clear();
    TBulkLoad bulk(*this);
    ReleaseAll();
    if (size > FMaxTextSize)
        throw ETooLarge("A tree file of " + std::to_string(size) + " bytes is larger than the " +
                        std::to_string(FMaxTextSize) + " that can be loaded.");
    const std::string_view text(bytes.get(), size);
    const char* const textEnd = text.data() + text.size();
    FTextPool.Adopt(std::move(bytes));
    FLoadedText = text;

    // Parents by level: the closest line above with a smaller level. The children of each of
    // them are collected until its branch ends (a line of its level or above), then copied after
    // a head into the pooled arrays.
    std::array<TTreeNode*, LevelSlots> slots{};
    std::array<std::vector<TTreeNode*>, LevelSlots> children;
    auto close = [&](size_t level) {
        std::vector<TTreeNode*>& list = children[level];
        if (!list.empty()) {
            TTreeNode** array = FPointerPool.Take(list.size() + 1) + 1;
            // NOLINTNEXTLINE(bugprone-sizeof-expression): an array of node pointers
            std::memcpy(array, list.data(), list.size() * sizeof(TTreeNode*));
            const auto count = static_cast<uint32_t>(list.size());
            TTreeNode::SetListHead(array, {count, count});
            slots[level]->FChildren = array;
            list.clear();
        }
        slots[level] = nullptr;
    };
    auto addLine = [&](const char* begin, const char* end, const std::array<const char*, 4>& hashes,
                       size_t count) {
        // A line without any '#' (including an empty one) is not a tree line.
        if (count == 0)
            return;
        const size_t level = static_cast<size_t>(hashes[0] - begin);
        if (level >= LevelSlots)
            return;
        // Every field ends at the next '#' or at the end of the line; a fifth field is dropped.
        std::array<std::string_view, 4> fields{std::string_view(begin, level)};
        for (size_t k = 1; k < 4 && k <= count; ++k) {
            const char* from = hashes[k - 1] + 1;
            fields[k] = std::string_view(from, static_cast<size_t>((k < count ? hashes[k] : end) - from));
        }
        TTreeNode* node = NewNode();
        // The node reads its fields in the line itself when the line ends before the text does
        // and the lengths fit; otherwise they are kept aside.
        if (end != textEnd && fields[1].size() <= TTreeNode::MaxShortLength &&
            fields[2].size() <= TTreeNode::MaxShortLength) {
            node->FText = begin;
            node->FLevel = static_cast<uint32_t>(level) & 7u;
            node->FIdLength = static_cast<uint32_t>(fields[1].size()) & TTreeNode::MaxShortLength;
            node->FNameLength = static_cast<uint32_t>(fields[2].size()) & TTreeNode::MaxShortLength;
        } else {
            StoreFields(node, fields[0], fields[1], fields[2], fields[3]);
        }
        for (size_t k = level; k < LevelSlots; ++k)
            if (slots[k])
                close(k);
        size_t parentLevel = level;
        while (parentLevel > 0 && !slots[parentLevel - 1])
            --parentLevel;
        std::vector<TTreeNode*>& siblings = parentLevel > 0 ? children[parentLevel - 1] : FTop;
        node->FParent = parentLevel > 0 ? slots[parentLevel - 1] : nullptr;
        node->FRow = static_cast<uint32_t>(siblings.size());
        siblings.push_back(node);
        slots[level] = node;
        ++FNodeCount;
    };
    ScanHashedLines(WithoutByteOrderMark(text), addLine);
    for (size_t k = 0; k < LevelSlots; ++k)
        if (slots[k])
            close(k);
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
