// Dragging rows out of the list and dropping onto its folder rows.
#include "controls/filelist/qvFileList.h"

#include "controls/filelist/qvFileListModel.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace qv
{

namespace
{
constexpr int EffectNone = 0, EffectCopy = 1, EffectMove = 2;
constexpr int ScrollBand = 40;

int shiftOf(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}
int buttonsOf(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
Qt::DropAction actionOf(int effect)
{
    return effect & EffectMove ? Qt::MoveAction : effect & EffectCopy ? Qt::CopyAction : Qt::IgnoreAction;
}
} // namespace

bool qvFileList::maybeStartDrag(QMouseEvent *event)
{
    if (m_oleDragMode != 1 || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_dragStart).manhattanLength() < QApplication::startDragDistance())
        return false;
    QStringList paths;
    GetSelectedFilesCollection(paths);
    if (paths.isEmpty())
        return false;
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &p : std::as_const(paths))
        if (const auto host = qv::DriveTable::current().toHost(p))
            urls << QUrl::fromLocalFile(*host);
    data->setUrls(urls);
    data->setText(paths.join(QStringLiteral("\r\n")));
    int allowed = EffectCopy | EffectMove;
    m_dragActive = true;
    emit OLEStartDrag(data, &allowed);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(actionOf(allowed & EffectCopy) | actionOf(allowed & EffectMove));
    emit OLECompleteDrag(done == Qt::MoveAction   ? EffectMove
                         : done == Qt::CopyAction ? EffectCopy
                                                  : EffectNone);
    m_dragActive = false;
    return true;
}

bool qvFileList::handleDragEvent(QWidget *viewport, QEvent *event)
{
    if (m_oleDropMode == 0)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDragMoveEvent *>(event);
        const QPoint at = viewport->mapTo(this, e->position().toPoint());
        const int button = buttonsOf(e->buttons()), shift = shiftOf(e->modifiers());
        if (e->buttons() & Qt::LeftButton) {
            if (at.y() < ScrollBand) {
                m_dragScrollStep = -1;
                m_tmrDragScroll->start();
            } else if (at.y() > height() - ScrollBand) {
                m_dragScrollStep = 1;
                m_tmrDragScroll->start();
            }
        }
        int effect = EffectCopy;
        const int row = HitTest(at.x(), at.y());
        if (row > 0 && qv::folderExists(m_model->row(row - 1).tag)) {
            m_dropHighlight = row;
        } else {
            m_dropHighlight = 0;
            if (m_dragActive)
                effect = EffectNone;
        }
        m_model->setDropRow(m_dropHighlight - 1);
        emit OLEDragOver(e->mimeData(), &effect, button, shift, at.x(), at.y(),
                         event->type() == QEvent::DragEnter ? 0 : 2);
        e->setDropAction(effect == EffectNone ? Qt::IgnoreAction : actionOf(effect));
        if (effect == EffectNone)
            e->ignore();
        else
            e->accept();
        return true;
    }
    case QEvent::DragLeave: {
        m_dropHighlight = 0;
        m_model->setDropRow(-1);
        m_tmrDragScroll->stop();
        // A leave carries no data and no buttons; the host hears of it as State 1.
        int effect = EffectNone;
        const QPoint at = mapFromGlobal(QCursor::pos());
        emit OLEDragOver(nullptr, &effect, 0, 0, at.x(), at.y(), 1);
        return true;
    }
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(event);
        const QPoint at = viewport->mapTo(this, e->position().toPoint());
        int effect = EffectCopy;
        emit OLEDragDrop(e->mimeData(), &effect, buttonsOf(e->buttons()), shiftOf(e->modifiers()), at.x(),
                         at.y());
        m_dropHighlight = 0;
        m_model->setDropRow(-1);
        m_tmrDragScroll->stop();
        e->setDropAction(actionOf(effect));
        e->accept();
        return true;
    }
    default:
        return false;
    }
}

} // namespace qv
