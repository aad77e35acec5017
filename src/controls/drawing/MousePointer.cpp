#include "controls/drawing/MousePointer.h"

namespace qv
{

namespace MousePointer
{

QCursor CursorFor(int pointer, const QPixmap &icon)
{
    switch (pointer) {
    case 1:
        return Qt::ArrowCursor;
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 4:
        return Qt::ArrowCursor; // the icon pointer: a small square, not offered here
    case 5:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    case 15:
        return Qt::SizeAllCursor;
    case Custom:
        if (!icon.isNull())
            return QCursor(icon);
        return Qt::ArrowCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace MousePointer

} // namespace qv
