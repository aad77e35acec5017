#include "controls/drawing/GDIplusDraw.h"

#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace qv
{

namespace GDIplusDraw
{

Argb ColorToArgb(OleColor rgb, quint8 alpha)
{
    return (Argb(alpha) << 24) | (Argb(rgb & 0xFF) << 16) | (Argb((rgb >> 8) & 0xFF) << 8) |
           Argb((rgb >> 16) & 0xFF);
}

Argb MakeArgb(quint8 alpha, quint8 red, quint8 green, quint8 blue)
{
    return (Argb(alpha) << 24) | (Argb(red) << 16) | (Argb(green) << 8) | Argb(blue);
}

ArgbQuad ArgbToQuad(Argb argb)
{
    ArgbQuad q;
    q.Blue = quint8(argb & 0xFF);
    q.Green = quint8((argb >> 8) & 0xFF);
    q.Red = quint8((argb >> 16) & 0xFF);
    q.Alpha = quint8((argb >> 24) & 0xFF);
    return q;
}

// A colour with a top byte gives channels above 255, which count as failures: 0.
quint8 RedOf(OleColor rgb)
{
    return quint8(rgb % 256);
}

quint8 GreenOf(OleColor rgb)
{
    const quint32 v = (rgb & 0xFF00FF00u) / 256;
    return v > 255 ? 0 : quint8(v);
}

quint8 BlueOf(OleColor rgb)
{
    const quint32 v = (rgb & 0x00FF0000u) / 65536;
    return v > 255 ? 0 : quint8(v);
}

QColor ArgbToQColor(Argb argb)
{
    return QColor(int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF), int(argb >> 24));
}

QString PictureHostPath(const QString &path)
{
    // "X:" alone or followed by a backslash.
    const qv::WinPath p(path);
    if (!p.driveLetter().isNull() && (path.size() == 2 || p.startsWith(p.driveRoot()))) {
        const auto host = qv::DriveTable::current().toHost(path);
        return host ? *host : QString();
    }
    return path;
}

bool PictureFileExists(const QString &path)
{
    const QString host = PictureHostPath(path);
    if (host.isEmpty())
        return false;
    const QFileInfo info(host);
    return info.exists() && !info.isDir();
}

namespace
{

// Painter prepared for one operation; restores the caller's state when it ends.
class Scope
{
public:
    explicit Scope(QPainter &p, bool antiAlias) : m_p(p)
    {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing, antiAlias);
        m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    ~Scope() { m_p.restore(); }
    // Pixel centres at whole coordinates, so one-pixel outlines stay crisp.
    void pixelCentres() { m_p.translate(0.5, 0.5); }

private:
    QPainter &m_p;
};

Qt::PenCapStyle penCap(qint32 cap)
{
    switch (cap) {
    case CapSquare:
        return Qt::SquareCap;
    case CapRound:
        return Qt::RoundCap;
    default:
        return Qt::FlatCap;
    }
}

QImage loadPicture(const QString &path)
{
    if (path.isEmpty())
        return {};
    return QImage(PictureHostPath(path));
}

// A tiled texture aligned to the surface's pixel grid (the painter is shifted by half
// a pixel for the geometry).
QBrush textureBrush(const QImage &image)
{
    QBrush brush(image);
    brush.setTransform(QTransform::fromTranslate(-0.5, -0.5));
    return brush;
}

QPen makePen(qint32 lineKind, qint32 penWidth, Argb lineColor, const QString &linePicture, bool &made)
{
    made = false;
    QPen pen;
    if (lineKind == LineSolid) {
        pen = QPen(ArgbToQColor(lineColor));
        made = true;
    } else if (lineKind == LineTexture) {
        const QImage texture = loadPicture(linePicture);
        if (!texture.isNull()) {
            pen = QPen(textureBrush(texture), 1);
            made = true;
        }
    }
    pen.setWidthF(penWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

QColor lerpColor(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                  mix(a.alpha(), b.alpha()));
}

// How far p lies from the centre of a rounded rectangle (half sizes a, b, radius r)
// towards its outline: 0 at the centre, 1 on the outline, along the ray from the centre.
double roundedRectGauge(double x, double y, double a, double b, double r)
{
    x = std::abs(x);
    y = std::abs(y);
    if (a <= 0 || b <= 0)
        return 1.0;
    const double s = std::max(x / a, y / b);
    r = std::min({r, a, b});
    if (r <= 0 || s == 0)
        return s;
    const double A = a - r, B = b - r;
    if (x <= s * A || y <= s * B)
        return s;
    // In a corner: (x - sA)^2 + (y - sB)^2 = (sr)^2, the larger root.
    const double qa = A * A + B * B - r * r;
    const double qb = -2 * (x * A + y * B);
    const double qc = x * x + y * y;
    if (std::abs(qa) < 1e-12)
        return qb != 0 ? -qc / qb : s;
    const double disc = std::max(0.0, qb * qb - 4 * qa * qc);
    const double r1 = (-qb + std::sqrt(disc)) / (2 * qa), r2 = (-qb - std::sqrt(disc)) / (2 * qa);
    return std::max(r1, r2);
}

// Centre gradient over a rounded rectangle box: colour 1 at the centre, colour 2 at the
// outline, interpolated along each ray from the centre.
QBrush roundedCentreGradient(const QRectF &box, double radius, Argb color1, Argb color2)
{
    const QRect pixels = box.toAlignedRect().adjusted(-1, -1, 1, 1);
    if (pixels.isEmpty())
        return {};
    QImage img(pixels.size(), QImage::Format_ARGB32);
    const QColor c1 = ArgbToQColor(color1), c2 = ArgbToQColor(color2);
    const QPointF c = box.center();
    const double a = box.width() / 2, b = box.height() / 2;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double t =
                roundedRectGauge(pixels.left() + x - c.x(), pixels.top() + y - c.y(), a, b, radius);
            line[x] = lerpColor(c1, c2, t).rgba();
        }
    }
    QBrush brush(img);
    brush.setTransform(QTransform::fromTranslate(pixels.left(), pixels.top()));
    return brush;
}

QBrush linearBrush(const QRectF &box, qint32 mode, Argb color1, Argb color2)
{
    // Diagonals run corner to corner, their colour lines parallel to the other diagonal
    // whatever the box's proportions: built on the unit square and stretched to the box.
    QLinearGradient g;
    switch (mode) {
    case GradientVertical:
        g = QLinearGradient(0, 0, 0, 1);
        break;
    case GradientForwardDiagonal:
        g = QLinearGradient(0, 0, 1, 1);
        break;
    case GradientBackwardDiagonal:
        g = QLinearGradient(1, 0, 0, 1);
        break;
    default:
        g = QLinearGradient(0, 0, 1, 0);
        break;
    }
    g.setColorAt(0, ArgbToQColor(color1));
    g.setColorAt(1, ArgbToQColor(color2));
    g.setSpread(QGradient::RepeatSpread);
    QBrush brush(g);
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() == 0 ? 1 : box.width(), box.height() == 0 ? 1 : box.height());
    brush.setTransform(t);
    return brush;
}

QPainterPath roundRectFigure(qreal left, qreal top, qreal right, qreal bottom, qreal r, bool roundTop,
                             bool roundBottom)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (r == 0 || (!roundTop && !roundBottom)) {
        path.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
        return path;
    }
    const qreal d = 2 * r;
    const qreal rt = roundTop ? r : 0, rb = roundBottom ? r : 0;
    path.moveTo(left + rt, top);
    path.lineTo(right - rt, top);
    if (roundTop)
        path.arcTo(QRectF(right - d, top, d, d), 90, -90);
    path.lineTo(right, bottom - rb);
    if (roundBottom)
        path.arcTo(QRectF(right - d, bottom - d, d, d), 0, -90);
    path.lineTo(left + rb, bottom);
    if (roundBottom)
        path.arcTo(QRectF(left, bottom - d, d, d), -90, -90);
    path.lineTo(left, top + rt);
    if (roundTop)
        path.arcTo(QRectF(left, top, d, d), -180, -90);
    path.closeSubpath();
    return path;
}

// Strokes through the outline of the stroke, so corners are mitred and crisp at any
// width (the painter's own thin-pen path rounds them off).
void strokeFigure(QPainter &p, const QPainterPath &figure, const QPen &pen)
{
    QPainterPathStroker stroker;
    stroker.setWidth(pen.widthF() <= 0 ? 1.0 : pen.widthF());
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setCapStyle(pen.capStyle());
    QPainterPath outline = stroker.createStroke(figure);
    outline.setFillRule(Qt::WindingFill);
    p.fillPath(outline, pen.brush());
}

void fillAndStroke(QPainter &p, const QPainterPath &figure, const QBrush &brush, bool haveBrush,
                   const QPen &pen, bool havePen)
{
    if (haveBrush)
        p.fillPath(figure, brush);
    if (havePen)
        strokeFigure(p, figure, pen);
}

// The second pen over the right and bottom sides.
void lowerRightPass(QPainter &p, qreal left, qreal top, qreal right, qreal bottom, qreal r, qint32 penWidth,
                    Argb color, bool roundTop, bool roundBottom)
{
    QPen pen(ArgbToQColor(color));
    pen.setWidthF(penWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const qreal d = 2 * r;
    auto line = [&](QPointF a, QPointF b) {
        QPainterPath path(a);
        path.lineTo(b);
        strokeFigure(p, path, pen);
    };
    if (r == 0 || (!roundTop && !roundBottom)) {
        const int half = penWidth / 2;
        line(QPointF(right, top + half), QPointF(right, bottom + half));
        line(QPointF(right + half, bottom), QPointF(left + half, bottom));
        return;
    }
    auto arc = [&](const QRectF &square, qreal start, qreal sweep) {
        QPainterPath path;
        path.arcMoveTo(square, start);
        path.arcTo(square, start, sweep);
        strokeFigure(p, path, pen);
    };
    if (roundTop) {
        arc(QRectF(right - d, top, d, d), 45, -45);
        line(QPointF(right, top + r - 1), QPointF(right, roundBottom ? bottom - r + 1 : bottom));
    } else {
        line(QPointF(right, top), QPointF(right, bottom - r + 1));
    }
    if (roundBottom) {
        arc(QRectF(right - d, bottom - d, d, d), 0, -90);
        line(QPointF(left + r - 1, bottom), QPointF(right - r + 1, bottom));
        arc(QRectF(left, bottom - d, d, d), -90, -45);
    } else {
        line(QPointF(left, bottom), QPointF(right - r + 1, bottom));
    }
}

void drawRoundShape(QPainter &surface, qint32 left, qint32 top, qint32 right, qint32 bottom, qint32 radius,
                    bool roundTop, bool roundBottom, qint32 fillKind, qint32 penWidth, qint32 lineKind,
                    Argb lineColor, Argb lowerRightColor, Argb color1, Argb color2, qint32 gradientMode,
                    const QString &fillPicture, const QString &linePicture)
{
    if (radius == 0 && penWidth == 1 && lineKind == LineSolid && lowerRightColor == 0 && left < right &&
        top < bottom &&
        (fillKind == FillSolid
             ? (lineColor >> 24) == 0xFF
             : fillKind != FillTexture && fillKind != FillCentreGradient && fillKind != FillLinearGradient)) {
        // A one-pixel outline on whole coordinates covers exactly the edge pixels, and an
        // opaque outline hides the half-covered edge of the fill: plain rectangles.
        surface.save();
        surface.setRenderHint(QPainter::Antialiasing, false);
        surface.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (fillKind == FillSolid && right - left > 1 && bottom - top > 1)
            surface.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(right - 1, bottom - 1)),
                             ArgbToQColor(color1));
        const QColor line = ArgbToQColor(lineColor);
        surface.fillRect(QRect(QPoint(left, top), QPoint(right, top)), line);
        surface.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), line);
        surface.fillRect(QRect(QPoint(left, top + 1), QPoint(left, bottom - 1)), line);
        surface.fillRect(QRect(QPoint(right, top + 1), QPoint(right, bottom - 1)), line);
        surface.restore();
        return;
    }
    Scope scope(surface, true);
    scope.pixelCentres();
    const qreal r = radius;
    const QPainterPath figure = roundRectFigure(left, top, right, bottom, r, roundTop, roundBottom);
    bool havePen = false;
    const QPen pen = makePen(lineKind, penWidth, lineColor, linePicture, havePen);
    QBrush brush;
    bool haveBrush = true;
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    switch (fillKind) {
    case FillSolid:
        brush = QBrush(ArgbToQColor(color1));
        break;
    case FillTexture: {
        const QImage texture = loadPicture(fillPicture);
        haveBrush = !texture.isNull();
        if (haveBrush)
            brush = textureBrush(texture);
        break;
    }
    case FillCentreGradient:
        brush = roundedCentreGradient(box, (roundTop || roundBottom) ? r : 0, color1, color2);
        break;
    case FillLinearGradient:
        brush = linearBrush(box, gradientMode, color1, color2);
        break;
    default:
        haveBrush = false;
    }
    fillAndStroke(surface, figure, brush, haveBrush, pen, havePen);
    if (lowerRightColor != 0)
        lowerRightPass(surface, left, top, right, bottom, r, penWidth, lowerRightColor, roundTop,
                       roundBottom);
}

Qt::Alignment horizontalAlignment(int code, bool rightToLeft)
{
    switch (code) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return rightToLeft ? Qt::AlignLeft : Qt::AlignRight;
    default:
        return rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    }
}

} // namespace

void DrawTextPlus(QPainter &surface, float x, float y, float width, float height, const QString &text,
                  const QString &fontName, float fontSize, qint32 fontStyle, qint32 alignment, Argb textColor,
                  qint32 renderingHint, bool gridAlignment, qint32 formatFlags)
{
    if (text.isEmpty() || fontSize <= 0)
        return;
    const bool antiAlias = !(renderingHint == 1 || renderingHint == 2);
    Scope scope(surface, antiAlias);
    surface.setRenderHint(QPainter::TextAntialiasing, antiAlias);

    QFont font(fontName);
    font.setPointSizeF(fontSize);
    font.setBold(fontStyle & FontStyle::Bold);
    font.setItalic(fontStyle & FontStyle::Italic);
    font.setUnderline(fontStyle & FontStyle::Underline);
    font.setStrikeOut(fontStyle & FontStyle::Strikeout);
    font.setStyleStrategy(antiAlias ? QFont::PreferAntialias : QFont::NoAntialias);
    surface.setFont(font);
    surface.setPen(ArgbToQColor(textColor));

    // A code that is no valid alignment leaves the default (near, top) in place.
    const bool rtl = formatFlags & FormatFlag::DirectionRightToLeft;
    const int hCode = alignment % 3;
    const int vCode = gridAlignment ? alignment / 3 : alignment;
    Qt::Alignment flags = horizontalAlignment(hCode < 0 ? 0 : hCode, rtl);
    switch (vCode) {
    case 1:
        flags |= Qt::AlignVCenter;
        break;
    case 2:
        flags |= Qt::AlignBottom;
        break;
    default:
        flags |= Qt::AlignTop;
    }
    int textFlags = int(flags);
    if (!(formatFlags & FormatFlag::NoWrap))
        textFlags |= Qt::TextWordWrap;
    if (rtl)
        surface.setLayoutDirection(Qt::RightToLeft);
    const QRectF box(x, y, width, height);
    if (!(formatFlags & FormatFlag::NoClip))
        surface.setClipRect(box, Qt::IntersectClip);
    surface.drawText(box, textFlags, text);
}

void DrawLinePlus(QPainter &surface, qint32 x1, qint32 y1, qint32 x2, qint32 y2, float penWidth, Argb color,
                  qint32 startCap, qint32 endCap, bool antiAlias)
{
    Scope scope(surface, antiAlias);
    QPen pen(ArgbToQColor(color));
    pen.setWidthF(penWidth);
    // One cap style per pen here: the start cap decides unless only the end cap is set.
    pen.setCapStyle(penCap(startCap != CapFlat ? startCap : endCap));
    if (antiAlias) {
        scope.pixelCentres();
        QPainterPath path(QPointF(x1, y1));
        path.lineTo(QPointF(x2, y2));
        strokeFigure(surface, path, pen);
    } else if (penWidth <= 1 && (x1 == x2 || y1 == y2)) {
        // Aliased one-pixel lines cover both end pixels; straight ones are exactly a
        // one-pixel rectangle (and far quicker so, with a see-through colour).
        surface.fillRect(
            QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
            ArgbToQColor(color));
    } else {
        // Aliased drawing already puts whole coordinates on their pixels.
        if (pen.capStyle() == Qt::FlatCap && penWidth <= 1)
            pen.setCapStyle(Qt::SquareCap);
        surface.setPen(pen);
        surface.drawLine(QPoint(x1, y1), QPoint(x2, y2));
    }
}

void DrawEllipsePlus(QPainter &surface, qint32 x, qint32 y, qint32 width, qint32 height, qint32 fillKind,
                     qint32 penWidth, qint32 lineKind, Argb lineColor, float centreX, float centreY,
                     Argb color1, Argb color2, qint32, const QString &fillPicture, const QString &linePicture)
{
    Scope scope(surface, true);
    scope.pixelCentres();
    const QRectF box(x, y, width, height);
    QPainterPath figure;
    figure.setFillRule(Qt::WindingFill);
    figure.addEllipse(box);
    bool havePen = false;
    const QPen pen = makePen(lineKind, penWidth, lineColor, linePicture, havePen);
    QBrush brush;
    bool haveBrush = true;
    switch (fillKind) {
    case FillSolid:
        brush = QBrush(ArgbToQColor(color1));
        break;
    case FillTexture: {
        const QImage texture = loadPicture(fillPicture);
        haveBrush = !texture.isNull();
        if (haveBrush)
            brush = textureBrush(texture);
        break;
    }
    case FillCentreGradient: {
        // On the unit circle, stretched onto the ellipse: colours then run linearly along
        // every ray from the centre point to the outline.
        const QPointF centre = (centreX != 0 || centreY != 0) ? QPointF(centreX, centreY) : box.center();
        const double a = width / 2.0, b = height / 2.0;
        if (a == 0 || b == 0) {
            haveBrush = false;
            break;
        }
        const QPointF focal((centre.x() - box.center().x()) / a, (centre.y() - box.center().y()) / b);
        QRadialGradient g(QPointF(0, 0), 1.0, focal);
        g.setColorAt(0, ArgbToQColor(color1));
        g.setColorAt(1, ArgbToQColor(color2));
        brush = QBrush(g);
        QTransform t;
        t.translate(box.center().x(), box.center().y());
        t.scale(a, b);
        brush.setTransform(t);
        break;
    }
    case FillLinearGradient: {
        QLinearGradient g(QPointF(x, y), QPointF(x, y + height));
        g.setColorAt(0, ArgbToQColor(color1));
        g.setColorAt(1, ArgbToQColor(color2));
        g.setSpread(QGradient::RepeatSpread);
        brush = QBrush(g);
        break;
    }
    default:
        haveBrush = false;
    }
    fillAndStroke(surface, figure, brush, haveBrush, pen, havePen);
}

void DrawRoundRectPlus(QPainter &surface, qint32 left, qint32 top, qint32 right, qint32 bottom, qint32 radius,
                       qint32 fillKind, qint32 penWidth, qint32 lineKind, Argb lineColor,
                       Argb lowerRightColor, Argb color1, Argb color2, qint32 gradientMode,
                       const QString &fillPicture, const QString &linePicture)
{
    DrawHalfRoundRectPlus(surface, left, top, right, bottom, radius, false, false, fillKind, penWidth,
                          lineKind, lineColor, lowerRightColor, color1, color2, gradientMode, fillPicture,
                          linePicture);
}

void DrawHalfRoundRectPlus(QPainter &surface, qint32 left, qint32 top, qint32 right, qint32 bottom,
                           qint32 radius, bool topOnly, bool bottomOnly, qint32 fillKind, qint32 penWidth,
                           qint32 lineKind, Argb lineColor, Argb lowerRightColor, Argb color1, Argb color2,
                           qint32 gradientMode, const QString &fillPicture, const QString &linePicture)
{
    drawRoundShape(surface, left, top, right, bottom, radius, topOnly || !bottomOnly, !topOnly, fillKind,
                   penWidth, lineKind, lineColor, lowerRightColor, color1, color2, gradientMode, fillPicture,
                   linePicture);
}

} // namespace GDIplusDraw

} // namespace qv
