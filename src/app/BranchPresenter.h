// Presents the selected branch: its summary, related links, picture and the window caption, and
// Refresh Item. Not a widget: it works on the pages the window hands it.
#pragma once

#include "SummaryDocument.h"
#include "TaxonomyTree.h"

#include <QPointer>
#include <functional>
#include <memory>

class QTabWidget;
class QTimer;
class QWidget;
class TImagePage;
class TRelatedLinksPanel;
class TResultPage;
class TServerCommands;
class TSummaryPage;
class TTaxonomyTreePage;

// The editor's part in presenting a branch: edit state for a record, no-data state without one.
class IBranchEditor {
public:
    virtual ~IBranchEditor() = default;
    virtual void LoadEditor() = 0;
    virtual void ShowNoDataPage() = 0;
    // Asked before the presented record is replaced; false keeps it (the user cancelled).
    virtual bool MayLeave() = 0;
};

struct TBranchPages {
    QWidget* Window;
    TTaxonomyTreePage* TreePage;
    TResultPage* ResultPage;
    QTabWidget* InfoPageControl;
    TSummaryPage* SummaryPage;
    TImagePage* ImagePage;
    TRelatedLinksPanel* Links;
};

class TBranchPresenter : public ISummaryHost {
public:
    TBranchPresenter(const TBranchPages& pages, TServerCommands& server);
    ~TBranchPresenter() override;

    // The summary document exists once the program files (templates, codes) are loaded.
    void CreateSummary();
    void DestroySummary();
    TSummaryDocument* Summary() const { return FSummary.get(); }
    // The record of the branch on screen (level -1: not found, -2: no id), read by the summary.
    TTaxonomyDetail& CurrentRecord() { return FCurrentRecord; }

    // The selected node's summary; works on a copy of its data, as the summary may wait on the
    // server. False, and nothing shown, when the editor's record may not be left (the user
    // cancelled).
    bool ShowBranch(const TTaxonomyData& data);
    // Selects the branch with this level and id; false when the tree has none.
    bool SelectBranch(int level, const std::string& id);
    // Refresh Item: the result list's entry when `fromResultList`, else the tree's selection.
    void RefreshItemCommand(bool fromResultList);
    // The Refresh Item a selection asks for waits until the selection has rested this long, so that
    // browsing past branches without records asks the server nothing.
    void SetSelectionRest(int ms);
    // A waiting Refresh Item of the selection is not run.
    void CancelPendingRefresh();
    // After a Save: the summary made from the saved record, the window title from its node.
    void ShowSavedRecord();
    // Shows the presented genus's picture (named `pictureName`) on the Image page and hides the Show
    // Image button; false when it cannot be shown.
    bool ShowGenusImage(const std::string& pictureName);
    // Whether the result list is the active list (Refresh Item asked for by the summary).
    std::function<bool()> ResultListActive;
    void SetEditor(IBranchEditor* editor) { FEditor = editor; }

    // ISummaryHost
    void AddRelatedLink(const std::string& caption, int kind, const TTaxonomyData& key,
                        const std::string& url) override;
    void ClearRelatedLinks() override;
    std::optional<std::string> FindNodeCaption(const TTaxonomyData& key) override;
    void LoadSummaryDocument(const std::string& rtf) override;
    void RefreshItem() override;
    void PresentRecord() override;
    void PresentNoRecord() override;

private:
    void SetCaptionFromSelection();
    void RunPendingRefresh();
    TBranchPages FPages;
    TServerCommands& FServer;
    TTaxonomyDetail FCurrentRecord;
    std::unique_ptr<TSummaryDocument> FSummary;
    IBranchEditor* FEditor = nullptr;
    QTimer* FRestTimer;
    TNodeRef FRestNode;         // the selection the waiting Refresh Item is for
    bool FRestFromList = false; // asked for by the result list
};
