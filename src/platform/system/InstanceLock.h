#pragma once
#include "platform/paths/HostPath.h"

#include <QString>

namespace qv
{

// One running copy of the program per data folder: the window and the unattended
// runs both rewrite BackupMal.txt from their own table, so a second copy on the same
// folder would lose the other's changes. The lock is an flock on a file in the program
// folder when that holds the data, else in $XDG_RUNTIME_DIR (DataFolder.h); the kernel
// drops it when the process ends, however it ends, so no stale lock survives a crash.
// (QLockFile's lock file outlives a crash until judged stale by its process id.)
class InstanceLock
{
public:
    enum class Result {
        Acquired,    // this process holds it until destroyed
        HeldByOther, // another process holds it; holderPid() tells which, when known
        Unavailable, // no place to keep a lock file (the program goes on without one)
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // For the current program folder.
    Result acquire();
    // For a lock file named explicitly (host path).
    Result acquireFile(const HostPath &hostPath);
    void release();

    qint64 holderPid() const { return m_holderPid; }
    const HostPath &path() const { return m_path; }

    // Host path of the lock file for the current program folder, empty when no
    // folder can hold one.
    static HostPath lockFilePath();

private:
    int m_fd = -1;
    qint64 m_holderPid = 0;
    HostPath m_path;
};

} // namespace qv
