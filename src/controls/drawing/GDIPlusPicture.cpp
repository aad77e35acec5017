#include "controls/drawing/GDIPlusPicture.h"

#include "controls/drawing/DecodedPictureCache.h"
#include "controls/drawing/DrawnOutcomeCache.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "platform/PlatformError.h"

#include <QHash>
#include <QMutex>
#include <QPainter>
#include <cmath>

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

namespace
{

// Faded copies of the pictures drawn disabled, by the picture's cache key: fading every
// pixel at every paint is the dearest part of drawing a small picture.
struct Faded {
    QImage image;
    quint64 lastUse = 0;
};

constexpr int MaxFaded = 64;
QMutex fadedMutex;
QHash<qint64, Faded> fadedPictures;
quint64 fadedUses = 0;

QImage fadedOnce(const QImage &image)
{
    const qint64 key = image.cacheKey();
    {
        QMutexLocker lock(&fadedMutex);
        auto it = fadedPictures.find(key);
        if (it != fadedPictures.end()) {
            it->lastUse = ++fadedUses;
            return it->image;
        }
    }
    const QImage faded = FadedImage(image);
    QMutexLocker lock(&fadedMutex);
    if (fadedPictures.size() >= MaxFaded) {
        auto oldest = fadedPictures.begin();
        for (auto it = fadedPictures.begin(); it != fadedPictures.end(); ++it)
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        fadedPictures.erase(oldest);
    }
    fadedPictures.insert(key, Faded{faded, ++fadedUses});
    return faded;
}

// Scaling a picture is the dearest step of drawing it, and its pixels depend on where it
// lands: a picture drawn again at the same place over the same pixels copies its
// earlier outcome (DrawnOutcomeCache).
struct PictureKey {
    qint64 image = 0;
    QRect target; // device pixels
    int renderHints = 0, format = 0;
    double opacity = 1;
    bool operator==(const PictureKey &) const = default;
};

size_t qHash(const PictureKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.image, k.target.x(), k.target.y(), k.target.width(), k.target.height(),
                      k.renderHints, k.format, k.opacity);
}

DrawnOutcomeCache<PictureKey> &drawnPictures()
{
    static DrawnOutcomeCache<PictureKey> pictures(128, 4 << 20);
    return pictures;
}

} // namespace

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
    const QImage &source = enabled ? image : fadedOnce(image);
    const QTransform &t = surface.worldTransform();
    QRect area;
    QImage *device = nullptr;
    if (drawn != source.size() && !surface.hasClipping() && t.type() <= QTransform::TxTranslate &&
        t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy()))
        device =
            DrawnOutcomeCache<PictureKey>::Target(surface, target.translated(int(t.dx()), int(t.dy())), area);
    if (!device) {
        // At its own size the picture is laid over pixel for pixel.
        if (drawn == source.size())
            surface.drawImage(target.topLeft(), source);
        else
            surface.drawImage(target, source);
        surface.restore();
        return;
    }
    const QPoint shift(int(t.dx()), int(t.dy()));
    const PictureKey key{source.cacheKey(), target.translated(shift), int(surface.renderHints()),
                         int(device->format()), surface.opacity()};
    if (!drawnPictures().Replay(surface, *device, area, shift, key)) {
        const QImage before = device->copy(area);
        surface.drawImage(target, source);
        drawnPictures().Record(key, before, device->copy(area));
    }
    surface.restore();
}

void DrawPictureFile(QPainter &surface, const QString &path, qint32 x, qint32 y, qint32 &width,
                     qint32 &height, bool enabled, bool keepAspect)
{
    // Decoded once per version of the file: a changed file is read again.
    const QImage image = DecodedPictureCache::LoadAsStored(GDIplusDraw::PictureHostPath(path));
    if (image.isNull())
        throw qv::PlatformError(PictureLoadError, QStringLiteral("Feil ved lasting av bilde ") + path);
    if (width == -1 || height == -1) {
        width = image.width();
        height = image.height();
    }
    DrawPictureImage(image, surface, x, y, width, height, enabled, keepAspect);
}

} // namespace GDIPlusPicture
