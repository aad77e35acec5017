#include "platform/files/FolderOps.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
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
    const auto parentHost = DriveTable::current().toHost(parentOf(path));
    if (!parentHost || !isDir(hostPathBytes(*parentHost), true))
        return false;
    // A name that differs only in letter case is the same folder on the platform.
    if (folderExists(path) || fileExists(path))
        return false;
    const QString host = (*parentHost == u"/" ? QString() : *parentHost) + u'/' + name;
    if (::mkdir(hostPathBytes(host).constData(), 0777) != 0)
        return false;
    hostcache::noteCreated(*parentHost, name);
    return true;
}

void renameFolder(const QString &oldPath, const QString &newPath)
{
    const auto oldHost = DriveTable::current().toHost(oldPath);
    if (!oldHost || !isDir(hostPathBytes(*oldHost), false))
        raiseError(Err::PathNotFound);
    const QString name = lastComponent(newPath);
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        raiseError(Err::BadFileName);
    const auto parentHost = DriveTable::current().toHost(parentOf(newPath));
    if (!parentHost)
        raiseError(Err::PathNotFound);
    const QString newHost = (*parentHost == u"/" ? QString() : *parentHost) + u'/' + name;
    if (newHost == *oldHost)
        return;
    // Another entry of the same name (in any letter case) is never replaced.
    const bool sameEntry = QString::compare(newHost, *oldHost, Qt::CaseInsensitive) == 0;
    if (!sameEntry && (folderExists(newPath) || fileExists(newPath)))
        raiseError(58);
    struct stat st;
    if (!sameEntry && ::lstat(hostPathBytes(newHost).constData(), &st) == 0)
        raiseError(58);
    if (::rename(hostPathBytes(*oldHost).constData(), hostPathBytes(newHost).constData()) != 0)
        PlatformError::raiseErrno(errno, true);
    hostcache::forget(hostDirOf(*oldHost));
    hostcache::forget(*parentHost);
}

void deleteFolderForGood(const QString &path)
{
    const auto host = DriveTable::current().toHost(path);
    if (!host)
        raiseError(Err::PathNotFound);
    const QByteArray b = hostPathBytes(*host);
    struct stat st;
    if (::lstat(b.constData(), &st) != 0)
        raiseError(Err::PathNotFound);
    // A link to a folder goes alone; what it points to is not ours to remove.
    if (S_ISLNK(st.st_mode)) {
        if (::unlink(b.constData()) != 0)
            PlatformError::raiseErrno(errno, true);
        hostcache::forget(hostDirOf(*host));
        return;
    }
    if (!S_ISDIR(st.st_mode))
        raiseError(Err::PathNotFound);
    const bool removed = removeTree(*host);
    hostcache::forget(hostDirOf(*host));
    hostcache::forget(*host);
    if (!removed)
        raiseError(Err::PermissionDenied);
}

bool driveReady(QChar letter)
{
    const Drive *d = DriveTable::current().drive(letter.toUpper());
    return d && d->mounted && isDir(hostPathBytes(d->hostDir), true) &&
           ::access(hostPathBytes(d->hostDir).constData(), R_OK | X_OK) == 0;
}

} // namespace qv
