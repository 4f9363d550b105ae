// Adding and deleting tree items and deleting the user databases. Not a widget: it works on the
// Taxonomy page and the actions the window hands it.
#pragma once

#include "UndoDelete.h"

#include <QObject>
#include <memory>

class QWidget;
class TFormAddBranch;
class TMainActions;
class TTaxonomyTreePage;
class TTreeNode;

class TTreeItemCommands : public QObject {
    Q_OBJECT
public:
    // `window` parents the dialogs, which are centred on it.
    TTreeItemCommands(TMainActions& actions, TTaxonomyTreePage* treePage, QWidget* window);
    ~TTreeItemCommands() override;

    // A branch under the selected one, or another genus beside a selected genus.
    void ActionEditorAddTreeItemExecute();
    // The selected branch with its subitems, after two questions; optionally with their records.
    void ActionEditorDeleteTreeItemExecute();
    // Puts back the branch deleted last, selected as it was.
    void ActionEditorUndoDeleteExecute();
    void ActionDBDeleteUserDBExecute();

    // Deletions an earlier run left undoable (it did not end normally): put back or forgotten at
    // the user's choice. Once, after the tree is shown at start.
    void OfferLeftDeletions();
    // A download replaced the files the deletions changed: they can no longer be undone.
    void DataReplaced();
    // The run ends with the tree saved: what was deleted stays deleted.
    void EndOfRun();

    // The add dialog, once the first Add Tree Item has made it.
    TFormAddBranch* AddBranchForm() const { return FAddBranch.get(); }

private:
    // Opens the new node's ancestors and scrolls to it; the selection stays where it is.
    void MakeVisible(TTreeNode* node);
    // The undo action's caption and allowance follow the journal.
    void UndoChanged();

    TMainActions& FActions;
    TTaxonomyTreePage* FTreePage;
    QWidget* FWindow;
    std::unique_ptr<TFormAddBranch> FAddBranch;
    TUndoDeletes FUndo;
};
