#pragma once
#include "platform/base/Result.h"
#include "platform/paths/HostPath.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

namespace qv
{

// The host side of bringing files back from a backup: reading a backup's tree (a
// mirror folder, an earlier-versions folder, an archive) by host names, so names that
// a Windows path cannot carry ("\", bytes that are not UTF-8) come back too, and
// putting each file in place with its mode, owner where allowed, times and extended
// attributes (ACLs among them).
namespace restore
{

// One file or folder a backup holds, relative to the backed-up folder.
struct StoredFile {
    HostPath rel; // relative, "/" between names: "sub/name"
    bool isDir = false;
    quint64 size = 0;
    qint64 mtimeNs = 0; // since the epoch, UTC
    unsigned mode = 0;  // permission bits; 0: not known
};

// Every file and folder below a Windows folder, read on the host without following
// links; left out are temporaries a killed copy left behind. Empty when the folder
// is missing.
std::vector<StoredFile> listTree(const QString &windowsFolder);
// Names of the sub-folders of a Windows folder (empty when it is missing).
std::vector<QString> subFolders(const QString &windowsFolder);

// How a file was put in place.
enum class Placed {
    New,        // nothing was there
    Replaced,   // a file with the same content was there
    KeptBeside, // a file with other content was there: renamed to keptAs first
};
struct PlaceResult {
    Placed how = Placed::New;
    QString keptAs; // the name the earlier file now has
};

// Where restored files go: a folder (Windows path) made on demand; folders it makes
// get the stored folder's mode and times when it is finished.
class Target
{
public:
    // Throws PlatformError (76, 68) when the folder's drive cannot be reached.
    explicit Target(const QString &windowsFolder);
    ~Target();
    Target(const Target &) = delete;
    Target &operator=(const Target &) = delete;

    // Copies the file at rel below the stored Windows folder to rel below the target.
    // A file there with other content is never overwritten: it is renamed to
    // "<name> (før gjenoppretting)" first.
    Result<PlaceResult> copyFrom(const QString &storedFolder, const HostPath &rel);
    // Notes a folder's stored mode and times, applied if this target makes it.
    void noteFolder(const StoredFile &folder);
    // Applies the noted modes and times to the folders made (also done on destruction).
    void finish();

private:
    friend class Archive;
    PlaceResult copyOrThrow(const QString &storedFolder, const QByteArray &rel);
    QByteArray makeFolders(const QByteArray &rel); // the host path of rel
    PlaceResult place(QByteArray &temporary, const QByteArray &target);
    QByteArray m_root;
    std::vector<QByteArray> m_made; // rels of folders made, "" for the root
    QSet<QByteArray> m_ready;       // rels of folders known to be there
    bool m_rootReady = false;
    std::vector<StoredFile> m_noted;
    QString m_storedFolder; // the last stored folder copied from, and its host path
    QByteArray m_storedHost;
};

// An archive a zip backup made, read entry by entry.
class Archive
{
public:
    // archive: Windows path of the zip; source: the backed-up folder whose entries are
    // wanted (entries outside it, or with names that would leave the target, are
    // left out). Throws PlatformError when the archive cannot be opened or read.
    Archive(const QString &archive, const QString &source);
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    // Entries below the source, relative to it.
    const std::vector<StoredFile> &files() const { return m_files; }
    // Writes entry i of files() to its place below the target, as Target::copyFrom
    // does.
    Result<PlaceResult> extract(std::size_t i, Target &target);

private:
    PlaceResult extractOrThrow(std::size_t i, Target &target);
    struct Zip;
    std::unique_ptr<Zip> m_zip;
    std::vector<StoredFile> m_files;
    std::vector<quint64> m_index; // archive index of each entry of m_files
};

// The name a file kept beside its restored copy gets: "<name> (før gjenoppretting)",
// numbered from 2 when that is taken.
QByteArray keptBesideName(const QByteArray &name, int n);

} // namespace restore
} // namespace qv
