// The tree view's rows: which nodes are shown, opening and closing, and the geometry.
#include "TaxonomyTreeView.h"

#include "TaxonomyTreeAccessible.h"
#include "TaxonomyTreeModel.h"

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

namespace {

// Number of ancestors: 0 for a top-level node.
int DepthOf(const TTreeNode* node) {
    int depth = 0;
    for (const TTreeNode* p = node->Parent(); p; p = p->Parent())
        ++depth;
    return depth;
}

} // namespace

TTaxonomyTreeView::TTaxonomyTreeView(const TTaxonomyTree& tree, QWidget* parent)
    : QAbstractItemView(parent), FTree(tree), FRows(tree) {
    InstallTaxonomyTreeAccessibility();
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideRight);
    // Names are never cut off for good: the widest row painted so far sets how far the view
    // scrolls sideways (measuring every row of a large tree up front would take seconds).
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
}

TTaxonomyTreeView::~TTaxonomyTreeView() = default;

void TTaxonomyTreeView::setModel(QAbstractItemModel* model) {
    if (model == this->model())
        return;
    for (const QMetaObject::Connection& c : FModelConnections)
        disconnect(c);
    FModelConnections.clear();
    FRows.clear();
    FHoverRow = -1;
    FPressedNode = nullptr;
    FRowHeight = 0;
    FModel = qobject_cast<TTaxonomyTreeModel*>(model);
    Q_ASSERT(FModel || !model);
    QAbstractItemView::setModel(model);
    if (FModel) {
        FModelConnections = {
            connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this,
                    [this] {
                        // The nodes are about to go: nothing may point at them until the reset ends.
                        FRows.clear();
                        FHoverRow = -1;
                        FPressedNode = nullptr;
                    }),
            connect(FModel, &QAbstractItemModel::layoutChanged, this, &TTaxonomyTreeView::RefreshRows)};
    }
    RefreshRows();
}

// ---- nodes and rows ----

TTreeNode* TTaxonomyTreeView::NodeOf(const QModelIndex& index) const {
    return FModel && index.model() == FModel ? FModel->NodeOf(index) : nullptr;
}

QModelIndex TTaxonomyTreeView::IndexOf(const TTreeNode* node) const {
    return FModel ? FModel->IndexOf(node) : QModelIndex();
}

size_t TTaxonomyTreeView::SiblingCount(const TTreeNode* node) const {
    return FTree.ChildCount(node->Parent());
}

bool TTaxonomyTreeView::IsShown(const TTreeNode* node) const {
    for (const TTreeNode* p = node->Parent(); p; p = p->Parent())
        if (!p->Expanded())
            return false;
    return true;
}

bool TTaxonomyTreeView::IsExpanded(const TTreeNode* node) const {
    return node && node->Expanded() && node->HasChildren();
}

void TTaxonomyTreeView::CollectRows(const TTreeNode* root, TTreeRowList& out) const {
    if (FTree.ChildCount(root) == 0)
        return;
    TTreeNode* node = FTree.Child(root, 0);
    while (node) {
        out.push_back(node);
        if (node->Expanded() && node->HasChildren()) {
            node = node->Child(0);
            continue;
        }
        // The next sibling, or the next sibling of the nearest ancestor below `root` that has one.
        for (;;) {
            TTreeNode* parent = node->Parent();
            const size_t next = static_cast<size_t>(node->Row()) + 1;
            if (next < SiblingCount(node)) {
                node = FTree.Child(parent, next);
                break;
            }
            if (parent == root) {
                node = nullptr;
                break;
            }
            node = parent;
        }
    }
}

int TTaxonomyTreeView::RowOf(const TTreeNode* node) const {
    if (!node || FRows.empty() || !IsShown(node))
        return -1;
    if (FLastRow < FRows.size() && FRows[FLastRow] == node)
        return static_cast<int>(FLastRow);
    // Most questions are about rows on the screen; the rest costs one pass over the rows.
    const size_t top = static_cast<size_t>(TopRow());
    const size_t bottom = std::min(FRows.size(), top + static_cast<size_t>(PageRows()) + 1);
    size_t found = FRows.Find(node, top, bottom);
    if (found == TTreeRowList::NotFound) {
        found = FRows.Find(node, 0, FRows.size());
        if (found == TTreeRowList::NotFound)
            return -1;
    }
    FLastRow = found;
    return static_cast<int>(FLastRow);
}

size_t TTaxonomyTreeView::SubtreeEnd(size_t row) const {
    const int depth = DepthOf(FRows[row]);
    size_t end = row + 1;
    while (end < FRows.size() && DepthOf(FRows[end]) > depth)
        ++end;
    return end;
}

void TTaxonomyTreeView::RelayoutBelow(size_t row) {
    const TTreeNode* node = FRows[row];
    const size_t first = row + 1;
    const size_t old = SubtreeEnd(row) - first;
    TTreeRowList fresh(FTree);
    if (IsExpanded(node))
        CollectRows(node, fresh);
    FRows.Replace(first, old, fresh);
    RowsChanged();
}

void TTaxonomyTreeView::RowsChanged() {
    FHoverRow = -1;
    emit RowsReshaped();
    updateGeometries();
    viewport()->update();
}

void TTaxonomyTreeView::RefreshRows() {
    const TTreeNode* anchor = NodeAtRow(static_cast<size_t>(TopRow()));
    FRows.clear();
    if (FModel) {
        // Room for every node at once: growing the list step by step would hold two copies of it
        // while it moves; what is left over is given back once the rows are known.
        FRows.reserve(FTree.Count());
        CollectRows(nullptr, FRows);
    }
    RowsRefreshed(anchor);
}

void TTaxonomyTreeView::RowsRefreshed(const TTreeNode* anchor) {
    // The node in the first row stays there, or the nearest branch that still shows it.
    if (FRows.capacity() > 4 * FRows.size() + 4096)
        FRows.shrink_to_fit();
    RowsChanged();
    while (anchor && !IsShown(anchor))
        anchor = anchor->Parent();
    verticalScrollBar()->setValue(anchor ? std::max(0, RowOf(anchor)) : 0);
}

// ---- expanding and collapsing ----

void TTaxonomyTreeView::SetExpanded(TTreeNode* node, bool expanded) {
    if (!node || (expanded && !node->HasChildren()) || node->Expanded() == expanded)
        return;
    node->SetExpanded(expanded);
    const int row = RowOf(node);
    if (row >= 0)
        RelayoutBelow(static_cast<size_t>(row));
}

void TTaxonomyTreeView::ExpandSubtree(TTreeNode* node) {
    if (!node || !node->HasChildren())
        return;
    std::vector<TTreeNode*> pending{node};
    while (!pending.empty()) {
        TTreeNode* n = pending.back();
        pending.pop_back();
        if (!n->HasChildren())
            continue;
        n->SetExpanded(true);
        for (size_t i = 0; i < n->ChildCount(); ++i)
            pending.push_back(n->Child(i));
    }
    const int row = RowOf(node);
    if (row >= 0)
        RelayoutBelow(static_cast<size_t>(row));
}

void TTaxonomyTreeView::ExpandAll() {
    // Every node is a row then: one walk opens the branches and lays out the rows.
    const TTreeNode* anchor = NodeAtRow(static_cast<size_t>(TopRow()));
    FRows.clear();
    if (FModel)
        FRows.reserve(FTree.Count());
    FTree.ForEachNode([&](TTreeNode* n) {
        if (n->HasChildren())
            n->SetExpanded(true);
        if (FModel)
            FRows.push_back(n);
    });
    RowsRefreshed(anchor);
}

void TTaxonomyTreeView::CollapseAll() {
    FTree.ForEachNode([](TTreeNode* n) { n->SetExpanded(false); });
    RefreshRows();
}

bool TTaxonomyTreeView::isExpanded(const QModelIndex& index) const {
    return IsExpanded(NodeOf(index));
}

void TTaxonomyTreeView::setExpanded(const QModelIndex& index, bool expanded) {
    SetExpanded(NodeOf(index), expanded);
}

// ---- geometry ----

int TTaxonomyTreeView::RowHeight() const {
    if (FRowHeight > 0)
        return FRowHeight;
    int height = std::max(fontMetrics().height(), iconSize().height());
    if (FModel && !FRows.empty()) {
        // All rows are as high as the first one.
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        height = std::max(height, itemDelegate()->sizeHint(option, IndexOf(FRows.front())).height());
        FRowHeight = height;
    }
    return std::max(height, 1);
}

int TTaxonomyTreeView::TopRow() const {
    return std::clamp(verticalScrollBar()->value(), 0, std::max(0, static_cast<int>(FRows.size()) - 1));
}

int TTaxonomyTreeView::PageRows() const {
    return std::max(1, viewport()->height() / RowHeight());
}

int TTaxonomyTreeView::RowAt(int y) const {
    const int height = RowHeight();
    const int offset = y >= 0 ? y / height : -((-y + height - 1) / height);
    const int row = TopRow() + offset;
    return row >= 0 && row < static_cast<int>(FRows.size()) ? row : -1;
}

int TTaxonomyTreeView::IndentOf(const TTreeNode* node) const {
    return (DepthOf(node) + 1) * FIndentation;
}

QRect TTaxonomyTreeView::visualRect(const QModelIndex& index) const {
    const TTreeNode* node = NodeOf(index);
    const int row = RowOf(node);
    if (row < 0)
        return {};
    const int indent = IndentOf(node);
    return QRect(indent - horizontalOffset(), (row - TopRow()) * RowHeight(),
                 std::max(0, ContentWidth() - indent), RowHeight());
}

QRect TTaxonomyTreeView::ExpanderRect(const QModelIndex& index) const {
    const TTreeNode* node = NodeOf(index);
    if (!node || !node->HasChildren())
        return {};
    const QRect item = visualRect(index);
    if (!item.isValid())
        return {};
    QStyleOption option;
    option.initFrom(this);
    option.rect = QRect(item.left() - FIndentation, item.top(), FIndentation, item.height());
    return style()->subElementRect(QStyle::SE_TreeViewDisclosureItem, &option, this);
}

QModelIndex TTaxonomyTreeView::indexAt(const QPoint& point) const {
    const int row = RowAt(point.y());
    return row >= 0 ? IndexOf(FRows[static_cast<size_t>(row)]) : QModelIndex();
}

void TTaxonomyTreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    TTreeNode* node = NodeOf(index);
    if (!node)
        return;
    // Open the closed branches above it first, as one change below the outermost of them.
    TTreeNode* outermost = nullptr;
    for (TTreeNode* p = node->Parent(); p; p = p->Parent())
        if (!p->Expanded()) {
            p->SetExpanded(true);
            outermost = p;
        }
    if (outermost) {
        const int above = RowOf(outermost);
        if (above >= 0)
            RelayoutBelow(static_cast<size_t>(above));
        else
            RefreshRows();
    }
    const int row = RowOf(node);
    if (row < 0)
        return;
    const int page = PageRows();
    int top = TopRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + page)
            top = row - page + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex TTaxonomyTreeView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    if (FRows.empty())
        return {};
    const QModelIndex current = currentIndex();
    TTreeNode* node = NodeOf(current);
    if (!node)
        return IndexOf(FRows.front());
    const int row = RowOf(node);
    if (row < 0) {
        // A closed branch hides the current node: any move goes to that branch first.
        TTreeNode* shown = node->Parent();
        while (shown && !IsShown(shown))
            shown = shown->Parent();
        return IndexOf(shown ? shown : FRows.front());
    }
    const int last = static_cast<int>(FRows.size()) - 1;
    auto at = [this, last](int r) { return IndexOf(FRows[static_cast<size_t>(std::clamp(r, 0, last))]); };
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        return at(row - 1);
    case MoveDown:
    case MoveNext:
        return at(row + 1);
    case MovePageUp:
        return at(row - PageRows());
    case MovePageDown:
        return at(row + PageRows());
    case MoveHome:
        return at(0);
    case MoveEnd:
        return at(last);
    case MoveLeft:
        if (IsExpanded(node)) {
            SetExpanded(node, false);
            return current;
        }
        if (!node->Parent())
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return node->Parent() ? IndexOf(node->Parent()) : current;
    case MoveRight:
        if (!node->HasChildren()) {
            // Nothing to open: the view moves sideways, as a standard tree does.
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return current;
        }
        if (!node->Expanded()) {
            SetExpanded(node, true);
            return current;
        }
        return IndexOf(node->Child(0));
    }
    return current;
}

int TTaxonomyTreeView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int TTaxonomyTreeView::ContentWidth() const {
    return std::max(viewport()->width(), FContentWidth);
}

void TTaxonomyTreeView::MeasureRow(const QStyleOptionViewItem& base, const TTreeNode* node) {
    const QModelIndex index = IndexOf(node);
    const int need = IndentOf(node) + itemDelegateForIndex(index)->sizeHint(base, index).width();
    if (need <= FContentWidth)
        return;
    FContentWidth = need;
    // Not from inside a paint: the scroll bar's change repaints.
    QMetaObject::invokeMethod(
        this, [this] { updateGeometries(); }, Qt::QueuedConnection);
}

int TTaxonomyTreeView::verticalOffset() const {
    return TopRow() * RowHeight();
}

bool TTaxonomyTreeView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void TTaxonomyTreeView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!selectionModel() || FRows.empty())
        return;
    const QRect area = rect.normalized();
    int first = RowAt(area.top());
    int last = RowAt(area.bottom());
    if (first < 0 && last < 0) {
        if (command & QItemSelectionModel::Clear)
            selectionModel()->clear();
        return;
    }
    if (first < 0)
        first = 0;
    if (last < 0)
        last = static_cast<int>(FRows.size()) - 1;
    if (selectionMode() == SingleSelection)
        last = first;
    QItemSelection selection;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = IndexOf(FRows[static_cast<size_t>(row)]);
        selection.select(index, index);
    }
    selectionModel()->select(selection, command);
}

QRegion TTaxonomyTreeView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect area = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid())
            continue;
        const TTreeNode* parent = NodeOf(range.parent());
        if (parent && !(IsExpanded(parent) && IsShown(parent)))
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r) {
            const QRect item = visualRect(range.model()->index(r, 0, range.parent()));
            // The selection colours the branch column too.
            const QRect line(0, item.top(), area.width(), item.height());
            if (item.isValid() && line.intersects(area))
                region += line;
        }
    }
    return region;
}

void TTaxonomyTreeView::updateGeometries() {
    const int page = PageRows();
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(FRows.size()) - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, FContentWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(FIndentation);
    QAbstractItemView::updateGeometries();
}

void TTaxonomyTreeView::scrollContentsBy(int, int) {
    FHoverRow = -1;
    viewport()->update();
}
