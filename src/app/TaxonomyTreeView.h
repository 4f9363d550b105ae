// The view of the Taxonomy page: a tree view made for the store's tree. The open state of a branch
// is the node's own Expanded flag; the view keeps only the list of the rows that can be seen
// (pre-order, without the children of closed branches) and paints the rows in the viewport.
#pragma once

#include "TaxonomyTree.h"
#include "TreeRowList.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <vector>

class TTaxonomyTreeModel;

class TTaxonomyTreeView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit TTaxonomyTreeView(const TTaxonomyTree& tree, QWidget* parent = nullptr);
    ~TTaxonomyTreeView() override;

    // The model must be the TTaxonomyTreeModel of the same tree (or nullptr).
    void setModel(QAbstractItemModel* model) override;

    // Open means the node has children and its flag is set.
    bool IsExpanded(const TTreeNode* node) const;
    void SetExpanded(TTreeNode* node, bool expanded);
    void ExpandAll();
    void CollapseAll();
    // Lays the rows out again from the nodes' flags, after they were changed in bulk.
    void RefreshRows();

    bool isExpanded(const QModelIndex& index) const;
    void setExpanded(const QModelIndex& index, bool expanded);

    // The rows that can be seen (scrolled into the viewport or not), top to bottom.
    size_t RowCount() const { return FRows.size(); }
    TTreeNode* NodeAtRow(size_t row) const { return row < FRows.size() ? FRows[row] : nullptr; }
    // Where the node's open/close glyph is, in viewport coordinates (empty without children).
    QRect ExpanderRect(const QModelIndex& index) const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;
    // Keys typed in quick succession make a word; the next shown row whose caption begins with it
    // (case aside) becomes the current one.
    void keyboardSearch(const QString& search) override;

signals:
    // The shown rows changed shape, or nodes are about to go: whatever names rows asks again.
    void RowsReshaped();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;

    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TTreeRowAccessible;
    friend class TTreeViewAccessible;
    // The width of the rows: the viewport's, or the widest row seen when that is wider.
    int ContentWidth() const;
    void MeasureRow(const QStyleOptionViewItem& base, const TTreeNode* node);
    // Opens the node and every branch below it.
    void ExpandSubtree(TTreeNode* node);
    int RowHeight() const;
    // The row of a node, or -1 when a closed branch hides it.
    int RowOf(const TTreeNode* node) const;
    TTreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const TTreeNode* node) const;
    size_t SiblingCount(const TTreeNode* node) const;
    // No closed branch above the node.
    bool IsShown(const TTreeNode* node) const;
    // Appends the rows below `root` (nullptr: the whole tree) that its open branches show.
    void CollectRows(const TTreeNode* root, TTreeRowList& out) const;
    // End of the rows below the row `row` (one past its last descendant row).
    size_t SubtreeEnd(size_t row) const;
    // Replaces the rows below the row `row` by what the node's flags show now.
    void RelayoutBelow(size_t row);
    void RowsChanged();
    // The end of laying out all rows anew: the row of `anchor` (or of the nearest branch that
    // shows it) becomes the first one in the viewport again.
    void RowsRefreshed(const TTreeNode* anchor);
    int TopRow() const;
    int PageRows() const;
    int RowAt(int y) const; // -1 outside the rows
    int IndentOf(const TTreeNode* node) const;
    void SetHoverRow(int row);
    void DrawRow(QPainter& painter, const QStyleOptionViewItem& base, size_t row, int y) const;
    void DrawBranches(QPainter& painter, const QRect& rect, const TTreeNode* node, bool selected,
                      bool hover) const;

    const TTaxonomyTree& FTree;
    TTaxonomyTreeModel* FModel = nullptr;
    TTreeRowList FRows;
    std::vector<QMetaObject::Connection> FModelConnections;
    mutable size_t FLastRow = 0; // where the last search found its node
    mutable int FRowHeight = 0;  // 0 until measured
    int FHoverRow = -1;
    int FContentWidth = 0;                   // the widest row painted since the last reset
    const TTreeNode* FPressedNode = nullptr; // compared, never followed
    bool FPressOnExpander = false;
    const int FIndentation = 19;
    QString FSearchWord;
    QElapsedTimer FSearchTimer;
};
