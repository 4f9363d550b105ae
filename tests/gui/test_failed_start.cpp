// A start whose tree file cannot be read, and quitting after it.
#include "AppState.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QtTest>
#include <memory>

class TestFailedStart : public QObject {
    Q_OBJECT
private slots:
    void TreeStateOutlivesATreeThatFailedToLoad();
};

void TestFailedStart::TreeStateOutlivesATreeThatFailedToLoad() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    const std::string state = "#c1#1\r\n\t\t#o1#0\r\n";
    fx.Write("treestate.dat", state);
    fx.Remove("classifytree.dat");
    QVERIFY(QDir(fx.Folder()).mkdir("classifytree.dat")); // there, but no file to read
    TScriptedDialogs dialogs;
    dialogs.ExpectMessage("Data file open fail!", 16, 1);
    auto w = std::make_unique<TFormMain>();
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::DataFileFailed(*w));
    w.reset();
    QCOMPARE(fx.Read("treestate.dat"), state);
}

QTEST_MAIN(TestFailedStart)
#include "test_failed_start.moc"
