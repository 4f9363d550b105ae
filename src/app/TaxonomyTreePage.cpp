#include "TaxonomyTreePage.h"

#include "QtText.h"
#include "TaxonomyTreeModel.h"

#include <QTreeView>
#include <QVBoxLayout>

TTaxonomyTreePage::TTaxonomyTreePage(QWidget* parent)
    : QWidget(parent), FModel(new TTaxonomyTreeModel(FTree, this)), FView(new QTreeView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FView->setObjectName(QStringLiteral("TaxonomyTreeView"));
    FView->setHeaderHidden(true);
    FView->setIndentation(19);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setUniformRowHeights(true);
    FView->setModel(FModel);
    layout->addWidget(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (TTreeNode* node = FModel->NodeOf(current))
            emit NodeSelected(node);
    });
}

TTaxonomyTreePage::~TTaxonomyTreePage() {
    // The view and the model go before the tree they show.
    FView->setModel(nullptr);
    delete FModel;
    FTree.Clear();
}

TTreeNode* TTaxonomyTreePage::SelectedNode() const { return FModel->NodeOf(FView->currentIndex()); }

void TTaxonomyTreePage::SelectNode(TTreeNode* node) {
    const QModelIndex index = FModel->IndexOf(node);
    FView->setCurrentIndex(index);
    FView->scrollTo(index);
}

bool TTaxonomyTreePage::IsExpanded(const TTreeNode* node) const { return FView->isExpanded(FModel->IndexOf(node)); }

void TTaxonomyTreePage::SetExpanded(TTreeNode* node, bool expanded) {
    if (node->HasChildren())
        FView->setExpanded(FModel->IndexOf(node), expanded);
}

void TTaxonomyTreePage::ExpandAll() { FView->expandAll(); }

void TTaxonomyTreePage::CollapseAll() { FView->collapseAll(); }

void TTaxonomyTreePage::ApplySavedState() {
    LoadTreeState(FTree, [this](TTreeNode* node, bool expanded) { SetExpanded(node, expanded); });
}

QString TTaxonomyTreePage::SelectedPath() const {
    QString text;
    for (const TTreeNode* node = SelectedNode(); node; node = node->Parent)
        text = ToQ(FTree.Caption(node)) + QStringLiteral("\r\n") + text;
    return text;
}
