#include "platform/paths/DriveTable.h"
#include "platform/paths/FoundFolders.h"

#include "platform/paths/MountTable.h"
#include "platform/paths/WinPath.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

// ---------------------------------------------------------------------------------
// Host name bytes <-> QString

namespace
{

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Length of the valid UTF-8 sequence at p (0 when invalid), code point in *cp.
int utf8Sequence(const unsigned char *p, qsizetype left, char32_t *cp)
{
    const unsigned char b = p[0];
    int n;
    char32_t c, min;
    if (b < 0xC2 || b > 0xF4)
        return 0;
    if (b < 0xE0) {
        n = 2, c = b & 0x1F, min = 0x80;
    } else if (b < 0xF0) {
        n = 3, c = b & 0x0F, min = 0x800;
    } else {
        n = 4, c = b & 0x07, min = 0x10000;
    }
    if (left < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *cp = c;
    return n;
}

} // namespace

QString hostPathFromBytes(const char *bytes, qsizetype length)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < length && p[i] < 0x80)
        ++i;
    if (i == length)
        return QString::fromLatin1(bytes, length);
    QString out = QString::fromLatin1(bytes, i);
    out.reserve(length);
    while (i < length) {
        if (p[i] < 0x80) {
            out.append(QChar(p[i]));
            ++i;
            continue;
        }
        char32_t cp;
        const int n = utf8Sequence(p + i, length - i, &cp);
        if (n == 0) {
            out.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar::highSurrogate(cp));
            out.append(QChar::lowSurrogate(cp));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += n;
    }
    return out;
}

bool hostCanCarry(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u == 0)
            return false;
        if (!QChar::isSurrogate(u))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate())
            ++i;
        else if (u < 0xDC80 || u > 0xDCFF)
            return false;
    }
    return true;
}

QByteArray hostPathBytes(const QString &hostPath)
{
    const QChar *d = hostPath.constData();
    const qsizetype n = hostPath.size();
    bool plain = true;
    for (qsizetype i = 0; i < n && plain; ++i)
        plain = !d[i].isSurrogate();
    if (plain)
        return hostPath.toUtf8();
    QByteArray out;
    out.reserve(n * 3);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = d[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && d[i + 1].isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(u, d[i + 1].unicode()));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.append(char(u - 0xDC00));
        } else if (QChar::isSurrogate(u)) {
            out.append('?');
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------
// Case-insensitive lookup of names, one index per searched folder

namespace
{

struct FolderIndex {
    struct timespec mtime {
    };
    ino_t inode = 0;
    // Read while the folder's time was still within a clock tick: a change made in the
    // same tick would not move the time, so read again on the next lookup.
    bool recheck = false;
    QHash<QString, QString> byFolded; // first name in directory order per folded name
};

QMutex g_indexMutex;
QHash<QByteArray, FolderIndex> g_indexes;
constexpr int kMaxIndexes = 256;

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::optional<QString> lookupFolded(const QByteArray &dir, const QString &name)
{
    struct stat st;
    if (::stat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    QMutexLocker lock(&g_indexMutex);
    auto it = g_indexes.find(dir);
    if (it == g_indexes.end() || it->recheck || !sameTime(it->mtime, st.st_mtim) || it->inode != st.st_ino) {
        DIR *dp = ::opendir(dir.constData());
        if (!dp)
            return std::nullopt;
        FolderIndex idx;
        idx.mtime = st.st_mtim;
        idx.inode = st.st_ino;
        struct timespec now;
        ::clock_gettime(CLOCK_REALTIME, &now);
        const long long ageNs =
            (now.tv_sec - st.st_mtim.tv_sec) * 1000000000LL + (now.tv_nsec - st.st_mtim.tv_nsec);
        idx.recheck = ageNs < 50000000LL;
        while (const dirent *e = ::readdir(dp)) {
            const char *n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            const QString decoded = hostPathFromBytes(n, qsizetype(strlen(n)));
            const QString folded = decoded.toCaseFolded();
            if (!idx.byFolded.contains(folded))
                idx.byFolded.insert(folded, decoded);
        }
        ::closedir(dp);
        if (g_indexes.size() >= kMaxIndexes)
            g_indexes.clear();
        it = g_indexes.emplace(dir, std::move(idx));
    }
    const auto found = it->byFolded.constFind(name.toCaseFolded());
    if (found == it->byFolded.cend())
        return std::nullopt;
    return *found;
}

} // namespace

namespace hostcache
{

void noteCreated(const HostPath &created)
{
    const QByteArray dir = created.parent().bytes();
    const QByteArray &path = created.bytes();
    const QString name = hostPathFromBytes(path.mid(path.lastIndexOf('/') + 1));
    QMutexLocker lock(&g_indexMutex);
    auto it = g_indexes.find(dir);
    if (it == g_indexes.end())
        return;
    struct stat st;
    if (::stat(dir.constData(), &st) != 0) {
        g_indexes.erase(it);
        return;
    }
    const QString folded = name.toCaseFolded();
    if (!it->byFolded.contains(folded))
        it->byFolded.insert(folded, name);
    it->mtime = st.st_mtim;
    it->recheck = false;
}

void forget(const HostPath &folder)
{
    QMutexLocker lock(&g_indexMutex);
    g_indexes.remove(folder.bytes());
}

} // namespace hostcache

// ---------------------------------------------------------------------------------
// The table

const Drive *DriveTable::drive(QChar letter) const
{
    const QChar l = letter.toUpper();
    for (const Drive &d : m_drives)
        if (d.letter == l)
            return &d;
    return nullptr;
}

namespace
{

QString trimHostDir(QString dir)
{
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    return dir;
}

void sortByLetter(std::vector<Drive> &drives)
{
    std::sort(drives.begin(), drives.end(),
              [](const Drive &a, const Drive &b) { return a.letter < b.letter; });
}

} // namespace

DriveTable DriveTable::parse(const QString &spec)
{
    DriveTable t;
    for (const QString &item : spec.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        const QString letterText = item.left(eq).trimmed();
        if (eq < 0 || letterText.size() != 1 || !letterText.at(0).isLetter() ||
            letterText.at(0).unicode() > 127)
            continue;
        const QStringList parts = item.mid(eq + 1).split(u':');
        Drive d;
        d.letter = letterText.at(0).toUpper();
        const QString dir = trimHostDir(parts.value(0));
        if (dir.isEmpty() || !hostCanCarry(dir))
            continue;
        d.hostDir = HostPath::fromText(dir);
        bool ok = false;
        const int type = parts.value(1).toInt(&ok);
        d.type = ok && type >= 0 && type <= 6 ? DriveType(type) : DriveType::Fixed;
        d.label = parts.value(2);
        // The share is the rest: a share name may itself hold a colon.
        d.share = parts.size() > 3 ? parts.mid(3).join(u':') : QString();
        if (t.drive(d.letter))
            continue;
        t.m_drives.push_back(std::move(d));
    }
    sortByLetter(t.m_drives);
    return t;
}

std::optional<HostPath> DriveTable::toHost(const WinPath &windowsPath) const
{
    if (auto text = hostText(windowsPath.text()))
        return HostPath::fromText(*text);
    return std::nullopt;
}

std::optional<QString> DriveTable::hostText(const QString &windowsPath) const
{
    if (windowsPath.size() < 2 || windowsPath.at(1) != u':' || !hostCanCarry(windowsPath))
        return std::nullopt;
    const Drive *d = drive(windowsPath.at(0));
    if (!d || !d->mounted || d->hostDir.isEmpty())
        return std::nullopt;
    // A file the scan found is where the scan found it, name for name.
    if (auto found = foundHostPath(windowsPath, d->hostDir))
        return found;

    const QString &driveDir = d->hostDir.text();
    const QStringList comps = WinPath(windowsPath).resolvedNames();
    if (comps.isEmpty())
        return driveDir;

    const QString base = driveDir == QStringLiteral("/") ? QString() : driveDir;
    const auto join = [&](qsizetype count) {
        QString p = base;
        for (qsizetype i = 0; i < count; ++i)
            p += u'/' + comps.at(i);
        return count == 0 && p.isEmpty() ? QStringLiteral("/") : p;
    };

    struct stat st;
    const QString whole = join(comps.size());
    if (::lstat(hostPathBytes(whole).constData(), &st) == 0)
        return whole;

    // Longest prefix that exists exactly as written.
    qsizetype k = comps.size() - 1;
    QString resolved;
    for (; k > 0; --k) {
        resolved = join(k);
        if (::lstat(hostPathBytes(resolved).constData(), &st) == 0)
            break;
    }
    if (k == 0)
        resolved = join(0);

    for (qsizetype i = k; i < comps.size(); ++i) {
        const QString dirPart = resolved == QStringLiteral("/") ? QString() : resolved;
        if (i > k) {
            const QString exact = dirPart + u'/' + comps.at(i);
            if (::lstat(hostPathBytes(exact).constData(), &st) == 0) {
                resolved = exact;
                continue;
            }
        }
        const auto found = lookupFolded(hostPathBytes(resolved), comps.at(i));
        if (!found) {
            resolved = dirPart;
            for (qsizetype j = i; j < comps.size(); ++j)
                resolved += u'/' + comps.at(j);
            return resolved;
        }
        resolved = dirPart + u'/' + *found;
    }
    return resolved;
}

std::optional<WinPath> DriveTable::toWindows(const HostPath &hostPath) const
{
    if (!hostPath.text().startsWith(u'/'))
        return std::nullopt;
    const QString path = QDir::cleanPath(hostPath.text());
    const Drive *best = nullptr;
    for (const Drive &d : m_drives) {
        if (!d.mounted || d.hostDir.isEmpty())
            continue;
        const QString &dir = d.hostDir.text();
        const bool under = dir == QStringLiteral("/") || path == dir ||
                           (path.startsWith(dir) && path.at(dir.size()) == u'/');
        if (under && (!best || dir.size() > best->hostDir.text().size()))
            best = &d;
    }
    if (!best)
        return std::nullopt;
    const QString &bestDir = best->hostDir.text();
    QString rest = bestDir == QStringLiteral("/") ? path.mid(1) : path.mid(bestDir.size() + 1);
    if (rest.contains(u'\\'))
        return std::nullopt;
    rest.replace(u'/', u'\\');
    return WinPath(WinPath::driveRootOf(best->letter) + rest);
}

// ---------------------------------------------------------------------------------
// The default table: the root plus mounted volumes, with letters that stay

namespace
{

bool isVolumeMount(const QString &mp)
{
    return mp.startsWith(QStringLiteral("/media/")) || mp.startsWith(QStringLiteral("/run/media/")) ||
           mp == QStringLiteral("/mnt") || mp.startsWith(QStringLiteral("/mnt/"));
}

QByteArray readSmallFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool isRemovableDevice(int major, int minor)
{
    const QString dev = QStringLiteral("/sys/dev/block/%1:%2").arg(major).arg(minor);
    QByteArray flag = readSmallFile(dev + "/removable").trimmed();
    if (flag.isEmpty()) // a partition: the flag sits on the whole disk
        flag = readSmallFile(dev + "/../removable").trimmed();
    return flag == "1";
}

DriveType typeOf(const MountInfo &m)
{
    const QString &fs = m.fsType;
    static const QStringList network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "9p", "ceph", "afs"};
    if (network.contains(fs) || fs.startsWith(QStringLiteral("fuse.")))
        return DriveType::Network;
    if (fs == QStringLiteral("iso9660") || fs == QStringLiteral("udf"))
        return DriveType::CdRom;
    if (fs == QStringLiteral("tmpfs") || fs == QStringLiteral("ramfs"))
        return DriveType::RamDisk;
    if (m.major != 0 && isRemovableDevice(m.major, m.minor))
        return DriveType::Removable;
    return DriveType::Fixed;
}

QString shareName(const MountInfo &m)
{
    QString s = m.source;
    if (s.startsWith(QStringLiteral("//"))) { // cifs: //server/share
        s.replace(u'/', u'\\');
        return s;
    }
    const qsizetype colon = s.indexOf(u':'); // nfs: server:/path
    if (colon > 0 && m.fsType.startsWith(QStringLiteral("nfs"))) {
        QString path = s.mid(colon + 1);
        path.replace(u'/', u'\\');
        return (WinPath(QStringLiteral("\\\\") + s.left(colon)) / path).text();
    }
    return {};
}

QString settingsKey(const QString &volumeKey)
{
    return QStringLiteral("volumes/") + QString::fromLatin1(volumeKey.toUtf8().toPercentEncoding());
}

DriveTable buildDefaultTable(const QByteArray &mountInfoText)
{
    const std::vector<MountInfo> mounts = parseMountInfo(mountInfoText);
    const QHash<QString, QString> labels = diskNames(QStringLiteral("/dev/disk/by-label"));
    const QHash<QString, QString> uuids = diskNames(QStringLiteral("/dev/disk/by-uuid"));
    const auto canonical = [](const QString &source) {
        const QString c = QFileInfo(source).canonicalFilePath();
        return c.isEmpty() ? source : c;
    };

    QString spec;
    QString rootLabel;
    for (const MountInfo &m : mounts)
        if (m.mountPoint == QStringLiteral("/"))
            rootLabel = labels.value(canonical(m.source));

    std::vector<Drive> drives;
    Drive c;
    c.letter = u'C';
    c.hostDir = HostPath(QByteArrayLiteral("/"));
    c.type = DriveType::Fixed;
    c.label = rootLabel;
    drives.push_back(c);

    QSettings store(QStringLiteral("qvbackup"), QStringLiteral("drives"));
    QHash<QString, QChar> remembered; // settings key -> letter
    QHash<QString, QString> rememberedLabel;
    store.beginGroup(QStringLiteral("volumes"));
    for (const QString &k : store.childKeys()) {
        const QString v = store.value(k).toString();
        // Only A to Z are drive letters, whatever the file says.
        const char16_t l = v.isEmpty() ? 0 : v.at(0).unicode();
        if ((l >= u'A' && l <= u'Z') || (l >= u'a' && l <= u'z')) {
            remembered.insert(QStringLiteral("volumes/") + k, v.at(0).toUpper());
            rememberedLabel.insert(QStringLiteral("volumes/") + k, v.mid(2));
        }
    }
    store.endGroup();

    QSet<QChar> used{u'C'};
    QSet<QChar> reserved;
    for (QChar l : std::as_const(remembered))
        reserved.insert(l);
    QSet<QString> seenKeys;

    for (const MountInfo &m : mounts) {
        if (!isVolumeMount(m.mountPoint))
            continue;
        Drive d;
        d.hostDir = HostPath::fromText(trimHostDir(m.mountPoint));
        d.type = typeOf(m);
        const QString dev = canonical(m.source);
        d.label = labels.value(dev);
        d.share = d.type == DriveType::Network ? shareName(m) : QString();
        const QString uuid = uuids.value(dev);
        const QString volumeKey = !uuid.isEmpty()      ? QStringLiteral("uuid:") + uuid
                                  : !d.label.isEmpty() ? QStringLiteral("label:") + d.label
                                                       : QStringLiteral("mount:") + d.hostDir.text();
        const QString key = settingsKey(volumeKey);
        if (seenKeys.contains(key))
            continue;
        seenKeys.insert(key);
        QChar letter = remembered.value(key);
        if (letter.isNull() || used.contains(letter)) {
            letter = QChar();
            for (char16_t l = u'D'; l <= u'Z'; ++l) {
                if (!used.contains(QChar(l)) && !reserved.contains(QChar(l))) {
                    letter = QChar(l);
                    break;
                }
            }
            if (letter.isNull())
                continue;
            reserved.insert(letter);
            store.setValue(key, QString(letter) + u':' + d.label);
        }
        d.letter = letter;
        used.insert(letter);
        drives.push_back(std::move(d));
    }

    // A volume that is away keeps its letter.
    for (auto it = remembered.cbegin(); it != remembered.cend(); ++it) {
        if (seenKeys.contains(it.key()) || used.contains(it.value()))
            continue;
        Drive d;
        d.letter = it.value();
        d.type = DriveType::NoRoot;
        d.label = rememberedLabel.value(it.key());
        d.mounted = false;
        used.insert(d.letter);
        drives.push_back(std::move(d));
    }
    store.sync();

    return DriveTable::fromDrives(std::move(drives));
}

} // namespace

DriveTable DriveTable::fromMountInfo(const QByteArray &mountInfo)
{
    return buildDefaultTable(mountInfo);
}

DriveTable DriveTable::fromDrives(std::vector<Drive> drives)
{
    DriveTable t;
    t.m_drives = std::move(drives);
    sortByLetter(t.m_drives);
    return t;
}

const DriveTable &DriveTable::current()
{
    static QMutex mutex;
    // Tables handed out stay alive: a caller may still hold one when the
    // environment changes under it (tests switch tables between cases).
    static std::vector<std::unique_ptr<DriveTable>> tables;
    static QByteArray lastSpec;
    static bool lastWasDefault = false;
    static QByteArray lastMountInfo;
    static QDeadlineTimer recheck;

    QMutexLocker lock(&mutex);
    // Asked several times for every file a copy takes: no copy of the variable.
    const char *env = std::getenv("QVBACKUP_DRIVES");
    const QByteArrayView spec(env ? env : "");
    if (!spec.isEmpty()) {
        if (tables.empty() || lastWasDefault || spec != lastSpec) {
            lastSpec = spec.toByteArray();
            tables.push_back(std::make_unique<DriveTable>(parse(hostPathFromBytes(lastSpec))));
            lastWasDefault = false;
        }
        return *tables.back();
    }
    // Mounts come and go; look again at most every two seconds.
    if (!tables.empty() && lastWasDefault && !recheck.hasExpired())
        return *tables.back();
    const QByteArray mountInfo = readSmallFile(QStringLiteral("/proc/self/mountinfo"));
    if (tables.empty() || !lastWasDefault || mountInfo != lastMountInfo) {
        tables.push_back(std::make_unique<DriveTable>(fromMountInfo(mountInfo)));
        lastMountInfo = mountInfo;
        lastWasDefault = true;
    }
    recheck.setRemainingTime(2000);
    return *tables.back();
}

QString programFolder()
{
    // Every file path a copy reads is checked against it: keep the answer while the
    // variable and the drive table stay as they were.
    static QMutex mutex;
    static std::string lastEnv;
    static const DriveTable *lastTable = nullptr;
    static QString last;
    const char *env = std::getenv("QVBACKUP_PROGRAM_DIR");
    const DriveTable *table = &DriveTable::current();
    QMutexLocker lock(&mutex);
    if (lastTable == table && lastEnv == (env ? env : ""))
        return last;
    lock.unlock();
    QString dir = qEnvironmentVariable("QVBACKUP_PROGRAM_DIR");
    if (dir.isEmpty()) {
        QString host = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
        if (host.isEmpty())
            host = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
        dir = DriveTable::current().toWindows(HostPath::fromText(host)).value_or(WinPath()).text();
    }
    dir = WinPath(dir).withoutTrailingSeparator().text();
    lock.relock();
    lastEnv = env ? env : "";
    lastTable = table;
    last = dir;
    return dir;
}

QString realSpelling(const QString &windowsPath)
{
    const DriveTable &table = DriveTable::current();
    const Drive *d =
        windowsPath.size() >= 2 && windowsPath.at(1) == u':' ? table.drive(windowsPath.at(0)) : nullptr;
    const auto host = d ? table.toHost(WinPath(windowsPath)) : std::nullopt;
    if (!host)
        return windowsPath;
    // Through the path's own drive: another drive's folder may hold it too.
    const QString &driveDir = d->hostDir.text();
    const QString root = driveDir == u"/" ? QString() : driveDir;
    const QString clean = QDir::cleanPath(host->text());
    if (clean != driveDir && !clean.startsWith(root + u'/'))
        return windowsPath;
    QString rest = clean.mid(root.size() + 1);
    rest.replace(u'/', u'\\');
    const QString spelled = WinPath::driveRootOf(d->letter) + rest;
    const bool trailing = windowsPath.endsWith(u'\\') || windowsPath.endsWith(u'/');
    return trailing ? WinPath(spelled).withTrailingSeparator().text() : spelled;
}

QString pathWithHost(const QString &windowsPath)
{
    const auto host =
        windowsPath.isEmpty() ? std::nullopt : DriveTable::current().toHost(WinPath(windowsPath));
    return host ? windowsPath + " (" + QDir::cleanPath(host->text()) + ')' : windowsPath;
}

QString localAppDataFolder()
{
    QString env = qEnvironmentVariable("LocalAppData");
    if (!env.isEmpty())
        return env;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return DriveTable::current().toWindows(HostPath::fromText(data)).value_or(WinPath()).text();
}

} // namespace qv
