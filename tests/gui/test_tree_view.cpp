// The Taxonomy tree view in the real window: the rows it shows, its keys and mouse clicks.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QAccessible>
#include <QMenu>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// The last word of each shown caption (names only), top to bottom.
QString Rows(TFormMain& w) {
    QStringList rows;
    const TTaxonomyTreeView* view = TFormMainTestAccess::TaxonomyTreeView(w);
    for (size_t i = 0; i < view->RowCount(); ++i)
        rows << TFormMainTestAccess::TreeModel(w)
                    ->IndexOf(view->NodeAtRow(i))
                    .data()
                    .toString()
                    .section(' ', -1);
    return rows.join(' ');
}

QString Current(TFormMain& w) {
    return TFormMainTestAccess::TaxonomyTreeView(w)->currentIndex().data().toString().section(' ', -1);
}

} // namespace

class TestTreeView : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteProgramFiles();
        Fx->WriteSmallTree();
        Fx->Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" +
                                     FormatShortDate(Today()) + "\r\n[Window]\r\nListType=1\r\n");
        Dialogs = std::make_unique<TScriptedDialogs>();
        W = std::make_unique<TFormMain>();
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        View = TFormMainTestAccess::TaxonomyTreeView(*W);
        Korvelia = W->Tree().First();
        Ordina = Korvelia->Child(0);
        Familia = Ordina->Child(0);
        Secunda = W->Tree().Child(nullptr, 1);
    }
    void cleanup() {
        W.reset();
        CHECK_DIALOGS(*Dialogs);
        Dialogs.reset();
        Fx.reset();
    }

    void RowsFollowTheFlagsAndTheTree();
    void KeysMoveOpenAndClose();
    void ClickOnGlyphTogglesOnTextSelects();
    void ScrollToOpensTheBranchesAbove();
    void SelectionSurvivesExpandAndCollapseAll();
    void WheelScrollsByRows();
    void ContextMenuReachesTheWindow();
    void WideNamesScrollSideways();
    void ScreenReadersSeeWhatATreeViewShows();
    void RowsBeyondTheFirstNodeBlock();

private:
    std::unique_ptr<TGuiFixture> Fx;
    std::unique_ptr<TScriptedDialogs> Dialogs;
    std::unique_ptr<TFormMain> W;
    TTaxonomyTreeView* View = nullptr;
    TTreeNode* Korvelia = nullptr;
    TTreeNode* Ordina = nullptr;
    TTreeNode* Familia = nullptr;
    TTreeNode* Secunda = nullptr;
};

void TestTreeView::RowsFollowTheFlagsAndTheTree() {
    TTaxonomyTree& tree = W->Tree();
    const struct {
        const char* Step;
        std::function<void()> Act;
        QString Rows;
    } steps[] = {
        {"start", [] {}, "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {"close an order", [&] { View->SetExpanded(Ordina, false); }, "Korvelia Ordina [unnamed] Secunda"},
        {"close the class", [&] { View->SetExpanded(Korvelia, false); }, "Korvelia Secunda"},
        {"open it: the order stays closed", [&] { View->SetExpanded(Korvelia, true); },
         "Korvelia Ordina [unnamed] Secunda"},
        {"insert under a hidden branch",
         [&] { AddTreeNode(tree, Familia, TTaxonomyData("\t\t\t\t\t", "g9", "Novus", "")); },
         "Korvelia Ordina [unnamed] Secunda"},
        {"insert under an open branch",
         [&] { AddTreeNode(tree, Korvelia, TTaxonomyData("\t\t", "o3", "Tertia", "")); },
         "Korvelia Ordina [unnamed] Tertia Secunda"},
        {"insert at the top", [&] { AddTreeNode(tree, nullptr, TTaxonomyData("", "c3", "Ultima", "")); },
         "Korvelia Ordina [unnamed] Tertia Secunda Ultima"},
        {"a first child leaves its parent closed",
         [&] { AddTreeNode(tree, Secunda, TTaxonomyData("\t\t", "o4", "Quarta", "")); },
         "Korvelia Ordina [unnamed] Tertia Secunda Ultima"},
        {"open the order", [&] { View->SetExpanded(Ordina, true); },
         "Korvelia Ordina Familia Alpha Planned Novus [unnamed] Tertia Secunda Ultima"},
        {"remove an open branch", [&] { tree.DeleteNode(Familia); },
         "Korvelia Ordina [unnamed] Tertia Secunda Ultima"},
        {"collapse all", [&] { View->CollapseAll(); }, "Korvelia Secunda Ultima"},
        {"expand all", [&] { View->ExpandAll(); }, "Korvelia Ordina [unnamed] Tertia Secunda Quarta Ultima"},
        {"a reset keeps the flags",
         [&] {
             View->SetExpanded(Korvelia, false);
             TTaxonomyTree::TBulkLoad reset(tree);
         },
         "Korvelia Secunda Quarta Ultima"},
    };
    for (const auto& step : steps) {
        step.Act();
        QVERIFY2(Rows(*W) == step.Rows, qPrintable(QString(step.Step) + ": " + Rows(*W)));
    }
}

void TestTreeView::KeysMoveOpenAndClose() {
    View->CollapseAll();
    W->SelectNode(Korvelia);
    const struct {
        int Key;
        QString Current;
        QString Rows;
    } steps[] = {
        {Qt::Key_Right, "Korvelia", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Right, "Ordina", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Asterisk, "Ordina", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_Minus, "Ordina", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Left, "Korvelia", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Left, "Korvelia", "Korvelia Secunda"},
        {Qt::Key_Plus, "Korvelia", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Right, "Ordina", "Korvelia Ordina [unnamed] Secunda"},
        {Qt::Key_Right, "Ordina", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_Down, "Familia", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_End, "Secunda", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_Up, "[unnamed]", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_Home, "Korvelia", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_PageDown, "Secunda", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        // Typing finds the next shown caption that begins with the keys, wrapping at the end.
        {Qt::Key_C, "Korvelia", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
        {Qt::Key_C, "Secunda", "Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"},
    };
    int n = 0;
    for (const auto& step : steps) {
        QTest::keyClick(View, static_cast<Qt::Key>(step.Key));
        QVERIFY2(Current(*W) == step.Current && Rows(*W) == step.Rows,
                 qPrintable(QString("step %1: %2 / %3").arg(n).arg(Current(*W), Rows(*W))));
        QCOMPARE(W->SelectedNode(), TFormMainTestAccess::TreeModel(*W)->NodeOf(View->currentIndex()));
        ++n;
    }
}

void TestTreeView::ClickOnGlyphTogglesOnTextSelects() {
    const QModelIndex ordina = TFormMainTestAccess::TreeModel(*W)->IndexOf(Ordina);
    const struct {
        const char* Step;
        std::function<void()> Act;
        QString Current;
        bool Open;
    } steps[] = {
        {"glyph",
         [&] {
             QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->ExpanderRect(ordina).center());
         },
         "Korvelia", false},
        {"text",
         [&] { QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(ordina).center()); },
         "Ordina", false},
        {"double click on text",
         [&] { QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(ordina).center()); },
         "Ordina", true},
        {"glyph again",
         [&] {
             QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->ExpanderRect(ordina).center());
         },
         "Ordina", false},
    };
    for (const auto& step : steps) {
        step.Act();
        QVERIFY2(Current(*W) == step.Current && View->IsExpanded(Ordina) == step.Open, step.Step);
        QVERIFY(View->selectionModel()->isSelected(View->currentIndex()));
    }
}

void TestTreeView::ScrollToOpensTheBranchesAbove() {
    View->CollapseAll();
    const QModelIndex alpha = TFormMainTestAccess::TreeModel(*W)->IndexOf(Familia->Child(0));
    View->scrollTo(alpha);
    QCOMPARE(Rows(*W), QString("Korvelia Ordina Familia Alpha Planned [unnamed] Secunda"));
    QVERIFY(View->viewport()->rect().intersects(View->visualRect(alpha)));
}

void TestTreeView::SelectionSurvivesExpandAndCollapseAll() {
    for (TTreeNode* node : {Korvelia, Secunda}) {
        W->SelectNode(node);
        for (auto all : {&TTaxonomyTreeView::CollapseAll, &TTaxonomyTreeView::ExpandAll}) {
            (View->*all)();
            QCOMPARE(W->SelectedNode(), node);
            QVERIFY(View->selectionModel()->isSelected(View->currentIndex()));
            QVERIFY(View->visualRect(View->currentIndex()).isValid());
        }
    }
}

void TestTreeView::WheelScrollsByRows() {
    for (int i = 0; i < 100; ++i)
        AddTreeNode(W->Tree(), nullptr, TTaxonomyData("", "c" + std::to_string(i + 10), "More", ""));
    const int notches = 2;
    const QPoint at = View->viewport()->rect().center();
    QWheelEvent wheel(at, View->viewport()->mapToGlobal(at), {}, QPoint(0, -120 * notches), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(View->viewport(), &wheel);
    const int rows = notches * QApplication::wheelScrollLines();
    QCOMPARE(View->verticalScrollBar()->value(), rows);
    QCOMPARE(View->indexAt(QPoint(1, 1)),
             TFormMainTestAccess::TreeModel(*W)->IndexOf(View->NodeAtRow(size_t(rows))));
}

void TestTreeView::ContextMenuReachesTheWindow() {
    QMenu* popup = Find<QMenu>(*W, "SummaryPopupMenu");
    const QPoint at = View->visualRect(View->currentIndex()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, View->viewport()->mapToGlobal(at));
    QApplication::sendEvent(View->viewport(), &event);
    QTRY_VERIFY(popup->isVisible());
    popup->close();
}

void TestTreeView::WideNamesScrollSideways() {
    // A genus whose caption is wider than the pane: the view scrolls sideways to it, by the scroll
    // bar and by Right on the leaf, and Left on a top-level branch comes back.
    UpdateTreeNode(W->Tree(), Familia->Child(0),
                   TTaxonomyData("\t\t\t\t\t", "g1", "Alpha" + std::string(200, 'x'), "first"));
    View->ExpandAll();
    W->resize(500, 400);
    QScrollBar* sideways = View->horizontalScrollBar();
    QTRY_VERIFY(sideways->maximum() > 0);
    View->setFocus();
    View->setCurrentIndex(TFormMainTestAccess::TreeModel(*W)->IndexOf(Familia->Child(0)));
    const QRect before = View->visualRect(View->currentIndex());
    QTest::keyClick(View, Qt::Key_Right);
    QVERIFY(sideways->value() > 0);
    QCOMPARE(View->visualRect(View->currentIndex()).left(), before.left() - sideways->value());
    View->setCurrentIndex(TFormMainTestAccess::TreeModel(*W)->IndexOf(Secunda));
    while (sideways->value() > 0) {
        const int was = sideways->value();
        QTest::keyClick(View, Qt::Key_Left);
        QVERIFY(sideways->value() < was);
    }
}

void TestTreeView::ScreenReadersSeeWhatATreeViewShows() {
    // A standard tree view over the same model, with the same branches open and the same
    // selection, is what a screen reader is used to.
    View->ExpandAll();
    View->SetExpanded(Familia, false);
    QTreeView reference;
    reference.setHeaderHidden(true);
    reference.setModel(TFormMainTestAccess::TreeModel(*W));
    for (size_t i = 0; i < View->RowCount(); ++i)
        if (View->IsExpanded(View->NodeAtRow(i)))
            reference.expand(TFormMainTestAccess::TreeModel(*W)->IndexOf(View->NodeAtRow(i)));
    reference.doItemsLayout();
    const QModelIndex chosen = TFormMainTestAccess::TreeModel(*W)->IndexOf(Ordina);
    View->setCurrentIndex(chosen);
    reference.setCurrentIndex(chosen);

    QAccessibleInterface* ours = QAccessible::queryAccessibleInterface(View);
    QAccessibleInterface* theirs = QAccessible::queryAccessibleInterface(&reference);
    QVERIFY(ours && theirs);
    QCOMPARE(ours->role(), theirs->role());
    QCOMPARE(ours->childCount(), int(View->RowCount()));
    // The standard view counts its header (hidden or not) as the first child.
    QCOMPARE(theirs->child(0)->role(), QAccessible::ColumnHeader);
    QCOMPARE(theirs->childCount(), ours->childCount() + 1);
    for (int i = 0; i < ours->childCount(); ++i) {
        QAccessibleInterface* row = ours->child(i);
        QAccessibleInterface* same = theirs->child(i + 1);
        QVERIFY(row && same);
        QCOMPARE(row->role(), same->role());
        QCOMPARE(row->text(QAccessible::Name), same->text(QAccessible::Name));
        const QAccessible::State a = row->state(), b = same->state();
        QCOMPARE(bool(a.expandable), bool(b.expandable));
        QCOMPARE(bool(a.expanded), bool(b.expanded));
        QCOMPARE(bool(a.collapsed), bool(b.collapsed));
        QCOMPARE(bool(a.selected), bool(b.selected));
        QCOMPARE(ours->indexOfChild(row), i);
    }
    // The toggle action opens a closed branch; the rows follow.
    auto rowOf = [this](const TTreeNode* node) {
        for (size_t i = 0; i < View->RowCount(); ++i)
            if (View->NodeAtRow(i) == node)
                return int(i);
        return -1;
    };
    QAccessibleInterface* family = ours->child(rowOf(Familia));
    QVERIFY(family->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    family->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(View->IsExpanded(Familia));
    QCOMPARE(ours->childCount(), int(View->RowCount()));
    // Each row tells its rank, its depth and its place among its siblings.
    QCOMPARE(ours->child(rowOf(Familia))->text(QAccessible::Description), QString("Family, level 3, 1 of 1"));
    QCOMPARE(ours->child(rowOf(Ordina))->text(QAccessible::Description), QString("Order, level 2, 1 of 2"));
}

// The rows of a tree with more nodes than the first block of records holds are the shown nodes,
// whatever the view did to them since.
void TestTreeView::RowsBeyondTheFirstNodeBlock() {
    TTaxonomyTree& tree = W->Tree();
    TTreeNode* order = AddTreeNode(tree, Secunda, TTaxonomyData("\t\t", "o9", "Magna", ""));
    {
        TTaxonomyTree::TBulkLoad bulk(tree);
        for (int i = 0; i < 70000; ++i)
            AddTreeNode(tree, order, TTaxonomyData("\t\t\t", "f" + std::to_string(i), "F", ""));
    }
    auto sameRows = [&] {
        std::vector<const TTreeNode*> shown;
        for (const TTreeNode* n = tree.First(); n; n = tree.Next(n)) {
            bool open = true;
            for (const TTreeNode* p = n->Parent(); p; p = p->Parent())
                open = open && p->Expanded();
            if (open)
                shown.push_back(n);
        }
        if (shown.size() != View->RowCount())
            return false;
        for (size_t i = 0; i < shown.size(); ++i)
            if (View->NodeAtRow(i) != shown[i])
                return false;
        return true;
    };
    const struct {
        const char* Step;
        std::function<void()> Act;
    } steps[] = {
        {"expand all", [&] { View->ExpandAll(); }},
        {"delete a node of the second block", [&] { tree.DeleteNode(order->Child(69000)); }},
        {"add one", [&] { AddTreeNode(tree, order, TTaxonomyData("\t\t\t", "fz", "Z", "")); }},
        {"close and open the order",
         [&] {
             View->SetExpanded(order, false);
             View->SetExpanded(order, true);
         }},
        {"close the class above", [&] { View->SetExpanded(Secunda, false); }},
    };
    for (const auto& step : steps) {
        step.Act();
        QVERIFY2(sameRows(), step.Step);
    }
    // A node of the second block scrolled to is on the screen.
    View->SetExpanded(Secunda, true);
    const QModelIndex far = TFormMainTestAccess::TreeModel(*W)->IndexOf(order->Child(68000));
    View->scrollTo(far);
    QVERIFY(View->viewport()->rect().contains(View->visualRect(far).center()));
}

QTEST_MAIN(TestTreeView)
#include "test_tree_view.moc"
