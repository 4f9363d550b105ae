// The item model through which TaxonomyTreeView shows the store's tree: captions by display mode,
// the six node icons, grey text for planned and placeholder branches.
#pragma once

#include "TaxonomyTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <functional>
#include <optional>

// The node icons of the tree as one object of the window (TaxonomyImageList): levels 0..4, genus,
// planned genus, each with its selected state; result entries use the genus icon.
class TTaxonomyImageList : public QObject {
    Q_OBJECT
public:
    explicit TTaxonomyImageList(QObject* parent = nullptr);
    const QIcon& Icon(int index) const { return FIcons[static_cast<size_t>(index)]; }

private:
    std::array<QIcon, 6> FIcons;
};

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
    const QIcon& Icon(int index) const { return FImages->Icon(index); }
    // Grey for planned branches and bracketed placeholder names.
    static bool IsGreyNode(const TTreeNode* node);

    // ITreeObserver
    void BeginReset() override;
    void EndReset() override;
    void BeginInsert(TTreeNode* parent, int row) override;
    void EndInsert() override;
    void BeginRemove(TTreeNode* parent, int row) override;
    void EndRemove() override;
    void NodeChanging(TTreeNode* node) override;
    void NodeChanged(TTreeNode* node) override;
    void NodeDeleting(TTreeNode* node) override;

signals:
    // A node's id, name or info changed: what it was, what it is, and its caption now. Whoever
    // names nodes by their key follows it here.
    void NodeKeyChanged(const TTaxonomyData& before, const TTaxonomyData& after, const QString& caption);

private:
    TTaxonomyTree& FTree;
    TTaxonomyImageList* FImages;
    std::optional<TTaxonomyData> FChanging; // the old data of the node being changed
};

// Draws the node icons of the tree (also used for the result list entries).
std::array<QIcon, 6> MakeTaxonomyIcons();
