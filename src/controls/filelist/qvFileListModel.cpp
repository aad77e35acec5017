#include "controls/filelist/qvFileListModel.h"

#include "platform/base/Collation.h"

#include <QTimer>
#include <algorithm>
#include <numeric>

namespace qv
{

qvFileListModel::qvFileListModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_align[0] = m_align[1] = Qt::AlignLeft | Qt::AlignVCenter;
    m_align[2] = m_align[3] = m_align[4] = Qt::AlignRight | Qt::AlignVCenter;
}

void qvFileListModel::scheduleFlush()
{
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QTimer::singleShot(0, this, [this] { flush(); });
}

void qvFileListModel::append(Row row)
{
    m_rows.push_back(std::move(row));
    scheduleFlush();
}

void qvFileListModel::flush()
{
    m_flushQueued = false;
    const int n = count();
    if (n <= m_shown)
        return;
    beginInsertRows({}, m_shown, n - 1);
    m_shown = n;
    endInsertRows();
}

void qvFileListModel::clear()
{
    beginResetModel();
    m_dropRow = -1;
    m_rows.clear();
    m_shown = 0;
    endResetModel();
}

void qvFileListModel::removeAt(int i)
{
    flush();
    beginRemoveRows({}, i, i);
    m_rows.erase(m_rows.begin() + i);
    --m_shown;
    endRemoveRows();
}

void qvFileListModel::setText(int i, const QString &text)
{
    m_rows[size_t(i)].text = text;
    if (i < m_shown)
        emit dataChanged(index(i, 0), index(i, 0));
}

void qvFileListModel::retextAll(const std::function<QString(const QString &)> &textOf)
{
    for (Row &r : m_rows)
        r.text = textOf(r.tag);
    if (m_shown > 0)
        emit dataChanged(index(0, 0), index(m_shown - 1, 0), {Qt::DisplayRole, Qt::EditRole});
}

void qvFileListModel::setSub(int i, int column, const QString &text)
{
    m_rows[size_t(i)].sub[column - 1] = text;
    if (i < m_shown)
        emit dataChanged(index(i, column), index(i, column));
}

void qvFileListModel::setColor(int i, const QColor &color)
{
    m_rows[size_t(i)].color = color;
    if (i < m_shown)
        emit dataChanged(index(i, 0), index(i, Columns - 1), {Qt::ForegroundRole});
}

void qvFileListModel::setIconKey(int i, const QString &key)
{
    if (m_rows[size_t(i)].iconKey == key)
        return;
    m_rows[size_t(i)].iconKey = key;
    if (i < m_shown)
        emit dataChanged(index(i, 0), index(i, 0), {Qt::DecorationRole});
}

void qvFileListModel::setIcons(const QString &key, const QIcon &small, const QIcon &large)
{
    m_small.insert(key, small);
    m_large.insert(key, large);
}

void qvFileListModel::clearIcons()
{
    m_small.clear();
    m_large.clear();
}

void qvFileListModel::setShowIcons(bool small, bool large)
{
    m_showSmall = small;
    m_showLarge = large;
    if (m_shown > 0)
        emit dataChanged(index(0, 0), index(m_shown - 1, 0), {Qt::DecorationRole});
}

void qvFileListModel::setAlignment(int column, Qt::Alignment a)
{
    m_align[column] = a | Qt::AlignVCenter;
    if (m_shown > 0)
        emit dataChanged(index(0, column), index(m_shown - 1, column), {Qt::TextAlignmentRole});
}

void qvFileListModel::setDropRow(int row)
{
    if (row == m_dropRow)
        return;
    const int old = m_dropRow;
    m_dropRow = row;
    for (int r : {old, row})
        if (r >= 0 && r < m_shown)
            emit dataChanged(index(r, 0), index(r, Columns - 1), {Qt::BackgroundRole});
}

namespace
{
const QString &columnText(const qvFileListModel::Row &r, int column)
{
    return column == 0 ? r.text : r.sub[column - 1];
}
} // namespace

void qvFileListModel::sortRows(int column, bool descending, const std::function<bool(const Row &)> &isFolder)
{
    flush();
    column = std::clamp(column, 0, Columns - 1);
    const int n = count();
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::vector<char> folder(static_cast<size_t>(n), 0);
    if (isFolder)
        for (int i = 0; i < n; ++i)
            folder[size_t(i)] = isFolder(m_rows[size_t(i)]) ? 1 : 0;
    // Names sort as the user's language orders them; the other columns are texts
    // formed to sort by their characters (sizes padded, dates year first).
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (folder[size_t(a)] != folder[size_t(b)])
            return folder[size_t(a)] > folder[size_t(b)];
        const QString &x = columnText(m_rows[size_t(a)], column), &y = columnText(m_rows[size_t(b)], column);
        const int c = column == 0 ? qv::compareNames(x, y) : x.compare(y, Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPos(static_cast<size_t>(n));
    std::vector<Row> sorted;
    sorted.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        newPos[size_t(order[size_t(i)])] = i;
        sorted.push_back(std::move(m_rows[size_t(order[size_t(i)])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &idx : before)
        after << index(newPos[size_t(idx.row())], idx.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int qvFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int qvFileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant qvFileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown)
        return {};
    const Row &r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return columnText(r, index.column());
    case Qt::ForegroundRole:
        return r.color.isValid() ? QVariant(r.color) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_align[index.column()]);
    case Qt::DecorationRole: {
        if (index.column() != 0 || r.iconKey.isEmpty())
            return {};
        if (m_largeIcons ? !m_showLarge : !m_showSmall)
            return {};
        const auto &icons = m_largeIcons ? m_large : m_small;
        const auto it = icons.constFind(r.iconKey);
        return it == icons.constEnd() ? QVariant() : QVariant(*it);
    }
    case Qt::BackgroundRole:
        return index.row() == m_dropRow ? QVariant(QColor(204, 232, 255)) : QVariant();
    default:
        return {};
    }
}

QVariant qvFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[Columns] = {"Filnavn", "Egen", "Størrelse", "Endret", "Attr."};
    if (orientation != Qt::Horizontal || section < 0 || section >= Columns)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(titles[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_align[section]);
    return {};
}

Qt::ItemFlags qvFileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (m_editable && index.column() == 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool qvFileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0 || index.row() >= m_shown)
        return false;
    QString text = value.toString();
    bool cancel = false;
    emit labelEdited(index.row(), &text, &cancel);
    if (cancel)
        return false;
    setText(index.row(), text);
    return true;
}

} // namespace qv
