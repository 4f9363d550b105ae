#include "SummaryPage.h"

#include "RtfTextDocument.h"

#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

TSummaryPage::TSummaryPage(QWidget* parent) : QWidget(parent), FMemo(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FMemo->setObjectName(QStringLiteral("DetailMemo"));
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

void TSummaryPage::LoadRtf(const std::string& rtf) { LoadRtfIntoDocument(*FMemo->document(), rtf); }

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
