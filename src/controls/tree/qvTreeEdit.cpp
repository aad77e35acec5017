// Making, renaming and deleting folders from the tree, and drags over it.
#include "controls/tree/qvTree.h"

#include "controls/tree/qvTreeModel.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderOps.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ChangeWatch.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QScrollBar>

namespace qv
{

namespace
{

const QString NewFolderFailed =
    QStringLiteral("Får ingen tilgang til å opprette mappen. Mulig årsak kan være...\n\n"
                   "- Mappen finnes kanskje fra før.\n"
                   "- Disken kan være skrivebeskyttet.\n"
                   "- Du er på en CD-ROM/DVD stasjon.\n"
                   "- Det er ikke diskett i stasjonen.\n"
                   "- Mappenavnet må ikke inneholde karakterene \\ / : * ? < > \" |\n"
                   "- For mange filer/mapper på root-nivå, maks 75. (Gjelder bare 1.44 mb disketter).");

} // namespace

long qvTree::CreateNewFolder()
{
    try {
        if (m_inRenameModus) {
            if (QStandardItem *s = selectedNode())
                tvwDir_NodeClick(s);
        }
        QStandardItem *s = selectedNode();
        const QString tag = qvTreeModel::tag(s);
        if (!s || tag == u"Bosskorg" || tag == ComputerKey)
            return 0;
        if (m_path.isEmpty())
            m_path = qvTreeModel::key(s);
        QString label, full;
        for (qint16 n = 0;; ++n) {
            label = n > 0 ? QStringLiteral("Ny mappe (%1)").arg(n) : QStringLiteral("Ny mappe");
            full = (qv::WinPath(m_path) / label).text();
            if (!isFolder(full))
                break;
            if (n == std::numeric_limits<qint16>::max())
                throw PlatformError(6, QStringLiteral("Overflow"));
        }
        if (!qv::createFolder(full)) {
            if (qv::msgBox(NewFolderFailed, qv::Buttons::RetryCancel, qv::Icon::Critical) ==
                qv::Answer::Retry)
                CreateNewFolder();
            return -1;
        }
        if (isFolder(full)) {
            QStandardItem *added =
                m_model->addNode(m_path.toLower(), full.toLower(), label, QStringLiteral("ClosedFolder"));
            selectNode(added);
            m_view->scrollTo(added->index());
            const bool allowed = m_allowRenaming;
            m_allowRenaming = true;
            m_view->edit(added->index());
            m_allowRenaming = allowed;
            setGetPath(full.toLower());
            UpdateSelectedImage();
            int shift = m_lastShift;
            emit NodeClick(added, shift);
        }
        return 1;
    } catch (const PlatformError &e) {
        if (e.number() == qvTreeModel::ErrNoSuchNode)
            return 1;
        // A logged error: the empty result.
        LogTreeError(QStringLiteral("General_CreateNewFolder"), e.number(), e.description(), false);
    }
    return 0;
}

int qvTree::RenameSelectedFolder()
{
    if (!m_allowRenaming)
        return 0;
    if (QStandardItem *n = m_model->node(StripTrailingBackslash(m_path).toLower())) {
        selectNode(n);
        m_view->edit(n->index());
    }
    return 0;
}

// false: the edit does not start.
bool qvTree::tvwDir_BeforeLabelEdit()
{
    int cancel = 0;
    emit BeforeLabelEdit(cancel);
    if (!m_allowRenaming)
        cancel = 1;
    m_inRenameModus = true;
    closeWatch();
    QStandardItem *s = selectedNode();
    const QString text = s ? s->text() : QString();
    const QString tag = qvTreeModel::tag(s);
    if (!s || text == u"Skrivebord" || text == u"Mine dokumenter" || text == u"Min datamaskin" ||
        tag == u"Root" || tag == u"Bosskorg")
        cancel = 1;
    if (cancel) {
        m_inRenameModus = false;
        armWatch(qvTreeModel::key(s));
    }
    return cancel == 0;
}

// An edit that ended without a new name.
void qvTree::labelEditEnded()
{
    m_inRenameModus = false;
    armWatch(qvTreeModel::key(selectedNode()));
}

void qvTree::tvwDir_AfterLabelEdit(QStandardItem *edited, QString newString, bool *cancelOut)
{
    armWatch(qvTreeModel::key(selectedNode()));
    m_inRenameModus = false;
    newString = newString.trimmed();
    int cancel = 0;
    // The folder renamed is the one whose label was edited, even when Path has
    // moved on to a folder without a node of its own.
    const QString editedPath = edited ? qvTreeModel::key(edited) : m_path;
    const QString oldPath = StripTrailingBackslash(editedPath);
    const QString newPath = ParentPath(editedPath) + newString;
    if (newString.isEmpty() || !General_zEndreFilnavn(oldPath, newPath))
        cancel = 1;
    else
        m_path = newPath.toLower();
    UpdateSelectedImage();
    emit AfterLabelEdit(cancel, newString);
    *cancelOut = cancel != 0;
}

bool qvTree::General_zEndreFilnavn(const QString &oldPath, QString newPath)
{
    try {
        if (!isFolder(oldPath))
            return false;
        try {
            // A name with a separator would move the folder elsewhere: the platform
            // refuses such a name, as Windows does.
            if (QString::compare(ParentPath(newPath), ParentPath(oldPath), Qt::CaseInsensitive) != 0 ||
                FolderName(newPath).contains(u'/'))
                throw PlatformError(qv::Err::BadFileName);
            qv::renameFolder(oldPath, newPath).orThrow();
        } catch (const PlatformError &e) {
            qv::msgBox(
                QStringLiteral("Kan ikke gi nytt navn til %1: %2").arg(FolderName(oldPath), e.description()),
                qv::Buttons::OK, qv::Icon::Critical);
            return false;
        }
        const qsizetype nul = newPath.indexOf(QChar(0));
        if (nul >= 0)
            newPath.truncate(nul);
        QStandardItem *s = selectedNode();
        if (!s)
            return true;
        // Keys stay lower case, so the renamed node is found like any other.
        m_model->rekey(s, newPath.toLower());
        setGetPath(newPath);
        // The children's keys still hold the old path. The rebuild waits until the
        // edit has closed, as it removes the node being edited.
        if (s->rowCount() > 0)
            QMetaObject::invokeMethod(
                this, [this] { Refresh(); }, Qt::QueuedConnection);
        return true;
    } catch (const PlatformError &e) {
        if (e.number() != qvTreeModel::ErrNotSet)
            LogTreeError(QStringLiteral("General_zEndreFilnavn"), e.number(), e.description(), false);
    }
    return false;
}

void qvTree::DeleteSelectedFolder(bool HindreBekreft, bool SlettPermanent)
{
    QStandardItem *s = selectedNode();
    if (!s || !qvTreeModel::tag(s).isEmpty())
        return;
    m_tmr1.stop();
    try {
        // The selected node's own folder: Path may name a folder further down that
        // has no node (below a link), which is not what the user sees selected.
        const QString target = StripTrailingBackslash(qvTreeModel::key(s));
        bool aborted = false;
        bool failed = false;
        if (!HindreBekreft) {
            const QString question =
                SlettPermanent
                    ? QStringLiteral("Er du sikker på at du vil slette mappen «%1» og alt innholdet?")
                    : QStringLiteral("Er du sikker på at du vil flytte mappen «%1» til papirkurven?");
            aborted = qv::msgBox(question.arg(FolderName(target)), qv::Buttons::YesNo, qv::Icon::Question) !=
                      qv::Answer::Yes;
        }
        if (!aborted) {
            try {
                if (SlettPermanent)
                    qv::deleteFolderForGood(target).orThrow();
                else
                    qv::moveToTrash(target).orThrow();
            } catch (const PlatformError &e) {
                // The platform tells why, as the shell would have.
                failed = true;
                qv::msgBox(QStringLiteral("Kan ikke slette mappen «%1»: %2")
                               .arg(FolderName(target), e.description()),
                           qv::Buttons::OK, qv::Icon::Critical);
            }
        }
        if (failed || !aborted) {
            if (!isFolder(target) && m_model->node(target.toLower())) {
                removeNodeQuietly(target.toLower());
                reselectCurrent();
                if (QStandardItem *now = selectedNode()) {
                    setGetPath(qvTreeModel::key(now));
                    m_path = qvTreeModel::key(now);
                    UpdateSelectedImage();
                    int shift = m_lastShift;
                    emit NodeClick(now, shift);
                }
            }
        } else {
            qv::msgBox(QStringLiteral("Sletting avbrutt."), qv::Buttons::OK, qv::Icon::None);
        }
    } catch (const PlatformError &e) {
        LogTreeError(QStringLiteral("General_DeleteSelectedFolder"), e.number(), e.description(), false);
    }
    m_tmr1.start();
}

// ---------------------------------------------------------------------------
// Dragging over the tree

void qvTree::dragOver(QDropEvent *e, int state)
{
    const QPoint at = e->position().toPoint();
    const int button = (e->buttons() & Qt::LeftButton) ? 1 : (e->buttons() & Qt::RightButton) ? 2 : 0;
    const int shift = (e->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    const QModelIndex i = m_view->indexAt(at);
    QStandardItem *n = i.isValid() ? m_model->itemFromIndex(i) : nullptr;
    if (!n) {
        m_model->setDropHighlight(QString());
        e->ignore();
        return;
    }
    if (button == 1) {
        const QSize area = m_view->viewport()->size();
        bool scroll = false;
        if (at.y() > 0 && at.y() < 25) {
            m_scrollDirection = 0;
            scroll = true;
        }
        if (at.y() > area.height() - 40) {
            m_scrollDirection = 1;
            scroll = true;
        }
        if (at.x() > 0 && at.x() < 25) {
            m_scrollDirection = 2;
            scroll = true;
        }
        if (at.x() > area.width() - 40) {
            m_scrollDirection = 3;
            scroll = true;
        }
        if (scroll)
            m_tmrDragScroll.start();
    }
    const QString key = qvTreeModel::key(n);
    if (key != m_hoverKey) {
        m_tmrNodeExpand.stop();
        if (n->rowCount() > 0)
            m_tmrNodeExpand.start();
        m_hoverKey = key;
    }
    int effect = 0;
    if (state == 2) {
        if (qvTreeModel::tag(n) != ComputerKey) {
            m_model->setDropHighlight(key);
            effect = 1;
        } else {
            m_model->setDropHighlight(QString());
        }
    } else if (state == 1) {
        m_model->setDropHighlight(QString());
    }
    emit OLEDragOver(e->mimeData(), effect, button, shift, float(at.x()), float(at.y()), state);
    if (effect != 0) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void qvTree::dragDrop(QDropEvent *e)
{
    const QPoint at = e->position().toPoint();
    const int button = (e->buttons() & Qt::LeftButton) ? 1 : 0;
    const int shift = (e->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    int effect = e->dropAction() == Qt::CopyAction ? 1 : 0;
    emit OLEDragDrop(e->mimeData(), effect, button, shift, float(at.x()), float(at.y()));
    m_model->setDropHighlight(QString());
    m_tmrNodeExpand.stop();
    m_tmrDragScroll.stop();
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void qvTree::tmrDragScroll_Timer()
{
    m_tmrDragScroll.stop();
    m_view->scrollOneLine(m_scrollDirection);
}

void qvTree::tmrNodeExpand_Timer()
{
    if (QStandardItem *n = GetHighlightNode())
        expandNode(n);
    m_tmrNodeExpand.stop();
}

void qvTreeView::scrollOneLine(int direction)
{
    switch (direction) {
    case 0:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case 1:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case 2:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    default:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    }
}

void qvTreeView::dragEnterEvent(QDragEnterEvent *e)
{
    if (m_owner->m_oleDropMode != 1) {
        e->ignore();
        return;
    }
    m_owner->dragOver(e, 0);
    e->accept(); // keep receiving moves; the effect is given on each move
}

void qvTreeView::dragMoveEvent(QDragMoveEvent *e)
{
    if (m_owner->m_oleDropMode != 1) {
        e->ignore();
        return;
    }
    m_owner->dragOver(e, 2);
}

void qvTreeView::dragLeaveEvent(QDragLeaveEvent *e)
{
    m_owner->m_model->setDropHighlight(QString());
    m_owner->m_tmrNodeExpand.stop();
    int effect = 0;
    QMimeData none;
    emit m_owner->OLEDragOver(&none, effect, 0, 0, 0.f, 0.f, 1);
    e->accept();
}

void qvTreeView::dropEvent(QDropEvent *e)
{
    if (m_owner->m_oleDropMode != 1) {
        e->ignore();
        return;
    }
    m_owner->dragDrop(e);
}

void qvTreeView::startDrag(Qt::DropActions)
{
    auto *data = new QMimeData;
    int allowed = 1;
    emit m_owner->OLEStartDrag(data, allowed);
    int format = 0;
    emit m_owner->OLESetData(data, format);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(allowed & 2 ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction);
    int effect = done == Qt::CopyAction ? 1 : done == Qt::MoveAction ? 2 : 0;
    emit m_owner->OLECompleteDrag(effect);
    m_owner->m_mouseDownKey.clear();
}

} // namespace qv
