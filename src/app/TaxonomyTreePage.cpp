#include "TaxonomyTreePage.h"

#include "QtText.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QVBoxLayout>

TTaxonomyTreePage::TTaxonomyTreePage(QWidget* parent)
    : QWidget(parent), FModel(new TTaxonomyTreeModel(FTree, this)),
      FView(new TTaxonomyTreeView(FTree, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FView->setObjectName(QStringLiteral("TaxonomyTreeView"));
    FView->setAccessibleName(QStringLiteral("Taxonomy tree"));
    FView->setModel(FModel);
    layout->addWidget(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (TTreeNode* node = FModel->NodeOf(current)) {
                    emit NodeSelected(node);
                    if (SelectedNode() == node)
                        emit NodeVisited(node);
                }
            });
}

TTaxonomyTreePage::~TTaxonomyTreePage() {
    // The view and the model go before the tree they show.
    FView->setModel(nullptr);
    delete FModel;
    FTree.Clear();
}

TTreeNode* TTaxonomyTreePage::SelectedNode() const {
    return FModel->NodeOf(FView->currentIndex());
}

void TTaxonomyTreePage::SelectNode(const TTreeNode* node) {
    const QModelIndex index = FModel->IndexOf(node);
    FView->setCurrentIndex(index);
    FView->scrollTo(index);
}

bool TTaxonomyTreePage::IsExpanded(const TTreeNode* node) const {
    return FView->IsExpanded(node);
}

void TTaxonomyTreePage::SetExpanded(TTreeNode* node, bool expanded) {
    FView->SetExpanded(node, expanded);
}

void TTaxonomyTreePage::ExpandAll() {
    FView->ExpandAll();
}

void TTaxonomyTreePage::CollapseAll() {
    FView->CollapseAll();
}

void TTaxonomyTreePage::ApplySavedState() {
    try {
        LoadTreeState(FTree, [](TTreeNode* node, bool expanded) { node->SetExpanded(expanded); });
    } catch (...) {
        FView->RefreshRows(); // the rows show what is open, whatever stopped the reading
        throw;
    }
    FView->RefreshRows();
}

void TTaxonomyTreePage::ExpandAllWithSavedState() {
    FTree.ForEachNode([](TTreeNode* node) {
        if (node->HasChildren())
            node->SetExpanded(true);
    });
    ApplySavedState();
}

QString TTaxonomyTreePage::SelectedPath() const {
    QString text;
    for (const TTreeNode* node = SelectedNode(); node; node = node->Parent())
        text = ToQ(FTree.Caption(node)) + QStringLiteral("\r\n") + text;
    return text;
}
