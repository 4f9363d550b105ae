// The Add Tree Item and Delete User Databases dialogs.
#include "Dialogs.h"
#include "Form_AddBranch.h"
#include "Form_DeleteUserDB.h"
#include "Form_HelpViewer.h"
#include "Global.h"
#include "ScriptedDialogs.h"
#include "UiTestFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

namespace {

template <class T> T* Find(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control named %s", name);
    return child;
}

const TTaxonomyData Order("\t\t", "o1", "Ordina", "walkers");

// Runs the add dialog once; `act` plays the user and returns how the dialog closed.
int RunAdd(TFormAddBranch& dialog, const TTaxonomyData& parent, TTaxonomyData& data,
           std::function<int(QDialog&)> act) {
    TScriptedDialogs dialogs;
    dialogs.ExpectDialog("FormAddBranch", std::move(act));
    const int result = dialog.Execute(parent, data);
    if (!dialogs.AllAnswered())
        qWarning("%s", qPrintable(dialogs.Report()));
    return result;
}

int Click(QDialog& dialog, const char* button) {
    QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
    return dialog.result();
}

QStringList Row(const QTreeWidget* list, int row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return {item->text(0), item->text(1), item->text(2)};
}

} // namespace

class TestTreeDialogs : public QObject {
    Q_OBJECT

private slots:
    void DialogsFitTheScreen() {
        // A form larger than the screen's room (a large scale) opens within it, however large its
        // minimum size.
        QDialog dialog;
        dialog.setObjectName("Large");
        const QSize room = dialog.screen()->availableGeometry().size();
        dialog.setMinimumSize(room + QSize(100, 100));
        dialog.resize(room + QSize(300, 200));
        TScriptedDialogs dialogs;
        QSize opened;
        dialogs.ExpectDialog("Large", [&](QDialog& d) {
            opened = d.size();
            return int(QDialog::Rejected);
        });
        DialogSeam().ExecDialog(dialog);
        QVERIFY(dialogs.AllAnswered());
        QCOMPARE(opened, room);
    }
    void AddBranchTextsAndControls() {
        TFormAddBranch dialog;
        QCOMPARE(dialog.objectName(), QString("FormAddBranch"));
        QCOMPARE(dialog.windowTitle(), QString("Add Tree Item"));
        QCOMPARE(dialog.size(), QSize(298, 154));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        const char* const texts[][2] = {{"ParentLabel", "Parent:"}, {"LevelLabel", "Level:"},
                                        {"IdLabel", "Id:"},         {"NameLabel", "Name:"},
                                        {"InfoLabel", "Info:"},     {"AddBtn", "Add"},
                                        {"CancelBtn", "Cancel"},    {"HelpBtn", "Help"}};
        for (const auto& [name, text] : texts)
            QCOMPARE(Find<QWidget>(dialog, name)->property("text").toString(), QString(text));
        QVERIFY(Find<QPushButton>(dialog, "AddBtn")->isDefault());
        QVERIFY(Find<QLineEdit>(dialog, "ParentEdit")->isReadOnly());
        QCOMPARE(Find<QLineEdit>(dialog, "ParentEdit")->focusPolicy(), Qt::NoFocus);
        QVERIFY(Find<QLineEdit>(dialog, "IdEdit")->isReadOnly());
        QVERIFY(Find<QComboBox>(dialog, "LevelComboBox")->isEditable());
        // Two lines: under the top band and above the buttons.
        int lines = 0;
        for (const QFrame* f : dialog.findChildren<QFrame*>())
            lines += f->frameShape() == QFrame::HLine;
        QCOMPARE(lines, 2);
        QVERIFY(Find<QPushButton>(dialog, "HelpBtn")->x() > Find<QPushButton>(dialog, "CancelBtn")->x() + 75);
    }

    void LevelListFollowsTheParent() {
        TUiTestFolder folder;
        const std::pair<int, QStringList> cases[] = {
            {0, {"1 - Subclass"}},
            {1, {"2 - Order"}},
            {2, {"3 - Suborder", "4 - Family"}},
            {3, {"4 - Family", "5 - Genus"}},
            {4, {"5 - Genus"}},
        };
        TFormAddBranch dialog; // one dialog for all: every Execute refills the list
        for (const auto& [level, entries] : cases) {
            const TTaxonomyData parent(std::string(size_t(level), '\t'), "p",
                                       "Parent " + std::to_string(level), "");
            TTaxonomyData data;
            QStringList seen;
            QString text, parentText;
            RunAdd(dialog, parent, data, [&](QDialog& d) {
                auto* box = Find<QComboBox>(d, "LevelComboBox");
                for (int i = 0; i < box->count(); ++i)
                    seen << box->itemText(i);
                text = box->currentText();
                parentText = Find<QLineEdit>(d, "ParentEdit")->text();
                return Click(d, "CancelBtn");
            });
            QCOMPARE(seen, entries);
            QCOMPARE(text, entries.front());
            QCOMPARE(parentText, QString::fromStdString(parent.Name()));
            QCOMPARE(data.Level(), level + 1);
        }
    }

    void NameGivesTheId() {
        TFormAddBranch dialog;
        auto* name = Find<QLineEdit>(dialog, "NameEdit");
        auto* id = Find<QLineEdit>(dialog, "IdEdit");
        const std::pair<QString, QString> cases[] = {
            {"[no named]", "(n/a)"},
            {"Aurex", "aurex"},
            {"[Aurex]", "(n/a)"},
            {"", "(n/a)"},
            {"(x", "(n/a)"},
            {"<x", "(n/a)"},
            {"{x", "(n/a)"},
            {"Tiv Major", "tiv major"},
            {"\u00C9clat", "\u00C9clat"}, // only A..Z fold, as ids everywhere else
        };
        for (const auto& [typed, expected] : cases) {
            name->setText(typed);
            QCOMPARE(id->text(), expected);
        }
        // "#" would split the tree line and control characters break it: they cannot be typed.
        name->clear();
        QTest::keyClicks(name, "Au#rex");
        QCOMPARE(name->text(), QString("Aurex"));
        QCOMPARE(id->text(), QString("aurex"));
    }

    void ExecuteWritesBackHoweverItCloses() {
        TUiTestFolder folder;
        TFormAddBranch dialog;
        TTaxonomyData data("\t\t\t\t\t", "g1", "", "");
        // Opening proposes "[no named]"; typing replaces it.
        QString proposed, proposedId;
        int result = RunAdd(dialog, Order, data, [&](QDialog& d) {
            proposed = Find<QLineEdit>(d, "NameEdit")->text();
            proposedId = Find<QLineEdit>(d, "IdEdit")->text();
            QTest::keyClicks(Find<QLineEdit>(d, "NameEdit"), "Aurex");
            Find<QLineEdit>(d, "InfoEdit")->setText("tall ones");
            Find<QComboBox>(d, "LevelComboBox")->setCurrentIndex(1);
            return Click(d, "AddBtn");
        });
        QCOMPARE(proposed, QString("[no named]"));
        QCOMPARE(proposedId, QString("(n/a)"));
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(data, TTaxonomyData("\t\t\t\t", "aurex", "Aurex", "tall ones"));

        // Closing with Escape writes back too.
        TTaxonomyData again("\t\t", "o1", "", "");
        result = RunAdd(dialog, Order, again, [](QDialog& d) {
            Find<QLineEdit>(d, "NameEdit")->setText("Half");
            QTest::keyClick(&d, Qt::Key_Escape);
            return d.result();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(again, TTaxonomyData("\t\t\t", "half", "Half", ""));
    }

    void UnusableLevelTakesTheFirstOffered() {
        TUiTestFolder folder;
        TFormAddBranch dialog;
        // Under an order: 3 and 4 are offered, 5 can be typed (a genus right under an order is a
        // valid tree); a level not below the order, past Genus, or none at all gives 3.
        const std::pair<QString, int> cases[] = {
            {"5", 5}, {"4 - Family", 4}, {"9 - Deep", 3}, {"2 - Order", 3}, {"0", 3}, {"", 3}, {"Family", 3}};
        for (const auto& [typed, level] : cases) {
            TTaxonomyData data;
            RunAdd(dialog, Order, data, [typed = typed](QDialog& d) {
                Find<QComboBox>(d, "LevelComboBox")->setEditText(typed);
                return Click(d, "AddBtn");
            });
            QVERIFY2(data.Level() == level, qPrintable(typed));
        }
    }

    void HelpOpensItsTopic() {
        TUiTestFolder folder;
        folder.Write("classify.hlp", "ORVANDEL-HELP 1\r\n#topic 1 Contents\r\nHello.\r\n"
                                     "#topic 1301 Adding tree items\r\nAdd.\r\n");
        TFormAddBranch dialog;
        QTest::mouseClick(Find<QPushButton>(dialog, "HelpBtn"), Qt::LeftButton);
        QCOMPARE(THelpViewer::Instance().CurrentTopic(), 1301);
        THelpViewer::Instance().hide();
    }

    void DeleteListIsEmptyWithoutUserFiles() {
        TUiTestFolder folder;
        folder.Write("genus.dat", "g1#A\r\n"); // not a user file
        TFormDeleteUserDB dialog;
        QCOMPARE(dialog.windowTitle(), QString("Delete User Databases"));
        QCOMPARE(dialog.size(), QSize(376, 153));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(Find<QLabel>(dialog, "SelectLabel")->text(),
                 QString("Select data file you want to delete from list below"));
        auto* list = Find<QTreeWidget>(dialog, "FileListView");
        QCOMPARE(list->topLevelItemCount(), 0);
        const QTreeWidgetItem* header = list->headerItem();
        QCOMPARE(QStringList({header->text(0), header->text(1), header->text(2)}),
                 QStringList({"Level", "File", "Items"}));
        QCOMPARE(QList<int>({list->columnWidth(0), list->columnWidth(1), list->columnWidth(2)}),
                 QList<int>({120, 93, 60}));
        auto* ok = Find<QPushButton>(dialog, "OKBtn");
        QCOMPARE(ok->text(), QString("&Delete"));
        QVERIFY(ok->isDefault());
        QVERIFY(!ok->isEnabled());
        QCOMPARE(Find<QPushButton>(dialog, "CancelBtn")->text(), QString("Cancel"));
    }

    void DeletesTheTickedFiles() {
        TUiTestFolder folder;
        folder.Write("usr_tree.dat", "#c1#C#\r\n\t\t#o1#O#\r\n");
        folder.Write("usr_order.dat", "o1#O\r\n");
        folder.Write("usr_genus.dat", "g1#G\r\n\t#a\r\n\t#b\r\n");
        ModifiedFiles.Clear();
        for (const char* name : {"usr_tree.dat", "usr_order.dat", "usr_genus.dat"})
            ModifiedFiles.Add(folder.Path(name));
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormDeleteUserDB", [&](QDialog& d) {
            auto* list = Find<QTreeWidget>(d, "FileListView");
            // Listed in the fixed order, unchecked, with their line counts.
            if (list->topLevelItemCount() != 3 ||
                Row(list, 0) != QStringList({"User Taxonomy", "usr_tree.dat", "2 lines"}) ||
                Row(list, 1) != QStringList({"Order", "usr_order.dat", "1 lines"}) ||
                Row(list, 2) != QStringList({"Genus", "usr_genus.dat", "3 lines"}) ||
                list->topLevelItem(0)->checkState(0) != Qt::Unchecked)
                return int(QDialog::Rejected);
            // Delete is offered as soon as there is a row, ticked or not.
            if (!Find<QPushButton>(d, "OKBtn")->isEnabled())
                return int(QDialog::Rejected);
            list->topLevelItem(0)->setCheckState(0, Qt::Checked);
            list->topLevelItem(2)->setCheckState(0, Qt::Checked);
            return Click(d, "OKBtn");
        });
        dialogs.ExpectMessage("Are you sure you want to delete all selected files?",
                              Mb::YesNo | Mb::IconQuestion, Mb::IdYes);
        dialogs.ExpectMessage("2 Files has been deleted", Mb::Ok | Mb::IconInformation, Mb::IdOk);
        QCOMPARE(RunDeleteUserDBDialog(), 2);
        CHECK_DIALOGS(dialogs);
        QVERIFY(!FileExists(folder.Path("usr_tree.dat")));
        QVERIFY(!FileExists(folder.Path("usr_genus.dat")));
        QVERIFY(FileExists(folder.Path("usr_order.dat")));
        QCOMPARE(ModifiedFiles.Items(), TStringList{folder.Path("usr_order.dat")});
        ModifiedFiles.Clear();
    }

    void AnsweringNoDeletesNothing() {
        TUiTestFolder folder;
        folder.Write("usr_class.dat", "c1#C\r\n");
        TScriptedDialogs dialogs;
        int closedWith = -1;
        dialogs.ExpectDialog("FormDeleteUserDB", [&](QDialog& d) {
            Find<QTreeWidget>(d, "FileListView")->topLevelItem(0)->setCheckState(0, Qt::Checked);
            closedWith = Click(d, "OKBtn");
            return closedWith;
        });
        dialogs.ExpectMessage("Are you sure", Mb::YesNo | Mb::IconQuestion, Mb::IdNo);
        dialogs.ExpectMessage("0 Files has been deleted", Mb::Ok | Mb::IconInformation, Mb::IdOk);
        QCOMPARE(RunDeleteUserDBDialog(), 0);
        CHECK_DIALOGS(dialogs);
        QCOMPARE(closedWith, int(QDialog::Accepted)); // the dialog closes after No too
        QVERIFY(FileExists(folder.Path("usr_class.dat")));
    }

    void AFileThatCannotGoIsReportedAndTheRestGoes() {
        TUiTestFolder folder;
        folder.Write("usr_class.dat", "c1#C\r\n");
        folder.Write("usr_family.dat", "f1#F\r\n");
        ModifiedFiles.Clear();
        ModifiedFiles.Add(folder.Path("usr_class.dat"));
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormDeleteUserDB", [&](QDialog& d) {
            auto* list = Find<QTreeWidget>(d, "FileListView");
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                list->topLevelItem(row)->setCheckState(0, Qt::Checked);
            // Between listing and deleting, another program puts a folder in the file's place.
            QFile::remove(QString::fromStdString(folder.Path("usr_class.dat")));
            QDir().mkpath(QString::fromStdString(folder.Path("usr_class.dat/inside")));
            return Click(d, "OKBtn");
        });
        dialogs.ExpectMessage("Are you sure", Mb::YesNo | Mb::IconQuestion, Mb::IdYes);
        dialogs.ExpectMessage(
            "Data file \"usr_class.dat\" could not be deleted. You may need to delete it manually.",
            Mb::IconError, Mb::IdOk);
        dialogs.ExpectMessage("1 Files has been deleted", Mb::Ok | Mb::IconInformation, Mb::IdOk);
        QCOMPARE(RunDeleteUserDBDialog(), 1);
        CHECK_DIALOGS(dialogs);
        QVERIFY(!FileExists(folder.Path("usr_family.dat")));
        QVERIFY(ModifiedFiles.Contains(folder.Path("usr_class.dat")));
        ModifiedFiles.Clear();
    }
};

QTEST_MAIN(TestTreeDialogs)
#include "test_ui_treedialogs.moc"
