#pragma once
#include <QColor>
#include <QHash>
#include <QStandardItemModel>
#include <QString>

namespace qv
{

// The nodes of qvTree, found by key. Keys are lower-case paths ("c:\data"), "R1" for
// the computer node.
class qvTreeModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1,
        TagRole,
        ImageRole,
        SelectedImageRole,
        SortedRole,
        LinkRole,
    };
    // Collection errors, with the numbers the tree's handlers switch on.
    static constexpr int ErrNotSet = 91, ErrNoSuchNode = 35601, ErrDuplicateKey = 35602, ErrBadKey = 35603;

    explicit qvTreeModel(QObject *parent = nullptr);

    // Adds a node below the node parentKey (empty: top level). Throws 35602 when the
    // key is taken, 35601 when the parent is missing.
    QStandardItem *addNode(const QString &parentKey, const QString &key, const QString &text,
                           const QString &image);
    QStandardItem *node(const QString &key) const; // nullptr when none
    QStandardItem *nodeOrThrow(const QString &key) const;
    void removeNode(const QString &key); // throws 35601
    void clearNodes();
    void rekey(QStandardItem *item, const QString &newKey);

    static QString key(const QStandardItem *item);
    static QString tag(const QStandardItem *item);
    static QString image(const QStandardItem *item);
    void setTag(QStandardItem *item, const QString &tag);
    void setSelectedImage(QStandardItem *item, const QString &image);
    void setForeColor(QStandardItem *item, const QColor &colour);
    static QColor foreColor(const QStandardItem *item);
    // Sorted: children in alphabetical order of their text, new ones put in place.
    void setSorted(QStandardItem *item);

    void setSelectedKey(const QString &key);
    void setDropHighlight(const QString &key);
    QString dropHighlight() const { return m_dropKey; }

    // Every node, depth first in display order (the index order of the tree).
    QList<QStandardItem *> allNodes() const;

    QVariant data(const QModelIndex &index, int role) const override;

private:
    void forgetBelow(QStandardItem *item);
    void refresh(const QString &key);

    QHash<QString, QStandardItem *> m_nodes;
    QString m_selectedKey, m_dropKey;
};

} // namespace qv
