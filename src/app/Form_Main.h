// The main window: chrome, the action table and the wiring between the pages, the server
// commands and the session. The pages and the commands live in classes of their own.
#pragma once

#include "BranchPresenter.h"
#include "MainActions.h"
#include "ServerCommands.h"
#include "Session.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QLabel;
class QProgressBar;
class TInputBlock;
class TEditorCommands;
class TFormSplash;
class TTreeItemCommands;
class TRelatedLinksPanel;
class TTaxonomyTreeModel;
class QTextBrowser;
class TTaxonomyTreeView;
namespace Ui {
class TFormMain;
}

class TFormMain : public QMainWindow, private IServerHost, private ISessionHost {
    Q_OBJECT
public:
    // Runs the whole creation sequence; `splash` receives the status texts while starting.
    explicit TFormMain(TFormSplash* splash = nullptr, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Page indexes of MainPageControl.
    enum { TaxonomyPage = 0, SearchPage = 1, ResultPage = 2 };

    // The window's commands and its tree operations: what its actions, its session and its server
    // exchange do (through the interfaces above), and what a test drives as a user would.
    QAction* Action(TAction id) const { return (*FActions)[id]; }
    TTaxonomyTree& Tree() override;
    // Reads the tree file again in `mode`; every branch is open, or opened as the saved state says.
    void SetDisplayMode(int mode, bool withSavedState = false);
    void BuildTree(int mode) override { SetDisplayMode(mode, true); }
    void ShowMainPage(int index);
    // Puts the keyboard focus where the page is typed into (after its shortcut).
    void FocusMainPage(int index);
    TTreeNode* SelectedNode() const;
    void SelectNode(TTreeNode* node) override;
    bool IsExpanded(const TTreeNode* node) const override;
    void SetExpanded(TTreeNode* node, bool expanded);
    void ExpandAll() override;
    void CollapseAll();
    void ResetTreeAppearance();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Tests and benchmarks reach inside the window through this one class of their own.
    friend class TFormMainTestAccess;
    TTaxonomyTreeModel* TreeModel() const;
    TTaxonomyTreeView* TaxonomyTreeView() const;
    QTextBrowser* DetailMemo() const;
    bool SelectBranch(int level, const std::string& id) { return FPresenter->SelectBranch(level, id); }
    bool TransferRunning() const { return FServer.Running(); }
    // The status line: the splash while starting, the status bar after.
    void SetStatusText(const QString& text);
    // The window's size, place and maximised state from the last run, and kept for the next.
    void RestoreWindowGeometry();
    void SaveWindowGeometry();
    const TMainActions& Actions() const { return *FActions; }
    TRelatedLinksPanel* RelatedLinks() const { return FLinks; }
    TSummaryDocument* Summary() const { return FPresenter->Summary(); }
    TNMHTTP& Http() { return FServer.Http(); }
    TPageTransfer& Pages() { return FServer.Pages(); }
    QString SummaryPlainText() const;
    QString StatusText() const;
    // Removes the branch and everything below it, as Delete Tree Item does after its questions;
    // with `withRecords` their records leave the level databases too.
    void DeleteBranch(TTreeNode* node, bool withRecords);

    void ConnectActions();
    void HandOverFromSplash();
    void RebuildTree(bool withSavedState = false);
    void NodeSelected(TTreeNode* node);
    // Before the edited record is left for another branch, a reload or closing: the editor asks
    // about unsaved changes; false when the user cancelled (or saving failed) and the record stays.
    bool MayLeaveRecord();
    void UpdateActionStates();

    // IServerHost
    void ApplySavedTreeState() override;
    bool ShowGenusImage(const std::string& pictureName) override;
    TSubmitInfoResult RunSubmitDialog(const TStringList& files, const TStringList& pictures) override;
    void ShowAnnouncement() override;
    void TransferStateChanged() override { UpdateActionStates(); }
    void TransferProgress(long long received, long long total) override;
    void CloseWindow() override;
    void DataReplaced() override;
    const TTaxonomyDetail& ShownRecord() override { return FPresenter->CurrentRecord(); }
    // ISessionHost
    void ProgramFilesLoaded() override { FPresenter->CreateSummary(); }
    void OptionsLoaded(int taxonomyWidth) override;
    void RefreshTaxonomyTree() override { FServer.RefreshTaxonomyTree(); }
    int TaxonomyWidth() const override;

    std::unique_ptr<Ui::TFormMain> FUi;
    TMainActions* FActions;
    TRelatedLinksPanel* FLinks;
    QLabel* FProgressLabel;
    QProgressBar* FProgressBar;
    TInputBlock* FInputBlock;
    TServerCommands FServer{*this};
    std::unique_ptr<TBranchPresenter> FPresenter;
    std::unique_ptr<TEditorCommands> FEditor;
    std::unique_ptr<TTreeItemCommands> FTreeItems;
    TSession FSession{*this};
    QPointer<TFormSplash> FSplash;
    bool FWasShown = false;
    bool FClosing = false;
    bool FRestoringSelection = false; // the edited branch selected again after a cancelled leave
};
