#include "platform/copy/RestoreFiles.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <zip.h>

namespace qv
{
namespace restore
{

namespace
{

qint64 nanoseconds(const struct timespec &t)
{
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

struct timespec timespecOf(qint64 ns)
{
    struct timespec t {
    };
    t.tv_sec = time_t(ns / 1000000000LL);
    t.tv_nsec = long(ns % 1000000000LL);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000L;
        --t.tv_sec;
    }
    return t;
}

// ".qvb-<name>-XXXXXX": what a copy writes before its rename.
bool isCopyTemporary(const char *name)
{
    const size_t n = std::strlen(name);
    return n >= 12 && std::strncmp(name, ".qvb-", 5) == 0 && name[n - 7] == '-';
}

QByteArray hostOf(const QString &windowsFolder)
{
    return hostfs::toHostOrThrow(windowsFolder).bytes();
}

void walk(int dirFd, const QByteArray &prefix, std::vector<StoredFile> &out)
{
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0 &&
            !isCopyTemporary(e->d_name))
            names.emplace_back(e->d_name);
    }
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : names) {
        struct stat st;
        if (::fstatat(::dirfd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            continue; // a mirror holds files and folders only
        StoredFile f;
        f.rel = HostPath(prefix.isEmpty() ? name : prefix + '/' + name);
        f.isDir = S_ISDIR(st.st_mode);
        f.size = f.isDir ? 0 : quint64(st.st_size);
        f.mtimeNs = nanoseconds(st.st_mtim);
        f.mode = st.st_mode & 07777;
        out.push_back(f);
        if (f.isDir) {
            const int sub =
                ::openat(::dirfd(dir), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                walk(sub, f.rel.bytes(), out);
        }
    }
    ::closedir(dir);
}

// The extended attributes (ACLs among them) of one file onto another; what the file
// system or our rights refuse is left out.
void copyExtendedAttributes(const QByteArray &from, const QByteArray &to)
{
    ssize_t size = ::llistxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, '\0');
    size = ::llistxattr(from.constData(), names.data(), size_t(names.size()));
    if (size <= 0)
        return;
    for (const QByteArray &name : names.left(size).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t n = ::lgetxattr(from.constData(), name.constData(), nullptr, 0);
        if (n < 0)
            continue;
        QByteArray value(n, '\0');
        const ssize_t got =
            ::lgetxattr(from.constData(), name.constData(), value.data(), size_t(value.size()));
        if (got >= 0)
            ::lsetxattr(to.constData(), name.constData(), value.constData(), size_t(got), 0);
    }
}

bool sameContent(const QByteArray &a, const QByteArray &b)
{
    struct stat sa, sb;
    if (::stat(a.constData(), &sa) != 0 || ::stat(b.constData(), &sb) != 0 || sa.st_size != sb.st_size)
        return false;
    const int fa = ::open(a.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const int fb = ::open(b.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    bool same = fa >= 0 && fb >= 0;
    constexpr size_t kBlock = 1 << 16;
    std::vector<char> ba(kBlock), bb(kBlock);
    for (off_t at = 0; same && at < sa.st_size;) {
        const ssize_t na = ::pread(fa, ba.data(), kBlock, at);
        const ssize_t nb = ::pread(fb, bb.data(), kBlock, at);
        same = na > 0 && na == nb && std::memcmp(ba.data(), bb.data(), size_t(na)) == 0;
        at += na > 0 ? na : 0;
    }
    if (fa >= 0)
        ::close(fa);
    if (fb >= 0)
        ::close(fb);
    return same;
}

[[noreturn]] void raiseHost(const QByteArray &path, int err)
{
    hostfs::raise(HostPath(path), err);
}

} // namespace

QByteArray keptBesideName(const QByteArray &name, int n)
{
    return name + " (før gjenoppretting" + (n > 1 ? ' ' + QByteArray::number(n) : QByteArray()) + ')';
}

std::vector<StoredFile> listTree(const QString &windowsFolder)
{
    std::vector<StoredFile> out;
    const Result<HostPath> host = hostfs::hostOf(windowsFolder);
    if (!host)
        return out;
    const int fd = hostfs::openFolder(host.value());
    if (fd >= 0)
        walk(fd, {}, out);
    return out;
}

std::vector<QString> subFolders(const QString &windowsFolder)
{
    std::vector<QString> out;
    for (const DirEntry &e : listDirectory(windowsFolder, QStringLiteral("*")))
        if ((e.attributes & Attr::Directory) && !e.isLink && e.name != u"." && e.name != u"..")
            out.push_back(e.name);
    return out;
}

// ---------------------------------------------------------------------------------

Target::Target(const QString &windowsFolder) : m_root(hostOf(windowsFolder))
{
    while (m_root.size() > 1 && m_root.endsWith('/'))
        m_root.chop(1);
}

Target::~Target()
{
    finish();
}

void Target::noteFolder(const StoredFile &folder)
{
    m_noted.push_back(folder);
}

void Target::finish()
{
    // Deepest first: a folder's time is set once nothing more is made inside it.
    std::sort(m_made.begin(), m_made.end(), [](const QByteArray &a, const QByteArray &b) {
        return a.count('/') + !a.isEmpty() > b.count('/') + !b.isEmpty();
    });
    for (const QByteArray &rel : m_made) {
        const auto it = std::find_if(m_noted.rbegin(), m_noted.rend(),
                                     [&](const StoredFile &f) { return f.rel.bytes() == rel; });
        if (it == m_noted.rend())
            continue;
        const QByteArray host = rel.isEmpty() ? m_root : m_root + '/' + rel;
        if (it->mode)
            ::chmod(host.constData(), mode_t(it->mode));
        const struct timespec times[2] = {timespecOf(it->mtimeNs), timespecOf(it->mtimeNs)};
        ::utimensat(AT_FDCWD, host.constData(), times, 0);
    }
    m_made.clear();
}

QByteArray Target::makeFolders(const QByteArray &rel)
{
    const auto ensure = [&](const QByteArray &host, const QByteArray *folderRel) {
        struct stat st;
        if (::stat(host.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                raiseError(Err::PathFileAccess);
            return;
        }
        if (::mkdir(host.constData(), 0777) != 0 && errno != EEXIST)
            raiseHost(host, errno);
        if (folderRel)
            m_made.push_back(*folderRel);
    };
    if (!m_rootReady) {
        // The folders above the target are made plainly; the target itself keeps the
        // stored folder's look.
        for (qsizetype slash = m_root.indexOf('/', 1); slash > 0; slash = m_root.indexOf('/', slash + 1))
            ensure(m_root.left(slash), nullptr);
        const QByteArray none;
        ensure(m_root, &none);
        m_rootReady = true;
    }
    for (qsizetype slash = rel.indexOf('/'); slash > 0; slash = rel.indexOf('/', slash + 1)) {
        const QByteArray folder = rel.left(slash);
        if (m_ready.contains(folder))
            continue;
        ensure(m_root + '/' + folder, &folder);
        m_ready.insert(folder);
    }
    return m_root + '/' + rel;
}

PlaceResult Target::place(QByteArray &temporary, const QByteArray &target)
{
    PlaceResult r;
    struct stat st;
    if (::lstat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            raiseError(Err::PathFileAccess);
        if (S_ISREG(st.st_mode) && sameContent(temporary, target)) {
            r.how = Placed::Replaced;
        } else {
            const qsizetype slash = target.lastIndexOf('/');
            const QByteArray folder = target.left(slash + 1), name = target.mid(slash + 1);
            for (int n = 1;; ++n) {
                const QByteArray kept = keptBesideName(name, n);
                if (::renameat2(AT_FDCWD, target.constData(), AT_FDCWD, (folder + kept).constData(),
                                RENAME_NOREPLACE) == 0) {
                    r.how = Placed::KeptBeside;
                    r.keptAs = hostPathFromBytes(kept);
                    break;
                }
                if (errno != EEXIST || n > 1000)
                    raiseHost(target, errno);
            }
        }
    } else if (errno != ENOENT) {
        raiseHost(target, errno);
    }
    if (::rename(temporary.constData(), target.constData()) != 0)
        raiseHost(target, errno);
    temporary.clear();
    return r;
}

Result<PlaceResult> Target::copyFrom(const QString &storedFolder, const HostPath &rel)
{
    return caught([&] { return copyOrThrow(storedFolder, rel.bytes()); });
}

PlaceResult Target::copyOrThrow(const QString &storedFolder, const QByteArray &rel)
{
    if (storedFolder != m_storedFolder) {
        m_storedHost = hostOf(storedFolder);
        m_storedFolder = storedFolder;
    }
    const QByteArray source = m_storedHost + '/' + rel;
    const QByteArray target = makeFolders(rel);
    const HostPath targetHost(target);
    hostfs::WrittenCopy copy =
        hostfs::writeCopy(HostPath(source), targetHost, targetHost.text(), {}, {.commitMarks = false});
    copyExtendedAttributes(source, copy.temporary);
    return place(copy.temporary, target);
}

// ---------------------------------------------------------------------------------

struct Archive::Zip {
    zip_t *za = nullptr;
    ~Zip()
    {
        if (za)
            zip_discard(za);
    }
};

namespace
{

// A name that stays below the folder it is restored into.
bool safeRelative(const QByteArray &rel)
{
    if (rel.isEmpty() || rel.startsWith('/'))
        return false;
    for (const QByteArray &part : rel.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

// The source folder as the archive's entry names begin: its host path below its
// drive's folder, and its Windows names; "" for a whole drive.
QStringList entryPrefixes(const QString &source)
{
    QStringList prefixes;
    const WinPath path(source);
    prefixes << path.resolvedNames().join(u'/');
    const Drive *drive = DriveTable::current().drive(path.driveLetter());
    if (const auto host = DriveTable::current().toHost(path); host && drive) {
        QString below = host->text();
        if (below.startsWith(drive->hostDir.text())) {
            below = below.mid(drive->hostDir.text().size());
            while (below.startsWith(u'/'))
                below.remove(0, 1);
            while (below.endsWith(u'/'))
                below.chop(1);
            prefixes.prepend(below);
        }
    }
    prefixes.removeDuplicates();
    return prefixes;
}

} // namespace

Archive::Archive(const QString &archive, const QString &source) : m_zip(std::make_unique<Zip>())
{
    const QByteArray host = hostOf(archive);
    int error = 0;
    m_zip->za = zip_open(host.constData(), ZIP_RDONLY, &error);
    if (!m_zip->za)
        raiseError(error == ZIP_ER_NOENT ? Err::FileNotFound : Err::PathFileAccess);
    const QStringList prefixes = entryPrefixes(source);
    const zip_int64_t count = zip_get_num_entries(m_zip->za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(m_zip->za, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!raw)
            continue;
        QByteArray name(raw);
        const QString text = hostPathFromBytes(name);
        // Exact first: the host's bytes; then as Windows would match the names.
        qsizetype cut = -1;
        for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            for (const QString &prefix : prefixes) {
                if (prefix.isEmpty())
                    cut = 0;
                else if (text.startsWith(prefix + u'/', cs))
                    cut = hostPathBytes(text.left(prefix.size() + 1)).size();
                if (cut >= 0)
                    break;
            }
            if (cut >= 0)
                break;
        }
        if (cut < 0)
            continue;
        StoredFile f;
        QByteArray rel = name.mid(cut);
        f.isDir = rel.endsWith('/');
        if (f.isDir)
            rel.chop(1);
        if (!safeRelative(rel))
            continue;
        f.rel = HostPath(std::move(rel));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip->za, zip_uint64_t(i), 0, &st) != 0)
            continue;
        f.size = (st.valid & ZIP_STAT_SIZE) ? quint64(st.size) : 0;
        f.mtimeNs = (st.valid & ZIP_STAT_MTIME) ? qint64(st.mtime) * 1000000000LL : 0;
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(m_zip->za, zip_uint64_t(i), 0, &system, &attributes) == 0) {
            if (system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0) {
                const mode_t mode = mode_t(attributes >> 16);
                if (S_ISLNK(mode) || ((mode & S_IFMT) && !S_ISREG(mode) && !S_ISDIR(mode)))
                    continue; // only files and folders come back
                f.isDir = f.isDir || S_ISDIR(mode);
                f.mode = mode & 07777;
            } else {
                f.isDir = f.isDir || (attributes & 0x10);
                if (attributes & 0x01)
                    f.mode = f.isDir ? 0555 : 0444;
            }
        }
        // The extended timestamp holds the time in UTC seconds, the DOS time only local
        // time in two-second steps.
        zip_uint16_t length = 0;
        const zip_uint8_t *ut =
            zip_file_extra_field_get_by_id(m_zip->za, zip_uint64_t(i), 0x5455, 0, &length, ZIP_FL_CENTRAL);
        if (!ut)
            ut = zip_file_extra_field_get_by_id(m_zip->za, zip_uint64_t(i), 0x5455, 0, &length, ZIP_FL_LOCAL);
        if (ut && length >= 5 && (ut[0] & 1)) {
            const auto t =
                qint32(quint32(ut[1]) | quint32(ut[2]) << 8 | quint32(ut[3]) << 16 | quint32(ut[4]) << 24);
            f.mtimeNs = qint64(t) * 1000000000LL;
        }
        m_files.push_back(f);
        m_index.push_back(quint64(i));
    }
}

Archive::~Archive() = default;

Result<PlaceResult> Archive::extract(std::size_t i, Target &target)
{
    return caught([&] { return extractOrThrow(i, target); });
}

PlaceResult Archive::extractOrThrow(std::size_t i, Target &target)
{
    const StoredFile &f = m_files.at(i);
    const QByteArray path = target.makeFolders(f.rel.bytes());
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray temporary = path.left(slash + 1) + ".qvb-" + path.mid(slash + 1).left(200) + "-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        raiseHost(path, errno);
    struct Cleanup {
        QByteArray &temporary;
        int fd;
        ~Cleanup()
        {
            if (fd >= 0)
                ::close(fd);
            if (!temporary.isEmpty())
                ::unlink(temporary.constData());
        }
    } cleanup{temporary, fd};

    zip_file_t *in = zip_fopen_index(m_zip->za, m_index.at(i), 0);
    if (!in)
        raiseError(Err::PathFileAccess);
    std::vector<char> buffer(1 << 16);
    quint64 total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in, buffer.data(), buffer.size());
        if (n < 0) {
            zip_fclose(in);
            raiseError(Err::PathFileAccess); // damaged data or a wrong checksum
        }
        if (n == 0)
            break;
        for (zip_int64_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                const int err = errno;
                zip_fclose(in);
                raiseHost(path, err);
            }
            done += w;
        }
        total += quint64(n);
    }
    // A short entry fails its checksum in zip_fread; a closing error means the same.
    if (zip_fclose(in) != 0 || total != f.size)
        raiseError(Err::PathFileAccess);
    if (f.mode) {
        if (::fchmod(fd, mode_t(f.mode)) != 0)
            raiseHost(path, errno);
    } else {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    const struct timespec times[2] = {timespecOf(f.mtimeNs), timespecOf(f.mtimeNs)};
    if (::futimens(fd, times) != 0)
        raiseHost(path, errno);
    cleanup.fd = -1;
    if (::close(fd) != 0)
        raiseHost(path, errno);
    return target.place(temporary, path);
}

} // namespace restore
} // namespace qv
