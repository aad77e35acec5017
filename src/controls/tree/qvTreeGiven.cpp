// A tree of folders the program names (the contents of a backup, say) rather than
// the folders of the disks.
#include "controls/tree/qvTree.h"
#include "controls/tree/qvTreeModel.h"

#include <QSet>
#include <utility>

namespace qv
{

namespace
{
// "/" and the folder: no disk key ("c:\...", "R1") starts so, and case stays apart.
QString givenKey(const QString &folder)
{
    return u'/' + folder;
}
} // namespace

QStandardItem *qvTree::givenNode(const QString &folder) const
{
    return m_given ? m_model->node(givenKey(folder)) : nullptr;
}

void qvTree::ShowFolders(const QString &rootText, const QStringList &folders)
{
    m_given = true;
    m_started = true; // being shown must not load the disks over these nodes
    m_tmr1.stop();
    closeWatch();
    freeze(true);
    const bool was = std::exchange(m_programmatic, true);
    m_model->clearNodes();
    QStandardItem *root =
        m_model->addNode(QString(), givenKey(QString()), rootText, QStringLiteral("ClosedFolder"));
    m_model->setTag(root, QStringLiteral("Root"));
    QSet<QString> added{QString()};
    const auto add = [&](const QString &folder, auto &&self) -> void {
        if (added.contains(folder))
            return;
        const qsizetype slash = folder.lastIndexOf(u'/');
        const QString parent = slash < 0 ? QString() : folder.left(slash);
        self(parent, self);
        m_model->addNode(givenKey(parent), givenKey(folder), folder.mid(slash + 1),
                         QStringLiteral("ClosedFolder"));
        added.insert(folder);
    };
    for (const QString &f : folders)
        if (!f.isEmpty())
            add(f, add);
    // Sorted once all are in: placing each as it comes costs a pass over its siblings.
    for (QStandardItem *n : m_model->allNodes())
        if (n->rowCount() > 0)
            m_model->setSorted(n);
    m_view->expand(root->index());
    selectNode(root);
    m_programmatic = was;
    freeze(false);
    m_path.clear();
    m_getPath.clear();
    m_subFolderCount = root->rowCount();
    UpdateSelectedImage();
}

void qvTree::givenNodeClick(QStandardItem *n)
{
    if (!n)
        return;
    QString path = qvTreeModel::key(n).mid(1), previous = m_path;
    int shift = m_lastShift;
    m_path = path;
    m_getPath = path;
    m_subFolderCount = n->rowCount();
    UpdateSelectedImage();
    m_view->viewport()->update();
    if (path != previous)
        emit PathChange(path, previous, shift);
    emit NodeClick(n, shift);
    m_lastShift = 0;
}

} // namespace qv
