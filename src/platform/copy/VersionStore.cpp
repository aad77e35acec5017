#include "platform/copy/VersionStore.h"

#include "platform/files/FolderOps.h"
#include "platform/paths/DriveTable.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::versions
{

namespace
{

bool makeFolders(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    const qsizetype slash = path.lastIndexOf('/');
    if (errno != ENOENT || slash <= 0 || !makeFolders(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

} // namespace

QString stampOf(const QDateTime &local)
{
    return local.toString(QStringLiteral("yyyy_MM_dd  'kl_'HHmm"));
}

std::optional<QDateTime> timeOfStamp(const QString &name)
{
    static const QRegularExpression stamp(
        QStringLiteral("^(\\d{4})_(\\d{2})_(\\d{2})  kl_(\\d{2})(\\d{2})$"));
    const auto m = stamp.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

int removeOlderThan(const QString &root, int days, const QDateTime &now)
{
    const std::optional<HostPath> host = DriveTable::current().toHost(WinPath(root));
    if (!host)
        return 0;
    const QByteArray &folder = host->bytes();
    DIR *d = ::opendir(folder.constData());
    if (!d)
        return 0;
    const QDateTime limit = now.addDays(-days);
    int removed = 0;
    bool left = false;
    while (const dirent *e = ::readdir(d)) {
        const QString name = hostPathFromBytes(e->d_name, qsizetype(std::strlen(e->d_name)));
        if (name == u"." || name == u"..")
            continue;
        const std::optional<QDateTime> made = timeOfStamp(name);
        // Only the program's own stamp folders; anything else the user put there stays.
        if (made && (days <= 0 || *made < limit))
            removed += hostfs::removeTreeAt(::dirfd(d), e->d_name, true).files;
        else
            left = true;
    }
    ::closedir(d);
    if (!left)
        ::rmdir(folder.constData());
    return removed;
}

Kept keepOldCopy(const QByteArray &target, const QByteArray &version, std::int64_t newSize,
                 std::int64_t newMtimeNs, int targetFolder)
{
    struct stat st;
    const int looked = targetFolder >= 0
                           ? ::fstatat(targetFolder, target.constData() + target.lastIndexOf('/') + 1, &st,
                                       AT_SYMLINK_NOFOLLOW)
                           : ::lstat(target.constData(), &st);
    if (looked != 0 || !S_ISREG(st.st_mode))
        return Kept::No;
    const std::int64_t mtime = std::int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    if (st.st_size == newSize && mtime == newMtimeNs)
        return Kept::No;
    const qsizetype slash = version.lastIndexOf('/');
    if (slash <= 0 || !makeFolders(version.left(slash)))
        return Kept::No;
    if (::link(target.constData(), version.constData()) == 0)
        return Kept::Linked;
    if (errno == EEXIST || ::lstat(version.constData(), &st) == 0)
        return Kept::No; // the copy from before the first run of this minute stays
    return ::rename(target.constData(), version.constData()) == 0 ? Kept::Moved : Kept::No;
}

} // namespace qv::versions
