#pragma once
// A copy or an archive is durable once it would survive a power cut. A mark saying
// "backed up" is committed only about durable copies.
#include <QByteArray>
#include <functional>

namespace qv::durable
{

enum class What {
    FileSystem, // every write to the file system fd lies on (syncfs)
    File,       // the file's data and size (fdatasync)
    Folder,     // the folder's entries, a rename into it (fsync)
};
// 0, or the errno of the failed sync.
int sync(What what, int fd);

// Test seam: stands in for the system calls (an empty hook: the system calls).
using SyncHook = std::function<int(What what, int fd)>;
void setSyncHook(SyncHook hook);

// A copy was put in place at targetPath (folderFd: its folder's descriptor, or -1):
// its file system is synced before the next commit of marks.
void notePlaced(const QByteArray &targetPath, int folderFd);
// Syncs the file systems noted since the last call; false when one failed (the
// copies on it may be lost, so their marks must not be committed).
bool syncPlaced();

} // namespace qv::durable
