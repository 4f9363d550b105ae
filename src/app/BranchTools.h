// Go to Branch and Export Branch: finding any branch of the tree and taking a branch's data
// elsewhere. Not a widget: it works on the Taxonomy page and the actions the window hands it.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class QWidget;
class TGoToBranchBox;
class TMainActions;
class TTaxonomyTreePage;
class TTreeNode;

// Where a save dialog opens: the folder remembered from the last save while it is there, else the
// user's documents (never the program's own folder, which an installed copy keeps hidden).
QString SaveStartFolder(const std::string& remembered);

class TBranchTools : public QObject {
    Q_OBJECT
public:
    // `showTreePage` brings the Taxonomy page forward; `window` parents the box and the dialogs.
    TBranchTools(TMainActions& actions, TTaxonomyTreePage* treePage, std::function<void()> showTreePage,
                 QWidget* window);

    void GoToBranch();
    // Selects `node` in the tree with its ancestors expanded, on the Taxonomy page.
    void SelectBranch(TTreeNode* node);
    void ExportBranch();
    // What the last download changed; a click on a branch there selects it in the tree.
    void WhatChanged();

    // The box, once Go to Branch has made it.
    TGoToBranchBox* Box() const { return FBox; }

private:
    TMainActions& FActions;
    TTaxonomyTreePage* FTreePage;
    std::function<void()> FShowTreePage;
    QWidget* FWindow;
    TGoToBranchBox* FBox = nullptr; // a child of the window, made after this object, so it outlives it
};
