#include "RtfTextDocument.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextBoundaryFinder>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <limits>

namespace {

// Marks where an overlong line was broken for the view.
const QChar BreakMark(0x21B5);
const char* const CutNote = "[\u2026 the rest of this text is not shown]";

// Keeps what the view lays out small enough to take well under a second: Qt's line breaking is
// quadratic in a stretch without break opportunities, and linear but not free in the whole text,
// where a paragraph costs about as much as eight characters and a change of format four.
class TLayoutBudget {
public:
    explicit TLayoutBudget(qsizetype Shown) : FLeft(Shown) {}
    // Room for one more paragraph; false once the document has had its share.
    bool NextParagraph() {
        FUnbroken = 0;
        return Take(ParagraphCost);
    }
    // The run as the view gets it: overlong stretches broken with a mark, cut at the budget.
    QString Bound(QString Text) {
        if (!Take(RunCost))
            return QString();
        // Marks add a little, so the run is cut before and after breaking it.
        for (int Pass = 0; Pass < 2; ++Pass) {
            if (Text.size() > FLeft) {
                Text.truncate(FLeft);
                if (!Text.isEmpty() && Text.back().isHighSurrogate())
                    Text.chop(1);
                FCut = true;
            }
            if (Pass == 0)
                Text = FUnbroken + Text.size() <= MaxUnbroken ? Follow(Text) : BreakOverlong(Text);
        }
        Take(Text.size());
        return Text;
    }
    bool WasCut() const { return FCut; }

    static constexpr qsizetype MaxUnbroken = 1000;
    static constexpr qsizetype MaxShown = 150000;
    static constexpr qsizetype ParagraphCost = 8;
    static constexpr qsizetype RunCost = 4;

private:
    bool Take(qsizetype Count) {
        if (FLeft <= 0) {
            FCut = true;
            return false;
        }
        FLeft -= Count;
        return true;
    }

    // A run too short to need a mark: only where its last stretch begins is kept (after the last
    // blank; finding every break opportunity costs more than the rest of the run's way to the view).
    const QString& Follow(const QString& Text) {
        for (qsizetype I = Text.size(); I-- > 0;)
            if (Text.at(I).isSpace()) {
                FUnbroken = Text.size() - 1 - I;
                return Text;
            }
        FUnbroken += Text.size();
        return Text;
    }

    QString BreakOverlong(const QString& Text) {
        QString Out;
        Out.reserve(Text.size() + Text.size() / MaxUnbroken * 2 + 2);
        QTextBoundaryFinder Breaks(QTextBoundaryFinder::Line, Text);
        qsizetype Next = Breaks.toNextBoundary();
        for (qsizetype I = 0; I < Text.size(); ++I) {
            if (I == Next) {
                FUnbroken = 0;
                Next = Breaks.toNextBoundary();
            }
            const QChar C = Text.at(I);
            if (C == QChar::LineSeparator) {
                FUnbroken = 0;
            } else if (++FUnbroken > MaxUnbroken && !C.isLowSurrogate()) {
                Out += BreakMark;
                Out += QChar(QChar::LineSeparator);
                FUnbroken = 1;
            }
            Out += C;
        }
        // The end of a run is a boundary to the finder, but a line breaks there only after a blank.
        if (!Text.isEmpty() && Text.back().isSpace())
            FUnbroken = 0;
        return Out;
    }

    qsizetype FLeft;
    qsizetype FUnbroken = 0;
    bool FCut = false;
};

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

void FillTextDocument(QTextDocument& Doc, const TRtfDocument& Rtf, qsizetype Shown) {
    const bool Undo = Doc.isUndoRedoEnabled();
    Doc.setUndoRedoEnabled(false);
    Doc.clear();
    QTextCursor Cursor(&Doc);
    // One edit block: the view lays the document out once instead of after every insertion.
    Cursor.beginEditBlock();
    TLayoutBudget Budget(Shown);
    bool First = true;
    // Runs and paragraphs mostly share their formats: each is made once for as long as it lasts.
    const TRtfCharFormat* LastChar = nullptr;
    QTextCharFormat Char;
    auto CharOf = [&](const TRtfCharFormat& Format) -> const QTextCharFormat& {
        if (!LastChar || !(*LastChar == Format))
            Char = CharFormat(Format);
        LastChar = &Format;
        return Char;
    };
    for (const TRtfParagraph& Para : Rtf.Paragraphs) {
        if (!Budget.NextParagraph())
            break;
        const QTextBlockFormat Block = BlockFormat(Para.Format);
        // The first paragraph takes the block an empty document already has.
        if (First)
            Cursor.setBlockFormat(Block);
        else
            Cursor.insertBlock(Block);
        First = false;
        if (Para.Runs.empty())
            continue;
        Cursor.setBlockCharFormat(CharOf(Para.Runs.front().Format));
        for (const TRtfRun& Run : Para.Runs) {
            Cursor.insertText(Budget.Bound(RunText(Run.Text)), CharOf(Run.Format));
            if (Budget.WasCut())
                break;
        }
    }
    if (Budget.WasCut()) {
        QTextCharFormat Note;
        Note.setFontItalic(true);
        Cursor.insertBlock(QTextBlockFormat());
        Cursor.insertText(QString::fromUtf8(CutNote), Note);
    }
    Cursor.endEditBlock();
    Doc.setUndoRedoEnabled(Undo);
}

} // namespace

void FillTextDocument(QTextDocument& Doc, const TRtfDocument& Rtf) {
    FillTextDocument(Doc, Rtf, TLayoutBudget::MaxShown);
}

void LoadWholeRtfIntoDocument(QTextDocument& Doc, const std::string& Bytes) {
    FillTextDocument(Doc, ReadRtf(Bytes), std::numeric_limits<qsizetype>::max());
}

void LoadRtfIntoDocument(QTextDocument& Doc, const std::string& Bytes) {
    FillTextDocument(Doc, ReadRtf(Bytes));
}
