#pragma once
// The taxonomy tree in memory (no widgets), the tree file and the tree-state
// file. A view follows the tree through ITreeObserver.

#include "Platform.h"
#include "TaxonomyData.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One branch of the tree, a record of 32 bytes: a loaded tree of ten million lines must fit in
// memory beside its text. Its four fields live in the tree's pooled text: a loaded node points at
// its line in the bytes of the tree file itself and knows the lengths of its marker, id and name,
// the info running to the next '#' or the line's end. A node whose fields were set, or whose line
// is one the lengths cannot describe (an id or name of 8 KiB or more, the file's last line without
// a line end), keeps its fields elsewhere in the pool, with their four lengths just before them.
// Its children are in the tree's pooled pointer arrays, each array after a word with its count and
// capacity. Nodes are created and released by TTaxonomyTree only; a node's address stays the same
// for its whole life.
class TTreeNode {
public:
    TTreeNode* Parent() const { return FParent; } // none for a top-level node
    // Index among its siblings (top-level nodes: in the tree).
    int Row() const { return static_cast<int>(FRow); }
    // Shown open in the tree view; the node keeps it, the view and the tree-state file set it.
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool expanded) { FExpanded = expanded; }
    // Removed from its tree (its record stays until the tree is cleared or loaded again).
    bool Deleted() const { return FDeleted; }

    int Level() const { return static_cast<int>(FAside ? MarkerLength() : FLevel); }
    std::string_view Marker() const { return {FText, MarkerLength()}; }
    // Read in place for a loaded node: the walks over every node read the level and the id.
    std::string_view Id() const {
        return FAside ? Field(1) : std::string_view(FText + FLevel + 1, FIdLength);
    }
    std::string_view Name() const { return Field(2); }
    std::string_view Info() const { return Field(3); }
    // A copy of the four fields.
    TTaxonomyData Data() const;
    // "marker#id#name#info" as one piece of the tree's text, when the fields lie there so (a
    // loaded line with all four fields, a node whose fields were set); empty otherwise.
    std::string_view Line() const;

    bool HasChildren() const { return ChildCount() != 0; }
    size_t ChildCount() const { return FChildren ? ListHead(FChildren).Count : 0; }
    TTreeNode* Child(size_t i) const { return FChildren[i]; }
    std::span<TTreeNode* const> Children() const { return {FChildren, ChildCount()}; }

private:
    friend class TTaxonomyTree;
    // The word before a child array.
    struct TListHead {
        uint32_t Count;
        uint32_t Capacity;
    };
    static TListHead ListHead(TTreeNode* const* children) {
        TListHead head;
        std::memcpy(&head, children - 1, sizeof head);
        return head;
    }
    static void SetListHead(TTreeNode** children, TListHead head) {
        std::memcpy(children - 1, &head, sizeof head);
    }
    // The longest id or name a loaded node describes by itself.
    static constexpr size_t MaxShortLength = (1u << 13) - 1;

    size_t MarkerLength() const;
    // The fields of a node kept aside are stored one after another, each followed by one
    // separator byte: field k starts where field k - 1 ended, plus one.
    std::string_view Field(size_t k) const;

    TTreeNode* FParent = nullptr;
    const char* FText = nullptr;
    TTreeNode** FChildren = nullptr;
    uint32_t FRow = 0;
    uint32_t FLevel : 3 = 0;
    uint32_t FExpanded : 1 = 0;
    uint32_t FDeleted : 1 = 0;
    uint32_t FAside : 1 = 0; // the fields are kept aside, with their lengths
    uint32_t FIdLength : 13 = 0;
    uint32_t FNameLength : 13 = 0;
};

// Announces every change in pairs so that an item model can follow.
// During BeginReset/EndReset no insert notifications are sent.
class ITreeObserver {
public:
    virtual ~ITreeObserver() = default;
    virtual void BeginReset() {}
    virtual void EndReset() {}
    // A node is about to be inserted as child `row` of `parent` (nullptr = top level).
    virtual void BeginInsert(TTreeNode* /*parent*/, int /*row*/) {}
    virtual void EndInsert() {}
    // Child `row` of `parent` and its subtree are about to be removed.
    virtual void BeginRemove(TTreeNode* /*parent*/, int /*row*/) {}
    virtual void EndRemove() {}
    // The id, name or info of a node is about to change (NodeChanged follows);
    // its data are still the old ones.
    virtual void NodeChanging(TTreeNode* /*node*/) {}
    // Caption, icon or data of a node changed.
    virtual void NodeChanged(TTreeNode* /*node*/) {}
    // Called for every node that is deleted (the node and each descendant,
    // every node when the tree is cleared) while its data are still intact.
    virtual void NodeDeleting(TTreeNode* /*node*/) {}
};

class TTaxonomyTree {
    // Room for one node record.
    struct alignas(TTreeNode) TNodeRoom {
        std::byte Bytes[sizeof(TTreeNode)];
    };

public:
    using TNodeList = std::span<TTreeNode* const>;

    TTaxonomyTree();
    TTaxonomyTree(const TTaxonomyTree&) = delete;
    TTaxonomyTree& operator=(const TTaxonomyTree&) = delete;
    ~TTaxonomyTree(); // releases the nodes without notifications

    void AddObserver(ITreeObserver* observer);
    void RemoveObserver(ITreeObserver* observer);

    TNodeList TopNodes() const { return {FTop.data(), FTop.size()}; }
    // Children of `parent`, or the top-level nodes for nullptr.
    TNodeList ChildrenOf(const TTreeNode* parent) const { return parent ? parent->Children() : TopNodes(); }
    // Number of children of `parent` (top-level nodes for nullptr) and child `i` of it.
    size_t ChildCount(const TTreeNode* parent) const { return parent ? parent->ChildCount() : FTop.size(); }
    TTreeNode* Child(const TTreeNode* parent, size_t i) const { return parent ? parent->Child(i) : FTop[i]; }
    size_t Count() const { return FNodeCount; }
    // A new value each time every node is released (the tree cleared or loaded again), never the
    // same for two trees: while it stays, a node's record and the text its fields point at stay
    // where they are, and text once written there is never changed.
    uint64_t Generation() const { return FGeneration; }
    bool Empty() const { return FNodeCount == 0; }
    // A new value after every change of the nodes or their fields, never the same for two trees:
    // what was worked out from the tree (its nodes included) holds while this stays the same.
    uint64_t Stamp() const { return FStamp; }
    TTreeNode* First() const { return FTop.empty() ? nullptr : FTop.front(); }
    // Next node in pre-order (depth-first, top to bottom), nullptr at the end.
    TTreeNode* Next(const TTreeNode* node) const;
    // The node after the subtree of `node` in pre-order, nullptr at the end.
    TTreeNode* NextSkippingChildren(const TTreeNode* node) const;
    // Every node in pre-order, one after another, from the first. While the nodes are as they were
    // loaded (no node added, put back or deleted since), their records lie in pre-order in their
    // blocks and are taken from there, without going through the parents.
    class TWalk {
    public:
        explicit TWalk(const TTaxonomyTree& tree);
        TTreeNode* Node() const { return FNode; } // nullptr after the last
        void Advance() {
            if (FRoom && ++FRoom < FRoomEnd)
                FNode = std::launder(reinterpret_cast<TTreeNode*>(FRoom->Bytes));
            else
                Step();
        }

    private:
        void Step();
        const TTaxonomyTree& FTree;
        TTreeNode* FNode = nullptr;
        // In load order: the node's record, the end of the records used in its block, the block.
        TNodeRoom* FRoom = nullptr;
        TNodeRoom* FRoomEnd = nullptr;
        size_t FBlock = 0;
    };
    // Calls fn(TTreeNode*) for every node in pre-order.
    template <class F> void ForEachNode(F&& fn) const {
        for (TWalk walk(*this); TTreeNode* n = walk.Node(); walk.Advance())
            fn(n);
    }
    std::vector<TTreeNode*> Nodes() const; // pre-order
    // Every node record has a number, fixed for its life and below 2^32, so that a list of many
    // nodes can keep numbers in half the room of pointers. `hint` is where the last number was
    // found (any value to begin with): nodes asked for one after another in pre-order are found
    // there at once. A node of another tree: std::invalid_argument.
    uint32_t NumberOf(const TTreeNode* node, size_t& hint) const;
    TTreeNode* NodeOfNumber(uint32_t number) const {
        const size_t block =
            number < FirstNodeBlockSize ? 0 : 1 + ((number - FirstNodeBlockSize) >> NodeBlockBits);
        const size_t index = block == 0 ? number : (number - FirstNodeBlockSize) & (NodeBlockSize - 1);
        return std::launder(reinterpret_cast<TTreeNode*>(FNodeBlocks[block][index].Bytes));
    }
    // The tree file's bytes, in pieces to put(std::string_view) one after another: every node's
    // "marker#id#name#info" and CR LF, in pre-order. Loaded lines that still follow one another in
    // the file's own bytes, each with its four fields and a CR LF, go as one piece.
    void PutLines(const std::function<void(std::string_view)>& put) const;

    // Appends a node with a copy of `data` as the last child of `parent`
    // (nullptr = last top-level node).
    TTreeNode* AddNode(TTreeNode* parent, const TTaxonomyData& data);
    // Copies id, name and info of `data` into the node (its marker stays);
    // the observers see NodeChanging first, NodeChanged is the caller's (see
    // NotifyChanged).
    void SetFields(TTreeNode* node, const TTaxonomyData& data);
    // Deletes the node with its subtree; NodeDeleting runs for each first.
    void DeleteNode(TTreeNode* node);
    // One node of a branch to put in: its depth below the branch's first node (0 for that one,
    // each node deeper than the one before it by at most one), its fields and open state.
    struct TBranchLine {
        size_t Depth = 0;
        TTaxonomyData Data;
        bool Expanded = false;
    };
    // Puts a whole branch in as child `row` of `parent` (nullptr = top level), `row` at most the
    // number of children; the observers see one insert of its first node. Returns that node.
    // Throws std::invalid_argument, with the tree unchanged, for an empty list, a bad row or depth.
    TTreeNode* InsertBranch(TTreeNode* parent, size_t row, const std::vector<TBranchLine>& lines);
    // Whether InsertBranch takes these lines (at a row it takes).
    static bool IsBranch(const std::vector<TBranchLine>& lines);
    // Deletes every node; NodeDeleting runs for each, inside BeginReset/EndReset.
    void Clear();
    // Tells the observers that a node's caption or data changed.
    void NotifyChanged(TTreeNode* node);

    // Builds the tree from the bytes of a tree file, which the tree keeps as
    // the text of its nodes (clearing it first). Lines are split at CR, LF or
    // CR LF, a leading UTF-8 byte-order mark is dropped; empty lines and lines
    // without any '#' are skipped, missing fields are empty, a fifth field and
    // beyond are dropped, lines whose marker has 6 or more characters are
    // skipped; a line with no possible parent becomes a top-level node.
    // FObservers see one reset. Throws ETooLarge, with the tree left empty, for more than
    // MaxTextSize() bytes.
    void LoadOutline(std::unique_ptr<char[]> bytes, size_t size);
    // The largest text LoadOutline takes: 4 GiB less one byte, so that no row and no count of
    // children (a line takes two bytes at least) can outgrow their 32 bits. Tests set less.
    size_t MaxTextSize() const { return FMaxTextSize; }
    void SetMaxTextSize(size_t size) { FMaxTextSize = size; }

    // Bulk loading: BeginReset now, EndReset when the scope ends; the
    // inserts in between send no notifications.
    class TBulkLoad {
    public:
        explicit TBulkLoad(TTaxonomyTree& tree);
        ~TBulkLoad();
        TBulkLoad(const TBulkLoad&) = delete;
        TBulkLoad& operator=(const TBulkLoad&) = delete;

    private:
        TTaxonomyTree& FTree;
    };

    // Display mode used for captions (1 name, 2 info, 3 both). Changing it
    // resets the observers' view of the tree.
    int DisplayMode() const { return FMode; }
    void SetDisplayMode(int mode);
    // The node's caption: NodeText(level, data, DisplayMode()).
    std::string Caption(const TTreeNode* node) const;

private:
    TTreeNode* NewNode();
    // Stores marker#id#name#info in the pooled text and points the node at it.
    void StoreFields(TTreeNode* node, std::string_view marker, std::string_view id, std::string_view name,
                     std::string_view info);
    // Room for one more child of `parent` (or at the top level).
    void MakeRoomForChild(TTreeNode* parent);
    void ReleaseAll(); // drops every node and pool without notifications
    void Touch();      // a new stamp

    // Nodes in blocks, each record made when it is handed out; a deleted node's record is not
    // reused. The first block is small, so that a small tree stays small.
    static constexpr size_t FirstNodeBlockSize = 65536;
    static constexpr size_t NodeBlockBits = 20;
    static constexpr size_t NodeBlockSize = size_t(1) << NodeBlockBits;
    std::vector<std::unique_ptr<TNodeRoom[]>> FNodeBlocks;
    size_t FNodesLeft = 0;        // free records in the last block
    size_t FNodeBlockSize = 0;    // records in the last block
    bool FInLoadOrder = true;     // the records in the blocks are the nodes in pre-order
    std::string_view FLoadedText; // the bytes of the loaded file, which loaded nodes point into
    // Hands out runs of T from large blocks, released all at once; a run longer than a quarter
    // block gets a block of its own, so the current block stays in use. Each block is twice the
    // one before, up to 64 times the first; the larger ones live in huge pages.
    template <class T, size_t BlockSize> class TPool {
    public:
        T* Take(size_t count) {
            if (count > BlockSize / 4)
                return Adopt(std::make_unique_for_overwrite<T[]>(count));
            if (count > FLeft) {
                FSize = FSize == 0 ? BlockSize : std::min(2 * FSize, 64 * BlockSize);
                FFree = Adopt(std::make_unique_for_overwrite<T[]>(FSize));
                // NOLINTNEXTLINE(bugprone-sizeof-expression): T may be a pointer
                AdviseHugePages(FFree, FSize * sizeof(T));
                FLeft = FSize;
            }
            T* run = FFree;
            FFree += count;
            FLeft -= count;
            return run;
        }
        // Keeps a block made elsewhere (the bytes of a loaded file).
        T* Adopt(std::unique_ptr<T[]> block) {
            FBlocks.push_back(std::move(block));
            return FBlocks.back().get();
        }
        void Clear() { *this = TPool(); }

    private:
        std::vector<std::unique_ptr<T[]>> FBlocks;
        T* FFree = nullptr;
        size_t FLeft = 0;
        size_t FSize = 0; // of the last block
    };
    // Text: the loaded file, then fields written later.
    TPool<char, 64 * 1024> FTextPool;
    // Child pointer arrays, each after its head.
    TPool<TTreeNode*, 8192> FPointerPool;

    std::vector<TTreeNode*> FTop;
    size_t FNodeCount = 0;
    uint64_t FGeneration = 0;
    uint64_t FStamp = 0;
    int FMode = 3;
    int FBulkDepth = 0;
    size_t FMaxTextSize = UINT32_MAX;
    std::vector<ITreeObserver*> FObservers;
};

// A node held across a wait (a question, a transfer, the next key press). It yields null once the
// node or one above it is deleted, or its tree is cleared or loaded again, so its holder never
// follows a pointer to a node that is gone. It must not outlive its tree.
class TNodeRef {
public:
    TNodeRef() = default;
    TNodeRef(const TTaxonomyTree& tree, TTreeNode* node)
        : FTree(&tree), FNode(node), FGeneration(tree.Generation()) {}

    TTreeNode* Get() const {
        return FNode && FTree->Generation() == FGeneration && !FNode->Deleted() ? FNode : nullptr;
    }
    explicit operator bool() const { return Get() != nullptr; }

private:
    const TTaxonomyTree* FTree = nullptr;
    TTreeNode* FNode = nullptr;
    uint64_t FGeneration = 0;
};

// ---- tree functions ----

// Caption: LevelNames[level] + " " (nothing for a genus), then the name when
// bit 1 of `mode` is set, then " (" + info + ")" when bit 2 is set.
std::string NodeText(int level, std::string_view name, std::string_view info, int mode);
// The same caption as the pieces NodeText joins, read in place: the level's name and a space, the
// name, then " (", the info and ")"; the pieces that the level or the mode leave out are empty.
using TNodeTextPieces = std::array<std::string_view, 6>;
TNodeTextPieces NodeTextPieces(int level, std::string_view name, std::string_view info, int mode);
inline std::string NodeText(int level, const TTaxonomyData& data, int mode) {
    return NodeText(level, data.Name(), data.Info(), mode);
}
// Icons: levels 0..4 -> 0, genus -> 2, genus with id "(n/a)" -> 4; the
// selected icon is the next index.
int ImageIndexOf(const TTreeNode* node);
int SelectedIndexOf(const TTreeNode* node);

// Builds the tree from "classifytree.dat" (clearing it first if needed).
// Returns 0, or -1 when the file is missing or has no usable line. Empty
// lines and lines without any '#' are skipped; missing fields are empty;
// lines whose marker has 6 or more characters are skipped; a line with no
// possible parent becomes a top-level node. Throws EFOpenError when the file
// exists but cannot be read.
int LoadTree(TTaxonomyTree& tree);
// Appends a node (copy of all four fields) and updates it.
TTreeNode* AddTreeNode(TTaxonomyTree& tree, TTreeNode* parent, const TTaxonomyData& data);
// Copies id, name and info (not the marker) into the node and notifies.
void UpdateTreeNode(TTaxonomyTree& tree, TTreeNode* node, const TTaxonomyData& data);
// Key for FindTreeNode: marker = `level` spaces, id in lower case.
TTaxonomyData MakeNodeKey(int level, const std::string& id, const std::string& name, const std::string& info);
// First node in pre-order whose id equals key's id; for id "(n/a)" the first
// whose name equals key's name. Exact comparisons.
TTreeNode* FindTreeNode(const TTaxonomyTree& tree, const TTaxonomyData& key);
// Writes every node to "classifytree.dat" (atomically).
void SaveTreeFile(const TTaxonomyTree& tree);

// The open state is each node's Expanded flag, which only the view changes (so that its list of
// shown rows stays right); reading and writing the state file go through these accessors.
using TSetExpanded = std::function<void(TTreeNode* node, bool expanded)>;
using TIsExpanded = std::function<bool(const TTreeNode* node)>;
// Applies "treestate.dat" (linear walk; mismatching lines are skipped).
void LoadTreeState(const TTaxonomyTree& tree, const TSetExpanded& setExpanded);
// Writes "treestate.dat": marker#id#1 or 0 for every node.
void SaveTreeState(const TTaxonomyTree& tree, const TIsExpanded& isExpanded);
