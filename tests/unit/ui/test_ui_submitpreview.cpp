// The submission preview, opened from the submit dialog: what each record and picture will be.
#include "Dialogs.h"
#include "Form_SubmitInfo.h"
#include "Form_SubmitPreview.h"
#include "ScriptedDialogs.h"
#include "UiTestFolder.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

namespace {
// Every row of the preview, indented by its depth: "item | before | after".
QStringList Rows(const QTreeWidget* tree) {
    QStringList rows;
    std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item, int depth) {
        QString row = QString(depth * 2, ' ') + item->text(0);
        if (!item->text(1).isEmpty() || !item->text(2).isEmpty())
            row += " | " + item->text(1) + " | " + item->text(2);
        rows << row;
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i), 0);
    return rows;
}
} // namespace

class TestSubmitPreview : public QObject {
    Q_OBJECT
private slots:
    void ShowsEachRecordAgainstTheLocalDatabase() {
        TUiTestFolder folder;
        folder.Write("genus.dat", "g1#Alpha#first#Old text.#land#Alpha korvel#a.gif#####\r\n"
                                  "g2#Beta#second#B.#water##-#####\r\n");
        folder.Write("usr_genus.dat", "g1#Alpha#first#New text.|Two lines.#land#Alpha korvel#a.gif#####\r\n"
                                      "\t#Alpha minor#small#\r\n"
                                      "g2#Beta#second#B.#water##-#####\r\n"
                                      "g9#Novus#new#N.#air##b.gif#####\r\n");
        QDir().mkpath(QString::fromStdString(folder.Path("images")));
        folder.Write("images/a.gif", "GIF89a");
        folder.Write("images/b.gif", "GIF89a");
        folder.Write("usr_tree.dat", "#c1#Korvelia#k\r\n\t\t#o2#Secunda#s\r\n");
        const std::string before = folder.Read("usr_genus.dat");

        TScriptedDialogs dialogs;
        QStringList rows;
        dialogs.ExpectDialog("FormSubmitInfo", [&](QDialog& dialog) {
            dialog.findChild<QListWidget*>("ImagesChkListBox")->item(1)->setCheckState(Qt::Unchecked);
            dialogs.ExpectDialog("FormSubmitPreview", [&](QDialog& preview) {
                rows = Rows(static_cast<TFormSubmitPreview&>(preview).Tree());
                return int(QDialog::Accepted);
            });
            QTest::mouseClick(dialog.findChild<QPushButton*>("PreviewBtn"), Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        const TSubmitInfoResult result = RunSubmitDialog(
            {folder.Path("usr_genus.dat"), folder.Path("usr_tree.dat"), folder.Path("usr_class.dat")},
            {"a.gif", "b.gif"});
        CHECK_DIALOGS(dialogs);
        QVERIFY(!result.Accepted);
        QCOMPARE(rows, QStringList({
                           "usr_genus.dat: 1 added, 1 changed, 1 unchanged",
                           "  Changed: g1 Alpha",
                           "    Description | Old text. | New text. / Two lines.",
                           "    Species Alpha minor |  | small",
                           "  Unchanged: g2 Beta",
                           "  Added: g9 Novus",
                           "  Pictures",
                           "    a.gif |  | sent",
                           "    b.gif |  | not sent: unchecked",
                           "usr_tree.dat: 2 line(s) placing the branches you added in the tree",
                           "  Class Korvelia (k)",
                           "  Order Secunda (s)",
                           "usr_class.dat: the file is missing and cannot be sent",
                       }));
        QCOMPARE(folder.Read("usr_genus.dat"), before);
    }
};

QTEST_MAIN(TestSubmitPreview)
#include "test_ui_submitpreview.moc"
