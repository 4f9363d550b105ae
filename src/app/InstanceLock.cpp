#include "InstanceLock.h"

#include "Errors.h"
#include "TextFiles.h"

#include <QFileSystemWatcher>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const LockFileName = ".orvandel-viewer.lock";
// It holds a process id.
constexpr uint64_t LockMaxBytes = 4096;
} // namespace

TInstanceLock::TInstanceLock(const QString& folder, QObject* parent)
    : QObject(parent), FPath(folder + QLatin1String(LockFileName)) {}

TInstanceLock::~TInstanceLock() {
    // The file stays: removing it could let a third start lock a new file while a second one
    // still holds the old. Closing releases the lock, as a crash does.
    if (FFd >= 0)
        close(FFd);
}

bool TInstanceLock::Acquire() {
    const QByteArray path = FPath.toLocal8Bit();
    int fd = -1;
    try {
        // Never through a link (the pid written below would truncate whatever it leads to), and
        // never waiting on a FIFO or a device in its place.
        fd = OpenRegularFile(path.toStdString(), LockMaxBytes, O_RDWR | O_CREAT, true);
    } catch (const EFOpenError&) {
        // A folder nobody can lock (read-only) is used without a lock; a lock file that is not a
        // plain file of ours is said so, and the folder is used the same way.
        struct stat st;
        FUnsafe = lstat(path.constData(), &st) == 0;
        return true;
    }
    // A lock of the kernel's: a copy that crashed or was killed holds nothing any more.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        if (taken) {
            char buffer[32] = {};
            const ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
            FHolderPid = n > 0 ? QByteArray(buffer, static_cast<int>(n)).trimmed().toLongLong() : 0;
            // A new time on the file is the running copy's cue to come forward.
            futimens(fd, nullptr);
        }
        close(fd);
        return !taken;
    }
    FFd = fd;
    FHolderPid = getpid();
    const QByteArray pid = QByteArray::number(FHolderPid) + '\n';
    // Only for the message of a second start: a failed write costs nothing else.
    if (ftruncate(fd, 0) == 0 && pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0) < 0)
        FHolderPid = getpid();
    FWatcher = new QFileSystemWatcher({FPath}, this);
    connect(FWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
        // Some systems drop the watch once the file changed; it is set again.
        if (!FWatcher->files().contains(FPath))
            FWatcher->addPath(FPath);
        emit RaiseRequested();
    });
    return true;
}

QString FolderInUseMessage(const QString& folder, qint64 pid) {
    const QString who = pid > 0 ? QStringLiteral(" (process %1)").arg(pid) : QString();
    return QStringLiteral(
               "Orvandel Viewer is already running with the data folder \"%1\"%2. Only one copy can "
               "use a data folder at a time, so this one does not start; the running window has been "
               "brought to the front.")
        .arg(folder, who);
}
