#include "controls/tree/qvTreeModel.h"

#include "controls/tree/qvTreeIcons.h"
#include "platform/base/Collation.h"
#include "platform/base/PlatformError.h"

#include <QApplication>
#include <QPalette>

namespace qv
{

namespace
{
// Children sort by their labels as the user's language orders names.
class NodeItem : public QStandardItem
{
public:
    using QStandardItem::QStandardItem;
    bool operator<(const QStandardItem &other) const override { return qv::lessName(text(), other.text()); }
};
} // namespace

qvTreeModel::qvTreeModel(QObject *parent) : QStandardItemModel(parent) {}

QStandardItem *qvTreeModel::node(const QString &key) const
{
    return m_nodes.value(key, nullptr);
}

QStandardItem *qvTreeModel::nodeOrThrow(const QString &key) const
{
    QStandardItem *n = node(key);
    if (!n)
        throw qv::PlatformError(ErrNoSuchNode, QStringLiteral("Element not found"));
    return n;
}

QStandardItem *qvTreeModel::addNode(const QString &parentKey, const QString &key, const QString &text,
                                    const QString &image)
{
    if (key.isEmpty())
        throw qv::PlatformError(ErrBadKey, QStringLiteral("Invalid key"));
    if (m_nodes.contains(key))
        throw qv::PlatformError(ErrDuplicateKey, QStringLiteral("Key is not unique in collection"));
    QStandardItem *parent = parentKey.isEmpty() ? invisibleRootItem() : nodeOrThrow(parentKey);
    auto *item = new NodeItem(text);
    item->setEditable(true);
    item->setData(key, KeyRole);
    item->setData(image, ImageRole);
    item->setData(QColor(Qt::black), Qt::ForegroundRole);
    int row = parent->rowCount();
    if (parent != invisibleRootItem() && parent->data(SortedRole).toBool()) {
        row = 0;
        while (row < parent->rowCount() && qv::compareNames(parent->child(row)->text(), text) <= 0)
            ++row;
    }
    parent->insertRow(row, item);
    m_nodes.insert(key, item);
    return item;
}

void qvTreeModel::forgetBelow(QStandardItem *item)
{
    for (int r = 0; r < item->rowCount(); ++r)
        forgetBelow(item->child(r));
    m_nodes.remove(key(item));
}

void qvTreeModel::removeNode(const QString &key)
{
    QStandardItem *n = nodeOrThrow(key);
    forgetBelow(n);
    if (m_dropKey == key)
        m_dropKey.clear();
    QStandardItem *parent = n->parent() ? n->parent() : invisibleRootItem();
    parent->removeRow(n->row());
}

void qvTreeModel::clearNodes()
{
    m_nodes.clear();
    m_dropKey.clear();
    clear();
}

void qvTreeModel::rekey(QStandardItem *item, const QString &newKey)
{
    m_nodes.remove(key(item));
    item->setData(newKey, KeyRole);
    m_nodes.insert(newKey, item);
}

QString qvTreeModel::key(const QStandardItem *item)
{
    return item ? item->data(KeyRole).toString() : QString();
}

QString qvTreeModel::tag(const QStandardItem *item)
{
    return item ? item->data(TagRole).toString() : QString();
}

QString qvTreeModel::image(const QStandardItem *item)
{
    return item ? item->data(ImageRole).toString() : QString();
}

void qvTreeModel::setTag(QStandardItem *item, const QString &tag)
{
    item->setData(tag, TagRole);
}

void qvTreeModel::setSelectedImage(QStandardItem *item, const QString &image)
{
    item->setData(image, SelectedImageRole);
}

void qvTreeModel::setForeColor(QStandardItem *item, const QColor &colour)
{
    item->setData(colour, Qt::ForegroundRole);
}

QColor qvTreeModel::foreColor(const QStandardItem *item)
{
    return item->data(Qt::ForegroundRole).value<QColor>();
}

void qvTreeModel::setSorted(QStandardItem *item)
{
    item->setData(true, SortedRole);
    item->sortChildren(0);
}

void qvTreeModel::refresh(const QString &key)
{
    if (QStandardItem *n = node(key)) {
        const QModelIndex i = n->index();
        emit dataChanged(i, i, {Qt::DecorationRole, Qt::BackgroundRole, Qt::ForegroundRole});
    }
}

void qvTreeModel::setSelectedKey(const QString &key)
{
    const QString old = std::exchange(m_selectedKey, key);
    refresh(old);
    refresh(key);
}

void qvTreeModel::setDropHighlight(const QString &key)
{
    const QString old = std::exchange(m_dropKey, key);
    refresh(old);
    refresh(key);
}

QList<QStandardItem *> qvTreeModel::allNodes() const
{
    QList<QStandardItem *> out;
    std::function<void(QStandardItem *)> walk = [&](QStandardItem *p) {
        for (int r = 0; r < p->rowCount(); ++r) {
            out.append(p->child(r));
            walk(p->child(r));
        }
    };
    walk(invisibleRootItem());
    return out;
}

QVariant qvTreeModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole) {
        QString img = QStandardItemModel::data(index, ImageRole).toString();
        const QString selected = QStandardItemModel::data(index, SelectedImageRole).toString();
        if (!selected.isEmpty() && QStandardItemModel::data(index, KeyRole).toString() == m_selectedKey)
            img = selected;
        return qvTreeIcon(img);
    }
    if (role == Qt::BackgroundRole && !m_dropKey.isEmpty() &&
        QStandardItemModel::data(index, KeyRole).toString() == m_dropKey)
        return QApplication::palette().color(QPalette::Highlight).lighter(160);
    return QStandardItemModel::data(index, role);
}

} // namespace qv
