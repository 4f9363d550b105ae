#include "SearchCommands.h"

#include "BranchPresenter.h"
#include "Dialogs.h"
#include "GenusSearch.h"
#include "Global.h"
#include "MainActions.h"
#include "QtText.h"
#include "ResultPage.h"
#include "SearchPage.h"
#include "TaxonomyTreePage.h"

TSearchCommands::TSearchCommands(TMainActions& actions, const TSearchPages& pages, QObject* parent)
    : QObject(parent), FPages(pages) {
    actions.Connect(TAction::ViewAllGenus, [this] { RunAction([this] { ShowAllGenus(); }); });
    actions.Connect(TAction::ViewForgotten, [this] { RunAction([this] { ShowForgottenGenus(); }); });
    actions.Connect(TAction::ViewPlanGenus, [this] { RunAction([this] { ShowPlanningBranches(); }); });
    actions.Connect(TAction::DBSearch, [this] { RunAction([this] { Search(); }); });
    connect(FPages.ResultPage, &TResultPage::EntrySelected, this,
            [this](const TResultEntry& entry) { RunAction([&] { ResultListViewSelectItem(entry); }); });
}

void TSearchCommands::Fill(const TGenusEntries& entries, const QString& listed, const char* countFormat) {
    const int count = static_cast<int>(entries.size());
    FPages.ResultPage->Show(FPages.TreePage->Tree(), entries, listed, ToQ(Format(countFormat, {count})));
}

void TSearchCommands::ShowAllGenus() {
    const TTaxonomyTree& tree = FPages.TreePage->Tree();
    std::vector<const TTreeNode*> nodes = AllGenusNodes(tree);
    const int count = static_cast<int>(nodes.size());
    FPages.ResultPage->Show(tree, std::move(nodes), QStringLiteral("[All]"),
                            ToQ(Format("%d Genus", {count})));
    FPages.ShowResultPage();
}

void TSearchCommands::ShowForgottenGenus() {
    // Without a genus database nothing can be forgotten: the list is empty rather than a list of
    // every genus under the caption of forgotten ones.
    ShowAllGenus();
    Fill(ForgottenGenus(FPages.TreePage->Tree()), QStringLiteral("[Forgotten Genus]"), "%d Genus");
}

void TSearchCommands::ShowPlanningBranches() {
    Fill(PlanningBranches(FPages.TreePage->Tree()), QStringLiteral("[Planning Branches]"), "%d Items");
    FPages.ShowResultPage();
}

void TSearchCommands::Search() {
    const TSearchPage& page = *FPages.SearchPage;
    TSearchOptions options;
    options.Text = FromQ(page.SearchText());
    options.MatchAll = page.MatchAll();
    options.Fields = {page.SearchKeyword(), page.SearchType(), page.SearchCommonName(),
                      page.SearchDescription(), page.SearchName()};
    ShowAllGenus();
    if (options.Text.empty())
        return;
    Fill(SearchGenus(FPages.TreePage->Tree(), options), page.SearchText(), "%d Genus");
    if (TSummaryDocument* summary = FPages.Presenter->Summary())
        summary->ShowSummary(SearchHelpText);
}

void TSearchCommands::ResultListViewSelectItem(const TResultEntry& entry) {
    // The entry's own node: another branch with the same key is another entry's.
    if (entry.Node) {
        FPages.TreePage->SelectNode(entry.Node);
        return;
    }
    if (entry.HasNode) {
        FPages.Presenter->SelectBranch(static_cast<int>(entry.Data.Marker().size()), entry.Data.Id());
        return;
    }
    const std::string caption = FromQ(entry.Caption);
    FPages.Presenter->ShowBranch(MakeNodeKey(GenusLevel, caption, caption, std::string()));
}
