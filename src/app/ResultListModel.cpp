#include "ResultListModel.h"

#include "QtText.h"
#include "TaxonomyTreeModel.h"

#include <algorithm>
#include <numeric>

TResultListModel::TResultListModel(QObject* parent)
    : QAbstractListModel(parent), FGenusIcon(MakeTaxonomyIcons()[2]) {}

void TResultListModel::SetEntries(std::vector<TResultEntry> entries) {
    // Sorted through case-folded keys made once: a list of 200,000 genera sorts in a blink.
    std::vector<QString> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        keys[i] = entries[i].Caption.toCaseFolded();
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<TResultEntry> sorted;
    sorted.reserve(entries.size());
    for (size_t i : order)
        sorted.push_back(std::move(entries[i]));
    beginResetModel();
    FEntries = std::move(sorted);
    endResetModel();
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FEntries.size());
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TResultEntry& entry = Entry(index.row());
    switch (role) {
    case Qt::DisplayRole: return entry.Caption;
    case Qt::DecorationRole: return FGenusIcon;
    case Qt::UserRole:
        if (!entry.HasNode)
            return {};
        return QStringList{ToQ(entry.Data.Marker()), ToQ(entry.Data.Id()), ToQ(entry.Data.Name()),
                           ToQ(entry.Data.Info())};
    default: return {};
    }
}
