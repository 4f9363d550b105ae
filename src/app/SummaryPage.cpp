#include "SummaryPage.h"

#include "DocumentAccessible.h"
#include "RtfTextDocument.h"

#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Tab goes on to the next pane, as it does from every other pane, instead of stepping through the
// summary's links (the related links list beside it opens them from the keyboard): the browser's
// own stepping from link to link is passed over.
class TSummaryBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    bool focusNextPrevChild(bool next) override {
        // The browser's own version is passed over on purpose.
        return QTextEdit::focusNextPrevChild(next); // NOLINT(bugprone-parent-virtual-call)
    }
};

} // namespace

TSummaryPage::TSummaryPage(QWidget* parent) : QWidget(parent), FMemo(new TSummaryBrowser(this)) {
    InstallDocumentAccessibility();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FMemo->setObjectName(QStringLiteral("DetailMemo"));
    FMemo->setAccessibleName(QStringLiteral("Summary"));
    FMemo->setTabChangesFocus(true);
    FMemo->setReadOnly(true);
    FMemo->setOpenLinks(false);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = FMemo->font();
    font.setPointSize(10);
    FMemo->setFont(font);
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
    FRtf = rtf;
    emit DocumentChanged();
}

void TSummaryPage::Clear() {
    FMemo->clear();
    FRtf.clear();
    emit DocumentChanged();
}

QString TSummaryPage::PlainText() const {
    return FMemo->toPlainText();
}

void TSummaryPage::CopySummary() {
    if (!FMemo->textCursor().hasSelection())
        FMemo->selectAll();
    FMemo->copy();
}
