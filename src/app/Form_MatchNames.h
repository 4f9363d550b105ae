#pragma once
// Match Names: a list of names, pasted or opened from a text file, matched against the tree's
// branches and the genus database's species. The counts per kind above the table, a filter, a
// click that selects the branch found (or the first suggestion's) in the tree, and Save as TSV.

#include "NameMatcher.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class FormMatchNames;
}
class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QTreeView;
class TMatchListModel;

class TFormMatchNames : public QDialog {
    Q_OBJECT
public:
    using TSelectBranch = std::function<void(TTreeNode* node)>;

    // `genusPath`: the genus database whose species are matched too.
    TFormMatchNames(const TTaxonomyTree& tree, std::string genusPath, TSelectBranch selectBranch,
                    QWidget* parent = nullptr);
    ~TFormMatchNames() override;

    QPlainTextEdit* Names() const;
    QLineEdit* Filter() const;
    QTreeView* Results() const;
    QLabel* Counts() const;

    // Matches every line of the names box.
    void MatchNames();
    // Asks for a text file and matches its names.
    void OpenFile();
    // Asks where, and writes the rows shown as TSV.
    void SaveTsv();

private:
    void ApplyFilter(const QString& text);
    void RowClicked(const QModelIndex& index);

    std::unique_ptr<Ui::FormMatchNames> FUi;
    const TTaxonomyTree& FTree;
    std::string FGenusPath;
    TSelectBranch FSelectBranch;
    std::unique_ptr<TNameMatcher> FMatcher; // made at the first match, again once the tree changed
    std::unique_ptr<TMatchListModel> FModel;
};
