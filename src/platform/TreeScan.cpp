#include "platform/TreeScan.h"

#include "platform/DriveTable.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

#include <QHash>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

// The folders the last scan read: Windows path with trailing "\" -> host path.
QHash<QString, QString> g_foundFolders;
QString g_foundDriveDir;                // the host folder of their drive then
QString g_lastFolder, g_lastHostPrefix; // the last folder asked for, host path with "/"

} // namespace

QString windowsName(const QString &hostName)
{
    if (!hostName.contains(u'\\'))
        return hostName;
    QString n = hostName;
    n.replace(u'\\', QChar(kCarriedBackslash));
    return n;
}

std::optional<QString> foundHostPath(const QString &windowsPath, const QString &driveDir)
{
    if (g_foundFolders.isEmpty() || driveDir != g_foundDriveDir)
        return std::nullopt;
    const QStringView name = WinPath::fileNameOf(windowsPath);
    if (name.isEmpty() || name.size() == windowsPath.size())
        return std::nullopt;
    // A copy asks for the files of one folder one after another.
    const QStringView folder = QStringView(windowsPath).chopped(name.size());
    if (folder != g_lastFolder) {
        const auto it = g_foundFolders.constFind(folder.toString());
        if (it == g_foundFolders.constEnd())
            return std::nullopt;
        g_lastFolder = it.key();
        g_lastHostPrefix = *it == u"/" ? *it : *it + u'/';
    }
    QString host = g_lastHostPrefix;
    host += name;
    QChar *c = host.data();
    for (qsizetype i = g_lastHostPrefix.size(); i < host.size(); ++i)
        if (c[i] == QChar(kCarriedBackslash))
            c[i] = u'\\';
    return host;
}

void forgetFoundFiles()
{
    g_foundFolders.clear();
    g_foundDriveDir.clear();
    g_lastFolder.clear();
    g_lastHostPrefix.clear();
}

TreeScan::TreeScan(const QString &root, bool recursive) : m_root(root), m_recursive(recursive)
{
    forgetFoundFiles();
    if (const Drive *d = root.size() >= 2 ? DriveTable::current().drive(root.at(0)) : nullptr)
        g_foundDriveDir = d->hostDir;
    Folder folder;
    if (const auto host = DriveTable::current().toHost(root))
        folder.host = *host;
    if (!folder.host.isEmpty())
        m_rows = std::make_unique<marks::FolderRows>(marks::locateFolder(hostPathBytes(folder.host)));
    m_folders.emplace(root, std::move(folder));
}

TreeScan::~TreeScan()
{
    if (m_rows)
        m_rows->prune(m_recursive, m_unreadable);
}

bool TreeScan::list(const QString &folderPath, const std::function<void(const ScanEntry &)> &visit)
{
    const auto it = m_folders.find(folderPath);
    if (it == m_folders.end() || it->second.host.isEmpty())
        return false;
    const Folder folder = std::move(it->second);
    m_folders.erase(it);

    const auto unreadable = [&] {
        m_problems << folderPath;
        m_unreadable.push_back(folder.relative);
        return false;
    };
    const int dfd = hostfs::openFolder(hostPathBytes(folder.host));
    if (dfd < 0)
        return unreadable();
    DIR *dp = ::fdopendir(dfd);
    if (!dp) {
        ::close(dfd);
        return unreadable();
    }

    g_foundFolders.insert(folderPath, folder.host);
    const QString hostPrefix = folder.host == u"/" ? folder.host : folder.host + u'/';
    const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
    std::string relative = relPrefix;
    bool complete = true;
    ScanEntry e;
    struct stat st;
    while (const dirent *d = ::readdir(dp)) {
        const char *n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        const QString hostName = hostPathFromBytes(n, qsizetype(std::strlen(n)));
        e.name = windowsName(hostName);
        e.path = folderPath + e.name;
        e.isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_DIR) {
            e.attributes = hostfs::attributeWordOf(hostName, S_IFDIR | 0700, false);
            e.size = 0;
            e.mtimeNs = 0;
        } else {
            if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                // A folder that can be listed but not searched: nothing in it can be read.
                if (errno == EACCES && complete) {
                    complete = false;
                    unreadable();
                }
                continue;
            }
            e.isLink = S_ISLNK(st.st_mode);
            if (e.isLink && ::fstatat(dfd, n, &st, 0) != 0)
                continue; // leads nowhere
            if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
                continue;
            bool clear = false;
            if (S_ISREG(st.st_mode) && m_rows) {
                relative.resize(relPrefix.size());
                relative += n;
                clear = m_rows->see(relative, FileIdentity::of(st));
            }
            e.attributes = hostfs::attributeWordOf(hostName, st.st_mode, clear);
            e.size = S_ISREG(st.st_mode) ? quint64(st.st_size) : 0;
            e.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        }
        if ((e.attributes & Attr::Directory) && !e.isLink && m_recursive) {
            m_folders.emplace(WinPath(e.path).withTrailingSeparator().text(),
                              Folder{hostPrefix + hostName, relPrefix + n});
        }
        visit(e);
    }
    ::closedir(dp);
    return complete;
}

} // namespace qv
