#include "platform/scan/FolderReader.h"

#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qv
{

namespace
{
// Enough to keep the walk ahead of the caller, not the whole of a huge tree in memory.
constexpr std::size_t kEntriesAhead = 200000;
// Parents' descriptors kept open for their pending subfolders; beyond, a subfolder is
// opened by its path.
constexpr int kOpenFolders = 512;
std::atomic<int> g_openFolders{0};

bool onPath(const Ancestry *a, std::uint64_t device, std::uint64_t inode)
{
    for (; a; a = a->up.get())
        if (a->device == device && a->inode == inode)
            return true;
    return false;
}

// Whether the folder name leads to (in parent) is the avoided folder or lies below it.
bool leadsInto(int parent, const char *name, const WalkRules &rules)
{
    const AncestryPtr up = foldersUpFrom(::openat(parent, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
    return onPath(up.get(), rules.avoidDevice, rules.avoidInode);
}

FolderListing readOpened(int dfd, const WalkRules &rules, bool keep);

} // namespace

AncestryPtr foldersUpFrom(int fd)
{
    AncestryPtr chain;
    struct stat st, up;
    for (int steps = 0; fd >= 0 && steps < 4096 && ::fstat(fd, &st) == 0; ++steps) {
        chain = std::make_shared<const Ancestry>(Ancestry{chain, st.st_dev, st.st_ino});
        const int next = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        if (fd >= 0 && ::fstat(fd, &up) == 0 && up.st_dev == st.st_dev && up.st_ino == st.st_ino)
            break; // the root
    }
    if (fd >= 0)
        ::close(fd);
    return chain;
}

FolderListing readFolder(const HostPath &hostPath, const WalkRules &rules)
{
    const int dfd = hostfs::openFolder(hostPath);
    return dfd < 0 ? FolderListing() : readOpened(dfd, rules, false);
}

FolderListing readFolderAt(int parent, const char *name, const WalkRules &rules, bool keep)
{
    const int dfd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return dfd < 0 ? FolderListing() : readOpened(dfd, rules, keep);
}

namespace
{

FolderListing readOpened(int dfd, const WalkRules &rules, bool keep)
{
    FolderListing out;
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
    out.ancestry = std::make_shared<const Ancestry>(Ancestry{rules.above, out.device, out.inode});
    const auto problem = [&](const char *n, FolderListing::Why why) { out.problems.push_back({n, why}); };
    while (const dirent *d = ::readdir(dp)) {
        const char *n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        FolderListing::Entry e;
        e.isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_DIR) {
            e.isFolder = true;
            e.walk = true; // a destination inside the source is refused before any scan
        } else {
            if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                // A folder that can be listed but not searched: nothing in it can be read.
                if (errno == EACCES)
                    out.searchDenied = true;
                continue;
            }
            e.isLink = S_ISLNK(st.st_mode);
            if (e.isLink && ::fstatat(dfd, n, &st, 0) != 0) {
                problem(n, FolderListing::Why::Dangling); // leads nowhere, or round in links
                continue;
            }
            if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
                problem(n, FolderListing::Why::Special); // nothing in it to back up
                continue;
            }
            e.isFolder = S_ISDIR(st.st_mode);
            if (e.isFolder && e.isLink) {
                if (onPath(out.ancestry.get(), st.st_dev, st.st_ino))
                    problem(n, FolderListing::Why::Loop);
                else if (rules.avoid &&
                         (onPath(rules.avoidUp.get(), st.st_dev, st.st_ino) || leadsInto(dfd, n, rules)))
                    problem(n, FolderListing::Why::IntoDestination);
                else
                    e.walk = true;
            } else {
                e.walk = e.isFolder;
            }
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
    if (keep)
        out.descriptor = ::fcntl(dfd, F_DUPFD_CLOEXEC, 0);
    ::closedir(dp);
    return out;
}

} // namespace

bool stillThere(const FolderListing &listing, const HostPath &hostPath)
{
    struct stat st;
    return hostPath.bytes().size() < PATH_MAX ? ::stat(hostPath.c_str(), &st) == 0 &&
                                                    st.st_dev == listing.device && st.st_ino == listing.inode
                                              : true; // too long to look up in one call: taken as read
}

struct FolderReadAhead::OpenFolder {
    int fd;
    explicit OpenFolder(int descriptor) : fd(descriptor) { ++g_openFolders; }
    ~OpenFolder()
    {
        ::close(fd);
        --g_openFolders;
    }
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
};

FolderReadAhead::FolderReadAhead(const HostPath &rootHost, bool recursive, const WalkRules &rules,
                                 BeforeRead beforeRead)
    : m_recursive(recursive),
      m_beforeRead(std::move(beforeRead)), m_pending{{rootHost.bytes(), std::string(), nullptr, rules}},
      m_thread([this] { walk(); })
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
        if (m_failure && m_failedAt == relative)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
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
    std::vector<Pending> subfolders;
    FolderListing listing;
    try {
        listing = readUnlocked(folder, subfolders);
    } catch (...) {
        // Still counted as being read, the folder would hold the walk up for ever.
        lock.lock();
        --m_reading;
        m_changed.notify_all();
        throw;
    }
    lock.lock();
    --m_reading;
    std::move(subfolders.begin(), subfolders.end(), std::back_inserter(m_pending));
    m_changed.notify_all();
    return listing;
}

FolderListing FolderReadAhead::readUnlocked(const Pending &folder, std::vector<Pending> &subfolders)
{
    if (m_beforeRead)
        m_beforeRead(folder.relative);
    // Opened in the parent's descriptor: a path from the top would cost its depth.
    const char *name = folder.host.constData() + folder.host.lastIndexOf('/') + 1;
    const auto byPath = [&] { return HostPath(folder.host); };
    FolderListing listing = folder.parent ? readFolderAt(folder.parent->fd, name, folder.rules, m_recursive)
                                          : readFolder(byPath(), folder.rules);
    if (!folder.parent && m_recursive && listing.opened)
        listing.descriptor = hostfs::openFolder(byPath());
    std::shared_ptr<OpenFolder> self;
    if (listing.descriptor >= 0) {
        if (g_openFolders < kOpenFolders)
            self = std::make_shared<OpenFolder>(listing.descriptor);
        else
            ::close(listing.descriptor);
        listing.descriptor = -1;
    }
    if (m_recursive) {
        // Pushed in reverse, so the first subfolder is read next.
        const QByteArray hostPrefix = folder.host.endsWith('/') ? folder.host : folder.host + '/';
        const std::string relPrefix = folder.relative.empty() ? std::string() : folder.relative + '/';
        WalkRules rules = folder.rules;
        rules.above = listing.ancestry;
        for (auto e = listing.entries.rbegin(); e != listing.entries.rend(); ++e) {
            if (!e->walk)
                continue;
            const std::string_view n = listing.name(*e);
            subfolders.push_back({hostPrefix + QByteArray(n.data(), qsizetype(n.size())),
                                  relPrefix + std::string(n), self, rules});
        }
    }
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
        FolderListing listing;
        try {
            listing = readHere(folder, lock);
        } catch (...) {
            m_failure = std::current_exception();
            m_failedAt = std::move(folder.relative);
            break;
        }
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
