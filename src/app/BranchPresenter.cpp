#include "BranchPresenter.h"

#include "Dialogs.h"
#include "Global.h"
#include "ImagePage.h"
#include "PageTabs.h"
#include "QtText.h"
#include "RelatedLinks.h"
#include "ResultPage.h"
#include "ServerCommands.h"
#include "SummaryPage.h"
#include "TaxonomyTreePage.h"

#include <QTabWidget>
#include <QTimer>

TBranchPresenter::TBranchPresenter(const TBranchPages& pages, TServerCommands& server)
    : FPages(pages), FServer(server), FRestTimer(new QTimer(pages.Window)) {
    FRestTimer->setSingleShot(true);
    FRestTimer->setInterval(400);
    QObject::connect(FRestTimer, &QTimer::timeout, FPages.Window, [this] { RunPendingRefresh(); });
}

TBranchPresenter::~TBranchPresenter() = default;

void TBranchPresenter::CreateSummary() {
    FSummary = std::make_unique<TSummaryDocument>(*this, FCurrentRecord);
}

void TBranchPresenter::DestroySummary() {
    FSummary.reset();
}

bool TBranchPresenter::ShowBranch(const TTaxonomyData& data) {
    if (FEditor && !FEditor->MayLeave())
        return false;
    FRestTimer->stop();
    if (FSummary)
        FSummary->ShowBranchSummary(data);
    return true;
}

bool TBranchPresenter::SelectBranch(int level, const std::string& id) {
    const TTaxonomyData key = MakeNodeKey(level, id, std::string(), std::string());
    TTreeNode* node = FindTreeNode(FPages.TreePage->Tree(), key);
    if (!node)
        return false;
    FPages.TreePage->SelectNode(node);
    return true;
}

void TBranchPresenter::AddRelatedLink(const std::string& caption, int kind, const TTaxonomyData& key,
                                      const std::string& url) {
    if (kind == 0)
        FPages.Links->AddRelatedLink(ToQ(caption), 0, ToQ(key.Marker()), ToQ(key.Id()));
    else
        FPages.Links->AddRelatedLink(ToQ(caption), 1, ToQ(url), QString());
}

void TBranchPresenter::ClearRelatedLinks() {
    FPages.Links->ClearRelatedLinks();
}

std::optional<std::string> TBranchPresenter::FindNodeCaption(const TTaxonomyData& key) {
    const TTaxonomyTree& tree = FPages.TreePage->Tree();
    if (const TTreeNode* node = FindTreeNode(tree, key))
        return tree.Caption(node);
    return std::nullopt;
}

void TBranchPresenter::LoadSummaryDocument(const std::string& rtf) {
    FPages.SummaryPage->LoadRtf(rtf);
}

void TBranchPresenter::RefreshItem() {
    // The summary of a branch without a record asks for it; until the selection rests the branch is
    // shown as one without a record.
    FRestFromList = ResultListActive && ResultListActive();
    FRestNode = TNodeRef(FPages.TreePage->Tree(), FPages.TreePage->SelectedNode());
    if (FRestTimer->interval() <= 0) {
        RefreshItemCommand(FRestFromList);
        return;
    }
    FPages.SummaryPage->Clear();
    PresentNoRecord();
    FRestTimer->start();
}

void TBranchPresenter::RunPendingRefresh() {
    // Not inside a command or a question: it comes back once they are over.
    if (FServer.Running() || QuestionOpen()) {
        FRestTimer->start();
        return;
    }
    const TTreeNode* node = FRestNode.Get();
    if (!node || node != FPages.TreePage->SelectedNode())
        return;
    // A command may have brought the record meanwhile (a tree refresh fetches every level after
    // it selected the first branch): then it is shown without asking the server again.
    TTaxonomyDetail record;
    ReadDetail(node->Data(), record);
    if (record.Level >= 0) {
        FCurrentRecord = record;
        FPages.SummaryPage->Clear();
        RunAction([this] {
            FSummary->BuildRecordSummary(FCurrentRecord);
            PresentRecord();
        });
        return;
    }
    RunAction([this] { RefreshItemCommand(FRestFromList); });
}

void TBranchPresenter::SetSelectionRest(int ms) {
    FRestTimer->setInterval(ms);
}

void TBranchPresenter::CancelPendingRefresh() {
    FRestTimer->stop();
}

void TBranchPresenter::ShowSavedRecord() {
    SetCaptionFromSelection();
    if (!FSummary)
        return;
    ClearRelatedLinks();
    FPages.SummaryPage->Clear();
    FSummary->BuildRecordSummary(FCurrentRecord);
}

void TBranchPresenter::SetCaptionFromSelection() {
    const TTreeNode* node = FPages.TreePage->SelectedNode();
    const QString title = QString::fromUtf8(AppTitle);
    FPages.Window->setWindowTitle(
        node ? ToQ(FPages.TreePage->Tree().Caption(node)) + QStringLiteral(" - ") + title : title);
}

bool TBranchPresenter::ShowGenusImage(const std::string& pictureName) {
    // Only the presented genus's own picture is shown, with its credits.
    if (FCurrentRecord.Level != GenusLevel || pictureName != FCurrentRecord.Genus.ImageFile ||
        !FPages.ImagePage->ShowGenusImage(FCurrentRecord))
        return false;
    FPages.ImagePage->SetShowButtonVisible(false);
    return true;
}

void TBranchPresenter::PresentRecord() {
    SetCaptionFromSelection();
    const bool genus = FCurrentRecord.Level == GenusLevel;
    QTabWidget* info = FPages.InfoPageControl;
    TImagePage* image = FPages.ImagePage;
    ShowPageTab(info, info->indexOf(image), genus);
    if (genus) {
        image->EnableImageLoad(FCurrentRecord.Genus.ImageFile != "-");
        if (!ShowGenusImage(FCurrentRecord.Genus.ImageFile)) {
            image->ClearGenusImage();
            image->SetShowButtonVisible(true);
        }
    } else {
        image->ClearGenusImage();
        image->EnableImageLoad(false);
        image->SetShowButtonVisible(false);
    }
    if (FEditor)
        FEditor->LoadEditor();
}

void TBranchPresenter::PresentNoRecord() {
    SetCaptionFromSelection();
    FPages.ImagePage->ClearGenusImage();
    FPages.ImagePage->EnableImageLoad(false);
    FPages.ImagePage->SetShowButtonVisible(false);
    if (FEditor)
        FEditor->ShowNoDataPage();
}

void TBranchPresenter::RefreshItemCommand(bool fromResultList) {
    // The command reloads the editor: typed work is not dropped without asking.
    if (FEditor && !FEditor->MayLeave())
        return;
    FRestTimer->stop();
    // One command: the go-on-line question is asked at most once, for the database and the picture.
    TServerCommands::TScope scope(FServer);
    // What the command works on is taken now, before anything waits on the server.
    TTaxonomyData item;
    int level = 0;
    if (fromResultList) {
        const std::optional<TTaxonomyData> key = FPages.ResultPage->SelectedKey();
        if (!key)
            return; // nothing selected in the active list: nothing to refresh
        item = *key;
        level = GenusLevel;
    } else {
        const TTreeNode* node = FPages.TreePage->SelectedNode();
        if (!node)
            return;
        item = node->Data();
        level = node->Level();
    }
    const TTreeNode* selected = FPages.TreePage->SelectedNode();
    if (!item.Id().empty())
        FServer.FetchItemDatabase(level);
    // A branch chosen while the database was coming has shown its own summary; this one is stale.
    if (FPages.TreePage->SelectedNode() != selected)
        return;
    SetStatus("Generating summary...");
    ReadDetail(item, FCurrentRecord);
    FPages.SummaryPage->Clear();
    if (FCurrentRecord.Level < 0) {
        const char* levelName =
            level >= 0 && level <= GenusLevel ? LevelNames[static_cast<size_t>(level)] : "";
        FSummary->ShowSummary(Format(DataNotFoundTemplate, {levelName, item.Name()}));
        PresentNoRecord();
    } else {
        FSummary->BuildRecordSummary(FCurrentRecord);
        FServer.DownloadImage(FCurrentRecord);
        PresentRecord();
    }
    SetStatus("Ready");
}
