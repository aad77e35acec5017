#include "controls/drawing/DecodedPictureCache.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <chrono>
#include <sys/stat.h>

namespace DecodedPictureCache
{

namespace
{

// What tells one version of a file from the next.
struct FileVersion {
    qint64 mtimeSeconds = 0, mtimeNanoseconds = 0, size = 0;
    quint64 device = 0, inode = 0;
    bool operator==(const FileVersion &) const = default;
};

struct Entry {
    QByteArray encodedPath;
    FileVersion version;
    qint64 lookedAt = 0; // steady clock, nanoseconds
    QImage image;
    quint64 lastUse = 0;
};

// The draws of one paint often show one picture several times: they share one look at
// the file. A file changed is read again at its first use after that.
constexpr qint64 LookValidNanoseconds = 2'000'000;

qint64 steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr int MaxEntries = 64;

QMutex mutex;
QHash<QString, Entry> entries; // key: reading mode + path
quint64 useCounter = 0;

bool versionOf(const QByteArray &encodedPath, FileVersion &out)
{
    struct stat st {
    };
    if (::stat(encodedPath.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    out.mtimeSeconds = qint64(st.st_mtim.tv_sec);
    out.mtimeNanoseconds = qint64(st.st_mtim.tv_nsec);
    out.size = qint64(st.st_size);
    out.device = quint64(st.st_dev);
    out.inode = quint64(st.st_ino);
    return true;
}

} // namespace

static QImage load(const QString &hostPath, bool asStored)
{
    if (hostPath.isEmpty())
        return {};
    const QString key = (asStored ? QLatin1Char('s') : QLatin1Char('d')) + hostPath;
    QByteArray encodedPath;
    const qint64 now = steadyNow();
    {
        QMutexLocker lock(&mutex);
        auto it = entries.find(key);
        if (it != entries.end() && now - it->lookedAt < LookValidNanoseconds) {
            it->lastUse = ++useCounter;
            return it->image;
        }
        encodedPath = it != entries.end() ? it->encodedPath : QFile::encodeName(hostPath);
    }
    // A look at the file: one changed since it was decoded is read again.
    FileVersion version;
    if (!versionOf(encodedPath, version))
        return {};
    {
        QMutexLocker lock(&mutex);
        auto it = entries.find(key);
        if (it != entries.end() && it->version == version) {
            it->lookedAt = now;
            it->lastUse = ++useCounter;
            return it->image;
        }
    }
    QImageReader reader(hostPath);
    if (asStored)
        reader.setAutoTransform(false);
    const QImage image = reader.read();

    QMutexLocker lock(&mutex);
    if (entries.size() >= MaxEntries && !entries.contains(key)) {
        auto oldest = entries.begin();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        entries.erase(oldest);
    }
    entries.insert(key, Entry{encodedPath, version, now, image, ++useCounter});
    return image;
}

QImage Load(const QString &hostPath)
{
    return load(hostPath, false);
}

QImage LoadAsStored(const QString &hostPath)
{
    return load(hostPath, true);
}

void Clear()
{
    QMutexLocker lock(&mutex);
    entries.clear();
}

} // namespace DecodedPictureCache
