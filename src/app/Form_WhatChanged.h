#pragma once
// What Changed: what the last download changed in the tree and the databases, as the comparison of
// the data kept before it with the data now. The counts per rank at the top, then the changes, one
// row each, narrowed by the filter; a click on a branch that is in the tree selects it there.

#include "DataCompare.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class FormWhatChanged;
}
class QLineEdit;
class QModelIndex;
class QTableWidget;
class QTreeView;
class TChangeListModel;

class TFormWhatChanged : public QDialog {
    Q_OBJECT
public:
    // Called with the level, id and name of a branch the user clicked.
    using TSelectBranch = std::function<void(int level, const std::string& id, const std::string& name)>;

    TFormWhatChanged(const TDataComparison& comparison, TSelectBranch selectBranch,
                     QWidget* parent = nullptr);
    ~TFormWhatChanged() override;

    QTableWidget* Counts() const;
    QLineEdit* Filter() const;
    // One row per change the filter leaves shown, a column per field.
    QTreeView* Changes() const;
    // The rows the filter leaves shown.
    int ShownCount() const;

private:
    void ApplyFilter(const QString& text);
    void RowClicked(const QModelIndex& index);

    std::unique_ptr<Ui::FormWhatChanged> FUi;
    std::unique_ptr<TChangeListModel> FModel;
    TSelectBranch FSelectBranch;
};

// Compares the data kept before the last download with the data now (a database that only one of
// them has counts as empty) and shows the dialog through the dialog seam. Throws EFOpenError when
// the files cannot be read.
void RunWhatChanged(const TFormWhatChanged::TSelectBranch& selectBranch, QWidget* parent);
