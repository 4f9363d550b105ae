#include "Form_SubmitInfo.h"

#include "Constants.h"
#include "Dialogs.h"
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
      Ui_(std::make_unique<Ui::FormSubmitInfo>()) {
    Ui_->setupUi(this);
    setFixedSize(size());
    connect(Ui_->SubmitBtn, &QPushButton::clicked, this, &TFormSubmitInfo::accept);
    connect(Ui_->CancelBtn, &QPushButton::clicked, this, &TFormSubmitInfo::reject);

    std::string name, email;
    ReadSubmitterInfo(name, email);
    SetUserName(name);
    SetUserEmail(email);
}

TFormSubmitInfo::~TFormSubmitInfo() = default;

void TFormSubmitInfo::SetUserName(const std::string& name) {
    Ui_->NameEdit->setText(ToQ(name));
}

void TFormSubmitInfo::SetUserEmail(const std::string& email) {
    Ui_->EmailEdit->setText(ToQ(email));
}

std::string TFormSubmitInfo::UserName() const {
    return FromQ(Ui_->NameEdit->text());
}

std::string TFormSubmitInfo::UserEmail() const {
    return FromQ(Ui_->EmailEdit->text());
}

void TFormSubmitInfo::SetFileList(const TStringList& paths) {
    Files_ = paths;
    QStringList lines;
    for (const std::string& path : paths)
        lines << ToQ(path);
    Ui_->FileListMemo->setPlainText(lines.join('\n'));
}

void TFormSubmitInfo::SetImageList(const TStringList& names) {
    Images_ = names;
    Ui_->ImagesChkListBox->clear();
    for (size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(ToQ(names[i]), Ui_->ImagesChkListBox);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, static_cast<qulonglong>(i));
    }
}

TStringList TFormSubmitInfo::CheckedImageNames() const {
    TStringList names;
    const QListWidget* list = Ui_->ImagesChkListBox;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        const auto index = static_cast<size_t>(item->data(Qt::UserRole).toULongLong());
        if (item->checkState() == Qt::Checked && index < Images_.size())
            names.push_back(Images_[index]);
    }
    return names;
}

const TStringList& TFormSubmitInfo::CheckedImageFiles() {
    Checked_.clear();
    const std::string folder = AppFile(ImagesFolderName);
    for (const std::string& name : CheckedImageNames())
        Checked_.push_back(folder + name);
    return Checked_;
}

void TFormSubmitInfo::accept() {
    if (Ui_->NameEdit->text().isEmpty())
        Ui_->NameEdit->setText(QString::fromLatin1(NoNameText));
    if (Ui_->EmailEdit->text().isEmpty())
        Ui_->EmailEdit->setText(QString::fromLatin1(MaintainerEmail));
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
    if (Centred_)
        return;
    Centred_ = true;
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
