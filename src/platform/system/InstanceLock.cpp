#include "platform/system/InstanceLock.h"

#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv
{

namespace
{
const QString kLockName = QStringLiteral(".qvbackup.lock");

bool writableFolder(const QString &host)
{
    return ::faccessat(AT_FDCWD, hostPathBytes(host).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}
} // namespace

QString InstanceLock::lockFilePath()
{
    const QString pf = programFolder();
    const auto hostPf = pf.isEmpty() ? std::nullopt : DriveTable::current().toHost(pf);
    if (hostPf) {
        if (writableFolder(*hostPf))
            return QDir(*hostPf).filePath(kLockName);
        // Writes go to the per-user mirror, so that is the data folder to guard.
        const QString file = (WinPath(pf) / kLockName).text();
        if (const auto mirror = hostfs::virtualStoreMirror(file)) {
            if (const auto host = DriveTable::current().toHost(*mirror)) {
                const QString dir = QFileInfo(*host).absolutePath();
                if (QDir().mkpath(dir) && writableFolder(dir))
                    return *host;
            }
        }
    }
    // Last resort: keyed by the folder in the per-user runtime folder.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty() || !hostPf)
        return {};
    const QByteArray key = QCryptographicHash::hash(hostPathBytes(*hostPf), QCryptographicHash::Sha1).toHex();
    return QDir(runtime).filePath("qvbackup-" + QString::fromLatin1(key.left(16)) + ".lock");
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
    const QString path = lockFilePath();
    if (path.isEmpty())
        return Result::Unavailable;
    return acquireFile(path);
}

InstanceLock::Result InstanceLock::acquireFile(const QString &hostPath)
{
    release();
    m_path = hostPath;
    m_holderPid = 0;
    const QByteArray bytes = hostPathBytes(hostPath);
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
