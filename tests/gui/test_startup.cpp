// Start-up and shut-down of the real main window, offscreen, with scripted answers.
#include "AppState.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "Global.h"
#include "GuiFixture.h"
#include "RelatedLinks.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"
#include "TaxonomyTreeView.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {
const QString Welcome =
    "Welcome to Orvandel Viewer v2.20\n\nYou have updated this program from previous version.";
const QString NewFeatures = "This program version contain new features";
const QString Reminder = "Your korvel taxonomy file has not been updated since ";
const QString ReminderAgain = "The reminder will popped up again next 30 days.";
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void FirstStartAsksUpgradeOnceThenReminds();
    void ReminderAfterThirtyOneDaysNotThirty();
    void ReminderNoStoresToday();
    void ListTypeZeroStartsInNameMode();
    void SaveTreeZeroIsLeftAlone();
    void CloseWithModifiedFilesCancel();
    void ShutdownWritesOptionsAndState();
    void MissingTemplateClosesOnActivation();
    void StatusGoesToSplashThenStatusBar();
    void SplashStepsAsideForQuestions();
    void FailedFirstRefreshKeepsTheShippedTree();
    void KeyboardFocusAndLinks();
    void WindowGeometryIsRemembered();
    void TreeModelCaptionsIconsAndGrey();
    void MenusFollowTheActionTable();
    void PagesAndCopyTree();
    void DeletionWithRecordsAndLayout();
};

void TestStartup::FirstStartAsksUpgradeOnceThenReminds() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    // The data is as old as its tree file, whatever day the program first starts on it.
    QFile tree(fx.Folder() + "classifytree.dat");
    QVERIFY(tree.open(QIODevice::ReadWrite));
    QVERIFY(tree.setFileTime(QDateTime(QDate(2026, 10, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    tree.close();
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(Welcome, 36, 7);
        dialogs.ExpectMessage(NewFeatures, 64, 1);
        TFormMain w;
        CHECK_DIALOGS(dialogs);
        QCOMPARE(w.Tree().Count(), size_t(7));
    }
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("AppVersion=2.2"));
    {
        // No upgrade question again, but the reminder counts from the data's date; declined, the
        // thirty days count from today.
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(Reminder + QString::fromStdString(FormatShortDate(EncodeDate(2026, 10, 1))), 36,
                              7);
        dialogs.ExpectMessage(ReminderAgain, 64, 1);
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
    const int firstStart = Today();
    SetTodayForTesting(firstStart + 31);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(Reminder + QString::fromStdString(FormatShortDate(firstStart)), 36, 7);
        dialogs.ExpectMessage(ReminderAgain, 64, 1);
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
}

void TestStartup::ReminderAfterThirtyOneDaysNotThirty() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.WriteCurrentOptions(Today() - 30);
    {
        TScriptedDialogs dialogs;
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
    fx.WriteCurrentOptions(Today() - 31);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(Reminder + QString::fromStdString(FormatShortDate(Today() - 31)) +
                                  ". Which is more than 30 days old",
                              36, 7);
        dialogs.ExpectMessage(ReminderAgain, 64, 1);
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
}

void TestStartup::ReminderNoStoresToday() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.WriteCurrentOptions(Today() - 100);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(Reminder, 36, 7);
        dialogs.ExpectMessage(ReminderAgain, 64, 1);
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
    const QString ini = QString::fromStdString(fx.Read("options.ini"));
    QVERIFY2(ini.contains("LastUpdate=" + QString::fromStdString(FormatShortDate(Today()))), qPrintable(ini));
    {
        TScriptedDialogs dialogs; // nothing asked now
        TFormMain w;
        CHECK_DIALOGS(dialogs);
    }
}

void TestStartup::ListTypeZeroStartsInNameMode() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" +
                                FormatShortDate(Today()) + "\r\n[Window]\r\nListType=0\r\n");
    TScriptedDialogs dialogs;
    TFormMain w;
    CHECK_DIALOGS(dialogs);
    QCOMPARE(DisplayModeOf(Options.ListType), 1);
    QVERIFY(w.Action(TAction::OptionsShowName)->isChecked());
    QVERIFY(!w.Action(TAction::OptionsShowBoth)->isChecked());
    QVERIFY(!w.Action(TAction::OptionsShowInfo)->isChecked());
    const QModelIndex first = TFormMainTestAccess::TreeModel(w)->index(0, 0);
    QCOMPARE(first.data().toString(), QString("Class Korvelia"));
    // Switching to both rebuilds, expands and moves the mark.
    w.Action(TAction::OptionsShowBoth)->trigger();
    QCOMPARE(TFormMainTestAccess::TreeModel(w)->index(0, 0).data().toString(),
             QString("Class Korvelia (the korvels)"));
    QVERIFY(w.Action(TAction::OptionsShowBoth)->isChecked());
    QVERIFY(!w.Action(TAction::OptionsShowName)->isChecked());
    QVERIFY(
        TFormMainTestAccess::TaxonomyTreeView(w)->isExpanded(TFormMainTestAccess::TreeModel(w)->index(0, 0)));
}

void TestStartup::SaveTreeZeroIsLeftAlone() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" +
                                FormatShortDate(Today()) + "\r\n[Window]\r\nSaveTree=0\r\n");
    {
        TScriptedDialogs dialogs;
        TFormMain w;
        QVERIFY(!w.Action(TAction::OptionsSaveTreeState)->isChecked());
        w.Action(TAction::OptionsSaveTreeState)->trigger();
        QVERIFY(w.Action(TAction::OptionsSaveTreeState)->isChecked());
        w.Action(TAction::OptionsSaveTreeState)->trigger();
        QVERIFY(!w.Action(TAction::OptionsSaveTreeState)->isChecked());
    }
    QVERIFY(!fx.Exists("treestate.dat"));
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("SaveTree=0"));
}

void TestStartup::CloseWithModifiedFilesCancel() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    const std::string modified = fx.Folder().toStdString() + "usr_genus.dat\r\n";
    fx.Write("modifiedfiles.dat", modified);
    TScriptedDialogs dialogs;
    auto w = std::make_unique<TFormMain>();
    w->show();
    dialogs.ExpectMessage("You have modified taxonomy databases. Do you want to submit it to Tovren?", 35, 2);
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    CHECK_DIALOGS(dialogs);
    // Nothing was written by the cancelled close.
    QCOMPARE(fx.Read("modifiedfiles.dat"), modified);
    QVERIFY(!fx.Exists("treestate.dat"));
    dialogs.ExpectMessage("You have modified taxonomy databases.", 35, 7);
    QVERIFY(w->close());
    w.reset();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("modifiedfiles.dat"), modified);
}

void TestStartup::ShutdownWritesOptionsAndState() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\nName=Ilse\r\n[Server]\r\nId=17\r\nLastUpdate=" +
                                FormatShortDate(Today() - 3) + "\r\n");
    {
        TScriptedDialogs dialogs;
        TFormMain w;
        w.CollapseAll();
        w.SetExpanded(w.Tree().First(), true);
        Options.URL = "http://example.invalid/";
        Options.OfflineMode = true;
    }
    const QString ini = QString::fromStdString(fx.Read("options.ini"));
    QVERIFY2(ini.contains("URL=http://example.invalid/"), qPrintable(ini));
    QVERIFY(ini.contains("OfflineMode=1"));
    QVERIFY(ini.contains("ListType=3"));
    QVERIFY2(ini.contains("TaxonomySize=225"), qPrintable(ini));
    QVERIFY(ini.contains("Name=Ilse"));
    QVERIFY(ini.contains("Id=17"));
    QVERIFY(ini.contains("LastUpdate=" + QString::fromStdString(FormatShortDate(Today() - 3))));
    // Only the first class was left expanded.
    const std::string state = fx.Read("treestate.dat");
    QCOMPARE(QString::fromStdString(state).split("\r\n", Qt::SkipEmptyParts).size(), 7);
    QVERIFY(state.rfind("#c1#1\r\n", 0) == 0);
    QVERIFY(state.find("#o1#0\r\n") != std::string::npos);
    QVERIFY(fx.Exists("modifiedfiles.dat"));
    {
        // The saved state is restored at the next start.
        TScriptedDialogs dialogs;
        TFormMain w;
        QVERIFY(w.IsExpanded(w.Tree().First()));
        QVERIFY(!w.IsExpanded(w.Tree().First()->Child(0)));
        w.ExpandAll();
        w.ResetTreeAppearance();
        QVERIFY(!w.IsExpanded(w.Tree().First()->Child(0)));
    }
    {
        // A state that names only the first branches: the others stay open, and the rows show it.
        fx.Write("treestate.dat", "#c1#1\r\n\t\t#o1#0\r\n");
        TScriptedDialogs dialogs;
        TFormMain w;
        TTreeNode* o1 = w.Tree().First()->Child(0);
        QVERIFY(!w.IsExpanded(o1));
        QVERIFY(w.IsExpanded(o1->Child(0)));
        QCOMPARE(TFormMainTestAccess::TaxonomyTreeView(w)->RowCount(), size_t(4)); // c1, o1, o2, c2
        QCOMPARE(TFormMainTestAccess::TaxonomyTreeView(w)->NodeAtRow(2), w.Tree().First()->Child(1));
    }
}

void TestStartup::MissingTemplateClosesOnActivation() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Remove("genus.tem");
    fx.Write("options.ini", "[Window]\r\nListType=2\r\n");
    fx.Write("modifiedfiles.dat", "/x/usr_genus.dat\r\n");
    TScriptedDialogs dialogs;
    dialogs.ExpectMessage(
        "Data file open fail!\n\nTry reinstalling this product to make sure all required files are "
        "in the same folder as the program file.",
        16, 1);
    auto w = std::make_unique<TFormMain>();
    CHECK_DIALOGS(dialogs);
    QVERIFY(TFormMainTestAccess::DataFileFailed(*w));
    QCOMPARE(w->Tree().Count(), size_t(0));
    // It closes once shown, activated by a window manager or not.
    w->show();
    QTRY_VERIFY(!w->isVisible());
    w.reset();
    // The failed start leaves the user's files alone.
    QCOMPARE(fx.Read("options.ini"), std::string("[Window]\r\nListType=2\r\n"));
    QCOMPARE(fx.Read("modifiedfiles.dat"), std::string("/x/usr_genus.dat\r\n"));
}

void TestStartup::StatusGoesToSplashThenStatusBar() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    auto* splash = new TFormSplash;
    QCOMPARE(splash->StatusText(), QString("Starting application..."));
    TFormMain w(splash);
    // The last text of the start went to the splash; the main window waits for the hand-over.
    QCOMPARE(splash->StatusText(), QString("Ready"));
    QVERIFY(splash->StatusPanel()->isHidden());
    QVERIFY(!w.isEnabled());
    QVERIFY(splash->CloseSplashTimer()->isActive());
    QCOMPARE(splash->CloseSplashTimer()->interval(), 2000);
    QPointer<TFormSplash> watch(splash);
    splash->CloseSplashTimer()->start(1); // do not wait the two seconds
    QTRY_VERIFY(watch.isNull());
    QVERIFY(w.isEnabled());
    SetStatus("Working...");
    QCOMPARE(w.statusBar()->currentMessage(), QString("Working..."));
    // Hints of the actions reach the status line.
    QStatusTipEvent tip(w.Action(TAction::DBExit)->statusTip());
    QApplication::sendEvent(&w, &tip);
    QCOMPARE(w.statusBar()->currentMessage(), QString("Exit Orvandel Viewer"));
}

void TestStartup::FailedFirstRefreshKeepsTheShippedTree() {
    // A new user answers Yes to the welcome question and the server cannot be reached: the data
    // that came with the program stay on screen.
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Write("options.ini", "[Server]\r\nURL=http://127.0.0.1:1/\r\n");
    const std::string tree = fx.Read("classifytree.dat");
    TScriptedDialogs dialogs;
    dialogs.ExpectMessage(Welcome, 36, 6);
    dialogs.ExpectMessage("Network connection failure", 16, 1);
    {
        TFormMain w;
        CHECK_DIALOGS(dialogs);
        QCOMPARE(w.Tree().Count(), size_t(7)); // every line of the shipped tree file
        QCOMPARE(fx.Read("classifytree.dat"), tree);
    }
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("LastUpdate=07/12/2026"));
}

void TestStartup::SplashStepsAsideForQuestions() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree(); // no options yet: the welcome question, then its note
    TScriptedDialogs dialogs;
    auto* splash = new TFormSplash;
    splash->show();
    int coveredQuestions = 0;
    dialogs.OnMessage = [&](const QString&) { coveredQuestions += splash->isVisible() ? 1 : 0; };
    dialogs.ExpectMessage(Welcome, 36, 7);
    dialogs.ExpectMessage(NewFeatures, 64, 1);
    TFormMain w(splash);
    CHECK_DIALOGS(dialogs);
    QCOMPARE(coveredQuestions, 0);
    // Start-up went on after the questions: the splash is back until its time is up.
    QVERIFY(splash->isVisible());
    QPointer<TFormSplash> watch(splash);
    splash->CloseSplashTimer()->start(1);
    QTRY_VERIFY(watch.isNull());
}

void TestStartup::KeyboardFocusAndLinks() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TFormMainTestAccess::TaxonomyTreeView(w)));
    // Each page's shortcut puts the focus where the user types next.
    const std::pair<TAction, const char*> pages[] = {{TAction::ViewSearch, "SearchTextEdit"},
                                                     {TAction::ViewResult, "ResultListView"},
                                                     {TAction::ViewTaxnomyTree, "TaxonomyTreeView"}};
    for (const auto& [action, control] : pages) {
        w.Action(action)->trigger();
        QVERIFY2(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == control,
                 control);
    }
    // Tab goes round every pane (the summary included) and back to the tree; Shift+Tab goes back.
    QStringList round;
    for (int i = 0; i < 40 && (round.isEmpty() ||
                               QApplication::focusWidget() != TFormMainTestAccess::TaxonomyTreeView(w));
         ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        round << QApplication::focusWidget()->objectName();
    }
    for (const char* pane : {"DetailMemo", "TaxonomyTreeView"})
        QVERIFY2(round.contains(pane), qPrintable(round.join(' ')));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), round.at(round.size() - 2));
    // A focused branch link opens with Enter and with Space.
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        QVERIFY(TFormMainTestAccess::SelectBranch(w, 0, "c2"));
        TFormMainTestAccess::RelatedLinks(w)->AddRelatedLink("Ordina", 0, "  ", "o1");
        QTreeWidget* links = TFormMainTestAccess::RelatedLinks(w)->List();
        links->setCurrentItem(links->findItems("Ordina", Qt::MatchExactly).value(0));
        links->setFocus();
        QTest::keyClick(links, Qt::Key(key));
        QCOMPARE(w.SelectedNode()->Id(), std::string("o1"));
    }
    CHECK_DIALOGS(dialogs);
}

void TestStartup::WindowGeometryIsRemembered() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    for (bool maximized : {false, true}) {
        QRect placed;
        {
            TFormMain w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(40, 50, 620, 430);
            if (maximized)
                w.showMaximized();
            QTRY_COMPARE(w.isMaximized(), maximized);
            placed = w.normalGeometry();
        }
        // The specified keys are kept; ours lives in a section of its own.
        QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("[Viewer]"));
        TFormMain again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.isMaximized(), maximized);
        if (!maximized)
            QCOMPARE(again.geometry().size(), placed.size());
    }
    CHECK_DIALOGS(dialogs);
}

void TestStartup::TreeModelCaptionsIconsAndGrey() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    QAbstractItemModelTester tester(TFormMainTestAccess::TreeModel(w),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    TTaxonomyTreeModel* m = TFormMainTestAccess::TreeModel(w);
    const QModelIndex cls = m->index(0, 0);
    const QModelIndex order = m->index(0, 0, cls);
    const QModelIndex family = m->index(0, 0, order);
    const QModelIndex genus = m->index(0, 0, family);
    const QModelIndex planned = m->index(1, 0, family);
    const QModelIndex placeholder = m->index(1, 0, cls);
    QCOMPARE(genus.data().toString(), QString("Alpha (first)"));
    QCOMPARE(order.data().toString(), QString("Order Ordina (walkers)"));
    QVERIFY(!order.data(Qt::ForegroundRole).isValid());
    QCOMPARE(planned.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    QCOMPARE(placeholder.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    QCOMPARE(ImageIndexOf(m->NodeOf(genus)), 2);
    QCOMPARE(ImageIndexOf(m->NodeOf(planned)), 4);
    QCOMPARE(SelectedIndexOf(m->NodeOf(order)), 1);
    const QIcon genusIcon = genus.data(Qt::DecorationRole).value<QIcon>();
    QVERIFY(!genusIcon.isNull());
    // The selected state shows the next icon of the list, not a tinted copy.
    QVERIFY(genusIcon.pixmap(16, QIcon::Selected).toImage() != genusIcon.pixmap(16, QIcon::Normal).toImage());
    // Mode 2 shows the info only.
    w.SetDisplayMode(2);
    QCOMPARE(m->index(0, 0).data().toString(), QString("Class  (the korvels)"));
    // A rebuild starts from the first node, selected.
    QCOMPARE(w.SelectedNode(), w.Tree().First());
    // Inserts, changes and removals reach the view through the model, checked by the tester.
    TTreeNode* familyNode = m->NodeOf(m->index(0, 0, m->index(0, 0, m->index(0, 0))));
    TTreeNode* added = AddTreeNode(w.Tree(), familyNode, TTaxonomyData("\t\t\t\t\t", "g9", "Novus", "new"));
    QCOMPARE(m->rowCount(m->IndexOf(familyNode)), 3);
    QCOMPARE(m->IndexOf(added).data().toString(), QString(" (new)"));
    UpdateTreeNode(w.Tree(), added, TTaxonomyData("", "g9", "Renamed", "newer"));
    QCOMPARE(m->IndexOf(added).data().toString(), QString(" (newer)"));
    w.Tree().DeleteNode(familyNode->Child(0));
    QCOMPARE(m->rowCount(m->IndexOf(familyNode)), 2);
    QCOMPARE(m->IndexOf(added).row(), 1);
    w.Tree().DeleteNode(w.Tree().First());
    QCOMPARE(m->rowCount(), 1);
}

void TestStartup::MenusFollowTheActionTable() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    QAction* exit = w.findChild<QAction*>("ActionDBExit");
    QVERIFY(exit);
    QCOMPARE(exit->text(), QString("E&xit"));
    QCOMPARE(exit->statusTip(), QString("Exit Orvandel Viewer"));
    QCOMPARE(w.Action(TAction::DBRefresh)->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(w.Action(TAction::DBRefreshItem)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    QCOMPARE(w.Action(TAction::ViewSearch)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QVERIFY(!w.Action(TAction::DBSearch)->isEnabled());
    QVERIFY(!Find<QPushButton>(w, "SearchBtn")->isEnabled());
    Find<QLineEdit>(w, "SearchTextEdit")->setText(" ");
    QVERIFY(w.Action(TAction::DBSearch)->isEnabled());
    QVERIFY(Find<QPushButton>(w, "SearchBtn")->isEnabled());
    QCOMPARE(Find<QPushButton>(w, "SearchBtn")->text(), QString("&Search Species"));
    Find<QLineEdit>(w, "SearchTextEdit")->clear();
    QVERIFY(!w.Action(TAction::DBSearch)->isEnabled());
    QVERIFY(w.Action(TAction::OptionsServer)
                ->statusTip()
                .startsWith("Address of Velmora server. Please do not modify this value!"));
    QVERIFY(w.Action(TAction::OptionsServer)->statusTip().contains(QString::fromLatin1(DefaultServerURL)));
    // The Database menu in order, separators included.
    QMenu* db = w.findChild<QMenu*>("itemDatabase");
    QVERIFY(db);
    QStringList items;
    for (QAction* a : db->actions())
        items << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(items, QStringList({"Download &All Datas", "Download All &Images", "-", "&Refresh Taxonomy Tree",
                                 "Refresh &Item", "&Download Image", "&Cancel Transfer", "-",
                                 "&Merge User Databases", "&Delete User Database...", "-",
                                 "&Submit User Databases...", "-", "S&tatistic...", "-", "&Print Summary...",
                                 "Save Summary as PD&F...", "-", "E&xit"}));
    // Download Image is a menu item of its own name that shows and runs its action.
    auto* reload = w.findChild<QAction*>("itemDBReloadImage");
    QVERIFY(reload && db->actions().contains(reload));
    QSignalSpy ran(w.Action(TAction::DBReloadImage), &QAction::triggered);
    for (bool enabled : {false, true}) {
        w.Action(TAction::DBReloadImage)->setEnabled(enabled);
        QCOMPARE(reload->isEnabled(), enabled);
        reload->trigger();
        QCOMPARE(ran.count(), enabled ? 1 : 0);
    }
    QVERIFY(w.findChild<QObject*>("TaxonomyImageList"));
    // The items this program adds take letters that no other item of their menu uses.
    auto letter = [](const QString& text) {
        const qsizetype at = text.indexOf('&');
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    for (TAction id : {TAction::DBCancelTransfer, TAction::ViewGoToBranch, TAction::ViewExportBranch,
                       TAction::ViewWhatChanged, TAction::ViewBack, TAction::ViewForward,
                       TAction::DBPrintSummary, TAction::DBSaveSummaryPdf}) {
        QAction* added = w.Action(id);
        for (QMenu* menu : w.menuBar()->findChildren<QMenu*>()) {
            if (!menu->actions().contains(added))
                continue;
            int same = 0;
            for (QAction* a : menu->actions())
                same += !a->isSeparator() && letter(a->text()) == letter(added->text()) ? 1 : 0;
            QVERIFY2(same == 1, qPrintable(added->text()));
        }
    }
    QMenu* options = w.findChild<QMenu*>("itemOptions");
    items.clear();
    for (QAction* a : options->actions())
        items << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(items,
             QStringList({"Show Scientific Name", "Show &Info", "Show &Both", "-", "Save Tree &Appearance",
                          "Viewing &Offline", "-", "Change &Server Address..."}));
    // Changing the server address goes through the input box; Cancel keeps it.
    dialogs.ExpectInput("Type in address of Velmora website:", true, "http://other.invalid:81/");
    w.Action(TAction::OptionsServer)->trigger();
    QCOMPARE(Options.URL, std::string("http://other.invalid:81/"));
    dialogs.ExpectInput("Type in address of Velmora website:", false, "ignored");
    w.Action(TAction::OptionsServer)->trigger();
    QCOMPARE(Options.URL, std::string("http://other.invalid:81/"));
    CHECK_DIALOGS(dialogs);
}

void TestStartup::PagesAndCopyTree() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(w.Action(TAction::ViewTaxnomyTree)->isChecked());
    Find<QTabWidget>(w, "MainPageControl")
        ->setCurrentIndex(TFormMain::SearchPage); // as a click on the tab does
    QVERIFY(w.Action(TAction::ViewSearch)->isChecked());
    QVERIFY(!w.Action(TAction::ViewTaxnomyTree)->isChecked());
    w.Action(TAction::ViewResult)->trigger();
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->currentIndex(), int(TFormMain::ResultPage));
    QVERIFY(w.Action(TAction::ViewResult)->isChecked());

    TTreeNode* genus = w.Tree().First()->Child(0)->Child(0)->Child(0);
    w.SelectNode(genus);
    w.Action(TAction::ViewCopyTree)->trigger();
    QCOMPARE(
        QApplication::clipboard()->text(),
        QString("Class Korvelia (the korvels)\r\nOrder Ordina (walkers)\r\nFamily Familia (round ones)\r\n"
                "Alpha (first)\r\n"));
}

void TestStartup::DeletionWithRecordsAndLayout() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteSmallTree();
    fx.Write("options.ini", "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" +
                                FormatShortDate(Today()) + "\r\n[Window]\r\nTaxonomySize=180\r\n");
    fx.Write("usr_genus.dat", "g1#Alpha#mine#Kept#####-#####\r\n");
    TScriptedDialogs dialogs;
    auto window = std::make_unique<TFormMain>();
    TFormMain& w = *window;
    w.resize(800, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The stored width holds even where the page tabs are wider (they scroll).
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->width(), 180);
    QCOMPARE(w.size(), QSize(800, 500));
    // However wide the tree pane is made, the summary stays readable.
    Find<QSplitter>(w, "MainSplitter")->setSizes({5000, 10});
    QApplication::processEvents();
    const QTextBrowser* memo = TFormMainTestAccess::DetailMemo(w);
    QVERIFY2(memo->width() >= 25 * memo->fontMetrics().averageCharWidth(),
             qPrintable(QString::number(memo->width())));
    // The width the user drags to is what the next start gets.
    Find<QSplitter>(w, "MainSplitter")->setSizes({340, 457});
    QCOMPARE(Find<QTabWidget>(w, "MainPageControl")->width(), 340);
    QCOMPARE(w.minimumSize(), QSize(425, 200));
    // The Show Image button sits in the middle of the Image page once that page is shown.
    QTabWidget* info = w.findChild<QTabWidget*>("InfoPageControl");
    info->setCurrentWidget(Find<QWidget>(w, "ImageTabSheet"));
    QApplication::processEvents();
    const QRect page = Find<QWidget>(w, "ImageTabSheet")->rect();
    QVERIFY(qAbs(Find<QPushButton>(w, "ShowImageBtn")->geometry().center().x() - page.center().x()) <= 1);
    QVERIFY(qAbs(Find<QPushButton>(w, "ShowImageBtn")->geometry().center().y() - page.center().y()) <= 1);
    // Tab leaves the summary view for the next pane (no keyboard trap), links or not.
    info->setCurrentIndex(0);
    TFormMainTestAccess::DetailMemo(w)->setHtml("<a href=\"x\">one</a> <a href=\"y\">two</a>");
    TFormMainTestAccess::DetailMemo(w)->setFocus();
    QTest::keyClick(TFormMainTestAccess::DetailMemo(w), Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != static_cast<QWidget*>(TFormMainTestAccess::DetailMemo(w)));
    // Enter on the Search page starts the search once there is a text.
    int searches = 0;
    connect(w.Action(TAction::DBSearch), &QAction::triggered, [&] { ++searches; });
    w.ShowMainPage(TFormMain::SearchPage);
    Find<QLineEdit>(w, "SearchTextEdit")->setFocus();
    QTest::keyClick(Find<QLineEdit>(w, "SearchTextEdit"), Qt::Key_Return);
    QCOMPARE(searches, 0);
    QTest::keyClicks(Find<QLineEdit>(w, "SearchTextEdit"), "vane");
    QTest::keyClick(Find<QLineEdit>(w, "SearchTextEdit"), Qt::Key_Return);
    QCOMPARE(searches, 1);
    w.ShowMainPage(TFormMain::TaxonomyPage);
    // The pop-up menu of the tree and the summary.
    QMenu* popup = w.findChild<QMenu*>("SummaryPopupMenu");
    QVERIFY(popup);
    QCOMPARE(popup->actions().size(), 2);
    QCOMPARE(popup->actions()[1]->text(), QString("Copy Selected &Branch's Tree"));
    QVERIFY(w.findChild<QObject*>("MainActionList"));

    // A rebuild never touches a database, even right after a deletion with records.
    w.SelectNode(w.Tree().First()->Child(0));
    dialogs.ExpectMessage("You are going to delete selected item", Mb::OkCancel | Mb::IconQuestion, Mb::IdOk);
    dialogs.ExpectMessage("Do you want them to be deleted as well?", Mb::YesNoCancel | Mb::IconQuestion,
                          Mb::IdYes);
    w.Action(TAction::EditorDeleteTreeItem)->trigger();
    CHECK_DIALOGS(dialogs);
    // The order, its family and its genus left the main databases; the planned genus had none.
    QCOMPARE(fx.Read("order.dat"), std::string("o2#[unnamed]#n/a#Not named yet\r\n"));
    QCOMPARE(fx.Read("family.dat"), std::string());
    QCOMPARE(fx.Read("genus.dat"), std::string());
    QCOMPARE(fx.Read("usr_genus.dat"), std::string("g1#Alpha#mine#Kept#####-#####\r\n"));
    const std::string classes = fx.Read("class.dat");
    w.SetDisplayMode(1);
    QCOMPARE(fx.Read("class.dat"), classes);
    QCOMPARE(fx.Read("order.dat"), std::string("o2#[unnamed]#n/a#Not named yet\r\n"));
    w.close();
    window.reset();
    QVERIFY(QString::fromStdString(fx.Read("options.ini")).contains("TaxonomySize=340"));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
