// Add Tree Item, Delete Tree Item and Delete User Database through the real window.
#include "Constants.h"
#include "FormMainTestAccess.h"
#include "Form_AddBranch.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"
#include "UndoDelete.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString AskDelete =
    "You are going to delete selected item from Taxonomy tree. All its subitems will be "
    "permanently deleted. Are you sure you want to preceed?";
const QString AskLinked =
    "Database's entries may be linked to selected item. Do you want them to be deleted as well?";

TTreeNode* Node(TFormMain& w, const std::string& id) {
    return FindTreeNode(w.Tree(), MakeNodeKey(0, id, "", ""));
}

int Click(QDialog& dialog, const char* button) {
    QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
    return dialog.result();
}

QStringList LevelEntries(QDialog& d) {
    QStringList entries;
    auto* box = Find<QComboBox>(d, "LevelComboBox");
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

// Every file of the program folder outside the deletion journals and what a window writes when
// it closes.
std::map<QString, std::string> FilesOf(const TGuiFixture& fx) {
    std::map<QString, std::string> files;
    QDirIterator it(fx.Folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(fx.Folder()).relativeFilePath(it.next());
        if (!name.startsWith("undo/") && name != "options.ini" && name != "treestate.dat" &&
            name != "modifiedfiles.dat" && name != "classifytree.changes")
            files[name] = fx.Read(name);
    }
    return files;
}

void DeleteSelected(TFormMain& w, TScriptedDialogs& dialogs, int withRecords) {
    dialogs.ExpectMessage(AskDelete, Mb::OkCancel | Mb::IconQuestion, Mb::IdOk);
    dialogs.ExpectMessage(AskLinked, Mb::YesNoCancel | Mb::IconQuestion, withRecords);
    w.Action(TAction::EditorDeleteTreeItem)->trigger();
    CHECK_DIALOGS(dialogs);
}

} // namespace

class TestTreeItems : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteSmallProgram();
        Dialogs = std::make_unique<TScriptedDialogs>();
    }
    void cleanup() {
        Dialogs.reset();
        Fx.reset();
    }

    void AddsAGenusBesideTheSelectedOne();
    void CancelAddsNothing();
    void AFailedRecordingKeepsTheNode();
    void DeleteAsksTwiceAndObeys();
    void DeletesChosenUserDatabases();
    void ABranchGoneWhileAskedIsLeftAlone();
    void UndoDeletePutsEverythingBack();
    void DeletionsLeftByARunAreOfferedAtStart();

private:
    std::unique_ptr<TGuiFixture> Fx;
    std::unique_ptr<TScriptedDialogs> Dialogs;
};

void TestTreeItems::AddsAGenusBesideTheSelectedOne() {
    {
        TFormMain w;
        for (TAction id :
             {TAction::EditorAddTreeItem, TAction::EditorDeleteTreeItem, TAction::DBDeleteUserDB})
            QVERIFY(w.Action(id)->isEnabled());
        TTreeNode* family = Node(w, "f1");
        w.SelectNode(Node(w, "g1"));
        w.SetExpanded(family, false);
        QString parentText;
        QStringList entries;
        Dialogs->ExpectDialog("FormAddBranch", [&](QDialog& d) {
            parentText = Find<QLineEdit>(d, "ParentEdit")->text();
            entries = LevelEntries(d);
            QTest::keyClicks(Find<QLineEdit>(d, "NameEdit"), "Aurex");
            Find<QLineEdit>(d, "InfoEdit")->setText("tall");
            return Click(d, "AddBtn");
        });
        w.Action(TAction::EditorAddTreeItem)->trigger();
        CHECK_DIALOGS(*Dialogs);
        QCOMPARE(parentText, QString("Familia"));
        QCOMPARE(entries, QStringList({"5 - Genus"}));
        // The last child of the family, shown, and the selection has not moved.
        QCOMPARE(family->ChildCount(), size_t(3));
        const TTreeNode* added = family->Children().back();
        QCOMPARE(added->Data(), TTaxonomyData("\t\t\t\t\t", "aurex", "Aurex", "tall"));
        // On the disk at once: a start after a kill right now has it.
        TTaxonomyTree next;
        QCOMPARE(LoadTree(next), 0);
        QVERIFY(FindTreeNode(next, MakeNodeKey(5, "aurex", "", "")));
        QCOMPARE(w.SelectedNode()->Id(), std::string("g1"));
        QVERIFY(w.IsExpanded(family));
        QCOMPARE(TFormMainTestAccess::TreeModel(w)->IndexOf(added).data().toString(),
                 QString("Aurex (tall)"));
        // Recorded with its ancestors and offered for submission.
        QCOMPARE(Fx->Read("usr_tree.dat"),
                 std::string("#c1#Korvelia#the korvels\r\n\t\t#o1#Ordina#walkers\r\n"
                             "\t\t\t\t#f1#Familia#round ones\r\n"
                             "\t\t\t\t\t#aurex#Aurex#tall\r\n"));
        const std::string userTree = (Fx->Folder() + "usr_tree.dat").toStdString();
        QCOMPARE(ModifiedFiles.Items(), TStringList{userTree});
        QCOMPARE(Fx->Read("modifiedfiles.dat"), userTree + "\r\n");

        // The same dialog again, with the name proposed anew.
        TFormAddBranch* form = w.findChild<TFormAddBranch*>();
        QString proposed;
        Dialogs->ExpectDialog("FormAddBranch", [&](QDialog& d) {
            proposed = Find<QLineEdit>(d, "NameEdit")->text();
            return Click(d, "CancelBtn");
        });
        w.Action(TAction::EditorAddTreeItem)->trigger();
        CHECK_DIALOGS(*Dialogs);
        QCOMPARE(proposed, QString("[no named]"));
        QCOMPARE(w.findChildren<TFormAddBranch*>(), QList<TFormAddBranch*>({form}));

        Dialogs->ExpectMessage("You have modified taxonomy databases", Mb::YesNoCancel | Mb::IconQuestion,
                               Mb::IdNo);
        w.close();
    }
    CHECK_DIALOGS(*Dialogs);
    // The next start has it in the tree file.
    QVERIFY(Fx->Read("classifytree.dat")
                .find("\t\t\t\t\t#(n/a)#Planned#not yet\r\n\t\t\t\t\t#aurex#Aurex#tall\r\n") !=
            std::string::npos);
}

void TestTreeItems::CancelAddsNothing() {
    TFormMain w;
    const size_t count = w.Tree().Count();
    TTreeNode* order = Node(w, "o1");
    w.SelectNode(order);
    Dialogs->ExpectDialog("FormAddBranch", [](QDialog& d) {
        Find<QLineEdit>(d, "NameEdit")->setText("Never");
        return Click(d, "CancelBtn");
    });
    w.Action(TAction::EditorAddTreeItem)->trigger();
    CHECK_DIALOGS(*Dialogs);
    QCOMPARE(w.Tree().Count(), count);
    QVERIFY(!Fx->Exists("usr_tree.dat"));
    QVERIFY(!TreeModified);

    // A planned family: its id is "(n/a)" until it has a proper name.
    Dialogs->ExpectDialog("FormAddBranch", [](QDialog& d) {
        Find<QComboBox>(d, "LevelComboBox")->setCurrentIndex(1);
        return Click(d, "AddBtn");
    });
    w.Action(TAction::EditorAddTreeItem)->trigger();
    CHECK_DIALOGS(*Dialogs);
    QCOMPARE(order->Children().back()->Data(), TTaxonomyData("\t\t\t\t", "(n/a)", "[no named]", ""));
    QVERIFY(TreeModified);

    // Nothing selected, or a genus with no parent: no dialog.
    TFormMainTestAccess::TaxonomyTreeView(w)->setCurrentIndex(QModelIndex());
    w.Action(TAction::EditorAddTreeItem)->trigger();
    w.Action(TAction::EditorDeleteTreeItem)->trigger();
    TTreeNode* loose = AddTreeNode(w.Tree(), nullptr, TTaxonomyData("\t\t\t\t\t", "(n/a)", "Loose", ""));
    w.SelectNode(loose);
    w.Action(TAction::EditorAddTreeItem)->trigger();
    CHECK_DIALOGS(*Dialogs);
}

void TestTreeItems::AFailedRecordingKeepsTheNode() {
    // A folder where the user tree file should be: it cannot be written.
    QVERIFY(QDir().mkpath(Fx->Folder() + "usr_tree.dat/x"));
    TFormMain w;
    w.SelectNode(Node(w, "c2"));
    Dialogs->ExpectDialog("FormAddBranch", [](QDialog& d) { return Click(d, "AddBtn"); });
    Dialogs->ExpectMessage("usr_tree.dat", Mb::IconError, Mb::IdOk);
    w.Action(TAction::EditorAddTreeItem)->trigger();
    CHECK_DIALOGS(*Dialogs);
    QCOMPARE(Node(w, "c2")->ChildCount(), size_t(1));
    QVERIFY(TreeModified);
    QVERIFY(ModifiedFiles.Empty());
}

void TestTreeItems::DeleteAsksTwiceAndObeys() {
    TFormMain w;
    Fx->Write("usr_tree.dat",
              "#c1#Korvelia#\r\n\t\t#o1#Ordina#\r\n\t\t\t\t#f1#Familia#\r\n\t\t\t\t\t#g1#Alpha#\r\n");
    const std::string databases = Fx->Read("family.dat") + Fx->Read("genus.dat");
    const size_t count = w.Tree().Count();
    struct TCase {
        QList<int> Answers;
        bool Deleted;
    };
    // Cancel on either question deletes nothing; No deletes the branch and keeps the databases.
    const TCase cases[] = {
        {{Mb::IdCancel}, false}, {{Mb::IdOk, Mb::IdCancel}, false}, {{Mb::IdOk, Mb::IdNo}, true}};
    for (const TCase& c : cases) {
        w.Action(TAction::ViewAllGenus)->trigger();
        w.SelectNode(Node(w, "f1"));
        Dialogs->ExpectMessage(AskDelete, Mb::OkCancel | Mb::IconQuestion, c.Answers[0]);
        if (c.Answers.size() > 1)
            Dialogs->ExpectMessage(AskLinked, Mb::YesNoCancel | Mb::IconQuestion, c.Answers[1]);
        w.Action(TAction::EditorDeleteTreeItem)->trigger();
        CHECK_DIALOGS(*Dialogs);
        QCOMPARE(Node(w, "f1") == nullptr, c.Deleted);
    }
    QCOMPARE(w.Tree().Count(), count - 3);
    QCOMPARE(Fx->Read("family.dat") + Fx->Read("genus.dat"), databases);
    // The family and its genus leave the user tree; their ancestors stay.
    QCOMPARE(Fx->Read("usr_tree.dat"), std::string("#c1#Korvelia#\r\n\t\t#o1#Ordina#\r\n"));
    // The order, left without children, is selected and shown; no listed genus outlives its node.
    QCOMPARE(w.SelectedNode()->Id(), std::string("o1"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Ordina"));
    QCOMPARE(Find<QListView>(w, "ResultListView")->model()->rowCount(), 0);
    QVERIFY(TreeModified);
}

// The tree can change while a question is open (a refresh loads it again): a command that held a
// branch across the question does nothing once that branch is gone.
void TestTreeItems::ABranchGoneWhileAskedIsLeftAlone() {
    const std::string files = Fx->Read("family.dat") + Fx->Read("genus.dat");
    const struct {
        const char* Branch;
        TAction Command;
        const QString* AskedWhenGone; // none: the add dialog
    } cases[] = {{"o1", TAction::EditorAddTreeItem, nullptr},
                 {"f1", TAction::EditorDeleteTreeItem, &AskDelete},
                 {"f1", TAction::EditorDeleteTreeItem, &AskLinked}};
    for (const auto& c : cases) {
        TFormMain w;
        const size_t count = w.Tree().Count();
        w.SelectNode(Node(w, c.Branch));
        const auto goAway = [&w] { QCOMPARE(LoadTree(w.Tree()), 0); };
        if (!c.AskedWhenGone) {
            Dialogs->ExpectDialog("FormAddBranch", [&](QDialog& d) {
                goAway();
                return Click(d, "AddBtn");
            });
        } else {
            Dialogs->ExpectMessage(AskDelete, Mb::OkCancel | Mb::IconQuestion, Mb::IdOk);
            if (c.AskedWhenGone == &AskLinked)
                Dialogs->ExpectMessage(AskLinked, Mb::YesNoCancel | Mb::IconQuestion, Mb::IdYes);
            Dialogs->OnMessage = [&](const QString& text) {
                if (text == *c.AskedWhenGone)
                    goAway();
            };
        }
        w.Action(c.Command)->trigger();
        Dialogs->OnMessage = nullptr;
        CHECK_DIALOGS(*Dialogs);
        QCOMPARE(w.Tree().Count(), count);
        QCOMPARE(Fx->Read("family.dat") + Fx->Read("genus.dat"), files);
        QVERIFY(!Fx->Exists("usr_tree.dat"));
    }
}

void TestTreeItems::DeletesChosenUserDatabases() {
    Fx->Write("usr_genus.dat", "g1#Alpha#mine\r\n");
    Fx->Write("modifiedfiles.dat", (Fx->Folder() + "usr_genus.dat\r\n").toStdString());
    TFormMain w;
    const size_t count = w.Tree().Count();
    QCOMPARE(ModifiedFiles.Count(), size_t(1));
    Dialogs->ExpectDialog("FormDeleteUserDB", [](QDialog& d) {
        Find<QTreeWidget>(d, "FileListView")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        return Click(d, "OKBtn");
    });
    Dialogs->ExpectMessage("Are you sure", Mb::YesNo | Mb::IconQuestion, Mb::IdYes);
    Dialogs->ExpectMessage("1 Files has been deleted", Mb::Ok | Mb::IconInformation, Mb::IdOk);
    w.Action(TAction::DBDeleteUserDB)->trigger();
    CHECK_DIALOGS(*Dialogs);
    QVERIFY(!Fx->Exists("usr_genus.dat"));
    QVERIFY(ModifiedFiles.Empty());
    // Nothing else changes: the dialog is gone and the tree is as loaded.
    QVERIFY(!w.findChild<QDialog*>("FormDeleteUserDB"));
    QCOMPARE(w.Tree().Count(), count);
}

void TestTreeItems::UndoDeletePutsEverythingBack() {
    Fx->Write("usr_tree.dat", "#c1#Korvelia#\r\n\t\t#o1#Ordina#\r\n\t\t\t\t#f1#Familia#\r\n");
    const auto files = FilesOf(*Fx);
    TFormMain w;
    QAction* undo = w.Action(TAction::EditorUndoDelete);
    QCOMPARE(undo->shortcut(), QKeySequence("Ctrl+Shift+Z"));
    QVERIFY(!undo->isEnabled());
    const size_t count = w.Tree().Count();
    w.SelectNode(Node(w, "g1"));
    DeleteSelected(w, *Dialogs, Mb::IdYes);
    w.SelectNode(Node(w, "o1"));
    DeleteSelected(w, *Dialogs, Mb::IdYes);
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->text(), QString("&Undo Delete of Ordina"));
    QVERIFY(FilesOf(*Fx) != files);

    undo->trigger();
    QCOMPARE(w.SelectedNode()->Id(), std::string("o1"));
    QCOMPARE(undo->text(), QString("&Undo Delete of Alpha"));
    undo->trigger();
    QCOMPARE(w.SelectedNode()->Id(), std::string("g1"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Alpha"));
    QVERIFY(!undo->isEnabled());
    QCOMPARE(w.Tree().Count(), count);
    QCOMPARE(FilesOf(*Fx), files);
    QVERIFY(!TreeModified);

    // A download that replaced the files ends what could be undone, and says so.
    w.SelectNode(Node(w, "g1"));
    DeleteSelected(w, *Dialogs, Mb::IdNo);
    Dialogs->ExpectMessage("they can no longer be undone", Mb::IconInformation, Mb::IdOk);
    TFormMainTestAccess::DataReplaced(w);
    CHECK_DIALOGS(*Dialogs);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!QDir(Fx->Folder() + "undo").exists());
}

void TestTreeItems::DeletionsLeftByARunAreOfferedAtStart() {
    const auto files = FilesOf(*Fx);
    for (const int answer : {Mb::IdNo, Mb::IdYes}) {
        Fx->Write("classifytree.dat", files.at("classifytree.dat")); // as the run before this one found it
        {
            // A run that ends without clearing its journal: two deletions, the tree file unsaved.
            TTaxonomyTree tree;
            QCOMPARE(LoadTree(tree), 0);
            TUndoDeletes left;
            left.Delete(tree, FindTreeNode(tree, MakeNodeKey(0, "g1", "", "")), true);
            left.Delete(tree, FindTreeNode(tree, MakeNodeKey(0, "f1", "", "")), true);
            TreeModified = false;
        }
        const auto afterDeletion = FilesOf(*Fx);
        Dialogs->ExpectMessage(
            "A deletion was interrupted or can still be undone: \"Familia\" and 1 earlier one",
            Mb::YesNo | Mb::IconQuestion, answer);
        TFormMain w;
        CHECK_DIALOGS(*Dialogs);
        QVERIFY(!w.Action(TAction::EditorUndoDelete)->isEnabled());
        QVERIFY(!QDir(Fx->Folder() + "undo").exists());
        QCOMPARE(FilesOf(*Fx), answer == Mb::IdYes ? files : afterDeletion);
        // "No" leaves no branch without its records: the tree loses them as the databases did.
        QCOMPARE(FindTreeNode(w.Tree(), MakeNodeKey(0, "g1", "", "")) != nullptr, answer == Mb::IdYes);
        QCOMPARE(FindTreeNode(w.Tree(), MakeNodeKey(0, "f1", "", "")) != nullptr, answer == Mb::IdYes);
        Fx->Write("genus.dat", files.at("genus.dat"));
        Fx->Write("family.dat", files.at("family.dat"));
    }
}

QTEST_MAIN(TestTreeItems)
#include "test_tree_items.moc"
