#include "RtfTextDocument.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

qreal TwipsToPixels(int Twips) {
    return Twips / 15.0;
}

QTextBlockFormat BlockFormat(const TRtfParaFormat& Para) {
    QTextBlockFormat Format;
    switch (Para.Alignment) {
    case TRtfAlignment::Left:
        Format.setAlignment(Qt::AlignLeft);
        break;
    case TRtfAlignment::Center:
        Format.setAlignment(Qt::AlignHCenter);
        break;
    case TRtfAlignment::Right:
        Format.setAlignment(Qt::AlignRight);
        break;
    case TRtfAlignment::Justify:
        Format.setAlignment(Qt::AlignJustify);
        break;
    }
    Format.setLeftMargin(TwipsToPixels(Para.LeftIndent));
    Format.setRightMargin(TwipsToPixels(Para.RightIndent));
    Format.setTextIndent(TwipsToPixels(Para.FirstIndent));
    Format.setTopMargin(TwipsToPixels(Para.SpaceBefore));
    Format.setBottomMargin(TwipsToPixels(Para.SpaceAfter));
    return Format;
}

QTextCharFormat CharFormat(const TRtfCharFormat& Char) {
    QTextCharFormat Format;
    Format.setFontWeight(Char.Bold ? QFont::Bold : QFont::Normal);
    Format.setFontItalic(Char.Italic);
    Format.setFontUnderline(Char.Underline);
    Format.setFontStrikeOut(Char.Strike);
    Format.setFontPointSize(Char.FontSize / 2.0);
    if (!Char.Color.IsDefault)
        Format.setForeground(QColor(Char.Color.Red, Char.Color.Green, Char.Color.Blue));
    if (!Char.FontName.empty())
        Format.setFontFamilies(QStringList{QString::fromStdString(Char.FontName)});
    return Format;
}

QString RunText(const std::string& Text) {
    QString Result = QString::fromStdString(Text);
    // A plain line feed would start a new block.
    Result.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    return Result;
}

} // namespace

void FillTextDocument(QTextDocument& Doc, const TRtfDocument& Rtf) {
    const bool Undo = Doc.isUndoRedoEnabled();
    Doc.setUndoRedoEnabled(false);
    Doc.clear();
    QTextCursor Cursor(&Doc);
    // One edit block: the view lays the document out once instead of after every insertion.
    Cursor.beginEditBlock();
    bool First = true;
    for (const TRtfParagraph& Para : Rtf.Paragraphs) {
        const QTextBlockFormat Block = BlockFormat(Para.Format);
        // The first paragraph takes the block an empty document already has.
        if (First)
            Cursor.setBlockFormat(Block);
        else
            Cursor.insertBlock(Block);
        First = false;
        if (Para.Runs.empty())
            continue;
        Cursor.setBlockCharFormat(CharFormat(Para.Runs.front().Format));
        for (const TRtfRun& Run : Para.Runs)
            Cursor.insertText(RunText(Run.Text), CharFormat(Run.Format));
    }
    Cursor.endEditBlock();
    Doc.setUndoRedoEnabled(Undo);
}

void LoadRtfIntoDocument(QTextDocument& Doc, const std::string& Bytes) {
    FillTextDocument(Doc, ReadRtf(Bytes));
}
