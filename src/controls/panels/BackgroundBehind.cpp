#include "controls/panels/BackgroundBehind.h"

#include "controls/drawing/DeviceSurface.h"
#include "controls/panels/qvShadeBox.h"

#include <QPainter>
#include <QWidget>

namespace qv
{

namespace BackgroundBehind
{

Container KindOf(const QWidget *control)
{
    const QWidget *parent = control ? control->parentWidget() : nullptr;
    if (!parent)
        return Container::None;
    if (qobject_cast<const qvShadeBox *>(parent))
        return Container::ShadeBox;
    if (parent->isWindow())
        return Container::Window;
    return Container::Other;
}

QImage Capture(const QWidget *control, const QRect &area)
{
    QImage out = DeviceSurface(control, area.size());
    if (out.isNull())
        return out;
    const QWidget *parent = control->parentWidget();
    const QRect inParent = area.translated(control->pos());
    switch (KindOf(control)) {
    case Container::None:
        out.fill(control->palette().color(QPalette::Window));
        break;
    case Container::Window:
        out.fill(parent->palette().color(parent->backgroundRole()));
        break;
    case Container::ShadeBox: {
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.drawImage(-inParent.topLeft(), static_cast<const qvShadeBox *>(parent)->Surface());
        break;
    }
    case Container::Other: {
        out.fill(parent->palette().color(parent->backgroundRole()));
        const_cast<QWidget *>(parent)->render(&out, QPoint(0, 0), QRegion(inParent),
                                              QWidget::DrawWindowBackground);
        break;
    }
    }
    return out;
}

bool PlainColour(const QWidget *control, QColor &colour)
{
    const QWidget *parent = control->parentWidget();
    switch (KindOf(control)) {
    case Container::None:
        colour = control->palette().color(QPalette::Window);
        break;
    case Container::Window:
        colour = parent->palette().color(parent->backgroundRole());
        break;
    default:
        return false;
    }
    return colour.alpha() == 255;
}

} // namespace BackgroundBehind

} // namespace qv
