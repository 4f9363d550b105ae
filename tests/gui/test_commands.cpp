// Commands of the Database and Help menus that work on local files: statistics and help.
#include "AppState.h"
#include "Form_HelpViewer.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "MainCommands.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>
#include <QtTest>

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void StatisticReportsEveryLevel();
    void HelpOpensContentsAndWhatsNew();
    void BrowserAddresses();
    void CaptionsAndPlacementAsSpecified();
};

void TestCommands::StatisticReportsEveryLevel() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.WriteCurrentOptions(EncodeDate(2026, 11, 30));
    // Two genera, five species, three empty lines; the user's genus is not counted.
    fx.Write("genus.dat", "g1#A\r\n\t#a\r\n\t#b\r\n\r\ng2#B\r\n\t#c\r\n\r\n\t#d\r\n\t#e\r\n\r\n");
    fx.Write("usr_genus.dat", "g3#C\r\n\t#f\r\n");
    fx.Remove("family.dat");
    TScriptedDialogs dialogs;
    TFormMain w;
    const QString date = QLocale().toString(QDate(2026, 11, 30), "dddd d, MMMM, yyyy");
    dialogs.ExpectMessage(
        "Your Taxonomy tree was last updated in " + date +
            ".\nYour database files contain:\n\n\t2 Class(s)\n\t0 Subclass(s)\n\t2 Order(s)\n"
            "\t0 Suborder(s)\n\t0 Family(s)\n\t2 Genus(s)\n\t5 Species(s)",
        64, 1);
    w.Action(TAction::DBStatistic)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Captions, QStringList({"Local Database Statistic"}));
    QVERIFY(dialogs.Messages.back().endsWith("\t5 Species(s)"));
    QCOMPARE(w.statusBar()->currentMessage(), QString("Ready"));
}

void TestCommands::HelpOpensContentsAndWhatsNew() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    fx.Write("classify.hlp",
             "ORVANDEL-HELP 1\r\n#topic 1 Contents\r\nSee {{502|news}}.\r\n"
             "#topic 502 What's new\r\nNew things.\r\n#topic 1301 Adding tree items\r\nAdd.\r\n");
    TScriptedDialogs dialogs;
    TFormMain w;
    w.Action(TAction::HelpContents)->trigger();
    QVERIFY(THelpViewer::Exists());
    QCOMPARE(THelpViewer::Instance().CurrentTopic(), 1);
    w.Action(TAction::HelpWhatsNew)->trigger();
    QCOMPARE(THelpViewer::Instance().CurrentTopic(), 502);
    QCOMPARE(w.Action(TAction::HelpContents)->shortcut(), QKeySequence(Qt::Key_F1));
    CHECK_DIALOGS(dialogs);
    THelpViewer::Instance().hide();
}

void TestCommands::BrowserAddresses() {
    TGuiFixture fx;
    Options.URL = "http://127.0.0.1:8642/";
    NetPaths.SurveyPage = "velmora/survey.html";
    NetPaths.SubmitPage = "velmora/suggest.html?subject=%s";
    QCOMPARE(SurveyAddress(), std::string("http://127.0.0.1:8642/velmora/survey.html"));
    QCOMPARE(SuggestionAddress(),
             std::string("http://127.0.0.1:8642/velmora/suggest.html?subject=[QXClassify] Suggestion"));
    NetPaths.SubmitPage = "velmora/suggest.html";
    QCOMPARE(SuggestionAddress(), std::string("http://127.0.0.1:8642/velmora/suggest.html"));
}

void TestCommands::CaptionsAndPlacementAsSpecified() {
    ConfigureApplication();
    // A window's caption reaches the screen as it is, without the program's name added.
    QWidget dialog;
    dialog.setWindowTitle("Change Server Address");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowHandle()->title(), QString("Change Server Address"));

    // The main window is in its place before start-up shows anything over it.
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((w.geometry().center() - centre).manhattanLength() <= 2);
}

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
