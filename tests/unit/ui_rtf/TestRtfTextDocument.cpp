#include "RtfTextDocument.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

namespace {

// The fragment of Block whose text is Text; an invalid one when there is none.
QTextFragment Fragment(const QTextBlock& Block, const QString& Text) {
    for (auto It = Block.begin(); !It.atEnd(); ++It)
        if (It.fragment().text() == Text)
            return It.fragment();
    return {};
}

} // namespace

TEST(RtfTextDocument, FormatsArriveInTheDocument) {
    QTextDocument Doc;
    LoadRtfIntoDocument(Doc,
                        "{\\rtf1{\\fonttbl{\\f0 Courier New;}}{\\colortbl;\\red200\\green10\\blue20;}"
                        "\\qc\\li300\\ri150\\fi-75\\sb30\\sa45 plain {\\b\\i\\ul\\strike\\fs36\\cf1\\f0 rich}"
                        "\\line next\\par \\pard\\qr right\\par\\qj j}");
    ASSERT_EQ(Doc.blockCount(), 3);
    const QTextBlock First = Doc.firstBlock();
    EXPECT_EQ(First.text(), QString("plain rich") + QChar(QChar::LineSeparator) + "next");
    const QTextBlockFormat Block = First.blockFormat();
    EXPECT_EQ(Block.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(Block.leftMargin(), 20.0); // twips / 15
    EXPECT_DOUBLE_EQ(Block.rightMargin(), 10.0);
    EXPECT_DOUBLE_EQ(Block.textIndent(), -5.0);
    EXPECT_DOUBLE_EQ(Block.topMargin(), 2.0);
    EXPECT_DOUBLE_EQ(Block.bottomMargin(), 3.0);

    const QTextFragment Rich = Fragment(First, "rich");
    ASSERT_TRUE(Rich.isValid());
    const QTextCharFormat R = Rich.charFormat();
    EXPECT_EQ(R.fontWeight(), QFont::Bold);
    EXPECT_TRUE(R.fontItalic());
    EXPECT_TRUE(R.fontUnderline());
    EXPECT_TRUE(R.fontStrikeOut());
    EXPECT_DOUBLE_EQ(R.fontPointSize(), 18.0);
    EXPECT_EQ(R.foreground().color(), QColor(200, 10, 20));
    EXPECT_EQ(R.fontFamilies().toStringList(), QStringList{"Courier New"});

    const QTextFragment Plain = Fragment(First, "plain ");
    ASSERT_TRUE(Plain.isValid());
    const QTextCharFormat P = Plain.charFormat();
    EXPECT_EQ(P.fontWeight(), QFont::Normal);
    EXPECT_FALSE(P.fontItalic() || P.fontUnderline() || P.fontStrikeOut());
    EXPECT_DOUBLE_EQ(P.fontPointSize(), 12.0);
    EXPECT_FALSE(P.hasProperty(QTextFormat::ForegroundBrush)); // the view's own text colour

    EXPECT_EQ(First.next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_DOUBLE_EQ(First.next().blockFormat().leftMargin(), 0.0);
    EXPECT_EQ(Doc.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
}

TEST(RtfTextDocument, ReplacesContentAndShowsPlainText) {
    QTextDocument Doc;
    Doc.setPlainText("old");
    LoadRtfIntoDocument(Doc, "first\r\n{\\b not rtf}\r\n\r\nlast");
    EXPECT_EQ(Doc.toPlainText(), "first\n{\\b not rtf}\n\nlast");
    EXPECT_EQ(Doc.blockCount(), 4);
    // Loading is not an edit the user could undo.
    EXPECT_TRUE(Doc.isUndoRedoEnabled());
    EXPECT_FALSE(Doc.isUndoAvailable());

    LoadRtfIntoDocument(Doc, "{\\rtf1 }");
    EXPECT_TRUE(Doc.isEmpty());
    LoadRtfIntoDocument(Doc, "{\\rtf1 \\par\\par x}");
    EXPECT_EQ(Doc.toPlainText(), "\n\nx");
}

TEST(RtfTextDocument, OverlongLinesAreBrokenWithAMark) {
    const QString Mark = QString(QChar(0x21B5)) + QChar(QChar::LineSeparator);
    QTextDocument Doc;
    // 2500 characters without a break opportunity, in two runs: broken after 1000 and 2000.
    LoadRtfIntoDocument(Doc, "{\\rtf1 " + std::string(1500, 'a') + "{\\b " + std::string(1000, 'b') + "}}");
    const QString Text = Doc.firstBlock().text();
    EXPECT_EQ(Text,
              QString(1000, 'a') + Mark + QString(500, 'a') + QString(500, 'b') + Mark + QString(500, 'b'));
    // Lines that can break, however long, stay as they are; so does the text around a mark.
    std::string Words;
    for (int I = 0; I < 1000; ++I)
        Words += "word ";
    LoadRtfIntoDocument(Doc, Words + "\r\n" + std::string(999, 'c') + " " + std::string(999, 'd'));
    EXPECT_EQ(Doc.toPlainText(),
              QString::fromStdString(Words + "\n" + std::string(999, 'c') + " " + std::string(999, 'd')));
}

TEST(RtfTextDocument, NoTextTakesLongToLayOut) {
    // One megabyte on one line without a break opportunity kept the window busy for minutes.
    QTextDocument Doc;
    QElapsedTimer Timer;
    Timer.start();
    LoadRtfIntoDocument(Doc, std::string(1 << 20, 'x'));
    Doc.setTextWidth(600);
    EXPECT_GT(Doc.size().height(), 0);
    // The window's bound is one second on an idle machine; this leaves room for a loaded or
    // sanitized one and still fails the old way by minutes.
    EXPECT_LT(Timer.elapsed(), 3000);
    // What was cut is said at the end, in italics.
    const QTextBlock Note = Doc.lastBlock();
    EXPECT_EQ(Note.text(), QString::fromUtf8("[\u2026 the rest of this text is not shown]"));
    EXPECT_TRUE(Note.begin().fragment().charFormat().fontItalic());
    EXPECT_LE(Doc.characterCount(), 150000 + 100);

    // Many short lines count too; a document within the bound is shown whole.
    std::string Lines;
    for (int I = 0; I < 300000; ++I)
        Lines += "\r\n";
    LoadRtfIntoDocument(Doc, Lines);
    EXPECT_LE(Doc.blockCount(), 150000 / 8 + 2); // the note is one more
    EXPECT_EQ(Doc.lastBlock().text(), QString::fromUtf8("[\u2026 the rest of this text is not shown]"));
    LoadRtfIntoDocument(Doc, std::string(140000, 'y') + "\r\nend");
    EXPECT_EQ(Doc.lastBlock().text(), "end");
}

int main(int argc, char** argv) {
    // Never needs a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
