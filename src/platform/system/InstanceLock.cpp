#include "platform/system/InstanceLock.h"

#include "platform/paths/DriveTable.h"
#include "platform/system/DataFolder.h"

#include <QCryptographicHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv
{

HostPath InstanceLock::lockFilePath()
{
    const HostPath folder = lockFolder();
    if (folder.isEmpty())
        return {};
    if (dataInProgramFolder())
        return folder / QByteArrayView(".qvbackup.lock");
    // A shared runtime folder: keyed by the templates' folder it guards.
    const QByteArray key =
        QCryptographicHash::hash(hostPathBytes(dataFolder(DataKind::Settings)), QCryptographicHash::Sha1)
            .toHex();
    return folder / QByteArrayView("qvbackup-" + key.left(16) + ".lock");
}

InstanceLock::~InstanceLock()
{
    release();
}

void InstanceLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // drops the flock
        m_fd = -1;
    }
}

InstanceLock::Result InstanceLock::acquire()
{
    const HostPath path = lockFilePath();
    if (path.isEmpty())
        return Result::Unavailable;
    return acquireFile(path);
}

InstanceLock::Result InstanceLock::acquireFile(const HostPath &hostPath)
{
    release();
    m_path = hostPath;
    m_holderPid = 0;
    const QByteArray &bytes = hostPath.bytes();
    // Close-on-exec: a text viewer started from the window must not keep the lock.
    int fd = ::open(bytes.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno == EACCES) // another user's lock file in a shared folder
        fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        char buffer[32] = {};
        const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
        ::close(fd);
        if (err != EWOULDBLOCK)
            return Result::Unavailable;
        if (n > 0)
            m_holderPid = QByteArray(buffer, int(n)).trimmed().toLongLong();
        return Result::HeldByOther;
    }
    // The holder's process id, for the message a second start shows.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) < 0) {
        // A read-only lock file still locks; only the process id is missing.
    }
    m_fd = fd;
    return Result::Acquired;
}

} // namespace qv
