// Every control a user can reach with the keyboard has a name a screen reader can say, in the main
// window, its pages and every dialog.
#include "FormMainTestAccess.h"
#include "Form_AddBranch.h"
#include "Form_Announcement.h"
#include "Form_DeleteUserDB.h"
#include "Form_HelpViewer.h"
#include "Form_Main.h"
#include "Form_SubmitInfo.h"
#include "Form_SubmitPreview.h"
#include "GoToBranchBox.h"
#include "GuiFixture.h"
#include "RelatedLinks.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// The controls of `top` that take the keyboard focus (and the labels meant for one) without a
// name to say.
QStringList Unnamed(QWidget& top) {
    QStringList missing;
    for (QWidget* w : top.findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            // A label that names a box must point at it.
            if (label->text().trimmed().endsWith(':') && !label->buddy())
                missing << "label without buddy: " + label->objectName();
            continue;
        }
        // Parts of the toolkit's own controls (unnamed or "qt_...") speak through their control.
        if (!(w->focusPolicy() & Qt::TabFocus) || w->objectName().isEmpty() ||
            w->objectName().startsWith("qt_"))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            missing << QString::fromLatin1(w->metaObject()->className()) + " " + w->objectName();
    }
    return missing;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void EveryControlHasAName();
    void TheFocusedPaneShowsIt();
    void HiddenPageTabsAreOutOfReach();
    void PanesReadAsWhatTheyAre();
};

void TestAccessibility::EveryControlHasAName() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1")); // the editor's genus pages are shown
    const std::vector<TFilePreview> none;
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>> windows = {
        {"main window", nullptr},
        {"add tree item", [] { return std::make_unique<TFormAddBranch>(); }},
        {"announcement", [] { return std::make_unique<TFormAnnouncement>(); }},
        {"delete user databases", [] { return std::make_unique<TFormDeleteUserDB>(); }},
        {"help viewer", [] { return std::make_unique<THelpViewer>(); }},
        {"submit", [] { return std::make_unique<TFormSubmitInfo>(); }},
        {"submit preview", [&] { return std::make_unique<TFormSubmitPreview>(none, TStringList()); }},
    };
    for (const auto& [what, make] : windows) {
        std::unique_ptr<QWidget> dialog = make ? make() : nullptr;
        const QStringList missing = Unnamed(dialog ? *dialog : static_cast<QWidget&>(w));
        QVERIFY2(missing.isEmpty(), qPrintable(QString(what) + ": " + missing.join(", ")));
    }
    CHECK_DIALOGS(dialogs);
}

void TestAccessibility::TheFocusedPaneShowsIt() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    QWidget* summary = TFormMainTestAccess::DetailMemo(w);
    // Each pane rings itself alone; a box shows its focus its own way and no pane is ringed.
    const auto focus = [](QWidget* pane) { return [pane] { pane->setFocus(Qt::TabFocusReason); }; };
    const std::vector<std::pair<std::function<void()>, QWidget*>> cases = {
        {focus(TFormMainTestAccess::TaxonomyTreeView(w)), TFormMainTestAccess::TaxonomyTreeView(w)},
        {focus(summary), summary},
        {[&] { w.FocusMainPage(TFormMain::SearchPage); }, nullptr},
        {[&] { w.FocusMainPage(TFormMain::TaxonomyPage); }, TFormMainTestAccess::TaxonomyTreeView(w)},
    };
    for (const auto& [move, ringed] : cases) {
        move();
        QCoreApplication::processEvents();
        const QWidget* focused = QApplication::focusWidget();
        for (QWidget* pane : {static_cast<QWidget*>(TFormMainTestAccess::TaxonomyTreeView(w)), summary}) {
            auto* ring = pane->findChild<QWidget*>("FocusRing", Qt::FindDirectChildrenOnly);
            const bool shown = ring && ring->isVisible() && ring->geometry() == pane->rect();
            QVERIFY2(shown == (pane == ringed),
                     qPrintable((focused ? focused->objectName() : "none") + " / " + pane->objectName()));
        }
    }
    CHECK_DIALOGS(dialogs);
}

void TestAccessibility::HiddenPageTabsAreOutOfReach() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // A class has no Image page; a genus with a record no "No Data Available" page. The arrow keys
    // pass over the hidden tab, and a screen reader hears of the shown ones alone, the current one
    // focused.
    const struct {
        int Level;
        const char* Id;
        const char* Pages;
        int Hidden, From, Key, To;
    } cases[] = {
        {0, "c1", "InfoPageControl", 1, 0, Qt::Key_Right, 2},
        {5, "g1", "EditorPageControl", 0, 1, Qt::Key_Left, 1},
    };
    for (const auto& c : cases) {
        QVERIFY(TFormMainTestAccess::SelectBranch(w, c.Level, c.Id));
        auto* pages = w.findChild<QTabWidget*>(c.Pages);
        QTabBar* bar = pages->tabBar();
        QVERIFY(!pages->isTabVisible(c.Hidden) && !pages->isTabEnabled(c.Hidden));
        pages->setCurrentIndex(c.From);
        bar->setFocus(Qt::TabFocusReason);
        QTest::keyClick(bar, static_cast<Qt::Key>(c.Key));
        QCOMPARE(pages->currentIndex(), c.To);
        QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(bar);
        QStringList listed, focused;
        for (int i = 0; i < tabs->childCount(); ++i) {
            listed << tabs->child(i)->text(QAccessible::Name);
            if (tabs->child(i)->state().focused)
                focused << listed.last();
        }
        QVERIFY2(!listed.contains(pages->tabText(c.Hidden)), qPrintable(listed.join(", ")));
        QCOMPARE(listed.size(), pages->count() - 1);
        QCOMPARE(focused, QStringList{pages->tabText(c.To)});
    }
    CHECK_DIALOGS(dialogs);
}

void TestAccessibility::PanesReadAsWhatTheyAre() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    TFormMainTestAccess::RelatedLinks(w)->AddRelatedLink("Beta", 0, "x", "g2");
    w.Action(TAction::ViewGoToBranch)->trigger();
    auto* box = w.findChild<TGoToBranchBox*>("GoToBranchBox");
    QTest::keyClicks(box->Edit(), "l");
    const auto reader = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); };
    QAccessibleInterface* links = reader(TFormMainTestAccess::RelatedLinks(w)->List());
    QAccessibleInterface* summary = reader(TFormMainTestAccess::DetailMemo(w));
    // A line as a reader takes it, with its end.
    const QString firstLine = TFormMainTestAccess::SummaryPlainText(w).section('\n', 0, 0) + '\n';
    int start = 0, end = 0;
    const struct {
        const char* What;
        QString Heard, Expected;
    } cases[] = {
        // The related links: one column, named.
        {"link columns", QString::number(links->tableInterface()->columnCount()), "1"},
        {"link column", links->tableInterface()->columnDescription(0), "Related Links"},
        // The summary: a document, read line by line.
        {"summary role", QString::number(summary->role()), QString::number(QAccessible::Document)},
        {"summary line", summary->textInterface()->textAtOffset(0, QAccessible::LineBoundary, &start, &end),
         firstLine},
        // Go to Branch: its list has a name, and the count goes where the user types.
        {"result list", reader(box->findChild<QWidget*>("GoToBranchList"))->text(QAccessible::Name),
         "Branches found"},
        {"count", reader(box->Edit())->text(QAccessible::Description), box->CountLabel()->text()},
    };
    QVERIFY(firstLine.size() > 1 && !box->CountLabel()->text().isEmpty());
    QStringList wrong;
    for (const auto& c : cases)
        if (c.Heard != c.Expected)
            wrong << QString(c.What) + ": " + c.Heard;
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(" | ")));
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
