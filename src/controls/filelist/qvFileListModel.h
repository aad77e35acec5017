#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <array>
#include <functional>
#include <vector>

namespace qv
{

// Rows a program keeps itself, which the list shows without copying them: their texts
// are asked for when a row is drawn, sorted or queried (rows 0-based).
class qvFileListSource
{
public:
    virtual ~qvFileListSource() = default;
    virtual int count() const = 0;
    virtual QString path(int i) const = 0;             // the full path, the row's tag
    virtual QString text(int i, int column) const = 0; // columns 1 to 4
    virtual bool isFolder(int i) const
    {
        Q_UNUSED(i);
        return false;
    }
    // About the length of a column's text as shown, for fitting the columns; -1: ask the text.
    virtual qsizetype textLength(int i, int column) const
    {
        Q_UNUSED(i);
        Q_UNUSED(column);
        return -1;
    }
    // False: the rows stand for files elsewhere (the contents of a backup, say), which
    // the list never looks for on this machine's disks.
    virtual bool onDisk() const { return true; }
};

// The rows of the file list. Rows are appended to the store at once (so counts and
// paths answer straight away) and announced to the views in one insert at the next
// turn of the event loop, or earlier when anything needs the views to agree.
class qvFileListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int Columns = 5;

    struct Row {
        QString text; // column 1 as shown
        QString tag;  // the full path
        std::array<QString, 4> sub;
        QColor color; // invalid: the palette's text colour
        QString iconKey;
        bool dimmed = false; // hidden entries get a ghosted icon
        bool link = false;   // icons carry the shortcut arrow
    };

    explicit qvFileListModel(QObject *parent = nullptr);

    // Store access, including rows not yet announced (0-based).
    int count() const { return int(m_order.size()); }
    Row row(int i) const { return at(i); }
    QString tag(int i) const;
    // The source row shown as row i; -1 for a stored row.
    int sourceRow(int i) const;
    const qvFileListSource *source() const { return m_source; }
    QString text(int i, int column) const;
    qsizetype textLength(int i, int column) const;
    void append(Row row);
    void clear();
    // Shows source's rows instead of the store's (the source outlives them, until
    // clear): column 1 is textOf(path), and complete gives a row its colour and icon state.
    void setSource(const qvFileListSource *source, std::function<QString(const QString &path)> textOf,
                   std::function<void(Row &)> complete);
    void removeAt(int i);
    // Changes of a row that is announced are signalled; others wait for the insert.
    void setText(int i, const QString &text);
    // Every row's text from its tag, announced as one change.
    void retextAll(const std::function<QString(const QString &tag)> &textOf);
    void setTag(int i, const QString &tag) { editable(i).tag = tag; }
    void setSub(int i, int column, const QString &text);
    void setColor(int i, const QColor &color);
    void setIconKey(int i, const QString &key);
    void setDimmed(int i, bool on);
    // Announces every pending row now.
    void flush();

    // Stable text sort on one column (0-based), case-insensitive; with foldersFirst
    // the rows isFolder picks come first, each group in its own sorted order.
    void sortRows(int column, bool descending, const std::function<bool(const Row &)> &isFolder = {});

    // Icons by key, shared by every row with that key.
    void setIcons(const QString &key, const QIcon &small, const QIcon &large);
    bool hasIcons(const QString &key) const { return m_small.contains(key); }
    void clearIcons();
    void setLargeIcons(bool on) { m_largeIcons = on; }
    void setShowIcons(bool small, bool large);
    void setAlignment(int column, Qt::Alignment a);
    Qt::Alignment alignment(int column) const { return m_align[column]; }
    void setEditable(bool on) { m_editable = on; }
    // The drop-highlighted row (-1: none).
    void setDropRow(int row);
    int dropRow() const { return m_dropRow; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // A label edit is about to be committed: cancel keeps the old text.
    void labelEdited(int row, QString *text, bool *cancel);

private:
    void scheduleFlush();
    std::vector<quint32> sortedOrder(int column, const std::vector<char> &folder, bool descending) const;
    // A row's text by id, without the cache: safe to call from more than one thread.
    QString textOfId(quint32 id, int column) const;
    // A row by id: a source row (id below the source's count) or a stored one.
    const Row &at(int i) const;
    const Row &byId(quint32 id) const;
    Row &editable(int i); // a source row is stored from then on
    void forgetCached() const { m_cachedId = NoId; }
    static constexpr quint32 NoId = 0xFFFFFFFFu;

    const qvFileListSource *m_source = nullptr;
    quint32 m_sourceCount = 0;
    std::function<QString(const QString &)> m_textOf;
    std::function<void(Row &)> m_complete;
    std::vector<Row> m_rows;      // stored rows, id m_sourceCount + index
    std::vector<quint32> m_order; // the rows' ids in shown order
    mutable quint32 m_cachedId = NoId;
    mutable Row m_cached; // the source row asked for last
    int m_shown = 0;      // rows the views know of
    int m_dropRow = -1;
    bool m_flushQueued = false;
    QHash<QString, QIcon> m_small, m_large;
    bool m_largeIcons = false, m_showSmall = true, m_showLarge = true, m_editable = false;
    Qt::Alignment m_align[Columns];
};

} // namespace qv
