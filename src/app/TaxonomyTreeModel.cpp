#include "TaxonomyTreeModel.h"

#include "Constants.h"
#include "QtText.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPixmap>

namespace {

QIcon DrawIcon(const QColor& fill, bool genus, bool planned, bool selected) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor body = selected ? fill.lighter(130) : fill;
    p.setPen(QPen(body.darker(170), 1));
    if (planned)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(body);
    if (genus) {
        // A small creature: body and head.
        p.drawEllipse(QRectF(2, 5, 10, 8));
        p.drawEllipse(QRectF(10, 3, 5, 5));
    } else {
        // A branch: a folder-like tab.
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 2, 2);
        p.drawRect(QRectF(1.5, 2.5, 6, 2));
    }
    if (selected) {
        p.setPen(QPen(QColor(255, 255, 255), 1.5));
        p.drawLine(QPointF(4, 9), QPointF(7, 9));
    }
    return QIcon(pixmap);
}

} // namespace

std::array<QIcon, 6> MakeTaxonomyIcons() {
    std::array<QIcon, 6> icons = {DrawIcon(QColor(196, 150, 60), false, false, false),
                                  DrawIcon(QColor(196, 150, 60), false, false, true),
                                  DrawIcon(QColor(70, 140, 90), true, false, false),
                                  DrawIcon(QColor(70, 140, 90), true, false, true),
                                  DrawIcon(QColor(128, 128, 128), true, true, false),
                                  DrawIcon(QColor(128, 128, 128), true, true, true)};
    // Each normal icon carries the next one as its selected state, as the view draws it.
    for (size_t i = 0; i < icons.size(); i += 2)
        icons[i].addPixmap(icons[i + 1].pixmap(16, 16), QIcon::Selected);
    return icons;
}

TTaxonomyImageList::TTaxonomyImageList(QObject* parent) : QObject(parent), FIcons(MakeTaxonomyIcons()) {
    setObjectName(QStringLiteral("TaxonomyImageList"));
}

TTaxonomyTreeModel::TTaxonomyTreeModel(TTaxonomyTree& tree, QObject* parent)
    : QAbstractItemModel(parent), FTree(tree), FImages(new TTaxonomyImageList(this)) {
    FTree.AddObserver(this);
}

TTaxonomyTreeModel::~TTaxonomyTreeModel() {
    FTree.RemoveObserver(this);
}

TTreeNode* TTaxonomyTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TTaxonomyTreeModel::IndexOf(const TTreeNode* node) const {
    if (!node)
        return {};
    return createIndex(node->Row(), 0, const_cast<TTreeNode*>(node));
}

QModelIndex TTaxonomyTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const auto& children = FTree.ChildrenOf(NodeOf(parent));
    if (row >= static_cast<int>(children.size()))
        return {};
    return createIndex(row, 0, children[static_cast<size_t>(row)]);
}

QModelIndex TTaxonomyTreeModel::parent(const QModelIndex& child) const {
    const TTreeNode* node = NodeOf(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TTaxonomyTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return static_cast<int>(FTree.ChildrenOf(NodeOf(parent)).size());
}

int TTaxonomyTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TTaxonomyTreeModel::hasChildren(const QModelIndex& parent) const {
    return !FTree.ChildrenOf(NodeOf(parent)).empty();
}

Qt::ItemFlags TTaxonomyTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool TTaxonomyTreeModel::IsGreyNode(const TTreeNode* node) {
    if (node->Id() == NotAvailableId)
        return true;
    const std::string_view name = node->Name();
    return !name.empty() && (name[0] == '(' || name[0] == '<' || name[0] == '[' || name[0] == '{');
}

QVariant TTaxonomyTreeModel::data(const QModelIndex& index, int role) const {
    const TTreeNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ToQ(FTree.Caption(node));
    case Qt::DecorationRole:
        return FImages->Icon(ImageIndexOf(node));
    case Qt::ForegroundRole:
        if (IsGreyNode(node))
            return QBrush(QColor(128, 128, 128));
        return {};
    default:
        return {};
    }
}

void TTaxonomyTreeModel::BeginReset() {
    beginResetModel();
}
void TTaxonomyTreeModel::EndReset() {
    endResetModel();
}

void TTaxonomyTreeModel::BeginInsert(TTreeNode* parent, int row) {
    beginInsertRows(IndexOf(parent), row, row);
}
void TTaxonomyTreeModel::EndInsert() {
    endInsertRows();
}

void TTaxonomyTreeModel::BeginRemove(TTreeNode* parent, int row) {
    beginRemoveRows(IndexOf(parent), row, row);
}
void TTaxonomyTreeModel::EndRemove() {
    endRemoveRows();
}

void TTaxonomyTreeModel::NodeChanging(TTreeNode* node) {
    FChanging = node->Data();
}

void TTaxonomyTreeModel::NodeChanged(TTreeNode* node) {
    const QModelIndex idx = IndexOf(node);
    emit dataChanged(idx, idx);
    if (!FChanging)
        return;
    const TTaxonomyData before = std::move(*FChanging);
    FChanging.reset();
    const TTaxonomyData after = node->Data();
    if (!(before == after))
        emit NodeKeyChanged(before, after, ToQ(FTree.Caption(node)));
}

void TTaxonomyTreeModel::NodeDeleting(TTreeNode*) {
    // Rows are removed as a whole in BeginRemove/EndRemove; a single node needs nothing more.
}
