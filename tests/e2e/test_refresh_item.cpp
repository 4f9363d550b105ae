// Refresh Item while its database is slow to come and the selection moves on: the branch chosen
// meanwhile keeps its own summary, and choosing one without a record starts no second transfer.
#include "Constants.h"
#include "E2eSupport.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Format.h"
#include "Global.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QtTest>

namespace {

const std::string Tree = "#c1#Korvelia#the korvels\r\n"
                         "\t\t\t\t\t#g1#Alpha#first\r\n"
                         "\t\t\t\t\t#g2#Beta#second\r\n"
                         "\t\t\t\t\t#g3#Gamma#third\r\n";
const std::string Genus = "g1#Alpha#first#A genus#Hopper#Alpha korvel#-#####alpha\r\n"
                          "g2#Beta#second#A genus#Glider#Beta korvel#-#####beta\r\n";

} // namespace

class TestRefreshItem : public QObject {
    Q_OBJECT
private slots:
    void SelectionMovingOnDuringTheTransferWins_data();
    void SelectionMovingOnDuringTheTransferWins();
    void BrowsingPastBranchesAsksNothing();
};

void TestRefreshItem::SelectionMovingOnDuringTheTransferWins_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a genus with a record") << "g2"
                                           << "Beta";
    QTest::newRow("a genus without one") << "g3"
                                         << "Gamma not found";
}

void TestRefreshItem::SelectionMovingOnDuringTheTransferWins() {
    QFETCH(QString, chosen);
    QFETCH(QString, shown);
    TScriptServer server({{Reply("200 OK", {}, "news"), false, 0}, {Reply("200 OK", {}, Genus), false, 600}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.Write(TreeFileName, Tree);
    fx.Write("class.dat", "c1#Korvelia#the korvels#A class\r\n");
    fx.Write("genus.dat", Genus);
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    CHECK_DIALOGS(dialogs);
    TFormMainTestAccess::SetSelectionRest(w, 0); // the branch chosen during the transfer is refreshed at once
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    QTimer::singleShot(
        200, &w, [&] { QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, chosen.toStdString())); });
    w.Action(TAction::DBRefreshItem)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(RequestLines(server).size(), 2); // the announcement and Alpha's database
    const QString summary = TFormMainTestAccess::SummaryPlainText(w);
    QVERIFY2(summary.contains(shown) && !summary.contains("Alpha"), qPrintable(summary));
}

void TestRefreshItem::BrowsingPastBranchesAsksNothing() {
    // Twenty genera without records, browsed with the arrow key: the server hears of the one the
    // selection rests on, and only once it rests.
    TScriptServer server({{Reply("200 OK", {}, "news"), false, 0}, {Reply("200 OK", {}, Genus), false, 0}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    std::string tree = "#c1#Korvelia#the korvels\r\n";
    for (int i = 10; i < 31; ++i)
        tree += Format("\t\t\t\t\t#n%d#Nomen%d#\r\n", {i, i});
    fx.Write(TreeFileName, tree);
    fx.Write("class.dat", "c1#Korvelia#the korvels#A class\r\n");
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    CHECK_DIALOGS(dialogs);
    const auto databaseRequests = [&] { return RequestLines(server).filter("/data/db").size(); };
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "n10"));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(TFormMainTestAccess::TaxonomyTreeView(w), Qt::Key_Down);
    QCOMPARE(w.SelectedNode()->Id(), std::string("n30"));
    QCOMPARE(databaseRequests(), 0);
    QTRY_COMPARE(databaseRequests(), 1);
    QTRY_VERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Nomen30"));
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestRefreshItem)
#include "test_refresh_item.moc"
