#pragma once
#include <QImage>
#include <QWidget>
#include <cmath>

namespace qv
{

// The off-screen surface a control paints into: logical pixels for the painting, as
// many device pixels as the screen shows, so that the control looks the same at any
// scale factor and stays crisp.
// ratio 0 takes the control's screen's.
inline QImage DeviceSurface(const QWidget *control, const QSize &size, qreal ratio = 0)
{
    if (ratio <= 0)
        ratio = control ? control->devicePixelRatioF() : 1.0;
    QImage image(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace qv
