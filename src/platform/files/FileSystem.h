#pragma once
#include "platform/base/FileIdentity.h"
#include "platform/base/Result.h"
#include "platform/paths/HostPath.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv
{
namespace marks
{
class ForDestination;
}

// Attribute bits as the platform reports them.
namespace Attr
{
constexpr quint32 ReadOnly = 1, Hidden = 2, System = 4, Directory = 16, Archive = 32, Normal = 128,
                  Temporary = 256, Compressed = 2048, Encrypted = 16384;
}

// One entry of a folder listing, as find-first/find-next delivers it.
struct DirEntry {
    QString name;
    quint32 attributes = 0;
    quint64 size = 0;       // of the link target for a symbolic link to a file
    QDateTime lastWriteUtc; // UTC
    bool isLink = false;    // a symbolic link (walks never follow one to a folder)
};
// A symbolic link is listed as what it points to (a folder link with the directory
// attribute, a file link with the target's size, time and attributes) and carries
// isLink; a link that leads nowhere (dangling, or a loop) is left out, and so are
// entries that are neither files nor folders (pipes, sockets, devices). A drive root
// has no "." and ".." entries, as on the platform.

// Entries of folder (Windows path, with or without trailing "\") whose names match
// pattern ("*" and "*.*" match everything; otherwise "?"/"*" wildcards, case-
// insensitive), in host directory order, "." and ".." first as Windows lists them.
// A folder that cannot be listed gives an empty listing. Names that contain "\"
// (unaddressable) are left out.
std::vector<DirEntry> listDirectory(const QString &folder, const QString &pattern);
// Streams the same entries without building a list; return false to stop early.
// How much of each entry a listing fills in. Kinds: the name, the directory and
// hidden bits and the link flag only, from the folder itself where the file
// system tells the kind (a walk looking for sub-folders needs no more, and skips a
// stat and an attribute read per file); a link's target is not looked at.
enum class ListDetail { Full, Kinds };
void forEachDirEntry(const QString &folder, const QString &pattern,
                     const std::function<bool(const DirEntry &)> &visit,
                     ListDetail detail = ListDetail::Full);
bool wildcardMatch(const QString &pattern, const QString &name);

// Attribute word of a path (fails 53 file / 76 path not found, 70, ...).
Result<quint32> fileAttributes(const QString &path);
// Sets the attribute word: ReadOnly and Archive are honoured; other bits ignored.
Result<void> setFileAttributes(const QString &path, quint32 attributes);
Result<void> clearArchive(const QString &path);
// Makes the marks cleared so far permanent and forgets the reads noted for them (the
// end of a copy or zip step).
void flushArchiveMarks();
Result<void> setArchive(const QString &path);
// While one is alive, archive marks are those of the destination folder (Windows
// path) a run backs up into: each destination keeps its own (docs/marks.md).
class MarkDestination
{
public:
    explicit MarkDestination(const QString &destinationFolder);
    ~MarkDestination();
    MarkDestination(const MarkDestination &) = delete;
    MarkDestination &operator=(const MarkDestination &) = delete;

private:
    std::unique_ptr<marks::ForDestination> m_scope;
};
// The destination folders the templates name (Windows paths): outside a run a file's
// attribute is set while one of them still needs it.
void nameMarkDestinations(const QStringList &destinationFolders);

bool fileExists(const QString &path); // an entry exists and is not a folder
// For the controls, which never turn a Windows path into a host path themselves:
// the last-write time of what a path names (UTC; invalid when nothing is there), a
// file URL for dragging it elsewhere (empty off the drives), and where a picture named
// by a Windows path or a host path is read (empty when its drive is unknown).
QDateTime lastWriteUtc(const QString &windowsPath);
QUrl fileUrl(const QString &windowsPath);
QString pictureReadPath(const QString &path);
bool folderExists(const QString &path);
// Creates every missing folder of the path; true when the folder exists afterwards.
bool makePath(const QString &folder);
Result<void> deleteFile(const QString &path); // fails 53, 70, 75 ...

// Copies the content of source to destination, replacing an existing file there.
// Written to a temporary name in the destination folder and renamed over the target
// only when complete, so a failure never harms the previous copy. Keeps the
// source's modification time and permission bits; never the archive mark.
// Fails 53 (source missing), 70 (no access / read-only target), 61 (disk full), ...
Result<void> copyFile(const QString &source, const QString &destination);

// Test seam for the copy: called with the destination and the bytes written so far
// before each block; may throw a PlatformError (e.g. 61 after N bytes).
using CopyFaultHook = std::function<void(const QString &destination, quint64 bytesWritten)>;
void setCopyFaultHook(CopyFaultHook hook); // empty hook: none

// Host-layer internals shared by the file and text-file code.
namespace hostfs
{
// Host path of a Windows path; fails 76 (no such drive) or 68 (drive not mounted).
Result<HostPath> hostOf(const QString &windowsPath);
HostPath toHostOrThrow(const QString &windowsPath);
// errno of an operation on hostPath -> runtime number (ENOENT: 53, or 76 when the
// folder is missing too).
int errorNumber(const HostPath &hostPath, int err);
HostError failure(const HostPath &hostPath, int err);
[[noreturn]] void raise(const HostPath &hostPath, int err);
// The attribute word of a host entry (name for the hidden bit, st_mode for the rest).
quint32 attributeWordOf(const QString &name, unsigned mode, bool archiveClear);
// Opens a host folder for reading, also below the host's path length limit (-1 with
// errno on failure).
int openFolder(const HostPath &folder);
// Replaces hostPath with content through a temporary file and a rename; a read-only
// target refuses (70). A new file gets the default mode, a replaced one keeps its own.
Result<void> writeAtomically(const HostPath &hostPath, const QByteArray &content);
// The copy behind copyFile between host paths (destination: the Windows path the
// fault hook is told). Holes stay holes; owner and group are kept where the process
// may, else group and other lose their bits; the identity read is noted for the mark.
// replaceReadOnly: a read-only copy at the target is replaced too (the mirror's own).
void copyHostFile(const HostPath &srcHost, const HostPath &dstHost, const QString &destination,
                  bool replaceReadOnly);

// copyHostFile in two halves, so the data can be written on another thread and put in
// place in order on this one.
CopyFaultHook copyFaultHook();
// A copy written to a temporary beside its target; the temporary goes with it unless
// placeCopy put it in place.
struct WrittenCopy {
    QByteArray temporary, source;
    HostPath target;
    FileIdentity before;
    bool unchangedAfter = false;
    unsigned mode = 0;
    // Still open when its times are left to placeCopy (CopyOptions::timesOnPlace).
    int fd = -1;
    struct timespec times[2] = {};

    WrittenCopy() = default;
    WrittenCopy(WrittenCopy &&other) noexcept;
    WrittenCopy &operator=(WrittenCopy &&other) noexcept;
    ~WrittenCopy();
};
// A descriptor of the folder the last path given lies in, kept while the paths stay
// in that folder: a run of files in one folder is opened by name instead of walking
// the whole path again for each.
class FolderHandle
{
public:
    FolderHandle() = default;
    ~FolderHandle();
    // The descriptor of path's folder, with name pointing at path's last part; when
    // the folder cannot be opened, AT_FDCWD with name the whole path.
    int of(const QByteArray &path, const char *&name);

    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

private:
    QByteArray m_folder;
    int m_fd = -1;
};
struct CopyOptions {
    bool refuseReadOnlyTarget = false;
    // The mark catalog belongs to the main thread: a worker leaves its commits alone.
    bool commitMarks = true;
    // Held by a caller that copies many files, one after the other.
    FolderHandle *sourceFolder = nullptr, *targetFolder = nullptr;
    // The temporary is left open for placeCopy to set its times and close it: a
    // thread that writes ahead hands part of each file's calls to the one placing.
    bool timesOnPlace = false;
};
WrittenCopy writeCopy(const HostPath &source, const HostPath &target, const QString &destination,
                      const CopyFaultHook &hook, CopyOptions options);
// The attributes of the copy's source (Windows path) as the copy read it: the word
// fileAttributes gives, from the look the copy took when it opened the file.
quint32 attributesAsRead(const QString &path, const WrittenCopy &copy);
// Renames the temporary over its target (whatever file is there) and notes the read.
void placeCopy(WrittenCopy &copy);
// The same given an open descriptor of the folder both are in: spares the path walks.
void placeCopy(WrittenCopy &copy, int targetFolder);
} // namespace hostfs

} // namespace qv
