// Back and Forward through the branches shown, in the real window.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreePage.h"
#include "TaxonomyTreeView.h"

#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>
#include <functional>

namespace {
TTreeNode* Node(TFormMain& w, const std::string& id) {
    return FindTreeNode(w.Tree(), MakeNodeKey(0, id, "", ""));
}
std::string Selected(TFormMain& w) {
    return w.SelectedNode() ? std::string(w.SelectedNode()->Id()) : "-";
}
} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteSmallProgram();
    }
    void cleanup() { Fx.reset(); }

    void EveryWayToABranchIsWalkedBackAndForward();
    void ASelectionTakenBackIsNoVisit();

private:
    std::unique_ptr<TGuiFixture> Fx;
};

void TestHistory::EveryWayToABranchIsWalkedBackAndForward() {
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TTaxonomyTreeView* view = TFormMainTestAccess::TaxonomyTreeView(w);
    QAction* back = w.Action(TAction::ViewBack);
    QAction* forward = w.Action(TAction::ViewForward);
    QCOMPARE(Selected(w), std::string("c1")); // the start shows the first branch
    QVERIFY(!back->isEnabled() && !forward->isEnabled());

    // A click in the tree, a link to a branch, the tree's own keys.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(TFormMainTestAccess::TreeModel(w)->IndexOf(Node(w, "o1"))).center());
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down); // the planned genus below
    QCOMPARE(Selected(w), std::string("(n/a)"));
    QCOMPARE(back->toolTip(), QString("Back to Alpha (first)"));

    // Each way back and forward; a step of its own is not a visit.
    const struct {
        const char* Way;
        std::function<void()> Step;
        const char* Then;
    } steps[] = {
        {"Alt+Left", [&] { QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier); }, "g1"},
        {"back button on the summary",
         [&] { QTest::mouseClick(TFormMainTestAccess::DetailMemo(w)->viewport(), Qt::BackButton); }, "o1"},
        {"menu", [&] { back->trigger(); }, "c1"},
        {"nothing before the first", [&] { back->trigger(); }, "c1"},
        {"Alt+Right", [&] { QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier); }, "o1"},
        // Over a row of the tree the button steps and does not select the row under it.
        {"forward button on the tree",
         [&] {
             QTest::mouseClick(
                 view->viewport(), Qt::ForwardButton, {},
                 view->visualRect(TFormMainTestAccess::TreeModel(w)->IndexOf(Node(w, "c2"))).center());
         },
         "g1"},
    };
    for (const auto& s : steps) {
        s.Step();
        QVERIFY2(Selected(w) == s.Then, s.Way);
    }
    QVERIFY(back->isEnabled() && forward->isEnabled());
    QCOMPARE(back->toolTip(), QString("Back to Order Ordina (walkers)"));
    QCOMPARE(forward->toolTip(), QString("Forward to Planned (not yet)"));
    // A branch that goes is passed over at once: nothing lies ahead any more.
    TFormMainTestAccess::DeleteBranch(w, Node(w, "g1")->Parent()->Child(1), false);
    QVERIFY(!forward->isEnabled());

    // From the Search page Back brings the tree forward with the branch; a new visit after going
    // back drops what lay ahead.
    w.ShowMainPage(TFormMain::SearchPage);
    back->trigger();
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->currentIndex(), int(TFormMain::TaxonomyPage));
    w.SelectNode(Node(w, "c2"));
    QVERIFY(!forward->isEnabled());
    back->trigger();
    QCOMPARE(Selected(w), std::string("o1"));

    // A branch that gets another id is found by it after the tree is read again.
    Fx->Write("order.dat", "o1b#Ordina#walkers#An order\r\n");
    UpdateTreeNode(w.Tree(), Node(w, "o1"), TTaxonomyData("", "o1b", "Ordina", "walkers"));
    TreeModified = true;
    w.SetDisplayMode(1); // writes the changed tree first, then selects the first branch
    back->trigger();
    QCOMPARE(Selected(w), std::string("o1b"));
    CHECK_DIALOGS(dialogs);
}

void TestHistory::ASelectionTakenBackIsNoVisit() {
    TScriptedDialogs dialogs;
    TFormMain w;
    for (const char* id : {"o1", "g1"})
        w.SelectNode(Node(w, id));
    // What handles a selection may select the branch before again, as leaving an edited record
    // does when the user cancels.
    TTreeNode* held = nullptr;
    bool restoring = false;
    connect(w.findChild<TTaxonomyTreePage*>(), &TTaxonomyTreePage::NodeSelected, &w, [&](TTreeNode* node) {
        if (held && node != held && !restoring) {
            restoring = true;
            w.SelectNode(held);
            restoring = false;
        }
    });
    held = Node(w, "g1");
    w.SelectNode(Node(w, "c2"));
    QCOMPARE(Selected(w), std::string("g1"));
    QAction* back = w.Action(TAction::ViewBack);
    back->trigger();
    QCOMPARE(Selected(w), std::string("g1"));
    held = nullptr;
    QVERIFY(!w.Action(TAction::ViewForward)->isEnabled());
    back->trigger();
    QCOMPARE(Selected(w), std::string("o1"));
    back->trigger();
    QCOMPARE(Selected(w), std::string("c1"));
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
