// One program per data folder. Each copy writes the tree, the tree state, the options and the
// modified-files list from memory when it closes, so two copies on one folder would silently undo
// each other's edits. The running copy holds a lock on a file in the folder; a second start finds
// it taken, touches the file to ask the running copy to come to the front, and does not run.
#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;

class TInstanceLock : public QObject {
    Q_OBJECT
public:
    // `folder` is the data folder, with its trailing '/'.
    explicit TInstanceLock(const QString& folder, QObject* parent = nullptr);
    ~TInstanceLock() override;

    // Takes the folder for this copy. False when another running copy holds it; that copy has
    // then been asked to come forward. A folder whose lock file cannot be made at all (no other
    // copy could lock it either) is used without a lock.
    bool Acquire();
    // The process that holds the folder, as it wrote itself into the lock file (0 when unknown).
    qint64 HolderPid() const { return FHolderPid; }
    // The lock file is there but is a link, a FIFO or no file of ours: the folder is used unlocked.
    bool Unsafe() const { return FUnsafe; }
    QString LockPath() const { return FPath; }

signals:
    // Another start on this folder asked this copy to come to the front.
    void RaiseRequested();

private:
    QString FPath;
    int FFd = -1;
    qint64 FHolderPid = 0;
    bool FUnsafe = false;
    QFileSystemWatcher* FWatcher = nullptr;
};

// What the second start says: the folder is in use, and by which process.
QString FolderInUseMessage(const QString& folder, qint64 pid);
