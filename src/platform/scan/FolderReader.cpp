#include "platform/scan/FolderReader.h"

#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
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
    : m_recursive(recursive), m_pending{{rootHost, std::string()}}, m_thread([this] { walk(); })
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
    for (;;) {
        if (const auto it = m_read.find(relative); it != m_read.end()) {
            FolderListing listing = std::move(it->second);
            m_read.erase(it);
            m_entriesHeld -= listing.entries.size();
            lock.unlock();
            m_changed.notify_all();
            return listing;
        }
        // A walk held up by listings nobody takes could not reach this one: read it here.
        if (m_done || m_waitingForRoom)
            return std::nullopt;
        // Rather than wait for the walk, the caller reads folders it has not started:
        // with little to do per file, both threads then read.
        const auto wanted = std::find_if(m_pending.rbegin(), m_pending.rend(),
                                         [&](const Pending &p) { return p.relative == relative; });
        if (wanted != m_pending.rend() && wanted - m_pending.rbegin() < 4) {
            const Pending folder = std::move(*wanted);
            m_pending.erase(std::next(wanted).base());
            return readHere(folder, lock);
        }
        if (!m_pending.empty() && m_entriesHeld < kEntriesAhead) {
            Pending folder = std::move(m_pending.back());
            m_pending.pop_back();
            FolderListing listing = readHere(folder, lock);
            keep(std::move(folder.relative), std::move(listing));
            continue;
        }
        m_changed.wait(lock);
    }
}

void FolderReadAhead::keep(std::string relative, FolderListing listing)
{
    m_entriesHeld += listing.entries.size();
    m_read.insert_or_assign(std::move(relative), std::move(listing));
    m_changed.notify_all();
}

FolderListing FolderReadAhead::readHere(const Pending &folder, std::unique_lock<std::mutex> &lock)
{
    ++m_reading;
    lock.unlock();
    FolderListing listing = readFolder(folder.host);
    std::vector<Pending> subfolders;
    if (m_recursive) {
        // Pushed in reverse, so the first subfolder is read next.
        const QByteArray hostPrefix = folder.host.endsWith('/') ? folder.host : folder.host + '/';
        const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
        for (auto e = listing.entries.rbegin(); e != listing.entries.rend(); ++e) {
            if (!e->isFolder || e->isLink)
                continue;
            const std::string_view name = listing.name(*e);
            subfolders.push_back({hostPrefix + QByteArray(name.data(), qsizetype(name.size())),
                                  relPrefix + std::string(name)});
        }
    }
    lock.lock();
    --m_reading;
    std::move(subfolders.begin(), subfolders.end(), std::back_inserter(m_pending));
    m_changed.notify_all();
    return listing;
}

void FolderReadAhead::walk()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || !m_pending.empty() || m_reading == 0; });
        if (m_stop || m_pending.empty())
            break;
        Pending folder = std::move(m_pending.back());
        m_pending.pop_back();
        FolderListing listing = readHere(folder, lock);
        if (m_entriesHeld >= kEntriesAhead) {
            m_waitingForRoom = true;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_stop || m_entriesHeld < kEntriesAhead; });
            m_waitingForRoom = false;
        }
        if (m_stop)
            break;
        keep(std::move(folder.relative), std::move(listing));
    }
    m_done = true;
    m_changed.notify_all();
}

} // namespace qv
