// Typed work is never dropped without a word: leaving a changed record asks, Cancel (Ctrl+Z) asks,
// keys waiting before a question never answer it, and a draft outlives a killed program.
#include "AppState.h"
#include "Dates.h"
#include "EditorDraft.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QtTest>
#include <functional>
#include <iostream>
#include <map>
#include <sys/stat.h>

namespace {

const std::string Genus =
    "g1#Aurex#gold#A genus#Hopper#Aurex korvel#-#(n/a)#-#(n/a)#-#kw\r\n\t#minor#small#tiny\r\n"
    "avis#Avis#bird#B#Flyer#Avis korvel#-#(n/a)#-#(n/a)#-#\r\n";

void WriteData(TGuiFixture& fx) {
    fx.WriteProgramFiles();
    fx.WriteCurrentOptions(Today());
    fx.Write("classifytree.dat", "#c1#Korvelia#the korvels\r\n"
                                 "\t\t\t\t\t#g1#Aurex#first\r\n"
                                 "\t\t\t\t\t#avis#Avis#second\r\n");
    fx.Write("class.dat", "c1#Korvelia#the korvels#First class\r\n");
    fx.Write("genus.dat", Genus);
}

QLineEdit* NameEdit(TFormMain& w) {
    return Find<QLineEdit>(w, "NameEdit");
}

void Type(TFormMain& w, const QString& text) {
    NameEdit(w)->clear();
    QTest::keyClicks(NameEdit(w), text);
}

// Every file of the folder but the draft, with its bytes.
std::map<QString, std::string> Snapshot(TGuiFixture& fx) {
    std::map<QString, std::string> files;
    QDirIterator it(fx.Folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().mid(fx.Folder().size());
        if (name != "editordraft.dat")
            files[name] = fx.Read(name);
    }
    return files;
}

const int SaveQuestion = Mb::SaveDiscardCancel | Mb::IconQuestion;
const QString DraftQuestion =
    "Changes to \"Aurex\" were not saved when the program last ended. Do you want to "
    "open them in the editor?";

// The child: edits Aurex's name in a real window, says so on stdout and runs until it is killed
// (after the draft is on disk) or ended by SIGTERM (at once: the window's end keeps the draft).
int RunChild(const QString& folder, bool waitForDraft) {
    SetProgramFolder(folder.toStdString());
    SetShortDateFormat("dd/MM/yyyy");
    SetTodayForTesting(EncodeDate(2026, 12, 7)); // as the parent's fixture wrote the options
    QuitOnSignals(qApp);
    TScriptedDialogs dialogs;
    {
        TFormMain w;
        TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1");
        Type(w, "Aurum");
        if (waitForDraft)
            while (!QFile::exists(folder + "/editordraft.dat"))
                QTest::qWait(20);
        std::cout << "ready" << std::endl;
        if (!QuitWasRequested())
            QApplication::exec();
    }
    return 0;
}

} // namespace

class TestEditorLeave : public QObject {
    Q_OBJECT
private slots:
    void LeavingAChangedRecordAsks();
    void CancelAsksBeforeItReverts();
    void QueuedKeysNeverAnswerAQuestion();
    void DraftOutlivesKillAndLogout_data();
    void DraftOutlivesKillAndLogout();
    void DraftDeclinedOrOfAGoneBranch();
};

void TestEditorLeave::LeavingAChangedRecordAsks() {
    struct TWay {
        const char* Name;
        std::function<void(TFormMain&)> Leave;
        std::function<bool(TFormMain&)> Left;
        const char* Then = nullptr; // asked once the record is left, answered No
        bool ThenOnlyAfterSave = false;
    };
    bool closed = false;
    const TWay ways[] = {
        {"arrow key",
         [](TFormMain& w) { QTest::keyClick(TFormMainTestAccess::TaxonomyTreeView(w), Qt::Key_Down); },
         [](TFormMain& w) { return w.SelectedNode()->Id() == "avis"; }},
        {"link", [](TFormMain& w) { TFormMainTestAccess::SelectBranch(w, GenusLevel, "avis"); },
         [](TFormMain& w) { return w.SelectedNode()->Id() == "avis"; }},
        {"result list",
         [](TFormMain& w) {
             w.Action(TAction::ViewAllGenus)->trigger();
             auto* list = Find<QListView>(w, "ResultListView");
             list->setCurrentIndex(list->model()->index(1, 0));
         },
         [](TFormMain& w) { return w.SelectedNode()->Id() == "avis"; }},
        {"display mode", [](TFormMain& w) { w.Action(TAction::OptionsShowName)->trigger(); },
         [](TFormMain&) { return Options.ListType == TListType::ScientificName; }},
        {"refresh item",
         [](TFormMain& w) {
             Options.OfflineMode = true;
             w.Action(TAction::DBRefreshItem)->trigger();
         },
         [](TFormMain& w) { return !TFormMainTestAccess::Editor(w).Modified(); },
         "You are currently in off-line mode"},
        {"closing", [&](TFormMain& w) { closed = w.close(); }, [&](TFormMain&) { return closed; },
         "You have modified taxonomy databases", true},
    };
    struct TAnswer {
        int Id;
        bool Leaves;
        bool Saves;
    };
    const TAnswer answers[] = {
        {Mb::IdYes, true, true}, {Mb::IdNo, true, false}, {Mb::IdCancel, false, false}};
    for (const TWay& way : ways) {
        for (const TAnswer& answer : answers) {
            const QString name = QString("%1, answer %2").arg(way.Name).arg(answer.Id);
            TGuiFixture fx;
            WriteData(fx);
            TScriptedDialogs dialogs;
            closed = false;
            auto w = std::make_unique<TFormMain>();
            TFormMainTestAccess::SelectBranch(*w, GenusLevel, "g1");
            TTreeNode* edited = w->SelectedNode();
            const auto before = Snapshot(fx);
            Type(*w, "Aurum");
            dialogs.ExpectMessage("Save the changes to \"Aurex\"?", SaveQuestion, answer.Id);
            if (way.Then && answer.Leaves && (answer.Saves || !way.ThenOnlyAfterSave))
                dialogs.ExpectMessage(way.Then, -1, Mb::IdNo);
            way.Leave(*w);
            QVERIFY2(dialogs.AllAnswered(), qPrintable(name + ": " + dialogs.Report()));
            QVERIFY2(way.Left(*w) == answer.Leaves, qPrintable(name));
            if (answer.Saves) {
                QVERIFY2(fx.Read("usr_genus.dat").starts_with("aurum#Aurum#gold#"), qPrintable(name));
            } else {
                QVERIFY2(Snapshot(fx) == before, qPrintable(name)); // byte for byte
            }
            if (!answer.Leaves) {
                // The edited branch stays selected with what was typed.
                QVERIFY2(w->SelectedNode() == edited, qPrintable(name));
                QVERIFY2(NameEdit(*w)->text() == "Aurum", qPrintable(name));
                QVERIFY2(TFormMainTestAccess::Editor(*w).Modified(), qPrintable(name));
                Type(*w, "Aurex"); // typed back: unchanged again, so it closes without a question
            }
            w.reset();
        }
        // An unchanged record is left without a question.
        TGuiFixture fx;
        WriteData(fx);
        TScriptedDialogs dialogs;
        closed = false;
        TFormMain w;
        TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1");
        if (way.Then && !way.ThenOnlyAfterSave)
            dialogs.ExpectMessage(way.Then, -1, Mb::IdNo);
        way.Leave(w);
        QVERIFY2(way.Left(w), way.Name);
        QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
    }
}

void TestEditorLeave::CancelAsksBeforeItReverts() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1");
    Type(w, "Aurum");
    dialogs.ExpectMessage("Discard the changes to \"Aurex\"?", Mb::OkCancel | Mb::IconQuestion, Mb::IdCancel);
    w.Action(TAction::EditorCancel)->trigger();
    QCOMPARE(NameEdit(w)->text(), QString("Aurum"));
    dialogs.ExpectMessage("Discard the changes to \"Aurex\"?", Mb::OkCancel | Mb::IconQuestion, Mb::IdOk);
    w.Action(TAction::EditorCancel)->trigger();
    QCOMPARE(NameEdit(w)->text(), QString("Aurex"));
    QVERIFY(!TFormMainTestAccess::Editor(w).Modified());
    CHECK_DIALOGS(dialogs);
}

void TestEditorLeave::QueuedKeysNeverAnswerAQuestion() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    TFormMainTestAccess::SelectBranch(w, GenusLevel, "g1");
    Type(w, "Aurum");
    // Keys held on the tree are still waiting when the first of them opens the question; the
    // question's own event loop must not hand them on.
    QWidget* tree = TFormMainTestAccess::TaxonomyTreeView(w);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_Up})
        QCoreApplication::postEvent(tree, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    dialogs.OnMessage = [](const QString&) { QCoreApplication::processEvents(); };
    dialogs.ExpectMessage("Save the changes to \"Aurex\"?", SaveQuestion, Mb::IdCancel);
    TFormMainTestAccess::SelectBranch(w, 0, "c1");
    QCoreApplication::processEvents();
    QCOMPARE(w.SelectedNode()->Id(), std::string("g1"));
    QCOMPARE(NameEdit(w)->text(), QString("Aurum"));
    CHECK_DIALOGS(dialogs);
}

void TestEditorLeave::DraftOutlivesKillAndLogout_data() {
    QTest::addColumn<bool>("kill");
    QTest::newRow("SIGKILL after the draft was written") << true;
    QTest::newRow("SIGTERM right after typing") << false;
}

void TestEditorLeave::DraftOutlivesKillAndLogout() {
    QFETCH(bool, kill);
    TGuiFixture fx;
    WriteData(fx);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORV_EDITOR_CHILD", fx.Folder());
    env.insert("ORV_EDITOR_CHILD_WAITS", kill ? "1" : "0");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("ready"), 20000);
    kill ? child.kill() : child.terminate();
    QVERIFY(child.waitForFinished(10000));
    QVERIFY(fx.Exists("editordraft.dat"));

    // The next start offers it; Yes selects the branch and puts the draft in the boxes, unsaved.
    const auto before = Snapshot(fx);
    TScriptedDialogs dialogs;
    dialogs.ExpectMessage(DraftQuestion, Mb::YesNo | Mb::IconQuestion, Mb::IdYes);
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QCOMPARE(w.SelectedNode()->Id(), std::string("g1"));
    QCOMPARE(NameEdit(w)->text(), QString("Aurum"));
    QVERIFY(TFormMainTestAccess::Editor(w).Modified());
    QVERIFY(Snapshot(fx) == before);
    QVERIFY(fx.Exists("editordraft.dat")); // until the user saves or discards
    w.Action(TAction::EditorSave)->trigger();
    QVERIFY(!fx.Exists("editordraft.dat"));
    QVERIFY(fx.Read("usr_genus.dat").starts_with("aurum#Aurum#gold#A genus#"));
}

void TestEditorLeave::DraftDeclinedOrOfAGoneBranch() {
    TEditorDraft draft;
    draft.Level = GenusLevel;
    draft.BranchId = "gone";
    draft.BranchName = "Aurex";
    draft.Record.Level = GenusLevel;
    draft.Record.Id = "nova";
    draft.Record.Name = "Nova";
    draft.Record.Description = "two\nlines \\n";
    draft.Record.Genus.ImageFile = "-";
    draft.Record.Genus.Species = std::make_shared<TStringList>(TStringList{"\t#sp#m#d"});
    struct TCase {
        const char* Name;
        std::string Bytes;
        int Answer; // 0: not offered
        bool Kept;
    };
    const std::string whole = EditorDraftText(draft);
    const TCase cases[] = {
        {"declined", whole, Mb::IdNo, false},
        {"cut short", whole.substr(0, whole.size() - 3), 0, true},
        {"a branch that is gone", whole, Mb::IdYes, true},
    };
    for (const TCase& c : cases) {
        TGuiFixture fx;
        WriteData(fx);
        fx.Write("editordraft.dat", c.Bytes);
        TScriptedDialogs dialogs;
        if (c.Answer)
            dialogs.ExpectMessage(DraftQuestion, Mb::YesNo | Mb::IconQuestion, c.Answer);
        TFormMain w;
        QVERIFY2(dialogs.AllAnswered(), qPrintable(QString(c.Name) + ": " + dialogs.Report()));
        QVERIFY2(fx.Exists("editordraft.dat") == c.Kept, c.Name);
        if (c.Answer != Mb::IdYes)
            continue;
        // A new record of its level: Save stores it as typed.
        QCOMPARE(NameEdit(w)->text(), QString("Nova"));
        QCOMPARE(TFormMainTestAccess::EditRecord(w).Description, draft.Record.Description);
        w.Action(TAction::EditorSave)->trigger();
        QCOMPARE(fx.Read("usr_genus.dat"), std::string("nova#Nova##two|lines \\n###-#####\r\n\t#sp#m#d\r\n"));
    }
    // A FIFO in the draft's place is never opened for a blocking read.
    TGuiFixture fx;
    WriteData(fx);
    QVERIFY(mkfifo((fx.Folder() + "editordraft.dat").toLocal8Bit().constData(), 0600) == 0);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString childFolder = qEnvironmentVariable("ORV_EDITOR_CHILD");
    if (!childFolder.isEmpty())
        return RunChild(childFolder, qEnvironmentVariable("ORV_EDITOR_CHILD_WAITS") == "1");
    TestEditorLeave test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_editor_leave.moc"
