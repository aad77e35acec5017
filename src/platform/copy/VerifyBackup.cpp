#include "platform/copy/VerifyBackup.h"

#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <xxhash.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv::verify
{

namespace
{

constexpr size_t kBlock = 1 << 20;

struct Hasher {
    Hasher() : state(XXH3_createState()) { XXH3_64bits_reset(state); }
    ~Hasher() { XXH3_freeState(state); }
    Hasher(const Hasher &) = delete;
    Hasher &operator=(const Hasher &) = delete;
    void add(const void *data, size_t n) { XXH3_64bits_update(state, data, n); }
    std::uint64_t digest() const { return XXH3_64bits_digest(state); }
    XXH3_state_t *state;
};

std::optional<std::uint64_t> hashFile(const QByteArray &path, bool fromDisk)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    if (fromDisk) {
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    static thread_local std::unique_ptr<char[]> buffer(new char[kBlock]);
    Hasher h;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), kBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        h.add(buffer.get(), size_t(n));
    }
    ::close(fd);
    return h.digest();
}

std::int64_t nanoseconds(const struct timespec &t)
{
    return std::int64_t(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

QByteArray joined(const QByteArray &folder, const QByteArray &relative)
{
    return folder.endsWith('/') ? folder + relative : folder + '/' + relative;
}

// The regular files below root (links to files followed, links to folders not walked
// into), as paths below it, sorted.
void walk(const QByteArray &root, const QByteArray &relative, bool recursive, const Wanted &wanted,
          std::vector<QByteArray> &files)
{
    const QByteArray folder = relative.isEmpty() ? root : joined(root, relative);
    DIR *d = ::opendir(folder.constData());
    if (!d)
        return;
    std::vector<QByteArray> subFolders;
    while (const dirent *e = ::readdir(d)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        struct stat st;
        if (::fstatat(::dirfd(d), n, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QByteArray below = relative.isEmpty() ? QByteArray(n) : relative + '/' + n;
        if (S_ISDIR(st.st_mode)) {
            if (recursive)
                subFolders.push_back(below);
            continue;
        }
        if (S_ISLNK(st.st_mode) && (::fstatat(::dirfd(d), n, &st, 0) != 0 || !S_ISREG(st.st_mode)))
            continue;
        if (S_ISREG(st.st_mode) && wanted(hostPathFromBytes(n, qsizetype(std::strlen(n)))))
            files.push_back(below);
    }
    ::closedir(d);
    for (const QByteArray &sub : subFolders)
        walk(root, sub, recursive, wanted, files);
}

// Hashes one side of many files on another thread while the caller hashes the other.
class SideHashes
{
public:
    explicit SideHashes(std::vector<QByteArray> paths)
        : m_paths(std::move(paths)), m_hashes(m_paths.size()), m_thread([this] {
              for (size_t i = 0; i < m_paths.size(); ++i)
                  m_hashes[i] = hashFile(m_paths[i], false);
          })
    {
    }
    ~SideHashes() { join(); }
    const std::vector<std::optional<std::uint64_t>> &result()
    {
        join();
        return m_hashes;
    }

private:
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    std::vector<QByteArray> m_paths;
    std::vector<std::optional<std::uint64_t>> m_hashes;
    std::thread m_thread;
};

// A copy keeps its source's time; a file system with coarser times (FAT: 2 s) rounds it.
bool sameTime(std::int64_t aNs, std::int64_t bNs)
{
    return std::llabs(aNs - bNs) < 2000000000LL;
}

std::optional<QByteArray> hostOf(const QString &windowsPath)
{
    const std::optional<HostPath> host = DriveTable::current().toHost(WinPath(windowsPath));
    if (!host)
        return std::nullopt;
    QByteArray bytes = host->bytes();
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    return bytes;
}

Report unreadable()
{
    Report r;
    r.unreadable = true;
    r.findings.push_back({Finding::BackupUnreadable, {}, 0, 0});
    return r;
}

using Hash = std::optional<std::uint64_t>; // none: the side could not be read

// What reading both sides of a file whose sizes agree found, if anything.
void noteRead(Report &r, const QByteArray &relative, const Hash &backup, const Hash &source, bool timeDiffers,
              std::int64_t sourceSize, std::int64_t backupSize)
{
    Finding::Kind kind;
    if (!backup) {
        r.unreadable = true;
        kind = Finding::BackupUnreadable;
    } else if (!source) {
        kind = Finding::SourceUnreadable;
    } else if (*backup != *source) {
        kind = Finding::Content;
    } else if (timeDiffers) {
        kind = Finding::Time;
    } else {
        return;
    }
    r.findings.push_back({kind, HostPath(relative), sourceSize, backupSize});
}

// Findings in the order of their paths' bytes; one path's findings as they came.
void sortFindings(Report &r)
{
    std::stable_sort(r.findings.begin(), r.findings.end(), [](const Finding &a, const Finding &b) {
        return a.relative.bytes() < b.relative.bytes();
    });
}

} // namespace

Same sameContent(const QByteArray &source, const QByteArray &copy, bool copyFromDisk)
{
    const auto c = hashFile(copy, copyFromDisk);
    if (!c)
        return Same::BackupUnreadable;
    const auto s = hashFile(source, false);
    if (!s)
        return Same::SourceUnreadable;
    return *c == *s ? Same::Yes : Same::No;
}

QString relativeText(const HostPath &relative)
{
    return QString(relative.text()).replace(u'/', u'\\');
}

Report compareMirror(const QString &sourceFolder, const QString &mirrorFolder, bool recursive,
                     const Wanted &wanted)
{
    const auto sourceHost = hostOf(sourceFolder), mirrorHost = hostOf(mirrorFolder);
    struct stat st;
    if (!sourceHost || !mirrorHost || ::stat(mirrorHost->constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return unreadable();
    const QByteArray &sourceRoot = *sourceHost, &mirrorRoot = *mirrorHost;
    Report r;
    std::vector<QByteArray> files;
    walk(sourceRoot, {}, recursive, wanted, files);
    std::sort(files.begin(), files.end());

    // Sizes and times first; the contents of the pairs that pass, both sides at once.
    struct Pair {
        QByteArray relative;
        std::int64_t size;
        bool timeDiffers;
    };
    std::vector<Pair> pairs;
    std::vector<QByteArray> sources, copies;
    for (const QByteArray &relative : files) {
        struct stat s, c;
        if (::stat(joined(sourceRoot, relative).constData(), &s) != 0)
            continue; // gone since the walk
        if (::stat(joined(mirrorRoot, relative).constData(), &c) != 0 || !S_ISREG(c.st_mode)) {
            r.findings.push_back({Finding::Missing, HostPath(relative), s.st_size, 0});
            continue;
        }
        ++r.compared;
        if (s.st_size != c.st_size) {
            r.findings.push_back({Finding::Size, HostPath(relative), s.st_size, c.st_size});
            continue;
        }
        pairs.push_back({relative, s.st_size, !sameTime(nanoseconds(s.st_mtim), nanoseconds(c.st_mtim))});
        sources.push_back(joined(sourceRoot, relative));
        copies.push_back(joined(mirrorRoot, relative));
    }
    SideHashes sourceHashes(std::move(sources));
    std::vector<std::optional<std::uint64_t>> copyHashes(copies.size());
    for (size_t i = 0; i < copies.size(); ++i)
        copyHashes[i] = hashFile(copies[i], false);
    const auto &sourceResult = sourceHashes.result();
    for (size_t i = 0; i < pairs.size(); ++i) {
        const Pair &p = pairs[i];
        noteRead(r, p.relative, copyHashes[i], sourceResult[i], p.timeDiffers, p.size, p.size);
    }
    sortFindings(r);
    return r;
}

namespace
{

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};

// The entry's time in UTC seconds from its extended-timestamp field, when it has one.
std::optional<std::int64_t> extendedTime(zip_t *z, zip_uint64_t index)
{
    zip_uint16_t length = 0;
    const zip_uint8_t *field = zip_file_extra_field_get_by_id(z, index, 0x5455, 0, &length, ZIP_FL_CENTRAL);
    if (!field || length < 5 || !(field[0] & 1))
        return std::nullopt;
    return std::int64_t(std::uint32_t(field[1]) | std::uint32_t(field[2]) << 8 |
                        std::uint32_t(field[3]) << 16 | std::uint32_t(field[4]) << 24);
}

std::optional<std::uint64_t> hashEntry(zip_t *z, zip_uint64_t index)
{
    zip_file_t *f = zip_fopen_index(z, index, 0);
    if (!f)
        return std::nullopt;
    static thread_local std::unique_ptr<char[]> buffer(new char[kBlock]);
    Hasher h;
    zip_int64_t n;
    while ((n = zip_fread(f, buffer.get(), kBlock)) > 0)
        h.add(buffer.get(), size_t(n));
    // The entry's checksum is tested as its end is read.
    const bool ok = n == 0 && zip_fclose(f) == 0;
    if (n != 0)
        zip_fclose(f);
    if (!ok)
        return std::nullopt;
    return h.digest();
}

} // namespace

Report compareArchive(const QString &archivePath, const QString &sourceFolder)
{
    const auto archive = hostOf(archivePath), sourceHost = hostOf(sourceFolder);
    const auto driveRoot = hostOf(QString(WinPath(sourceFolder).driveLetter()) + QStringLiteral(":\\"));
    if (!archive || !sourceHost || !driveRoot)
        return unreadable();
    const QByteArray &sourceRoot = *sourceHost;
    Report r;
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> z(zip_open(archive->constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!z)
        return unreadable();
    const QByteArray prefix = sourceRoot.endsWith('/') ? sourceRoot : sourceRoot + '/';
    struct Entry {
        zip_uint64_t index;
        QByteArray relative;
        std::int64_t size, sourceSize;
        bool timeDiffers;
    };
    std::vector<Entry> entries;
    std::vector<QByteArray> sources;
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(z.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
        zip_stat_t st;
        if (!name || zip_stat_index(z.get(), zip_uint64_t(i), 0, &st) != 0) {
            r.unreadable = true;
            r.findings.push_back({Finding::BackupUnreadable, HostPath(QByteArray(name ? name : "")), 0, 0});
            continue;
        }
        const QByteArray host = joined(*driveRoot, QByteArray(name));
        if (host.endsWith('/') || !host.startsWith(prefix))
            continue;
        const QByteArray relative = host.mid(prefix.size());
        struct stat s;
        if (::stat(host.constData(), &s) != 0 || !S_ISREG(s.st_mode))
            continue; // no source to compare with any more
        ++r.compared;
        const auto size = std::int64_t(st.size);
        if (size != s.st_size) {
            r.findings.push_back({Finding::Size, HostPath(relative), s.st_size, size});
            continue;
        }
        // The zip's own time is in 2-second steps; the extended field holds the second.
        const std::optional<std::int64_t> utc = extendedTime(z.get(), zip_uint64_t(i));
        const bool timeDiffers =
            utc ? *utc != s.st_mtim.tv_sec : std::llabs(std::int64_t(st.mtime) - s.st_mtim.tv_sec) > 2;
        entries.push_back({zip_uint64_t(i), relative, size, s.st_size, timeDiffers});
        sources.push_back(host);
    }
    SideHashes sourceHashes(std::move(sources));
    std::vector<std::optional<std::uint64_t>> entryHashes(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        entryHashes[i] = hashEntry(z.get(), entries[i].index);
    const auto &sourceResult = sourceHashes.result();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry &e = entries[i];
        noteRead(r, e.relative, entryHashes[i], sourceResult[i], e.timeDiffers, e.sourceSize, e.size);
    }
    sortFindings(r);
    return r;
}

} // namespace qv::verify
