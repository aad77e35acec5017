#include "controls/drawing/qvKontrollerFelles.h"

#include <QApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace qv
{

namespace qvKontrollerFelles
{

qint32 StartGdiPlus()
{
    return 1;
}

void StopGdiPlus(qint32) {}

namespace
{

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Index -> palette entry, in the order of the system colour table.
bool systemRole(int index, SystemRole &out)
{
    using P = QPalette;
    static const SystemRole table[] = {
        {P::Active, P::Button},          // 0 scroll bar
        {P::Active, P::Window},          // 1 desktop
        {P::Active, P::Highlight},       // 2 active caption
        {P::Inactive, P::Mid},           // 3 inactive caption
        {P::Active, P::Window},          // 4 menu
        {P::Active, P::Base},            // 5 window
        {P::Active, P::WindowText},      // 6 window frame
        {P::Active, P::WindowText},      // 7 menu text
        {P::Active, P::Text},            // 8 window text
        {P::Active, P::HighlightedText}, // 9 caption text
        {P::Active, P::Button},          // 10 active border
        {P::Inactive, P::Button},        // 11 inactive border
        {P::Active, P::Dark},            // 12 application workspace
        {P::Active, P::Highlight},       // 13 highlight
        {P::Active, P::HighlightedText}, // 14 highlight text
        {P::Active, P::Button},          // 15 button face
        {P::Active, P::Mid},             // 16 button shadow
        {P::Disabled, P::Text},          // 17 grey text
        {P::Active, P::ButtonText},      // 18 button text
        {P::Disabled, P::WindowText},    // 19 inactive caption text
        {P::Active, P::Light},           // 20 button highlight
        {P::Active, P::Shadow},          // 21 3-D dark shadow
        {P::Active, P::Midlight},        // 22 3-D light
        {P::Active, P::ToolTipText},     // 23 tooltip text
        {P::Active, P::ToolTipBase},     // 24 tooltip background
        {P::Active, P::NoRole},          // 25 unused
        {P::Active, P::Link},            // 26 hot-tracked item
        {P::Active, P::Highlight},       // 27 active caption gradient
        {P::Inactive, P::Mid},           // 28 inactive caption gradient
        {P::Active, P::Highlight},       // 29 menu highlight
        {P::Active, P::Window},          // 30 menu bar
    };
    if (index < 0 || index >= int(std::size(table)) || table[index].role == P::NoRole)
        return false;
    out = table[index];
    return true;
}

// floor(n / d) for d > 0.
inline qint64 floorDiv(qint64 n, qint64 d)
{
    qint64 q = n / d;
    if ((n % d) != 0 && n < 0)
        --q;
    return q;
}

inline quint8 clampByte(qint64 v)
{
    return quint8(std::clamp<qint64>(v, 0, 255));
}

// Where the surface's pixels are, in the painter's coordinates, so that nothing is
// computed for the part of a fill that falls outside.
QRect deviceBoundsInPainter(const QPainter &p)
{
    const QPaintDevice *dev = p.device();
    if (!dev)
        return {};
    // Logical pixels: a surface at a device pixel ratio holds more pixels than that.
    const qreal ratio = dev->devicePixelRatio();
    QRect bounds(0, 0, int(std::ceil(dev->width() / ratio)), int(std::ceil(dev->height() / ratio)));
    const QTransform &t = p.worldTransform();
    if (t.type() <= QTransform::TxTranslate) {
        bounds.translate(-qRound(t.dx()), -qRound(t.dy()));
    } else {
        bool invertible = false;
        const QTransform inv = t.inverted(&invertible);
        if (!invertible)
            return {};
        bounds = inv.mapRect(bounds).adjusted(-1, -1, 1, 1);
    }
    return bounds;
}

// The surface's own pixels when opaque pixels can be written straight into them: a
// 32-bit image not shared with anyone, no clip, a whole-pixel translation, plain
// drawing. offset maps painter coordinates to image pixels.
QImage *directImage(QPainter &p, QPoint &offset)
{
    QPaintDevice *dev = p.device();
    if (!dev || dev->devType() != QInternal::Image || dev->devicePixelRatio() != 1 || p.hasClipping() ||
        p.opacity() != 1.0)
        return nullptr;
    const QPainter::CompositionMode mode = p.compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source)
        return nullptr;
    const QTransform &t = p.worldTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return nullptr;
    auto *img = static_cast<QImage *>(dev);
    const QImage::Format f = img->format();
    if ((f != QImage::Format_ARGB32_Premultiplied && f != QImage::Format_ARGB32 &&
         f != QImage::Format_RGB32) ||
        !img->isDetached())
        return nullptr;
    offset = QPoint(int(t.dx()), int(t.dy()));
    return img;
}

// Draws image at (x, y) pixel for pixel.
void blit(QPainter &p, int x, int y, const QImage &image)
{
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setOpacity(1.0);
    p.drawImage(QPoint(x, y), image);
    p.restore();
}

// One triangle of the gradient fill into target, whose pixel (0, 0) is (originX,
// originY) in fill coordinates; only rows and columns within clip (fill coordinates).
// Rows from the top vertex to the bottom one (bottom excluded); in each row the span
// between the two edges (right end excluded), edges followed right to left so the
// rounding is the same for every triangle sharing them.
void rasterTriangle(QImage &target, int originX, int originY, const TriVertex *in, const QRect &clip)
{
    TriVertex v[3] = {in[0], in[1], in[2]};
    std::stable_sort(v, v + 3, [](const TriVertex &a, const TriVertex &b) { return a.y < b.y; });
    if (v[0].y == v[2].y)
        return;
    const qint64 det =
        qint64(v[1].x - v[0].x) * (v[2].y - v[0].y) - qint64(v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (det == 0)
        return;

    auto edge = [](qint64 y, qint64 x1, qint64 y1, qint64 x2, qint64 y2) -> qint64 {
        if (x2 > x1)
            return x2 + (y - y2) * (x2 - x1) / (y2 - y1);
        return x1 + (y - y1) * (x2 - x1) / (y2 - y1);
    };

    const int minX = std::min({v[0].x, v[1].x, v[2].x});
    const int maxX = std::max({v[0].x, v[1].x, v[2].x});
    const int top = std::max(v[0].y, clip.top());
    const int bottom = std::min(v[2].y, clip.bottom() + 1);
    const int clipLeft = std::max(minX, clip.left());
    const int clipRight = std::min(maxX, clip.right() + 1);

    const qint64 ey1 = v[1].y - v[0].y, ey2 = v[2].y - v[0].y;
    const qint64 ex1 = v[1].x - v[0].x, ex2 = v[2].x - v[0].x;
    const quint16 TriVertex::*channels[3] = {&TriVertex::Red, &TriVertex::Green, &TriVertex::Blue};
    // Channel value at a pixel: floor(N / (256 det)) with N an integer that steps by a
    // constant along the row. Quotients that are not whole lie at least 1 / (256 |det|)
    // from a whole number, far beyond double rounding, so a quarter of that step keeps
    // the floor exact while guarding whole quotients against rounding just below them.
    const bool exactInDouble = std::abs(det) < (qint64(1) << 30);
    const double inv = 1.0 / (256.0 * double(det));
    const double guard = det > 0 ? 0.25 : -0.25;
    qint64 cv[3][3];
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k)
            cv[c][k] = v[k].*channels[c];

    for (int y = top; y < bottom; ++y) {
        const qint64 x1 =
            y < v[1].y ? edge(y, v[0].x, v[0].y, v[1].x, v[1].y) : edge(y, v[1].x, v[1].y, v[2].x, v[2].y);
        const qint64 x2 = edge(y, v[0].x, v[0].y, v[2].x, v[2].y);
        const int left = int(std::max<qint64>(clipLeft, std::min(x1, x2)));
        const int right = int(std::min<qint64>(clipRight, std::max(x1, x2)));
        if (left >= right)
            continue;

        // Numerators of the weights of v1 and v2 at (left, y); they step linearly in x.
        const qint64 n1 = (left - v[0].x) * ey2 - ex2 * (y - v[0].y);
        const qint64 n2 = ex1 * (y - v[0].y) - (left - v[0].x) * ey1;
        auto *line = reinterpret_cast<QRgb *>(target.scanLine(y - originY)) - originX;
        if (exactInDouble) {
            double n[3], dn[3];
            for (int c = 0; c < 3; ++c) {
                n[c] = double(cv[c][0] * (det - n1 - n2) + cv[c][1] * n1 + cv[c][2] * n2) + guard;
                dn[c] = double(cv[c][0] * (ey1 - ey2) + cv[c][1] * ey2 - cv[c][2] * ey1);
            }
            // Truncation is the floor here: negative values are cut to 0 anyway.
            auto byte = [](double q) { return q <= 0.0 ? 0 : (q >= 255.0 ? 255 : int(q)); };
            for (int x = left; x < right; ++x) {
                line[x] = qRgb(byte(n[0] * inv), byte(n[1] * inv), byte(n[2] * inv));
                n[0] += dn[0];
                n[1] += dn[1];
                n[2] += dn[2];
            }
            continue;
        }
        // Very large triangles: whole-number stepping of quotient and remainder.
        const int sign = det < 0 ? -1 : 1;
        const qint64 d256 = det * sign * 256;
        qint64 q[3], rem[3], dq[3], dr[3];
        for (int c = 0; c < 3; ++c) {
            const qint64 n = sign * (cv[c][0] * (det - n1 - n2) + cv[c][1] * n1 + cv[c][2] * n2);
            const qint64 dn = sign * (cv[c][0] * (ey1 - ey2) + cv[c][1] * ey2 - cv[c][2] * ey1);
            q[c] = floorDiv(n, d256);
            rem[c] = n - q[c] * d256;
            dq[c] = floorDiv(dn, d256);
            dr[c] = dn - dq[c] * d256;
        }
        for (int x = left; x < right; ++x) {
            line[x] = qRgb(clampByte(q[0]), clampByte(q[1]), clampByte(q[2]));
            for (int c = 0; c < 3; ++c) {
                q[c] += dq[c];
                rem[c] += dr[c];
                if (rem[c] >= d256) {
                    ++q[c];
                    rem[c] -= d256;
                }
            }
        }
    }
}

} // namespace

OleColor TranslateColor(OleColor color, const QPalette &palette)
{
    if (color & SystemColorFlag) {
        SystemRole entry{};
        if (!systemRole(int(color & 0xFF), entry))
            return 0;
        return FromQColor(palette.color(entry.group, entry.role));
    }
    return color & 0x00FFFFFFu;
}

OleColor TranslateColor(OleColor color)
{
    return TranslateColor(color, QApplication::palette());
}

QColor ToQColor(OleColor rgb)
{
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

OleColor FromQColor(const QColor &color)
{
    return RGB(color.red(), color.green(), color.blue());
}

TriVertex MakeVertex(qint32 x, qint32 y, OleColor rgb)
{
    TriVertex v;
    v.x = x;
    v.y = y;
    v.Red = quint16((rgb % 256) * 256);
    v.Green = quint16(((rgb & 0xFF00FF00u) / 256) * 256);
    v.Blue = quint16(((rgb & 0x00FF0000u) / 65536) * 256);
    v.Alpha = 0;
    return v;
}

void GradientFillRect(QPainter &surface, const TriVertex &upperLeft, const TriVertex &lowerRight,
                      bool horizontal)
{
    // The vertex nearer the start of the gradient axis gives the start colour.
    TriVertex a = upperLeft, b = lowerRight;
    if (horizontal ? (b.x < a.x) : (b.y < a.y))
        std::swap(a, b);
    QRect area = horizontal ? QRect(QPoint(a.x, std::min(a.y, b.y)), QPoint(b.x - 1, std::max(a.y, b.y) - 1))
                            : QRect(QPoint(std::min(a.x, b.x), a.y), QPoint(std::max(a.x, b.x) - 1, b.y - 1));
    area &= deviceBoundsInPainter(surface);
    if (area.isEmpty())
        return;

    const qint64 start = horizontal ? a.x : a.y;
    const qint64 len = horizontal ? qint64(b.x) - a.x : qint64(b.y) - a.y;
    const int from = horizontal ? area.left() : area.top();
    const int count = horizontal ? area.width() : area.height();
    // Channel at pos: (c0 (len - pos) + c1 pos) / len / 256, whole-number division of a
    // non-negative numerator, i.e. floor((c0 len + (c1 - c0) pos) / (256 len)); stepped
    // by quotient and remainder instead of three divisions per pixel.
    struct Channel {
        qint64 q, r, dq, dr;
    };
    const qint64 d256 = len * 256;
    auto channel = [&](quint16 c0, quint16 c1) {
        const qint64 n = qint64(c0) * len + (qint64(c1) - c0) * (from - start);
        const qint64 dn = qint64(c1) - c0;
        Channel c;
        c.q = floorDiv(n, d256);
        c.r = n - c.q * d256;
        c.dq = floorDiv(dn, d256);
        c.dr = dn - c.dq * d256;
        return c;
    };
    Channel ch[3] = {channel(a.Red, b.Red), channel(a.Green, b.Green), channel(a.Blue, b.Blue)};
    auto nextColour = [&ch, d256]() {
        const QRgb rgb = qRgb(clampByte(ch[0].q), clampByte(ch[1].q), clampByte(ch[2].q));
        for (Channel &c : ch) {
            c.q += c.dq;
            c.r += c.dr;
            if (c.r >= d256) {
                c.r -= d256;
                ++c.q;
            }
        }
        return rgb;
    };

    QPoint offset;
    if (QImage *img = directImage(surface, offset)) {
        const QRect px = area.translated(offset);
        if (horizontal) {
            auto *first = reinterpret_cast<QRgb *>(img->scanLine(px.top())) + px.left();
            for (int i = 0; i < count; ++i)
                first[i] = nextColour();
            uchar *bits = img->bits();
            const qsizetype bytesPerLine = img->bytesPerLine();
            for (int y = px.top() + 1; y <= px.bottom(); ++y)
                std::memcpy(bits + y * bytesPerLine + qsizetype(px.left()) * 4, first, size_t(count) * 4);
        } else {
            for (int i = 0; i < count; ++i) {
                auto *row = reinterpret_cast<QRgb *>(img->scanLine(px.top() + i)) + px.left();
                std::fill_n(row, px.width(), nextColour());
            }
        }
        return;
    }
    QImage strip = horizontal ? QImage(count, 1, QImage::Format_ARGB32_Premultiplied)
                              : QImage(1, count, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < count; ++i) {
        if (horizontal)
            reinterpret_cast<QRgb *>(strip.scanLine(0))[i] = nextColour();
        else
            reinterpret_cast<QRgb *>(strip.scanLine(i))[0] = nextColour();
    }
    surface.save();
    surface.setRenderHint(QPainter::SmoothPixmapTransform, false);
    surface.setCompositionMode(QPainter::CompositionMode_SourceOver);
    surface.setOpacity(1.0);
    surface.drawImage(area, strip);
    surface.restore();
}

void GradientRect(QPainter &surface, OleColor startColor, OleColor endColor, qint32 x1, qint32 y1, qint32 x2,
                  qint32 y2, bool horizontal)
{
    GradientFillRect(surface, MakeVertex(x1, y1, startColor), MakeVertex(x2, y2, endColor), horizontal);
}

void GradientCorners(QPainter &surface, OleColor topLeft, OleColor topRight, OleColor bottomLeft,
                     OleColor bottomRight, qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    const TriVertex v[4] = {MakeVertex(left, top, topLeft), MakeVertex(right, top, topRight),
                            MakeVertex(right, bottom, bottomRight), MakeVertex(left, bottom, bottomLeft)};
    // The mesh is {0, 1, 2}, {0, 2, 3}, {1, 2, 3}, {0, 1, 3}: the rectangle along one
    // diagonal, then along the other. The second pair shares its diagonal edge with the
    // same rounding and covers every pixel of the rectangle, so only it can show.
    static const int visible[2][3] = {{1, 2, 3}, {0, 1, 3}};
    QRect box(QPoint(std::min(left, right), std::min(top, bottom)),
              QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    box &= deviceBoundsInPainter(surface);
    if (box.isEmpty())
        return;
    QPoint offset;
    if (QImage *img = directImage(surface, offset)) {
        for (const auto &tri : visible) {
            const TriVertex t[3] = {v[tri[0]], v[tri[1]], v[tri[2]]};
            rasterTriangle(*img, -offset.x(), -offset.y(), t, box);
        }
        return;
    }
    QImage buf(box.size(), QImage::Format_ARGB32_Premultiplied);
    buf.fill(Qt::transparent);
    for (const auto &tri : visible) {
        const TriVertex t[3] = {v[tri[0]], v[tri[1]], v[tri[2]]};
        rasterTriangle(buf, box.left(), box.top(), t, box);
    }
    blit(surface, box.left(), box.top(), buf);
}

qint32 RoundHalfEven(double value)
{
    const double f = std::floor(value);
    const double diff = value - f;
    double r = f;
    if (diff > 0.5)
        r = f + 1;
    else if (diff == 0.5)
        r = std::fmod(f, 2.0) == 0 ? f : f + 1;
    return qint32(r);
}

qint32 PercentOf(qint32 percent, qint32 value, bool)
{
    const qint64 product = qint64(percent) * value;
    const qint64 q = floorDiv(product, 100);
    const qint64 rest = product - q * 100; // 0..99
    if (rest > 50 || (rest == 50 && (q % 2) != 0))
        return qint32(q + 1);
    return qint32(q);
}

} // namespace qvKontrollerFelles

} // namespace qv
