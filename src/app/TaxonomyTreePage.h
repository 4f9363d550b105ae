// The Taxonomy page: the tree of branches, the item model that shows it, and the helpers the
// commands use to select, open and close branches.
#pragma once

#include "TaxonomyTree.h"

#include <QWidget>

class TTaxonomyTreeModel;
class TTaxonomyTreeView;

class TTaxonomyTreePage : public QWidget {
    Q_OBJECT
public:
    explicit TTaxonomyTreePage(QWidget* parent = nullptr);
    ~TTaxonomyTreePage() override;

    TTaxonomyTree& Tree() { return FTree; }
    const TTaxonomyTree& Tree() const { return FTree; }
    TTaxonomyTreeModel* Model() const { return FModel; }
    TTaxonomyTreeView* View() const { return FView; }

    TTreeNode* SelectedNode() const;
    void SelectNode(const TTreeNode* node);
    bool IsExpanded(const TTreeNode* node) const;
    void SetExpanded(TTreeNode* node, bool expanded);
    void ExpandAll();
    void CollapseAll();
    // Opens and closes the branches as the saved tree state says, laid out once at the end.
    void ApplySavedState();
    // Every branch open, then the saved state over that (a branch it does not name stays open),
    // laid out once at the end.
    void ExpandAllWithSavedState();
    // The captions from the class down to the selected branch, one per line.
    QString SelectedPath() const;

signals:
    // The user or a command made another branch the current one.
    void NodeSelected(TTreeNode* node);
    // After NodeSelected, when the branch is still the current one: nothing that handled it
    // took the selection back (as leaving an edited record may), so the user came to it.
    void NodeVisited(TTreeNode* node);

private:
    // The tree outlives the model and the view that show it.
    TTaxonomyTree FTree;
    TTaxonomyTreeModel* FModel;
    TTaxonomyTreeView* FView;
};
