#include "Form_WhatChanged.h"

#include "Constants.h"
#include "Dialogs.h"
#include "KeptData.h"
#include "Platform.h"
#include "QtText.h"
#include "ui_Form_WhatChanged.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableWidget>
#include <QTreeView>

namespace {

enum TColumn { KindColumn, RankColumn, IdColumn, NameColumn, FieldColumn, BeforeColumn, AfterColumn };
constexpr int LevelRole = Qt::UserRole;

QString KindText(TDataChangeKind kind) {
    switch (kind) {
    case TDataChangeKind::Added:
        return QStringLiteral("Branch added");
    case TDataChangeKind::Removed:
        return QStringLiteral("Branch removed");
    case TDataChangeKind::Renamed:
        return QStringLiteral("Renamed");
    case TDataChangeKind::Moved:
        return QStringLiteral("Moved");
    case TDataChangeKind::InfoChanged:
        return QStringLiteral("Info changed");
    case TDataChangeKind::RecordAdded:
        return QStringLiteral("Record added");
    case TDataChangeKind::RecordRemoved:
        return QStringLiteral("Record removed");
    case TDataChangeKind::RecordChanged:
        return QStringLiteral("Record changed");
    case TDataChangeKind::UserRecordAdded:
        return QStringLiteral("Your record added");
    case TDataChangeKind::UserRecordReplaced:
        return QStringLiteral("Your record replaced");
    case TDataChangeKind::UserRecordSkipped:
        return QStringLiteral("Your record not merged");
    }
    return {};
}

// A value on one line of the list; the whole of it in the tooltip.
QString OneLine(const std::string& value) {
    return ToQ(value).replace('\n', QStringLiteral(" \u21B5 "));
}

} // namespace

// The changes as rows, and the rows the filter leaves: a list of hundreds of thousands of changes
// fills at once and narrows as fast as the user types. Each row's text is folded once, for the
// filter.
class TChangeListModel : public QAbstractTableModel {
public:
    explicit TChangeListModel(std::vector<TDataChange> changes) : FChanges(std::move(changes)) {
        FFolded.reserve(FChanges.size());
        for (size_t i = 0; i < FChanges.size(); ++i) {
            QString text;
            for (int column = KindColumn; column <= AfterColumn; ++column)
                text += Text(i, column) + QChar(0x1F); // a match never spans two columns
            FFolded.push_back(text.toCaseFolded().toStdString());
        }
        Filter(QString());
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(FShown.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : AfterColumn + 1;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[] = {"Change", "Rank", "Id", "Name", "Field", "Before", "After"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > AfterColumn)
            return {};
        return QString::fromLatin1(titles[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount(QModelIndex()))
            return {};
        const size_t i = FShown[static_cast<size_t>(index.row())];
        const int column = index.column();
        if (role == Qt::DisplayRole)
            return Text(i, column);
        if (role == Qt::ToolTipRole && (column == BeforeColumn || column == AfterColumn))
            return ToQ(column == BeforeColumn ? FChanges[i].Before : FChanges[i].After);
        if (role == LevelRole)
            return FChanges[i].Level;
        return {};
    }

    // Shows the rows whose text holds `text`, whatever the case; all of them for an empty text.
    void Filter(const QString& text) {
        beginResetModel();
        FShown.clear();
        const std::string wanted = text.toCaseFolded().toStdString();
        for (size_t i = 0; i < FChanges.size(); ++i)
            if (wanted.empty() || FFolded[i].find(wanted) != std::string::npos)
                FShown.push_back(i);
        endResetModel();
    }
    size_t Total() const { return FChanges.size(); }

private:
    QString Text(size_t i, int column) const {
        const TDataChange& change = FChanges[i];
        switch (column) {
        case KindColumn:
            return KindText(change.Kind);
        case RankColumn:
            return QString::fromLatin1(LevelNames[static_cast<size_t>(change.Level)]);
        case IdColumn:
            return ToQ(change.Id);
        case NameColumn:
            return ToQ(change.Name);
        case FieldColumn:
            return ToQ(change.Field);
        case BeforeColumn:
            return OneLine(change.Before);
        case AfterColumn:
            return OneLine(change.After);
        default:
            return {};
        }
    }

    std::vector<TDataChange> FChanges;
    std::vector<std::string> FFolded;
    std::vector<size_t> FShown;
};

TFormWhatChanged::TFormWhatChanged(const TDataComparison& comparison, TSelectBranch selectBranch,
                                   QWidget* parent)
    : QDialog(parent), FUi(std::make_unique<Ui::FormWhatChanged>()), FSelectBranch(std::move(selectBranch)) {
    FUi->setupUi(this);

    const QStringList columns = {"Before",  "After", "Added",          "Removed",
                                 "Renamed", "Moved", "Records changed"};
    QTableWidget* counts = FUi->CountsTable;
    counts->setColumnCount(static_cast<int>(columns.size()));
    counts->setHorizontalHeaderLabels(columns);
    counts->setRowCount(CompareRanks);
    for (int rank = 0; rank < CompareRanks; ++rank) {
        const TRankCounts& c = comparison.Counts[static_cast<size_t>(rank)];
        counts->setVerticalHeaderItem(
            rank, new QTableWidgetItem(QString::fromLatin1(LevelNames[static_cast<size_t>(rank)])));
        const size_t values[] = {c.Before, c.After, c.Added, c.Removed, c.Renamed, c.Moved, c.RecordsChanged};
        for (int column = 0; column < static_cast<int>(std::size(values)); ++column) {
            auto* item = new QTableWidgetItem(QString::number(values[column]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            counts->setItem(rank, column, item);
        }
    }
    counts->resizeColumnsToContents();
    counts->setFixedHeight(counts->horizontalHeader()->height() + counts->verticalHeader()->length() +
                           2 * counts->frameWidth());

    FModel = std::make_unique<TChangeListModel>(comparison.Changes);
    FUi->ChangeList->setModel(FModel.get());
    // Sized on the first rows the header looks at (it does not read them all).
    for (int column = KindColumn; column <= FieldColumn; ++column)
        FUi->ChangeList->resizeColumnToContents(column);
    ApplyFilter(QString());

    connect(FUi->FilterEdit, &QLineEdit::textChanged, this, &TFormWhatChanged::ApplyFilter);
    connect(FUi->ChangeList, &QTreeView::clicked, this, &TFormWhatChanged::RowClicked);
    connect(FUi->ChangeList, &QTreeView::activated, this, &TFormWhatChanged::RowClicked);
}

TFormWhatChanged::~TFormWhatChanged() = default;

QTableWidget* TFormWhatChanged::Counts() const {
    return FUi->CountsTable;
}

QLineEdit* TFormWhatChanged::Filter() const {
    return FUi->FilterEdit;
}

QTreeView* TFormWhatChanged::Changes() const {
    return FUi->ChangeList;
}

int TFormWhatChanged::ShownCount() const {
    return FModel->rowCount(QModelIndex());
}

void TFormWhatChanged::ApplyFilter(const QString& text) {
    const QString wanted = text.trimmed();
    FModel->Filter(wanted);
    const auto total = static_cast<qulonglong>(FModel->Total());
    FUi->ShownLabel->setText(total == 0 ? QStringLiteral("No changes")
                             : wanted.isEmpty()
                                 ? QStringLiteral("%1 changes").arg(total)
                                 : QStringLiteral("%1 of %2 changes").arg(ShownCount()).arg(total));
}

void TFormWhatChanged::RowClicked(const QModelIndex& index) {
    if (!index.isValid() || !FSelectBranch)
        return;
    const QModelIndex row = index.siblingAtColumn(KindColumn);
    FSelectBranch(row.data(LevelRole).toInt(), FromQ(row.siblingAtColumn(IdColumn).data().toString()),
                  FromQ(row.siblingAtColumn(NameColumn).data().toString()));
}

void RunWhatChanged(const TFormWhatChanged::TSelectBranch& selectBranch, QWidget* parent) {
    const TDataComparison comparison =
        CompareDataFolders(PreviousDataFolder(), ProgramFolder(), TMissingDatabase::Empty);
    TFormWhatChanged dialog(comparison, selectBranch, parent);
    DialogSeam().ExecDialog(dialog);
}
