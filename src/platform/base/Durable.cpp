#include "platform/base/Durable.h"

#include <QMutex>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv::durable
{

namespace
{
QMutex g_mutex;
SyncHook g_hook;
struct Noted {
    dev_t device;
    int fd;
};
std::vector<Noted> g_placed; // one open folder per file system written to
QByteArray g_lastFolder;     // noted since the last sync: its file system is known
} // namespace

int sync(What what, int fd)
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_hook) {
            const SyncHook hook = g_hook;
            lock.unlock();
            return hook(what, fd);
        }
    }
    int rc;
    do {
        rc = what == What::FileSystem ? ::syncfs(fd) : what == What::File ? ::fdatasync(fd) : ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

void setSyncHook(SyncHook hook)
{
    QMutexLocker lock(&g_mutex);
    g_hook = std::move(hook);
}

void notePlaced(const QByteArray &targetPath, int folderFd)
{
    const qsizetype slash = targetPath.lastIndexOf('/');
    const QByteArrayView folderView =
        slash <= 0 ? QByteArrayView("/") : QByteArrayView(targetPath).first(slash);
    {
        // Copies come folder by folder: one look per folder, not per file.
        QMutexLocker lock(&g_mutex);
        if (folderView == g_lastFolder)
            return;
    }
    const QByteArray folder = folderView.toByteArray();
    struct stat st;
    if ((folderFd >= 0 ? ::fstat(folderFd, &st) : ::stat(folder.constData(), &st)) != 0)
        st.st_dev = 0;
    QMutexLocker lock(&g_mutex);
    g_lastFolder = folder;
    for (const Noted &n : g_placed)
        if (n.device == st.st_dev)
            return;
    const int fd = folderFd >= 0 ? ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                 : ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that cannot be opened to sync through: the whole system is synced.
    g_placed.push_back({st.st_dev, fd});
}

bool syncPlaced()
{
    std::vector<Noted> placed;
    {
        QMutexLocker lock(&g_mutex);
        placed.swap(g_placed);
        g_lastFolder.clear();
    }
    bool ok = true;
    for (const Noted &n : placed) {
        if (n.fd < 0) {
            ::sync();
            continue;
        }
        ok = sync(What::FileSystem, n.fd) == 0 && ok;
        ::close(n.fd);
    }
    return ok;
}

} // namespace qv::durable
