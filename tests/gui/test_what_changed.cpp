// What Changed through the real window: offered once a download has kept the data it replaced,
// the counts, the filter, selecting a branch from the list, and files that cannot be compared.
#include "Constants.h"
#include "DataCompare.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Form_WhatChanged.h"
#include "GuiFixture.h"
#include "KeptData.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTreeView>
#include <QtTest>

namespace {
QStringList Shown(const QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, column).data().toString();
    return texts;
}

QModelIndex Row(const QTreeView* list, const QString& kind) {
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == kind)
            return list->model()->index(row, 3);
    return {};
}
} // namespace

class TestWhatChanged : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteSmallProgram();
    }
    void cleanup() { Fx.reset(); }

    void OfferedOnlyWhenADownloadKeptTheData();
    void ShowsCountsFiltersAndSelectsBranches();
    void NewDatabasesAndMissingFiles();

private:
    // The data as a download found them: links to the files of now, then the old release written
    // over the links (so the files of now stay as they are).
    void KeepOldRelease(const QString& name, const std::string& text) {
        Fx->Remove("previous/" + name);
        Fx->Write("previous/" + name, text);
    }
    std::unique_ptr<TGuiFixture> Fx;
};

void TestWhatChanged::OfferedOnlyWhenADownloadKeptTheData() {
    TScriptedDialogs dialogs;
    {
        TFormMain w;
        QVERIFY(!w.Action(TAction::ViewWhatChanged)->isEnabled());
        QVERIFY(w.findChild<QMenu*>("itemView")->actions().contains(w.Action(TAction::ViewWhatChanged)));
    }
    KeepCurrentData();
    SettleKeptData(true);
    TFormMain w;
    QVERIFY(w.Action(TAction::ViewWhatChanged)->isEnabled());
    // Nothing changed since: the dialog says so.
    int rows = -1;
    QString shown;
    dialogs.ExpectDialog("FormWhatChanged", [&](QDialog& d) {
        rows = static_cast<TFormWhatChanged&>(d).Changes()->model()->rowCount();
        shown = d.findChild<QLabel*>("ShownLabel")->text();
        return int(QDialog::Rejected);
    });
    w.Action(TAction::ViewWhatChanged)->trigger();
    QCOMPARE(rows, 0);
    QCOMPARE(shown, QString("No changes"));
    CHECK_DIALOGS(dialogs);
}

void TestWhatChanged::ShowsCountsFiltersAndSelectsBranches() {
    KeepCurrentData();
    SettleKeptData(true);
    // Before the download: no second class, Alpha under another name, another meaning of Ordina.
    KeepOldRelease("classifytree.dat", "#c1#Korvelia#the korvels\r\n"
                                       "\t\t#o1#Ordina#walkers\r\n"
                                       "\t\t\t\t#f1#Familia#round ones\r\n"
                                       "\t\t\t\t\t#g1#Alphus#first\r\n"
                                       "\t\t\t\t\t#(n/a)#Planned#not yet\r\n"
                                       "\t\t#o2#[unnamed]#placeholder\r\n");
    KeepOldRelease("order.dat", "o1#Ordina#striders#An order\r\no2#[unnamed]#n/a#Not named yet\r\n");
    TScriptedDialogs dialogs;
    TFormMain w;
    w.CollapseAll();
    QStringList checked;
    dialogs.ExpectDialog("FormWhatChanged", [&](QDialog& d) {
        auto& form = static_cast<TFormWhatChanged&>(d);
        QTableWidget* counts = form.Counts();
        // Class: 1 before, 2 after, 1 added; Genus: 2 and 2, 1 renamed.
        checked << counts->item(0, 0)->text() + counts->item(0, 1)->text() + counts->item(0, 2)->text()
                << counts->item(GenusLevel, 0)->text() + counts->item(GenusLevel, 1)->text() +
                       counts->item(GenusLevel, 4)->text()
                << counts->verticalHeaderItem(SpeciesLevel)->text();
        QTreeView* list = form.Changes();
        checked << Shown(list, 0).join('|');
        form.Filter()->setText("ALPH");
        checked << Shown(list, 3).join('|') << d.findChild<QLabel*>("ShownLabel")->text();
        // A click on a branch selects it in the tree, its parents opened.
        emit list->clicked(Row(list, "Renamed"));
        form.Filter()->clear();
        checked << Shown(list, 2).join('|');
        return int(QDialog::Rejected);
    });
    w.Action(TAction::ViewWhatChanged)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(checked, QStringList({"121", "221", "Species", "Renamed|Branch added|Record changed", "Alpha",
                                   "1 of 3 changes", "g1|c2|o1"}));
    TTreeNode* alpha = FindTreeNode(w.Tree(), MakeNodeKey(GenusLevel, "g1", "", ""));
    QCOMPARE(w.SelectedNode(), alpha);
    QVERIFY(w.IsExpanded(alpha->Parent()));
}

void TestWhatChanged::NewDatabasesAndMissingFiles() {
    KeepCurrentData();
    SettleKeptData(true);
    Fx->Remove("previous/order.dat"); // the download brought the order database
    TScriptedDialogs dialogs;
    TFormMain w;
    QStringList rows;
    dialogs.ExpectDialog("FormWhatChanged", [&](QDialog& d) {
        rows = Shown(static_cast<TFormWhatChanged&>(d).Changes(), 2);
        return int(QDialog::Rejected);
    });
    w.Action(TAction::ViewWhatChanged)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(rows, QStringList({"o1", "o2"}));

    // Data that cannot be read are reported, and nothing is shown.
    Fx->Remove("classifytree.dat");
    dialogs.ExpectMessage("it is not a data folder", -1, 0);
    w.Action(TAction::ViewWhatChanged)->trigger();
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestWhatChanged)
#include "test_what_changed.moc"
