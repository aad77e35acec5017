#include "platform/scan/TreeScan.h"

#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

TreeScan::TreeScan(const QString &root, bool recursive) : m_root(root), m_recursive(recursive)
{
    const Drive *d = root.size() >= 2 ? DriveTable::current().drive(root.at(0)) : nullptr;
    startFoundFolders(d ? d->hostDir : QString());
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
    const QByteArray hostPath = hostPathBytes(folder.host);
    std::optional<FolderListing> ahead = m_readAhead ? m_readAhead->take(folder.relative) : std::nullopt;
    // A folder gone since it was read ahead is met as the walk would meet it now.
    const FolderListing listing =
        ahead && stillThere(*ahead, hostPath) ? std::move(*ahead) : readFolder(hostPath);
    if (!listing.opened)
        return unreadable();
    if (listing.searchDenied)
        unreadable();

    rememberFoundFolder(folderPath, folder.host);
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
