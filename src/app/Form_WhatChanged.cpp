#include "Form_WhatChanged.h"

#include "Constants.h"
#include "Dialogs.h"
#include "KeptData.h"
#include "Platform.h"
#include "QtText.h"
#include "ui_Form_WhatChanged.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>

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

    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(comparison.Changes.size()));
    for (const TDataChange& change : comparison.Changes) {
        auto* row = new QTreeWidgetItem(
            QStringList{KindText(change.Kind),
                        QString::fromLatin1(LevelNames[static_cast<size_t>(change.Level)]), ToQ(change.Id),
                        ToQ(change.Name), ToQ(change.Field), OneLine(change.Before), OneLine(change.After)});
        row->setData(KindColumn, LevelRole, change.Level);
        row->setToolTip(BeforeColumn, ToQ(change.Before));
        row->setToolTip(AfterColumn, ToQ(change.After));
        rows.append(row);
    }
    FUi->ChangeList->addTopLevelItems(rows);
    for (int column = KindColumn; column <= FieldColumn; ++column)
        FUi->ChangeList->resizeColumnToContents(column);
    ApplyFilter(QString());

    connect(FUi->FilterEdit, &QLineEdit::textChanged, this, &TFormWhatChanged::ApplyFilter);
    connect(FUi->ChangeList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { RowClicked(item); });
    connect(FUi->ChangeList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { RowClicked(item); });
}

TFormWhatChanged::~TFormWhatChanged() = default;

QTableWidget* TFormWhatChanged::Counts() const {
    return FUi->CountsTable;
}

QLineEdit* TFormWhatChanged::Filter() const {
    return FUi->FilterEdit;
}

QTreeWidget* TFormWhatChanged::Changes() const {
    return FUi->ChangeList;
}

int TFormWhatChanged::ShownCount() const {
    int shown = 0;
    for (int i = 0; i < FUi->ChangeList->topLevelItemCount(); ++i)
        shown += !FUi->ChangeList->topLevelItem(i)->isHidden();
    return shown;
}

void TFormWhatChanged::ApplyFilter(const QString& text) {
    const QString wanted = text.trimmed();
    QTreeWidget* list = FUi->ChangeList;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        bool match = wanted.isEmpty();
        for (int column = KindColumn; !match && column <= AfterColumn; ++column)
            match = row->text(column).contains(wanted, Qt::CaseInsensitive);
        row->setHidden(!match);
    }
    const int total = list->topLevelItemCount();
    FUi->ShownLabel->setText(total == 0 ? QStringLiteral("No changes")
                             : wanted.isEmpty()
                                 ? QStringLiteral("%1 changes").arg(total)
                                 : QStringLiteral("%1 of %2 changes").arg(ShownCount()).arg(total));
}

void TFormWhatChanged::RowClicked(QTreeWidgetItem* item) {
    if (!item || !FSelectBranch)
        return;
    FSelectBranch(item->data(KindColumn, LevelRole).toInt(), FromQ(item->text(IdColumn)),
                  FromQ(item->text(NameColumn)));
}

void RunWhatChanged(const TFormWhatChanged::TSelectBranch& selectBranch, QWidget* parent) {
    const TDataComparison comparison =
        CompareDataFolders(PreviousDataFolder(), ProgramFolder(), TMissingDatabase::Empty);
    TFormWhatChanged dialog(comparison, selectBranch, parent);
    DialogSeam().ExecDialog(dialog);
}
