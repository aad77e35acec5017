#pragma once
#include "platform/marks/ArchiveMarks.h"
#include "platform/paths/FoundFolders.h"
#include "platform/scan/FolderReader.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qv
{

// One entry a scan meets in a folder.
struct ScanEntry {
    QString name; // as a Windows path component (see windowsName)
    QString path; // the folder's Windows path with its trailing "\" plus name
    quint32 attributes = 0;
    quint64 size = 0;
    qint64 mtimeNs = 0; // since the epoch, UTC
    bool isLink = false;
};

// A scan of one folder tree for a backup. Folders are read through descriptors with
// one stat per file; the archive attribute comes from the mark catalog, read once for
// the whole tree; each folder's host location is kept (see foundHostPath), so the
// copy that follows never resolves a path again and never confuses "Report.txt"
// with "report.txt". At the end, rows of files no longer found are pruned.
class TreeScan
{
public:
    // root: Windows folder path with trailing "\"; recursive: subfolders are read too.
    TreeScan(const QString &root, bool recursive);
    ~TreeScan();
    TreeScan(const TreeScan &) = delete;
    TreeScan &operator=(const TreeScan &) = delete;

    // Lists folder (root, or a subfolder's path delivered earlier, trailing "\"):
    // files and folders less "." and "..", links to folders flagged and never
    // delivered as walkable. False when the folder could not be read completely; the
    // reason is in problems().
    bool list(const QString &folder, const std::function<void(const ScanEntry &)> &visit);

    // Folders and files the scan could not read, as Windows paths, in the order met.
    const QStringList &problems() const { return m_problems; }

private:
    struct Folder {
        QString host;         // no trailing "/" (except the root "/")
        std::string relative; // below the scan's root, "" for the root itself
    };
    QString m_root;
    bool m_recursive;
    std::unordered_map<QString, Folder> m_folders; // met, not yet listed, by Windows path
    std::unique_ptr<marks::FolderRows> m_rows;
    std::unique_ptr<FolderReadAhead> m_readAhead;
    std::vector<std::string> m_unreadable;
    QStringList m_problems;
};

} // namespace qv
