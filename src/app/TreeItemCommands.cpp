#include "TreeItemCommands.h"

#include "Dialogs.h"
#include "Form_AddBranch.h"
#include "Form_DeleteUserDB.h"
#include "Global.h"
#include "MainActions.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreePage.h"
#include "TaxonomyTreeView.h"
#include "TreeChanges.h"
#include "TreeEdit.h"

#include <QAction>

TTreeItemCommands::TTreeItemCommands(TMainActions& actions, TTaxonomyTreePage* treePage, QWidget* window)
    : FActions(actions), FTreePage(treePage), FWindow(window) {
    actions.Connect(TAction::EditorAddTreeItem,
                    [this] { RunAction([this] { ActionEditorAddTreeItemExecute(); }); });
    actions.Connect(TAction::EditorDeleteTreeItem,
                    [this] { RunAction([this] { ActionEditorDeleteTreeItemExecute(); }); });
    actions.Connect(TAction::EditorUndoDelete,
                    [this] { RunAction([this] { ActionEditorUndoDeleteExecute(); }); });
    actions.Connect(TAction::DBDeleteUserDB,
                    [this] { RunAction([this] { ActionDBDeleteUserDBExecute(); }); });
    UndoChanged();
}

TTreeItemCommands::~TTreeItemCommands() = default;

void TTreeItemCommands::ActionEditorAddTreeItemExecute() {
    TTreeNode* selected = FTreePage->SelectedNode();
    if (!selected)
        return;
    TTaxonomyData data = selected->Data();
    // Beside a genus another genus is added; below anything else a child.
    TTreeNode* parent = data.Level() >= GenusLevel ? selected->Parent() : selected;
    if (!parent)
        return;
    if (!FAddBranch)
        FAddBranch = std::make_unique<TFormAddBranch>(FWindow);
    data.Name().clear();
    data.Info().clear();
    // The tree may change while the dialog is open (a refresh): the parent may be gone after it.
    const TNodeRef held(FTreePage->Tree(), parent);
    if (FAddBranch->Execute(parent->Data(), data) != QDialog::Accepted || !(parent = held.Get()))
        return;
    TTreeNode* node = AddTreeNode(FTreePage->Tree(), parent, data);
    MakeVisible(node);
    NoteTreeChange(FTreePage->Tree(), TTreeChange::Inserted(FTreePage->Tree(), node));
    RecordUserTreeItem(node);
    // The outline of additions goes to the reviewer with the user databases.
    if (ModifiedFiles.Add(DetailFile(-1, true)))
        SaveModifiedFiles();
}

void TTreeItemCommands::ActionEditorDeleteTreeItemExecute() {
    // Held across the questions, during which the tree may change.
    const TNodeRef held(FTreePage->Tree(), FTreePage->SelectedNode());
    if (!held)
        return;
    if (AppMessageBox(
            std::string("You are going to delete selected item from Taxonomy tree. All its subitems will "
                        "be permanently deleted. Are you sure you want to preceed?"),
            Mb::OkCancel | Mb::IconQuestion) != Mb::IdOk ||
        !held)
        return;
    const int answer = AppMessageBox(
        std::string(
            "Database's entries may be linked to selected item. Do you want them to be deleted as well?"),
        Mb::YesNoCancel | Mb::IconQuestion);
    TTreeNode* node = held.Get();
    if (!node || (answer != Mb::IdYes && answer != Mb::IdNo))
        return;
    // The selection moves to the neighbour the view would choose before anything is removed, so
    // that showing that branch never runs in the middle of the removal.
    const auto& siblings = FTreePage->Tree().ChildrenOf(node->Parent());
    const auto row = static_cast<size_t>(node->Row());
    TTreeNode* next = row + 1 < siblings.size() ? siblings[row + 1]
                      : row > 0                 ? siblings[row - 1]
                                                : node->Parent();
    if (next)
        FTreePage->SelectNode(next);
    try {
        FUndo.Delete(FTreePage->Tree(), node, answer == Mb::IdYes);
    } catch (...) {
        // Nothing was deleted: the branch is selected again.
        FTreePage->SelectNode(node);
        throw;
    }
    UndoChanged();
}

void TTreeItemCommands::ActionEditorUndoDeleteExecute() {
    if (FUndo.Empty())
        return;
    TTreeNode* node = nullptr;
    try {
        node = FUndo.UndoLast(FTreePage->Tree());
    } catch (...) {
        UndoChanged();
        throw;
    }
    UndoChanged();
    MakeVisible(node);
    FTreePage->SelectNode(node);
}

void TTreeItemCommands::OfferLeftDeletions() {
    FUndo.Load(FTreePage->Tree());
    UndoChanged();
    if (FUndo.Unavailable())
        SetStatus("The folder \"" + TUndoDeletes::Folder() +
                  "\" is a link or no folder: deletions cannot be undone while it is there.");
    if (FUndo.Empty())
        return;
    const size_t count = FUndo.Count();
    const std::string text =
        count == 1 ? "A deletion was interrupted or can still be undone: \"" + FUndo.LastName() +
                         "\" and what it removed from the databases.\n\nDo you want to put it back?"
                   : "A deletion was interrupted or can still be undone: \"" + FUndo.LastName() + "\" and " +
                         std::to_string(count - 1) + (count == 2 ? " earlier one" : " earlier ones") +
                         ", with what they removed from the databases.\n\nDo you want to put them back?";
    if (AppMessageBox(text, Mb::YesNo | Mb::IconQuestion) != Mb::IdYes) {
        FUndo.FinishLeft(FTreePage->Tree());
        UndoChanged();
        return;
    }
    RunAction([this] {
        while (!FUndo.Empty())
            ActionEditorUndoDeleteExecute();
    });
}

void TTreeItemCommands::DataReplaced() {
    if (FUndo.Empty())
        return;
    FUndo.DiscardAll();
    UndoChanged();
    AppMessageBox(
        std::string("The download replaced the files that the deletions made before it had changed: "
                    "they can no longer be undone."),
        Mb::IconInformation);
}

void TTreeItemCommands::EndOfRun() {
    FUndo.DiscardAll();
}

void TTreeItemCommands::UndoChanged() {
    QString caption = QStringLiteral("&Undo Delete");
    if (!FUndo.Empty())
        caption += QStringLiteral(" of ") + QString::fromStdString(FUndo.LastName()).replace('&', "&&");
    FActions[TAction::EditorUndoDelete]->setText(caption);
    FActions.SetAllowed(TAction::EditorUndoDelete, !FUndo.Empty());
}

void TTreeItemCommands::ActionDBDeleteUserDBExecute() {
    RunDeleteUserDBDialog(FWindow);
}

void TTreeItemCommands::MakeVisible(TTreeNode* node) {
    for (TTreeNode* above = node->Parent(); above; above = above->Parent())
        FTreePage->SetExpanded(above, true);
    FTreePage->View()->scrollTo(FTreePage->Model()->IndexOf(node));
}
