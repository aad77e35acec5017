#include "platform/files/TextFile.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

// 0x80..0x9F of Windows-1252. The five unassigned bytes map to the C1 controls of
// the same value, as the platform's own conversion does.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray kBom("\xEF\xBB\xBF", 3);
const QString kCrLfText = QStringLiteral("\r\n");

int byteFor(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

QByteArray encode1252(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    for (QChar c : text)
        *d++ = char(byteFor(c));
    return out;
}

Result<QByteArray> readAll(const HostPath &host)
{
    // Not blocking: a FIFO put in a file's place must be refused, not waited on.
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return hostfs::failure(host, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return HostError{Err::PathFileAccess, 0};
    }
    QByteArray data;
    data.reserve(qsizetype(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return hostfs::failure(host, err);
        }
        if (n == 0)
            break;
        data.append(buf, n);
    }
    ::close(fd);
    return data;
}

// Writes all of bytes to fd and closes it.
Result<void> writeAndClose(const HostPath &host, int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return hostfs::failure(host, err);
        }
        done += n;
    }
    if (::close(fd) != 0)
        return hostfs::failure(host, errno);
    return {};
}

Result<void> appendBytes(const HostPath &host, const QByteArray &bytes)
{
    struct stat st;
    const bool existed = ::stat(host.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode))
        return HostError{Err::PathFileAccess, 0};
    // The platform refuses to write into a read-only file.
    if (existed && !(st.st_mode & S_IWUSR))
        return HostError{Err::PermissionDenied, 0};
    const int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return hostfs::failure(host, errno);
    if (!existed)
        hostcache::noteCreated(host);
    return writeAndClose(host, fd, bytes);
}

// The file a rewrite replaces: links followed to their end (a missing end is made).
Result<HostPath> throughLinks(HostPath host)
{
    for (int hops = 0; hops < 40; ++hops) {
        const QByteArray b = host.bytes();
        struct stat st;
        if (::lstat(b.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return host;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(b.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return hostfs::failure(host, errno);
        target.truncate(n);
        if (!target.startsWith('/'))
            target = b.left(b.lastIndexOf('/') + 1) + target;
        host = HostPath(target);
    }
    return HostError{Err::PathFileAccess, ELOOP}; // a loop of links
}

Result<void> writeInPlace(const HostPath &host, const QByteArray &bytes)
{
    const int fd = ::open(host.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return hostfs::failure(host, errno);
    return writeAndClose(host, fd, bytes);
}

// Replaces the file's content, keeping what kind of file it is, its mode and owner.
// Not QSaveFile: its rename parts a file from its other names and gives it the writer's owner.
Result<void> rewrite(const HostPath &host, const QByteArray &bytes)
{
    const Result<HostPath> resolved = throughLinks(host);
    if (!resolved)
        return resolved.error();
    const HostPath &target = resolved.value();
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0)
        return hostfs::writeAtomically(target, bytes);
    if (!S_ISREG(st.st_mode))
        return HostError{Err::PathFileAccess, 0};
    if (!(st.st_mode & S_IWUSR))
        return HostError{Err::PermissionDenied, 0};
    const bool root = ::geteuid() == 0;
    const bool sameOwner = st.st_uid == ::geteuid() && st.st_gid == ::getegid();
    // A rename would part a file's other names from it, or give it our owner.
    if (st.st_nlink > 1 || (!sameOwner && !root))
        return writeInPlace(target, bytes);
    if (auto r = hostfs::writeAtomically(target, bytes); !r)
        return r;
    if (!sameOwner && ::chown(target.c_str(), st.st_uid, st.st_gid) != 0)
        return hostfs::failure(target, errno);
    return {};
}

bool endsLine(const QByteArray &bytes)
{
    return bytes.endsWith('\n') || bytes.endsWith('\r');
}

// Appends text to the file at host in the file's own encoding, converting a
// Windows-1252 file to UTF-8 first when the text does not fit it. A last line
// without a line end is ended first: the text must not join it.
Result<void> appendText(const HostPath &host, QString text)
{
    struct stat st;
    const bool exists = ::stat(host.c_str(), &st) == 0 && st.st_size > 0;
    if (!exists)
        return appendBytes(host, encodeCodePage(text));
    const Result<QByteArray> read = readAll(host);
    if (!read)
        return read.error();
    const QByteArray &old = read.value();
    const bool utf8 = old.startsWith(kBom);
    if (old.size() > (utf8 ? kBom.size() : 0) && !endsLine(old))
        text.prepend(kCrLfText);
    if (utf8)
        return appendBytes(host, hostPathBytes(text));
    if (fitsWindows1252(text))
        return appendBytes(host, encode1252(text));
    return rewrite(host, kBom + hostPathBytes(decodeCodePage(old) + text));
}

} // namespace

bool fitsWindows1252(const QString &text)
{
    for (QChar c : text)
        if (byteFor(c) < 0)
            return false;
    return true;
}

QString decodeCodePage(const QByteArray &bytes)
{
    if (bytes.startsWith(kBom))
        return hostPathFromBytes(bytes.constData() + 3, bytes.size() - 3);
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *d++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray encodeCodePage(const QString &text)
{
    if (fitsWindows1252(text)) {
        QByteArray bytes = encode1252(text);
        // Text that begins as the BOM's three characters would read back as UTF-8.
        if (!bytes.startsWith(kBom))
            return bytes;
    }
    return kBom + hostPathBytes(text);
}

Result<QString> readTextFile(const QString &path)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    const Result<QByteArray> bytes = readAll(host.value());
    if (!bytes)
        return bytes.error();
    return decodeCodePage(bytes.value());
}

Result<void> writeTextFile(const QString &path, const QString &text)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    return rewrite(host.value(), encodeCodePage(text));
}

Result<void> appendTextFile(const QString &path, const QString &text)
{
    const Result<HostPath> host = hostfs::hostOf(path);
    if (!host)
        return host.error();
    return appendText(host.value(), text);
}

// ---------------------------------------------------------------------------------

FieldReader::FieldReader(QString text) : m_text(std::move(text)) {}

namespace
{
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}
} // namespace

std::optional<QString> fieldText(const QString &field)
{
    // Bytes the UTF-8 writer would change (a lone surrogate, a carried byte that
    // joins its neighbours into a character) cannot be kept.
    if (!fitsWindows1252(field) && hostPathFromBytes(hostPathBytes(field)) != field)
        return std::nullopt;
    if (!field.contains(u'"'))
        return u'"' + field + u'"';
    const QChar first = field.front(), last = field.back();
    if (first == u'"' || first == u',' || isBlank(first) || isBlank(last))
        return std::nullopt;
    for (QChar c : field)
        if (c == u',' || isLineEnd(c))
            return std::nullopt;
    return field;
}

bool FieldReader::atEnd() const
{
    for (qsizetype i = m_pos; i < m_text.size(); ++i)
        if (!isBlank(m_text.at(i)) && !isLineEnd(m_text.at(i)))
            return false;
    return true;
}

QString FieldReader::next()
{
    const qsizetype n = m_text.size();
    const QChar *t = m_text.constData();
    qsizetype p = m_pos;
    while (p < n && (isBlank(t[p]) || isLineEnd(t[p])))
        ++p;
    if (p >= n) {
        m_pos = n;
        raiseError(Err::InputPastEnd);
    }
    QString field;
    qsizetype stop; // where the separator search starts
    if (t[p] == u'"') {
        qsizetype close = m_text.indexOf(u'"', p + 1);
        if (close < 0)
            close = n;
        field = m_text.mid(p + 1, close - p - 1);
        stop = close + 1;
    } else {
        stop = p;
        while (stop < n && t[stop] != u',' && !isLineEnd(t[stop]))
            ++stop;
        field = m_text.mid(p, stop - p);
        qsizetype end = field.size();
        while (end > 0 && isBlank(field.at(end - 1)))
            --end;
        field.truncate(end);
    }
    // Skip to the separator and past it (a CR LF pair counts as one line end).
    while (stop < n && t[stop] != u',' && !isLineEnd(t[stop]))
        ++stop;
    if (stop < n) {
        if (t[stop] == u'\r' && stop + 1 < n && t[stop + 1] == u'\n')
            ++stop;
        ++stop;
    }
    m_pos = std::min(stop, n);
    return field;
}

} // namespace qv
