#include "Form_AddBranch.h"
#include "RecordTextValidator.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Form_HelpViewer.h"
#include "Platform.h"
#include "QtText.h"
#include "StrUtils.h"
#include "ui_Form_AddBranch.h"

#include <QValidator>

namespace {

void MakeGrey(QLineEdit* edit) {
    QPalette grey = edit->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    edit->setPalette(grey);
}

} // namespace

TFormAddBranch::TFormAddBranch(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FUi(std::make_unique<Ui::FormAddBranch>()) {
    FUi->setupUi(this);
    setFixedSize(size());
    // Only the main window waits for the dialog: the help it opens stays usable.
    setWindowModality(Qt::WindowModal);
    MakeGrey(FUi->ParentEdit);
    MakeGrey(FUi->IdEdit);
    auto* fields = new TRecordTextValidator(this);
    FUi->NameEdit->setValidator(fields);
    FUi->InfoEdit->setValidator(fields);
    FUi->LevelComboBox->lineEdit()->setValidator(fields);
    connect(FUi->NameEdit, &QLineEdit::textChanged, this, &TFormAddBranch::NameEditChange);
    connect(FUi->AddBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(FUi->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(FUi->HelpBtn, &QPushButton::clicked, this, &TFormAddBranch::HelpBtnClick);
    NameEditChange();
}

TFormAddBranch::~TFormAddBranch() = default;

QStringList TFormAddBranch::LevelEntries(int parentLevel) {
    QStringList entries;
    const int first = parentLevel + 1;
    const int last = first == 3 || first == 4 ? first + 1 : first;
    for (int level = std::max(first, 0); level <= last && level <= GenusLevel; ++level)
        entries << QStringLiteral("%1 - %2").arg(level).arg(QString::fromLatin1(LevelNames[level]));
    return entries;
}

bool TFormAddBranch::LevelFits(int level, int parentLevel) {
    return level > parentLevel && level <= GenusLevel;
}

int TFormAddBranch::LevelFromText() const {
    const QString text = FUi->LevelComboBox->currentText();
    return !text.isEmpty() && text.front() >= '0' && text.front() <= '9' ? text.front().unicode() - '0' : 0;
}

int TFormAddBranch::Execute(const TTaxonomyData& parent, TTaxonomyData& data) {
    FUi->ParentEdit->setText(ToQ(parent.Name()));
    const QStringList entries = LevelEntries(parent.Level());
    FUi->LevelComboBox->clear();
    FUi->LevelComboBox->addItems(entries);
    FUi->LevelComboBox->setEditText(entries.value(0));
    FUi->NameEdit->setText(data.Name().empty() ? QString::fromLatin1(NoNamedText) : ToQ(data.Name()));
    FUi->InfoEdit->setText(ToQ(data.Info()));
    // Typing replaces the proposed name.
    FUi->NameEdit->setFocus();
    FUi->NameEdit->selectAll();

    const int result = DialogSeam().ExecDialog(*this);

    // A level the tree cannot hold here (typed, emptied, or no digit at all) would leave the new
    // branch outside its parent at the next load, or drop it: the first offered level is taken.
    int level = LevelFromText();
    if (!LevelFits(level, parent.Level()))
        level = parent.Level() + 1;
    data.Marker() = std::string(static_cast<size_t>(std::max(level, 0)), '\t');
    data.Id() = FromQ(FUi->IdEdit->text());
    data.Name() = FromQ(FUi->NameEdit->text());
    data.Info() = FromQ(FUi->InfoEdit->text());
    return result == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
}

void TFormAddBranch::NameEditChange() {
    const QString name = FUi->NameEdit->text();
    if (name.isEmpty() || QStringLiteral("(<[{").contains(name.front()))
        FUi->IdEdit->setText(ToQ(std::string(NotAvailableId)));
    else
        FUi->IdEdit->setText(ToQ(LowerCase(FromQ(name))));
}

void TFormAddBranch::HelpBtnClick() {
    THelpViewer::Instance().ShowTopic(AppFile(HelpFileName), AddBranchHelpContext);
}

void TFormAddBranch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QWidget* owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->window()->frameGeometry().center());
        move(frame.topLeft());
    }
}
