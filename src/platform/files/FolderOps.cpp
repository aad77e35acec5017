#include "platform/files/FolderOps.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

QString lastComponent(const QString &windowsPath)
{
    return WinPath(windowsPath).withoutTrailingSeparator().fileName();
}

QString parentOf(const QString &windowsPath)
{
    return WinPath(windowsPath).withoutTrailingSeparator().parent().text();
}

bool isDir(const HostPath &host, bool followLink)
{
    struct stat st;
    const int r = followLink ? ::stat(host.c_str(), &st) : ::lstat(host.c_str(), &st);
    return r == 0 && S_ISDIR(st.st_mode);
}

} // namespace

hostfs::RemovedTree hostfs::removeTreeAt(int parent, const char *name, bool openReadOnly)
{
    RemovedTree r;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR *d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!d) {
        if (fd >= 0)
            ::close(fd);
        r.all = false;
    } else {
        while (const dirent *e = ::readdir(d)) {
            const char *n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            struct stat st;
            const bool found = ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0;
            if (found && S_ISDIR(st.st_mode)) {
                if (openReadOnly) {
                    // One we may not change may still open to us: it is tried either way.
                    [[maybe_unused]] const int opened = ::fchmodat(fd, n, (st.st_mode & 07777) | 0700, 0);
                }
                const RemovedTree below = removeTreeAt(fd, n, openReadOnly);
                r.files += below.files;
                r.all = below.all && r.all;
            } else if (found && ::unlinkat(fd, n, 0) == 0) {
                ++r.files;
            } else {
                r.all = false;
            }
        }
        ::closedir(d);
    }
    r.all = ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && r.all;
    return r;
}

bool createFolder(const QString &path)
{
    const QString name = lastComponent(path);
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return false;
    const auto parentHost = DriveTable::current().toHost(WinPath(parentOf(path)));
    if (!parentHost || !isDir(*parentHost, true))
        return false;
    // A name that differs only in letter case is the same folder on the platform.
    if (folderExists(path) || fileExists(path))
        return false;
    const HostPath host = *parentHost / name;
    if (::mkdir(host.c_str(), 0777) != 0)
        return false;
    hostcache::noteCreated(host);
    return true;
}

Result<void> renameFolder(const QString &oldPath, const QString &newPath)
{
    const auto oldHost = DriveTable::current().toHost(WinPath(oldPath));
    if (!oldHost || !isDir(*oldHost, false))
        return HostError{Err::PathNotFound, 0};
    const QString name = lastComponent(newPath);
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return HostError{Err::BadFileName, 0};
    const auto parentHost = DriveTable::current().toHost(WinPath(parentOf(newPath)));
    if (!parentHost)
        return HostError{Err::PathNotFound, 0};
    const HostPath newHost = *parentHost / name;
    if (newHost == *oldHost)
        return {};
    // Another entry of the same name (in any letter case) is never replaced.
    const bool sameEntry = QString::compare(newHost.text(), oldHost->text(), Qt::CaseInsensitive) == 0;
    if (!sameEntry && (folderExists(newPath) || fileExists(newPath)))
        return HostError{58, 0};
    struct stat st;
    if (!sameEntry && ::lstat(newHost.c_str(), &st) == 0)
        return HostError{58, EEXIST};
    if (::rename(oldHost->c_str(), newHost.c_str()) != 0)
        return HostError::fromErrno(errno, true);
    hostcache::forget(oldHost->parent());
    hostcache::forget(*parentHost);
    return {};
}

Result<void> deleteFolderForGood(const QString &path)
{
    const auto host = DriveTable::current().toHost(WinPath(path));
    if (!host)
        return HostError{Err::PathNotFound, 0};
    struct stat st;
    if (::lstat(host->c_str(), &st) != 0)
        return HostError{Err::PathNotFound, errno};
    // A link to a folder goes alone; what it points to is not ours to remove.
    if (S_ISLNK(st.st_mode)) {
        if (::unlink(host->c_str()) != 0)
            return HostError::fromErrno(errno, true);
        hostcache::forget(host->parent());
        return {};
    }
    if (!S_ISDIR(st.st_mode))
        return HostError{Err::PathNotFound, ENOTDIR};
    const bool removed = hostfs::removeTreeAt(AT_FDCWD, host->c_str(), false).all;
    hostcache::forget(host->parent());
    hostcache::forget(*host);
    if (!removed)
        return HostError{Err::PermissionDenied, 0};
    return {};
}

bool driveReady(QChar letter)
{
    const Drive *d = DriveTable::current().drive(letter.toUpper());
    return d && d->mounted && isDir(d->hostDir, true) && ::access(d->hostDir.c_str(), R_OK | X_OK) == 0;
}

bool folderWithin(const QString &inner, const QString &outer)
{
    const auto innerHost = DriveTable::current().toHost(WinPath(inner));
    const auto outerHost = DriveTable::current().toHost(WinPath(outer));
    struct stat o, st;
    if (!innerHost || !outerHost || ::stat(outerHost->bytes().constData(), &o) != 0 || !S_ISDIR(o.st_mode))
        return false;
    QByteArray path = innerHost->bytes();
    int fd;
    while ((fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC)) < 0) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0 || path == "/")
            return false;
        path = slash == 0 ? QByteArray("/") : path.left(slash);
    }
    // Up through "..", which leaves a link's target or a bind mount by where it lies.
    for (;;) {
        if (::fstat(fd, &st) != 0)
            break;
        if (st.st_dev == o.st_dev && st.st_ino == o.st_ino) {
            ::close(fd);
            return true;
        }
        const int up = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat above;
        if (up < 0 || ::fstat(up, &above) != 0 || (above.st_dev == st.st_dev && above.st_ino == st.st_ino)) {
            if (up >= 0)
                ::close(up);
            break; // the root
        }
        ::close(fd);
        fd = up;
    }
    ::close(fd);
    return false;
}

} // namespace qv
