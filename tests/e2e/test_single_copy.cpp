// One program per data folder: the real program started twice on one folder, and once on
// another; the lock itself, taken over after its holder ends, and the call to come forward.
#include "InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString LockFile(const QString& folder) {
    return folder + "/.orvandel-viewer.lock";
}

// Starts the program on `folder` (seeded from the program folder at its first start).
void Start(QProcess& p, const QString& folder) {
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral(ORV_PROGRAM), {"--offline", "--data-dir", folder, "-platform", "offscreen"});
    QVERIFY(p.waitForStarted(10000));
}

// Waits until `p` has written its process id into the folder's lock file.
bool HoldsLock(const QProcess& p, const QString& folder) {
    const QByteArray pid = QByteArray::number(p.processId());
    for (int i = 0; i < 300; ++i) {
        QFile f(LockFile(folder));
        if (f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == pid)
            return true;
        QTest::qWait(100);
    }
    return false;
}

void Stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

} // namespace

class TestSingleCopy : public QObject {
    Q_OBJECT
private slots:
    void TheLockAndTheCallToComeForward();
    void ASecondProgramOnTheSameFolderDoesNotRun();
};

void TestSingleCopy::TheLockAndTheCallToComeForward() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    {
        TInstanceLock first(folder);
        QVERIFY(first.Acquire());
        QSignalSpy raised(&first, &TInstanceLock::RaiseRequested);
        TInstanceLock second(folder);
        QVERIFY(!second.Acquire());
        QCOMPARE(second.HolderPid(), qint64(getpid()));
        QVERIFY(raised.wait(5000));
        QVERIFY(FolderInUseMessage(folder, second.HolderPid()).contains(folder));
    }
    // Its holder gone (closed or crashed), the folder is free again.
    {
        TInstanceLock next(folder);
        QVERIFY(next.Acquire());
        QVERIFY(!next.Unsafe());
    }
    // A lock file that is a link or a FIFO is neither written through nor waited on: the folder is
    // used without a lock.
    QFile victim(dir.path() + "/victim.txt");
    QVERIFY(victim.open(QIODevice::WriteOnly));
    victim.write("not ours\n");
    victim.close();
    for (const bool fifo : {false, true}) {
        QFile::remove(LockFile(folder));
        QVERIFY(fifo ? mkfifo(LockFile(folder).toLocal8Bit().constData(), 0600) == 0
                     : QFile::link(victim.fileName(), LockFile(folder)));
        TInstanceLock odd(folder);
        QVERIFY(odd.Acquire());
        QVERIFY(odd.Unsafe());
        QVERIFY(victim.open(QIODevice::ReadOnly));
        QCOMPARE(victim.readAll(), QByteArray("not ours\n"));
        victim.close();
    }
}

void TestSingleCopy::ASecondProgramOnTheSameFolderDoesNotRun() {
    QTemporaryDir dir;
    const QString one = dir.path() + "/one";
    const QString other = dir.path() + "/other";
    QProcess first, second, third;
    Start(first, one);
    QVERIFY(HoldsLock(first, one));

    // The second says why it does not run and leaves the folder to the first.
    Start(second, one);
    QByteArray said;
    for (int i = 0; i < 300 && !said.contains("already running"); ++i) {
        second.waitForReadyRead(100);
        said += second.readAllStandardError();
    }
    QVERIFY2(said.contains(("\"" + one + "/\"").toLocal8Bit()), said.constData());
    Stop(second); // it waits on its message; a signal ends that as closing it would
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(first.state(), QProcess::Running);

    // A program on another folder runs beside the first.
    Start(third, other);
    QVERIFY(HoldsLock(third, other));
    QTest::qWait(500);
    QCOMPARE(third.state(), QProcess::Running);
    QCOMPARE(first.state(), QProcess::Running);
    Stop(third);
    Stop(first);
}

QTEST_MAIN(TestSingleCopy)
#include "test_single_copy.moc"
