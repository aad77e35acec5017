#include "engine/FoundFiles.h"

#include "engine/modBackup.h"
#include "platform/paths/DriveTable.h"
#include "platform/scan/TreeScan.h"

namespace qv
{

void FoundFiles::clear()
{
    // Swapped out, so that a large scan's memory goes back rather than waiting for the next.
    std::vector<Folder>().swap(m_folders);
    std::vector<File>().swap(m_files);
    std::string().swap(m_names);
    m_pendingFolder = false;
}

void FoundFiles::enterFolder(const QString &windowsFolder, QByteArrayView hostFolder)
{
    m_pending = {windowsFolder, hostFolder.toByteArray()};
    m_pendingFolder = true;
}

void FoundFiles::add(std::string_view hostName, quint64 size, qint64 mtimeNs, quint32 attributes)
{
    // A folder is kept only once a file in it is found.
    if (m_pendingFolder) {
        m_folders.push_back(std::move(m_pending));
        m_pendingFolder = false;
    }
    m_files.push_back({size, mtimeNs, quint32(m_names.size()), quint32(m_folders.size() - 1), attributes,
                       quint16(hostName.size())});
    m_names.append(hostName);
}

std::string_view FoundFiles::hostName(int i) const
{
    const File &f = m_files[size_t(i)];
    return std::string_view(m_names).substr(f.nameStart, f.nameLength);
}

QString FoundFiles::windowsName(int i) const
{
    const std::string_view n = hostName(i);
    return qv::windowsName(hostPathFromBytes(n.data(), qsizetype(n.size())));
}

QString FoundFiles::windowsPath(int i) const
{
    return folderOf(i).windows + windowsName(i);
}

QByteArray FoundFiles::hostPath(int i) const
{
    const QByteArray &folder = folderOf(i).host;
    const std::string_view n = hostName(i);
    QByteArray path;
    path.reserve(folder.size() + 1 + qsizetype(n.size()));
    path += folder;
    if (!folder.endsWith('/'))
        path += '/';
    path.append(n.data(), qsizetype(n.size()));
    return path;
}

QString FoundFiles::extension(int i) const
{
    return General_FinnFilendelsen(windowsName(i));
}

} // namespace qv
