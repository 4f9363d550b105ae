// Transfers that no click can break: the selection moving, keys, a modal opened while the server
// is slow, and cancelling.
#include "AppState.h"
#include "Constants.h"
#include "Dates.h"
#include "E2eSupport.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "Global.h"
#include "RelatedLinks.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const std::string Tree = "#c1#Korvelia#the korvels\r\n"
                         "\t\t\t\t\t#g1#Alpha#first\r\n"
                         "\t\t\t\t\t#g2#Beta#second\r\n";
const std::string Genus = "g1#Alpha#first#Alpha#Hopper#Alpha korvel#alpha.gif#####alpha\r\n"
                          "g2#Beta#second#Beta#Glider#Beta korvel#beta.jpg#####beta\r\n";

void FillProgram(TE2eProgram& fx, const TScriptServer& server) {
    fx.WriteServerProgramFiles();
    fx.Write(TreeFileName, Tree);
    fx.Write("class.dat", "c1#Korvelia#the korvels#A class\r\n");
    fx.Write("genus.dat", Genus);
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
}

const QString NetworkFailure =
    "Network connection failure or file you requested could not be found on the server";

std::string Picture() {
    const QByteArray gif = ReadBytes(ShippedData() + "images/aurovelis.gif");
    return std::string(gif.constData(), static_cast<size_t>(gif.size()));
}

} // namespace

class TestTransferSafety : public QObject {
    Q_OBJECT
private slots:
    void DownloadImageSurvivesSelectionAndKeys();
    void ModalOpenedDuringTransferDoesNotTimeOut();
    void CancelTransferKeepsFilesSilently();
    void StartUpRefreshStopsOnEscAndQuit();
    void EmptyOrPartialRepliesKeepTheFiles();
};

void TestTransferSafety::DownloadImageSurvivesSelectionAndKeys() {
    TScriptServer server(
        {{Reply("200 OK", {}, "news"), false, 0}, {Reply("200 OK", {}, Picture()), false, 600}});
    TE2eProgram fx;
    FillProgram(fx, server);
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    QVERIFY(!fx.Exists("images/alpha.gif"));

    bool treeTookInput = true, statisticEnabled = true, linkTookClick = true;
    QTimer::singleShot(200, &w, [&] {
        // Something selects another branch while the picture is coming; keys and the mouse do
        // nothing, and no command but closing and cancelling can start.
        QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g2"));
        QTest::keyClick(TFormMainTestAccess::TaxonomyTreeView(w), Qt::Key_Up);
        treeTookInput = w.SelectedNode()->Id() != "g2";
        // A related link takes no click either.
        TFormMainTestAccess::RelatedLinks(w)->AddRelatedLink("Korvelia", 0, QString(), "c1");
        TFormMainTestAccess::RelatedLinks(w)->ShowRelatedLinks(true);
        QTreeWidget* links = TFormMainTestAccess::RelatedLinks(w)->List();
        QTest::mouseClick(links->viewport(), Qt::LeftButton, {},
                          links->visualItemRect(links->topLevelItem(0)).center());
        linkTookClick = w.SelectedNode()->Id() != "g2";
        statisticEnabled =
            w.Action(TAction::DBStatistic)->isEnabled() || w.Action(TAction::HelpContents)->isEnabled();
        QVERIFY(w.Action(TAction::DBCancelTransfer)->isEnabled());
        QVERIFY(w.Action(TAction::DBExit)->isEnabled());
    });
    w.Action(TAction::DBReloadImage)->trigger();
    CHECK_DIALOGS(dialogs); // no "Image file error" about the branch selected meanwhile
    QVERIFY(!treeTookInput);
    QVERIFY(!linkTookClick);
    QVERIFY(!statisticEnabled);
    QCOMPARE(fx.Bytes("images/alpha.gif"), ReadBytes(ShippedData() + "images/aurovelis.gif"));
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Id, std::string("g2"));
    QVERIFY(Find<QLabel>(w, "InfoImage")->pixmap().isNull()); // Beta has no picture here
    QVERIFY(!Find<QPushButton>(w, "ShowImageBtn")->isHidden());
    QVERIFY(w.Action(TAction::DBStatistic)->isEnabled());
    QVERIFY(!w.Action(TAction::DBCancelTransfer)->isEnabled());
}

void TestTransferSafety::ModalOpenedDuringTransferDoesNotTimeOut() {
    TScriptServer server(
        {{Reply("200 OK", {}, "news"), false, 0}, {Reply("200 OK", {}, Picture()), false, 50}});
    TE2eProgram fx;
    FillProgram(fx, server);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    TFormMainTestAccess::Http(w).TimeOut = 200;
    // A dialog's own event loop, run from the wait hook, stays open longer than the time-out.
    QTimer::singleShot(10, &w, [] {
        QEventLoop modal;
        QTimer::singleShot(700, &modal, &QEventLoop::quit);
        modal.exec();
    });
    w.Action(TAction::DBReloadImage)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Bytes("images/alpha.gif"), ReadBytes(ShippedData() + "images/aurovelis.gif"));
    QVERIFY(!Find<QLabel>(w, "InfoImage")->pixmap().isNull());
}

void TestTransferSafety::CancelTransferKeepsFilesSilently() {
    // Part of the tree comes, then nothing: the status line shows what arrived, and Esc ends the
    // refresh before the rest.
    TScriptServer server(
        {{Reply("200 OK", {}, "news"), false, 0},
         {Reply("200 OK", {"Content-Length: 100000"}, std::string(100000, '#')), false, 300, 30000}});
    TE2eProgram fx;
    FillProgram(fx, server);
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    CHECK_DIALOGS(dialogs);
    const std::string tree = fx.Read(TreeFileName);
    QString progress, waiting = "not read";
    bool barShown = false, readable = false;
    // While the tree's request waits, the announcement's figures are gone.
    QTimer::singleShot(150, &w, [&] { waiting = Find<QLabel>(w, "TransferProgressLabel")->text(); });
    QTimer::singleShot(600, &w, [&] {
        progress = Find<QLabel>(w, "TransferProgressLabel")->text();
        barShown = Find<QWidget>(w, "TransferProgressBar")->isVisible();
        // Input is blocked, yet nothing is greyed out.
        readable = Find<QWidget>(w, "MainPageControl")->isEnabled() &&
                   TFormMainTestAccess::TaxonomyTreeView(w)->isEnabled();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    QElapsedTimer clock;
    clock.start();
    w.Action(TAction::DBRefresh)->trigger();
    QVERIFY(clock.elapsed() < 5000);
    CHECK_DIALOGS(dialogs); // silent
    QCOMPARE(fx.Read(TreeFileName), tree);
    QCOMPARE(RequestLines(server).size(), 2); // nothing asked after the cancelled download
    QVERIFY(w.isVisible());
    QVERIFY2(progress.contains(" of "), qPrintable(progress));
    QCOMPARE(waiting, QString());
    QVERIFY(barShown);
    QVERIFY(readable);
    QVERIFY(!Find<QWidget>(w, "TransferProgressBar")->isVisible());
    QVERIFY(Find<QLabel>(w, "TransferProgressLabel")->text().isEmpty());
    QVERIFY(w.Action(TAction::DBRefresh)->isEnabled());
    QCOMPARE(w.Tree().Count(), size_t(3));
}

void TestTransferSafety::StartUpRefreshStopsOnEscAndQuit() {
    // The window is not shown yet while start-up refreshes; a server that accepts and then says
    // nothing (or one byte now and then) must not hold the program on its splash.
    for (const bool byEsc : {true, false}) {
        TScriptServer server({{std::string(), true, 0}});
        TE2eProgram fx;
        FillProgram(fx, server);
        fx.Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nURL=" + server.Url("/") +
                                    "\r\nId=7\r\nLastUpdate=" + FormatShortDate(Today() - 40) + "\r\n");
        const QByteArray tree = fx.Bytes(TreeFileName);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage("has not been updated since", 36, 6);
        QWidget elsewhere;
        // The splash holds the keyboard while start-up waits: Esc reaches it whatever has the focus.
        auto* splash = new TFormSplash;
        splash->show();
        const QPointer<TFormSplash> splashLeft(splash);
        const QWidget* keysHolder = nullptr;
        QTimer stop;
        QObject::connect(&stop, &QTimer::timeout, [&] {
            keysHolder = QWidget::keyboardGrabber();
            if (byEsc)
                QTest::keyClick(&elsewhere, Qt::Key_Escape);
            else
                RequestQuit(); // what SIGTERM and SIGINT do
        });
        stop.start(300);
        QElapsedTimer clock;
        clock.start();
        {
            TFormMain w(splash);
            QVERIFY2(clock.elapsed() < 5000, byEsc ? "Esc" : "quit");
            stop.stop();
            QCOMPARE(w.Tree().Count(), size_t(3)); // the files it had
            QCOMPARE(keysHolder, static_cast<const QWidget*>(splash));
            QVERIFY(!QWidget::keyboardGrabber());
        }
        delete splashLeft.data();
        CHECK_DIALOGS(dialogs); // stopped silently
        QCOMPARE(fx.Bytes(TreeFileName), tree);
        const QStringList left = QDir(fx.Folder()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : left)
            QVERIFY2(!name.contains("~tmp"), qPrintable(name));
    }
}

void TestTransferSafety::EmptyOrPartialRepliesKeepTheFiles() {
    // The tree comes back empty (204) and every database in part (206): each is reported as a
    // download that failed, and every file stays as it was.
    TScriptServer server({{Reply("200 OK", {}, "news")},
                          {Reply("204 No Content", {}, "")},
                          {Reply("206 Partial Content", {"Content-Range: bytes 0-4/900"}, "c1#Ko")}});
    TE2eProgram fx;
    FillProgram(fx, server);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    const std::string tree = fx.Read(TreeFileName), classes = fx.Read("class.dat"),
                      genus = fx.Read("genus.dat");
    for (int i = 0; i < 7; ++i)
        dialogs.ExpectMessage(NetworkFailure, 16, 1);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(RequestLines(server).size(), 8);
    QCOMPARE(fx.Read(TreeFileName), tree);
    QCOMPARE(fx.Read("class.dat"), classes);
    QCOMPARE(fx.Read("genus.dat"), genus);
    QVERIFY(!fx.Exists("order.dat")); // no database is made from a fragment
    QCOMPARE(w.Tree().Count(), size_t(3));
}

QTEST_MAIN(TestTransferSafety)
#include "test_transfer_safety.moc"
