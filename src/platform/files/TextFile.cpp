#include "platform/files/TextFile.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <cerrno>
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

QByteArray readAll(const QString &host)
{
    const QByteArray b = hostPathBytes(host);
    const int fd = ::open(b.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        hostfs::raise(host, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        raiseError(Err::PathFileAccess);
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
            hostfs::raise(host, err);
        }
        if (n == 0)
            break;
        data.append(buf, n);
    }
    ::close(fd);
    return data;
}

void appendBytes(const QString &host, const QByteArray &bytes)
{
    const QByteArray b = hostPathBytes(host);
    struct stat st;
    const bool existed = ::stat(b.constData(), &st) == 0;
    // The platform refuses to write into a read-only file.
    if (existed && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        raiseError(Err::PermissionDenied);
    const int fd = ::open(b.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        hostfs::raise(host, errno);
    if (!existed) {
        const qsizetype slash = host.lastIndexOf(u'/');
        hostcache::noteCreated(slash <= 0 ? QStringLiteral("/") : host.left(slash), host.mid(slash + 1));
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            hostfs::raise(host, err);
        }
        done += n;
    }
    if (::close(fd) != 0)
        hostfs::raise(host, errno);
}

// Appends text to the file at host in the file's own encoding, converting a
// Windows-1252 file to UTF-8 first when the text does not fit it.
void appendText(const QString &host, const QString &text)
{
    QByteArray head;
    struct stat st;
    const bool exists = ::stat(hostPathBytes(host).constData(), &st) == 0 && st.st_size > 0;
    if (!exists) {
        appendBytes(host, encodeCodePage(text));
        return;
    }
    const QByteArray old = readAll(host);
    if (old.startsWith(kBom)) {
        appendBytes(host, text.toUtf8());
    } else if (fitsWindows1252(text)) {
        appendBytes(host, encode1252(text));
    } else {
        if (!(st.st_mode & S_IWUSR))
            raiseError(Err::PermissionDenied);
        hostfs::writeAtomically(host, kBom + (decodeCodePage(old) + text).toUtf8());
    }
}

bool refused(const PlatformError &e)
{
    return e.number() == Err::PermissionDenied;
}

// Host path of the mirror copy (created folders included) for a write the program
// folder refused.
QString mirrorForWrite(const QString &mirror)
{
    makePath(WinPath(mirror).parent().text());
    return hostfs::toHostOrThrow(mirror);
}

bool hostExists(const QString &host)
{
    struct stat st;
    return ::lstat(hostPathBytes(host).constData(), &st) == 0;
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
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
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
    return fitsWindows1252(text) ? encode1252(text) : kBom + text.toUtf8();
}

QString readTextFile(const QString &path)
{
    return decodeCodePage(readAll(hostfs::readPath(path)));
}

void writeTextFile(const QString &path, const QString &text)
{
    const QByteArray bytes = encodeCodePage(text);
    const auto mirror = hostfs::virtualStoreMirror(path);
    if (mirror) {
        if (const auto m = DriveTable::current().toHost(*mirror); m && hostExists(*m)) {
            hostfs::writeAtomically(*m, bytes);
            return;
        }
    }
    try {
        hostfs::writeAtomically(hostfs::toHostOrThrow(path), bytes);
    } catch (const PlatformError &e) {
        if (!mirror || !refused(e))
            throw;
        hostfs::writeAtomically(mirrorForWrite(*mirror), bytes);
    }
}

void appendTextFile(const QString &path, const QString &text)
{
    const auto mirror = hostfs::virtualStoreMirror(path);
    if (mirror) {
        if (const auto m = DriveTable::current().toHost(*mirror); m && hostExists(*m)) {
            appendText(*m, text);
            return;
        }
    }
    const QString host = hostfs::toHostOrThrow(path);
    try {
        appendText(host, text);
    } catch (const PlatformError &e) {
        if (!mirror || !refused(e))
            throw;
        // The mirror starts as a copy of the program folder's file, as the
        // platform's virtualization copies a file on its first refused write.
        const QString m = mirrorForWrite(*mirror);
        if (hostExists(host))
            hostfs::writeAtomically(m, readAll(host));
        appendText(m, text);
    }
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
