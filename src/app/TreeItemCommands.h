// Adding and deleting tree items and deleting the user databases. Not a widget: it works on the
// Taxonomy page and the actions the window hands it.
#pragma once

#include <QObject>
#include <memory>

class QWidget;
class TFormAddBranch;
class TMainActions;
class TTaxonomyTreePage;
struct TTreeNode;

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
    void ActionDBDeleteUserDBExecute();

    // The add dialog, once the first Add Tree Item has made it.
    TFormAddBranch* AddBranchForm() const { return FAddBranch.get(); }

private:
    // Opens the new node's ancestors and scrolls to it; the selection stays where it is.
    void MakeVisible(TTreeNode* node);

    TTaxonomyTreePage* FTreePage;
    QWidget* FWindow;
    std::unique_ptr<TFormAddBranch> FAddBranch;
};
