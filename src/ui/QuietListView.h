// A list view that tells screen readers nothing while it is hidden: a page the user does not see
// (the editor behind the summary) must not announce the row it selects while it is filled.
#pragma once

#include <QListView>

class TQuietListView : public QListView {
public:
    using QListView::QListView;

protected:
    // The list view's own versions only add the screen readers' events to the item view's.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        if (isVisible())
            QListView::currentChanged(current, previous);
        else // skipping the list view's version is the point
            QAbstractItemView::currentChanged(current, previous); // NOLINT(bugprone-parent-virtual-call)
    }
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
        if (isVisible())
            QListView::selectionChanged(selected, deselected);
        else
            QAbstractItemView::selectionChanged(selected, deselected); // NOLINT(bugprone-parent-virtual-call)
    }
};
