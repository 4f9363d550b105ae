// The genus search and the three genus lists, shown on the Search Result page, and the opening of
// a listed genus. Not a widget: it works on the pages it is given.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

class TBranchPresenter;
class TMainActions;
class TResultPage;
class TSearchPage;
class TTaxonomyTreePage;
struct TGenusEntry;
struct TResultEntry;

struct TSearchPages {
    TTaxonomyTreePage* TreePage;
    TSearchPage* SearchPage;
    TResultPage* ResultPage;
    TBranchPresenter* Presenter;
    // Brings the Search Result page forward.
    std::function<void()> ShowResultPage;
};

class TSearchCommands : public QObject {
    Q_OBJECT
public:
    TSearchCommands(TMainActions& actions, const TSearchPages& pages, QObject* parent);

    void ShowAllGenus();
    void ShowForgottenGenus();
    void ShowPlanningBranches();
    void Search();
    // A listed node is selected in the tree; a forgotten genus shows its summary directly.
    void ResultListViewSelectItem(const TResultEntry& entry);

private:
    void Fill(const std::vector<TGenusEntry>& entries, const QString& listed, const char* countFormat);
    TSearchPages FPages;
};
