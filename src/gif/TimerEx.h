#pragma once
// A timer that ticks either through a window timer on the user-interface thread or through a
// sleeping thread of its own. The GIF control drives its animation with it.
//
//   TTimerEx timer(owner);
//   timer.SetOnTimer([] { Step(); });   // runs on the user-interface thread unless ThreadSafe
//   timer.SetInterval(40);
//   timer.SetThreaded(true);            // moves the running timer onto its thread
//
// Every setter runs on the thread the timer belongs to (the user-interface thread). A handler may
// change or even delete its own timer while it runs.

#include <QObject>
#include <QThread>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>

// Raised when the system gives no window timer.
class ETimerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where an error raised by an OnTimer handler goes; the timer goes on after it. The program
// installs its default error report; without one the error is logged.
using TTimerErrorHandler = std::function<void(std::exception_ptr)>;
void SetTimerErrorHandler(TTimerErrorHandler handler);
// Hands an error to that handler (never throws).
void ReportTimerError(const std::exception_ptr& error);

class TTimerThread;
struct TTimerThreadState;

class TTimerEx : public QObject {
    Q_OBJECT
public:
    explicit TTimerEx(QObject* owner = nullptr);
    ~TTimerEx() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int Interval() const { return FInterval; } // milliseconds
    void SetInterval(int value);
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool value);
    QThread::Priority ThreadPriority() const { return FPriority; }
    void SetThreadPriority(QThread::Priority value); // takes effect while threaded
    // Ticks of the thread run OnTimer on the thread itself; the handler then does its own locking.
    bool ThreadSafe() const { return FThreadSafe; }
    void SetThreadSafe(bool value) { FThreadSafe = value; }
    const std::function<void()>& OnTimer() const { return FOnTimer; }
    void SetOnTimer(std::function<void()> handler);

    // Whether ticks are coming, through the window timer or the thread.
    bool Running() const;
    // Whether the timer holds a thread (running or not) rather than a window timer.
    bool HasThread() const { return FThread != nullptr; }

    // Restarts the timer from its properties: the setters call it.
    void UpdateTimer();

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class TTimerThread;
    void Tick();
    void TickOnThread();
    void EndThread();

    bool FEnabled = true;
    int FInterval = 1000;
    bool FThreaded = false;
    QThread::Priority FPriority = QThread::NormalPriority;
    std::atomic<bool> FThreadSafe = false;
    std::atomic<bool> FTickEnabled = true; // FEnabled as the thread reads it
    std::function<void()> FOnTimer;
    mutable std::mutex FHandlerLock; // FOnTimer, for a thread-safe tick
    // The window timer: this object receives the system timer's events.
    int FTimerId = 0;
    TTimerThread* FThread = nullptr;
    std::shared_ptr<TTimerThreadState> FThreadState;
    bool FInTick = false;
    // Set to false when the timer is destroyed, so that a tick deleting its own timer ends safely.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
