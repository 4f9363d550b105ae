#include "TaxonomyTreeAccessible.h"

#include "Constants.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QPointer>
#include <unordered_map>

// One shown row. It names its node and is valid only while the view shows that node; the view's
// interface drops every row interface before a node can go (see TTreeViewAccessible).
class TTreeRowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TTreeRowAccessible(TTaxonomyTreeView* view, const TTreeNode* node) : FView(view), FNode(node) {}

    bool isValid() const override { return FView && FNode && FView->RowOf(FNode) >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FView ? FView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(FView.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return Index().data(Qt::DisplayRole).toString();
        if (t == QAccessible::Description) {
            // The rank, then where the row sits as a tree view says it: its depth and its place
            // among its siblings ("Genus, level 4, 1 of 2").
            const QModelIndex index = Index();
            int depth = 1;
            for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
                ++depth;
            const QString rank = FNode->Level() < LevelCount
                                     ? QString::fromLatin1(LevelNames[static_cast<size_t>(FNode->Level())]) +
                                           QStringLiteral(", ")
                                     : QString();
            return rank + QStringLiteral("level %1, %2 of %3")
                              .arg(depth)
                              .arg(index.row() + 1)
                              .arg(index.model()->rowCount(index.parent()));
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = FView->visualRect(Index());
        return QRect(FView->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QModelIndex index = Index();
        s.selectable = true;
        s.focusable = true;
        s.selected = FView->selectionModel() && FView->selectionModel()->isSelected(index);
        s.focused = FView->hasFocus() && FView->currentIndex() == index;
        s.active = FView->currentIndex() == index;
        // As the toolkit's tree views say it: closed is expandable and not expanded.
        if (FNode->HasChildren()) {
            s.expandable = true;
            s.expanded = FView->IsExpanded(FNode);
        }
        if (!FView->viewport()->rect().intersects(FView->visualRect(index)))
            s.offscreen = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        QStringList names{setFocusAction()};
        if (isValid() && FNode->HasChildren())
            names << toggleAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (!isValid())
            return;
        auto* node = const_cast<TTreeNode*>(FNode);
        if (name == toggleAction() && FNode->HasChildren())
            FView->SetExpanded(node, !FView->IsExpanded(FNode));
        else if (name == setFocusAction())
            FView->setCurrentIndex(Index());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    const TTreeNode* Node() const { return FNode; }

private:
    QModelIndex Index() const { return FView->IndexOf(FNode); }

    QPointer<TTaxonomyTreeView> FView;
    const TTreeNode* FNode;
};

// The view: role Tree, its shown rows as children. Row interfaces are made when asked for and
// kept per node until the rows change shape, when all of them go (a node may be deleted then).
class TTreeViewAccessible : public QAccessibleWidget {
public:
    explicit TTreeViewAccessible(TTaxonomyTreeView* view) : QAccessibleWidget(view, QAccessible::Tree) {
        auto drop = [this] { DropRows(); };
        FWatch[0] = QObject::connect(view, &TTaxonomyTreeView::RowsReshaped, view, drop);
        // A whole new tree deletes its nodes before the view hears of it.
        if (view->model())
            FWatch[1] = QObject::connect(view->model(), &QAbstractItemModel::modelAboutToBeReset, view, drop);
    }
    ~TTreeViewAccessible() override {
        for (const QMetaObject::Connection& c : FWatch)
            QObject::disconnect(c);
        DropRows();
    }

    TTaxonomyTreeView* View() const { return static_cast<TTaxonomyTreeView*>(widget()); }

    int childCount() const override { return static_cast<int>(View()->RowCount()); }
    QAccessibleInterface* child(int index) const override {
        const TTreeNode* node = index >= 0 ? View()->NodeAtRow(static_cast<size_t>(index)) : nullptr;
        if (!node)
            return nullptr;
        auto found = FRows.find(node);
        if (found == FRows.end()) {
            auto* row = new TTreeRowAccessible(View(), node);
            found = FRows.emplace(node, QAccessible::registerAccessibleInterface(row)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::TreeItem)
            return -1;
        return View()->RowOf(static_cast<const TTreeRowAccessible*>(child)->Node());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = View()->viewport()->mapFromGlobal(QPoint(x, y));
        return child(View()->RowAt(at.y()));
    }
    QAccessibleInterface* focusChild() const override {
        const int row = View()->RowOf(View()->NodeOf(View()->currentIndex()));
        return row >= 0 ? child(row) : nullptr;
    }

private:
    void DropRows() {
        for (const auto& [node, id] : FRows)
            QAccessible::deleteAccessibleInterface(id);
        FRows.clear();
    }

    mutable std::unordered_map<const TTreeNode*, QAccessible::Id> FRows;
    QMetaObject::Connection FWatch[2];
};

QAccessibleInterface* TaxonomyTreeAccessibleFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<TTaxonomyTreeView*>(object))
        return new TTreeViewAccessible(view);
    return nullptr;
}

void InstallTaxonomyTreeAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(TaxonomyTreeAccessibleFactory);
        installed = true;
    }
}
