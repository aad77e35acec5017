#pragma once
#include "platform/marks/ArchiveMarks.h"
#include "platform/paths/FoundFolders.h"
#include "platform/scan/FolderReader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
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
    std::string_view hostName; // the name's bytes on the host
    QByteArrayView hostFolder; // the host path of the folder listed
    bool walk = false;         // a folder the scan reads when asked (not a loop, not the destination)
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
    // Links to folders are followed, less those that lead back up the path being
    // walked or into avoid (a Windows folder: the backup's destination).
    TreeScan(const QString &root, bool recursive, const QString &avoid = QString());
    ~TreeScan();
    TreeScan(const TreeScan &) = delete;
    TreeScan &operator=(const TreeScan &) = delete;

    // Lists folder (root, or a subfolder's path delivered earlier, trailing "\"):
    // files and folders less "." and "..", with walk set on the folders that may be
    // listed in turn. False when the folder could not be read completely; the reason
    // is in problems().
    bool list(const QString &folder, const std::function<void(const ScanEntry &)> &visit);

    // Folders and files the scan could not read or follow, as Windows paths (with the
    // reason after a link's or special file's), in the order met.
    const QStringList &problems() const { return m_problems; }

private:
    struct Folder {
        HostPath host;        // no trailing "/" (except the root "/")
        std::string relative; // below the scan's root, "" for the root itself
        AncestryPtr above;
        std::size_t rows = 0;     // its files' marks: m_rows[rows] (a followed link has its own)
        std::string rowsRelative; // below that rows' folder
    };
    QString m_root;
    bool m_recursive;
    WalkRules m_rules;
    std::unordered_map<QString, Folder> m_folders; // met, not yet listed, by Windows path
    std::vector<std::unique_ptr<marks::FolderRows>> m_rows;
    std::unique_ptr<FolderReadAhead> m_readAhead;
    std::vector<std::string> m_unreadable;
    QStringList m_problems;
};

} // namespace qv
