#include "platform/scan/TreeScan.h"

#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/FoundFolders.h"
#include "platform/paths/WinPath.h"

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

TreeScan::TreeScan(const QString &root, bool recursive, const QString &avoid)
    : m_root(root), m_recursive(recursive)
{
    const Drive *d = root.size() >= 2 ? DriveTable::current().drive(root.at(0)) : nullptr;
    startFoundFolders(d ? d->hostDir : HostPath());
    struct stat st;
    if (const auto host = avoid.isEmpty() ? std::nullopt : DriveTable::current().toHost(WinPath(avoid)))
        if (::stat(host->c_str(), &st) == 0) {
            m_rules.avoid = true;
            m_rules.avoidDevice = st.st_dev;
            m_rules.avoidInode = st.st_ino;
            m_rules.avoidUp = foldersUpFrom(hostfs::openFolder(*host));
        }
    Folder folder;
    if (auto host = DriveTable::current().toHost(WinPath(root)))
        folder.host = std::move(*host);
    if (!folder.host.isEmpty()) {
        // The tree is read on a second thread while the catalog rows are read here.
        m_readAhead = std::make_unique<FolderReadAhead>(folder.host, recursive, m_rules);
        m_rows.push_back(std::make_unique<marks::FolderRows>(marks::locateFolder(folder.host)));
    }
    m_folders.emplace(root, std::move(folder));
}

TreeScan::~TreeScan()
{
    m_readAhead.reset();
    // Only the tree's own rows (those below a followed link are left as they are), and
    // not after a stopped walk: rows below folders it never listed are not those of gone files.
    if (!m_rows.empty() && m_folders.empty())
        m_rows.front()->prune(m_recursive, m_unreadable);
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
    const HostPath &hostPath = folder.host;
    std::optional<FolderListing> ahead = m_readAhead ? m_readAhead->take(folder.relative) : std::nullopt;
    // A folder gone since it was read ahead is met as the walk would meet it now.
    WalkRules rules = m_rules;
    rules.above = folder.above;
    const FolderListing listing =
        ahead && stillThere(*ahead, hostPath) ? std::move(*ahead) : readFolder(hostPath, rules);
    if (!listing.opened)
        return unreadable();
    if (listing.searchDenied)
        unreadable();

    for (const FolderListing::Problem &p : listing.problems) {
        static const char *const reasons[] = {"lenken fører ikke til noe", "ikke en vanlig fil",
                                              "lenken fører i ring", "lenken fører inn i mottakermappen"};
        m_problems << folderPath + windowsName(hostPathFromBytes(p.name.data(), qsizetype(p.name.size()))) +
                          "  (" + reasons[int(p.why)] + ")";
    }
    // Folders that hold only folders are never asked for a file's host path.
    if (std::any_of(listing.entries.begin(), listing.entries.end(),
                    [](const FolderListing::Entry &x) { return !x.isFolder; }))
        rememberFoundFolder(folderPath, folder.host);
    const QString hostPrefix = folder.host.text() == u"/" ? folder.host.text() : folder.host.text() + u'/';
    const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
    const std::string rowsPrefix = folder.rowsRelative.empty() ? std::string() : folder.rowsRelative + '/';
    std::string relative = rowsPrefix;
    marks::FolderRows *rows = m_rows.empty() ? nullptr : m_rows[folder.rows].get();
    ScanEntry e;
    e.hostFolder = hostPath.bytes();
    for (const FolderListing::Entry &entry : listing.entries) {
        const std::string_view n = listing.name(entry);
        const QString &hostName = entry.hostName;
        e.name = windowsName(hostName);
        e.hostName = n;
        e.path = folderPath + e.name;
        e.isLink = entry.isLink;
        e.walk = entry.walk && m_recursive;
        if (!entry.statted) {
            e.attributes = hostfs::attributeWordOf(hostName, S_IFDIR | 0700, false);
            e.size = 0;
            e.mtimeNs = 0;
        } else {
            bool clear = false;
            if (!entry.isFolder && entry.isLink) {
                const QByteArray link = hostPathBytes(hostPrefix + hostName);
                rememberFoundLink(link);
                clear = marks::isClear(marks::locateFolder(HostPath(link)), entry.identity);
            } else if (!entry.isFolder && rows) {
                relative.resize(rowsPrefix.size());
                relative += n;
                clear = rows->see(relative, entry.identity);
            }
            e.attributes = hostfs::attributeWordOf(hostName, entry.mode, clear);
            e.size = entry.isFolder ? 0 : quint64(entry.identity.size);
            e.mtimeNs = entry.identity.mtimeNs;
        }
        if (e.walk) {
            Folder sub{HostPath::fromText(hostPrefix + hostName), relPrefix + std::string(n),
                       listing.ancestry, folder.rows, rowsPrefix + std::string(n)};
            // Files reached through a link keep the marks of the files it leads to.
            if (entry.isLink) {
                sub.rows = m_rows.size();
                sub.rowsRelative.clear();
                m_rows.push_back(std::make_unique<marks::FolderRows>(marks::locateFolder(sub.host)));
            }
            m_folders.emplace(e.path + u'\\', std::move(sub));
        }
        visit(e);
    }
    return !listing.searchDenied;
}

} // namespace qv
