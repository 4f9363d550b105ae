#include "Form_SubmitInfo.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Form_SubmitPreview.h"
#include "Options.h"
#include "Platform.h"
#include "QtText.h"
#include "ui_Form_SubmitInfo.h"

#include <QScreen>
#include <QStringList>
#include <exception>

TFormSubmitInfo::TFormSubmitInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FUi(std::make_unique<Ui::FormSubmitInfo>()) {
    FUi->setupUi(this);
    setFixedSize(size());
    connect(FUi->SubmitBtn, &QPushButton::clicked, this, &TFormSubmitInfo::accept);
    connect(FUi->CancelBtn, &QPushButton::clicked, this, &TFormSubmitInfo::reject);
    connect(FUi->PreviewBtn, &QPushButton::clicked, this,
            [this] { RunSubmitPreview(FFiles, CheckedImageNames(), this); });

    std::string name, email;
    ReadSubmitterInfo(name, email);
    SetUserName(name);
    SetUserEmail(email);
}

TFormSubmitInfo::~TFormSubmitInfo() = default;

void TFormSubmitInfo::SetUserName(const std::string& name) {
    FUi->NameEdit->setText(ToQ(name));
}

void TFormSubmitInfo::SetUserEmail(const std::string& email) {
    FUi->EmailEdit->setText(ToQ(email));
}

std::string TFormSubmitInfo::UserName() const {
    return FromQ(FUi->NameEdit->text());
}

std::string TFormSubmitInfo::UserEmail() const {
    return FromQ(FUi->EmailEdit->text());
}

void TFormSubmitInfo::SetFileList(const TStringList& paths) {
    FFiles = paths;
    QStringList lines;
    for (const std::string& path : paths)
        lines << ToQ(path);
    FUi->FileListMemo->setPlainText(lines.join('\n'));
}

void TFormSubmitInfo::SetImageList(const TStringList& names) {
    FImages = names;
    FUi->ImagesChkListBox->clear();
    for (size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(ToQ(names[i]), FUi->ImagesChkListBox);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, static_cast<qulonglong>(i));
    }
}

TStringList TFormSubmitInfo::CheckedImageNames() const {
    TStringList names;
    const QListWidget* list = FUi->ImagesChkListBox;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        const auto index = static_cast<size_t>(item->data(Qt::UserRole).toULongLong());
        if (item->checkState() == Qt::Checked && index < FImages.size())
            names.push_back(FImages[index]);
    }
    return names;
}

const TStringList& TFormSubmitInfo::CheckedImageFiles() {
    FChecked.clear();
    const std::string folder = AppFile(ImagesFolderName);
    for (const std::string& name : CheckedImageNames())
        FChecked.push_back(folder + name);
    return FChecked;
}

void TFormSubmitInfo::accept() {
    if (FUi->NameEdit->text().isEmpty())
        FUi->NameEdit->setText(QString::fromLatin1(NoNameText));
    if (FUi->EmailEdit->text().isEmpty())
        FUi->EmailEdit->setText(QString::fromLatin1(MaintainerEmail));
    try {
        WriteSubmitterInfo(UserName(), UserEmail());
    } catch (const std::exception& e) {
        // Remembering the name is a convenience: report it and let the submission go on.
        ShowDefaultErrorReport(e.what());
    }
    QDialog::accept();
}

void TFormSubmitInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FCentred)
        return;
    FCentred = true;
    if (const QScreen* where = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
}

TStringList TSubmitInfoResult::UploadList() const {
    TStringList list = CheckedImageFiles;
    list.insert(list.end(), FileLines.begin(), FileLines.end());
    return list;
}

TSubmitInfoResult RunSubmitDialog(const TStringList& dataFiles, const TStringList& pictureNames,
                                  QWidget* parent) {
    TFormSubmitInfo dialog(parent);
    dialog.SetFileList(dataFiles);
    dialog.SetImageList(pictureNames);
    TSubmitInfoResult result;
    if (DialogSeam().ExecDialog(dialog) != QDialog::Accepted)
        return result;
    // An answer that did not go through Submit still gets the defaults and is remembered.
    if (dialog.result() != QDialog::Accepted)
        dialog.accept();
    result.Accepted = true;
    result.Name = dialog.UserName();
    result.Email = dialog.UserEmail();
    result.CheckedImageNames = dialog.CheckedImageNames();
    result.CheckedImageFiles = dialog.CheckedImageFiles();
    result.FileLines = dialog.FileLines();
    return result;
}
