// Go to Branch and Export Branch through the real window.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GoToBranchBox.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
TTreeNode* Node(TFormMain& w, const std::string& id) {
    return FindTreeNode(w.Tree(), MakeNodeKey(0, id, "", ""));
}

QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(column);
    return texts;
}

// Notes the file name each save dialog proposes.
class TExportDialogs : public TScriptedDialogs {
public:
    QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) override {
        Suggested << suggested;
        return TScriptedDialogs::SaveFileName(caption, filter, suggested);
    }
    QStringList Suggested;
};
} // namespace

class TestBranchTools : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteSmallProgram();
    }
    void cleanup() { Fx.reset(); }

    void MenuEndsWithTheNewCommands();
    void GoToBranchFindsSelectsAndExpands();
    void ExportWritesTheChosenFile();
    void ExportStartsInDocumentsThenInTheLastFolder();

private:
    std::unique_ptr<TGuiFixture> Fx;
};

void TestBranchTools::MenuEndsWithTheNewCommands() {
    TScriptedDialogs dialogs;
    TFormMain w;
    QStringList items;
    for (QAction* a : w.findChild<QMenu*>("itemView")->actions())
        items << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(items.mid(items.size() - 9),
             QStringList({"-", "Show &All Genus", "Show &Forgotten Genus", "Show &Planning Branches", "-",
                          "&Go to Branch", "E&xport Branch...", "&What Changed...", "&Match Names..."}));
    QCOMPARE(w.Action(TAction::ViewGoToBranch)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    CHECK_DIALOGS(dialogs);
}

void TestBranchTools::GoToBranchFindsSelectsAndExpands() {
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    w.CollapseAll();
    w.ShowMainPage(TFormMain::SearchPage);
    w.Action(TAction::ViewGoToBranch)->trigger();
    auto* box = w.findChild<TGoToBranchBox*>("GoToBranchBox");
    QVERIFY(box && box->isVisible());
    auto* list = Find<QTreeWidget>(*box, "GoToBranchList");

    // Name, id and info, any case; the path runs from the class.
    QTest::keyClicks(box->Edit(), "ALPH");
    QCOMPARE(Column(list, 0), QStringList({"Korvelia \u25B8 Ordina \u25B8 Familia \u25B8 Alpha"}));
    QCOMPARE(box->CountLabel()->text(), QString("1 branch"));
    box->Edit()->setText("O2");
    QCOMPARE(Column(list, 1), QStringList({"o2"}));
    box->Edit()->setText("round");
    QCOMPARE(Column(list, 2), QStringList({"round ones"}));
    box->Edit()->setText("zzz");
    QCOMPARE(box->CountLabel()->text(), QString("No branch found"));

    // Down moves through the list from the edit box; Enter goes to the branch and hides the box.
    box->Edit()->setText("l");
    // Names holding the text come before infos holding it.
    QCOMPARE(Column(list, 1), QStringList({"c1", "f1", "g1", "(n/a)", "o1", "o2", "c2"}));
    QTest::keyClick(box->Edit(), Qt::Key_Down);
    QTest::keyClick(box->Edit(), Qt::Key_Down);
    QTest::keyClick(box->Edit(), Qt::Key_Return);
    QVERIFY(!box->isVisible());
    TTreeNode* genus = Node(w, "g1");
    QCOMPARE(w.SelectedNode(), genus);
    for (TTreeNode* above = genus->Parent(); above; above = above->Parent())
        QVERIFY(w.IsExpanded(above));
    QVERIFY(!w.IsExpanded(Node(w, "c2")));
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->currentIndex(), int(TFormMain::TaxonomyPage));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).startsWith("Alpha"));

    // A change of the tree while the box is open lists again, without the branch that went.
    w.Action(TAction::ViewGoToBranch)->trigger();
    QVERIFY(box->isVisible());
    QCOMPARE(box->Edit()->selectedText(), QString("l"));
    TFormMainTestAccess::DeleteBranch(w, Node(w, "f1"), false);
    QCOMPARE(list->topLevelItemCount(), 0);
    QTRY_COMPARE(Column(list, 1), QStringList({"c1", "o1", "o2", "c2"}));
    CHECK_DIALOGS(dialogs);
}

void TestBranchTools::ExportWritesTheChosenFile() {
    TScriptedDialogs dialogs;
    TFormMain w;
    w.SelectNode(Node(w, "o1"));
    const QString csv = Fx->Folder() + "Ordina.csv";
    dialogs.Expected.append({"save", "Export Branch", -1, 0, csv, {}});
    w.Action(TAction::ViewExportBranch)->trigger();
    CHECK_DIALOGS(dialogs);
    const std::string text = Fx->Read("Ordina.csv");
    QVERIFY(text.starts_with("level,id,name,info,meaning,description,"));
    QVERIFY(
        text.find("\r\nSpecies,,minor,,small,tiny,,,,,,,,,Korvelia > Ordina > Familia > Alpha > minor\r\n") !=
        std::string::npos);
    QCOMPARE(TFormMainTestAccess::StatusText(w), "Exported 4 branches and 1 species to " + csv);

    // Cancel in the file dialog writes nothing.
    dialogs.Expected.append({"save", "Export Branch", -1, 0, QString(), {}});
    w.Action(TAction::ViewExportBranch)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(!Fx->Exists("Ordina.zip"));
}

void TestBranchTools::ExportStartsInDocumentsThenInTheLastFolder() {
    // The desktop's documents folder, named in the user's folder settings.
    QTemporaryDir config;
    const QString documents = config.path() + "/My Documents";
    QVERIFY(QDir().mkpath(documents));
    QFile dirs(config.path() + "/user-dirs.dirs");
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n");
    dirs.close();
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const auto restore = qScopeGuard([&oldConfig] {
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    });

    TExportDialogs dialogs;
    TFormMain w;
    w.SelectNode(Node(w, "o1"));
    const QString chosen = Fx->Folder() + "exports";
    QVERIFY(QDir().mkpath(chosen));
    dialogs.Expected.append({"save", "Export Branch", -1, 0, chosen + "/Ordina.csv", {}});
    w.Action(TAction::ViewExportBranch)->trigger();
    QCOMPARE(dialogs.Suggested.value(0), documents + "/Ordina.csv");
    QVERIFY(Fx->Exists("exports/Ordina.csv"));
    // The folder is kept with the options, for the next export and the next start.
    const std::string options = Fx->Read("options.ini");
    QVERIFY(options.find("[Viewer]\r\nExportFolder=" + chosen.toStdString() + "\r\n") != std::string::npos);

    dialogs.Expected.append({"save", "Export Branch", -1, 0, QString(), {}});
    w.Action(TAction::ViewExportBranch)->trigger();
    QCOMPARE(dialogs.Suggested.value(1), chosen + "/Ordina.csv");

    // A folder that has gone since: the documents again.
    QVERIFY(QDir(chosen).removeRecursively());
    dialogs.Expected.append({"save", "Export Branch", -1, 0, QString(), {}});
    w.Action(TAction::ViewExportBranch)->trigger();
    QCOMPARE(dialogs.Suggested.value(2), documents + "/Ordina.csv");
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestBranchTools)
#include "test_branch_tools.moc"
