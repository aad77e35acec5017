#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <functional>
#include <vector>

namespace qv
{

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
        QString sub[4];
        QColor color; // invalid: the palette's text colour
        QString iconKey;
        bool dimmed = false; // hidden entries get a ghosted icon
        bool link = false;   // icons carry the shortcut arrow
    };

    explicit qvFileListModel(QObject *parent = nullptr);

    // Store access, including rows not yet announced (0-based).
    int count() const { return int(m_rows.size()); }
    const Row &row(int i) const { return m_rows[size_t(i)]; }
    void append(Row row);
    void clear();
    void removeAt(int i);
    // Changes of a row that is announced are signalled; others wait for the insert.
    void setText(int i, const QString &text);
    // Every row's text from its tag, announced as one change.
    void retextAll(const std::function<QString(const QString &tag)> &textOf);
    void setTag(int i, const QString &tag) { m_rows[size_t(i)].tag = tag; }
    void setSub(int i, int column, const QString &text);
    void setColor(int i, const QColor &color);
    void setIconKey(int i, const QString &key);
    void setDimmed(int i, bool on) { m_rows[size_t(i)].dimmed = on; }
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
    std::vector<Row> m_rows;
    int m_shown = 0; // rows the views know of
    int m_dropRow = -1;
    bool m_flushQueued = false;
    QHash<QString, QIcon> m_small, m_large;
    bool m_largeIcons = false, m_showSmall = true, m_showLarge = true, m_editable = false;
    Qt::Alignment m_align[Columns];
};

} // namespace qv
