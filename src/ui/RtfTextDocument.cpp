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
    explicit TLayoutBudget(qsizetype shown) : FLeft(shown) {}
    // Room for one more paragraph; false once the document has had its share.
    bool NextParagraph() {
        FUnbroken = 0;
        return Take(ParagraphCost);
    }
    // The run as the view gets it: overlong stretches broken with a mark, cut at the budget.
    QString Bound(QString text) {
        if (!Take(RunCost))
            return QString();
        // Marks add a little, so the run is cut before and after breaking it.
        for (int pass = 0; pass < 2; ++pass) {
            if (text.size() > FLeft) {
                text.truncate(FLeft);
                if (!text.isEmpty() && text.back().isHighSurrogate())
                    text.chop(1);
                FCut = true;
            }
            if (pass == 0)
                text = FUnbroken + text.size() <= MaxUnbroken ? Follow(text) : BreakOverlong(text);
        }
        Take(text.size());
        return text;
    }
    bool WasCut() const { return FCut; }

    static constexpr qsizetype MaxUnbroken = 1000;
    static constexpr qsizetype MaxShown = 150000;
    static constexpr qsizetype ParagraphCost = 8;
    static constexpr qsizetype RunCost = 4;

private:
    bool Take(qsizetype count) {
        if (FLeft <= 0) {
            FCut = true;
            return false;
        }
        FLeft -= count;
        return true;
    }

    // A run too short to need a mark: only where its last stretch begins is kept (after the last
    // blank; finding every break opportunity costs more than the rest of the run's way to the view).
    const QString& Follow(const QString& text) {
        for (qsizetype i = text.size(); i-- > 0;)
            if (text.at(i).isSpace()) {
                FUnbroken = text.size() - 1 - i;
                return text;
            }
        FUnbroken += text.size();
        return text;
    }

    QString BreakOverlong(const QString& text) {
        QString out;
        out.reserve(text.size() + text.size() / MaxUnbroken * 2 + 2);
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
        qsizetype next = breaks.toNextBoundary();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (i == next) {
                FUnbroken = 0;
                next = breaks.toNextBoundary();
            }
            const QChar c = text.at(i);
            if (c == QChar::LineSeparator) {
                FUnbroken = 0;
            } else if (++FUnbroken > MaxUnbroken && !c.isLowSurrogate()) {
                out += BreakMark;
                out += QChar(QChar::LineSeparator);
                FUnbroken = 1;
            }
            out += c;
        }
        // The end of a run is a boundary to the finder, but a line breaks there only after a blank.
        if (!text.isEmpty() && text.back().isSpace())
            FUnbroken = 0;
        return out;
    }

    qsizetype FLeft;
    qsizetype FUnbroken = 0;
    bool FCut = false;
};

qreal TwipsToPixels(int twips) {
    return twips / 15.0;
}

QTextBlockFormat BlockFormat(const TRtfParaFormat& para) {
    QTextBlockFormat format;
    switch (para.Alignment) {
    case TRtfAlignment::Left:
        format.setAlignment(Qt::AlignLeft);
        break;
    case TRtfAlignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case TRtfAlignment::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case TRtfAlignment::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    }
    format.setLeftMargin(TwipsToPixels(para.LeftIndent));
    format.setRightMargin(TwipsToPixels(para.RightIndent));
    format.setTextIndent(TwipsToPixels(para.FirstIndent));
    format.setTopMargin(TwipsToPixels(para.SpaceBefore));
    format.setBottomMargin(TwipsToPixels(para.SpaceAfter));
    return format;
}

QTextCharFormat CharFormat(const TRtfCharFormat& run) {
    QTextCharFormat format;
    format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.Italic);
    format.setFontUnderline(run.Underline);
    format.setFontStrikeOut(run.Strike);
    format.setFontPointSize(run.FontSize / 2.0);
    if (!run.Color.IsDefault)
        format.setForeground(QColor(run.Color.Red, run.Color.Green, run.Color.Blue));
    if (!run.FontName.empty())
        format.setFontFamilies(QStringList{QString::fromStdString(run.FontName)});
    return format;
}

QString RunText(const std::string& text) {
    QString result = QString::fromStdString(text);
    // A plain line feed would start a new block.
    result.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    return result;
}

void FillTextDocument(QTextDocument& doc, const TRtfDocument& rtf, qsizetype shown) {
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor cursor(&doc);
    // One edit block: the view lays the document out once instead of after every insertion.
    cursor.beginEditBlock();
    TLayoutBudget budget(shown);
    bool first = true;
    // Runs and paragraphs mostly share their formats: each is made once for as long as it lasts.
    const TRtfCharFormat* lastChar = nullptr;
    QTextCharFormat charFormat;
    auto charOf = [&](const TRtfCharFormat& format) -> const QTextCharFormat& {
        if (!lastChar || !(*lastChar == format))
            charFormat = CharFormat(format);
        lastChar = &format;
        return charFormat;
    };
    for (const TRtfParagraph& para : rtf.Paragraphs) {
        if (!budget.NextParagraph())
            break;
        const QTextBlockFormat block = BlockFormat(para.Format);
        // The first paragraph takes the block an empty document already has.
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        if (para.Runs.empty())
            continue;
        cursor.setBlockCharFormat(charOf(para.Runs.front().Format));
        for (const TRtfRun& run : para.Runs) {
            cursor.insertText(budget.Bound(RunText(run.Text)), charOf(run.Format));
            if (budget.WasCut())
                break;
        }
    }
    if (budget.WasCut()) {
        QTextCharFormat note;
        note.setFontItalic(true);
        cursor.insertBlock(QTextBlockFormat());
        cursor.insertText(QString::fromUtf8(CutNote), note);
    }
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
}

} // namespace

void FillTextDocument(QTextDocument& doc, const TRtfDocument& rtf) {
    FillTextDocument(doc, rtf, TLayoutBudget::MaxShown);
}

void LoadWholeRtfIntoDocument(QTextDocument& doc, const std::string& bytes) {
    FillTextDocument(doc, ReadRtf(bytes), std::numeric_limits<qsizetype>::max());
}

void LoadRtfIntoDocument(QTextDocument& doc, const std::string& bytes) {
    FillTextDocument(doc, ReadRtf(bytes));
}
