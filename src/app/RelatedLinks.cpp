#include "RelatedLinks.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// What an entry leads to is kept in roles of its one column, out of a screen reader's way.
constexpr int KindRole = Qt::UserRole, TargetRole = Qt::UserRole + 1, IdRole = Qt::UserRole + 2;
constexpr int InitialHeight = 2;

// Entries sort by their text without regard to letter case.
class TLinkItem : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override {
        return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
    }
};
} // namespace

TRelatedLinksPanel::TRelatedLinksPanel(QAction* toggle, QWidget* parent)
    : QWidget(parent), FToggleAction(toggle) {
    setObjectName("RelatedLinksPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FToolBar = new QToolBar(this);
    FToolBar->setObjectName("RelatedLinksToolBar");
    FToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Flat, with a line along its bottom edge.
    FToolBar->setStyleSheet(
        QStringLiteral("QToolBar#RelatedLinksToolBar { border: none; border-bottom: 1px solid "
                       "palette(mid); padding: 0px; }"));
    FToolBar->addAction(FToggleAction);
    if (auto* button = qobject_cast<QToolButton*>(FToolBar->widgetForAction(FToggleAction))) {
        button->setObjectName("ShowRelatedLinksToolBtn");
        button->setMinimumSize(113, 20);
    }
    layout->addWidget(FToolBar);

    FListView = new QTreeWidget(this);
    FListView->setObjectName("RelatedLinksListView");
    FListView->setAccessibleName(QStringLiteral("Related links"));
    FListView->setColumnCount(1);
    FListView->setHeaderLabels({QStringLiteral("Related Links")});
    FListView->setHeaderHidden(true);
    FListView->setRootIsDecorated(false);
    FListView->setFrameShape(QFrame::NoFrame);
    FListView->viewport()->setBackgroundRole(QPalette::Button);
    FListView->header()->setStretchLastSection(false);
    FListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FListView->setSortingEnabled(true);
    FListView->sortByColumn(0, Qt::AscendingOrder);
    FListView->setStatusTip(QStringLiteral("Click to see the item"));
    FListView->setToolTip(FListView->statusTip());
    FListView->setMinimumWidth(30);
    FListView->setMouseTracking(true);
    FListView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The column is narrower than the list by the width a scroll bar needs: no sideways scrolling.
    FListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FListView->viewport()->installEventFilter(this);
    FListView->installEventFilter(this);
    FListView->setFixedHeight(InitialHeight);
    layout->addWidget(FListView);
}

int TRelatedLinksPanel::Count() const {
    return FListView->topLevelItemCount();
}

QString TRelatedLinksPanel::Caption(int row) const {
    return FListView->topLevelItem(row)->text(0);
}

QString TRelatedLinksPanel::Tip(int row) const {
    const QTreeWidgetItem* item = FListView->topLevelItem(row);
    if (item->data(0, KindRole).toInt() == 0)
        return QStringLiteral("Click to see this branch's summary");
    return QStringLiteral("Click here, open browser to:\n") + item->data(0, TargetRole).toString();
}

void TRelatedLinksPanel::AddRelatedLink(const QString& caption, int kind, const QString& markerOrUrl,
                                        const QString& id) {
    for (int i = 0; i < Count(); ++i)
        if (Caption(i).compare(caption, Qt::CaseInsensitive) == 0)
            return;
    auto* item = new TLinkItem;
    item->setText(0, caption);
    item->setData(0, KindRole, kind);
    item->setData(0, TargetRole, markerOrUrl);
    item->setData(0, IdRole, kind == 0 ? id : QString());
    FListView->addTopLevelItem(item);
    item->setToolTip(0, Tip(FListView->indexOfTopLevelItem(item)));
    UpdateHeight();
    if (!FToggleAction->isChecked())
        ShowRelatedLinks(true);
}

void TRelatedLinksPanel::SetHotItem(QTreeWidgetItem* item) {
    if (item == FHotItem)
        return;
    for (QTreeWidgetItem* changed : {FHotItem, item}) {
        if (!changed)
            continue;
        QFont font = FListView->font();
        font.setUnderline(changed == item);
        changed->setFont(0, font);
    }
    FHotItem = item;
}

void TRelatedLinksPanel::ClearRelatedLinks() {
    FHotItem = nullptr;
    FListView->clear();
    UpdateHeight();
    ShowRelatedLinks(false);
    FToggleAction->setEnabled(false);
}

void TRelatedLinksPanel::ShowRelatedLinks(bool visible) {
    FToggleAction->setChecked(visible);
    FListView->setVisible(visible);
    if (visible)
        FToggleAction->setEnabled(true);
}

void TRelatedLinksPanel::UpdateHeight() {
    // Up to three rows show without scrolling; from the fourth on the list scrolls.
    const int rowHeight =
        FListView->sizeHintForRow(0) > 0 ? FListView->sizeHintForRow(0) : fontMetrics().height() + 2;
    const int rows = std::min(Count(), 3);
    FListView->setFixedHeight(InitialHeight + rows * (rowHeight + 1));
}

void TRelatedLinksPanel::UpdateColumnWidth() {
    FListView->setColumnWidth(0, std::max(0, FListView->width() - 22));
}

void TRelatedLinksPanel::Activate(int row) {
    if (row < 0 || row >= Count())
        return;
    const QTreeWidgetItem* item = FListView->topLevelItem(row);
    const int kind = item->data(0, KindRole).toInt();
    const QString target = item->data(0, TargetRole).toString();
    const QString id = item->data(0, IdRole).toString();
    // Selecting a branch rebuilds the summary, which empties this list: use copies only.
    if (kind == 0) {
        if (OnSelectBranch)
            OnSelectBranch(static_cast<int>(target.size()), id);
    } else if (OnOpenUrl) {
        OnOpenUrl(target);
    } else {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    }
}

bool TRelatedLinksPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FListView->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A filter sees the press even while the list is disabled (a transfer is under way).
        if (mouse->button() == Qt::LeftButton && FListView->isEnabled()) {
            if (QTreeWidgetItem* item = FListView->itemAt(mouse->position().toPoint()))
                Activate(FListView->indexOfTopLevelItem(item));
        }
        return mouse->button() == Qt::LeftButton;
    }
    // Hot entries: the one under the pointer is underlined.
    if (watched == FListView->viewport() && event->type() == QEvent::MouseMove)
        SetHotItem(FListView->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    if (watched == FListView->viewport() && event->type() == QEvent::Leave)
        SetHotItem(nullptr);
    // The keyboard opens the focused link as the mouse does.
    if (watched == FListView && event->type() == QEvent::KeyPress && FListView->isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            FListView->currentItem()) {
            Activate(FListView->indexOfTopLevelItem(FListView->currentItem()));
            return true;
        }
    }
    if (watched == FListView && event->type() == QEvent::Resize)
        UpdateColumnWidth();
    return QWidget::eventFilter(watched, event);
}
