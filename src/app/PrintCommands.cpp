#include "PrintCommands.h"

#include "BranchTools.h"
#include "Constants.h"
#include "Dialogs.h"
#include "Global.h"
#include "ImagePage.h"
#include "MainActions.h"
#include "Options.h"
#include "QtText.h"
#include "SummaryPage.h"
#include "TaxonomyTreePage.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBrowser>

TPrintCommands::TPrintCommands(TMainActions& actions, const TPrintPages& pages, QObject* parent)
    : QObject(parent), FActions(actions), FPages(pages) {
    actions.Connect(TAction::DBPrintSummary, [this] { RunAction([this] { PrintSummary(); }); });
    actions.Connect(TAction::DBSaveSummaryPdf, [this] { RunAction([this] { SaveSummaryPdf(); }); });
    auto follow = [this] {
        const bool shown = !FPages.Summary->Rtf().empty();
        FActions.SetAllowed(TAction::DBPrintSummary, shown);
        FActions.SetAllowed(TAction::DBSaveSummaryPdf, shown);
    };
    connect(pages.Summary, &TSummaryPage::DocumentChanged, this, follow);
    follow();
}

QString TPrintCommands::BranchPath() const {
    const TTreeNode* node = FPages.Tree->SelectedNode();
    // A forgotten genus, shown from the result list, has no place in the tree.
    if (FPages.Shown->Level == GenusLevel && (!node || node->Id() != FPages.Shown->Id))
        return ToQ(FPages.Shown->Name);
    QStringList names;
    for (; node; node = node->Parent())
        names.prepend(ToQ(node->Name()));
    return names.join(QStringLiteral(" \u203A "));
}

TSummaryPrint TPrintCommands::Job() const {
    TSummaryPrint job;
    job.Rtf = FPages.Summary->Rtf();
    job.Font = FPages.Summary->Memo()->document()->defaultFont();
    // The picture only while the Image page is there to show it (a genus).
    if (FPages.Shown->Level == GenusLevel)
        job.Picture = FPages.Image->InfoImage()->pixmap().toImage();
    job.Path = BranchPath();
    return job;
}

void TPrintCommands::PrintSummary() {
    const TSummaryPrint job = Job();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.Path);
    printer.setCreator(ApplicationTitle());
    if (!DialogSeam().PrintDialog(printer))
        return;
    const int pages = ::PrintSummary(job, printer);
    if (pages == 0) {
        ShowErrorText("The summary could not be printed: the printer cannot be used.");
        return;
    }
    SetStatus(FromQ(QStringLiteral("Printed the summary on %1 page(s)").arg(pages)));
}

void TPrintCommands::SaveSummaryPdf() {
    const TSummaryPrint job = Job();
    QString suggested = job.Path.section(QStringLiteral(" \u203A "), -1).trimmed();
    for (QChar& c : suggested)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = '_';
    if (suggested.isEmpty())
        suggested = QStringLiteral("summary");
    const QString chosen = DialogSeam().SaveFileName(
        QStringLiteral("Save Summary as PDF"), QStringLiteral("PDF file (*.pdf);;All files (*)"),
        QDir(SaveStartFolder(ReadSummaryFolder())).filePath(suggested + QStringLiteral(".pdf")));
    if (chosen.isEmpty())
        return;
    WriteSummaryFolder(QFile::encodeName(QFileInfo(chosen).absolutePath()).toStdString());
    // Written beside the file and put in its place whole, so a failure leaves the old file as it was.
    QSaveFile file(chosen);
    int pages = 0;
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter writer(&file);
        writer.setTitle(job.Path);
        writer.setCreator(ApplicationTitle());
        writer.setPageSize(QPageSize(
            QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pages = ::PrintSummary(job, writer);
    }
    if (pages == 0 || !file.commit()) {
        ShowErrorText(FromQ(QStringLiteral("The summary could not be saved to %1: %2.")
                                .arg(QDir::toNativeSeparators(chosen), file.errorString())));
        return;
    }
    SetStatus(FromQ(QStringLiteral("Saved the summary on %1 page(s) to %2").arg(pages).arg(chosen)));
}
