#include "BranchTools.h"

#include "BranchExport.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Form_WhatChanged.h"
#include "Global.h"
#include "GoToBranchBox.h"
#include "MainActions.h"
#include "Options.h"
#include "QtText.h"
#include "SummaryText.h"
#include "TaxonomyTreePage.h"
#include "TaxonomyTreeView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QStandardPaths>

QString SaveStartFolder(const std::string& remembered) {
    QString last = QFile::decodeName(QByteArray::fromStdString(remembered));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

TBranchTools::TBranchTools(TMainActions& actions, TTaxonomyTreePage* treePage,
                           std::function<void()> showTreePage, QWidget* window)
    : QObject(window), FActions(actions), FTreePage(treePage), FShowTreePage(std::move(showTreePage)),
      FWindow(window) {
    actions.Connect(TAction::ViewGoToBranch, [this] { RunAction([this] { GoToBranch(); }); });
    actions.Connect(TAction::ViewExportBranch, [this] { RunAction([this] { ExportBranch(); }); });
    actions.Connect(TAction::ViewWhatChanged, [this] { RunAction([this] { WhatChanged(); }); });
}

void TBranchTools::GoToBranch() {
    if (!FBox) {
        FBox = new TGoToBranchBox(
            FTreePage, [this](TTreeNode* node) { RunAction([this, node] { SelectBranch(node); }); }, FWindow);
        // While a transfer runs nothing may change the selection: the box follows its command.
        QAction* action = FActions[TAction::ViewGoToBranch];
        connect(action, &QAction::changed, FBox,
                [box = FBox, action] { box->setEnabled(action->isEnabled()); });
    }
    FBox->Open();
}

void TBranchTools::SelectBranch(TTreeNode* node) {
    for (TTreeNode* above = node->Parent(); above; above = above->Parent())
        FTreePage->SetExpanded(above, true);
    FShowTreePage();
    FTreePage->SelectNode(node);
    FWindow->activateWindow();
    FTreePage->View()->setFocus();
}

void TBranchTools::WhatChanged() {
    RunWhatChanged(
        [this](int level, const std::string& id, const std::string& name) {
            // Found again at each click: the tree may have changed while the dialog is open.
            const bool byName = id == NotAvailableId;
            for (TTreeNode* node = FTreePage->Tree().First(); node; node = FTreePage->Tree().Next(node))
                if (node->Level() == level && (byName ? node->Name() == name : node->Id() == id)) {
                    SelectBranch(node);
                    return;
                }
        },
        FWindow);
}

void TBranchTools::ExportBranch() {
    const TTreeNode* node = FTreePage->SelectedNode();
    if (!node) {
        AppMessageBox(std::string("Select the branch to export in Taxonomy tree first."),
                      Mb::IconExclamation);
        return;
    }
    QString suggested = ToQ(node->Name()).trimmed();
    for (QChar& c : suggested)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = '_';
    if (suggested.isEmpty())
        suggested = QStringLiteral("branch");
    const QString chosen = DialogSeam().SaveFileName(
        QStringLiteral("Export Branch"),
        QStringLiteral("CSV file (*.csv);;Darwin Core Archive (*.zip);;All files (*)"),
        QDir(SaveStartFolder(ReadExportFolder())).filePath(suggested + QStringLiteral(".csv")));
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    WriteExportFolder(QFile::encodeName(QFileInfo(chosen).absolutePath()).toStdString());

    // Shown only when the export takes a while; application-modal, so that nothing changes the
    // tree while it is written.
    QProgressDialog progress(QStringLiteral("Exporting %1...").arg(ToQ(node->Name())),
                             QStringLiteral("Cancel"), 0, static_cast<int>(CountBranches(node)), FWindow);
    progress.setObjectName(QStringLiteral("ExportProgressDialog"));
    progress.setWindowTitle(ApplicationTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setValue(0);
    TExportCounts counts;
    try {
        counts = ::ExportBranch(
            node, path, ExportFormatOf(path),
            [&progress](size_t done) {
                progress.setValue(static_cast<int>(done));
                return !progress.wasCanceled();
            },
            SummaryTextReader());
    } catch (const EAbort&) {
        SetStatus("Export cancelled: nothing was written");
        return;
    } catch (const std::exception& e) {
        if (!IsDiskFull(e))
            throw;
        ShowErrorText(ExportErrorText(path, e));
        return;
    }
    const QLocale locale;
    SetStatus(FromQ(QStringLiteral("Exported %1 branches and %2 species to %3")
                        .arg(locale.toString(qulonglong(counts.Branches)),
                             locale.toString(qulonglong(counts.Species)), chosen)));
}
