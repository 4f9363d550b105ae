// The server commands without the window: a scripted host records what they ask of it.
#include "Constants.h"
#include "E2eSupport.h"
#include "Form_SubmitInfo.h"
#include "Global.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"
#include "ServerCommands.h"
#include "TaxonomyTree.h"

#include <QtTest>

namespace {

class TScriptedHost : public IServerHost {
public:
    TTaxonomyTree Nodes;
    QStringList Calls;
    TTaxonomyTree& Tree() override { return Nodes; }
    void SelectNode(TTreeNode* node) override {
        Calls << "select " + QString::fromStdString(std::string(node->Id()));
    }
    void ExpandAll() override { Calls << "expand"; }
    void ApplySavedTreeState() override { Calls << "state"; }
    bool ShowGenusImage(const std::string& name) override {
        Calls << "image " + QString::fromStdString(name);
        return true;
    }
    TSubmitInfoResult RunSubmitDialog(const TStringList&, const TStringList&) override { return {}; }
    void ShowAnnouncement() override { Calls << "announcement"; }
    void TransferStateChanged() override {}
    void TransferProgress(long long, long long) override {}
    void CloseWindow() override { Calls << "close"; }
    TTaxonomyDetail Shown;
    const TTaxonomyDetail& ShownRecord() override { return Shown; }
};

const std::string Tree = "#c1#Korvelia#the korvels\r\n\t\t\t\t\t#g1#Alpha#first\r\n";

} // namespace

class TestServerCommands : public QObject {
    Q_OBJECT
private slots:
    void RefreshRebuildsTreeThroughTheHost();
    void FailedHandshakeKeepsLastUpdate();
};

void TestServerCommands::RefreshRebuildsTreeThroughTheHost() {
    TScriptServer server({{Reply("200 OK", {}, "news"), false, 0},
                          {Reply("200 OK", {}, Tree), false, 0},
                          {Reply("200 OK", {}, ""), false, 0}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    LoadProgramFiles();
    ReadOptions();
    Options.LastUpdate = 100;
    TScriptedDialogs dialogs;
    TScriptedHost host;
    TServerCommands commands(host);
    commands.RefreshTaxonomyTree();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read(TreeFileName), Tree);
    QCOMPARE(host.Nodes.Count(), size_t(2));
    QCOMPARE(Options.LastUpdate, Today());
    // The first node selected, then opened as saved; the announcement once the data are in.
    QCOMPARE(host.Calls, QStringList({"select c1", "expand", "state", "announcement"}));
    QVERIFY(!commands.Running());
}

void TestServerCommands::FailedHandshakeKeepsLastUpdate() {
    // No user id yet, and the server answers the id request with something that is no id: nothing
    // is downloaded, so the tree is no newer than before.
    TScriptServer server({{Reply("200 OK", {}, "no id today"), false, 0}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteOptions(QString::fromStdString(server.Url("/")), -1);
    fx.Write(TreeFileName, Tree);
    LoadProgramFiles();
    ReadOptions();
    const int lastUpdate = Options.LastUpdate - 40;
    Options.LastUpdate = lastUpdate;
    TScriptedDialogs dialogs;
    for (int i = 0; i < 7; ++i) // the tree and the six databases each try again
        dialogs.ExpectMessage("Data convertion error while obtaining user id", 16, 1);
    TScriptedHost host;
    TServerCommands commands(host);
    commands.RefreshTaxonomyTree();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(Options.LastUpdate, lastUpdate);
    QCOMPARE(fx.Read(TreeFileName), Tree);
    // Download All Images names a picture only in its own request's failure, not in the id's.
    fx.Write("genus.dat", "g1#Alpha#first#A#Hopper#Alpha korvel#alpha.gif#####a\r\n");
    dialogs.ExpectMessage("Data convertion error while obtaining user id", 16, 1);
    commands.DownloadAllImagesCommand();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages.last(), QString("Data convertion error while obtaining user id"));
}

QTEST_MAIN(TestServerCommands)
#include "test_server_commands.moc"
