#include "controls/GdiPrimitives.h"

#include <QPainter>
#include <cstdlib>

namespace GdiPrimitives {

void Line(QPainter &p, int x1, int y1, int x2, int y2, const QColor &color, int width)
{
    if (width < 1)
        width = 1;
    const int offset = width / 2;
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (dx == 0 || dy == 0) {
        // Axis-aligned: one rectangle.
        const int len = dx == 0 ? -dy : dx;
        if (len > 0) {
            QRect r = dx == 0 ? QRect(x1 - offset, sy > 0 ? y1 : y1 - len + 1, width, len)
                              : QRect(sx > 0 ? x1 : x1 - len + 1, y1 - offset, len, width);
            p.fillRect(r, color);
        }
        p.restore();
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
    p.restore();
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
    Polyline(p, QPolygon({QPoint(0, 0), QPoint(width - 1, 0), QPoint(width - 1, height - 1), QPoint(0, height - 1),
                          QPoint(0, 0)}),
             color);
}

}  // namespace GdiPrimitives
