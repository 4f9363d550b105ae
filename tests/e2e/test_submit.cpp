// Submitting user databases from the real main window: to the reference server's inbox, to a
// scripted server that refuses one notification, cancelled, and with the server unreachable.
#include "E2eSupport.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Form_SubmitInfo.h"
#include "Global.h"
#include "ScriptServer.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QUrlQuery>
#include <QtTest>

namespace {

const QString ThankYou =
    "Thank You!\n\n%1 File(s) posted successful. Tovren will review them and let you know the "
    "result as soon as he could.";
const QString ThankYouFailed = "Thank You!\n\n%1 File(s) posted successful. But %2 mail(s) sending failed. "
                               "You may need to send an e-mail to "
                               "Tovren in order to let him know what you have submit.";
constexpr int Ok = 1;

template <class T> T* Child(QDialog& dialog, const char* name) {
    T* child = dialog.findChild<T*>(name);
    if (!child)
        qFatal("no child %s", name);
    return child;
}

QStringList ListTexts(QListWidget* list, QList<bool>* checked = nullptr) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        texts << list->item(row)->text();
        if (checked)
            *checked << (list->item(row)->checkState() == Qt::Checked);
    }
    return texts;
}

void WriteModified(TE2eProgram& fx, const QStringList& names) {
    std::string text;
    for (const QString& name : names)
        text += fx.Folder().toStdString() + name.toStdString() + "\r\n";
    fx.Write("modifiedfiles.dat", text);
}

// The query values of a request line, decoded.
QUrlQuery QueryOf(const QString& requestLine) {
    const QString target = requestLine.section(' ', 1, 1);
    return QUrlQuery(target.section('?', 1));
}

} // namespace

class TestSubmit : public QObject {
    Q_OBJECT
private slots:
    void PostsCheckedPictureThenDataFile();
    void RefusedNotificationCountsOneFailure();
    void CancelAndNothingWaiting();
    void NetworkFailureKeepsTheList();
    void CloseDuringSubmissionIsQuiet();
};

void TestSubmit::PostsCheckedPictureThenDataFile() {
    TVelmora velmora;
    velmora.Start();
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    // Off-line mode does not concern submissions.
    fx.WriteOptions(velmora.Url(), 7, true);
    const std::string userGenus = "ga#Alpha#a#A#Hopper#Alpha korvel#first.gif#####a\r\n"
                                  "\t#minor#small#tiny#x#y#other.gif\r\n"
                                  "gb#Beta#b#B#Hopper#Beta korvel#second c&d+e.jpg#####b\r\n"
                                  "gc#Gamma#c#C#Hopper#Gamma korvel#missing.gif#####c\r\n"
                                  "gd#Delta#d#D#Hopper#Delta korvel#-#####d\r\n";
    fx.Write("usr_genus.dat", userGenus);
    const QByteArray first = ReadBytes(ShippedData() + "images/aurovelis.gif");
    const QByteArray second = ReadBytes(ShippedData() + "images/aethrocellis.jpg");
    WriteBytes(fx.Folder() + "images/first.gif", first);
    WriteBytes(fx.Folder() + "images/second c&d+e.jpg", second);
    WriteBytes(fx.Folder() + "images/other.gif", first);
    WriteModified(fx, {"usr_genus.dat"});
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    QStringList shownPictures, shownFiles;
    QList<bool> shownChecked;
    dialogs.ExpectDialog("FormSubmitInfo", [&](QDialog& dialog) {
        auto* pictures = Child<QListWidget>(dialog, "ImagesChkListBox");
        shownPictures = ListTexts(pictures, &shownChecked);
        shownFiles = Child<QPlainTextEdit>(dialog, "FileListMemo")->toPlainText().split('\n');
        pictures->item(0)->setCheckState(Qt::Unchecked);
        Child<QLineEdit>(dialog, "NameEdit")->setText("Ilse Varn & Co");
        Child<QLineEdit>(dialog, "EmailEdit")->setText("ilse+korvel@example.org");
        Child<QPushButton>(dialog, "SubmitBtn")->click();
        return dialog.result();
    });
    dialogs.ExpectMessage(ThankYou.arg(2), 64, Ok);
    QStringList status;
    connect(w.statusBar(), &QStatusBar::messageChanged, this, [&](const QString& text) { status << text; });
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    // Only pictures that exist, named by genus lines, each checked at first.
    QCOMPARE(shownPictures, QStringList({"first.gif", "second c&d+e.jpg"}));
    QCOMPARE(shownChecked, QList<bool>({true, true}));
    QCOMPARE(shownFiles, QStringList{fx.Folder() + "usr_genus.dat"});

    // The checked picture first, then the data file, byte for byte, with the name and address.
    const QList<TVelmora::TSubmission> inbox = velmora.Inbox();
    QCOMPARE(inbox.size(), 2);
    QCOMPARE(inbox[0].File, QString("second c&d+e.jpg"));
    QCOMPARE(inbox[0].Bytes, second);
    QCOMPARE(inbox[1].File, QString("usr_genus.dat"));
    QCOMPARE(inbox[1].Bytes, Bytes(userGenus));
    for (const TVelmora::TSubmission& s : inbox) {
        QCOMPARE(s.Name, QString("Ilse Varn & Co"));
        QCOMPARE(s.Email, QString("ilse+korvel@example.org"));
    }
    QVERIFY(status.contains("Uploading data to Velmora server...1 of 2"));
    QVERIFY(status.contains("Uploading data to Velmora server...2 of 2"));
    QCOMPARE(status.last(), QString("Ready"));
    QVERIFY(ModifiedFiles.Empty());
    QCOMPARE(fx.Read("usr_genus.dat"), userGenus);
    const QString ini = QString::fromStdString(fx.Read("options.ini"));
    QVERIFY(ini.contains("Name=Ilse Varn & Co"));
    QVERIFY(ini.contains("Email=ilse+korvel@example.org"));
    QVERIFY(Options.OfflineMode);

    // Nothing is waiting any more.
    dialogs.ExpectMessage("No file is waiting to be uploaded", 48, Ok);
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(velmora.Inbox().size(), 2);
}

void TestSubmit::RefusedNotificationCountsOneFailure() {
    const auto ok = [](const std::string& body) { return TScriptStep{Reply("200 OK", {}, body)}; };
    TScriptServer server({ok("SUCCESS"), ok("Mail failed"), ok("SUCCESS")});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    const QStringList names = {"usr_class.dat", "usr_genus.dat", "usr_tree.dat"};
    for (const QString& name : names)
        fx.Write(name, "x1#" + name.toStdString() + "#data\r\n");
    WriteModified(fx, names);
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    // Empty boxes: no name and the maintainer's address go with the files.
    dialogs.ExpectDialog("FormSubmitInfo", [](QDialog& dialog) {
        Child<QLineEdit>(dialog, "NameEdit")->clear();
        Child<QLineEdit>(dialog, "EmailEdit")->clear();
        Child<QPushButton>(dialog, "SubmitBtn")->click();
        return dialog.result();
    });
    dialogs.ExpectMessage("Submit notification sending failed with following message:\n\nMail failed", 16,
                          Ok);
    dialogs.ExpectMessage(ThankYouFailed.arg(3).arg(1), 48, Ok);
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    const std::vector<std::string> requests = server.Requests();
    const QStringList lines = RequestLines(server);
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(lines[i].startsWith("POST /velmora/usercontrol?cmd=submitdb&file=" + names[i] + "&name="));
        const QUrlQuery query = QueryOf(lines[i]);
        QCOMPARE(query.queryItemValue("name", QUrl::FullyDecoded), QString("[NoName]"));
        QCOMPARE(query.queryItemValue("email", QUrl::FullyDecoded), QString(MaintainerEmail));
        QCOMPARE(RequestBody(requests[size_t(i)]), fx.Bytes(names[i]));
    }
    // Every file counts as posted: the list is empty, and the dialog offers the values next time.
    QVERIFY(ModifiedFiles.Empty());
    TFormSubmitInfo next;
    QCOMPARE(next.UserName(), std::string("[NoName]"));
    QCOMPARE(next.UserEmail(), std::string(MaintainerEmail));
}

void TestSubmit::CancelAndNothingWaiting() {
    TScriptServer server({{Reply("200 OK", {}, "SUCCESS")}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    std::string withName = fx.Read("options.ini");
    withName.replace(withName.find("AppVersion"), 0, "Name=Ilse\r\n");
    fx.Write("options.ini", withName);
    fx.Write("usr_class.dat", "c1#Korvelia#mine#Mine\r\n");
    WriteModified(fx, {"usr_class.dat"});
    const std::string ini = fx.Read("options.ini");
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    QString shownName;
    dialogs.ExpectDialog("FormSubmitInfo", [&](QDialog& dialog) {
        shownName = Child<QLineEdit>(dialog, "NameEdit")->text();
        Child<QLineEdit>(dialog, "NameEdit")->setText("Someone else");
        Child<QPushButton>(dialog, "CancelBtn")->click();
        return dialog.result();
    });
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(shownName, QString("Ilse"));
    QVERIFY(server.Requests().empty());
    QCOMPARE(ModifiedFiles.Count(), size_t(1));
    QCOMPARE(fx.Read("options.ini"), ini);

    // An empty list asks nothing and posts nothing.
    ModifiedFiles.Clear();
    dialogs.ExpectMessage("No file is waiting to be uploaded", 48, Ok);
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(server.Requests().empty());
}

void TestSubmit::NetworkFailureKeepsTheList() {
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    {
        // A port on which nothing listens any more.
        TScriptServer gone({{Reply("200 OK", {}, "")}});
        fx.WriteOptions(QString::fromStdString(gone.Url("/")), 7);
    }
    fx.Write("usr_class.dat", "c1#Korvelia#mine#Mine\r\n");
    fx.Write("usr_order.dat", "o1#Ordina#mine#Mine\r\n");
    WriteModified(fx, {"usr_class.dat", "usr_order.dat"});
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);

    dialogs.ExpectDialog("FormSubmitInfo", [](QDialog& dialog) {
        Child<QPushButton>(dialog, "SubmitBtn")->click();
        return dialog.result();
    });
    // The failure is shown by the program's error report; no thank-you follows.
    dialogs.ExpectMessage("", 16, Ok);
    w.Action(TAction::DBSubmitUserDB)->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages.size(), 1);
    QCOMPARE(ModifiedFiles.Count(), size_t(2));
    QCOMPARE(TFormMainTestAccess::StatusText(w), QString("Uploading data to Velmora server...1 of 2"));
    QVERIFY(w.Action(TAction::DBSubmitUserDB)->isEnabled());
}

void TestSubmit::CloseDuringSubmissionIsQuiet() {
    // A server that accepts and never answers.
    TScriptServer server({{std::string(), true, 0}});
    TE2eProgram fx;
    fx.WriteServerProgramFiles();
    fx.WriteSmallTree();
    fx.WriteOptions(QString::fromStdString(server.Url("/")), 7);
    fx.Write("usr_class.dat", "c1#Korvelia#mine#Mine\r\n");
    WriteModified(fx, {"usr_class.dat"});
    const std::string modified = fx.Read("modifiedfiles.dat");
    TScriptedDialogs dialogs;
    auto w = std::make_unique<TFormMain>();
    CHECK_DIALOGS(dialogs);
    w->show();
    TFormMain* window = w.get();
    dialogs.ExpectDialog("FormSubmitInfo", [window](QDialog& dialog) {
        QTimer::singleShot(200, window, [window] { window->close(); });
        Child<QPushButton>(dialog, "SubmitBtn")->click();
        return dialog.result();
    });
    // No error report for the abort; the files still wait, so closing asks about them.
    dialogs.ExpectMessage("You have modified taxonomy databases. Do you want to submit it to Tovren?", 35, 7);
    w->Action(TAction::DBSubmitUserDB)->trigger();
    QTRY_VERIFY(!w->isVisible());
    CHECK_DIALOGS(dialogs);
    QCOMPARE(RequestLines(server).size(), 1);
    QCOMPARE(ModifiedFiles.Count(), size_t(1));
    w.reset();
    QCOMPARE(fx.Read("modifiedfiles.dat"), modified);
}

QTEST_MAIN(TestSubmit)
#include "test_submit.moc"
