#include "RtfTextDocument.h"

#include <gtest/gtest.h>

#include <QColor>
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

int main(int argc, char** argv) {
    // Never needs a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
