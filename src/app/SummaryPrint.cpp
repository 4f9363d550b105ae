#include "SummaryPrint.h"

#include "RtfTextDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

// The document's lengths are screen pixels; laid out for the device, they are scaled by this.
qreal ScreenToDevice(const QPaintDevice& device) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen ? std::round(screen->logicalDotsPerInchY()) : 96.0;
    return device.logicalDpiY() / screenDpi;
}

// The picture at the top right, the text flowing at its left: at most two fifths of the width and
// half the height of a page, never larger than the screen shows it.
void FloatPicture(QTextDocument& doc, const QImage& picture, const QSizeF& body, qreal toDevice) {
    const QSizeF room(body.width() * 0.4 / toDevice, body.height() * 0.5 / toDevice);
    QSizeF size = picture.size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room, Qt::KeepAspectRatio);
    const QUrl name(QStringLiteral("orvandel:genus-picture"));
    doc.addResource(QTextDocument::ImageResource, name, picture);
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(size.width());
    format.setHeight(size.height());
    QTextCursor cursor(&doc);
    cursor.insertImage(format, QTextFrameFormat::FloatRight);
    // Some room between the text and the picture.
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    if (auto* frame = qobject_cast<QTextFrame*>(doc.object(cursor.charFormat().objectIndex()))) {
        QTextFrameFormat frameFormat = frame->frameFormat();
        frameFormat.setLeftMargin(12);
        frameFormat.setBottomMargin(8);
        frame->setFrameFormat(frameFormat);
    }
}

} // namespace

int PrintSummary(const TSummaryPrint& summary, QPagedPaintDevice& device) {
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    doc.setDefaultFont(summary.Font);
    LoadWholeRtfIntoDocument(doc, summary.Rtf);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRectF area(0, 0, device.width(), device.height());
    QFont footFont = summary.Font;
    footFont.setPointSizeF(8);
    const QFontMetricsF foot(footFont, &device);
    const QSizeF body(area.width(), area.height() - 2.5 * foot.height());
    if (!summary.Picture.isNull())
        FloatPicture(doc, summary.Picture, body, ScreenToDevice(device));
    // Laid out for the device, so that point sizes, indents and the picture come out as shown; the
    // document is complete by now, so it is laid out whole at once rather than a piece at a time.
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    layout->setPaintDevice(&device);
    doc.setPageSize(body);
    const int pages = std::max(1, doc.pageCount());
    const qreal baseline = area.height() - foot.descent();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -page * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, page * body.height(), body.width(), body.height());
        painter.setClipRect(context.clip);
        // Paper is white: text without a colour of its own is black, whatever the screen's theme.
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.restore();

        painter.setFont(footFont);
        painter.setPen(QPen(QColor(0x60, 0x60, 0x60), device.logicalDpiY() / 144.0)); // half a point
        const qreal rule = body.height() + foot.height();
        painter.drawLine(QPointF(0, rule), QPointF(area.width(), rule));
        const QString number = QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages);
        const qreal numberWidth = foot.horizontalAdvance(number);
        painter.drawText(QPointF(area.width() - numberWidth, baseline), number);
        const qreal pathWidth = area.width() - numberWidth - 4 * foot.averageCharWidth();
        painter.drawText(QPointF(0, baseline), foot.elidedText(summary.Path, Qt::ElideMiddle, pathWidth));
    }
    painter.end();
    return pages;
}
