#include "DocumentAccessible.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

class TDocumentAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TDocumentAccessible(QTextBrowser* view) : QAccessibleWidget(view, QAccessible::Document) {}

    QTextBrowser* View() const { return static_cast<QTextBrowser*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    // The text as a reader takes it: paragraphs end with a line break.
    QString text(int startOffset, int endOffset) const override {
        QTextCursor range = At(startOffset);
        range.setPosition(Clamped(endOffset), QTextCursor::KeepAnchor);
        QString text = range.selectedText();
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
            .replace(QChar::LineSeparator, QLatin1Char('\n'));
        return text;
    }
    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
    int characterCount() const override { return View()->document()->characterCount() - 1; }

    int cursorPosition() const override { return View()->textCursor().position(); }
    void setCursorPosition(int position) override { View()->setTextCursor(At(position)); }

    int selectionCount() const override { return View()->textCursor().hasSelection() ? 1 : 0; }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        const QTextCursor cursor = View()->textCursor();
        const bool any = selectionIndex == 0 && cursor.hasSelection();
        *startOffset = any ? cursor.selectionStart() : 0;
        *endOffset = any ? cursor.selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = View()->textCursor();
        cursor.clearSelection();
        View()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex != 0)
            return;
        QTextCursor range = At(startOffset);
        range.setPosition(Clamped(endOffset), QTextCursor::KeepAnchor);
        View()->setTextCursor(range);
    }

    QRect characterRect(int offset) const override {
        const QRect caret = View()->cursorRect(At(offset));
        const QString character = text(offset, offset + 1);
        const int width = character.isEmpty() ? 1 : View()->fontMetrics().horizontalAdvance(character);
        return QRect(View()->viewport()->mapToGlobal(caret.topLeft()), QSize(width, caret.height()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return View()->cursorForPosition(View()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        const QRect from = View()->cursorRect(At(startIndex));
        const QRect to = View()->cursorRect(At(endIndex));
        QScrollBar* bar = View()->verticalScrollBar();
        if (from.top() < 0 || to.bottom() > View()->viewport()->height())
            bar->setValue(bar->value() + from.top());
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    int Clamped(int offset) const { return std::clamp(offset, 0, characterCount()); }
    QTextCursor At(int offset) const {
        QTextCursor cursor(View()->document());
        cursor.setPosition(Clamped(offset));
        return cursor;
    }
};

QAccessibleInterface* DocumentFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<QTextBrowser*>(object); view && view->isReadOnly())
        return new TDocumentAccessible(view);
    return nullptr;
}

} // namespace

void InstallDocumentAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(DocumentFactory);
        installed = true;
    }
}
