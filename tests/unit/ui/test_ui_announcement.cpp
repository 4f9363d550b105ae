// The announcement window and the display step of Check Announcement.
#include "Dialogs.h"
#include "Form_Announcement.h"
#include "ScriptedDialogs.h"
#include "UiTestFolder.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestAnnouncement : public QObject {
    Q_OBJECT

private slots:
    // Runs first: the window must not exist before anything was shown.
    void MissingFileShowsTheErrorAndNoWindow() {
        TUiTestFolder folder;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(
            "Announcement could not be displayed. You have not checked for announcement yet.", Mb::IconError,
            Mb::IdOk);
        QVERIFY(!ShowAnnouncement());
        QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
        QCOMPARE(dialogs.Messages.size(), 1);
        QCOMPARE(dialogs.Messages[0],
                 QString("Announcement could not be displayed. You have not checked for announcement yet."));
        QVERIFY(!TFormAnnouncement::Exists());
    }

    void ShowsTheFileInOneKeptWindow() {
        TUiTestFolder folder;
        // Line ends of any kind; a line in Latin-1 does not spoil the others.
        folder.Write("Announcement.txt", "Velmora news\r\n\r\nNew genera: 3\nCaf\xE9 open\rlast line");
        QVERIFY(ShowAnnouncement());
        QVERIFY(TFormAnnouncement::Exists());
        TFormAnnouncement& window = TFormAnnouncement::Instance();
        QCOMPARE(window.objectName(), QString("QXAnnouncement"));
        QCOMPARE(window.windowTitle(), QString("QXAnnouncement"));
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(window.size(), QSize(384, 220));
        QCOMPARE(window.minimumSize(), QSize(256, 88));

        auto* memo = window.findChild<QPlainTextEdit*>("MessageMemo");
        auto* close = window.findChild<QPushButton*>("CloseBtn");
        QVERIFY(memo && close);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->toPlainText(), QString("Velmora news\n\nNew genera: 3\nCaf\u00e9 open\nlast line"));
        QCOMPARE(close->text(), QString("Close"));

        // Close only hides; the next check reuses the window with the new text.
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        folder.Write("Announcement.txt", "Second news\r\n");
        QVERIFY(ShowAnnouncement());
        QCOMPARE(&TFormAnnouncement::Instance(), &window);
        QVERIFY(window.isVisible());
        QCOMPARE(memo->toPlainText(), QString("Second news"));

        // Checking again while it is visible replaces the text in place.
        folder.Write("Announcement.txt", "");
        QVERIFY(ShowAnnouncement());
        QVERIFY(window.isVisible());
        QCOMPARE(memo->toPlainText(), QString());

        // Escape hides it as Close does.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QVERIFY(TFormAnnouncement::Exists());
    }

    void FirstShowingIsCentredOnTheGivenWindow() {
        TUiTestFolder folder;
        folder.Write("Announcement.txt", "news\r\n");
        // A fresh window, so that its first showing can be seen.
        TFormAnnouncement window;
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        window.SetMessageLines({"news"});
        window.ShowMessage(&owner);
        const QPoint offset = window.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
        // Later showings keep where the user put it.
        window.hide();
        window.move(10, 10);
        window.ShowMessage(&owner);
        QCOMPARE(window.pos(), QPoint(10, 10));
    }
};

QTEST_MAIN(TestAnnouncement)
#include "test_ui_announcement.moc"
