#include "platform/files/FolderOps.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

QString hostDirOf(const QString &hostPath)
{
    const qsizetype slash = hostPath.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : hostPath.left(slash);
}

QString lastComponent(const QString &windowsPath)
{
    return WinPath(windowsPath).withoutTrailingSeparator().fileName();
}

QString parentOf(const QString &windowsPath)
{
    return WinPath(windowsPath).withoutTrailingSeparator().parent().text();
}

bool isDir(const QByteArray &host, bool followLink)
{
    struct stat st;
    const int r = followLink ? ::stat(host.constData(), &st) : ::lstat(host.constData(), &st);
    return r == 0 && S_ISDIR(st.st_mode);
}

// Removes below a host folder without following links; false when anything stayed.
bool removeTree(const QString &hostPath)
{
    bool ok = true;
    QDir dir(hostPath);
    const auto entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &e : entries) {
        const QByteArray b = hostPathBytes(e.filePath());
        if (!e.isSymLink() && isDir(b, false))
            ok = removeTree(e.filePath()) && ok;
        else if (::unlink(b.constData()) != 0)
            ok = false;
    }
    return ::rmdir(hostPathBytes(hostPath).constData()) == 0 && ok;
}

} // namespace

bool createFolder(const QString &path)
{
    const QString name = lastComponent(path);
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return false;
    const auto parentHost = DriveTable::current().toHost(WinPath(parentOf(path)));
    if (!parentHost || !isDir(parentHost->bytes(), true))
        return false;
    // A name that differs only in letter case is the same folder on the platform.
    if (folderExists(path) || fileExists(path))
        return false;
    const QString host = (parentHost->text() == u"/" ? QString() : parentHost->text()) + u'/' + name;
    if (::mkdir(hostPathBytes(host).constData(), 0777) != 0)
        return false;
    hostcache::noteCreated(parentHost->text(), name);
    return true;
}

void renameFolder(const QString &oldPath, const QString &newPath)
{
    const auto oldHost = DriveTable::current().toHost(WinPath(oldPath));
    if (!oldHost || !isDir(oldHost->bytes(), false))
        raiseError(Err::PathNotFound);
    const QString name = lastComponent(newPath);
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        raiseError(Err::BadFileName);
    const auto parentHost = DriveTable::current().toHost(WinPath(parentOf(newPath)));
    if (!parentHost)
        raiseError(Err::PathNotFound);
    const QString newHost = (parentHost->text() == u"/" ? QString() : parentHost->text()) + u'/' + name;
    if (newHost == oldHost->text())
        return;
    // Another entry of the same name (in any letter case) is never replaced.
    const bool sameEntry = QString::compare(newHost, oldHost->text(), Qt::CaseInsensitive) == 0;
    if (!sameEntry && (folderExists(newPath) || fileExists(newPath)))
        raiseError(58);
    struct stat st;
    if (!sameEntry && ::lstat(hostPathBytes(newHost).constData(), &st) == 0)
        raiseError(58);
    if (::rename(oldHost->bytes().constData(), hostPathBytes(newHost).constData()) != 0)
        PlatformError::raiseErrno(errno, true);
    hostcache::forget(hostDirOf(oldHost->text()));
    hostcache::forget(parentHost->text());
}

void deleteFolderForGood(const QString &path)
{
    const auto host = DriveTable::current().toHost(WinPath(path));
    if (!host)
        raiseError(Err::PathNotFound);
    const QByteArray &b = host->bytes();
    struct stat st;
    if (::lstat(b.constData(), &st) != 0)
        raiseError(Err::PathNotFound);
    // A link to a folder goes alone; what it points to is not ours to remove.
    if (S_ISLNK(st.st_mode)) {
        if (::unlink(b.constData()) != 0)
            PlatformError::raiseErrno(errno, true);
        hostcache::forget(hostDirOf(host->text()));
        return;
    }
    if (!S_ISDIR(st.st_mode))
        raiseError(Err::PathNotFound);
    const bool removed = removeTree(host->text());
    hostcache::forget(hostDirOf(host->text()));
    hostcache::forget(host->text());
    if (!removed)
        raiseError(Err::PermissionDenied);
}

bool driveReady(QChar letter)
{
    const Drive *d = DriveTable::current().drive(letter.toUpper());
    return d && d->mounted && isDir(hostPathBytes(d->hostDir), true) &&
           ::access(hostPathBytes(d->hostDir).constData(), R_OK | X_OK) == 0;
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
