// The download commands of the real main window against the reference server: the first start,
// the off-line question, merging after a refresh, a branch without a record, failed downloads,
// all pictures, the announcement, and closing the window in the middle of a transfer.
#include "DataCompare.h"
#include "E2eSupport.h"
#include "FormMainTestAccess.h"
#include "Form_Announcement.h"
#include "Form_Main.h"
#include "Global.h"
#include "KeptData.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

namespace {

const QString NetworkFailure =
    "Network connection failure or file you requested could not be found on the server";
const QString GoOnline =
    "You are currently in off-line mode. Do you want to go on-line to download required data?";
const QString AllowReplace = "Do you want to allow existing data in database to be replaced?";
const QString GetNews = "GET /velmora/usercontrol?cmd=getnews&file=";
const QString TreeRequest = "GET /velmora/data/classifytree.dat";
constexpr int Yes = 6, No = 7, Ok = 1;

QString MergeQuestion(const QString& level) {
    return "Do you want to merge your modified " + level + " into downloaded database?";
}
QString DbRequest(int level, int id) {
    return QString("GET /velmora/data/db?level=%1&id=%2").arg(level).arg(id);
}
QStringList AllDbRequests(int id) {
    QStringList list;
    for (int level = 0; level <= GenusLevel; ++level)
        list << DbRequest(level, id);
    return list;
}
QString Level(int level) {
    return QString::fromLatin1(LevelFiles[static_cast<size_t>(level) + 1]);
}

// The server's newer copy of the fixture's small data set, with a second genus and pictures.
const std::string ServerTree = "#c1#Korvelia#the korvels\r\n"
                               "\t\t#o1#Ordina#walkers\r\n"
                               "\t\t\t\t#f1#Familia#round ones\r\n"
                               "\t\t\t\t\t#g1#Alpha#first\r\n"
                               "\t\t\t\t\t#g2#Beta#second\r\n"
                               "\t\t\t\t\t#(n/a)#Planned#not yet\r\n"
                               "\t\t#o2#[unnamed]#placeholder\r\n"
                               "#c2#Secunda#second class\r\n";
const std::string ServerClass = "c1#Korvelia#the korvels#First class, as the server has it\r\n"
                                "c2#Secunda#second#Second class\r\n";
const std::string ServerGenus =
    "g1#Alpha#first#Alpha from the server#Hopper#Alpha korvel#alpha.gif#####alpha\r\n"
    "\t#minor#small#tiny\r\n"
    "g2#Beta#second#Beta from the server#Glider#Beta korvel#beta.jpg#####beta\r\n"
    "\t#major#big#large\r\n";

void FillServer(TVelmora& velmora) {
    velmora.WriteData("classifytree.dat", Bytes(ServerTree));
    velmora.WriteData("class.dat", Bytes(ServerClass));
    velmora.WriteData("subclass.dat", "");
    velmora.WriteData("order.dat",
                      "o1#Ordina#walkers#An order, revised\r\no2#[unnamed]#n/a#Not named yet\r\n");
    velmora.WriteData("suborder.dat", "");
    velmora.WriteData("family.dat", "f1#Familia#round#A family, revised\r\n");
    velmora.WriteData("genus.dat", Bytes(ServerGenus));
    velmora.WriteData("images/alpha.gif", ReadBytes(ShippedData() + "images/aurovelis.gif"));
    velmora.WriteData("images/beta.jpg", ReadBytes(ShippedData() + "images/aethrocellis.jpg"));
}

// The fixture's small tree and databases, talking to `url` with a user id already given.
void FillProgram(TE2eProgram& fx, const QString& url, bool offline = false) {
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    fx.WriteOptions(url, 7, offline);
}

// Every file of the program folder with its bytes.
QMap<QString, QByteArray> Snapshot(const TE2eProgram& fx) {
    QMap<QString, QByteArray> files;
    QDirIterator it(fx.Folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(fx.Folder().size()), ReadBytes(path));
    }
    return files;
}

// The texts the status line showed.
struct TStatusLog {
    QStringList Texts;
    explicit TStatusLog(TFormMain& w) {
        QObject::connect(w.statusBar(), &QStatusBar::messageChanged, w.statusBar(),
                         [this](const QString& text) {
                             if (!text.isEmpty())
                                 Texts << text;
                         });
    }
};

bool AnnouncementVisible() {
    return TFormAnnouncement::Exists() && TFormAnnouncement::Instance().isVisible();
}

QString AnnouncementText() {
    return TFormAnnouncement::Instance().findChild<QPlainTextEdit*>("MessageMemo")->toPlainText();
}

} // namespace

class TestDownloads : public QObject {
    Q_OBJECT
private slots:
    void FirstStartDownloadsTreeAndDatabases();
    void FirstStartWithoutTreeOnServer();
    void OfflineDownloadAllAsksOnce();
    void RefreshOffersMergePerLevel();
    void RefreshKeepsWhatItReplacedForWhatChanged();
    void BranchWithoutRecordFetchesItsLevel();
    void RefreshItemAsksOnceOffline();
    void FailedDownloadsKeepPreviousFiles();
    void AllImagesFetchesEveryNamedPicture();
    void DownloadImageKeepsOrReports();
    void AnnouncementCommand();
    void CloseDuringTransferAborts();
    void FailureInFirstSummaryEndsRefresh();
};

void TestDownloads::FirstStartDownloadsTreeAndDatabases() {
    TVelmora velmora;
    velmora.CopyShippedData();
    velmora.Start();
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteOptions(velmora.Url(), -1);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    // The tree arrived and is shown, the six databases are here, the id is stored.
    QCOMPARE(fx.Bytes(TreeFileName), velmora.Data(TreeFileName));
    for (int level = 0; level <= GenusLevel; ++level)
        QCOMPARE(fx.Bytes(Level(level)), velmora.Data(Level(level)));
    const QList<QByteArray> treeLines = velmora.Data(TreeFileName).split('\n');
    int top = 0, lines = 0;
    for (const QByteArray& line : treeLines) {
        top += line.startsWith('#') ? 1 : 0;
        lines += line.trimmed().isEmpty() ? 0 : 1;
    }
    QCOMPARE(int(w.Tree().Count()), lines);
    QCOMPARE(TFormMainTestAccess::TreeModel(w)->rowCount(), top);
    QCOMPARE(w.SelectedNode(), w.Tree().First());
    QTRY_VERIFY(TFormMainTestAccess::SummaryPlainText(w).contains(
        QString::fromStdString(std::string(w.Tree().First()->Name()))));
    QCOMPARE(Options.Id, 1);
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("Id=1"));
    QCOMPARE(Options.LastUpdate, Today());
    // The handshake first; the first class is selected before class.dat is fetched in turn, and
    // shown from it once the selection rests: nothing is fetched twice.
    QCOMPARE(velmora.SettledRequests(),
             QStringList({"GET /velmora/usercontrol?cmd=newid&file=", GetNews, TreeRequest}) +
                 AllDbRequests(1));
    // The announcement opened at the end.
    QVERIFY(AnnouncementVisible());
    QCOMPARE(AnnouncementText(), QString("Velmora news\nSecond line"));
    QCOMPARE(TFormMainTestAccess::StatusText(w), QString("Ready"));

    // A second refresh in the same run neither fetches nor shows the announcement again.
    TFormAnnouncement::Instance().hide();
    velmora.ForgetRequests();
    TStatusLog status(w);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(!AnnouncementVisible());
    QCOMPARE(velmora.SettledRequests(), QStringList{TreeRequest} + AllDbRequests(1));
    for (int i = 1; i <= 6; ++i)
        QVERIFY(status.Texts.contains(QString("Downloading data from Velmora server...%1 of 6").arg(i)));
    QCOMPARE(status.Texts.first(), QString("Downloading Taxonomy tree from Velmora server..."));
    QCOMPARE(status.Texts.last(), QString("Ready"));
}

void TestDownloads::FirstStartWithoutTreeOnServer() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.RemoveData(TreeFileName);
    velmora.Start();
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteOptions(velmora.Url(), 7);
    TScriptedDialogs dialogs;
    // The tree cannot be had or loaded; the databases are fetched all the same.
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    dialogs.ExpectMessage(
        "Error loading taxonomy file\n\nThe file may be opened exclusive by another program, or file "
        "is corrupted. Try closing other programs and select Refresh command from Database menu to "
        "correct this error.",
        16, Ok);
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QCOMPARE(velmora.SettledRequests(), QStringList({GetNews, TreeRequest}) + AllDbRequests(7));
    QVERIFY(!fx.Exists(TreeFileName));
    QCOMPARE(fx.Read("class.dat"), ServerClass);
    QCOMPARE(TFormMainTestAccess::TreeModel(w)->rowCount(), 0);
}

void TestDownloads::OfflineDownloadAllAsksOnce() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url(), true);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QVERIFY(w.Action(TAction::OptionsOffLine)->isChecked());
    const QMap<QString, QByteArray> before = Snapshot(fx);

    // No: one question, nothing fetched, nothing touched.
    dialogs.ExpectMessage(GoOnline, 36, No);
    w.Action(TAction::DBLoadAll)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages.size(), 1);
    QVERIFY(velmora.SettledRequests().isEmpty());
    QCOMPARE(Snapshot(fx), before);
    QVERIFY(Options.OfflineMode);
    QVERIFY(w.Action(TAction::OptionsOffLine)->isChecked());
    QVERIFY(!AnnouncementVisible());

    // The next command asks again; Yes fetches the tree, the databases and the pictures.
    bool announcedBeforePictures = false;
    TStatusLog status(w);
    connect(w.statusBar(), &QStatusBar::messageChanged, this, [&](const QString& text) {
        if (text == "Downloading image from Velmora server...1 of 2")
            announcedBeforePictures = AnnouncementVisible();
    });
    dialogs.ExpectMessage(GoOnline, 36, Yes);
    w.Action(TAction::DBLoadAll)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages.size(), 2);
    QVERIFY(!Options.OfflineMode);
    QVERIFY(!w.Action(TAction::OptionsOffLine)->isChecked());
    QCOMPARE(velmora.SettledRequests(),
             QStringList({GetNews, TreeRequest}) + AllDbRequests(7) +
                 QStringList({"GET /velmora/images/alpha.gif", "GET /velmora/images/beta.jpg"}));
    QCOMPARE(fx.Read(TreeFileName), ServerTree);
    QCOMPARE(fx.Read("genus.dat"), ServerGenus);
    QCOMPARE(fx.Bytes("images/alpha.gif"), velmora.Data("images/alpha.gif"));
    QCOMPARE(fx.Bytes("images/beta.jpg"), velmora.Data("images/beta.jpg"));
    QCOMPARE(w.Tree().Count(), size_t(8));
    QVERIFY(status.Texts.contains("Downloading image from Velmora server...2 of 2"));
    // The announcement opened after the refresh, before the pictures.
    QVERIFY(announcedBeforePictures);
    QVERIFY(AnnouncementVisible());
    QCOMPARE(AnnouncementText(), QString("Velmora news\nSecond line"));

    // Not again in this run.
    TFormAnnouncement::Instance().hide();
    w.Action(TAction::DBLoadAllImages)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(!AnnouncementVisible());
}

void TestDownloads::RefreshOffersMergePerLevel() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    const std::string userClass = "c1#Korvelia#the korvels#My own first class\r\nc9#Nova#new#A new class\r\n";
    const std::string userGenus = "g1#Alpha#first#My alpha#Hopper#Alpha korvel#-#####alpha\r\n"
                                  "\t#one#1#a\r\n\t#two#2#b\r\n"
                                  "g7#Septima#seventh#Mine only#Walker#Seven korvel#-#####seven\r\n"
                                  "\t#solo#s#c\r\n";
    fx.Write("usr_class.dat", userClass);
    fx.Write("usr_genus.dat", userGenus);
    const std::string modified =
        fx.Folder().toStdString() + "usr_class.dat\r\n" + fx.Folder().toStdString() + "usr_genus.dat\r\n";
    fx.Write("modifiedfiles.dat", modified);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    dialogs.ExpectMessage(MergeQuestion("Class"), 36, Yes);
    dialogs.ExpectMessage(AllowReplace, 36, Yes);
    dialogs.ExpectMessage("2 User Class(s) are merged, 1 existing record(s) were replaced", 64, Ok);
    dialogs.ExpectMessage(MergeQuestion("Genus"), 36, Yes);
    dialogs.ExpectMessage(AllowReplace, 36, No);
    dialogs.ExpectMessage("1 User Genus(s) are merged, 0 existing record(s) were replaced", 64, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    // Each level was merged into the file just fetched.
    QCOMPARE(fx.Read("class.dat"), std::string("c2#Secunda#second#Second class\r\n") + userClass);
    QCOMPARE(fx.Read("genus.dat"), ServerGenus +
                                       "g7#Septima#seventh#Mine only#Walker#Seven korvel#-#####seven\r\n"
                                       "\t#solo#s#c\r\n");
    QCOMPARE(fx.Read("usr_class.dat"), userClass);
    QCOMPARE(fx.Read("usr_genus.dat"), userGenus);
    QCOMPARE(ModifiedFiles.Count(), size_t(2));
    QCOMPARE(velmora.SettledRequests(), QStringList({GetNews, TreeRequest}) + AllDbRequests(7));
    // What Changed tells which records were the user's and what the merge did with each.
    std::vector<std::string> merged;
    for (const TDataChange& c :
         CompareDataFolders(PreviousDataFolder(), ProgramFolder(), TMissingDatabase::Empty).Changes)
        if (c.Kind >= TDataChangeKind::UserRecordAdded)
            merged.push_back(std::string(DataChangeKindName(c.Kind)) + " " + DataRankName(c.Level) + " " +
                             c.Id + " " + c.Name);
    QCOMPARE(merged, (std::vector<std::string>{
                         "user-record-replaced Class c1 Korvelia", "user-record-added Class c9 Nova",
                         "user-record-skipped Genus g1 Alpha", "user-record-added Genus g7 Septima"}));

    // The merge command asks level by level; all declined, it says so.
    dialogs.ExpectMessage(MergeQuestion("Class"), 36, No);
    dialogs.ExpectMessage(MergeQuestion("Genus"), 36, No);
    dialogs.ExpectMessage("No file has been merged into databases", 48, Ok);
    w.Action(TAction::DBMergeUserData)->trigger();
    CHECK_DIALOGS(dialogs);
}

void TestDownloads::RefreshKeepsWhatItReplacedForWhatChanged() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    const QByteArray oldTree = fx.Bytes(TreeFileName), oldGenus = fx.Bytes("genus.dat");
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QVERIFY(!w.Action(TAction::ViewWhatChanged)->isEnabled());

    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(w.Action(TAction::ViewWhatChanged)->isEnabled());
    QCOMPARE(fx.Bytes("previous/" + QString(TreeFileName)), oldTree);
    QCOMPARE(fx.Bytes("previous/genus.dat"), oldGenus);
    QVERIFY(!fx.Exists("previous.new"));
    const TDataComparison comparison =
        CompareDataFolders(PreviousDataFolder(), ProgramFolder(), TMissingDatabase::Empty);
    QStringList branchesAdded;
    for (const TDataChange& change : comparison.Changes)
        if (change.Kind == TDataChangeKind::Added)
            branchesAdded << QString::fromStdString(change.Id);
    QCOMPARE(branchesAdded, QStringList({"g2"}));

    // A refresh that replaces nothing keeps the data of the last one that did.
    velmora.Stop();
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Bytes("previous/" + QString(TreeFileName)), oldTree);
    QVERIFY(!fx.Exists("previous.new"));
    QVERIFY(w.Action(TAction::ViewWhatChanged)->isEnabled());
}

void TestDownloads::BranchWithoutRecordFetchesItsLevel() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    // Beta is in the tree but not in the local genus database; Gamma is nowhere.
    std::string tree = ServerTree;
    tree.insert(tree.find("\t\t#o2#"), "\t\t\t\t\t#g3#Gamma#third\r\n");
    fx.Write(TreeFileName, tree);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    TFormMainTestAccess::SetSelectionRest(w, 0); // each selection's Refresh Item at once
    const std::string userGenus = "g1#Alpha#first#Mine#Hopper#Alpha korvel#-#####alpha\r\n";
    fx.Write("usr_genus.dat", userGenus);

    dialogs.ExpectMessage(MergeQuestion("Genus"), 36, No);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g2"));
    CHECK_DIALOGS(dialogs);
    QCOMPARE(velmora.SettledRequests(),
             QStringList({GetNews, DbRequest(5, 7), "GET /velmora/images/beta.jpg"}));
    QCOMPARE(fx.Read("genus.dat"), ServerGenus);
    QVERIFY2(TFormMainTestAccess::SummaryPlainText(w).contains("Beta major"),
             qPrintable(TFormMainTestAccess::SummaryPlainText(w)));
    QCOMPARE(fx.Bytes("images/beta.jpg"), velmora.Data("images/beta.jpg"));
    QVERIFY(!Find<QLabel>(w, "InfoImage")->pixmap().isNull());
    QVERIFY(Find<QPushButton>(w, "ShowImageBtn")->isHidden());
    QCOMPARE(fx.Read("usr_genus.dat"), userGenus);
    QVERIFY(AnnouncementVisible());

    // Off-line, a branch without a record asks once; No shows the data-not-found page.
    velmora.ForgetRequests();
    w.Action(TAction::OptionsOffLine)->trigger();
    const QMap<QString, QByteArray> before = Snapshot(fx);
    dialogs.ExpectMessage(GoOnline, 36, No);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g3"));
    CHECK_DIALOGS(dialogs);
    QVERIFY2(TFormMainTestAccess::SummaryPlainText(w).contains("Genus Gamma not found"),
             qPrintable(TFormMainTestAccess::SummaryPlainText(w)));
    QVERIFY(velmora.SettledRequests().isEmpty());
    QCOMPARE(Snapshot(fx), before);
}

void TestDownloads::RefreshItemAsksOnceOffline() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url(), true);
    fx.Write("genus.dat", ServerGenus);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    CHECK_DIALOGS(dialogs);
    const QMap<QString, QByteArray> before = Snapshot(fx);

    // Refresh Item on a genus with a record and a picture: declined once, the picture is not
    // asked about again within the same command.
    dialogs.ExpectMessage(GoOnline, 36, No);
    w.Action(TAction::DBRefreshItem)->trigger();
    QVERIFY2(dialogs.AllAnswered() && dialogs.Messages.size() == 1, qPrintable(dialogs.Report()));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Alpha minor"));
    QVERIFY(velmora.SettledRequests().isEmpty());
    QCOMPARE(Snapshot(fx), before);
}

void TestDownloads::FailedDownloadsKeepPreviousFiles() {
    TVelmora velmora;
    FillServer(velmora);
    // The tree and the genus database are missing on the server: both answer 404.
    velmora.RemoveData("classifytree.dat");
    velmora.RemoveData("genus.dat");
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    const std::string userGenus = "g1#Alpha#first#Mine#Hopper#Alpha korvel#-#####alpha\r\n";
    fx.Write("usr_genus.dat", userGenus);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    const QMap<QString, QByteArray> before = Snapshot(fx);

    // Each 404 is reported and the sequence goes on with the files that are here.
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    dialogs.ExpectMessage(MergeQuestion("Genus"), 36, No);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(velmora.SettledRequests(), QStringList({GetNews, TreeRequest}) + AllDbRequests(7));
    QCOMPARE(fx.Bytes(TreeFileName), before.value(TreeFileName));
    QCOMPARE(fx.Bytes("genus.dat"), before.value("genus.dat"));
    QCOMPARE(fx.Read("class.dat"), ServerClass);
    QCOMPARE(fx.Read("usr_genus.dat"), userGenus);
    QCOMPARE(w.Tree().Count(), size_t(7));
    QCOMPARE(TFormMainTestAccess::TreeModel(w)->rowCount(), 2);

    // A file larger than the options allow ends the command as a network failure, keeping it.
    FillServer(velmora);
    Options.MaxTreeDownload = std::int64_t(ServerTree.size()) - 1;
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Bytes(TreeFileName), before.value(TreeFileName));
    QCOMPARE(w.Tree().Count(), size_t(7));
    Options.MaxTreeDownload = std::int64_t(ServerTree.size());
    Options.MaxDatabaseDownload = std::int64_t(ServerGenus.size()) - 1;
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read(TreeFileName), ServerTree);
    QCOMPARE(fx.Bytes("genus.dat"), before.value("genus.dat"));

    // With the server gone, one message ends each command and nothing changes.
    const QMap<QString, QByteArray> after = Snapshot(fx);
    velmora.Stop();
    for (TAction action : {TAction::DBRefresh, TAction::DBLoadAll, TAction::DBRefreshItem}) {
        dialogs.ExpectMessage(NetworkFailure, 16, Ok);
        w.Action(action)->trigger();
        CHECK_DIALOGS(dialogs);
        QCOMPARE(Snapshot(fx), after);
        QCOMPARE(TFormMainTestAccess::StatusText(w), QString("Ready"));
        QVERIFY(w.Action(action)->isEnabled());
    }
    QCOMPARE(TFormMainTestAccess::TreeModel(w)->rowCount(), 2);
}

void TestDownloads::AllImagesFetchesEveryNamedPicture() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.WriteData("images/shared.gif", ReadBytes(ShippedData() + "images/aurovelis.gif"));
    velmora.WriteData("images/solo.jpg", ReadBytes(ShippedData() + "images/aethrocellis.jpg"));
    velmora.WriteData("secret.gif", "outside the images folder");
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    fx.Write("genus.dat", "g1#Alpha#first#A#Hopper#Alpha korvel#shared.gif#####a\r\n"
                          "\t#minor#small#not#a#picture#field\r\n"
                          "\r\n"
                          "g2#Beta#second#B#Hopper#Beta korvel#shared.gif#####b\r\n"
                          "g3#Gamma#third#C#Hopper#Gamma korvel#-#####c\r\n"
                          "g4#Delta#fourth#D#Hopper#Delta korvel#shared.gif#####d\r\n"
                          "g5#Eta#fifth#E#Hopper#Eta korvel#../secret.gif#####e\r\n"
                          "g6#Zeta#sixth#F#Hopper#Zeta korvel#solo.jpg#####f\r\n");
    fx.Write("images/shared.gif", "an older picture");
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    TStatusLog status(w);
    w.Action(TAction::DBLoadAllImages)->trigger();
    CHECK_DIALOGS(dialogs);
    const QString shared = "GET /velmora/images/shared.gif";
    QCOMPARE(velmora.SettledRequests(),
             QStringList({GetNews, shared, shared, shared, "GET /velmora/images/solo.jpg"}));
    QCOMPARE(fx.Bytes("images/shared.gif"), velmora.Data("images/shared.gif"));
    QCOMPARE(fx.Bytes("images/solo.jpg"), velmora.Data("images/solo.jpg"));
    QVERIFY(!fx.Exists("secret.gif"));
    QStringList progress;
    for (const QString& text : status.Texts)
        if (text.startsWith("Downloading image"))
            progress << text;
    QCOMPARE(progress, QStringList({"Downloading image from Velmora server...1 of 4",
                                    "Downloading image from Velmora server...2 of 4",
                                    "Downloading image from Velmora server...3 of 4",
                                    "Downloading image from Velmora server...4 of 4"}));
    QVERIFY(status.Texts.contains("Generating images list..."));
    QCOMPARE(status.Texts.last(), QString("Ready"));
    QVERIFY(AnnouncementVisible());

    // A picture the server does not have is named in the message that ends the command.
    fx.Write("genus.dat", "g1#Alpha#first#A#Hopper#Alpha korvel#missing.gif#####a\r\n");
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBLoadAllImages)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY2(dialogs.Messages.last().endsWith("\n\nPicture: missing.gif"),
             qPrintable(dialogs.Messages.last()));
}

void TestDownloads::DownloadImageKeepsOrReports() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.RemoveData("images/alpha.gif");
    velmora.WriteData("images/beta.jpg", "not a picture");
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url());
    fx.Write(TreeFileName, ServerTree);
    fx.Write("genus.dat", ServerGenus);
    const QByteArray good = ReadBytes(ShippedData() + "images/aurovelis.gif");
    WriteBytes(fx.Folder() + "images/alpha.gif", good);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1"));
    CHECK_DIALOGS(dialogs);
    QVERIFY(!Find<QLabel>(w, "InfoImage")->pixmap().isNull());
    QVERIFY(velmora.SettledRequests().isEmpty());

    // A picture the server does not have: reported, and the one here stays and is shown.
    Find<QLabel>(w, "InfoImage")->clear();
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBReloadImage)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Bytes("images/alpha.gif"), good);
    QVERIFY(!Find<QLabel>(w, "InfoImage")->pixmap().isNull());
    QVERIFY(Find<QPushButton>(w, "ShowImageBtn")->isHidden());
    QCOMPARE(velmora.SettledRequests(), QStringList({GetNews, "GET /velmora/images/alpha.gif"}));

    // No picture here yet: Show Image fetches it, and one that cannot be shown is reported.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, GenusLevel, "g2"));
    QVERIFY(!Find<QPushButton>(w, "ShowImageBtn")->isHidden());
    velmora.ForgetRequests();
    dialogs.ExpectMessage("Not a JPEG file: starts with 0x6e 0x6f", 16, Ok); // the decoder's own words first
    dialogs.ExpectMessage(
        "Image file error\n\nPossible to be network connection failure or image file corrupt.", 16, Ok);
    w.Action(TAction::ShowImage)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(velmora.SettledRequests(), QStringList{"GET /velmora/images/beta.jpg"});
    QCOMPARE(TFormMainTestAccess::StatusText(w), QString("Ready"));
}

void TestDownloads::AnnouncementCommand() {
    TVelmora velmora;
    FillServer(velmora);
    velmora.SetNews("Fresh news\r\n");
    velmora.Start();
    TE2eProgram fx;
    FillProgram(fx, velmora.Url(), true);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    const QString notChecked =
        "Announcement could not be displayed. You have not checked for announcement yet.";

    // Off-line and declined with nothing fetched ever: nothing to show.
    dialogs.ExpectMessage(GoOnline, 36, No);
    dialogs.ExpectMessage(notChecked, 16, Ok);
    w.Action(TAction::HelpAnnouncement)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(!AnnouncementVisible());

    // What an earlier run fetched is shown as it is.
    fx.Write("Announcement.txt", "Old news\r\nline two\r\n");
    dialogs.ExpectMessage(GoOnline, 36, No);
    w.Action(TAction::HelpAnnouncement)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(AnnouncementVisible());
    QCOMPARE(AnnouncementText(), QString("Old news\nline two"));
    QVERIFY(velmora.SettledRequests().isEmpty());

    // On-line it is fetched once in the run; the second time the same text comes up again.
    TFormAnnouncement::Instance().hide();
    dialogs.ExpectMessage(GoOnline, 36, Yes);
    w.Action(TAction::HelpAnnouncement)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(AnnouncementVisible());
    QCOMPARE(AnnouncementText(), QString("Fresh news"));
    TFormAnnouncement::Instance().hide();
    w.Action(TAction::HelpAnnouncement)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(AnnouncementVisible());
    QCOMPARE(AnnouncementText(), QString("Fresh news"));
    QCOMPARE(velmora.SettledRequests(), QStringList{GetNews});
    QCOMPARE(TFormMainTestAccess::StatusText(w), QString("Ready"));
}

void TestDownloads::CloseDuringTransferAborts() {
    // A server that accepts and never answers.
    TScriptServer server({{std::string(), true, 0}});
    TE2eProgram fx;
    FillProgram(fx, QString::fromStdString(server.Url("/")));
    TScriptedDialogs dialogs;
    auto w = std::make_unique<TFormMain>();
    CHECK_DIALOGS(dialogs);
    w->show();
    const QMap<QString, QByteArray> before = Snapshot(fx);
    bool enabledWhileRunning = true;
    bool closedWhileRunning = true;
    QTimer::singleShot(200, w.get(), [&] {
        enabledWhileRunning =
            w->Action(TAction::DBRefresh)->isEnabled() || w->Action(TAction::EditorSave)->isEnabled();
        closedWhileRunning = w->close();
    });
    QElapsedTimer clock;
    clock.start();
    w->Action(TAction::DBRefresh)->trigger();
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(!enabledWhileRunning);
    QVERIFY(!closedWhileRunning); // the close waits for the command to unwind
    QTRY_VERIFY(!w->isVisible());
    CHECK_DIALOGS(dialogs);
    QCOMPARE(RequestLines(server), QStringList{GetNews});
    w.reset();
    QMap<QString, QByteArray> after = Snapshot(fx);
    // Shut-down writes its own files; everything that was there is unchanged.
    for (auto it = before.begin(); it != before.end(); ++it)
        if (it.key() != "options.ini")
            QCOMPARE(after.value(it.key()), it.value());
}

void TestDownloads::FailureInFirstSummaryEndsRefresh() {
    // The new tree's first class has no local record: its summary fetches class.dat, which never
    // comes. That network failure ends the whole refresh: no level database is fetched after it.
    TScriptServer server({{Reply("200 OK", {}, "news"), false, 0},
                          {Reply("200 OK", {}, "#c9#Nova#a new class\r\n"), false, 0},
                          {std::string(), true, 0}});
    TE2eProgram fx;
    FillProgram(fx, QString::fromStdString(server.Url("/")));
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    TFormMainTestAccess::Http(w).TimeOut = 300;
    dialogs.ExpectMessage(NetworkFailure, 16, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
    const QStringList requests = RequestLines(server);
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[2].contains("db?level=0"));
    QVERIFY(w.Action(TAction::DBRefresh)->isEnabled());

    // An address the client cannot use says why, through the default error report.
    Options.URL = "https://secure.invalid/";
    dialogs.ExpectMessage("HTTP Secure Socket is not supported.", 16, Ok);
    w.Action(TAction::DBRefresh)->trigger();
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestDownloads)
#include "test_downloads.moc"
