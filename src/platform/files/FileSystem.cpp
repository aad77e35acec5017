#include "platform/files/FileSystem.h"

#include "platform/base/AccessList.h"
#include "platform/base/Durable.h"
#include "platform/base/FileIdentity.h"
#include "platform/base/PlatformError.h"
#include "platform/base/StopRequest.h"
#include "platform/marks/ArchiveMarks.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/FoundFolders.h"
#include "platform/paths/WinPath.h"

#include <QMutex>
#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

constexpr size_t kBlock = 1 << 20;

mode_t defaultFileMode()
{
    static const mode_t mode = [] {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

QDateTime utcTime(const struct timespec &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

quint32 attributeWord(const QString &name, const struct stat &st, bool archiveClear)
{
    return hostfs::attributeWordOf(name, st.st_mode, archiveClear);
}

marks::Location markLocation(const QByteArray &host)
{
    if (foundAsLink(host))
        return marks::locateFolder(HostPath(host)); // the file the link leads to
    // A copy marks the files of one folder one after another: the folder's place is
    // looked up once.
    static QByteArray lastFolder;
    static marks::Location lastLocation;
    const qsizetype slash = host.lastIndexOf('/');
    const QByteArrayView folder = slash <= 0 ? QByteArrayView("/") : QByteArrayView(host.constData(), slash);
    if (folder != lastFolder) {
        lastFolder = folder.toByteArray();
        lastLocation = marks::locateFolder(HostPath(lastFolder));
    }
    return marks::childOf(lastLocation, host.mid(slash + 1));
}

marks::Location markLocation(const HostPath &host)
{
    return markLocation(host.bytes());
}

Result<struct stat> statOf(const HostPath &host)
{
    struct stat st;
    if (::stat(host.c_str(), &st) == 0)
        return st;
    const int err = errno;
    struct stat lst;
    if (err == ENOENT && ::lstat(host.c_str(), &lst) == 0)
        return HostError{Err::FileNotFound, err}; // a link that leads nowhere
    return hostfs::failure(host, err);
}

// A Windows path's host file as it is now.
struct HostFile {
    HostPath host;
    struct stat st;
};
Result<HostFile> lookUp(const QString &path)
{
    Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    const Result<struct stat> st = statOf(host.value());
    if (!st)
        return st.error();
    return HostFile{std::move(host).value(), st.value()};
}

CopyFaultHook g_copyHook;
QMutex g_hookMutex;

} // namespace

// ---------------------------------------------------------------------------------

namespace hostfs
{

Result<HostPath> hostOf(const QString &windowsPath)
{
    const DriveTable &table = DriveTable::current();
    if (auto h = table.toHost(WinPath(windowsPath)))
        return std::move(*h);
    const Drive *d =
        windowsPath.size() >= 2 && windowsPath.at(1) == u':' ? table.drive(windowsPath.at(0)) : nullptr;
    return HostError{d && !d->mounted ? Err::DeviceUnavailable : Err::PathNotFound, 0};
}

HostPath toHostOrThrow(const QString &windowsPath)
{
    return hostOf(windowsPath).orThrow();
}

int errorNumber(const HostPath &hostPath, int err)
{
    if (err != ENOENT)
        return PlatformError::numberFromErrno(err);
    struct stat st;
    const HostPath folder = hostPath.parent();
    const bool folderThere = ::stat(folder.isEmpty() ? "/" : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return PlatformError::numberFromErrno(err, !folderThere);
}

HostError failure(const HostPath &hostPath, int err)
{
    return {errorNumber(hostPath, err), err};
}

void raise(const HostPath &hostPath, int err)
{
    failure(hostPath, err).raise();
}

quint32 attributeWordOf(const QString &name, unsigned mode, bool archiveClear)
{
    quint32 a = 0;
    if (S_ISDIR(mode))
        a |= Attr::Directory;
    if (name.startsWith(u'.') && name != u"." && name != u"..")
        a |= Attr::Hidden;
    if (!(mode & S_IWUSR))
        a |= Attr::ReadOnly;
    if (!S_ISDIR(mode) && !archiveClear)
        a |= Attr::Archive;
    if (a == 0)
        a = Attr::Normal;
    return a;
}

int openFolder(const HostPath &folder)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const QByteArray &hostPath = folder.bytes();
    if (hostPath.size() < PATH_MAX)
        return ::open(hostPath.constData(), flags);
    // Too long for one call: folder by folder, each relative to the one before.
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray &part : hostPath.split('/')) {
        if (part.isEmpty() || fd < 0)
            continue;
        const int next = ::openat(fd, part.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int err = errno;
        ::close(fd);
        errno = err;
        fd = next;
    }
    if (fd < 0)
        return -1;
    const int dir = ::openat(fd, ".", flags);
    const int err = errno;
    ::close(fd);
    errno = err;
    return dir;
}

namespace
{

// The temporary file lives beside the target so the final rename is atomic.
struct TempFile {
    QByteArray path;
    int fd = -1;

    ~TempFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.isEmpty())
            ::unlink(path.constData());
    }
};

// folder: where the target's folder is held open, if anywhere.
Result<void> openTemp(const HostPath &target, TempFile &tmp, FolderHandle *folder = nullptr)
{
    const qsizetype slash = target.bytes().lastIndexOf('/');
    // ".qvb-<name>-XXXXXX" within the name limit
    const QByteArrayView name = QByteArrayView(target.bytes())
                                    .sliced(slash + 1)
                                    .first(std::min<qsizetype>(target.bytes().size() - slash - 1, 200));
    QByteArray tmpl;
    tmpl.reserve(slash + name.size() + 16);
    if (slash >= 0)
        tmpl.append(target.c_str(), slash).append('/');
    tmpl += ".qvb-";
    tmpl += name;
    tmpl += "-XXXXXX";
    const char *inFolder = tmpl.constData();
    const int dirFd = folder ? folder->of(tmpl, inFolder) : AT_FDCWD;
    int fd = -1;
    if (dirFd == AT_FDCWD) {
        fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    } else {
        // mkostemp's names, made here so the file is made relative to the folder.
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        thread_local std::uint64_t state =
            std::uint64_t(::getpid()) << 32 ^ reinterpret_cast<std::uintptr_t>(&state) ^
            std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        char *x = tmpl.data() + tmpl.size() - 6;
        for (int attempt = 0; attempt < 100; ++attempt) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            for (int i = 0; i < 6; ++i)
                x[i] = kLetters[(state >> (16 + 7 * i)) % (sizeof kLetters - 1)];
            fd = ::openat(dirFd, inFolder, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0 || errno != EEXIST)
                break;
        }
    }
    if (fd < 0)
        return failure(target, errno);
    tmp.path = tmpl;
    tmp.fd = fd;
    return {};
}

// Refuses a read-only target as the platform refuses to overwrite one; gives the
// existing target's mode (0 when there is none).
Result<mode_t> checkTarget(const HostPath &target)
{
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0)
        return mode_t(0);
    if (S_ISDIR(st.st_mode))
        return HostError{Err::PathFileAccess, EISDIR};
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        return HostError{Err::PermissionDenied, 0};
    return mode_t(S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0);
}

Result<void> finish(const HostPath &target, TempFile &tmp)
{
    const int fd = tmp.fd;
    tmp.fd = -1;
    if (::close(fd) != 0)
        return failure(target, errno);
    if (const auto ready = checkTarget(target); !ready)
        return ready.error();
    if (::rename(tmp.path.constData(), target.c_str()) != 0)
        return failure(target, errno);
    tmp.path.clear();
    hostcache::noteCreated(target);
    return {};
}

Result<void> writeAll(const HostPath &target, int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(target, errno);
        }
        data += n;
        size -= size_t(n);
    }
    return {};
}

} // namespace

Result<void> writeAtomically(const HostPath &hostPath, const QByteArray &content)
{
    const Result<mode_t> existing = checkTarget(hostPath);
    if (!existing)
        return existing.error();
    TempFile tmp;
    if (auto r = openTemp(hostPath, tmp); !r)
        return r;
    if (auto r = writeAll(hostPath, tmp.fd, content.constData(), size_t(content.size())); !r)
        return r;
    if (::fchmod(tmp.fd, existing.value() ? existing.value() : defaultFileMode()) != 0)
        return failure(hostPath, errno);
    return finish(hostPath, tmp);
}

} // namespace hostfs

// ---------------------------------------------------------------------------------
// Listing

namespace
{

// Case-insensitive wildcard match of a folded pattern against a name.
bool globMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n].toCaseFolded())) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool matchesAll(const QString &pattern)
{
    return pattern == u"*" || pattern == u"*.*";
}

bool matchFolded(const QString &folded, const QString &name)
{
    if (globMatch(folded, name))
        return true;
    // "name.*" also takes "name" without an extension, and "*." takes names without a dot.
    if (folded.endsWith(QStringLiteral(".*")) && globMatch(QStringView(folded).chopped(2), name))
        return true;
    if (folded.endsWith(u'.') && !name.contains(u'.') && globMatch(QStringView(folded).chopped(1), name))
        return true;
    return false;
}

} // namespace

bool wildcardMatch(const QString &pattern, const QString &name)
{
    return matchesAll(pattern) || matchFolded(pattern.toCaseFolded(), name);
}

void forEachDirEntry(const QString &folder, const QString &pattern,
                     const std::function<bool(const DirEntry &)> &visit, ListDetail detail)
{
    const auto host = DriveTable::current().toHost(WinPath(folder));
    if (!host || pattern.isEmpty())
        return;
    const QByteArray &dirBytes = host->bytes();
    const int dfd = ::open(dirBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return;
    DIR *dp = ::fdopendir(dfd);
    if (!dp) {
        ::close(dfd);
        return;
    }
    const bool all = matchesAll(pattern);
    const QString folded = pattern.toCaseFolded();
    const auto matches = [&](const QString &name) { return all || matchFolded(folded, name); };

    // The folder's place in the mark catalog, found when the first file needs it.
    std::optional<marks::Location> folderLocation;
    DirEntry e;
    struct stat st;

    const auto deliver = [&](const QString &name, const struct stat &s, bool link, const char *path) {
        bool archiveClear = false;
        if (S_ISREG(s.st_mode) && path) {
            if (!folderLocation)
                folderLocation = marks::locateFolder(HostPath(dirBytes));
            archiveClear =
                marks::isClear(marks::childOf(*folderLocation, QByteArray(path)), FileIdentity::of(s));
        }
        e.name = name;
        e.attributes = attributeWord(name, s, archiveClear);
        e.size = S_ISREG(s.st_mode) ? quint64(s.st_size) : 0;
        e.lastWriteUtc = utcTime(s.st_mtim);
        e.isLink = link;
        return visit(e);
    };

    bool go = true;
    const WinPath trimmed = WinPath(folder).withoutTrailingSeparator();
    const bool driveRoot =
        trimmed.isDriveRoot() || (trimmed.text().size() == 2 && !trimmed.driveLetter().isNull());
    if (!driveRoot) {
        for (const char *dot : {".", ".."}) {
            const QString name = QString::fromLatin1(dot);
            if (go && matches(name) && ::fstatat(dfd, dot, &st, 0) == 0)
                go = deliver(name, st, false, nullptr);
        }
    }
    while (go) {
        const dirent *d = ::readdir(dp);
        if (!d)
            break;
        const char *n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        const QString name = hostPathFromBytes(n, qsizetype(std::strlen(n)));
        if (name.contains(u'\\') || !matches(name))
            continue;
        if (detail == ListDetail::Kinds && d->d_type != DT_UNKNOWN) {
            if (d->d_type != DT_REG && d->d_type != DT_DIR && d->d_type != DT_LNK)
                continue;
            e = DirEntry{};
            e.name = name;
            e.isLink = d->d_type == DT_LNK;
            e.attributes = d->d_type == DT_DIR ? Attr::Directory : 0;
            if (name.startsWith(u'.'))
                e.attributes |= Attr::Hidden;
            if (e.attributes == 0)
                e.attributes = Attr::Normal;
            go = visit(e);
            continue;
        }
        if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool link = S_ISLNK(st.st_mode);
        if (link && ::fstatat(dfd, n, &st, 0) != 0)
            continue;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            continue;
        go = deliver(name, st, link, n);
    }
    ::closedir(dp);
}

std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern)
{
    std::vector<DirEntry> out;
    forEachDirEntry(folder, pattern, [&](const DirEntry &e) {
        out.push_back(e);
        return true;
    });
    return out;
}

// ---------------------------------------------------------------------------------
// Attributes

Result<quint32> fileAttributes(const QString &path)
{
    const Result<HostFile> found = lookUp(path);
    if (!found)
        return found.error();
    const struct stat &st = found.value().st;
    const bool clear =
        S_ISREG(st.st_mode) && marks::isClear(markLocation(found.value().host), FileIdentity::of(st));
    return attributeWord(WinPath(path).withoutTrailingSeparator().fileName(), st, clear);
}

quint32 hostfs::attributesAsRead(const QString &path, const WrittenCopy &copy)
{
    return attributeWordOf(WinPath(path).withoutTrailingSeparator().fileName(), copy.mode,
                           marks::isClear(markLocation(copy.source), copy.before));
}

namespace
{

void clearArchiveOf(const HostPath &host, const struct stat &st)
{
    if (!S_ISREG(st.st_mode))
        return;
    // A file just copied is marked as it was read, and not at all when it changed
    // while it was read: that edit is not in the backup.
    FileIdentity identity = FileIdentity::of(st);
    NotedRead read;
    if (takeReadIdentity(host.bytes(), read)) {
        if (!read.unchangedAfter) {
            marks::set(markLocation(host));
            return;
        }
        identity = read.before;
    }
    marks::clear(markLocation(host), identity);
}

void setArchiveOf(const HostPath &host, const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        marks::set(markLocation(host));
}

Result<void> markPath(const QString &path, void (*mark)(const HostPath &, const struct stat &))
{
    const Result<HostFile> found = lookUp(path);
    if (!found)
        return found.error();
    mark(found.value().host, found.value().st);
    return {};
}

} // namespace

Result<void> clearArchive(const QString &path)
{
    return markPath(path, clearArchiveOf);
}

void flushArchiveMarks()
{
    marks::commit();
    forgetReadIdentities();
}

MarkDestination::MarkDestination(const QString &destinationFolder)
{
    // A destination that cannot be placed (no drive) still gets marks of its own.
    const HostPath host = DriveTable::current()
                              .toHost(WinPath(destinationFolder))
                              .value_or(HostPath::fromText(destinationFolder));
    m_scope = std::make_unique<marks::ForDestination>(host);
}

MarkDestination::~MarkDestination() = default;

void nameMarkDestinations(const QStringList &destinationFolders)
{
    std::vector<HostPath> hosts;
    for (const QString &folder : destinationFolders)
        hosts.push_back(DriveTable::current().toHost(WinPath(folder)).value_or(HostPath()));
    marks::nameDestinations(hosts);
}

Result<void> setArchive(const QString &path)
{
    return markPath(path, setArchiveOf);
}

Result<void> setFileAttributes(const QString &path, quint32 attributes)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    const QByteArray &b = host.value().bytes();
    struct stat st;
    // A file just copied was looked at as it was read: no need to look again.
    NotedRead read;
    if (peekReadIdentity(b, read) && read.unchangedAfter && read.mode != 0) {
        st = {};
        st.st_mode = read.mode;
    } else {
        Result<struct stat> found = statOf(host.value());
        if (!found)
            return found.error();
        st = found.value();
    }
    const bool wantReadOnly = attributes & Attr::ReadOnly;
    const bool isReadOnly = !(st.st_mode & S_IWUSR);
    const mode_t mode = st.st_mode & 07777;
    if (isReadOnly && !wantReadOnly) {
        if (::chmod(b.constData(), mode | S_IWUSR) != 0)
            return hostfs::failure(host.value(), errno);
        st.st_mode |= S_IWUSR;
    }
    if (attributes & Attr::Archive)
        setArchiveOf(host.value(), st);
    else
        clearArchiveOf(host.value(), st);
    if (wantReadOnly && !isReadOnly && ::chmod(b.constData(), mode & ~mode_t(0222)) != 0)
        return hostfs::failure(host.value(), errno);
    return {};
}

// ---------------------------------------------------------------------------------
// Files and folders

bool fileExists(const QString &path)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    struct stat st;
    return host && ::stat(host.value().c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

QDateTime lastWriteUtc(const QString &windowsPath)
{
    const std::optional<HostPath> host = DriveTable::current().toHost(WinPath(windowsPath));
    if (!host)
        return {};
    struct stat st;
    if (::stat(host->c_str(), &st) != 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000,
                                          QTimeZone::utc());
}

QUrl fileUrl(const QString &windowsPath)
{
    const std::optional<HostPath> host = DriveTable::current().toHost(WinPath(windowsPath));
    return host ? QUrl::fromLocalFile(host->text()) : QUrl();
}

QString pictureReadPath(const QString &path)
{
    // "X:" alone or followed by a backslash.
    const WinPath p(path);
    if (!p.driveLetter().isNull() && (path.size() == 2 || p.startsWith(WinPath(p.driveRoot())))) {
        const auto host = DriveTable::current().toHost(p);
        return host ? host->text() : QString();
    }
    return path;
}

bool folderExists(const QString &path)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    struct stat st;
    return host && ::stat(host.value().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makePath(const QString &folder)
{
    const auto host = DriveTable::current().toHost(WinPath(folder));
    if (!host)
        return false;
    struct stat st;
    if (::stat(host->c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    // Walk up to the deepest folder that exists, then create downwards.
    std::vector<QByteArray> missing; // names, the deepest first
    HostPath p = *host;
    while (p.bytes().size() > 1 && ::stat(p.c_str(), &st) != 0) {
        const QByteArray &b = p.bytes();
        missing.push_back(b.mid(b.lastIndexOf('/') + 1));
        p = p.parent();
    }
    if (p.isEmpty() || ::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    for (auto name = missing.rbegin(); name != missing.rend(); ++name) {
        p = p / QByteArrayView(*name);
        if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        hostcache::noteCreated(p);
    }
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Result<void> deleteFile(const QString &path)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    struct stat st;
    if (::lstat(host.value().c_str(), &st) != 0)
        return hostfs::failure(host.value(), errno);
    // The platform deletes neither folders nor read-only files.
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)))
        return HostError{Err::PathFileAccess, 0};
    if (::unlink(host.value().c_str()) != 0)
        return hostfs::failure(host.value(), errno);
    hostcache::forget(host.value().parent());
    return {};
}

void setCopyFaultHook(CopyFaultHook hook)
{
    QMutexLocker lock(&g_hookMutex);
    g_copyHook = std::move(hook);
}

namespace
{

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

char *copyBuffer()
{
    thread_local std::unique_ptr<char[]> buf(new char[kBlock]);
    return buf.get();
}

} // namespace

namespace
{

// The data of in, holes kept as holes where the source has them.
void copyData(int in, const struct stat &st, int out, const QString &destination, const HostPath &dstHost,
              const CopyFaultHook &hook, bool commitMarks)
{
    quint64 written = 0;
    const auto step = [&](off_t *offset, size_t want) -> ssize_t {
        if (commitMarks)
            marks::commitIfDue();
        stop::throwIfRequested();
        if (hook)
            hook(destination, written);
        for (;;) {
            off_t outOffset = offset ? *offset : 0;
            const ssize_t n = ::copy_file_range(in, offset, out, offset ? &outOffset : nullptr, want, 0);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    };
    const auto plain = [&](off_t from, off_t to) {
        char *buf = copyBuffer();
        while (to < 0 || from < to) {
            if (commitMarks)
                marks::commitIfDue();
            stop::throwIfRequested();
            if (hook)
                hook(destination, written);
            const size_t want = to < 0 ? kBlock : size_t(std::min<off_t>(kBlock, to - from));
            const ssize_t n = ::pread(in, buf, want, from);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                raiseError(PlatformError::numberFromErrno(errno));
            if (n == 0)
                break;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::pwrite(out, buf + done, size_t(n - done), from + done);
                if (w < 0 && errno == EINTR)
                    continue;
                if (w < 0)
                    hostfs::raise(dstHost, errno);
                done += w;
            }
            from += n;
            written += quint64(n);
        }
    };
    // A file whose blocks cover less than its size has holes.
    const bool sparse = quint64(st.st_blocks) * 512 < quint64(st.st_size);
    if (sparse) {
        off_t pos = 0;
        while (pos < st.st_size) {
            const off_t data = ::lseek(in, pos, SEEK_DATA);
            if (data < 0)
                break; // only a hole is left
            off_t hole = ::lseek(in, data, SEEK_HOLE);
            if (hole < 0)
                hole = st.st_size;
            plain(data, hole);
            pos = hole;
        }
        if (::ftruncate(out, st.st_size) != 0)
            hostfs::raise(dstHost, errno);
        return;
    }
    for (;;) {
        const ssize_t n = step(nullptr, kBlock);
        // Not offered between these file systems, or a file that claims to be empty
        // (procfs and the like): plain reads and writes.
        if ((n < 0 && written == 0 &&
             (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
              errno == EBADF)) ||
            (n == 0 && written == 0 && st.st_size == 0)) {
            plain(off_t(written), -1);
            return;
        }
        if (n < 0)
            raiseError(PlatformError::numberFromErrno(errno));
        if (n == 0)
            return;
        written += quint64(n);
        // A file that holds its blocks is as long as it said: no call to meet the end.
        // One that grew meanwhile fails the identity check after the read.
        if (st.st_size > 0 && written == quint64(st.st_size))
            return;
    }
}

// The source's owner and group where they can be kept; where not, nobody else gets
// more access than the copy's owner had.
// The source's times, set last (the data written changed them); a failed close
// may be the first word of a failed write.
void finishTemporary(hostfs::WrittenCopy &copy)
{
    const int fd = std::exchange(copy.fd, -1);
    const bool timed = ::futimens(fd, copy.times) == 0;
    const int timeError = errno;
    if (::close(fd) != 0)
        hostfs::raise(copy.target, errno);
    if (!timed)
        hostfs::raise(copy.target, timeError);
}

mode_t keepOwner(int fd, const struct stat &st)
{
    mode_t mode = st.st_mode & 0777;
    // A new file is ours, in our group (a folder that hands down its group only costs
    // a needless chown here).
    static const uid_t ownUser = ::geteuid();
    static const gid_t ownGroup = ::getegid();
    if (ownUser == st.st_uid && ownGroup == st.st_gid)
        return mode;
    const bool root = ::geteuid() == 0;
    const uid_t owner = root ? st.st_uid : uid_t(-1);
    if ((!root && ownUser != st.st_uid) || ::fchown(fd, owner, st.st_gid) != 0)
        mode &= 0700;
    return mode;
}

} // namespace

namespace hostfs
{

CopyFaultHook copyFaultHook()
{
    QMutexLocker lock(&g_hookMutex);
    return g_copyHook;
}

WrittenCopy::~WrittenCopy()
{
    if (fd >= 0)
        ::close(fd);
    if (!temporary.isEmpty())
        ::unlink(temporary.constData());
}

WrittenCopy::WrittenCopy(WrittenCopy &&other) noexcept
    : temporary(std::exchange(other.temporary, {})), source(std::move(other.source)),
      target(std::move(other.target)), before(other.before), unchangedAfter(other.unchangedAfter),
      mode(other.mode), fd(std::exchange(other.fd, -1)), times{other.times[0], other.times[1]}
{
}

WrittenCopy &WrittenCopy::operator=(WrittenCopy &&other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        fd = std::exchange(other.fd, -1);
        times[0] = other.times[0];
        times[1] = other.times[1];
        temporary = std::exchange(other.temporary, {});
        source = std::move(other.source);
        target = std::move(other.target);
        before = other.before;
        unchangedAfter = other.unchangedAfter;
        mode = other.mode;
    }
    return *this;
}

WrittenCopy writeCopy(const HostPath &source, const HostPath &target, const QString &destination,
                      const CopyFaultHook &hook, CopyOptions options)
{
    Fd in;
    const char *sourceName = source.c_str();
    const int sourceFolder =
        options.sourceFolder ? options.sourceFolder->of(source.bytes(), sourceName) : AT_FDCWD;
    // Never blocks on a pipe that took a file's place since the scan.
    in.fd = ::openat(sourceFolder, sourceName, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in.fd < 0) {
        // A socket, a device without its driver, a stale or failing entry: this one
        // file cannot be read, which says nothing about the rest.
        if (errno == ENXIO || errno == ENODEV || errno == EIO || errno == ESTALE || errno == EOPNOTSUPP)
            raiseError(Err::PathFileAccess);
        raise(source, errno);
    }
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        raise(source, errno);
    if (!S_ISREG(st.st_mode))
        raiseError(Err::PathFileAccess);
    WrittenCopy out;
    out.source = source.bytes();
    out.target = target;
    out.before = FileIdentity::of(st);
    out.mode = st.st_mode;

    TempFile tmp;
    if (options.refuseReadOnlyTarget)
        checkTarget(target).orThrow();
    openTemp(target, tmp, options.targetFolder).orThrow();
    copyData(in.fd, st, tmp.fd, destination, target, hook, options.commitMarks);

    // Access lists go with the owner: a copy whose owner could not be kept gets none.
    const mode_t owned = keepOwner(tmp.fd, st);
    const acl::Attributes attributes(in.fd);
    if (::fchmod(tmp.fd, attributes.narrowedMode(owned)) != 0)
        raise(target, errno);
    if (owned == (st.st_mode & 0777))
        attributes.copyTo(tmp.fd);
    out.times[0] = st.st_atim;
    out.times[1] = st.st_mtim;
    struct stat after;
    out.unchangedAfter = ::fstat(in.fd, &after) == 0 && FileIdentity::of(after) == out.before;
    out.fd = std::exchange(tmp.fd, -1);
    out.temporary = std::exchange(tmp.path, {});
    if (!options.timesOnPlace)
        finishTemporary(out);
    return out;
}

FolderHandle::~FolderHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FolderHandle::of(const QByteArray &path, const char *&name)
{
    const qsizetype slash = path.lastIndexOf('/');
    name = path.constData();
    if (slash <= 0)
        return AT_FDCWD;
    const QByteArrayView folder(path.constData(), slash);
    if (m_fd < 0 || folder != m_folder) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_folder = folder.toByteArray();
        m_fd = slash < PATH_MAX ? ::open(m_folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
    }
    if (m_fd < 0)
        return AT_FDCWD;
    name = path.constData() + slash + 1;
    return m_fd;
}

void placeCopy(WrittenCopy &copy)
{
    placeCopy(copy, AT_FDCWD);
}

void placeCopy(WrittenCopy &copy, int targetFolder)
{
    const HostPath &dstHost = copy.target;
    const QByteArray &target = copy.target.bytes();
    if (copy.fd >= 0)
        finishTemporary(copy);
    const auto nameIn = [](const QByteArray &path) { return path.constData() + path.lastIndexOf('/') + 1; };
    // The rename needs no write access to the copy it replaces.
    const int rc = targetFolder == AT_FDCWD
                       ? ::rename(copy.temporary.constData(), target.constData())
                       : ::renameat(targetFolder, nameIn(copy.temporary), targetFolder, nameIn(target));
    if (rc != 0) {
        if (errno == EISDIR)
            raiseError(Err::PathFileAccess);
        raise(dstHost, errno);
    }
    copy.temporary.clear();
    durable::notePlaced(target, targetFolder);
    hostcache::noteCreated(dstHost);
    noteReadIdentity(copy.source, copy.before, copy.unchangedAfter, copy.mode);
}

void copyHostFile(const HostPath &srcHost, const HostPath &dstHost, const QString &destination,
                  bool replaceReadOnly)
{
    WrittenCopy copy =
        writeCopy(srcHost, dstHost, destination, copyFaultHook(), {.refuseReadOnlyTarget = !replaceReadOnly});
    if (!replaceReadOnly)
        checkTarget(dstHost).orThrow(); // it may have turned read-only while the copy was written
    placeCopy(copy);
}

} // namespace hostfs

Result<void> copyFile(const QString &source, const QString &destination)
{
    return caught([&] {
        hostfs::copyHostFile(hostfs::toHostOrThrow(source), hostfs::toHostOrThrow(destination), destination,
                             false);
    });
}

} // namespace qv
