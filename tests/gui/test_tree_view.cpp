// The Taxonomy tree view in the real window: the rows it shows, its keys and mouse clicks.
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QMenu>
#include <QScrollBar>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// The last word of each shown caption (names only), top to bottom.
QString Rows(TFormMain& w) {
    QStringList rows;
    const TTaxonomyTreeView* view = w.TaxonomyTreeView();
    for (size_t i = 0; i < view->RowCount(); ++i)
        rows << w.TreeModel()->IndexOf(view->NodeAtRow(i)).data().toString().section(' ', -1);
    return rows.join(' ');
}

QString Current(TFormMain& w) { return w.TaxonomyTreeView()->currentIndex().data().toString().section(' ', -1); }

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
        View = W->TaxonomyTreeView();
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
        QCOMPARE(W->SelectedNode(), W->TreeModel()->NodeOf(View->currentIndex()));
        ++n;
    }
}

void TestTreeView::ClickOnGlyphTogglesOnTextSelects() {
    const QModelIndex ordina = W->TreeModel()->IndexOf(Ordina);
    const struct {
        const char* Step;
        std::function<void()> Act;
        QString Current;
        bool Open;
    } steps[] = {
        {"glyph", [&] { QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->ExpanderRect(ordina).center()); },
         "Korvelia", false},
        {"text", [&] { QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(ordina).center()); },
         "Ordina", false},
        {"double click on text",
         [&] { QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(ordina).center()); },
         "Ordina", true},
        {"glyph again",
         [&] { QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->ExpanderRect(ordina).center()); },
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
    const QModelIndex alpha = W->TreeModel()->IndexOf(Familia->Child(0));
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
    QCOMPARE(View->indexAt(QPoint(1, 1)), W->TreeModel()->IndexOf(View->NodeAtRow(size_t(rows))));
}

void TestTreeView::ContextMenuReachesTheWindow() {
    QMenu* popup = Find<QMenu>(*W, "SummaryPopupMenu");
    const QPoint at = View->visualRect(View->currentIndex()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, View->viewport()->mapToGlobal(at));
    QApplication::sendEvent(View->viewport(), &event);
    QTRY_VERIFY(popup->isVisible());
    popup->close();
}

QTEST_MAIN(TestTreeView)
#include "test_tree_view.moc"
