// What start-up needs while the main window is not shown yet. The splash stays on top of every
// other window, so it steps aside for each question and comes back after it; and the window's
// Cancel Transfer key cannot be reached, so Esc anywhere in the program (or closing the splash)
// stops a transfer that start-up runs. A window manager may never give the splash the focus, so
// the splash holds the keyboard (but for the questions, which have it for themselves).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class TStartupGuard : public QObject {
    Q_OBJECT
public:
    // `transferring` says whether a transfer is waiting on the server; `cancel` stops it.
    TStartupGuard(QWidget* splash, std::function<bool()> transferring, std::function<void()> cancel);
    ~TStartupGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Question(bool opening);
    void GrabKeys();
    void ReleaseKeys();

    QPointer<QWidget> FSplash;
    std::function<bool()> FTransferring;
    std::function<void()> FCancel;
    int FQuestions = 0;         // questions open now
    bool FSplashHidden = false; // hidden by us, to come back
    bool FKeysGrabbed = false;
};
