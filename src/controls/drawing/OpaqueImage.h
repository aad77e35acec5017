#pragma once
#include <QImage>
#include <QPainter>
#include <QRegion>

// Laying an opaque image over anything gives the image, whatever the composition. Onto
// an image of the same pixel format it is copied (quicker than blending); onto anything
// else it is blended, since a copy that converts the pixel format is split over threads
// for larger images and is far slower for a paint.
inline void DrawOpaqueImage(QPainter &p, const QPoint &at, const QImage &opaque)
{
    const QPaintDevice *dev = p.device();
    const bool sameFormat = dev && dev->devType() == QInternal::Image &&
                            static_cast<const QImage *>(dev)->format() == opaque.format();
    if (!sameFormat || opaque.format() == QImage::Format_RGB32) {
        p.drawImage(at, opaque);
        return;
    }
    const QPainter::CompositionMode mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, opaque);
    p.setCompositionMode(mode);
}

// Draws image at (0, 0) over region only, one rectangle of it at a time: drawn through
// a region with many rectangles (a widget's area less its children), one drawing is
// split over threads, far slower for a paint than drawing rectangle by rectangle.
inline void DrawImageIn(QPainter &p, const QRegion &region, const QImage &image)
{
    for (const QRect &r : region) {
        const QRect part = r & image.rect();
        if (!part.isEmpty())
            p.drawImage(part.topLeft(), image, part);
    }
}
