#include "windows/FileListBinding.h"

#include "controls/filelist/qvFileList.h"

namespace qv
{

void FileListBinding::Clear()
{
    m_list.Clear();
}

void FileListBinding::AddItem(const QString &path, const QString &ext, const QString &size,
                              const QString &date, const QString &attributes)
{
    m_list.AddItem(path, ext, size, date, attributes);
}

int FileListBinding::GetCount() const
{
    return m_list.GetCount();
}
QString FileListBinding::GetFile(int row) const
{
    return m_list.GetFile(row);
}
void FileListBinding::Refresh()
{
    m_list.Refresh();
    m_list.AutoColWidth(); // the new rows' texts decide the widths
}
bool FileListBinding::Enabled() const
{
    return m_list.isEnabled();
}
void FileListBinding::setEnabled(bool on)
{
    m_list.setEnabled(on);
}
bool FileListBinding::ShowFullPath() const
{
    return m_list.ShowFullPath();
}
void FileListBinding::setShowFullPath(bool on)
{
    m_list.setShowFullPath(on);
    m_list.AutoColWidth(); // the shown texts decide the widths
}

} // namespace qv
