#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv
{

// The files a scan found, one compact record each, from the scan to the copy and the
// zip: the host name's bytes in one arena, the folder shared by its files, size, time
// and attributes as numbers. The Windows path (for the list and the log) and the texts
// of a row are made when asked for, so a million files take some 60 bytes each.
class FoundFiles
{
public:
    // A row's texts as the list shows it (made by FileScan::rowTexts).
    struct Texts {
        QString path, ext, size, date, attributes;
    };

    void clear();
    // The folder of the files added next: its Windows path (with trailing "\") and
    // its host path's bytes.
    void enterFolder(const QString &windowsFolder, QByteArrayView hostFolder);
    void add(std::string_view hostName, quint64 size, qint64 mtimeNs, quint32 attributes);

    int count() const { return int(m_files.size()); }
    // Rows are 0-based.
    QString windowsPath(int i) const;
    QString windowsName(int i) const;
    const QString &windowsFolder(int i) const { return folderOf(i).windows; }
    QByteArray hostPath(int i) const;
    std::string_view hostName(int i) const;
    quint64 size(int i) const { return m_files[size_t(i)].size; }
    qint64 mtimeNs(int i) const { return m_files[size_t(i)].mtimeNs; }
    quint32 attributes(int i) const { return m_files[size_t(i)].attributes; }
    // Lower case, without the dot; empty without one (as General_FinnFilendelsen).
    QString extension(int i) const;

private:
    struct Folder {
        QString windows;
        QByteArray host;
    };
    struct File {
        quint64 size;
        qint64 mtimeNs;
        quint32 nameStart;
        quint32 folder;
        quint32 attributes;
        quint16 nameLength;
    };
    const Folder &folderOf(int i) const { return m_folders[m_files[size_t(i)].folder]; }

    std::vector<Folder> m_folders;
    std::vector<File> m_files;
    std::string m_names;
    Folder m_pending;
    bool m_pendingFolder = false;
};

} // namespace qv
