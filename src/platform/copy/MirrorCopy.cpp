#include "platform/copy/MirrorCopy.h"

#include "platform/base/AccessList.h"
#include "platform/base/PlatformError.h"
#include "platform/copy/VerifyBackup.h"
#include "platform/copy/VersionStore.h"
#include "platform/files/FileSystem.h"
#include "platform/marks/ArchiveMarks.h"
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

namespace
{

// Files handed to the copy ahead at most: enough to keep its thread busy, few enough
// that a stop wastes little. Also how far a passed-over file is looked for.
constexpr qsizetype kAhead = 64;

// Empty when the drive is missing: the folders then cannot be made.
HostPath hostOf(const QString &windowsFolder)
{
    HostPath h = DriveTable::current().toHost(WinPath(windowsFolder)).value_or(HostPath());
    QByteArray b = h.bytes();
    if (b.size() < 2 || !b.endsWith('/'))
        return h;
    while (b.size() > 1 && b.endsWith('/'))
        b.chop(1);
    return HostPath(std::move(b));
}

// ".qvb-<name>-XXXXXX": the copy's own temporaries (see the copy's temporary file).
bool isOwnTemporary(const char *name)
{
    const size_t n = std::strlen(name);
    return n > 12 && std::strncmp(name, ".qvb-", 5) == 0 && name[n - 7] == '-';
}

bool before(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Removes what a killed run left behind: only our own pattern, and only files that
// were last changed before this run began (a run going on beside us is left alone).
void removeStaleTemporaries(const QByteArray &folder, const struct timespec &runStart)
{
    DIR *d = ::opendir(folder.constData());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        struct stat st;
        if (isOwnTemporary(e->d_name) && ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && before(st.st_ctim, runStart))
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

// The destination folder above the mirror, made as any folder is made.
bool makeHostFolders(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeHostFolders(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0777) == 0 || errno == EEXIST;
}

} // namespace

MirrorCopy::MirrorCopy(const QString &sourceRoot, const QString &mirrorRoot)
    : m_sourceRoot(hostOf(sourceRoot)), m_mirrorRoot(hostOf(mirrorRoot))
{
    ::clock_gettime(CLOCK_REALTIME, &m_start);
}

MirrorCopy::~MirrorCopy()
{
    m_ahead.reset();
    if (!m_lastPlaced.isEmpty())
        forgetReadIdentity(m_lastPlaced);
    // Deepest last is fine: a folder's time changes only when entries come or go.
    for (const Folder &f : m_folders) {
        // Through descriptors: each path is walked once, however deep the folder.
        bool readable = true;
        int from = ::open(f.source.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (from < 0) {
            readable = false;
            from = ::open(f.source.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        const int to =
            from < 0 ? -1 : ::open(f.mirror.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (to >= 0 && ::fstat(from, &st) == 0) {
            const bool owned =
                ::geteuid() == 0 ? ::fchown(to, st.st_uid, st.st_gid) == 0 : st.st_uid == ::geteuid();
            // The folder's access lists where the mirror can hold them; where not, a
            // mode that grants no more than they did.
            const unsigned mode = st.st_mode & 07777;
            ::fchmod(to, readable ? acl::narrowedModeOf(from, mode)
                                  : acl::narrowedModeAt(f.source.constData(), mode));
            if (owned && readable)
                acl::copyAttributes(from, to);
            const struct timespec times[2] = {st.st_atim, st.st_mtim};
            ::futimens(to, times);
        }
        if (to >= 0)
            ::close(to);
        if (from >= 0)
            ::close(from);
    }
}

QString MirrorCopy::relativeHost(const QString &sourceFile) const
{
    const QString host = hostfs::toHostOrThrow(sourceFile).text();
    const QString &root = m_sourceRoot.text();
    const QString prefix = root == u"/" ? root : root + u'/';
    if (m_sourceRoot.isEmpty() || m_mirrorRoot.isEmpty() || !host.startsWith(prefix))
        raiseError(Err::PathNotFound);
    return host.mid(prefix.size());
}

bool MirrorCopy::makeFolders(const QString &sourceFile)
{
    if (m_mirrorRoot.isEmpty())
        return false;
    // Made when the file was handed to the thread copying ahead.
    if (m_ahead && m_next < m_pushed && sourceAt(m_next) == sourceFile)
        return true;
    const QStringView windowsFolder = QStringView(sourceFile).chopped(WinPath::fileNameOf(sourceFile).size());
    if (!m_lastFolderMade.isEmpty() && windowsFolder == m_lastFolderMade)
        return true;
    QString relative;
    try {
        relative = relativeHost(sourceFile);
    } catch (const PlatformError &) {
        return false;
    }
    const qsizetype last = relative.lastIndexOf(u'/');
    const QString folder = last < 0 ? QString() : relative.left(last);
    if (m_ready.contains(folder))
        return true;

    // The folders from the mirror's root down, each made or checked once per run.
    QStringList needed;
    for (QString f = folder;; f = f.left(std::max<qsizetype>(f.lastIndexOf(u'/'), 0))) {
        if (m_ready.contains(f))
            break;
        needed.prepend(f);
        if (f.isEmpty())
            break;
    }
    for (const QString &f : std::as_const(needed)) {
        const QByteArray mirror = (m_mirrorRoot / f).bytes();
        if (f.isEmpty() && !makeHostFolders(mirror.left(std::max<qsizetype>(mirror.lastIndexOf('/'), 1))))
            return false;
        bool made = ::mkdir(mirror.constData(), 0700) == 0;
        if (!made) {
            struct stat st;
            if (errno != EEXIST || ::lstat(mirror.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                return false;
            // Our own folder, made read-only by its source's bits last time.
            if ((st.st_mode & 0300) != 0300)
                ::chmod(mirror.constData(), (st.st_mode & 07777) | 0300);
            removeStaleTemporaries(mirror, m_start);
        }
        if (made) {
            hostcache::noteCreated(HostPath(mirror));
            m_madeNow.insert(mirror);
        }
        m_folders.push_back({(m_sourceRoot / f).bytes(), mirror});
        m_ready.insert(f);
    }
    m_lastFolderMade = windowsFolder.toString();
    return true;
}

bool MirrorCopy::rootNameTooLong() const
{
    const QByteArray &root = m_mirrorRoot.bytes();
    return root.size() - root.lastIndexOf('/') - 1 > NAME_MAX;
}

bool MirrorCopy::tooLong(const QString &sourceFile) const
{
    try {
        const Hosts h = hostsOf(sourceFile);
        // The copy's temporary is named a few bytes longer than the copy.
        constexpr qsizetype kTemporaryExtra = 12;
        if (h.read.bytes().size() >= PATH_MAX || h.mirror.bytes().size() + kTemporaryExtra >= PATH_MAX)
            return true;
        qsizetype start = 0;
        for (qsizetype slash; (slash = h.mirror.bytes().indexOf('/', start)) >= 0; start = slash + 1)
            if (slash - start > NAME_MAX)
                return true;
        if (h.mirror.bytes().size() - start > NAME_MAX)
            return true;
    } catch (const PlatformError &) {
    }
    return false;
}

MirrorCopy::Hosts MirrorCopy::hostsOf(const QString &sourceFile) const
{
    const QString relative = relativeHost(sourceFile);
    return {m_sourceRoot / relative, m_mirrorRoot / relative};
}

MirrorCopy::Hosts MirrorCopy::hostsOf(qsizetype k, const QString &sourceFile) const
{
    if (m_hostAt) {
        // Below the root as found; a file reached some other way is looked up as named.
        QByteArray read = m_hostAt(k);
        const QByteArray &root = m_sourceRoot.bytes();
        const qsizetype start = root == "/" ? 1 : root.size() + 1;
        if (read.size() > start && read.startsWith(root) && read[start - 1] == '/') {
            const QByteArrayView relative = QByteArrayView(read).sliced(start);
            HostPath mirror = m_mirrorRoot / relative;
            return {HostPath(std::move(read)), std::move(mirror)};
        }
    }
    return hostsOf(sourceFile);
}

void MirrorCopy::copyAhead(qsizetype count, PathAt sourceAt, DestinationOf destinationOf, HostAt hostAt)
{
    m_count = count;
    m_sourceAt = std::move(sourceAt);
    m_destinationOf = std::move(destinationOf);
    m_window.clear();
    m_windowFirst = 0;
    if (m_sourceRoot.isEmpty() || m_mirrorRoot.isEmpty())
        return;
    m_hostAt = std::move(hostAt);
    m_next = m_pushed = 0;
    m_ahead = std::make_unique<CopyAhead>(hostfs::copyFaultHook());
    m_rowsInView = std::make_unique<marks::RowsInView>(m_sourceRoot);
}

void MirrorCopy::pushAhead()
{
    while (m_pushed < m_count && m_pushed < m_next + kAhead) {
        const QString source = sourceAt(m_pushed);
        // A file whose folder or host path fails is left for copy() to meet in turn.
        if (!makeFolders(source))
            return;
        try {
            const Hosts h = hostsOf(m_pushed, source);
            m_ahead->push(h.read, h.mirror, destinationAt(m_pushed));
        } catch (const PlatformError &) {
            return;
        }
        ++m_pushed;
    }
}

MirrorCopy::Paths &MirrorCopy::pathsAt(qsizetype k)
{
    // The files before the one at hand are not asked for again.
    const qsizetype first = m_ahead ? std::min(k, m_next) : k;
    while (!m_window.empty() && m_windowFirst < first) {
        m_window.pop_front();
        ++m_windowFirst;
    }
    const qsizetype end = m_windowFirst + qsizetype(m_window.size());
    if (m_window.empty() || k < m_windowFirst || k > end + kAhead) {
        m_window.clear();
        m_windowFirst = k;
    }
    while (m_windowFirst + qsizetype(m_window.size()) <= k)
        m_window.push_back({m_sourceAt(m_windowFirst + qsizetype(m_window.size())), QString()});
    return m_window[std::size_t(k - m_windowFirst)];
}

QString MirrorCopy::sourceAt(qsizetype k)
{
    return pathsAt(k).source;
}

QString MirrorCopy::destinationAt(qsizetype k)
{
    Paths &p = pathsAt(k);
    if (p.destination.isNull())
        p.destination = m_destinationOf(p.source);
    return p.destination;
}

// Files the caller passed over before they were handed ahead (their folders could not
// be made): the copy ahead goes on from the one asked for.
void MirrorCopy::passOver(const QString &sourceFile)
{
    if (!m_ahead || m_next != m_pushed)
        return;
    for (qsizetype k = m_next; k < m_count && k < m_next + kAhead; ++k)
        if (pathsAt(k).source == sourceFile) {
            m_next = m_pushed = k;
            return;
        }
}

Result<quint32> MirrorCopy::attributes(const QString &sourceFile)
{
    passOver(sourceFile);
    if (m_ahead && m_next < m_count && sourceAt(m_next) == sourceFile) {
        pushAhead();
        if (m_pushed > m_next)
            if (const hostfs::WrittenCopy *read = m_ahead->front())
                return hostfs::attributesAsRead(sourceFile, *read);
    }
    return fileAttributes(sourceFile);
}

Result<void> MirrorCopy::copy(const QString &sourceFile, const QString &destination)
{
    return caught([&] { copyOrThrow(sourceFile, destination); });
}

void MirrorCopy::copyOrThrow(const QString &sourceFile, const QString &destination)
{
    passOver(sourceFile);
    if (m_ahead && m_next < m_count && sourceAt(m_next) == sourceFile) {
        const qsizetype i = m_next++;
        if (m_pushed > i) {
            pushAhead();
            hostfs::WrittenCopy written;
            try {
                written = m_ahead->take();
            } catch (const PlatformError &) {
                // What was written after a failure may fail alike (a full disk): the
                // files ahead are written again when their turn comes.
                m_ahead->discard();
                m_pushed = m_next;
                throw;
            }
            // Copies are put in place folder by folder: one descriptor at a time.
            const char *name;
            place(written, m_placeFolder.of(written.temporary, name));
            return;
        }
        m_pushed = m_next;
        pushAhead();
    }
    const Hosts h = hostsOf(sourceFile);
    hostfs::WrittenCopy written =
        hostfs::writeCopy(h.read, h.mirror, destination, hostfs::copyFaultHook(), {});
    place(written, AT_FDCWD);
}

void MirrorCopy::keepVersionsIn(const QString &versionsFolder)
{
    m_versions = hostOf(versionsFolder);
}

void MirrorCopy::place(hostfs::WrittenCopy &written, int folder)
{
    QByteArray version;
    versions::Kept kept = versions::Kept::No;
    const QByteArray &target = written.target.bytes();
    const QByteArray &root = m_mirrorRoot.bytes();
    const qsizetype slash = target.lastIndexOf('/');
    if (!m_versions.isEmpty() && slash >= root.size() && target.startsWith(root) &&
        target[root.size()] == '/' &&
        !m_madeNow.contains(QByteArray::fromRawData(target.constData(), slash))) {
        version = m_versions.bytes() + target.mid(m_mirrorRoot.bytes().size());
        kept = versions::keepOldCopy(target, version, written.before.size, written.before.mtimeNs, folder);
    }
    try {
        hostfs::placeCopy(written, folder);
    } catch (const PlatformError &) {
        if (kept == versions::Kept::Moved)
            ::rename(version.constData(), target.constData()); // the mirror keeps its copy
        throw;
    }
    if (kept != versions::Kept::No)
        ++m_versionsKept;
    // The engine has marked the last file by now, or left its mark as it was: a note
    // left behind for each of a million files would hold hundreds of megabytes.
    if (!m_lastPlaced.isEmpty() && m_lastPlaced != written.source)
        forgetReadIdentity(m_lastPlaced);
    m_lastPlaced = written.source;
}

Result<bool> MirrorCopy::readBackMatches(const QString &sourceFile)
{
    return caught([&] {
        const Hosts h = hostsOf(sourceFile);
        return verify::sameContent(h.read.bytes(), h.mirror.bytes(), true) == verify::Same::Yes;
    });
}

} // namespace qv
