#pragma once
#include <QColor>
#include <QPolygon>
#include <QRect>

class QPainter;
class QWidget;
class QImage;

namespace qv
{

// The plain (aliased) pen and brush operations the controls use beside the drawing
// helpers, with their pixel rules: a line leaves out its end point, a rectangle leaves
// out its right column and bottom row.
namespace GdiPrimitives
{

// Line from (x1, y1) towards (x2, y2), the end point not drawn. Wider pens put a
// width x width square on every point.
void Line(QPainter &p, int x1, int y1, int x2, int y2, const QColor &color, int width = 1);
// Connected lines through the points; closing the figure draws every corner once.
void Polyline(QPainter &p, const QPolygon &points, const QColor &color);
// Pixels left..right-1, top..bottom-1 filled with fill and outlined with pen.
void Rectangle(QPainter &p, int left, int top, int right, int bottom, const QColor &pen, const QColor &fill);
// One-pixel frame (0, 0) -> (W - 1, 0) -> (W - 1, H - 1) -> (0, H - 1) -> (0, 0).
void Frame(QPainter &p, int width, int height, const QColor &color);

} // namespace GdiPrimitives

} // namespace qv
