#include "MatchCommands.h"

#include "Dialogs.h"
#include "Form_MatchNames.h"
#include "MainActions.h"
#include "Platform.h"
#include "TaxonomyTreePage.h"

TMatchCommands::TMatchCommands(TMainActions& actions, TTaxonomyTreePage* treePage,
                               std::function<void(TTreeNode*)> selectBranch, QWidget* window)
    : QObject(window), FTreePage(treePage), FSelectBranch(std::move(selectBranch)), FWindow(window) {
    actions.Connect(TAction::ViewMatchNames, [this] { RunAction([this] { MatchNames(); }); });
}

void TMatchCommands::MatchNames() {
    TFormMatchNames dialog(
        FTreePage->Tree(), AppFile("genus.dat"),
        [this](TTreeNode* node) { RunAction([this, node] { FSelectBranch(node); }); }, FWindow);
    DialogSeam().ExecDialog(dialog);
}
