// Match Names: a file of names opened in the dialog, the counts, the filter, a click that selects
// the branch, and the TSV the dialog saves.
#include "Form_Main.h"
#include "Form_MatchNames.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>
#include <QtTest>

namespace {
QStringList Column(const QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, column).data().toString();
    return texts;
}
} // namespace

class TestMatchNames : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteSmallProgram();
    }
    void cleanup() { Fx.reset(); }

    void MatchesAFileFiltersSelectsAndSaves();

private:
    std::unique_ptr<TGuiFixture> Fx;
};

void TestMatchNames::MatchesAFileFiltersSelectsAndSaves() {
    Fx->Write("names.txt",
              "Alpha minor (Tessmer, 1887)\r\nORDINA\r\nPlanned\r\nFamilai\r\nQuux\r\n\r\nAlpah\r\n");
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(w.findChild<QMenu*>("itemView")->actions().contains(w.Action(TAction::ViewMatchNames)));
    w.CollapseAll();
    QStringList checked;
    dialogs.ExpectDialog("FormMatchNames", [&](QDialog& d) {
        auto& form = static_cast<TFormMatchNames&>(d);
        form.OpenFile();
        QTreeView* list = form.Results();
        checked << Column(list, 1).join('|') << Column(list, 2).join('|') << Column(list, 4).join('|')
                << form.Counts()->text();
        form.Filter()->setText("SUGG");
        checked << Column(list, 0).join('|') << d.findChild<QLabel*>("ShownLabel")->text();
        form.SaveTsv(); // the rows shown
        // A suggestion's row selects its first suggestion, a species row its genus.
        emit list->clicked(list->model()->index(0, 0));
        return int(QDialog::Rejected);
    });
    dialogs.Expected.append({"open", "Open Names", -1, 0, Fx->Folder() + "/names.txt", {}});
    dialogs.Expected.append({"save", "Save as TSV", -1, 0, Fx->Folder() + "/out.tsv", {}});
    w.Action(TAction::ViewMatchNames)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(checked, QStringList({"Exact|Folded|Planned|Suggestion|Not found|Suggestion",
                                   "Alpha minor|Ordina|Planned|||", "|||Familia||Alpha",
                                   "Exact: 1    Folded: 1    Planned: 1    Suggestion: 2    Not found: 1",
                                   "Familai|Alpah", "2 of 6 names"}));
    QCOMPARE(Fx->Read("out.tsv"), std::string("name\tkind\tmatch\tpath\trank\tsuggestions\n"
                                              "Familai\tsuggestion\t\t\t\tFamilia\n"
                                              "Alpah\tsuggestion\t\t\t\tAlpha\n"));
    TTreeNode* familia = FindTreeNode(w.Tree(), MakeNodeKey(4, "f1", "", ""));
    QCOMPARE(w.SelectedNode(), familia);
    QVERIFY(w.IsExpanded(familia->Parent()));
}

QTEST_MAIN(TestMatchNames)
#include "test_match_names.moc"
