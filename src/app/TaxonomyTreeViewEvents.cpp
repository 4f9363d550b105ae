// The tree view's events: the model's changes, painting the rows in the viewport, the mouse and the keys.
#include "TaxonomyTreeView.h"

#include "QtText.h"
#include "TaxonomyTreeModel.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

// ---- following the model ----

void TTaxonomyTreeView::reset() {
    FContentWidth = 0;
    QAbstractItemView::reset();
    FRowHeight = 0;
    RefreshRows();
}

void TTaxonomyTreeView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    if (!FModel)
        return;
    TTreeNode* parentNode = NodeOf(parent);
    if (parentNode) {
        // A branch that gets its first children starts closed.
        if (parentNode->ChildCount() == static_cast<size_t>(end - start) + 1)
            parentNode->SetExpanded(false);
        if (!parentNode->Expanded() || !IsShown(parentNode)) {
            viewport()->update(); // its glyph may have changed
            return;
        }
    }
    // The new rows go below the rows of the previous sibling, or right below the parent.
    int at = 0;
    if (start > 0) {
        const int previous = RowOf(FTree.Child(parentNode, static_cast<size_t>(start - 1)));
        at = previous < 0 ? -1 : static_cast<int>(SubtreeEnd(static_cast<size_t>(previous)));
    } else if (parentNode) {
        const int above = RowOf(parentNode);
        at = above < 0 ? -1 : above + 1;
    }
    if (at < 0) {
        RefreshRows();
        return;
    }
    TTreeRowList fresh(FTree);
    for (int i = start; i <= end; ++i) {
        TTreeNode* child = FTree.Child(parentNode, static_cast<size_t>(i));
        fresh.push_back(child);
        if (IsExpanded(child))
            CollectRows(child, fresh);
    }
    FRows.Replace(static_cast<size_t>(at), 0, fresh);
    RowsChanged();
}

void TTaxonomyTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    // The base class numbers children as a table of the model's rows; a screen reader follows
    // the shown row instead.
    if (!QAccessible::isActive() || !hasFocus())
        return;
    const int row = RowOf(NodeOf(current));
    if (row < 0)
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

void TTaxonomyTreeView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    emit RowsReshaped(); // the removed nodes are still there
    // The base class moves the current index off the removed rows first.
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    FPressedNode = nullptr;
    if (!FModel)
        return;
    TTreeNode* parentNode = NodeOf(parent);
    if (!parentNode || (IsExpanded(parentNode) && IsShown(parentNode))) {
        const int first = RowOf(FTree.Child(parentNode, static_cast<size_t>(start)));
        if (first >= 0) {
            size_t stop = static_cast<size_t>(first);
            for (int i = start; i <= end && stop < FRows.size(); ++i)
                stop = SubtreeEnd(stop);
            FRows.Replace(static_cast<size_t>(first), stop - static_cast<size_t>(first), TTreeRowList(FTree));
        }
    }
    // A branch that loses all its children is closed.
    if (parentNode && parentNode->ChildCount() == static_cast<size_t>(end - start) + 1)
        parentNode->SetExpanded(false);
    RowsChanged();
}

void TTaxonomyTreeView::dataChanged(const QModelIndex&, const QModelIndex&, const QList<int>&) {
    viewport()->update();
}

// ---- painting ----

void TTaxonomyTreeView::paintEvent(QPaintEvent* event) {
    if (FRows.empty() || !FModel)
        return;
    QPainter painter(viewport());
    const int height = RowHeight();
    const int top = TopRow();
    const QRect area = event->rect();
    const int first = top + std::max(0, area.top()) / height;
    const int last = std::min(static_cast<int>(FRows.size()) - 1, top + std::max(0, area.bottom()) / height);
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    painter.translate(-horizontalOffset(), 0);
    for (int row = first; row <= last; ++row) {
        MeasureRow(base, FRows[static_cast<size_t>(row)]);
        DrawRow(painter, base, static_cast<size_t>(row), (row - top) * height);
    }
}

void TTaxonomyTreeView::DrawRow(QPainter& painter, const QStyleOptionViewItem& base, size_t row,
                                int y) const {
    const TTreeNode* node = FRows[row];
    const QModelIndex index = IndexOf(node);
    const int indent = IndentOf(node);
    const int height = RowHeight();
    QStyleOptionViewItem option = base;
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    const bool hover = static_cast<int>(row) == FHoverRow;
    option.state.setFlag(QStyle::State_Selected, selected);
    option.state.setFlag(QStyle::State_HasFocus, hasFocus() && index == currentIndex());
    option.state.setFlag(QStyle::State_MouseOver, hover);
    if (option.state & QStyle::State_Enabled)
        option.palette.setCurrentColorGroup(option.state.testFlag(QStyle::State_Active) ? QPalette::Active
                                                                                        : QPalette::Inactive);
    // The background of the branch columns, as the style colours a selected row there.
    option.rect = QRect(0, y, indent, height);
    option.showDecorationSelected =
        style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &option, this);
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
    DrawBranches(painter, option.rect, node, selected, hover);
    // Whole rows are selected: the item's selection reaches the right edge.
    option.showDecorationSelected = true;
    option.rect = QRect(indent, y, ContentWidth() - indent, height);
    itemDelegateForIndex(index)->paint(&painter, option, index);
}

void TTaxonomyTreeView::DrawBranches(QPainter& painter, const QRect& rect, const TTreeNode* node,
                                     bool selected, bool hover) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStyle::State extra = QStyle::State_None;
    if (isEnabled())
        extra |= QStyle::State_Enabled;
    if (hasFocus())
        extra |= QStyle::State_Active;
    if (selected)
        extra |= QStyle::State_Selected;
    if (hover)
        extra |= QStyle::State_MouseOver;
    auto moreSiblings = [this](const TTreeNode* n) {
        return static_cast<size_t>(n->Row()) + 1 < SiblingCount(n) ? QStyle::State_Sibling
                                                                   : QStyle::State_None;
    };
    // The node's own column: its glyph and the line to it.
    QRect column(rect.right() + 1 - FIndentation, rect.top(), FIndentation, rect.height());
    option.rect = column;
    option.state = QStyle::State_Item | extra | moreSiblings(node) |
                   (node->HasChildren() ? QStyle::State_Children : QStyle::State_None) |
                   (IsExpanded(node) ? QStyle::State_Open : QStyle::State_None);
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, this);
    // One column per ancestor: a line down where that ancestor has more siblings below.
    for (const TTreeNode* above = node->Parent(); above; above = above->Parent()) {
        column.translate(-FIndentation, 0);
        option.rect = column;
        option.state = extra | moreSiblings(above);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, this);
    }
}

// ---- input ----

bool TTaxonomyTreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave)
        SetHoverRow(-1);
    return QAbstractItemView::viewportEvent(event);
}

void TTaxonomyTreeView::SetHoverRow(int row) {
    if (row == FHoverRow)
        return;
    const int top = TopRow();
    const int height = RowHeight();
    for (int r : {FHoverRow, row})
        if (r >= 0)
            viewport()->update(QRect(0, (r - top) * height, viewport()->width(), height));
    FHoverRow = row;
}

void TTaxonomyTreeView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = RowAt(pos.y());
    TTreeNode* node = row >= 0 ? FRows[static_cast<size_t>(row)] : nullptr;
    FPressedNode = node;
    FPressOnExpander = false;
    if (node && event->button() == Qt::LeftButton && ExpanderRect(IndexOf(node)).contains(pos)) {
        // The glyph opens or closes the branch and leaves the selection alone.
        FPressOnExpander = true;
        SetExpanded(node, !IsExpanded(node));
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void TTaxonomyTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (FPressOnExpander) {
        FPressOnExpander = false;
        return;
    }
    QAbstractItemView::mouseReleaseEvent(event);
}

void TTaxonomyTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = RowAt(pos.y());
    if (row < 0)
        return;
    TTreeNode* node = FRows[static_cast<size_t>(row)];
    if (ExpanderRect(IndexOf(node)).contains(pos)) {
        // The first click on the glyph did the work.
        FPressOnExpander = true;
        return;
    }
    if (node != FPressedNode) {
        // The first click was on another row: this one is a press of its own.
        mousePressEvent(event);
        return;
    }
    const QPersistentModelIndex index = IndexOf(node);
    QAbstractItemView::mouseDoubleClickEvent(event);
    // What the double click started may have removed the node.
    if (TTreeNode* still = NodeOf(index))
        SetExpanded(still, !IsExpanded(still));
}

void TTaxonomyTreeView::mouseMoveEvent(QMouseEvent* event) {
    SetHoverRow(RowAt(event->position().toPoint().y()));
    QAbstractItemView::mouseMoveEvent(event);
}

void TTaxonomyTreeView::keyPressEvent(QKeyEvent* event) {
    if (TTreeNode* node = NodeOf(currentIndex())) {
        switch (event->key()) {
        case Qt::Key_Asterisk:
            ExpandSubtree(node);
            return;
        case Qt::Key_Plus:
            SetExpanded(node, true);
            return;
        case Qt::Key_Minus:
            SetExpanded(node, false);
            return;
        default:
            break;
        }
    }
    QAbstractItemView::keyPressEvent(event);
    // Opening or closing with Left and Right is this view's business, never its parent's.
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)
        event->accept();
}

void TTaxonomyTreeView::keyboardSearch(const QString& search) {
    if (FRows.empty() || search.isEmpty())
        return;
    bool sameWord = FSearchTimer.isValid() && FSearchTimer.elapsed() < QApplication::keyboardInputInterval();
    // The same key again and again steps through the rows that begin with it.
    if (sameWord && search.size() == 1 && FSearchWord.count(search.front()) == FSearchWord.size())
        sameWord = false;
    FSearchWord = sameWord ? FSearchWord + search : search;
    FSearchTimer.start();
    // A growing word may still fit the current row; a new one starts below it.
    const int current = RowOf(NodeOf(currentIndex()));
    const size_t from = current < 0 ? 0 : static_cast<size_t>(current) + (sameWord ? 0 : 1);
    for (size_t k = 0; k < FRows.size(); ++k) {
        TTreeNode* node = FRows[(from + k) % FRows.size()];
        if (ToQ(FTree.Caption(node)).startsWith(FSearchWord, Qt::CaseInsensitive)) {
            const QModelIndex index = IndexOf(node);
            setCurrentIndex(index);
            scrollTo(index);
            return;
        }
    }
}

void TTaxonomyTreeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        FRowHeight = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}
