#include "controls/filelist/qvFileListModel.h"

#include "platform/base/Collation.h"

#include <QTimer>
#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <thread>

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
    if (id != m_cachedId)
        return textOfId(id, column);
    return column == 0 ? m_cached.text : m_cached.sub[column - 1];
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

QString qvFileListModel::textOfId(quint32 id, int column) const
{
    if (id < m_sourceCount)
        return column == 0 ? (m_textOf ? m_textOf(m_source->path(int(id))) : m_source->path(int(id)))
                           : m_source->text(int(id), column);
    return columnText(m_rows[id - m_sourceCount], column);
}

namespace
{
// A row's place in the sort: the first eight bytes of its key as a number, so that
// most comparisons touch no key bytes at all.
struct Keyed {
    quint64 head;
    quint32 position; // in the order shown before the sort
    bool folder;
};

quint64 headOf(std::string_view key)
{
    quint64 head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < key.size() ? quint64(uchar(key[i])) : 0);
    return head;
}
} // namespace

// Every row's key is made once, in the order the rows are stored (a sorted list
// would otherwise be read all over the memory), half of them on a second thread; the
// two halves are sorted apart and merged.
std::vector<quint32> qvFileListModel::sortedOrder(int column, const std::vector<char> &folder,
                                                  bool descending) const
{
    const size_t n = m_order.size();
    const quint32 ids = m_sourceCount + quint32(m_rows.size());
    const quint32 half = ids / 2;
    std::string blocks[2];
    std::vector<quint32> end(ids); // where each id's key ends in its block
    const auto makeKeys = [&](quint32 from, quint32 to, std::string &bytes) {
        // Names in the order of the user's language, by their collation keys; the
        // other columns by their texts without regard to case.
        const NameKeys names;
        for (quint32 id = from; id < to; ++id) {
            const QString t = textOfId(id, column);
            if (column == 0)
                names.append(t, bytes);
            else
                appendFolded(t, bytes);
            end[id] = quint32(bytes.size());
        }
    };
    std::thread second(makeKeys, half, ids, std::ref(blocks[1]));
    makeKeys(0, half, blocks[0]);
    second.join();
    const auto key = [&](quint32 id) {
        const quint32 start = id == 0 || id == half ? 0 : end[id - 1];
        return std::string_view(blocks[id < half ? 0 : 1]).substr(start, end[id] - start);
    };

    std::vector<Keyed> items(n);
    for (size_t i = 0; i < n; ++i)
        items[i] = {headOf(key(m_order[i])), quint32(i), folder[i] != 0};
    const auto before = [&](const Keyed &a, const Keyed &b) {
        if (a.folder != b.folder)
            return a.folder;
        if (a.head != b.head)
            return descending ? a.head > b.head : a.head < b.head;
        if (const int c = key(m_order[a.position]).compare(key(m_order[b.position])); c != 0)
            return descending ? c > 0 : c < 0;
        return a.position < b.position; // equal keys keep their order
    };
    const auto middle = items.begin() + std::ptrdiff_t(n / 2);
    std::thread sorter([&] { std::sort(middle, items.end(), before); });
    std::sort(items.begin(), middle, before);
    sorter.join();
    std::inplace_merge(items.begin(), middle, items.end(), before);

    std::vector<quint32> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = items[i].position;
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
