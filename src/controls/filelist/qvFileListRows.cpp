// Queries and changes of the rows, selection, sorting, totals and column widths.
#include "controls/filelist/qvFileList.h"

#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace qv
{

using namespace qvFileListFormat;

int qvFileList::modelRowOf(int lIndex) const
{
    return lIndex >= 1 && lIndex <= m_model->count() ? lIndex - 1 : -1;
}

// ---- counts and totals

bool qvFileList::rowIsFolderForCount(int row) const
{
    return m_model->text(row, 2).trimmed().isEmpty();
}

double qvFileList::sizeSum(bool selectedOnly) const
{
    double kb = 0;
    if (selectedOnly) {
        m_model->flush();
        for (const QModelIndex &i : selection()->selectedRows())
            kb += kilobytesOf(m_model->text(i.row(), 2));
    } else {
        for (int i = 0; i < m_model->count(); ++i)
            kb += kilobytesOf(m_model->text(i, 2));
    }
    return kb * 1024.0;
}

namespace
{
QString totalText(double bytes, bool inBytes)
{
    const qint64 whole = qint64(std::llround(bytes));
    return inBytes ? u' ' + QString::number(whole) : shortByteSize(quint64(std::max<qint64>(0, whole)));
}
} // namespace

int qvFileList::GetCount(int Include, QString *TotalFileSize, bool TotalFileSizeByte) const
{
    if (Include < 0 || Include > 2)
        return -1;
    const int n = m_model->count();
    int result = n;
    if (Include != 0) {
        int folders = 0;
        if (m_fillMode == 1) {
            for (int i = 0; i < n; ++i)
                folders += rowIsFolderForCount(i) ? 1 : 0;
        } else {
            folders = std::min(m_subFolderCount, n);
        }
        result = Include == 1 ? n - folders : folders;
    }
    if (TotalFileSize && *TotalFileSize != QLatin1String(" "))
        *TotalFileSize = totalText(sizeSum(false), TotalFileSizeByte);
    return result;
}

int qvFileList::GetSelectedCount(QString *SelectedFileSize, bool TotalFileSizeByte) const
{
    m_model->flush();
    const int n = int(selection()->selectedRows().size());
    if (SelectedFileSize && *SelectedFileSize != QLatin1String(" "))
        *SelectedFileSize = totalText(sizeSum(true), TotalFileSizeByte);
    return n;
}

// ---- paths and texts of rows

QString qvFileList::GetFile(int lIndex) const
{
    if (lIndex == 0) {
        const QModelIndex current = selection()->currentIndex();
        return current.isValid() ? m_model->tag(current.row()) : QString();
    }
    const int r = modelRowOf(lIndex);
    return r < 0 ? QStringLiteral("-1") : m_model->tag(r);
}

QString qvFileList::GetFileName(int lIndex) const
{
    const int r = lIndex == 0 ? GetSelectedIndex() - 1 : modelRowOf(lIndex);
    if (r < 0)
        return {};
    return qv::WinPath(m_model->tag(r)).fileName();
}

int qvFileList::SourceRow(int lIndex) const
{
    const int r = modelRowOf(lIndex);
    return r < 0 ? -1 : m_model->sourceRow(r);
}

QString qvFileList::GetFilePath(int lIndex) const
{
    const int r = lIndex == 0 ? GetSelectedIndex() - 1 : modelRowOf(lIndex);
    if (r < 0)
        return {};
    return qv::WinPath(m_model->tag(r)).parent().text();
}

QString qvFileList::GetItem(int column, int lIndex) const
{
    const int r = modelRowOf(lIndex);
    if (r < 0 || column < 0 || column > 4)
        return {};
    return m_model->text(r, column);
}

bool qvFileList::ChangeItem(int column, int lIndex, const QString &text, const QString &fullPath)
{
    const int r = modelRowOf(lIndex);
    if (r < 0 || column < 0 || column > 4)
        return false;
    if (column == 0) {
        if (fullPath.isEmpty())
            return false;
        m_model->setTag(r, fullPath);
        m_model->setText(r, text);
        return true;
    }
    m_model->setSub(r, column, text);
    return true;
}

void qvFileList::UpdateItem(int lIndex, bool bOnlyIcon)
{
    const int r = modelRowOf(lIndex);
    if (r < 0)
        return;
    m_model->flush();
    if (!bOnlyIcon) {
        try {
            const qv::WinPath tag(m_model->tag(r));
            const QString name = tag.fileName();
            std::optional<qv::DirEntry> found;
            qv::forEachDirEntry(tag.parent().text(), name, [&](const qv::DirEntry &e) {
                if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                    found = e;
                return !found;
            });
            if (found) {
                const bool folder = found->attributes & qv::Attr::Directory;
                m_model->setSub(r, 2, folder ? QString() : sizeText(found->size, m_fileDecimals));
                m_model->setSub(r, 3, timeText(found->lastWriteUtc));
                const QString attr = attributeText(found->attributes);
                m_model->setSub(r, 4, attr);
                m_model->setColor(r, attr.contains(u'h') ? qv::qvKontrollerFelles::ToQColor(HiddenRowColor)
                                                         : QColor(Qt::black));
                m_model->setDimmed(r, attr.contains(u'h'));
            }
        } catch (const qv::PlatformError &) {
            return;
        }
    }
    if (m_loadFileIcons != 0) {
        m_model->setIconKey(r, QString());
        loadIconsFor(r);
    }
}

qvFileList::OleColor qvFileList::ItemColor(int lIndex) const
{
    const int r = modelRowOf(lIndex);
    if (r < 0)
        return 0;
    const QColor c = m_model->row(r).color;
    return qv::qvKontrollerFelles::FromQColor(c.isValid() ? c : palette().color(QPalette::Text));
}

// ---- removing rows

void qvFileList::RemoveFile(int lIndex, bool SelectNextFile)
{
    const int r = modelRowOf(lIndex);
    if (r < 0)
        return;
    m_model->removeAt(r);
    if (SelectNextFile && m_model->count() > 0) {
        const QModelIndex next = m_model->index(std::min(r, m_model->count() - 1), 0);
        selection()->setCurrentIndex(next, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void qvFileList::RemoveSelectedFiles()
{
    m_model->flush();
    QList<int> rows;
    for (const QModelIndex &i : selection()->selectedRows())
        rows << i.row();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int r : rows)
        m_model->removeAt(r);
    if (m_model->count() == 0)
        return;
    const int following = std::min(rows.first() + 1 - int(rows.size()), m_model->count() - 1);
    selection()->setCurrentIndex(m_model->index(following, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// ---- selection

bool qvFileList::ListSelectAll(bool SelectReverse)
{
    if (!m_multiSelect)
        return false;
    m_model->flush();
    const int n = m_model->count();
    if (n == 0)
        return true;
    qv::dialog().setBusyPointer(true);
    const QItemSelection all(m_model->index(0, 0), m_model->index(n - 1, qvFileListModel::Columns - 1));
    selection()->select(all, SelectReverse ? QItemSelectionModel::Toggle : QItemSelectionModel::Select);
    qv::dialog().setBusyPointer(false);
    return true;
}

bool qvFileList::ListSelect(int lIndex, bool bSelect, bool bEnsureVisible)
{
    const int r = modelRowOf(lIndex);
    if (!m_multiSelect || r < 0)
        return false;
    m_model->flush();
    const QModelIndex i = m_model->index(r, 0);
    selection()->select(i, (bSelect ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                               QItemSelectionModel::Rows);
    if (bEnsureVisible)
        activeView()->scrollTo(i);
    return true;
}

bool qvFileList::ListSelectClear()
{
    selection()->clearSelection();
    return true;
}

int qvFileList::GetFileIndex(const QString &sFile) const
{
    for (int i = 0; i < m_model->count(); ++i)
        if (m_model->text(i, 0).compare(sFile, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

bool qvFileList::ListItemExist(const QString &sFile) const
{
    return GetFileIndex(sFile) > 0;
}

bool qvFileList::ListFind(const QString &sFile, bool bEnsureVisible)
{
    const int found = GetFileIndex(sFile);
    if (found == 0)
        return false;
    m_model->flush();
    const QModelIndex i = m_model->index(found - 1, 0);
    selection()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (bEnsureVisible)
        activeView()->scrollTo(i);
    return true;
}

bool qvFileList::IsSelected(int lIndex) const
{
    const int r = modelRowOf(lIndex);
    if (r < 0)
        return false;
    m_model->flush();
    return selection()->isRowSelected(r, {});
}

int qvFileList::GetSelectedIndex() const
{
    const QModelIndex current = selection()->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int qvFileList::GetSelectedFilesString(QString &SelectedFiles) const
{
    m_model->flush();
    QModelIndexList rows = selection()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &i : rows)
        SelectedFiles += m_model->tag(i.row()) + QChar(0);
    SelectedFiles += QChar(0);
    return SelectedFiles.size() < 3 ? -1 : 1;
}

void qvFileList::GetSelectedFilesCollection(QStringList &SelectedFiles, bool OnlyFilename) const
{
    m_model->flush();
    QModelIndexList rows = selection()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &i : rows) {
        const QString tag = m_model->tag(i.row());
        SelectedFiles << (OnlyFilename ? qv::WinPath(tag).fileName() : tag);
    }
}

// ---- geometry

int qvFileList::HitTest(int x, int y) const
{
    QAbstractItemView *v = activeView();
    const QModelIndex i = v->indexAt(v->viewport()->mapFrom(this, QPoint(x, y)));
    return i.isValid() ? i.row() + 1 : 0;
}

int qvFileList::GetVisibleCount() const
{
    if (m_view != 3)
        return 0;
    m_model->flush();
    int rowHeight = 0;
    if (m_model->count() > 0)
        rowHeight = m_tree->visualRect(m_model->index(0, 0)).height();
    if (rowHeight <= 0)
        rowHeight = m_tree->fontMetrics().height() + 2;
    return std::max(0, m_tree->viewport()->height() / rowHeight);
}

QString qvFileList::GetParentFolder() const
{
    const qv::WinPath path(m_path);
    if (path.isEmpty() || path.isDriveRoot())
        return {};
    const QString parent = path.withoutTrailingSeparator().parent().text();
    return !parent.isEmpty() && qv::folderExists(parent) ? parent : QString();
}

void qvFileList::StartLabelEdit()
{
    const QModelIndex current = selection()->currentIndex();
    if (current.isValid())
        activeView()->edit(current.siblingAtColumn(0));
}

namespace
{
int columnOfKey(const QString &key)
{
    static const QStringList keys = {"filnavn", "egen", QString::fromUtf8("størrelse"), "dato", "attr"};
    return int(keys.indexOf(key.toLower()));
}
} // namespace

int qvFileList::GetColumnWidth(const QString &ColumnKey) const
{
    const int c = columnOfKey(ColumnKey);
    return c < 0 ? 0 : m_columnWidths[c];
}

void qvFileList::SetColumnWidth(const QString &ColumnKey, int ColumnWidth)
{
    const int c = columnOfKey(ColumnKey);
    if (c >= 0)
        setColumnWidthAt(c, ColumnWidth);
}

// The width of a column's widest cell and its title. The view's own fit looks only
// at the rows around the visible ones; measuring every row of a long list costs more
// than filling it, and the widest texts are among the longest.
int qvFileList::contentWidth(int column) const
{
    constexpr size_t Candidates = 48;
    const int n = m_model->count();
    std::vector<std::pair<qsizetype, int>> byLength;
    byLength.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        byLength.emplace_back(m_model->textLength(i, column), i);
    if (byLength.size() > Candidates) {
        std::nth_element(byLength.begin(), byLength.begin() + Candidates, byLength.end(), std::greater<>());
        byLength.resize(Candidates);
    }
    int widest = m_tree->header()->isHidden() ? 0 : m_tree->header()->sectionSizeHint(column);
    for (const auto &[length, row] : byLength)
        widest = std::max(widest, m_tree->sizeHintForIndex(m_model->index(row, column)).width());
    return widest;
}

void qvFileList::AutoColWidth()
{
    const int w = width();
    m_model->flush();
    if (m_view == 3 && m_model->count() > 0)
        for (int c = 0; c < qvFileListModel::Columns; ++c)
            setColumnWidthAt(c, contentWidth(c));
    if (m_columnWidths[4] < 40)
        setColumnWidthAt(4, 40);
    if (m_columnWidths[1] < 40)
        setColumnWidthAt(1, 40);
    int sum = 0;
    for (int c : m_columnWidths)
        sum += c;
    if (sum < w)
        setColumnWidthAt(0, m_columnWidths[0] + w - sum - 26);
}

// ---- sorting

int qvFileList::arrowColumn() const
{
    return m_tree->header()->isSortIndicatorShown() ? m_tree->header()->sortIndicatorSection() : -1;
}

bool qvFileList::arrowUp() const
{
    return m_tree->header()->sortIndicatorOrder() == Qt::DescendingOrder;
}

void qvFileList::hideSortArrow()
{
    m_tree->header()->setSortIndicatorShown(false);
}

void qvFileList::showSortArrow(int column, bool up)
{
    // The header draws a descending order as the upward arrow.
    m_tree->header()->setSortIndicatorShown(true);
    m_tree->header()->setSortIndicator(column, up ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void qvFileList::onColumnClick(int column)
{
    emit ColumnClick(column);
    const QString title = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    m_sorted = true;
    m_sortColumn = column;
    if (title == m_lastClickedTitle) {
        m_sortDescending = true;
        m_lastClickedTitle.clear();
    } else {
        m_lastClickedTitle = title;
        m_sortDescending = false;
    }
    showSortArrow(column, !m_sortDescending);
    const qvFileListSource *source = m_model->source();
    if (source && !source->onDisk()) {
        // Rows from elsewhere: their attribute letters tell the folders, and nothing is re-read.
        const auto byLetter = [](const qvFileListModel::Row &r) { return r.sub[3].contains(u'd'); };
        m_model->sortRows(column, m_sortDescending,
                          column == 0 ? std::function<bool(const qvFileListModel::Row &)>(byLetter)
                                      : nullptr);
        return;
    }
    if (column == 0 && (m_showFolders || m_fillMode == 1))
        General_zSorterMapperFoerst();
    else
        m_model->sortRows(column, m_sortDescending);
    General_zSjekkListe();
}

void qvFileList::SortColumn(int lColumnIndex, int eDirection)
{
    if (lColumnIndex < 0 || lColumnIndex >= qvFileListModel::Columns)
        return;
    m_sorted = true;
    m_sortColumn = lColumnIndex;
    m_sortDescending = eDirection == 1;
    showSortArrow(lColumnIndex, !m_sortDescending);
    if (lColumnIndex == 0 && m_showFolders) {
        m_sorted = false;
        General_zFyllListe();
        return;
    }
    m_model->sortRows(lColumnIndex, m_sortDescending);
}

void qvFileList::General_zSorterMapperFoerst()
{
    // The model moves the rows in place: selection and colours travel with them.
    m_sorted = false;
    m_model->sortRows(m_sortColumn, m_sortDescending,
                      [](const qvFileListModel::Row &r) { return qv::folderExists(r.tag); });
    for (int i = 0; i < m_model->count(); ++i)
        if (m_model->text(i, 4).contains(u'h'))
            m_model->setColor(i, qv::qvKontrollerFelles::ToQColor(HiddenRowColor));
    if (m_loadFileIcons != 0 && m_fillMode == 0)
        m_tmr2->start(1);
}

} // namespace qv
