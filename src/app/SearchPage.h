// The Search page: what to look for, how, and in which fields of the genus records.
#pragma once

#include <QWidget>
#include <memory>

class QAction;
namespace Ui {
class TSearchPage;
}

class TSearchPage : public QWidget {
    Q_OBJECT
public:
    explicit TSearchPage(QWidget* parent = nullptr);
    ~TSearchPage() override;

    // "&Search Species" and "Show &All Genus" run through these actions; Enter on the page starts
    // the search. The window enables the search once the text is not empty (blanks count).
    void BindActions(QAction* search, QAction* showAll);

    QString SearchText() const;
    // The box the words are typed into.
    QWidget* TextEdit() const;
    bool MatchAll() const;
    // The five "Search In" boxes, in the order of the page.
    bool SearchKeyword() const;
    bool SearchType() const;
    bool SearchCommonName() const;
    bool SearchDescription() const;
    bool SearchName() const;

signals:
    void SearchTextChanged();

private:
    std::unique_ptr<Ui::TSearchPage> FUi;
};
