// The Summary page: the selected branch's summary in a read-only rich-text view.
#pragma once

#include <QWidget>
#include <string>

class QTextBrowser;

class TSummaryPage : public QWidget {
    Q_OBJECT
public:
    explicit TSummaryPage(QWidget* parent = nullptr);

    QTextBrowser* Memo() const { return FMemo; }
    // Shows an RTF document (or plain text when it is not RTF).
    void LoadRtf(const std::string& rtf);
    void Clear();
    QString PlainText() const;
    // Copies the selection, or the whole summary when nothing is selected.
    void CopySummary();
    // The document shown, as it came (empty after Clear), for printing it whole.
    const std::string& Rtf() const { return FRtf; }

signals:
    // Another document is shown, or none.
    void DocumentChanged();

private:
    QTextBrowser* FMemo;
    std::string FRtf;
};
