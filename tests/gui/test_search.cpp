// The search and the genus lists through the real window: the Search page, the result list and
// its labels, opening a listed genus, and the typed action table.
#include "Constants.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ResultListModel.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"
#include "TreeEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QtTest>

namespace {

const std::string Tree = "#c1#Korvelia#the korvels\r\n"
                         "\t\t#o1#Ordina#walkers\r\n"
                         "\t\t\t\t#f1#Familia#round ones\r\n"
                         "\t\t\t\t\t#g3#Zeta#last\r\n"
                         "\t\t\t\t\t#g1#Alpha#first\r\n"
                         "\t\t\t\t\t#g2#beta#second\r\n"
                         "\t\t\t\t\t#g4#Gamma#no record\r\n"
                         "\t\t\t\t\t#(n/a)#Planned#not yet\r\n"
                         "\t\t#o2#[Ordo novus]#placeholder\r\n";
const std::string Genus = "g1#Alpha#first#Red crest#Hopper#Acrobatic red#-#####alpha\r\n"
                          "\t#minor#small#tiny\r\n"
                          "g2#beta#second#Wing spots#Glider#red wing#-#####beta\r\n"
                          "g3#Zeta#last#Plain#Walker#zeta#-#####zeta\r\n"
                          "lost#Lost#gone#A genus no branch names#Walker#lost#-#####lost\r\n"
                          "\r\n"
                          "Beta#Beta#capital#Other capitals than the tree's#Walker#b#-#####b\r\n";

QStringList Entries(TFormMain& w) {
    QStringList rows;
    QAbstractItemModel* model = Find<QListView>(w, "ResultListView")->model();
    for (int i = 0; i < model->rowCount(); ++i)
        rows << model->index(i, 0).data().toString();
    return rows;
}
QString Label(TFormMain& w, const char* name) {
    return Find<QLabel>(w, name)->text();
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteProgramFiles();
        Fx->WriteCurrentOptions(EncodeDate(2026, 12, 1));
        Dialogs = std::make_unique<TScriptedDialogs>();
        Fx->Write(TreeFileName, Tree);
        Fx->Write("genus.dat", Genus);
        Fx->Write("class.dat", "c1#Korvelia#the korvels#A class\r\n");
        Fx->Write("order.dat", "o1#Ordina#walkers#An order\r\no2#[Ordo novus]#n/a#Unnamed\r\n");
        Fx->Write("family.dat", "f1#Familia#round#A family\r\n");
    }
    void cleanup() {
        CHECK_DIALOGS(*Dialogs);
        Dialogs.reset();
        Fx.reset();
    }
    void EveryActionIsWiredOrUnavailable();
    void SearchThroughThePage();
    void ListsAndTheirLabels();
    void ListedEntriesOpenTheirSummary();
    void ResultOrderIgnoresCaseAndKeepsTies();
    void EntriesFollowTheirBranch();

private:
    std::unique_ptr<TGuiFixture> Fx;
    std::unique_ptr<TScriptedDialogs> Dialogs;
};

void TestSearch::EveryActionIsWiredOrUnavailable() {
    TFormMain w;
    for (size_t i = 0; i < ActionCount; ++i) {
        const TAction id = static_cast<TAction>(i);
        QVERIFY2(TFormMainTestAccess::Actions(w).IsWired(id) !=
                     TFormMainTestAccess::Actions(w).IsUnavailable(id),
                 MainActionTable()[i].Name);
        QCOMPARE(w.Action(id)->objectName(), QString::fromLatin1(MainActionTable()[i].Name));
    }
}

void TestSearch::SearchThroughThePage() {
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.ShowMainPage(TFormMain::SearchPage);
    auto* text = Find<QLineEdit>(w, "SearchTextEdit");
    text->setFocus();
    // "bat" is inside "Acrobatic"; "RED" folds to "red"; both must be found in And mode.
    QTest::keyClicks(text, "bat RED");
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(Entries(w), QStringList{"Alpha (first)"});
    QCOMPARE(Label(w, "SearchTextLabel"), QString("bat RED"));
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("1 Genus"));
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->currentIndex(), int(TFormMain::ResultPage));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Search help"));

    // Or mode: either word, sorted without regard to case; a genus without a record never stays.
    Find<QRadioButton>(w, "SearchMatchSomeRadio")->setChecked(true);
    text->setText("red zeta");
    w.Action(TAction::DBSearch)->trigger();
    QCOMPARE(Entries(w), QStringList({"Alpha (first)", "beta (second)", "Zeta (last)"}));
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("3 Genus"));

    // Two spaces end the words; a leading space leaves none (Or keeps nothing).
    text->setText("zeta  red");
    w.Action(TAction::DBSearch)->trigger();
    QCOMPARE(Entries(w), QStringList{"Zeta (last)"});
    text->setText(" red");
    w.Action(TAction::DBSearch)->trigger();
    QCOMPARE(Entries(w), QStringList());

    // The fields searched follow the boxes: with none ticked nothing survives.
    for (const char* box : {"SearchKeywordChkBox", "SearchTypeChkBox", "SearchCommonNameChkBox"})
        Find<QCheckBox>(w, box)->setChecked(false);
    text->setText("red");
    w.Action(TAction::DBSearch)->trigger();
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("0 Genus"));
    Find<QCheckBox>(w, "SearchNameChkBox")->setChecked(true);
    text->setText("ALPHA");
    w.Action(TAction::DBSearch)->trigger();
    QCOMPARE(Entries(w), QStringList{"Alpha (first)"});

    // The search starts only with a text (blanks count).
    text->clear();
    QVERIFY(!w.Action(TAction::DBSearch)->isEnabled());
    text->setText(" ");
    QVERIFY(w.Action(TAction::DBSearch)->isEnabled());
}

void TestSearch::ListsAndTheirLabels() {
    TFormMain w;
    w.Action(TAction::ViewAllGenus)->trigger();
    QCOMPARE(Entries(w), QStringList({"Alpha (first)", "beta (second)", "Gamma (no record)", "Zeta (last)"}));
    QCOMPARE(Label(w, "SearchTextLabel"), QString("[All]"));
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("4 Genus"));
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->currentIndex(), int(TFormMain::ResultPage));

    // Names compare exactly: "Beta" is not the tree's "beta"; species and empty lines give nothing.
    w.Action(TAction::ViewForgotten)->trigger();
    QCOMPARE(Entries(w), QStringList({"Beta", "Lost"}));
    QCOMPARE(Label(w, "SearchTextLabel"), QString("[Forgotten Genus]"));
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("2 Genus"));

    w.Action(TAction::ViewPlanGenus)->trigger();
    QCOMPARE(Entries(w), QStringList({"Order [Ordo novus] (placeholder)", "Planned (not yet)"}));
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString("2 Items"));

    // Captions follow the display mode; a rebuilt tree empties the list.
    w.SetDisplayMode(2);
    QCOMPARE(Entries(w), QStringList());
    w.Action(TAction::ViewAllGenus)->trigger();
    QVERIFY(Entries(w).contains(" (first)"));
}

void TestSearch::ListedEntriesOpenTheirSummary() {
    TFormMain w;
    auto* list = Find<QListView>(w, "ResultListView");
    w.Action(TAction::ViewAllGenus)->trigger();
    list->setCurrentIndex(list->model()->index(1, 0)); // beta
    QCOMPARE(w.SelectedNode()->Id(), std::string("g2"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("second"));

    // A forgotten genus shows its record without moving the tree's selection.
    w.Action(TAction::ViewForgotten)->trigger();
    list->setCurrentIndex(list->model()->index(1, 0)); // Lost
    QCOMPARE(w.SelectedNode()->Id(), std::string("g2"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).startsWith("Lost\nLost\ngone"));

    // A deleted branch takes the list with it: no entry outlives its node.
    w.Action(TAction::ViewAllGenus)->trigger();
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g3"));
    TFormMainTestAccess::DeleteBranch(w, w.SelectedNode(), false);
    QCOMPARE(list->model()->rowCount(), 0);
}

void TestSearch::ResultOrderIgnoresCaseAndKeepsTies() {
    // Case aside, accented capitals too; beyond the first eight letters; equal captions in the
    // order they came (the info tells them apart).
    const QStringList captions = {"Zeta",           "alpha",       "\u00C4gir", "Alpha",     "beta",
                                  "Galylsalsaurus", "galylsaldon", "Galylsal",  "\u00E4gia", "ALPHA"};
    std::vector<TResultEntry> entries;
    for (int i = 0; i < captions.size(); ++i)
        entries.push_back({captions[i], true, TTaxonomyData("\t\t\t\t\t", "g", "n", std::to_string(i))});
    TResultListModel model;
    model.SetEntries(std::move(entries));
    QStringList order;
    for (int row = 0; row < model.rowCount(); ++row)
        order << model.Entry(row).Caption + "/" + QString::fromStdString(model.Entry(row).Data.Info());
    QCOMPARE(order, QStringList({"alpha/1", "Alpha/3", "ALPHA/9", "beta/4", "Galylsal/7", "galylsaldon/6",
                                 "Galylsalsaurus/5", "Zeta/0", "\u00E4gia/8", "\u00C4gir/2"}));
}

void TestSearch::EntriesFollowTheirBranch() {
    TFormMain w;
    auto* list = Find<QListView>(w, "ResultListView");
    w.Action(TAction::ViewAllGenus)->trigger();
    QCOMPARE(Entries(w), QStringList({"Alpha (first)", "beta (second)", "Gamma (no record)", "Zeta (last)"}));

    // Zeta is renamed in the editor, which also gives it the id "omega": its entry still opens it.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g3"));
    Find<QLineEdit>(w, "NameEdit")->setText("Omega");
    w.Action(TAction::EditorSave)->trigger();
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    QCOMPARE(Entries(w).last(), QString("Omega (last)"));
    list->setCurrentIndex(list->model()->index(3, 0));
    QCOMPARE(w.SelectedNode()->Id(), std::string("omega"));
    QCOMPARE(list->model()->index(3, 0).data(Qt::UserRole).toStringList().at(1), QString("omega"));

    // A deleted branch empties the list and both its labels.
    DeleteTreeItem(w.Tree(), FindTreeNode(w.Tree(), MakeNodeKey(5, "g2", "", "")), false);
    QVERIFY(Entries(w).isEmpty());
    QCOMPARE(Label(w, "SearchTextLabel"), QString());
    QCOMPARE(Label(w, "SearchFoundTotalLabel"), QString());
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
