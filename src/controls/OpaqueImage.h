#pragma once
#include <QImage>
#include <QPainter>

// Laying an opaque image over anything gives the image, whatever the composition:
// small images are copied (quicker than blending), large ones blended (a copy that
// converts the pixel format is split over threads, far slower for a paint).
inline void DrawOpaqueImage(QPainter &p, const QPoint &at, const QImage &opaque)
{
    if (qint64(opaque.width()) * opaque.height() > 16384 || opaque.format() == QImage::Format_RGB32) {
        p.drawImage(at, opaque);
        return;
    }
    const QPainter::CompositionMode mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, opaque);
    p.setCompositionMode(mode);
}
