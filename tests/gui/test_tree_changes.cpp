// Edits of the tree survive what rebuilds it from the tree file.
#include "Constants.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"

#include <QtTest>

class TestTreeChanges : public QObject {
    Q_OBJECT
private slots:
    void DisplayModeKeepsEdits();
};

void TestTreeChanges::DisplayModeKeepsEdits() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    TTreeNode* family = FindTreeNode(w.Tree(), MakeNodeKey(4, "f1", "", ""));
    QVERIFY(family);
    AddTreeNode(w.Tree(), family, TTaxonomyData("\t\t\t\t\t", "g9", "Novus", "added"));
    UpdateTreeNode(w.Tree(), FindTreeNode(w.Tree(), MakeNodeKey(5, "g1", "", "")),
                   TTaxonomyData("\t\t\t\t\t", "g1", "Alpha", "renamed"));
    TreeModified = true;
    w.SetDisplayMode(2);
    QVERIFY(FindTreeNode(w.Tree(), MakeNodeKey(5, "g9", "", "")));
    QCOMPARE(w.Tree().Caption(FindTreeNode(w.Tree(), MakeNodeKey(5, "g1", "", ""))),
             std::string(" (renamed)"));
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestTreeChanges)
#include "test_tree_changes.moc"
