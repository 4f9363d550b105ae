// The summary of the selected branch as the user reads it, with its related links.
#include "Fields.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "LongText.h"
#include "QtText.h"
#include "RelatedLinks.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Templates whose directives match the argument lists of each document.
void WriteTemplates(TGuiFixture& fx) {
    fx.WriteProgramFiles();
    fx.Write("taxonomy.tem", "\\b %s %s\\b0\\par\r\nName: %s\\par\r\nMeaning: %s\\par\r\n%s\\par\r\n");
    fx.Write("genus.tem", "\\b Genus %s\\b0\\par\r\nName: %s\\par\r\nMeaning: %s\\par\r\nType: %s\\par\r\n"
                          "Common: %s\\par\r\nKeywords: %s\\par\r\n%s\\par\r\n");
    fx.Write("specieshead.tem", "\\b Species\\b0\\par\r\n");
    fx.Write("species.tem", "%s %s: %s\\par\r\n%s\\par\r\n");
    fx.Write("waitforname.tem", "This %s is waiting for its name %s.\\par\r\n");
    fx.Write("nodata.tem", "No data: %s %s (planned %s %s)\\par\r\n");
    fx.Write("datanotfound.tem", "%s %s was not found.\\par\r\n");
    fx.Write("summarycode.dat", "[Codes]\r\nabout=About the Korvel\r\n[Urls]\r\nabout=help.htm\r\n"
                                "[Captions]\r\nabout=About\r\n[Misc]\r\nhighlighttext={\\ul see}\r\n");
}

void WriteData(TGuiFixture& fx) {
    fx.Write("classifytree.dat", "#c1#Korvelia#the korvels\r\n"
                                 "\t\t#o1#[Ordina]#walkers\r\n"
                                 "\t\t\t\t\t#alpha#Alpha#first\r\n"
                                 "\t\t\t\t\t#beta#Beta#second\r\n"
                                 "\t\t\t\t\t#(n/a)#Planned#not yet\r\n"
                                 "\t\t\t\t\t#gone#Gone#no record\r\n");
    fx.Write("class.dat", "c1#Korvelia#n/a#Line one|Line two\r\n");
    fx.Write("order.dat", "o1#[Ordina]#N/A#Walkers <hidden remark> (kept remark) [soft remark]\r\n");
    fx.Write("genus.dat",
             "alpha#Alpha##A small korvel, see <genus$'Beta'> and <genus$'beta'> and <url$http://x.invalid/>"
             " <about>##########\r\n"
             "\t#minor#small#a|b\r\n"
             "\t#major#big#c\r\n"
             "beta#Beta#second one#Plain.#Hopper#Beta korvel#-#####kw\r\n");
}

QTreeWidget* Links(TFormMain& w) {
    return TFormMainTestAccess::RelatedLinks(w)->List();
}

} // namespace

class TestSummary : public QObject {
    Q_OBJECT
private slots:
    void GenusSummaryWithSpeciesAndLinks();
    void BranchSummaryRemarksAndPlaceholder();
    void PlannedAndMissingBranches();
    void TemplateWithTooManyDirectives();
    void CopySummaryFormats();
    void LongTextsAreCutInTheSummaryAndSavedWhole();
};

void TestSummary::GenusSummaryWithSpeciesAndLinks() {
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.WriteCurrentOptions(Today());
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "alpha"));
    const QString text = TFormMainTestAccess::SummaryPlainText(w);
    QVERIFY2(text.contains("Genus Alpha"), qPrintable(text));
    QVERIFY(text.contains("Meaning: (n/a)"));
    QVERIFY(text.contains("Common: (no common name)"));
    QVERIFY2(text.contains("A small korvel, see see and see and see About the Korvel"), qPrintable(text));
    QVERIFY(text.contains("Species"));
    QVERIFY(text.contains("Alpha minor: small\na\nb"));
    QVERIFY(text.contains("Alpha major: big"));
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Level, 5);
    QCOMPARE(w.windowTitle(), QString("Alpha (first) - Orvandel Viewer"));
    // "(n/a)" comes out in italics.
    QTextCursor found = TFormMainTestAccess::DetailMemo(w)->document()->find("(n/a)");
    QVERIFY(!found.isNull());
    QVERIFY(found.charFormat().fontItalic());
    // One branch link for both spellings of beta, one web link from the url macro, one from the code.
    QTreeWidget* links = Links(w);
    QCOMPARE(links->topLevelItemCount(), 3);
    QCOMPARE(links->height(), 2 + 3 * (links->sizeHintForRow(0) + 1));
    QStringList captions;
    for (int i = 0; i < links->topLevelItemCount(); ++i)
        captions << links->topLevelItem(i)->text(0);
    QCOMPARE(captions, QStringList({"About", "Beta (second)", "http://x.invalid/"}));
    // Sorted without regard to case.
    TFormMainTestAccess::RelatedLinks(w)->AddRelatedLink("alpha web", 1, "http://a.invalid/", QString());
    QCOMPARE(links->topLevelItem(1)->text(0), QString("alpha web"));
    QVERIFY(w.Action(TAction::ViewRelatedLinks)->isChecked());
    QVERIFY(w.Action(TAction::ViewRelatedLinks)->isEnabled());
    QCOMPARE(TFormMainTestAccess::RelatedLinks(w)->Tip(0),
             QString("Click here, open browser to:\n") + DefaultServerURL + "help.htm");
    QCOMPARE(TFormMainTestAccess::RelatedLinks(w)->Tip(2), QString("Click to see this branch's summary"));
    QCOMPARE(links->toolTip(), QString("Click to see the item"));
    // The entry under the pointer is underlined, and only while it is there.
    auto hover = [links](int row) {
        const QPointF at = links->visualItemRect(links->topLevelItem(row)).center();
        QMouseEvent move(QEvent::MouseMove, at, links->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(links->viewport(), &move);
    };
    hover(1);
    QVERIFY(links->topLevelItem(1)->font(0).underline());
    QVERIFY(!links->topLevelItem(0)->font(0).underline());
    hover(0);
    QVERIFY(!links->topLevelItem(1)->font(0).underline());
    QVERIFY(links->topLevelItem(0)->font(0).underline());
    // Hiding and showing the list by its command.
    w.Action(TAction::ViewRelatedLinks)->trigger();
    QVERIFY(!w.Action(TAction::ViewRelatedLinks)->isChecked());
    QVERIFY(links->isHidden());
    // Clicking the branch link shows that genus, which brings its own (empty) link list.
    TFormMainTestAccess::RelatedLinks(w)->Activate(2);
    QCOMPARE(w.SelectedNode()->Id(), std::string("beta"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Common: Beta korvel"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Meaning: second one"));
    QCOMPARE(links->topLevelItemCount(), 0);
    QVERIFY(!w.Action(TAction::ViewRelatedLinks)->isEnabled());
    // Every summary comes in a document of its own: the view's settings stay, the old ones go.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "alpha"));
    QCOMPARE(TFormMainTestAccess::DetailMemo(w)->document()->defaultFont().pointSize(), 10);
    QCOMPARE(
        TFormMainTestAccess::DetailMemo(w)->findChildren<QTextDocument*>(Qt::FindDirectChildrenOnly).size(),
        1);
    CHECK_DIALOGS(dialogs);
}

void TestSummary::BranchSummaryRemarksAndPlaceholder() {
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.WriteCurrentOptions(Today());
    TScriptedDialogs dialogs;
    TFormMain w;
    // The first node is selected after the tree is built.
    QString text = TFormMainTestAccess::SummaryPlainText(w);
    QVERIFY2(text.contains("Class Korvelia"), qPrintable(text));
    QVERIFY(text.contains("Meaning: (n/a)"));
    QVERIFY(text.contains("Line one\nLine two"));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 2, "o1"));
    text = TFormMainTestAccess::SummaryPlainText(w);
    QVERIFY2(text.startsWith("This Order is waiting for its name [Ordina]."), qPrintable(text));
    QVERIFY(text.contains("Meaning: N/A"));
    QVERIFY(text.contains("Walkers  (kept remark) [soft remark]"));
    QTextCursor soft = TFormMainTestAccess::DetailMemo(w)->document()->find("[soft remark]");
    QVERIFY(soft.charFormat().fontItalic());
    QTextCursor kept = TFormMainTestAccess::DetailMemo(w)->document()->find("(kept remark)");
    QVERIFY(!kept.charFormat().fontItalic());
    // No links: the list stays hidden and its command disabled.
    QCOMPARE(Links(w)->topLevelItemCount(), 0);
    QVERIFY(!w.Action(TAction::ViewRelatedLinks)->isEnabled());
}

void TestSummary::PlannedAndMissingBranches() {
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.WriteCurrentOptions(Today());
    TScriptedDialogs dialogs;
    TFormMain w;
    TTreeNode* planned = FindTreeNode(w.Tree(), MakeNodeKey(5, "(n/a)", "Planned", ""));
    QVERIFY(planned);
    w.SelectNode(planned);
    QCOMPARE(TFormMainTestAccess::SummaryPlainText(w).trimmed(),
             QString("No data: Genus Planned (planned Genus Planned)"));
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Level, -2);
    // A branch without a record asks to go on-line (off-line mode) once the selection rests, and
    // without the server ends on the not-found page.
    Options.OfflineMode = true;
    dialogs.ExpectMessage(
        "You are currently in off-line mode. Do you want to go on-line to download required data?", 36, 7);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "gone"));
    QTRY_COMPARE(TFormMainTestAccess::SummaryPlainText(w).trimmed(), QString("Genus Gone was not found."));
    QVERIFY(TFormMainTestAccess::CurrentRecord(w).Level < 0);
    CHECK_DIALOGS(dialogs);
}

void TestSummary::TemplateWithTooManyDirectives() {
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.Write("genus.tem", "%s %s %s %s %s %s %s %s\\par\r\n");
    fx.WriteCurrentOptions(Today());
    TScriptedDialogs dialogs;
    TFormMain w;
    // The format error, by the default error report: its text with a period, the error icon.
    const QString error = "Format '%s %s %s %s %s %s %s %s\\par\r\n' invalid or incompatible with argument.";
    dialogs.ExpectMessage(error, 16, 1);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "alpha"));
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages, QStringList{error});
    QCOMPARE(TFormMainTestAccess::SummaryPlainText(w), QString()); // nothing is shown
}

void TestSummary::CopySummaryFormats() {
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.WriteCurrentOptions(Today());
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "beta"));
    w.Action(TAction::ViewCopySummary)->trigger();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime->hasText());
    QVERIFY(mime->hasHtml());
    QVERIFY(mime->text().contains("Genus Beta"));
    // Everything stays selected after copying the whole document.
    QCOMPARE(TFormMainTestAccess::DetailMemo(w)->textCursor().selectedText().size(),
             TFormMainTestAccess::DetailMemo(w)->toPlainText().size());
    // With a part selected, only that part goes.
    QTextCursor c(TFormMainTestAccess::DetailMemo(w)->document());
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    TFormMainTestAccess::DetailMemo(w)->setTextCursor(c);
    w.Action(TAction::ViewCopySummary)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Genus"));
}

// A long field is cut in the summary with a note after it; the editor keeps the whole text, and
// Save writes it back byte for byte, the species' lines too.
void TestSummary::LongTextsAreCutInTheSummaryAndSavedWhole() {
    const std::string paragraphs = [] {
        std::string s;
        for (int i = 0; i < 300; ++i)
            s += (i ? "|" : "") + ("line " + std::to_string(1000 + i)) + std::string(990, 'a');
        return s;
    }();
    std::string oneLine;
    for (int i = 0; i < 60000; ++i)
        oneLine += i ? " word" : "word";
    struct TCase {
        const char* What;
        std::string Description;
        bool Editable;
    };
    const TCase cases[] = {{"lines", paragraphs, true}, {"one line", oneLine, false}};
    for (const TCase& c : cases) {
        TGuiFixture fx;
        WriteTemplates(fx);
        WriteData(fx);
        fx.WriteCurrentOptions(Today());
        const std::string tail = "#Hopper#Long korvel#-#####kw\r\n";
        const std::string species = "\t#longa#lengthy#" + oneLine + "\r\n\t#brevis#short#x\r\n";
        fx.Write("genus.dat", "alpha#Alpha#old#" + c.Description + tail + species);
        TScriptedDialogs dialogs;
        TFormMain w;
        QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "alpha"));
        const QString text = TFormMainTestAccess::SummaryPlainText(w);
        QVERIFY2(
            text.contains("[\u2026 the description goes on for 200,000 more characters; the whole text is on "
                          "the Editor page]"),
            c.What);
        // The view shows fewer characters than two cut fields hold; the body has both notes.
        const std::string body = TSummaryDocument::RecordBody(TFormMainTestAccess::CurrentRecord(w));
        QVERIFY(
            body.find("[\u2026 the species' description goes on for 200,000 more characters; the whole text "
                      "is on the Editor page]\\par\r\nAlpha brevis: short\\par\r\nx\\par") !=
            std::string::npos);
        QVERIFY(body.size() < 2 * 110000);
        QVERIFY2(TFormMainTestAccess::DetailMemo(w)->document()->characterCount() < 2 * 110000, c.What);
        if (c.Editable) {
            // Cut at the last line break before the limit: a hundred lines shown, the next one not.
            QVERIFY(text.contains("line 1099" + QString(990, 'a') + "\n[\u2026"));
            QVERIFY(!text.contains("line 1100"));
        }

        auto* memo = Find<QPlainTextEdit>(w, "DescriptionMemo");
        QCOMPARE(memo->isReadOnly(), !c.Editable);
        if (c.Editable)
            QCOMPARE(FromQ(memo->toPlainText()), FieldToLines(c.Description));
        else
            QVERIFY(memo->toPlainText().startsWith("[This text has lines too long to edit here."));
        // The long species is shown first and written back when the other one is chosen.
        QVERIFY(Find<QPlainTextEdit>(w, "SpeciesDescriptionMemo")->isReadOnly());
        auto* list = Find<QListView>(w, "SpeciesListView");
        list->setCurrentIndex(list->model()->index(1, 0));
        QVERIFY(!Find<QPlainTextEdit>(w, "SpeciesDescriptionMemo")->isReadOnly());
        Find<QLineEdit>(w, "MeaningEdit")->setText("new");
        w.Action(TAction::EditorSave)->trigger();
        QCOMPARE(fx.Read("genus.dat"), "alpha#Alpha#new#" + c.Description + tail + species);
        CHECK_DIALOGS(dialogs);
    }

    // Every other field, and the species list as a whole, is cut the same way; a one-line box of
    // the editor shows a long value cut and read-only, and Save writes it whole.
    TGuiFixture fx;
    WriteTemplates(fx);
    WriteData(fx);
    fx.WriteCurrentOptions(Today());
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "\t#s" + std::to_string(i) + "#m" + std::to_string(i) + "#\r\n";
    const std::string genus = "alpha#Alpha#" + oneLine + "#D.#Hopper#" + oneLine + "#-#####kw\r\n" + many;
    fx.Write("genus.dat", genus);
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "alpha"));
    const std::string body = TSummaryDocument::RecordBody(TFormMainTestAccess::CurrentRecord(w));
    for (const char* note : {"[\u2026 the meaning goes on for ", "[\u2026 the common name goes on for ",
                             "[\u2026 the list goes on for "})
        QVERIFY2(body.find(note) != std::string::npos, note);
    QVERIFY(body.size() < 3 * 110000 + MaxSummarySpecies);
    for (const char* name : {"MeaningEdit", "CommonNameEdit"}) {
        auto* edit = Find<QLineEdit>(w, name);
        QVERIFY(edit->isReadOnly());
        QVERIFY(edit->text().size() < 20000);
    }
    Find<QLineEdit>(w, "ImgOwnerEdit")->setText("Bo");
    w.Action(TAction::EditorSave)->trigger();
    std::string saved = genus;
    saved.replace(saved.find("#-#####kw"), 9, "#-###Bo##kw");
    QVERIFY(fx.Read("genus.dat") == saved);
    QVERIFY(!Find<QLineEdit>(w, "ImgOwnerEdit")->isReadOnly());
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestSummary)
#include "test_summary.moc"
