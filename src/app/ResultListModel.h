// The entries of the Search Result list, kept sorted by caption. Each entry holds a copy of its
// branch's key, never a pointer into the tree, so no tree change can leave it dangling.
#pragma once

#include "TaxonomyData.h"

#include <QAbstractListModel>
#include <QIcon>
#include <cstdint>
#include <vector>

struct TResultEntry {
    QString Caption;
    bool HasNode = false; // false for a forgotten genus: only its name is known
    TTaxonomyData Data;   // marker, id, name and info of the listed node
};

class TResultListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TResultListModel(QObject* parent = nullptr);

    // Replaces every entry; sorts them by caption without regard to letter case.
    void SetEntries(std::vector<TResultEntry> entries);
    void Clear() { SetEntries({}); }
    // Entries of the node that was `before` now name it as `after`, with its new caption; they
    // keep their rows.
    void FollowNode(const TTaxonomyData& before, const TTaxonomyData& after, const QString& caption);
    const TResultEntry& Entry(int row) const { return FEntries[FRows[static_cast<size_t>(row)]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    // Qt::UserRole gives (marker, id, name, info) for an entry with node data.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<TResultEntry> FEntries; // as they came
    std::vector<uint32_t> FRows;        // the entry shown in each row
    QIcon FGenusIcon;
};
