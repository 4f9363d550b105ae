// The entries of the Search Result list, kept sorted by caption.
//
// A list of the tree's genera names their nodes and reads each caption and key from its node when
// the row is shown, so filling it copies no text. The nodes are held as TNodeRef holds one, in
// compact form: one tree and its generation for all rows, and a row whose node is deleted, or
// whose tree is cleared or loaded again, shows nothing (the window empties the list before either
// happens). An entry is its own node's: a renamed branch changes its entry and no other, however
// alike they were. A forgotten genus, which has no node, keeps its name; so does a list filled
// with copies, whose entries follow a changed key (FollowNode).
#pragma once

#include "GenusLists.h"
#include "TaxonomyData.h"

#include <QAbstractListModel>
#include <QIcon>
#include <cstdint>
#include <vector>

struct TResultEntry {
    QString Caption;
    bool HasNode = false;            // false for a forgotten genus: only its name is known
    TTaxonomyData Data;              // marker, id, name and info of the listed node
    const TTreeNode* Node = nullptr; // the listed node itself, for a list of the tree's nodes
};

class TResultListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TResultListModel(QObject* parent = nullptr);

    // Replaces every entry with copies; sorts them by caption without regard to letter case
    // (equal captions keep the order they came in).
    void SetEntries(std::vector<TResultEntry> entries);
    // Replaces every entry with the genus entries of `tree` (nodes, or names of forgotten genera),
    // sorted the same way by the captions they have in the tree's display mode.
    void SetEntries(const TTaxonomyTree& tree, const TGenusEntries& entries);
    // Replaces every entry with nodes of `tree`, sorted the same way.
    void SetNodes(const TTaxonomyTree& tree, std::vector<const TTreeNode*> nodes);
    void Clear() { SetEntries({}); }
    // Copied entries of the node that was `before` now name it as `after`, with its new caption;
    // they keep their rows. Entries of nodes read their node and need no following.
    void FollowNode(const TTaxonomyData& before, const TTaxonomyData& after, const QString& caption);
    // The row's entry; HasNode false and an empty caption for a node that is gone (!Listed).
    TResultEntry Entry(int row) const;
    // Whether the row still names something: a name, or a node of the tree that is not gone.
    bool Listed(int row) const;

    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    // Qt::UserRole gives (marker, id, name, info) for an entry with node data.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // A row is the number of a node in FNodes, or, with CopyBit, of an entry in FCopies.
    static constexpr uint32_t CopyBit = 0x80000000u;
    // The node of a source number; null when it is gone.
    const TTreeNode* NodeOf(uint32_t source) const;
    QString Caption(uint32_t source) const;
    // The rows of `sources` (numbers of nodes and copies, as they came) in the order of their captions.
    std::vector<uint32_t> SortedRows(const std::vector<uint32_t>& sources) const;
    void Replace(const TTaxonomyTree* tree, std::vector<const TTreeNode*> nodes,
                 std::vector<TResultEntry> copies, const std::vector<uint32_t>& sources);

    const TTaxonomyTree* FTree = nullptr;
    uint64_t FGeneration = 0;             // FTree's when the nodes were listed
    std::vector<const TTreeNode*> FNodes; // as they came
    std::vector<TResultEntry> FCopies;    // as they came
    std::vector<uint32_t> FRows;          // what each row shows
    QIcon FGenusIcon;
};
