#pragma once
#include <QSet>
#include <QString>
#include <QStringList>
#include <ctime>
#include <vector>

namespace qv
{

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
    ~MirrorCopy(); // applies the folders' modes and times

    // Makes the folders that the copy of sourceFile needs; false when one cannot be made.
    bool makeFolders(const QString &sourceFile);
    // Copies sourceFile to its place in the mirror; destination is its Windows path
    // there (for messages and the copy's fault hook). Throws PlatformError as copyFile.
    void copy(const QString &sourceFile, const QString &destination);

    MirrorCopy(const MirrorCopy &) = delete;
    MirrorCopy &operator=(const MirrorCopy &) = delete;

private:
    QString relativeHost(const QString &sourceFile) const; // "sub/name" below the root

    struct Folder {
        QByteArray source, mirror;
    };
    QString m_sourceHost, m_mirrorHost;
    QSet<QString> m_ready; // mirror folders made (relative host paths, "" for the root)
    std::vector<Folder> m_folders;
    struct timespec m_start;
};

} // namespace qv
