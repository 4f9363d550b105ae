#include "Form_DeleteUserDB.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Format.h"
#include "Global.h"
#include "Platform.h"
#include "QtText.h"
#include "ui_Form_DeleteUserDB.h"

#include <QTreeWidget>
#include <exception>

namespace {

enum { LevelColumn, FileColumn, ItemsColumn };

long long LineCount(const std::string& path) {
    try {
        long long count = 0;
        ForEachLine(ReadFileBytes(path), [&count](std::string_view) { ++count; });
        return count;
    } catch (const std::exception&) {
        // Listed all the same: a file that cannot be read may still be deleted.
        return 0;
    }
}

} // namespace

TFormDeleteUserDB::TFormDeleteUserDB(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FUi(std::make_unique<Ui::FormDeleteUserDB>()) {
    FUi->setupUi(this);
    setFixedSize(size());
    QTreeWidget* list = FUi->FileListView;
    list->setColumnWidth(LevelColumn, 120);
    list->setColumnWidth(FileColumn, 93);
    list->setColumnWidth(ItemsColumn, 60);
    connect(FUi->OKBtn, &QPushButton::clicked, this, &TFormDeleteUserDB::OKBtnClick);
    connect(FUi->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

TFormDeleteUserDB::~TFormDeleteUserDB() = default;

void TFormDeleteUserDB::FormCreate() {
    QTreeWidget* list = FUi->FileListView;
    const QSignalBlocker quiet(list);
    // The user tree first, then the six level files from Class to Genus.
    for (int level = -1; level < LevelCount; ++level) {
        const char* name = UserLevelFiles[static_cast<size_t>(level) + 1];
        const std::string path = AppFile(name);
        if (!FileExists(path))
            continue;
        auto* item = new QTreeWidgetItem(list);
        item->setText(LevelColumn, level < 0 ? QStringLiteral("User Taxonomy")
                                             : QString::fromLatin1(LevelNames[static_cast<size_t>(level)]));
        item->setText(FileColumn, QString::fromLatin1(name));
        item->setText(ItemsColumn, ToQ(Format("%d lines", {LineCount(path)})));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(LevelColumn, Qt::Unchecked);
    }
    // Disabled only when there is nothing to list; with no row ticked, Delete deletes nothing
    // and says so.
    FUi->OKBtn->setEnabled(list->topLevelItemCount() > 0);
}

void TFormDeleteUserDB::OKBtnClick() {
    FDeletedCount = 0;
    if (AppMessageBox(std::string("Are you sure you want to delete all selected files?"),
                      Mb::YesNo | Mb::IconQuestion) == Mb::IdYes) {
        const QTreeWidget* list = FUi->FileListView;
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            if (item->checkState(LevelColumn) != Qt::Checked)
                continue;
            const std::string name = FromQ(item->text(FileColumn));
            const std::string path = AppFile(name);
            if (DeleteFile(path)) {
                ++FDeletedCount;
                // No longer offered for submission.
                ModifiedFiles.Remove(path);
            } else {
                ShowErrorBox("Data file \"%s\" could not be deleted. You may need to delete it manually.",
                             {name});
            }
        }
    }
    AppMessageBox(Format("%d Files has been deleted", {FDeletedCount}), Mb::Ok | Mb::IconInformation);
    accept();
}

int RunDeleteUserDBDialog(QWidget* parent) {
    TFormDeleteUserDB dialog(parent);
    DialogSeam().ExecDialog(dialog);
    return dialog.DeletedCount();
}
