#include "windows/FileListBinding.h"

#include "controls/filelist/qvFileList.h"
#include "platform/base/Locale.h"

namespace qv
{

void FileListBinding::Rows::show(const FoundFiles *found)
{
    m_found = found;
    m_separators = FileScan::NumberSeparators::current();
    m_dateLength = formatFileTimeUtcNs(0).size();
}

QString FileListBinding::Rows::text(int i, int column) const
{
    switch (column) {
    case 1:
        return m_found->extension(i);
    case 2:
        return FileScan::sizeText(m_found->size(i), m_separators);
    case 3:
        return formatFileTimeUtcNs(m_found->mtimeNs(i));
    default:
        return FileScan::attributeLetters(m_found->attributes(i));
    }
}

qsizetype FileListBinding::Rows::textLength(int i, int column) const
{
    // The name's bytes stand for its length: only the longest few are measured.
    const qsizetype name = qsizetype(m_found->hostName(i).size());
    switch (column) {
    case 0:
        return m_list.ShowFullPath() ? m_found->windowsFolder(i).size() + name : name;
    case 3:
        return m_dateLength;
    default:
        return -1;
    }
}

void FileListBinding::Clear()
{
    m_list.Clear();
    m_rows.show(nullptr);
}

void FileListBinding::Show(const FoundFiles &found)
{
    m_rows.show(&found);
    m_list.ShowRows(&m_rows);
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
