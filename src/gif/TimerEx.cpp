#include "TimerEx.h"

#include <QCoreApplication>
#include <QEvent>
#include <QtDebug>

#include <chrono>
#include <condition_variable>
#include <pthread.h>
#include <sched.h>
#include <thread>

// What the timer and its thread share. The thread never waits for the user-interface thread
// without also waking on Terminated, so ending it from that thread cannot deadlock.
struct TTimerThreadState {
    std::mutex Lock;
    std::condition_variable Wake;
    bool Terminated = false;
    bool Suspended = true;
    unsigned Generation = 0; // moves on at every suspension: a sleep or tick begun before is void
    int Interval = 1000;
    bool TickPending = false; // a tick handed to the user-interface thread has not run yet
};

namespace {

const QEvent::Type TickEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// A tick of the thread, handed to the user-interface thread.
class TTickEvent : public QEvent {
public:
    TTickEvent(std::shared_ptr<TTimerThreadState> state, unsigned generation)
        : QEvent(TickEventType), State(std::move(state)), Generation(generation) {}
    std::shared_ptr<TTimerThreadState> State;
    unsigned Generation;
};

TTimerErrorHandler& ErrorHandler() {
    static TTimerErrorHandler handler;
    return handler;
}

} // namespace

void SetTimerErrorHandler(TTimerErrorHandler handler) {
    ErrorHandler() = std::move(handler);
}

void ReportTimerError(const std::exception_ptr& error) {
    try {
        if (ErrorHandler()) {
            ErrorHandler()(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        qWarning("Timer: %s", e.what());
    } catch (...) {
        qWarning("Timer: unknown error");
    }
}

// The sleeping loop. A plain thread: it needs no event loop of its own, and joining it gives
// every later reader (and the race detectors) a clear order.
class TTimerThread {
public:
    TTimerThread(TTimerEx& owner, std::shared_ptr<TTimerThreadState> state)
        : FOwner(owner), FState(std::move(state)), FThread([this] { Run(); }) {}
    ~TTimerThread() { FThread.join(); }

    // What the system offers: on Linux only the idle class differs from the normal one.
    void SetPriority(QThread::Priority priority) {
        sched_param param{};
        pthread_setschedparam(FThread.native_handle(),
                              priority == QThread::IdlePriority ? SCHED_IDLE : SCHED_OTHER, &param);
    }

private:
    void Run() {
        TTimerThreadState& s = *FState;
        std::unique_lock lock(s.Lock);
        while (!s.Terminated) {
            if (s.Suspended) {
                s.Wake.wait(lock, [&] { return s.Terminated || !s.Suspended; });
                continue;
            }
            const unsigned generation = s.Generation;
            const bool woken = s.Wake.wait_for(lock, std::chrono::milliseconds(s.Interval), [&] {
                return s.Terminated || s.Suspended || s.Generation != generation;
            });
            if (woken)
                continue; // the sleep did not run its full time
            if (FOwner.FThreadSafe) {
                lock.unlock();
                FOwner.TickOnThread();
                lock.lock();
            } else {
                s.TickPending = true;
                QCoreApplication::postEvent(&FOwner, new TTickEvent(FState, generation));
                s.Wake.wait(lock, [&] { return s.Terminated || !s.TickPending; });
            }
        }
    }

    TTimerEx& FOwner;
    std::shared_ptr<TTimerThreadState> FState;
    std::thread FThread; // last: it starts once the rest is in place
};

TTimerEx::TTimerEx(QObject* owner) : QObject(owner) {}

// Only a failing lock or join could throw here; ending the program then is right.
TTimerEx::~TTimerEx() { // NOLINT(bugprone-exception-escape)
    FEnabled = false;
    FTickEnabled = false;
    if (FTimerId != 0)
        killTimer(FTimerId);
    EndThread();
    *FAlive = false;
}

void TTimerEx::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    FTickEnabled = value;
    UpdateTimer();
}

void TTimerEx::SetInterval(int value) {
    value = std::max(value, 0);
    if (value == FInterval)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimerEx::SetThreaded(bool value) {
    if (value == FThreaded)
        return;
    FThreaded = value;
    UpdateTimer();
}

void TTimerEx::SetThreadPriority(QThread::Priority value) {
    if (value == FPriority)
        return;
    FPriority = value;
    if (FThreaded)
        UpdateTimer();
}

void TTimerEx::SetOnTimer(std::function<void()> handler) {
    {
        std::lock_guard guard(FHandlerLock);
        FOnTimer = std::move(handler);
    }
    UpdateTimer();
}

bool TTimerEx::Running() const {
    if (FTimerId != 0)
        return true;
    if (!FThreadState)
        return false;
    std::lock_guard guard(FThreadState->Lock);
    return !FThreadState->Suspended && !FThreadState->Terminated;
}

void TTimerEx::UpdateTimer() {
    if (FThreadState) {
        std::lock_guard guard(FThreadState->Lock);
        FThreadState->Suspended = true;
        ++FThreadState->Generation;
        FThreadState->Wake.notify_all();
    }
    if (FTimerId != 0) {
        killTimer(FTimerId);
        FTimerId = 0;
    }
    if (FThreaded) {
        if (!FThread) {
            FThreadState = std::make_shared<TTimerThreadState>();
            FThread = new TTimerThread(*this, FThreadState);
        }
    } else {
        EndThread();
    }
    if (FInterval == 0 || !FEnabled || !FOnTimer)
        return;
    if (FThreaded) {
        FThread->SetPriority(FPriority);
        std::lock_guard guard(FThreadState->Lock);
        FThreadState->Interval = FInterval;
        FThreadState->Suspended = false;
        FThreadState->Wake.notify_all();
    } else {
        FTimerId = startTimer(FInterval, Qt::PreciseTimer);
        if (FTimerId == 0)
            throw ETimerError("No More Timers Available");
    }
}

void TTimerEx::EndThread() {
    if (!FThread)
        return;
    {
        std::lock_guard guard(FThreadState->Lock);
        FThreadState->Terminated = true;
        FThreadState->Wake.notify_all();
    }
    // The thread wakes at once; only a thread-safe handler still running keeps it.
    delete FThread; // joins
    FThread = nullptr;
    FThreadState.reset();
}

void TTimerEx::timerEvent(QTimerEvent* event) {
    if (event->timerId() == FTimerId)
        Tick();
    else
        QObject::timerEvent(event);
}

void TTimerEx::customEvent(QEvent* event) {
    if (event->type() != TickEventType) {
        QObject::customEvent(event);
        return;
    }
    // The event keeps the state alive even when the tick deletes this timer.
    const std::shared_ptr<TTimerThreadState> state = static_cast<TTickEvent*>(event)->State;
    bool current;
    {
        std::lock_guard guard(state->Lock);
        current = !state->Terminated && !state->Suspended &&
                  state->Generation == static_cast<TTickEvent*>(event)->Generation;
    }
    if (current)
        Tick();
    std::lock_guard guard(state->Lock);
    state->TickPending = false;
    state->Wake.notify_all();
}

void TTimerEx::Tick() {
    // A handler that opens a modal loop does not get a second tick of the same timer meanwhile.
    if (!FEnabled || FInTick || !FOnTimer)
        return;
    const std::function<void()> handler = FOnTimer; // the handler may replace itself
    const std::shared_ptr<bool> alive = FAlive;
    FInTick = true;
    try {
        handler();
    } catch (...) {
        ReportTimerError(std::current_exception());
    }
    if (*alive)
        FInTick = false;
}

void TTimerEx::TickOnThread() {
    if (!FTickEnabled)
        return;
    std::function<void()> handler;
    {
        std::lock_guard guard(FHandlerLock);
        handler = FOnTimer;
    }
    if (!handler)
        return;
    try {
        handler();
    } catch (...) {
        // Reported on the user-interface thread, as every other error.
        QMetaObject::invokeMethod(
            this, [error = std::current_exception()] { ReportTimerError(error); }, Qt::QueuedConnection);
    }
}
