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
constexpr int KindColumn = 1, TargetColumn = 2, IdColumn = 3;
constexpr int InitialHeight = 2;

// Entries sort by their text without regard to letter case.
class TLinkItem : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override {
        return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
    }
};
} // namespace

TRelatedLinksPanel::TRelatedLinksPanel(QAction* toggle, QWidget* parent) : QWidget(parent), ToggleAction(toggle) {
    setObjectName("RelatedLinksPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("RelatedLinksToolBar");
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Flat, with a line along its bottom edge.
    ToolBar->setStyleSheet(QStringLiteral("QToolBar#RelatedLinksToolBar { border: none; border-bottom: 1px solid "
                                          "palette(mid); padding: 0px; }"));
    ToolBar->addAction(ToggleAction);
    if (auto* button = qobject_cast<QToolButton*>(ToolBar->widgetForAction(ToggleAction))) {
        button->setObjectName("ShowRelatedLinksToolBtn");
        button->setMinimumSize(113, 20);
    }
    layout->addWidget(ToolBar);

    ListView = new QTreeWidget(this);
    ListView->setObjectName("RelatedLinksListView");
    ListView->setAccessibleName(QStringLiteral("Related links"));
    ListView->setColumnCount(4);
    ListView->setHeaderLabels({QStringLiteral("Related Links"), "kind", "target", "id"});
    ListView->setHeaderHidden(true);
    for (int c = 1; c < 4; ++c)
        ListView->setColumnHidden(c, true);
    ListView->setRootIsDecorated(false);
    ListView->setFrameShape(QFrame::NoFrame);
    ListView->viewport()->setBackgroundRole(QPalette::Button);
    ListView->header()->setStretchLastSection(false);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSortingEnabled(true);
    ListView->sortByColumn(0, Qt::AscendingOrder);
    ListView->setStatusTip(QStringLiteral("Click to see the item"));
    ListView->setToolTip(ListView->statusTip());
    ListView->setMinimumWidth(30);
    ListView->setMouseTracking(true);
    ListView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The column is narrower than the list by the width a scroll bar needs: no sideways scrolling.
    ListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView->viewport()->installEventFilter(this);
    ListView->installEventFilter(this);
    ListView->setFixedHeight(InitialHeight);
    layout->addWidget(ListView);
}

int TRelatedLinksPanel::Count() const { return ListView->topLevelItemCount(); }

QString TRelatedLinksPanel::Caption(int row) const { return ListView->topLevelItem(row)->text(0); }

QString TRelatedLinksPanel::Tip(int row) const {
    const QTreeWidgetItem* item = ListView->topLevelItem(row);
    if (item->text(KindColumn) == "0")
        return QStringLiteral("Click to see this branch's summary");
    return QStringLiteral("Click here, open browser to:\n") + item->text(TargetColumn);
}

void TRelatedLinksPanel::AddRelatedLink(const QString& caption, int kind, const QString& markerOrUrl,
                                        const QString& id) {
    for (int i = 0; i < Count(); ++i)
        if (Caption(i).compare(caption, Qt::CaseInsensitive) == 0)
            return;
    auto* item = new TLinkItem;
    item->setText(0, caption);
    item->setText(KindColumn, QString::number(kind));
    item->setText(TargetColumn, markerOrUrl);
    item->setText(IdColumn, kind == 0 ? id : QString());
    ListView->addTopLevelItem(item);
    item->setToolTip(0, Tip(ListView->indexOfTopLevelItem(item)));
    UpdateHeight();
    if (!ToggleAction->isChecked())
        ShowRelatedLinks(true);
}

void TRelatedLinksPanel::SetHotItem(QTreeWidgetItem* item) {
    if (item == HotItem)
        return;
    for (QTreeWidgetItem* changed : {HotItem, item}) {
        if (!changed)
            continue;
        QFont font = ListView->font();
        font.setUnderline(changed == item);
        changed->setFont(0, font);
    }
    HotItem = item;
}

void TRelatedLinksPanel::ClearRelatedLinks() {
    HotItem = nullptr;
    ListView->clear();
    UpdateHeight();
    ShowRelatedLinks(false);
    ToggleAction->setEnabled(false);
}

void TRelatedLinksPanel::ShowRelatedLinks(bool visible) {
    ToggleAction->setChecked(visible);
    ListView->setVisible(visible);
    if (visible)
        ToggleAction->setEnabled(true);
}

void TRelatedLinksPanel::UpdateHeight() {
    // Up to three rows show without scrolling; from the fourth on the list scrolls.
    const int rowHeight = ListView->sizeHintForRow(0) > 0 ? ListView->sizeHintForRow(0) : fontMetrics().height() + 2;
    const int rows = std::min(Count(), 3);
    ListView->setFixedHeight(InitialHeight + rows * (rowHeight + 1));
}

void TRelatedLinksPanel::UpdateColumnWidth() { ListView->setColumnWidth(0, std::max(0, ListView->width() - 22)); }

void TRelatedLinksPanel::Activate(int row) {
    if (row < 0 || row >= Count())
        return;
    const QTreeWidgetItem* item = ListView->topLevelItem(row);
    const QString kind = item->text(KindColumn);
    const QString target = item->text(TargetColumn);
    const QString id = item->text(IdColumn);
    // Selecting a branch rebuilds the summary, which empties this list: use copies only.
    if (kind == "0") {
        if (OnSelectBranch)
            OnSelectBranch(static_cast<int>(target.size()), id);
    } else if (OnOpenUrl) {
        OnOpenUrl(target);
    } else {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    }
}

bool TRelatedLinksPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A filter sees the press even while the list is disabled (a transfer is under way).
        if (mouse->button() == Qt::LeftButton && ListView->isEnabled()) {
            if (QTreeWidgetItem* item = ListView->itemAt(mouse->position().toPoint()))
                Activate(ListView->indexOfTopLevelItem(item));
        }
        return mouse->button() == Qt::LeftButton;
    }
    // Hot entries: the one under the pointer is underlined.
    if (watched == ListView->viewport() && event->type() == QEvent::MouseMove)
        SetHotItem(ListView->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    if (watched == ListView->viewport() && event->type() == QEvent::Leave)
        SetHotItem(nullptr);
    // The keyboard opens the focused link as the mouse does.
    if (watched == ListView && event->type() == QEvent::KeyPress && ListView->isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && ListView->currentItem()) {
            Activate(ListView->indexOfTopLevelItem(ListView->currentItem()));
            return true;
        }
    }
    if (watched == ListView && event->type() == QEvent::Resize)
        UpdateColumnWidth();
    return QWidget::eventFilter(watched, event);
}
