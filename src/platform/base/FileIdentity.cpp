#include "platform/base/FileIdentity.h"

#include <QHash>
#include <QMutex>

#include <sys/stat.h>

namespace qv
{

namespace
{
QMutex g_readsMutex;
QHash<QByteArray, NotedRead> g_reads;

std::int64_t nanoseconds(const struct timespec &t)
{
    return std::int64_t(t.tv_sec) * 1000000000LL + t.tv_nsec;
}
} // namespace

FileIdentity FileIdentity::of(const struct stat &st)
{
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

void noteReadIdentity(const QByteArray &hostPath, const FileIdentity &before, bool unchangedAfter,
                      unsigned mode)
{
    // The zip step reads on several threads.
    QMutexLocker lock(&g_readsMutex);
    g_reads.insert(hostPath, NotedRead{before, unchangedAfter, mode});
}

bool peekReadIdentity(const QByteArray &hostPath, NotedRead &out)
{
    QMutexLocker lock(&g_readsMutex);
    const auto it = g_reads.constFind(hostPath);
    if (it == g_reads.constEnd())
        return false;
    out = *it;
    return true;
}

bool takeReadIdentity(const QByteArray &hostPath, NotedRead &out)
{
    QMutexLocker lock(&g_readsMutex);
    const auto it = g_reads.constFind(hostPath);
    if (it == g_reads.constEnd())
        return false;
    out = *it;
    g_reads.erase(it);
    return true;
}

void forgetReadIdentities()
{
    QMutexLocker lock(&g_readsMutex);
    g_reads.clear();
}

void forgetReadIdentity(const QByteArray &hostPath)
{
    QMutexLocker lock(&g_readsMutex);
    g_reads.remove(hostPath);
}

} // namespace qv
