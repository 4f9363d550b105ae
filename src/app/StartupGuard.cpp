#include "StartupGuard.h"

#include "Dialogs.h"

#include <QApplication>
#include <QKeyEvent>

TStartupGuard::TStartupGuard(QWidget* splash, std::function<bool()> transferring,
                             std::function<void()> cancel)
    : FSplash(splash), FTransferring(std::move(transferring)), FCancel(std::move(cancel)) {
    SetModalHook([this](bool opening) { Question(opening); });
    qApp->installEventFilter(this);
    GrabKeys();
}

TStartupGuard::~TStartupGuard() {
    ReleaseKeys();
    qApp->removeEventFilter(this);
    SetModalHook({});
    if (FSplashHidden && FSplash)
        FSplash->show();
}

void TStartupGuard::GrabKeys() {
    if (FSplash && FSplash->isVisible() && !FKeysGrabbed) {
        FSplash->grabKeyboard();
        FKeysGrabbed = true;
    }
}

void TStartupGuard::ReleaseKeys() {
    if (FKeysGrabbed && FSplash)
        FSplash->releaseKeyboard();
    FKeysGrabbed = false;
}

void TStartupGuard::Question(bool opening) {
    if (opening) {
        if (FQuestions++ == 0) {
            ReleaseKeys();
            if (FSplash && FSplash->isVisible()) {
                FSplash->hide();
                FSplashHidden = true;
            }
        }
        return;
    }
    if (--FQuestions == 0) {
        if (FSplashHidden && FSplash) {
            FSplash->show();
            FSplash->repaint();
            FSplashHidden = false;
        }
        GrabKeys();
    }
}

bool TStartupGuard::eventFilter(QObject* watched, QEvent* event) {
    // A question open now has Esc for itself.
    if (FQuestions == 0 && FTransferring()) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            FCancel();
            return true;
        }
        if (event->type() == QEvent::Close && watched == FSplash.data()) {
            FCancel();
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
