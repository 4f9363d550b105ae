#include "ResultListModel.h"

#include "QtText.h"
#include "TaxonomyTreeModel.h"

#include <algorithm>
#include <cstdint>

TResultListModel::TResultListModel(QObject* parent)
    : QAbstractListModel(parent), FGenusIcon(MakeTaxonomyIcons()[2]) {}

namespace {

// The caption's case-folded form; plain ASCII, most captions, is folded without the Unicode tables.
QString FoldedKey(const QString& caption) {
    const qsizetype size = caption.size();
    const QChar* in = caption.constData();
    for (qsizetype i = 0; i < size; ++i)
        if (in[i].unicode() >= 0x80)
            return caption.toCaseFolded();
    QString key(size, Qt::Uninitialized);
    QChar* out = key.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i].unicode();
        out[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return key;
}

// The first eight UTF-16 units of a key in two numbers that compare as the units do (a shorter key
// is padded with zeros); keys whose numbers are equal are compared whole.
struct TSortKey {
    uint64_t High = 0;
    uint64_t Low = 0;
    uint32_t Index = 0;
};

TSortKey SortKeyOf(const QString& key, uint32_t index) {
    TSortKey k;
    k.Index = index;
    const qsizetype size = key.size();
    for (qsizetype i = 0; i < 8; ++i) {
        const uint64_t unit = i < size ? key.at(i).unicode() : 0;
        uint64_t& part = i < 4 ? k.High : k.Low;
        part = (part << 16) | unit;
    }
    return k;
}

} // namespace

void TResultListModel::SetEntries(std::vector<TResultEntry> entries) {
    // Sorted once through case-folded keys; equal captions keep the order they came in. The entries
    // stay where they are: the rows name them through an order.
    std::vector<QString> keys(entries.size());
    std::vector<TSortKey> order(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        keys[i] = FoldedKey(entries[i].Caption);
        order[i] = SortKeyOf(keys[i], static_cast<uint32_t>(i));
    }
    std::sort(order.begin(), order.end(), [&](const TSortKey& a, const TSortKey& b) {
        if (a.High != b.High)
            return a.High < b.High;
        if (a.Low != b.Low)
            return a.Low < b.Low;
        const int c = QString::compare(keys[a.Index], keys[b.Index], Qt::CaseSensitive);
        return c != 0 ? c < 0 : a.Index < b.Index;
    });
    std::vector<uint32_t> rows(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        rows[i] = order[i].Index;
    beginResetModel();
    FEntries = std::move(entries);
    FRows = std::move(rows);
    endResetModel();
}

void TResultListModel::FollowNode(const TTaxonomyData& before, const TTaxonomyData& after,
                                  const QString& caption) {
    bool changed = false;
    for (TResultEntry& entry : FEntries)
        if (entry.HasNode && entry.Data == before) {
            entry.Data = after;
            entry.Caption = caption;
            changed = true;
        }
    if (changed && !FRows.empty())
        emit dataChanged(index(0), index(rowCount() - 1));
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
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
