#include "StartupGuard.h"

#include "Dialogs.h"

#include <QApplication>
#include <QKeyEvent>

TStartupGuard::TStartupGuard(QWidget* splash, std::function<bool()> transferring, std::function<void()> cancel)
    : FSplash(splash), FTransferring(std::move(transferring)), FCancel(std::move(cancel)) {
    SetModalHook([this](bool opening) { Question(opening); });
    qApp->installEventFilter(this);
}

TStartupGuard::~TStartupGuard() {
    qApp->removeEventFilter(this);
    SetModalHook({});
    if (FSplashHidden && FSplash)
        FSplash->show();
}

void TStartupGuard::Question(bool opening) {
    if (opening) {
        if (FQuestions++ == 0 && FSplash && FSplash->isVisible()) {
            FSplash->hide();
            FSplashHidden = true;
        }
        return;
    }
    if (--FQuestions == 0 && FSplashHidden && FSplash) {
        FSplash->show();
        FSplash->repaint();
        FSplashHidden = false;
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
