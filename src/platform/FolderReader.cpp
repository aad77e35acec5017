#include "platform/FolderReader.h"

#include "platform/DriveTable.h"
#include "platform/FileSystem.h"

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
// Enough to keep the walk ahead of the caller, not the whole of a huge tree in memory.
constexpr std::size_t kEntriesAhead = 200000;
} // namespace

FolderListing readFolder(const QByteArray &hostPath)
{
    FolderListing out;
    const int dfd = hostfs::openFolder(hostPath);
    if (dfd < 0)
        return out;
    DIR *dp = ::fdopendir(dfd);
    if (!dp) {
        ::close(dfd);
        return out;
    }
    out.opened = true;
    struct stat st;
    if (::fstat(dfd, &st) == 0) {
        out.device = st.st_dev;
        out.inode = st.st_ino;
    }
    while (const dirent *d = ::readdir(dp)) {
        const char *n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        FolderListing::Entry e;
        e.isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_DIR) {
            e.isFolder = true;
        } else {
            if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                // A folder that can be listed but not searched: nothing in it can be read.
                if (errno == EACCES)
                    out.searchDenied = true;
                continue;
            }
            e.isLink = S_ISLNK(st.st_mode);
            if (e.isLink && ::fstatat(dfd, n, &st, 0) != 0)
                continue; // leads nowhere
            if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
                continue;
            e.isFolder = S_ISDIR(st.st_mode);
            e.statted = true;
            e.mode = st.st_mode;
            e.identity = FileIdentity::of(st);
        }
        const size_t length = std::strlen(n);
        e.nameStart = std::uint32_t(out.names.size());
        e.nameLength = std::uint32_t(length);
        out.names.append(n, length);
        e.hostName = hostPathFromBytes(n, qsizetype(length));
        out.entries.push_back(std::move(e));
    }
    ::closedir(dp);
    return out;
}

bool stillThere(const FolderListing &listing, const QByteArray &hostPath)
{
    struct stat st;
    return hostPath.size() < PATH_MAX ? ::stat(hostPath.constData(), &st) == 0 &&
                                            st.st_dev == listing.device && st.st_ino == listing.inode
                                      : true; // too long to look up in one call: taken as read
}

FolderReadAhead::FolderReadAhead(const QByteArray &rootHost, bool recursive)
    : m_thread([this, rootHost, recursive] { walk(rootHost, recursive); })
{
}

FolderReadAhead::~FolderReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::optional<FolderListing> FolderReadAhead::take(const std::string &relative)
{
    std::unique_lock lock(m_mutex);
    // A walk held up by listings nobody takes could not reach this one: read it here.
    m_changed.wait(lock, [&] { return m_done || m_waitingForRoom || m_read.count(relative) != 0; });
    const auto it = m_read.find(relative);
    if (it == m_read.end())
        return std::nullopt;
    FolderListing listing = std::move(it->second);
    m_read.erase(it);
    m_entriesHeld -= listing.entries.size();
    lock.unlock();
    m_changed.notify_all();
    return listing;
}

void FolderReadAhead::walk(QByteArray rootHost, bool recursive)
{
    struct Pending {
        QByteArray host;
        std::string relative;
    };
    std::vector<Pending> stack{{rootHost, std::string()}};
    while (!stack.empty()) {
        Pending folder = std::move(stack.back());
        stack.pop_back();
        FolderListing listing = readFolder(folder.host);
        // Pushed in reverse, so the first subfolder is read next.
        if (recursive) {
            const QByteArray hostPrefix = folder.host.endsWith('/') ? folder.host : folder.host + '/';
            const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
            for (auto e = listing.entries.rbegin(); e != listing.entries.rend(); ++e) {
                if (!e->isFolder || e->isLink)
                    continue;
                const std::string_view name = listing.name(*e);
                stack.push_back({hostPrefix + QByteArray(name.data(), qsizetype(name.size())),
                                 relPrefix + std::string(name)});
            }
        }
        std::unique_lock lock(m_mutex);
        if (m_entriesHeld >= kEntriesAhead) {
            m_waitingForRoom = true;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_stop || m_entriesHeld < kEntriesAhead; });
            m_waitingForRoom = false;
        }
        if (m_stop)
            return;
        m_entriesHeld += listing.entries.size();
        m_read.insert_or_assign(std::move(folder.relative), std::move(listing));
        lock.unlock();
        m_changed.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_changed.notify_all();
}

} // namespace qv
