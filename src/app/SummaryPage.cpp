#include "SummaryPage.h"

#include "RtfTextDocument.h"

#include <QKeyEvent>
#include <QTextDocument>
#include <QTextBrowser>
#include <QVBoxLayout>

TSummaryPage::TSummaryPage(QWidget* parent) : QWidget(parent), FMemo(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FMemo->setObjectName(QStringLiteral("DetailMemo"));
    FMemo->setAccessibleName(QStringLiteral("Summary"));
    FMemo->setReadOnly(true);
    FMemo->setOpenLinks(false);
    FMemo->setTabChangesFocus(false);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = FMemo->font();
    font.setPointSize(10);
    FMemo->setFont(font);
    FMemo->installEventFilter(this);
    layout->addWidget(FMemo);
}

void TSummaryPage::LoadRtf(const std::string& rtf) {
    // The new text goes into a document of its own while nothing lays it out, and is then shown
    // whole: the view lays out what it shows first and the rest a step at a time, instead of
    // laying out every paragraph while it is inserted.
    QTextDocument* old = FMemo->document();
    auto* doc = new QTextDocument(FMemo);
    doc->setDefaultFont(old->defaultFont());
    doc->setDefaultTextOption(old->defaultTextOption());
    doc->setDefaultStyleSheet(old->defaultStyleSheet());
    doc->setDocumentMargin(old->documentMargin());
    doc->setUndoRedoEnabled(false);
    LoadRtfIntoDocument(*doc, rtf);
    // The view releases only the document it made itself; the ones given to it are released here.
    const bool ours = old->parent() == FMemo;
    FMemo->setDocument(doc);
    if (ours)
        delete old;
}

void TSummaryPage::Clear() { FMemo->clear(); }

QString TSummaryPage::PlainText() const { return FMemo->toPlainText(); }

void TSummaryPage::CopySummary() {
    if (!FMemo->textCursor().hasSelection())
        FMemo->selectAll();
    FMemo->copy();
}

bool TSummaryPage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == FMemo && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return true; // the summary keeps the Tab key: it does not move the focus
    }
    return QWidget::eventFilter(watched, e);
}
