// Page transfer against scripted loopback servers and the reference server: the user id
// handshake, the once-per-run announcement, failed downloads, posting, and the off-line gate.
#include "E2eSupport.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "PageTransfer.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QtTest>

namespace {

const QString NetworkFailure =
    "Network connection failure or file you requested could not be found on the server";
const QString ConversionError = "Data convertion error while obtaining user id";
const QString NewId = "GET /velmora/usercontrol?cmd=newid&file=";
const QString GetNews = "GET /velmora/usercontrol?cmd=getnews&file=";
const QString TreeRequest = "GET /velmora/data/classifytree.dat";

TScriptStep Ok(const std::string& body) {
    return {Reply("200 OK", {}, body)};
}
TScriptStep NotFound(const std::string& body) {
    return {Reply("404 Not Found", {}, body)};
}

// A page transfer with its boxes and status texts recorded instead of shown.
struct TPages {
    TNMHTTP Http;
    TPageTransfer Pages{Http};
    QStringList Boxes;
    QStringList Status;
    int Answer = 7; // No

    TPages() {
        Http.TimeOut = 3000;
        Pages.ErrorBox = [this](const std::string& text) { Boxes << QString::fromStdString(text); };
        Pages.MessageBox = [this](const std::string& text, int) {
            Boxes << QString::fromStdString(text);
            return Answer;
        };
        SetStatusHook([this](const std::string& text) { Status << QString::fromStdString(text); });
    }
    ~TPages() { SetStatusHook({}); }
};

// A folder with the program files, loaded as at start-up.
void PrepareProgram(TE2eProgram& fx, const QString& url) {
    fx.WriteServerProgramFiles();
    LoadProgramFiles();
    Options.URL = url.toStdString();
}

// A loopback port on which nothing listens.
QString RefusingUrl() {
    TScriptServer probe({Ok("")});
    return QString::fromStdString(probe.Url("/"));
}

} // namespace

class TestPageTransfer : public QObject {
    Q_OBJECT
private slots:
    void HandshakeBeforeFirstDownload();
    void HandshakeWithReferenceServer();
    void UserIdReplyThatIsNoNumber();
    void FailedDownloadsKeepFilesAndRefusalAborts();
    void PostAcceptsOnlyExactSuccess();
    void GoOnlineQuestionOncePerCommand();
};

void TestPageTransfer::HandshakeBeforeFirstDownload() {
    for (const char* reply : {"a=42", "id: 42", "42"}) {
        TE2eProgram fx;
        // The first tree download fails: the id must be on disk already.
        TScriptServer server(
            {Ok(reply), Ok("News\r\nline 2\r\n"), NotFound("<html>gone</html>"), Ok("tree\r\n")});
        PrepareProgram(fx, QString::fromStdString(server.Url("/")));
        TPages p;
        const std::string destination = AppFile("new/folder/classifytree.dat");
        p.Pages.GetPage(NetPaths.TaxonomyDb, destination);
        QCOMPARE(Options.Id, 42);
        QVERIFY2(QString::fromStdString(fx.Read("options.ini")).contains("Id=42"), reply);
        QCOMPARE(p.Boxes, QStringList{NetworkFailure});
        QVERIFY(!fx.Exists("new/folder/classifytree.dat"));
        QCOMPARE(fx.Read("Announcement.txt"), std::string("News\r\nline 2\r\n"));
        QVERIFY(p.Pages.AnnouncementChecked());
        QVERIFY(p.Pages.AnnouncementPending());
        QCOMPARE(p.Status, QStringList({"Receiving user Id...", "Continue downloading file...",
                                        "Checking Velmora Announcement...", "Continue downloading file..."}));

        // Later downloads of the run go straight to the file, into the folder made before.
        p.Pages.SetAnnouncementPending(false);
        p.Pages.GetPage(NetPaths.TaxonomyDb, destination);
        QCOMPARE(fx.Read("new/folder/classifytree.dat"), std::string("tree\r\n"));
        QVERIFY(!p.Pages.AnnouncementPending());
        QCOMPARE(RequestLines(server), QStringList({NewId, GetNews, TreeRequest, TreeRequest}));
    }
}

void TestPageTransfer::HandshakeWithReferenceServer() {
    TVelmora velmora;
    velmora.SetNews("Velmora is open.\r\n");
    velmora.WriteData("classifytree.dat", "#c1#Korvelia#the korvels\r\n");
    velmora.Start();
    TE2eProgram fx;
    PrepareProgram(fx, velmora.Url());
    TPages p;
    // An empty path runs the handshake only.
    p.Pages.GetPage(std::string(), std::string());
    QCOMPARE(Options.Id, 1);
    QCOMPARE(fx.Read("Announcement.txt"), std::string("Velmora is open.\r\n"));
    QCOMPARE(velmora.WaitForRequests(2), QStringList({NewId, GetNews}));
    p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName));
    QCOMPARE(fx.Bytes(TreeFileName), velmora.Data(TreeFileName));
    QCOMPARE(velmora.SettledRequests(), QStringList({NewId, GetNews, TreeRequest}));
    QVERIFY(p.Boxes.isEmpty());
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("Id=1"));
}

void TestPageTransfer::UserIdReplyThatIsNoNumber() {
    const std::vector<TScriptStep> bad = {Ok("42\r\n"), Ok("42\r\nabc"), Ok(""), Ok("id=4x2"),
                                          // An error page must not hand out its status as an id.
                                          NotFound("Error 404")};
    for (const TScriptStep& first : bad) {
        TE2eProgram fx;
        TScriptServer server({first, Ok("id=9"), Ok("News\r\n"), Ok("tree\r\n")});
        PrepareProgram(fx, QString::fromStdString(server.Url("/")));
        TPages p;
        p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName));
        const QString what = QString::fromStdString(first.Reply);
        QStringList expected{ConversionError};
        if (what.startsWith("HTTP/1.0 404"))
            expected.prepend(NetworkFailure);
        QVERIFY2(p.Boxes == expected, qPrintable(what + ": " + p.Boxes.join(" | ")));
        // Nothing else was fetched and no id was stored.
        QCOMPARE(RequestLines(server), QStringList{NewId});
        QCOMPARE(Options.Id, -1);
        QVERIFY(!QString::fromStdString(fx.Read("options.ini")).contains("Id="));
        QVERIFY(!p.Pages.AnnouncementChecked());
        QVERIFY(!fx.Exists("Announcement.txt"));
        QVERIFY(!fx.Exists(TreeFileName));
        // The next download asks again.
        p.Boxes.clear();
        p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName));
        QVERIFY(p.Boxes.isEmpty());
        QCOMPARE(Options.Id, 9);
        QCOMPARE(RequestLines(server), QStringList({NewId, NewId, GetNews, TreeRequest}));
        QCOMPARE(fx.Read(TreeFileName), std::string("tree\r\n"));
    }
}

void TestPageTransfer::FailedDownloadsKeepFilesAndRefusalAborts() {
    TE2eProgram fx;
    TScriptServer server({NotFound("Not here")});
    PrepareProgram(fx, QString::fromStdString(server.Url("/")));
    Options.Id = 5;
    fx.Write(TreeFileName, "OLD\r\n");
    const QStringList before = QDir(fx.Folder()).entryList(QDir::Files);
    TPages p;
    p.Pages.SetAnnouncementChecked(true);
    p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName));
    QCOMPARE(p.Boxes, QStringList{NetworkFailure});
    QCOMPARE(fx.Read(TreeFileName), std::string("OLD\r\n"));
    // No half-written or temporary file is left beside it.
    QCOMPARE(QDir(fx.Folder()).entryList(QDir::Files), before);

    // A refused connection is reported once and ends the command silently.
    Options.URL = RefusingUrl().toStdString();
    p.Boxes.clear();
    p.Status.clear();
    QVERIFY_THROWS_EXCEPTION(EGetPageFail, p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName)));
    QCOMPARE(p.Boxes, QStringList{NetworkFailure});
    QCOMPARE(p.Status.last(), QString("Ready"));
    QCOMPARE(fx.Read(TreeFileName), std::string("OLD\r\n"));
    QCOMPARE(QString(EGetPageFail().what()), NetworkFailure);
    EGetPageFail fail;
    QVERIFY(dynamic_cast<EAbort*>(&fail));

    // The same during the handshake: the steps after it are skipped, no id is stored.
    Options.Id = -1;
    p.Pages.SetAnnouncementChecked(false);
    p.Boxes.clear();
    QVERIFY_THROWS_EXCEPTION(EGetPageFail, p.Pages.GetPage(NetPaths.TaxonomyDb, AppFile(TreeFileName)));
    QCOMPARE(p.Boxes, QStringList{NetworkFailure});
    QCOMPARE(Options.Id, -1);
    QVERIFY(!p.Pages.AnnouncementChecked());
    QVERIFY(!fx.Exists("Announcement.txt"));
}

void TestPageTransfer::PostAcceptsOnlyExactSuccess() {
    TE2eProgram fx;
    TScriptServer server({Ok("SUCCESS"), Ok("SUCCESS\r\n"), Ok("success"), NotFound("nope")});
    PrepareProgram(fx, QString::fromStdString(server.Url("/")));
    const std::string bytes("a\0b\r\nc\xff\n", 9);
    fx.Write("usr_class.dat", bytes);
    TPages p;
    const std::string path = "velmora/usercontrol?cmd=submitdb&file=usr_class.dat";
    QVERIFY(p.Pages.PostPage(path, AppFile("usr_class.dat")));
    QVERIFY(p.Boxes.isEmpty());
    QVERIFY(!p.Pages.PostPage(path, AppFile("usr_class.dat")));
    QVERIFY(!p.Pages.PostPage(path, AppFile("usr_class.dat")));
    // An error status is reported through the reply check only, not as a network failure.
    QVERIFY(!p.Pages.PostPage(path, AppFile("usr_class.dat")));
    const QString failed = "Submit notification sending failed with following message:\n\n";
    QCOMPARE(p.Boxes, QStringList({failed + "SUCCESS\r\n", failed + "success", failed + "nope"}));
    const std::vector<std::string> requests = server.Requests();
    QCOMPARE(requests.size(), size_t(4));
    for (const std::string& r : requests) {
        QVERIFY(r.rfind("POST /" + path + " HTTP/1.0\r\n", 0) == 0);
        QCOMPARE(RequestBody(r), Bytes(bytes));
    }

    // A file that cannot be opened and a network failure reach the caller unchanged.
    p.Boxes.clear();
    QVERIFY_THROWS_EXCEPTION(EFOpenError, p.Pages.PostPage(path, AppFile("usr_genus.dat")));
    Options.URL = RefusingUrl().toStdString();
    QVERIFY_THROWS_EXCEPTION(ESockError, p.Pages.PostPage(path, AppFile("usr_class.dat")));
    QVERIFY(p.Boxes.isEmpty());
    QCOMPARE(server.Requests().size(), size_t(4));
}

void TestPageTransfer::GoOnlineQuestionOncePerCommand() {
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    fx.WriteOptions("http://127.0.0.1:9/", 3, true);
    TScriptedDialogs dialogs;
    TFormMain w;
    QAction* offline = w.Action(TAction::OptionsOffLine);
    QVERIFY(offline->isChecked());
    const QString question =
        "You are currently in off-line mode. Do you want to go on-line to download required data?";
    dialogs.ExpectMessage(question, 36, 7);
    QVERIFY(!TFormMainTestAccess::Pages(w).CouldGoOnline());
    QVERIFY(!TFormMainTestAccess::Pages(w).CouldGoOnline()); // not asked again in the same command
    QVERIFY(Options.OfflineMode);
    QVERIFY(offline->isChecked());
    QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
    QCOMPARE(dialogs.Messages.size(), 1);

    // The next command asks again; Yes switches the mode and its check mark off for good.
    TFormMainTestAccess::Pages(w).OnlinePromptShown = false;
    dialogs.ExpectMessage(question, 36, 6);
    QVERIFY(TFormMainTestAccess::Pages(w).CouldGoOnline());
    QVERIFY(!Options.OfflineMode);
    QVERIFY(!offline->isChecked());
    TFormMainTestAccess::Pages(w).OnlinePromptShown = false;
    QVERIFY(TFormMainTestAccess::Pages(w).CouldGoOnline());
    QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
    QCOMPARE(dialogs.Messages.size(), 2);

    // The menu command turns it back on, and the mark follows.
    offline->trigger();
    QVERIFY(Options.OfflineMode);
    QVERIFY(offline->isChecked());
}

QTEST_MAIN(TestPageTransfer)
#include "test_page_transfer.moc"
