#include "controls/drawing/GDIPlusPicture.h"

#include "controls/drawing/qvKontrollerFelles.h"
#include "platform/base/PlatformError.h"

#include <QImageReader>
#include <QPainter>

namespace qv
{

namespace GDIPlusPicture
{

using qvKontrollerFelles::RoundHalfEven;

Argb SetArgbAlpha(Argb argb, quint8 alpha)
{
    return (argb & 0x00FFFFFFu) | (Argb(alpha) << 24);
}

QImage FadedImage(const QImage &image)
{
    QImage faded = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(faded.scanLine(y));
        for (int x = 0; x < faded.width(); ++x) {
            const QRgb px = line[x];
            const int alpha = RoundHalfEven(qAlpha(px) / 2.0);
            line[x] = qRgba(qRed(px), qGreen(px), qBlue(px), alpha);
        }
    }
    return faded;
}

QSize KeepAspectSize(int imageWidth, int imageHeight, int boxWidth, int boxHeight)
{
    if (imageHeight == 0 || boxHeight == 0)
        return {};
    const double q = double(imageWidth) / imageHeight;
    const double b = double(boxWidth) / boxHeight;
    if (b < q)
        return QSize(boxWidth, q == 0 ? 0 : RoundHalfEven(boxWidth / q));
    return QSize(RoundHalfEven(boxHeight * q), boxHeight);
}

void DrawPictureImage(const QImage &image, QPainter &surface, qint32 x, qint32 y, qint32 width, qint32 height,
                      bool enabled, bool keepAspect)
{
    if (image.isNull() || image.height() == 0 || height == 0)
        return;
    QSize drawn(width, height);
    if (keepAspect)
        drawn = KeepAspectSize(image.width(), image.height(), width, height);
    if (drawn.isEmpty())
        return;
    surface.save();
    surface.setRenderHint(QPainter::SmoothPixmapTransform, true);
    surface.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRect target(QPoint(x, y), drawn);
    const QImage source = enabled ? image : FadedImage(image);
    // At its own size the picture is laid over pixel for pixel.
    if (drawn == source.size())
        surface.drawImage(target.topLeft(), source);
    else
        surface.drawImage(target, source);
    surface.restore();
}

void DrawPictureFile(QPainter &surface, const QString &path, qint32 x, qint32 y, qint32 &width,
                     qint32 &height, bool enabled, bool keepAspect)
{
    QImageReader reader(GDIplusDraw::PictureHostPath(path));
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    if (image.isNull())
        throw qv::PlatformError(PictureLoadError, QStringLiteral("Feil ved lasting av bilde ") + path);
    if (width == -1 || height == -1) {
        width = image.width();
        height = image.height();
    }
    DrawPictureImage(image, surface, x, y, width, height, enabled, keepAspect);
}

} // namespace GDIPlusPicture

} // namespace qv
