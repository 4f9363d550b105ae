#include "Form_Announcement.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Platform.h"
#include "QtText.h"
#include "ui_Form_Announcement.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>

namespace {

QPointer<TFormAnnouncement> TheAnnouncement;

} // namespace

TFormAnnouncement& TFormAnnouncement::Instance() {
    if (!TheAnnouncement) {
        TheAnnouncement = new TFormAnnouncement;
        // Deleted while the application still runs; a static object would outlive it.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, TheAnnouncement.data(),
                         [] { delete TheAnnouncement; });
    }
    return *TheAnnouncement;
}

bool TFormAnnouncement::Exists() {
    return !TheAnnouncement.isNull();
}

TFormAnnouncement::TFormAnnouncement(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      FUi(std::make_unique<Ui::FormAnnouncement>()) {
    FUi->setupUi(this);
    // An announcement left open must not keep the program running once the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    // Escape rejects the dialog, and a hidden dialog is all Close means here.
    connect(FUi->CloseBtn, &QPushButton::clicked, this, &TFormAnnouncement::CloseBtnClick);
}

TFormAnnouncement::~TFormAnnouncement() = default;

void TFormAnnouncement::CloseBtnClick() {
    hide();
}

void TFormAnnouncement::SetMessageLines(const TStringList& lines) {
    // Line by line, so that one line in another encoding does not garble the rest.
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        text << ToQ(line);
    FUi->MessageMemo->setPlainText(text.join('\n'));
}

void TFormAnnouncement::ShowMessage(QWidget* centreOn) {
    FitToScreen(*this);
    show();
    if (isMinimized())
        showNormal();
    if (!FPlaced) {
        FPlaced = true;
        // Placed once shown, when the frame's size is known.
        if (centreOn) {
            QRect frame = frameGeometry();
            frame.moveCenter(centreOn->frameGeometry().center());
            move(frame.topLeft());
        }
    }
    raise();
    activateWindow();
}

bool ShowAnnouncement(QWidget* centreOn) {
    const std::string path = AppFile(AnnouncementFileName);
    if (!FileExists(path)) {
        ShowErrorBox("Announcement could not be displayed. You have not checked for announcement yet.");
        return false;
    }
    const TStringList lines = ReadLines(path);
    TFormAnnouncement& window = TFormAnnouncement::Instance();
    window.SetMessageLines(lines);
    window.ShowMessage(centreOn);
    return true;
}
