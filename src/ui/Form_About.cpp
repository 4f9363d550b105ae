#include "Form_About.h"

#include "Dialogs.h"
#include "ui_Form_About.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace {

const char* const Version = "2.20c";

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      FUi(std::make_unique<Ui::AboutBox>()) {
    // The controls have fixed places: a small, narrow font keeps every text within its place.
    QFont small = font();
    small.setPixelSize(11);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);
    FUi->setupUi(this);
    setFixedSize(434, 232);
    QFont bold = FUi->TitleLabel->font();
    bold.setPixelSize(13);
    bold.setBold(true);
    FUi->TitleLabel->setFont(bold);

    // The program's name comes only from the application title.
    setWindowTitle(QStringLiteral("About ") + ApplicationTitle());
    FUi->TitleLabel->setText(ApplicationTitle() + QStringLiteral(" v") + QString::fromLatin1(Version));
    FUi->BugSubmitUrlLabel->SetURL(QStringLiteral("mailto:") + FUi->BugSubmitUrlLabel->text());

    QFile picture(QStringLiteral(":/ui/Form_About.gif"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = picture.readAll();
        FUi->IconImage->SetAutoSize(true);
        FUi->IconImage->LoadFromBytes(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    connect(FUi->OKButton, &QPushButton::clicked, this, &QDialog::accept);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TAboutBox::~TAboutBox() = default;

void ShowAboutBox(QWidget* parent) {
    TAboutBox box(parent);
    DialogSeam().ExecDialog(box);
}
