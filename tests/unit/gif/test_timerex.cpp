// The extended timer: window timer and sleeping thread, switching between them while running,
// errors in the handler, and ending from within a tick or while the thread sleeps.
#include "TimerEx.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QtTest>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

class TestTimerEx : public QObject {
    Q_OBJECT
private slots:
    void DefaultsAndWhenItRuns();
    void TicksRunOnTheRightThread_data();
    void TicksRunOnTheRightThread();
    void SwitchesModesWhileRunning();
    void ErrorIsReportedAndTheTimerGoesOn_data();
    void ErrorIsReportedAndTheTimerGoesOn();
    void DeletedFromItsOwnTick_data();
    void DeletedFromItsOwnTick();
    void DestroyedWhileItsThreadSleeps();
    void NoWindowTimerAvailable();
};

void TestTimerEx::DefaultsAndWhenItRuns() {
    TTimerEx timer;
    QVERIFY(timer.Enabled());
    QCOMPARE(timer.Interval(), 1000);
    QVERIFY(!timer.Threaded());
    QVERIFY(!timer.ThreadSafe());
    QCOMPARE(timer.ThreadPriority(), QThread::NormalPriority);
    QVERIFY(!timer.Running()); // no handler yet
    timer.SetOnTimer([] {});
    QVERIFY(timer.Running());
    timer.SetInterval(0);
    QVERIFY(!timer.Running());
    timer.SetInterval(20);
    timer.SetEnabled(false);
    QVERIFY(!timer.Running());
    timer.SetThreaded(true);
    QVERIFY(timer.HasThread());
    QVERIFY(!timer.Running()); // the thread waits, suspended
    timer.SetEnabled(true);
    QVERIFY(timer.Running());
    timer.SetOnTimer({});
    QVERIFY(!timer.Running());
}

void TestTimerEx::TicksRunOnTheRightThread_data() {
    QTest::addColumn<bool>("threaded");
    QTest::addColumn<bool>("threadSafe");
    QTest::addColumn<bool>("onUiThread");
    QTest::newRow("window timer") << false << false << true;
    QTest::newRow("thread, handed over") << true << false << true;
    QTest::newRow("thread, thread-safe handler") << true << true << false;
}

void TestTimerEx::TicksRunOnTheRightThread() {
    QFETCH(bool, threaded);
    QFETCH(bool, threadSafe);
    QFETCH(bool, onUiThread);
    TTimerEx timer;
    timer.SetThreadSafe(threadSafe);
    timer.SetThreaded(threaded);
    timer.SetInterval(5);
    std::atomic<int> ticks = 0, uiTicks = 0;
    QThread* ui = QThread::currentThread();
    timer.SetOnTimer([&] {
        uiTicks += QThread::currentThread() == ui;
        ++ticks;
    });
    QTRY_VERIFY(ticks >= 3);
    timer.SetEnabled(false);
    QCOMPARE(uiTicks == ticks, onUiThread);
    QCOMPARE(uiTicks == 0, !onUiThread);
}

void TestTimerEx::SwitchesModesWhileRunning() {
    TTimerEx timer;
    timer.SetInterval(5);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    for (bool threaded : {true, false, true, false}) {
        timer.SetThreaded(threaded);
        QCOMPARE(timer.HasThread(), threaded);
        QVERIFY(timer.Running());
        const int before = ticks;
        QTRY_VERIFY(ticks >= before + 2);
    }
    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(30);
    QCOMPARE(ticks, stopped);
}

void TestTimerEx::ErrorIsReportedAndTheTimerGoesOn_data() {
    QTest::addColumn<bool>("threaded");
    QTest::addColumn<bool>("threadSafe");
    QTest::newRow("window timer") << false << false;
    QTest::newRow("thread, handed over") << true << false;
    QTest::newRow("thread, thread-safe handler") << true << true;
}

void TestTimerEx::ErrorIsReportedAndTheTimerGoesOn() {
    QFETCH(bool, threaded);
    QFETCH(bool, threadSafe);
    QStringList reported;
    QThread* reportedOn = nullptr;
    SetTimerErrorHandler([&](std::exception_ptr e) {
        reportedOn = QThread::currentThread();
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported << x.what();
        }
    });
    std::atomic<int> ticks = 0;
    {
        TTimerEx timer;
        timer.SetThreadSafe(threadSafe);
        timer.SetThreaded(threaded);
        timer.SetInterval(5);
        timer.SetOnTimer([&] {
            if (++ticks == 1)
                throw std::runtime_error("tick failed");
        });
        QTRY_VERIFY(ticks >= 3 && !reported.isEmpty());
    }
    SetTimerErrorHandler({});
    QCOMPARE(reported, QStringList{"tick failed"});
    QCOMPARE(reportedOn, QThread::currentThread());
}

void TestTimerEx::DeletedFromItsOwnTick_data() {
    QTest::addColumn<bool>("threaded");
    QTest::newRow("window timer") << false;
    QTest::newRow("thread") << true;
}

void TestTimerEx::DeletedFromItsOwnTick() {
    QFETCH(bool, threaded);
    auto* timer = new TTimerEx;
    QPointer<TTimerEx> watch(timer);
    timer->SetThreaded(threaded);
    timer->SetInterval(5);
    int ticks = 0;
    timer->SetOnTimer([&] {
        ++ticks;
        delete timer;
    });
    QTRY_VERIFY(watch.isNull());
    QTest::qWait(30);
    QCOMPARE(ticks, 1);
}

void TestTimerEx::DestroyedWhileItsThreadSleeps() {
    QElapsedTimer clock;
    {
        TTimerEx timer;
        timer.SetThreaded(true);
        timer.SetInterval(60000);
        timer.SetOnTimer([] {});
        QVERIFY(timer.Running());
        QTest::qWait(10); // the thread is asleep now
        clock.start();
    }
    // Ending the thread wakes it: nothing waits for the minute to pass.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestTimerEx::NoWindowTimerAvailable() {
    // A thread without an event loop has no window timers to give.
    QString error;
    bool running = true;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Timers can only be used"));
    std::thread([&] {
        TTimerEx timer;
        timer.SetInterval(10);
        try {
            timer.SetOnTimer([] {});
        } catch (const ETimerError& e) {
            error = e.what();
        }
        running = timer.Running();
    }).join();
    QCOMPARE(error, QString("No More Timers Available"));
    QVERIFY(!running);
}

QTEST_GUILESS_MAIN(TestTimerEx)
#include "test_timerex.moc"
