// Go to Branch: a small box beside the window that lists, as the user types, the branches whose
// name, id or info hold the text, each with its path from the class, and makes the chosen one the
// tree's selection.
#pragma once

#include "BranchIndex.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TTaxonomyTreePage;

class TGoToBranchBox : public QDialog {
    Q_OBJECT
public:
    // How many matches the list shows; typing more narrows them down.
    static constexpr size_t ListLimit = 200;

    // `go` selects the chosen branch (the box hides itself first).
    TGoToBranchBox(TTaxonomyTreePage* treePage, std::function<void(TTreeNode*)> go, QWidget* parent);
    ~TGoToBranchBox() override;

    // Shows the box with its text selected, the index built for the tree as it is now.
    void Open();
    // Lists the matches of the text in the edit box.
    void Requery();
    // Selects the current entry of the list (the first when none is current).
    void GoToCurrent();

    QLineEdit* Edit() const { return FEdit; }
    QTreeWidget* List() const { return FList; }
    QLabel* CountLabel() const { return FCount; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TreeChanged();

    QPointer<TTaxonomyTreePage> FTreePage;
    TBranchIndex FIndex;
    std::function<void(TTreeNode*)> FGo;
    std::vector<TNodeRef> FShown; // the nodes of the list's rows
    bool FRequeryPending = false;
    QLineEdit* FEdit;
    QTreeWidget* FList;
    QLabel* FCount;
    QPushButton* FGoButton;
};
