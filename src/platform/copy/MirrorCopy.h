#pragma once
#include "platform/copy/CopyAhead.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace qv
{
namespace marks
{
class RowsInView;
}

// Copies found files into a mirror of their source tree, name for name as the source
// has them (a "docs" beside a "Docs" stays apart), each folder made once. Mirror
// folders take their source folder's permission bits, and its modification time
// once all files are in. A read-only copy from an earlier run is replaced: the
// mirror belongs to the program. Temporaries that a killed run left in a mirror
// folder are removed the first time this run writes there.
class MirrorCopy
{
public:
    // Windows folders with trailing "\": the source root and its mirror
    // ("...\Backup av <name>\").
    MirrorCopy(const QString &sourceRoot, const QString &mirrorRoot);
    ~MirrorCopy(); // stops the copy ahead within a block; applies the folders' modes and times

    // The files copy() will be given, in that order: how many, each one's Windows path
    // asked for by its number as needed (so that no list of every path is held), and
    // its destination from that path. From then on the next few are read and written ahead on a second
    // thread (the copy fault hook is called there), and each is put in place only when
    // copy() reaches it.
    // hostAt, when given: each file's host path as the scan found it, so that the copy
    // need not look it up again through the drive table.
    using PathAt = std::function<QString(qsizetype)>;
    using DestinationOf = std::function<QString(const QString &)>;
    using HostAt = std::function<QByteArray(qsizetype)>;
    void copyAhead(qsizetype count, PathAt sourceAt, DestinationOf destinationOf, HostAt hostAt = {});
    // The k-th file's Windows path and its destination, as copyAhead was told: each is
    // made once while the file is among the next few.
    QString sourceAt(qsizetype k);
    QString destinationAt(qsizetype k);

    // Makes the folders that the copy of sourceFile needs; false when one cannot be made.
    bool makeFolders(const QString &sourceFile);
    // Whether the mirror's own folder name ("Backup av <name>") is longer than a name
    // on the host may be.
    bool rootNameTooLong() const;
    // Whether sourceFile or its copy lies beyond the host's path limits (the reason a
    // folder or a copy failed).
    bool tooLong(const QString &sourceFile) const;
    // sourceFile's attributes (fileAttributes) as copy() is about to take it: from the
    // look taken when it was read ahead, when it was. Fails as fileAttributes.
    Result<quint32> attributes(const QString &sourceFile);
    // Copies sourceFile to its place in the mirror; destination is its Windows path
    // there (for messages and the copy's fault hook). Fails as copyFile; a stop
    // throws stop::Stopped.
    Result<void> copy(const QString &sourceFile, const QString &destination);

    // From now on a copy that replaces an earlier one in the mirror keeps that one
    // below versionsFolder (a Windows folder, "...\Eldre versjoner av <name>\<stamp>\")
    // under its path in the mirror (see versions::keepOldCopy).
    void keepVersionsIn(const QString &versionsFolder);
    int versionsKept() const { return m_versionsKept; }

    // Whether the copy of sourceFile, made durable and read back from the disk, holds
    // what the source holds now. Fails when the copy cannot be read.
    Result<bool> readBackMatches(const QString &sourceFile);

    MirrorCopy(const MirrorCopy &) = delete;
    MirrorCopy &operator=(const MirrorCopy &) = delete;

private:
    QString relativeHost(const QString &sourceFile) const; // "sub/name" below the root
    struct Hosts {
        HostPath read, mirror; // where the source is read, where its copy goes
    };
    void copyOrThrow(const QString &sourceFile, const QString &destination);
    Hosts hostsOf(const QString &sourceFile) const;
    Hosts hostsOf(qsizetype k, const QString &sourceFile) const; // through hostAt where it can
    void pushAhead();
    void passOver(const QString &sourceFile);
    void place(hostfs::WrittenCopy &written, int folder);

    HostPath m_versions; // empty: none kept
    int m_versionsKept = 0;
    QByteArray m_lastPlaced; // the source of the last copy put in place

    hostfs::FolderHandle m_placeFolder;

    // Copies ahead: m_ahead holds m_sources[m_next, m_pushed).
    std::unique_ptr<CopyAhead> m_ahead;
    std::unique_ptr<marks::RowsInView> m_rowsInView; // each file taken is looked up
    qsizetype m_count = 0;
    PathAt m_sourceAt;
    DestinationOf m_destinationOf;
    HostAt m_hostAt;
    qsizetype m_next = 0, m_pushed = 0;
    struct Paths {
        QString source, destination; // the destination is null until asked for
    };
    Paths &pathsAt(qsizetype k);
    std::deque<Paths> m_window; // the files from m_windowFirst on whose paths were made
    qsizetype m_windowFirst = 0;
    QString m_lastFolderMade; // Windows folder of the last file whose folders were made

    struct Folder {
        QByteArray source, mirror;
    };
    HostPath m_sourceRoot, m_mirrorRoot; // host folders of the two roots
    QSet<QString> m_ready;               // mirror folders made (relative host paths, "" for the root)
    std::vector<Folder> m_folders;
    QSet<QByteArray> m_madeNow; // mirror folders this run made: they hold no earlier copy
    struct timespec m_start;
};

} // namespace qv
