#include "BranchPresenter.h"

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

TBranchPresenter::TBranchPresenter(const TBranchPages& pages, TServerCommands& server)
    : FPages(pages), FServer(server) {}

TBranchPresenter::~TBranchPresenter() = default;

void TBranchPresenter::CreateSummary() { FSummary = std::make_unique<TSummaryDocument>(*this, FCurrentRecord); }

void TBranchPresenter::DestroySummary() { FSummary.reset(); }

void TBranchPresenter::ShowBranch(const TTaxonomyData& data) {
    if (FSummary)
        FSummary->ShowBranchSummary(data);
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

void TBranchPresenter::ClearRelatedLinks() { FPages.Links->ClearRelatedLinks(); }

std::optional<std::string> TBranchPresenter::FindNodeCaption(const TTaxonomyData& key) {
    const TTaxonomyTree& tree = FPages.TreePage->Tree();
    if (const TTreeNode* node = FindTreeNode(tree, key))
        return tree.Caption(node);
    return std::nullopt;
}

void TBranchPresenter::LoadSummaryDocument(const std::string& rtf) { FPages.SummaryPage->LoadRtf(rtf); }

void TBranchPresenter::RefreshItem() { RefreshItemCommand(ResultListActive && ResultListActive()); }

void TBranchPresenter::SetCaptionFromSelection() {
    const TTreeNode* node = FPages.TreePage->SelectedNode();
    const QString title = QString::fromUtf8(AppTitle);
    FPages.Window->setWindowTitle(node ? ToQ(FPages.TreePage->Tree().Caption(node)) + QStringLiteral(" - ") + title
                                       : title);
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
        const char* levelName = level >= 0 && level <= GenusLevel ? LevelNames[static_cast<size_t>(level)] : "";
        FSummary->ShowSummary(Format(DataNotFoundTemplate, {levelName, item.Name()}));
        PresentNoRecord();
    } else {
        FSummary->BuildRecordSummary(FCurrentRecord);
        FServer.DownloadImage(FCurrentRecord);
        PresentRecord();
    }
    SetStatus("Ready");
}
