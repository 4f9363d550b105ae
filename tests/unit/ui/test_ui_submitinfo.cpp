// The submit dialog: its texts and order, the submitter's details in options.ini, the pictures.
#include "Dialogs.h"
#include "Form_SubmitInfo.h"
#include "ScriptedDialogs.h"
#include "UiTestFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

template <class T> T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    if (!child)
        qFatal("no child %s", name);
    return child;
}

QStringList Texts(const TStringList& list) {
    QStringList texts;
    for (const std::string& s : list)
        texts << QString::fromStdString(s);
    return texts;
}

} // namespace

class TestSubmitInfo : public QObject {
    Q_OBJECT

private slots:
    void ShowsTheTextsInTheirOrder() {
        TUiTestFolder folder;
        TFormSubmitInfo dialog;
        QCOMPARE(dialog.objectName(), QString("FormSubmitInfo"));
        QCOMPARE(dialog.windowTitle(), QString("Information"));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize()); // fixed size
        QCOMPARE(
            Child<QLabel>(dialog, "LabelInfo")->text(),
            QString(
                "Please fill in your name and contactable e-mail address for Tovren to contact you later in "
                "case more information is needed."));
        QCOMPARE(Child<QLabel>(dialog, "NameLabel")->text(), QString("Your Name:"));
        QCOMPARE(Child<QLabel>(dialog, "EmailLabel")->text(), QString("Your E-mail:"));
        QCOMPARE(Child<QLabel>(dialog, "FileListLabel")->text(),
                 QString("Following data file(s) will be submited to Velmora server:"));
        QCOMPARE(
            Child<QLabel>(dialog, "ImagesLabel")->text(),
            QString(
                "Following images are attached to the data file being submited. Check the box in front of "
                "each item to allow the image to be uploaded."));
        auto* submit = Child<QPushButton>(dialog, "SubmitBtn");
        QCOMPARE(submit->text(), QString("Submit"));
        QVERIFY(submit->isDefault());
        QCOMPARE(Child<QPushButton>(dialog, "CancelBtn")->text(), QString("Cancel"));
        QVERIFY(Child<QPlainTextEdit>(dialog, "FileListMemo")->isReadOnly());

        // Tab order: name, e-mail, Submit, Cancel, data file list, picture list.
        const QStringList order = {"NameEdit",  "EmailEdit",    "SubmitBtn",
                                   "CancelBtn", "FileListMemo", "ImagesChkListBox"};
        QStringList seen;
        QWidget* w = Child<QWidget>(dialog, "NameEdit");
        for (int guard = 0; guard < 100 && seen.size() < order.size(); ++guard, w = w->nextInFocusChain())
            if (order.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
                seen << w->objectName();
        QCOMPARE(seen, order);
    }

    void RemembersNameAndEmailInOptions() {
        TUiTestFolder folder;
        folder.Write(
            "options.ini",
            "[Server]\r\nURL=http://host/\r\n[userinfo]\r\nname=Ann Reed\r\nEMAIL=ann@example.org\r\n");
        {
            TFormSubmitInfo dialog;
            QCOMPARE(dialog.UserName(), std::string("Ann Reed"));
            QCOMPARE(dialog.UserEmail(), std::string("ann@example.org"));
            QCOMPARE(Child<QLineEdit>(dialog, "NameEdit")->text(), QString("Ann Reed"));
            dialog.SetUserName("Bo Lind");
            Child<QLineEdit>(dialog, "EmailEdit")->clear();
            QTest::mouseClick(Child<QPushButton>(dialog, "SubmitBtn"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            // An empty box gets its default before the dialog closes.
            QCOMPARE(dialog.UserEmail(), std::string(MaintainerEmail));
        }
        const std::string ini = folder.Read("options.ini");
        QVERIFY(ini.find("URL=http://host/") != std::string::npos); // the rest of the file stays
        TFormSubmitInfo again;
        QCOMPARE(again.UserName(), std::string("Bo Lind"));
        QCOMPARE(again.UserEmail(), std::string(MaintainerEmail));
    }

    void SubmitsTheCheckedPicturesInOrder() {
        TUiTestFolder folder;
        const TStringList files = {folder.Path("usr_genus.dat"), folder.Path("usr_tree.dat"),
                                   folder.Path("caf\xE9/usr_class.dat")};
        const TStringList pictures = {"velka.gif", "morro.jpg", "velka.gif", "tiv\xE9.jpg"};
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormSubmitInfo", [&](QDialog& d) {
            auto& dialog = static_cast<TFormSubmitInfo&>(d);
            // Every picture is listed, checked, duplicates included.
            auto* list = Child<QListWidget>(dialog, "ImagesChkListBox");
            if (list->count() != 4)
                return int(QDialog::Rejected);
            for (int row = 0; row < list->count(); ++row)
                if (list->item(row)->checkState() != Qt::Checked)
                    return int(QDialog::Rejected);
            if (Child<QPlainTextEdit>(dialog, "FileListMemo")->toPlainText().count('\n') != 2)
                return int(QDialog::Rejected);
            list->item(1)->setCheckState(Qt::Unchecked);
            dialog.SetUserName("Cy");
            dialog.SetUserEmail("cy@example.org");
            QTest::mouseClick(Child<QPushButton>(dialog, "SubmitBtn"), Qt::LeftButton);
            return dialog.result();
        });
        const TSubmitInfoResult result = RunSubmitDialog(files, pictures);
        QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
        QVERIFY(result.Accepted);
        QCOMPARE(result.Name, std::string("Cy"));
        QCOMPARE(result.Email, std::string("cy@example.org"));
        QCOMPARE(Texts(result.CheckedImageNames), Texts({"velka.gif", "velka.gif", "tiv\xE9.jpg"}));
        const std::string images = folder.Folder() + "images/";
        // Pictures first, then the data files, every byte as given.
        QCOMPARE(Texts(result.UploadList()), Texts({images + "velka.gif", images + "velka.gif",
                                                    images + "tiv\xE9.jpg", files[0], files[1], files[2]}));
    }

    void AnswerWithoutTheButtonStillGetsDefaults() {
        TUiTestFolder folder;
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormSubmitInfo", [](QDialog&) { return int(QDialog::Accepted); });
        const TSubmitInfoResult result = RunSubmitDialog({folder.Path("usr_tree.dat")}, {});
        QVERIFY(result.Accepted);
        QCOMPARE(result.Name, std::string(NoNameText));
        QCOMPARE(result.Email, std::string(MaintainerEmail));
        QVERIFY(result.CheckedImageFiles.empty());
        QCOMPARE(Texts(result.UploadList()), Texts({folder.Path("usr_tree.dat")}));
        QVERIFY(folder.Read("options.ini").find("Name=[NoName]") != std::string::npos);
    }

    void CancelAndEscapeChangeNothing() {
        TUiTestFolder folder;
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormSubmitInfo", [](QDialog& dialog) {
            Child<QLineEdit>(dialog, "NameEdit")->setText("Typed");
            QTest::mouseClick(Child<QPushButton>(dialog, "CancelBtn"), Qt::LeftButton);
            return dialog.result();
        });
        dialogs.ExpectDialog("FormSubmitInfo", [](QDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        for (int i = 0; i < 2; ++i) {
            const TSubmitInfoResult result = RunSubmitDialog({folder.Path("usr_genus.dat")}, {"a.gif"});
            QVERIFY(!result.Accepted);
            QVERIFY(result.UploadList().empty());
            QVERIFY(result.Name.empty());
        }
        QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
        QVERIFY(!FileExists(folder.Path("options.ini")));
    }

    void AnUnwritableOptionsFileIsReportedButSubmits() {
        TUiTestFolder folder;
        // A folder where options.ini should be: the file cannot be replaced.
        QVERIFY(QDir().mkpath(QString::fromStdString(folder.Path("options.ini"))));
        TScriptedDialogs dialogs;
        dialogs.ExpectDialog("FormSubmitInfo", [](QDialog& dialog) {
            QTest::mouseClick(Child<QPushButton>(dialog, "SubmitBtn"), Qt::LeftButton);
            return dialog.result();
        });
        dialogs.ExpectMessage("options.ini", Mb::IconError, Mb::IdOk);
        const TSubmitInfoResult result = RunSubmitDialog({folder.Path("usr_tree.dat")}, {});
        QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
        QVERIFY(result.Accepted);
        QCOMPARE(result.Name, std::string(NoNameText));
    }
};

QTEST_MAIN(TestSubmitInfo)
#include "test_ui_submitinfo.moc"
