#include "GoToBranchBox.h"

#include "Constants.h"
#include "Dialogs.h"
#include "QtText.h"
#include "TaxonomyTreePage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum { PathColumn, IdColumn, InfoColumn };
constexpr std::string_view PathSeparator = " \u25B8 ";
} // namespace

TGoToBranchBox::TGoToBranchBox(TTaxonomyTreePage* treePage, std::function<void(TTreeNode*)> go,
                               QWidget* parent)
    : QDialog(parent, Qt::Tool), FTreePage(treePage), FIndex(treePage->Tree()), FGo(std::move(go)),
      FEdit(new QLineEdit(this)), FList(new QTreeWidget(this)), FCount(new QLabel(this)),
      FGoButton(new QPushButton(QStringLiteral("&Go"), this)) {
    setObjectName(QStringLiteral("GoToBranchBox"));
    setWindowTitle(QStringLiteral("Go to Branch"));
    setModal(false);
    resize(560, 360);

    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(FEdit);
    FEdit->setObjectName(QStringLiteral("GoToBranchEdit"));
    FEdit->setPlaceholderText(QStringLiteral("A part of a branch's name, id or info"));
    FEdit->installEventFilter(this);
    FList->setObjectName(QStringLiteral("GoToBranchList"));
    FList->setAccessibleName(QStringLiteral("Branches found"));
    FList->setHeaderLabels({QStringLiteral("Branch"), QStringLiteral("Id"), QStringLiteral("Info")});
    FList->setRootIsDecorated(false);
    // A long path loses its middle, so the branch's own name at its end always shows.
    FList->setTextElideMode(Qt::ElideMiddle);
    FList->setUniformRowHeights(true);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->header()->setStretchLastSection(true);
    FList->setColumnWidth(PathColumn, 330);
    FList->setColumnWidth(IdColumn, 90);
    FCount->setObjectName(QStringLiteral("GoToBranchCount"));
    FGoButton->setObjectName(QStringLiteral("GoToBranchBtn"));
    FGoButton->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(FEdit);
    layout->addLayout(findRow);
    layout->addWidget(FList);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FCount, 1);
    bottom->addWidget(FGoButton);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(FEdit, &QLineEdit::textChanged, this, &TGoToBranchBox::Requery);
    connect(FGoButton, &QPushButton::clicked, this, &TGoToBranchBox::GoToCurrent);
    connect(FList, &QTreeWidget::itemActivated, this, &TGoToBranchBox::GoToCurrent);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    FIndex.OnStale = [this] { TreeChanged(); };
    // The page's tree goes before the page's destroyed signal: from then on it must not be touched.
    connect(treePage, &QObject::destroyed, this, [this] { FIndex.ForgetTree(); });
}

TGoToBranchBox::~TGoToBranchBox() {
    FIndex.OnStale = nullptr;
}

void TGoToBranchBox::Open() {
    if (FIndex.Stale()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FIndex.Build();
        QApplication::restoreOverrideCursor();
    }
    FitToScreen(*this);
    show();
    raise();
    activateWindow();
    FEdit->setFocus();
    FEdit->selectAll();
    Requery();
}

void TGoToBranchBox::Requery() {
    FRequeryPending = false;
    if (!FTreePage)
        return;
    const QString text = FEdit->text();
    const TBranchMatches matches = FIndex.Query(FromQ(text), ListLimit);
    FShown = matches.Nodes;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(FShown.size()));
    for (const TNodeRef& ref : FShown) {
        const TTreeNode* node = ref.Get();
        auto* row = new QTreeWidgetItem;
        row->setText(PathColumn, ToQ(BranchPath(node, PathSeparator)));
        row->setText(IdColumn, ToQ(node->Id()));
        row->setText(InfoColumn, ToQ(node->Info()));
        row->setToolTip(PathColumn, QString::fromLatin1(LevelNames[static_cast<size_t>(node->Level())]) +
                                        ' ' + ToQ(node->Name()));
        rows.append(row);
    }
    FList->setUpdatesEnabled(false);
    FList->clear();
    FList->addTopLevelItems(rows);
    if (!rows.isEmpty())
        FList->setCurrentItem(rows.first());
    FList->setUpdatesEnabled(true);

    const QLocale locale;
    if (text.trimmed().isEmpty())
        FCount->clear();
    else if (matches.Total == 0)
        FCount->setText(QStringLiteral("No branch found"));
    else if (matches.Total <= FShown.size())
        FCount->setText(matches.Total == 1
                            ? QStringLiteral("1 branch")
                            : QStringLiteral("%1 branches").arg(locale.toString(qulonglong(matches.Total))));
    else
        FCount->setText(
            QStringLiteral("The first %1 of %2 branches: type more to narrow the list")
                .arg(locale.toString(qulonglong(FShown.size())), locale.toString(qulonglong(matches.Total))));
    FGoButton->setEnabled(!FShown.empty());
    // The count is told to screen readers where the user types and on the list, as it changes.
    FEdit->setAccessibleDescription(FCount->text());
    FList->setAccessibleDescription(FCount->text());
}

void TGoToBranchBox::GoToCurrent() {
    // Enter reaches both the list and the default button: the first one goes, the box is hidden then.
    if (!isVisible() || FShown.empty())
        return;
    const int row = FList->currentItem() ? FList->indexOfTopLevelItem(FList->currentItem()) : 0;
    TTreeNode* node = FShown[static_cast<size_t>(row >= 0 ? row : 0)].Get();
    hide();
    if (node)
        FGo(node);
}

void TGoToBranchBox::TreeChanged() {
    // The list follows the tree: emptied now, listed again once the change is over.
    FShown.clear();
    FList->clear();
    FGoButton->setEnabled(false);
    if (FRequeryPending || !isVisible())
        return;
    FRequeryPending = true;
    QTimer::singleShot(0, this, [this] {
        if (FRequeryPending)
            Requery();
    });
}

bool TGoToBranchBox::eventFilter(QObject* watched, QEvent* event) {
    // Up and down in the edit box move through the list, so the hands stay on the keys.
    if (watched == FEdit && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(FList, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
