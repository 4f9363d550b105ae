// Match Names: the command that opens the dialog on the window's tree and the program's genus
// database. Not a widget: it works on the Taxonomy page and the action the window hands it.
#pragma once

#include <QObject>
#include <functional>

class QWidget;
class TMainActions;
class TTaxonomyTreePage;
class TTreeNode;

class TMatchCommands : public QObject {
    Q_OBJECT
public:
    // `selectBranch` selects a branch in the tree for the user; `window` parents the dialog.
    TMatchCommands(TMainActions& actions, TTaxonomyTreePage* treePage,
                   std::function<void(TTreeNode*)> selectBranch, QWidget* window);

    void MatchNames();

private:
    TTaxonomyTreePage* FTreePage;
    std::function<void(TTreeNode*)> FSelectBranch;
    QWidget* FWindow;
};
