// Back and Forward: the branches the user came to, walked as a browser walks its pages, from the
// menu, Alt+Left and Alt+Right, and the mouse's back and forward buttons anywhere in the window.
// Not a widget: it works on the Taxonomy page and the actions the window hands it.
#pragma once

#include "BranchHistory.h"

#include <QObject>
#include <functional>

class QWidget;
class TMainActions;
class TTaxonomyTreePage;

class THistoryCommands : public QObject {
    Q_OBJECT
public:
    // `showTreePage` brings the Taxonomy page forward; the mouse buttons count inside `window`.
    THistoryCommands(TMainActions& actions, TTaxonomyTreePage* treePage, std::function<void()> showTreePage,
                     QWidget* window);

    // One step back (-1) or forward (+1), through the tree's own selection, so that whatever may
    // refuse a change of branch refuses this one too; the history moves only when it went.
    void Go(int step);
    const TBranchHistory& History() const { return FHistory; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void NodeVisited(TTreeNode* node);
    // Enabled states and tool-tips from the branches Back and Forward would go to.
    void UpdateActions();

    TMainActions& FActions;
    TTaxonomyTreePage* FTreePage;
    std::function<void()> FShowTreePage;
    QWidget* FWindow;
    TBranchHistory FHistory;
    bool FStepping = false;
};
