// The help file parser and the help viewer.
#include "Dialogs.h"
#include "Form_HelpViewer.h"
#include "HelpFile.h"
#include "ScriptedDialogs.h"
#include "UiTestFolder.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

namespace {

const char* const SampleHelp = "\xEF\xBB\xBF"
                               "ORVANDEL-HELP 1\r\n"
                               "## made by hand\r\n"
                               "#topic 1 Contents\r\n"
                               "Welcome to the help.\r\n"
                               "\r\n"
                               "* {{502|What's new}}\r\n"
                               "* {{1100|Browsing}}\r\n"
                               "## a comment inside a topic\r\n"
                               "#topic 502   What's new in 2.20  \r\n"
                               "First line of a paragraph\n"
                               "continues here & <there>.\n"
                               "\n"
                               "See {{1100|}} and {{9999|a missing topic}}.\r"
                               "#topic 1100 Browsing the tree\n"
                               "Back to {{1|Contents}}.\n";

QString PlainTitle(const QTextBrowser* view) {
    return view->toPlainText().section('\n', 0, 0);
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void ParsesTheFormat() {
        THelpFile file;
        file.Parse(SampleHelp);
        QVERIFY(file.HasHeader());
        QCOMPARE(file.Topics().size(), size_t(3));
        QCOMPARE(file.Contents()->Number, 1);
        const THelpTopic* news = file.FindTopic(502);
        QVERIFY(news);
        QCOMPARE(news->Title, std::string("What's new in 2.20"));
        // Comments are gone, line ends of every kind split lines, empty lines stay.
        QCOMPARE(file.FindTopic(1)->Lines,
                 (std::vector<std::string>{"Welcome to the help.", "", "* {{502|What's new}}",
                                           "* {{1100|Browsing}}"}));
        QCOMPARE(news->Lines.size(), size_t(4));
        QCOMPARE(file.FindTopic(1100)->Lines, std::vector<std::string>{"Back to {{1|Contents}}."});
        QVERIFY(!file.FindTopic(7));
    }

    void ToleratesBadInput() {
        THelpFile file;
        // Bad, negative, too large, missing and repeated numbers drop the topic with its text;
        // text before the first topic is ignored and "#topics" is ordinary text.
        file.Parse("ORVANDEL-HELP 1\n"
                   "stray text\n"
                   "#topic 5 Five\nfive\n"
                   "#topic abc Bad\nbad\n"
                   "#topic -3 Negative\nneg\n"
                   "#topic 99999999999 Huge\nhuge\n"
                   "#topic\nnothing\n"
                   "#topic 5 Again\nagain\n"
                   "#topic 6\n#topics are text\n");
        QCOMPARE(file.Topics().size(), size_t(2));
        QCOMPARE(file.Topics()[0].Lines, std::vector<std::string>{"five"});
        QCOMPARE(file.Topics()[1].Title, std::string("Topic 6"));
        QCOMPARE(file.Topics()[1].Lines, std::vector<std::string>{"#topics are text"});

        // Without the header the whole file is one plain contents topic, "#topic" lines included.
        file.Parse("Just some text\n#topic 3 Not a topic\n## not a comment either\n");
        QVERIFY(!file.HasHeader());
        QCOMPARE(file.Topics().size(), size_t(1));
        QCOMPARE(file.Contents()->Lines.size(), size_t(3));
        const std::string plain = HelpTopicHtml(file, *file.Contents());
        QVERIFY(plain.find("#topic 3 Not a topic<br>## not a comment either") != std::string::npos);

        file.Parse("");
        QVERIFY(file.Contents() && file.Contents()->Lines.empty());
        file.Parse("ORVANDEL-HELP 1\n## only comments\n");
        QVERIFY(!file.Contents());
        QVERIFY(!file.Load("/nonexistent/folder/classify.hlp"));
        QVERIFY(file.Topics().empty());
    }

    void SplitsLinks() {
        auto runs = ParseHelpRuns("See {{12|the tree}} now");
        QCOMPARE(runs.size(), size_t(3));
        QCOMPARE(runs[1].Link, 12);
        QCOMPARE(runs[1].Text, std::string("the tree"));
        QCOMPARE(runs[2].Text, std::string(" now"));
        // Malformed links stay literal text; a later good link is still found.
        for (const char* text : {"{{x|y}}", "{{5 no close", "{{5}}", "{{-1|neg}}", "{{|none}}"}) {
            runs = ParseHelpRuns(text);
            QCOMPARE(runs.size(), size_t(1));
            QCOMPARE(runs[0].Link, -1);
            QCOMPARE(runs[0].Text, std::string(text));
        }
        runs = ParseHelpRuns("{{{{7|a|b}}}");
        QCOMPARE(runs.size(), size_t(3));
        QCOMPARE(runs[0].Text, std::string("{{"));
        QCOMPARE(runs[1].Link, 7);
        QCOMPARE(runs[1].Text, std::string("a|b"));
        QCOMPARE(runs[2].Text, std::string("}"));
        QCOMPARE(HelpTopicFromHref(HelpTopicHref(502)), 502);
        QCOMPARE(HelpTopicFromHref("http://example.org/"), -1);
    }

    void LongBraceLinesTakeOneScan() {
        // Each "{{" used to search the rest of the line for its "}}": a 2 MB line took minutes.
        // The bound is a hundred times what one scan needs, so only the old way can miss it.
        const std::string braces(2 << 20, '{');
        QElapsedTimer timer;
        timer.start();
        for (const std::string& line : {braces, braces + "}}", braces + "7|end}}"}) {
            const auto runs = ParseHelpRuns(line);
            const bool linked = line.ends_with("end}}");
            QCOMPARE(runs.size(), size_t(linked ? 2 : 1));
            QCOMPARE(runs[0].Text, linked ? braces.substr(2) : line);
        }
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed()) + " ms"));
        // The remembered "}}" is looked for again once a link has passed it.
        const auto runs = ParseHelpRuns("{{a}} {{5|five}} {{x {{6|six}}");
        QCOMPARE(runs.size(), size_t(4));
        QCOMPARE(runs[1].Link, 5);
        QCOMPARE(runs[2].Text, std::string(" {{x "));
        QCOMPARE(runs[3].Link, 6);
    }

    void RendersHtml() {
        THelpFile file;
        file.Parse(SampleHelp);
        const std::string contents = HelpTopicHtml(file, *file.Contents());
        // Both bullets in one list, links to their topics.
        QVERIFY(
            contents.find("<ul>\n<li><a href=\"topic:502\">What's new</a></li>\n<li><a href=\"topic:1100\">"
                          "Browsing</a></li></ul>") != std::string::npos);
        const std::string news = HelpTopicHtml(file, *file.FindTopic(502));
        QVERIFY(news.starts_with("<h2>What's new in 2.20</h2>"));
        QVERIFY(news.find("<p>First line of a paragraph continues here &amp; &lt;there&gt;.</p>") !=
                std::string::npos);
        // An empty caption takes the target's title; a dead link is plain text.
        QVERIFY(news.find("<a href=\"topic:1100\">Browsing the tree</a>") != std::string::npos);
        QVERIFY(news.find("a missing topic") != std::string::npos);
        QVERIFY(news.find("topic:9999") == std::string::npos);
        // A byte that is not UTF-8 is shown as Latin-1.
        file.Parse("ORVANDEL-HELP 1\n#topic 1 Caf\xE9\ntext\n");
        QVERIFY(HelpTopicHtml(file, *file.Contents()).starts_with("<h2>Caf\xC3\xA9</h2>"));
    }

    void ShippedHelpFileIsComplete() {
        const std::string path = ORV_SOURCE_DIR "/data/classify.hlp";
        THelpFile file;
        if (!file.Load(path))
            QSKIP("no shipped help file");
        QVERIFY(file.HasHeader());
        QVERIFY(file.FindTopic(502)); // What's New opens this topic
        for (const THelpTopic& topic : file.Topics())
            for (const std::string& line : topic.Lines)
                for (const THelpRun& run : ParseHelpRuns(line))
                    QVERIFY2(run.Link < 0 || file.FindTopic(run.Link),
                             qPrintable(QString("dead link %1 in topic %2").arg(run.Link).arg(topic.Number)));
    }

    void ViewerShowsTopicsAndFollowsLinks() {
        TUiTestFolder folder;
        folder.Write("classify.hlp", SampleHelp);
        THelpViewer& viewer = THelpViewer::Instance();
        QCOMPARE(&THelpViewer::Instance(), &viewer);
        QCOMPARE(viewer.windowTitle(), QString("Orvandel Viewer Help"));
        auto* list = viewer.findChild<QListWidget*>("HelpTopicList");
        auto* view = viewer.findChild<QTextBrowser*>("HelpTopicView");
        auto* back = viewer.findChild<QPushButton*>("HelpBackBtn");
        QVERIFY(list && view && back);

        viewer.ShowTopic(folder.Path("classify.hlp"), 502);
        QVERIFY(viewer.isVisible());
        QVERIFY(!viewer.isModal());
        QCOMPARE(viewer.CurrentTopic(), 502);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentItem()->text(), QString("What's new in 2.20"));
        QCOMPARE(PlainTitle(view), QString("What's new in 2.20"));
        QVERIFY(!back->isEnabled());

        // Click the link in the text: the topic it names is shown.
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTextCursor link = view->document()->find("Browsing the tree");
        QVERIFY(!link.isNull());
        link.setPosition(link.selectionStart() + 2);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(link).center());
        QCOMPARE(viewer.CurrentTopic(), 1100);
        QCOMPARE(PlainTitle(view), QString("Browsing the tree"));
        QCOMPARE(list->currentRow(), 2);

        // Choosing in the list, then back twice retraces the way.
        list->setCurrentRow(0);
        QCOMPARE(viewer.CurrentTopic(), 1);
        QVERIFY(back->isEnabled());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(viewer.CurrentTopic(), 1100);
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(viewer.CurrentTopic(), 502);
        QVERIFY(!back->isEnabled());

        // An unknown context number shows the contents; so does the contents command.
        viewer.ShowTopic(folder.Path("classify.hlp"), 4242);
        QCOMPARE(viewer.CurrentTopic(), 1);
        viewer.GoToTopic(1100);
        viewer.ShowContents(folder.Path("classify.hlp"));
        QCOMPARE(viewer.CurrentTopic(), 1);
        QCOMPARE(list->currentRow(), 0);
    }

    void ViewerReportsAMissingFile() {
        TUiTestFolder folder;
        folder.Write("classify.hlp", SampleHelp);
        THelpViewer& viewer = THelpViewer::Instance();
        viewer.ShowTopic(folder.Path("classify.hlp"), 1100);
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage("The help file " + QString::fromStdString(folder.Path("none.hlp")) +
                                      " could not be opened.",
                                  Mb::IconError, Mb::IdOk);
            viewer.ShowContents(folder.Path("none.hlp"));
            QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
            // A header and nothing else is no help either.
            folder.Write("empty.hlp", "ORVANDEL-HELP 1\r\n");
            dialogs.ExpectMessage("contains no help topics", Mb::IconError, Mb::IdOk);
            viewer.ShowTopic(folder.Path("empty.hlp"), 1);
            QVERIFY2(dialogs.AllAnswered(), qPrintable(dialogs.Report()));
        }
        // The topic shown before stays.
        QCOMPARE(viewer.CurrentTopic(), 1100);
        QCOMPARE(viewer.findChild<QListWidget*>("HelpTopicList")->count(), 3);
    }
};

QTEST_MAIN(TestHelp)
#include "test_ui_help.moc"
