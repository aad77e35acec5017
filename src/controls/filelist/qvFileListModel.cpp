#include "controls/filelist/qvFileListModel.h"

#include "platform/base/Collation.h"

#include <QTimer>
#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>

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

const qvFileListModel::Row &qvFileListModel::byId(quint32 id) const
{
    if (id >= m_sourceCount)
        return m_rows[id - m_sourceCount];
    if (id != m_cachedId) {
        Row r;
        r.tag = m_source->path(int(id));
        for (int c = 1; c < Columns; ++c)
            r.sub[c - 1] = m_source->text(int(id), c);
        r.text = m_textOf ? m_textOf(r.tag) : r.tag;
        if (m_complete)
            m_complete(r);
        m_cached = std::move(r);
        m_cachedId = id;
    }
    return m_cached;
}

const qvFileListModel::Row &qvFileListModel::at(int i) const
{
    return byId(m_order[size_t(i)]);
}

QString qvFileListModel::tag(int i) const
{
    const quint32 id = m_order[size_t(i)];
    return id < m_sourceCount && id != m_cachedId ? m_source->path(int(id)) : byId(id).tag;
}

int qvFileListModel::sourceRow(int i) const
{
    const quint32 id = m_order[size_t(i)];
    return id < m_sourceCount ? int(id) : -1;
}

QString qvFileListModel::text(int i, int column) const
{
    const quint32 id = m_order[size_t(i)];
    if (id < m_sourceCount && id != m_cachedId)
        return column == 0 ? (m_textOf ? m_textOf(m_source->path(int(id))) : m_source->path(int(id)))
                           : m_source->text(int(id), column);
    const Row &r = byId(id);
    return column == 0 ? r.text : r.sub[column - 1];
}

qsizetype qvFileListModel::textLength(int i, int column) const
{
    const quint32 id = m_order[size_t(i)];
    if (id < m_sourceCount && id != m_cachedId) {
        const qsizetype length = m_source->textLength(int(id), column);
        if (length >= 0)
            return length;
    }
    return text(i, column).size();
}

qvFileListModel::Row &qvFileListModel::editable(int i)
{
    quint32 &id = m_order[size_t(i)];
    if (id < m_sourceCount) {
        m_rows.push_back(byId(id));
        id = m_sourceCount + quint32(m_rows.size() - 1);
        forgetCached();
    }
    return m_rows[id - m_sourceCount];
}

void qvFileListModel::append(Row row)
{
    m_rows.push_back(std::move(row));
    m_order.push_back(m_sourceCount + quint32(m_rows.size() - 1));
    scheduleFlush();
}

void qvFileListModel::setSource(const qvFileListSource *source,
                                std::function<QString(const QString &)> textOf,
                                std::function<void(Row &)> complete)
{
    clear();
    if (!source || source->count() == 0)
        return;
    m_source = source;
    m_sourceCount = quint32(source->count());
    m_textOf = std::move(textOf);
    m_complete = std::move(complete);
    m_order.resize(m_sourceCount);
    std::iota(m_order.begin(), m_order.end(), 0u);
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
    std::vector<Row>().swap(m_rows);
    std::vector<quint32>().swap(m_order);
    m_source = nullptr;
    m_sourceCount = 0;
    m_textOf = nullptr;
    m_complete = nullptr;
    forgetCached();
    m_shown = 0;
    endResetModel();
}

void qvFileListModel::removeAt(int i)
{
    flush();
    beginRemoveRows({}, i, i);
    m_order.erase(m_order.begin() + i);
    --m_shown;
    endRemoveRows();
}

void qvFileListModel::setText(int i, const QString &text)
{
    editable(i).text = text;
    if (i < m_shown)
        emit dataChanged(index(i, 0), index(i, 0));
}

void qvFileListModel::retextAll(const std::function<QString(const QString &)> &textOf)
{
    // Source rows take their text from the list's rule when shown.
    for (Row &r : m_rows)
        r.text = textOf(r.tag);
    forgetCached();
    if (m_shown > 0)
        emit dataChanged(index(0, 0), index(m_shown - 1, 0), {Qt::DisplayRole, Qt::EditRole});
}

void qvFileListModel::setSub(int i, int column, const QString &text)
{
    editable(i).sub[column - 1] = text;
    if (i < m_shown)
        emit dataChanged(index(i, column), index(i, column));
}

void qvFileListModel::setColor(int i, const QColor &color)
{
    if (at(i).color == color)
        return;
    editable(i).color = color;
    if (i < m_shown)
        emit dataChanged(index(i, 0), index(i, Columns - 1), {Qt::ForegroundRole});
}

void qvFileListModel::setDimmed(int i, bool on)
{
    if (at(i).dimmed != on)
        editable(i).dimmed = on;
}

void qvFileListModel::setIconKey(int i, const QString &key)
{
    if (at(i).iconKey == key)
        return;
    editable(i).iconKey = key;
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

// A key whose byte order is the order of QString::compare without regard to case:
// each UTF-16 unit case-folded, high byte first.
void appendFolded(QStringView text, std::string &out)
{
    for (QChar c : text) {
        const char16_t u = c.toCaseFolded().unicode();
        out += char(u >> 8);
        out += char(u & 0xFF);
    }
}
} // namespace

// Every row's key is made once, into one block: a million rows sort in about a second.
std::vector<quint32> qvFileListModel::sortedOrder(int column, const std::vector<char> &folder,
                                                  bool descending) const
{
    const size_t n = m_order.size();
    std::vector<quint32> order(n);
    std::iota(order.begin(), order.end(), 0u);
    const auto sortBy = [&](auto less) {
        std::stable_sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
            if (folder[a] != folder[b])
                return folder[a] > folder[b];
            return descending ? less(b, a) : less(a, b);
        });
    };
    // Names in the order of the user's language, by their collation keys; the other
    // columns by their texts without regard to case.
    const NameKeys names;
    std::string bytes;
    std::vector<size_t> start(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        const QString t = text(int(i), column);
        if (column == 0)
            names.append(t, bytes);
        else
            appendFolded(t, bytes);
        start[i + 1] = bytes.size();
    }
    const std::string_view all(bytes);
    const auto key = [&](quint32 i) { return all.substr(start[i], start[i + 1] - start[i]); };
    sortBy([&](quint32 a, quint32 b) { return key(a) < key(b); });
    return order;
}

void qvFileListModel::sortRows(int column, bool descending, const std::function<bool(const Row &)> &isFolder)
{
    flush();
    column = std::clamp(column, 0, Columns - 1);
    const int n = count();
    std::vector<char> folder(static_cast<size_t>(n), 0);
    if (isFolder)
        for (int i = 0; i < n; ++i) {
            const quint32 id = m_order[size_t(i)];
            folder[size_t(i)] =
                (id < m_sourceCount ? m_source->isFolder(int(id)) : isFolder(m_rows[id - m_sourceCount])) ? 1
                                                                                                          : 0;
        }
    std::vector<quint32> order;
    if (m_sourceCount == 0) {
        // Stored rows only: compared by their texts, which they hold.
        order.resize(size_t(n));
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
            if (folder[a] != folder[b])
                return folder[a] > folder[b];
            const QString &x = columnText(at(int(a)), column), &y = columnText(at(int(b)), column);
            const int c = column == 0 ? qv::compareNames(x, y) : x.compare(y, Qt::CaseInsensitive);
            return descending ? c > 0 : c < 0;
        });
    } else {
        order = sortedOrder(column, folder, descending);
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPos(static_cast<size_t>(n));
    std::vector<quint32> sorted(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        newPos[order[size_t(i)]] = i;
        sorted[size_t(i)] = m_order[order[size_t(i)]];
    }
    m_order = std::move(sorted);
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
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_align[index.column()]);
    if (role == Qt::BackgroundRole)
        return index.row() == m_dropRow ? QVariant(QColor(204, 232, 255)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ForegroundRole &&
        role != Qt::DecorationRole)
        return {};
    const Row &r = at(index.row());
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
