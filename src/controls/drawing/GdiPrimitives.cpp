#include "controls/drawing/GdiPrimitives.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

namespace qv
{

namespace GdiPrimitives
{

namespace
{

// Aliased drawing for the duration of one operation, without saving the whole painter.
class Aliased
{
public:
    explicit Aliased(QPainter &p) : m_p(p), m_was(p.testRenderHint(QPainter::Antialiasing))
    {
        if (m_was)
            m_p.setRenderHint(QPainter::Antialiasing, false);
    }
    ~Aliased()
    {
        if (m_was)
            m_p.setRenderHint(QPainter::Antialiasing, true);
    }

private:
    QPainter &m_p;
    bool m_was;
};

bool wholePixelTransform(const QPainter &p)
{
    const QTransform &t = p.worldTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
           t.dy() == std::floor(t.dy());
}

} // namespace

void Line(QPainter &p, int x1, int y1, int x2, int y2, const QColor &color, int width)
{
    if (width < 1)
        width = 1;
    const int offset = width / 2;
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    Aliased aliased(p);
    if (dx == 0 || dy == 0) {
        // Axis-aligned: one rectangle.
        const int len = dx == 0 ? -dy : dx;
        if (len > 0) {
            QRect r = dx == 0 ? QRect(x1 - offset, sy > 0 ? y1 : y1 - len + 1, width, len)
                              : QRect(sx > 0 ? x1 : x1 - len + 1, y1 - offset, len, width);
            p.fillRect(r, color);
        }
        return;
    }
    int err = dx + dy, x = x1, y = y1;
    while (!(x == x2 && y == y2)) {
        p.fillRect(QRect(x - offset, y - offset, width, width), color);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Polyline(QPainter &p, const QPolygon &points, const QColor &color)
{
    for (int i = 1; i < points.size(); ++i)
        Line(p, points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y(), color);
}

void Rectangle(QPainter &p, int left, int top, int right, int bottom, const QColor &pen, const QColor &fill)
{
    if (right <= left || bottom <= top)
        return;
    if (pen.alpha() == 255 && right - left >= 2 && bottom - top >= 2 && wholePixelTransform(p)) {
        // An opaque one-pixel outline covers exactly the edge pixels of the filled area.
        Aliased aliased(p);
        p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), fill);
        p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), pen);
        p.fillRect(QRect(QPoint(left, bottom - 1), QPoint(right - 1, bottom - 1)), pen);
        p.fillRect(QRect(QPoint(left, top + 1), QPoint(left, bottom - 2)), pen);
        p.fillRect(QRect(QPoint(right - 1, top + 1), QPoint(right - 1, bottom - 2)), pen);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), fill);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)));
    p.restore();
}

void Frame(QPainter &p, int width, int height, const QColor &color)
{
    if (width >= 1 && height >= 1) {
        // The four lines of the outline, each without its end point: every edge pixel once.
        Aliased aliased(p);
        p.fillRect(QRect(0, 0, width - 1, 1), color);
        p.fillRect(QRect(width - 1, 0, 1, height - 1), color);
        p.fillRect(QRect(1, height - 1, width - 1, 1), color);
        p.fillRect(QRect(0, 1, 1, height - 1), color);
        return;
    }
    Polyline(p,
             QPolygon({QPoint(0, 0), QPoint(width - 1, 0), QPoint(width - 1, height - 1),
                       QPoint(0, height - 1), QPoint(0, 0)}),
             color);
}

} // namespace GdiPrimitives

} // namespace qv
