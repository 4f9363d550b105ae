#pragma once
// The taxonomy tree in memory (no widgets), the tree file and the tree-state
// file. A view follows the tree through ITreeObserver.

#include "TaxonomyData.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TTreeNode {
    TTaxonomyData Data;
    TTreeNode* Parent = nullptr; // none for a top-level node
    std::vector<std::unique_ptr<TTreeNode>> Children;
    int Row = 0; // index among its siblings (top-level nodes: in the tree)

    int Level() const { return Data.Level(); }
    bool HasChildren() const { return !Children.empty(); }
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
    // Caption, icon or data of a node changed.
    virtual void NodeChanged(TTreeNode* /*node*/) {}
    // Called for every node that is deleted (the node and each descendant,
    // every node when the tree is cleared) while its data are still intact.
    virtual void NodeDeleting(TTreeNode* /*node*/) {}
};

class TTaxonomyTree {
public:
    using TNodeList = std::vector<std::unique_ptr<TTreeNode>>;

    TTaxonomyTree() = default;
    TTaxonomyTree(const TTaxonomyTree&) = delete;
    TTaxonomyTree& operator=(const TTaxonomyTree&) = delete;
    ~TTaxonomyTree(); // releases the nodes without notifications

    void AddObserver(ITreeObserver* observer);
    void RemoveObserver(ITreeObserver* observer);

    const TNodeList& TopNodes() const { return Top; }
    // Children of `parent`, or the top-level nodes for nullptr.
    const TNodeList& ChildrenOf(const TTreeNode* parent) const;
    size_t Count() const { return NodeCount; }
    bool Empty() const { return NodeCount == 0; }
    TTreeNode* First() const { return Top.empty() ? nullptr : Top.front().get(); }
    // Next node in pre-order (depth-first, top to bottom), nullptr at the end.
    TTreeNode* Next(const TTreeNode* node) const;
    // Calls fn(TTreeNode*) for every node in pre-order.
    template <class F> void ForEachNode(F&& fn) const {
        for (TTreeNode* n = First(); n; n = Next(n))
            fn(n);
    }
    std::vector<TTreeNode*> Nodes() const; // pre-order

    // Appends a node with a copy of `data` as the last child of `parent`
    // (nullptr = last top-level node).
    TTreeNode* AddNode(TTreeNode* parent, const TTaxonomyData& data);
    TTreeNode* AddNode(TTreeNode* parent, TTaxonomyData&& data);
    // Deletes the node with its subtree; NodeDeleting runs for each first.
    void DeleteNode(TTreeNode* node);
    // Deletes every node; NodeDeleting runs for each, inside BeginReset/EndReset.
    void Clear();
    // Tells the observers that a node's caption or data changed.
    void NotifyChanged(TTreeNode* node);

    // Bulk loading: BeginReset now, EndReset when the scope ends; the
    // inserts in between send no notifications.
    class TBulkLoad {
    public:
        explicit TBulkLoad(TTaxonomyTree& tree);
        ~TBulkLoad();
        TBulkLoad(const TBulkLoad&) = delete;
        TBulkLoad& operator=(const TBulkLoad&) = delete;

    private:
        TTaxonomyTree& Tree;
    };

    // Display mode used for captions (1 name, 2 info, 3 both). Changing it
    // resets the observers' view of the tree.
    int DisplayMode() const { return Mode; }
    void SetDisplayMode(int mode);
    // The node's caption: NodeText(level, data, DisplayMode()).
    std::string Caption(const TTreeNode* node) const;

private:
    void ReleaseSubtree(TTreeNode* node); // NodeDeleting for node and descendants
    TNodeList& MutableChildren(TTreeNode* parent) { return parent ? parent->Children : Top; }

    TNodeList Top;
    size_t NodeCount = 0;
    int Mode = 3;
    int BulkDepth = 0;
    std::vector<ITreeObserver*> Observers;
};

// ---- tree functions ----

// Caption: LevelNames[level] + " " (nothing for a genus), then the name when
// bit 1 of `mode` is set, then " (" + info + ")" when bit 2 is set.
std::string NodeText(int level, const TTaxonomyData& data, int mode);
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

// The view keeps the expanded state; these reach it through accessors.
using TSetExpanded = std::function<void(TTreeNode* node, bool expanded)>;
using TIsExpanded = std::function<bool(const TTreeNode* node)>;
// Applies "treestate.dat" (linear walk; mismatching lines are skipped).
void LoadTreeState(const TTaxonomyTree& tree, const TSetExpanded& setExpanded);
// Writes "treestate.dat": marker#id#1 or 0 for every node.
void SaveTreeState(const TTaxonomyTree& tree, const TIsExpanded& isExpanded);
