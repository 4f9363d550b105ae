#include "ResultPage.h"

#include "Constants.h"
#include "QtText.h"
#include "TaxonomyTree.h"
#include "ui_ResultPage.h"

TResultPage::TResultPage(QWidget* parent)
    : QWidget(parent), FUi(std::make_unique<Ui::TResultPage>()), FModel(new TResultListModel(this)) {
    FUi->setupUi(this);
    FUi->ResultListView->setModel(FModel);
    // Every row has the same height: a list of 200,000 genera lays out at once.
    FUi->ResultListView->setUniformItemSizes(true);
    connect(FUi->ResultListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (selected.indexes().isEmpty())
                    return;
                const int row = selected.indexes().first().row();
                if (FModel->Listed(row))
                    emit EntrySelected(FModel->Entry(row));
            });
}

TResultPage::~TResultPage() = default;

QListView* TResultPage::List() const {
    return FUi->ResultListView;
}

void TResultPage::Show(std::vector<TResultEntry> entries, const QString& listed, const QString& count) {
    FModel->SetEntries(std::move(entries));
    FUi->SearchTextLabel->setText(listed);
    FUi->SearchFoundTotalLabel->setText(count);
}

void TResultPage::Show(const TTaxonomyTree& tree, const TGenusEntries& entries, const QString& listed,
                       const QString& count) {
    FModel->SetEntries(tree, entries);
    FUi->SearchTextLabel->setText(listed);
    FUi->SearchFoundTotalLabel->setText(count);
}

void TResultPage::Show(const TTaxonomyTree& tree, std::vector<const TTreeNode*> nodes, const QString& listed,
                       const QString& count) {
    FModel->SetNodes(tree, std::move(nodes));
    FUi->SearchTextLabel->setText(listed);
    FUi->SearchFoundTotalLabel->setText(count);
}

QString TResultPage::ListedText() const {
    return FUi->SearchTextLabel->text();
}

QString TResultPage::CountText() const {
    return FUi->SearchFoundTotalLabel->text();
}

std::optional<TTaxonomyData> TResultPage::SelectedKey() const {
    const QModelIndex current = FUi->ResultListView->currentIndex();
    if (!current.isValid() || !FUi->ResultListView->selectionModel()->isSelected(current))
        return std::nullopt;
    if (!FModel->Listed(current.row()))
        return std::nullopt;
    const TResultEntry entry = FModel->Entry(current.row());
    if (entry.HasNode)
        return entry.Data;
    return MakeNodeKey(GenusLevel, std::string(), FromQ(entry.Caption), std::string());
}

void TResultPage::Clear() {
    // Labels that describe no entries (the start's "[None]", an empty result) stay as they are.
    if (FModel->rowCount() == 0)
        return;
    FModel->Clear();
    FUi->SearchTextLabel->clear();
    FUi->SearchFoundTotalLabel->clear();
}
