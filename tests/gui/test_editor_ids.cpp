// Save in the editor under an id that another record already has, in either database.
#include "Constants.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QLineEdit>
#include <QtTest>

class TestEditorIds : public QObject {
    Q_OBJECT
private slots:
    void SaveAsksBeforeTakingAnIdOnlyTheUserDatabaseHas();
};

void TestEditorIds::SaveAsksBeforeTakingAnIdOnlyTheUserDatabaseHas() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    const std::string genus = fx.Read("genus.dat");
    const std::string mine = "zeta#Zeta#mine#Only in the user database\r\n";
    fx.Write("usr_genus.dat", mine);
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    QLineEdit* name = Find<QLineEdit>(w, "NameEdit");
    name->clear();
    QTest::keyClicks(name, "Zeta");
    dialogs.ExpectMessage(
        "Another Genus is stored under the id \"zeta\". Saving replaces that record with this one. "
        "Do you want to continue?",
        49, 2);
    w.Action(TAction::EditorSave)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("usr_genus.dat"), mine);
    QCOMPARE(fx.Read("genus.dat"), genus);
}

QTEST_MAIN(TestEditorIds)
#include "test_editor_ids.moc"
