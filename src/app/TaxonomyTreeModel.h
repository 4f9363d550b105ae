// The item model through which TaxonomyTreeView shows the store's tree: captions by display mode,
// the six node icons, grey text for planned and placeholder branches.
#pragma once

#include "TaxonomyTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <functional>

class TTaxonomyTreeModel : public QAbstractItemModel, public ITreeObserver {
    Q_OBJECT
public:
    explicit TTaxonomyTreeModel(TTaxonomyTree& tree, QObject* parent = nullptr);
    ~TTaxonomyTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    TTreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const TTreeNode* node) const;

    // The six node icons (levels 0..4, genus, planned genus; each with its selected state).
    const QIcon& Icon(int index) const { return Icons[static_cast<size_t>(index)]; }
    // Grey for planned branches and bracketed placeholder names.
    static bool IsGreyNode(const TTreeNode* node);


    // ITreeObserver
    void BeginReset() override;
    void EndReset() override;
    void BeginInsert(TTreeNode* parent, int row) override;
    void EndInsert() override;
    void BeginRemove(TTreeNode* parent, int row) override;
    void EndRemove() override;
    void NodeChanged(TTreeNode* node) override;
    void NodeDeleting(TTreeNode* node) override;

private:
    TTaxonomyTree& Tree;
    std::array<QIcon, 6> Icons;
};

// Draws the node icons of the tree (also used for the result list entries).
std::array<QIcon, 6> MakeTaxonomyIcons();
