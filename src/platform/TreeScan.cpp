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
    if (!folder.host.isEmpty()) {
        // The tree is read on a second thread while the catalog rows are read here.
        m_readAhead = std::make_unique<FolderReadAhead>(hostPathBytes(folder.host), recursive);
        m_rows = std::make_unique<marks::FolderRows>(marks::locateFolder(hostPathBytes(folder.host)));
    }
    m_folders.emplace(root, std::move(folder));
}

TreeScan::~TreeScan()
{
    m_readAhead.reset();
    // Rows below folders a stopped walk never listed are not those of gone files.
    if (m_rows && m_folders.empty())
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
    const QByteArray hostPath = hostPathBytes(folder.host);
    std::optional<FolderListing> ahead = m_readAhead ? m_readAhead->take(folder.relative) : std::nullopt;
    // A folder gone since it was read ahead is met as the walk would meet it now.
    const FolderListing listing =
        ahead && stillThere(*ahead, hostPath) ? std::move(*ahead) : readFolder(hostPath);
    if (!listing.opened)
        return unreadable();
    if (listing.searchDenied)
        unreadable();

    g_foundFolders.insert(folderPath, folder.host);
    const QString hostPrefix = folder.host == u"/" ? folder.host : folder.host + u'/';
    const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
    std::string relative = relPrefix;
    ScanEntry e;
    for (const FolderListing::Entry &entry : listing.entries) {
        const std::string_view n = listing.name(entry);
        const QString &hostName = entry.hostName;
        e.name = windowsName(hostName);
        e.path = folderPath + e.name;
        e.isLink = entry.isLink;
        if (!entry.statted) {
            e.attributes = hostfs::attributeWordOf(hostName, S_IFDIR | 0700, false);
            e.size = 0;
            e.mtimeNs = 0;
        } else {
            bool clear = false;
            if (!entry.isFolder && m_rows) {
                relative.resize(relPrefix.size());
                relative += n;
                clear = m_rows->see(relative, entry.identity);
            }
            e.attributes = hostfs::attributeWordOf(hostName, entry.mode, clear);
            e.size = entry.isFolder ? 0 : quint64(entry.identity.size);
            e.mtimeNs = entry.identity.mtimeNs;
        }
        if ((e.attributes & Attr::Directory) && !e.isLink && m_recursive) {
            m_folders.emplace(WinPath(e.path).withTrailingSeparator().text(),
                              Folder{hostPrefix + hostName, relPrefix + std::string(n)});
        }
        visit(e);
    }
    return !listing.searchDenied;
}

} // namespace qv
