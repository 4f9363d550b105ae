// The main window's tree, pages and the services it gives the server commands.
#include "Form_Main.h"

#include "AppState.h"
#include "Dialogs.h"
#include "EditorCommands.h"
#include "Form_Announcement.h"
#include "Form_SubmitInfo.h"
#include "Global.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"
#include "TreeEdit.h"
#include "TreeItemCommands.h"
#include "ui_Form_Main.h"

#include <QListView>

TTaxonomyTree& TFormMain::Tree() {
    return FUi->TreeTabSheet->Tree();
}
TTaxonomyTreeModel* TFormMain::TreeModel() const {
    return FUi->TreeTabSheet->Model();
}
TTaxonomyTreeView* TFormMain::TaxonomyTreeView() const {
    return FUi->TreeTabSheet->View();
}
QTextBrowser* TFormMain::DetailMemo() const {
    return FUi->SummaryTabSheet->Memo();
}
QString TFormMain::SummaryPlainText() const {
    return FUi->SummaryTabSheet->PlainText();
}
TTreeNode* TFormMain::SelectedNode() const {
    return FUi->TreeTabSheet->SelectedNode();
}
void TFormMain::SelectNode(TTreeNode* node) {
    FUi->TreeTabSheet->SelectNode(node);
}
bool TFormMain::IsExpanded(const TTreeNode* node) const {
    return FUi->TreeTabSheet->IsExpanded(node);
}
void TFormMain::SetExpanded(TTreeNode* node, bool expanded) {
    FUi->TreeTabSheet->SetExpanded(node, expanded);
}
void TFormMain::ExpandAll() {
    FUi->TreeTabSheet->ExpandAll();
}
void TFormMain::CollapseAll() {
    FUi->TreeTabSheet->CollapseAll();
}
void TFormMain::ResetTreeAppearance() {
    FUi->TreeTabSheet->ApplySavedState();
}
void TFormMain::ApplySavedTreeState() {
    FUi->TreeTabSheet->ApplySavedState();
}

void TFormMain::SetDisplayMode(int mode, bool withSavedState) {
    Options.ListType = static_cast<TListType>(mode);
    RebuildTree(withSavedState);
}

void TFormMain::RebuildTree(bool withSavedState) {
    SetStatus("Generating taxonomy tree...");
    // Edits of this run live in memory until shut-down: they are written first, so that reading
    // the file again loses none of them. A failed write leaves the tree as it is.
    if (TreeModified && !Tree().Empty())
        SaveTreeFile(Tree());
    Tree().Clear();
    Tree().SetDisplayMode(DisplayModeOf(Options.ListType));
    if (LoadTree(Tree()) != 0) {
        FServer.RefreshTaxonomyTree(); // a tree that arrives is shown with its saved state
    } else {
        withSavedState ? FUi->TreeTabSheet->ExpandAllWithSavedState() : ExpandAll();
        if (TTreeNode* first = Tree().First())
            SelectNode(first);
    }
    SetStatus("Ready");
}

void TFormMain::ShowMainPage(int index) {
    FUi->MainPageControl->setCurrentIndex(index);
    Action(TAction::ViewTaxnomyTree)->setChecked(index == TaxonomyPage);
    Action(TAction::ViewSearch)->setChecked(index == SearchPage);
    Action(TAction::ViewResult)->setChecked(index == ResultPage);
}

void TFormMain::RestoreWindowGeometry() {
    if (FSession.DataFileFailed())
        return;
    const QByteArray stored = QByteArray::fromStdString(ReadWindowGeometry());
    // Kept on a screen that is still there; a broken value leaves the window where it is.
    if (!stored.isEmpty())
        restoreGeometry(QByteArray::fromBase64(stored));
}

void TFormMain::SaveWindowGeometry() {
    // Only a window the user has seen has a size to keep; a failed start writes nothing.
    if (!FWasShown || FSession.DataFileFailed())
        return;
    try {
        WriteWindowGeometry(saveGeometry().toBase64().toStdString());
    } catch (const std::exception& e) {
        ShowDefaultErrorReport(e.what());
    }
}

void TFormMain::FocusMainPage(int index) {
    // Where the user types next: the tree, the search box, the list of results.
    QWidget* target = index == SearchPage   ? FUi->SearchTabSheet->TextEdit()
                      : index == ResultPage ? static_cast<QWidget*>(FUi->SearchResultTabSheet->List())
                                            : static_cast<QWidget*>(TaxonomyTreeView());
    target->setFocus(Qt::ShortcutFocusReason);
}

bool TFormMain::MayLeaveRecord() {
    bool leave = false;
    RunAction([&] { leave = FEditor->MayLeave(); });
    return leave;
}

void TFormMain::NodeSelected(TTreeNode* node) {
    if (FRestoringSelection)
        return;
    // Every way of selecting another branch ends here, after the tree's selection moved.
    if (!MayLeaveRecord()) {
        // Cancelled: the edited branch is selected again, its boxes as the user left them.
        if (TTreeNode* edited = FEditor->EditedNode()) {
            FRestoringSelection = true;
            SelectNode(edited);
            FRestoringSelection = false;
        }
        return;
    }
    const TTaxonomyData data = node->Data();
    if (!TransferRunning()) {
        RunAction([&] { FPresenter->ShowBranch(data); });
        return;
    }
    // Inside a server command (the refresh selects the first node) a silent abort must end that
    // command too; it is noted here and raised there.
    try {
        FPresenter->ShowBranch(data);
    } catch (const EAbort&) {
        FServer.NoteNestedAbort();
    } catch (const std::exception& e) {
        ShowDefaultErrorReport(e.what());
    }
}

void TFormMain::DeleteBranch(TTreeNode* node, bool withRecords) {
    DeleteTreeItem(Tree(), node, withRecords);
}

bool TFormMain::ShowGenusImage(const std::string& pictureName) {
    return FPresenter->ShowGenusImage(pictureName);
}

TSubmitInfoResult TFormMain::RunSubmitDialog(const TStringList& files, const TStringList& pictures) {
    return ::RunSubmitDialog(files, pictures, this);
}

void TFormMain::ShowAnnouncement() {
    ::ShowAnnouncement(this);
}

void TFormMain::DataReplaced() {
    FTreeItems->DataReplaced();
}
