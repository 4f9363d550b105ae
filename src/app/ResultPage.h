// The Search Result page: what was looked for, the genera found, and their count.
#pragma once

#include "ResultListModel.h"

#include <QWidget>
#include <memory>
#include <optional>

class QListView;
namespace Ui {
class TResultPage;
}

class TResultPage : public QWidget {
    Q_OBJECT
public:
    explicit TResultPage(QWidget* parent = nullptr);
    ~TResultPage() override;

    QListView* List() const;
    TResultListModel* Model() const { return FModel; }
    // Fills the list (sorted by caption) and the two labels: with copies, or with genus entries
    // of `tree`, whose nodes the list reads when it shows them.
    void Show(std::vector<TResultEntry> entries, const QString& listed, const QString& count);
    void Show(const TTaxonomyTree& tree, const TGenusEntries& entries, const QString& listed,
              const QString& count);
    void Show(const TTaxonomyTree& tree, std::vector<const TTreeNode*> nodes, const QString& listed,
              const QString& count);
    QString ListedText() const;
    QString CountText() const;
    // The selected entry as a tree key: an entry with node data gives (marker, id, name, info),
    // one without (a forgotten genus) the genus key made from its caption. None when nothing is
    // selected.
    std::optional<TTaxonomyData> SelectedKey() const;
    // Empties the list and its labels (the tree its entries came from is being replaced or lost a
    // branch); a list with nothing in it is left alone.
    void Clear();

signals:
    // An entry became selected (not when one loses its selection).
    void EntrySelected(const TResultEntry& entry);

private:
    std::unique_ptr<Ui::TResultPage> FUi;
    TResultListModel* FModel;
};
