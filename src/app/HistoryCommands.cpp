#include "HistoryCommands.h"

#include "Dialogs.h"
#include "MainActions.h"
#include "QtText.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreePage.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QScopedValueRollback>

THistoryCommands::THistoryCommands(TMainActions& actions, TTaxonomyTreePage* treePage,
                                   std::function<void()> showTreePage, QWidget* window)
    : QObject(window), FActions(actions), FTreePage(treePage), FShowTreePage(std::move(showTreePage)),
      FWindow(window), FHistory(treePage->Tree()) {
    actions.Connect(TAction::ViewBack, [this] { RunAction([this] { Go(-1); }); });
    actions.Connect(TAction::ViewForward, [this] { RunAction([this] { Go(1); }); });
    connect(treePage, &TTaxonomyTreePage::NodeVisited, this, &THistoryCommands::NodeVisited);
    TTaxonomyTreeModel* model = treePage->Model();
    connect(model, &TTaxonomyTreeModel::NodeKeyChanged, this,
            [this](const TTaxonomyData& before, const TTaxonomyData& after) {
                FHistory.KeyChanged(before, after);
                UpdateActions();
            });
    // Captions and branches that are gone change what the tool-tips name.
    connect(model, &QAbstractItemModel::modelReset, this, &THistoryCommands::UpdateActions);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &THistoryCommands::UpdateActions);
    qApp->installEventFilter(this);
    UpdateActions();
}

void THistoryCommands::NodeVisited(TTreeNode* node) {
    if (FStepping)
        return;
    FHistory.Visit(node);
    UpdateActions();
}

void THistoryCommands::Go(int step) {
    TTreeNode* target = FHistory.Neighbour(step);
    if (!target) {
        UpdateActions();
        return;
    }
    {
        const QScopedValueRollback stepping(FStepping, true);
        for (TTreeNode* above = target->Parent(); above; above = above->Parent())
            FTreePage->SetExpanded(above, true);
        FShowTreePage();
        FTreePage->SelectNode(target);
    }
    if (FTreePage->SelectedNode() == target)
        FHistory.Arrived(step);
    UpdateActions();
}

void THistoryCommands::UpdateActions() {
    const TTaxonomyTree& tree = FTreePage->Tree();
    const std::pair<TAction, int> steps[] = {{TAction::ViewBack, -1}, {TAction::ViewForward, 1}};
    for (const auto& [id, step] : steps) {
        const TTreeNode* target = FHistory.Neighbour(step);
        QAction* action = FActions[id];
        const QString hint = QString::fromUtf8(MainActionTable()[static_cast<size_t>(id)].Hint);
        const QString tip = target
                                ? (step < 0 ? QStringLiteral("Back to %1") : QStringLiteral("Forward to %1"))
                                      .arg(ToQ(tree.Caption(target)))
                                : hint;
        action->setToolTip(tip);
        action->setStatusTip(target ? tip : hint);
        FActions.SetAllowed(id, target != nullptr);
    }
}

bool THistoryCommands::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    if ((button != Qt::BackButton && button != Qt::ForwardButton) || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != FWindow)
        return false;
    // The press steps; the rest of the click is taken too, so no view selects or opens under it.
    if (type == QEvent::MouseButtonPress) {
        QAction* action = FActions[button == Qt::BackButton ? TAction::ViewBack : TAction::ViewForward];
        if (action->isEnabled())
            action->trigger();
    }
    return true;
}
