#include "controls/buttons/qvButtonFaces.h"

#include <QPainter>
#include <QPainterPath>

namespace qv
{

namespace qvButtonFaces
{

namespace kf = qvKontrollerFelles;
namespace gd = GDIplusDraw;

namespace
{
constexpr qint32 NoFill = -1;
}

void Band(QPainter &p, OleColor top, OleColor bottom, int x1, int y1, int x2, int y2)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    kf::GradientRect(p, top, bottom, x1, y1, x2, y2, false);
}

void Outline(QPainter &p, int left, int top, int right, int bottom, Argb color)
{
    gd::DrawRoundRectPlus(p, left, top, right, bottom, 2, NoFill, 1, gd::LineSolid, color, 0, 0, 0,
                          gd::GradientVertical);
}

void Frame(QPainter &p, int left, int top, int right, int bottom, OleColor color)
{
    const QColor c = kf::ToQColor(color);
    p.fillRect(QRect(left, top, right - left + 1, 1), c);
    p.fillRect(QRect(left, bottom, right - left + 1, 1), c);
    p.fillRect(QRect(left, top + 1, 1, bottom - top - 1), c);
    p.fillRect(QRect(right, top + 1, 1, bottom - top - 1), c);
}

void Line(QPainter &p, int x1, int y1, int x2, int y2, OleColor color)
{
    // Straight one-pixel lines are spans of whole pixels.
    const QColor c = kf::ToQColor(color);
    if (y1 == y2 || x1 == x2) {
        p.fillRect(QRect(QPoint(qMin(x1, x2), qMin(y1, y2)), QPoint(qMax(x1, x2), qMax(y1, y2))), c);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(c, 0));
    p.drawLine(x1, y1, x2, y2);
    p.restore();
}

void WarmHoverBands(QPainter &p, int x1, int x2, int H, int h)
{
    Band(p, RGB(255, 252, 217), RGB(255, 231, 141), x1, 1, x2, h);
    Band(p, RGB(255, 215, 76), RGB(255, 231, 147), x1, h, x2, H - 1);
}

void WarmLightBands(QPainter &p, int x1, int x2, int H, int h)
{
    Band(p, RGB(255, 254, 247), RGB(255, 247, 223), x1, 1, x2, h);
    Band(p, RGB(255, 238, 190), RGB(255, 246, 221), x1, h, x2, H - 1);
}

void WarmPressed(QPainter &p, int W, int H, int h, int bandRight)
{
    Band(p, RGB(252, 211, 167), RGB(250, 172, 94), 2, 2, bandRight, h);
    const OleColor deep = RGB(249, 146, 45), warm = RGB(253, 209, 117), pale = RGB(253, 247, 213);
    if (H - 2 > h) {
        kf::GradientCorners(p, deep, deep, warm, pale, 2, h, W / 2, H - 2);
        kf::GradientCorners(p, deep, deep, pale, warm, W / 2, h, W - 2, H - 2);
    }
    Line(p, 1, 1, W - 1, 1, RGB(182, 154, 120));
    Line(p, 1, 2, W - 1, 2, RGB(222, 183, 136));
    Line(p, 1, 3, W - 1, 3, RGB(245, 203, 155));
    const OleColor side = RGB(250, 191, 98);
    Line(p, W - 2, 3, W - 2, H - 1, side);
    Line(p, 1, 3, 1, H - 1, side);
    Line(p, 1, H - 2, W - 2, H - 2, side);
}

void CommandFace(QPainter &p, int W, int H, int state, bool enabled, bool soft)
{
    const int h = kf::PercentOf(50, H);
    if (!enabled) {
        Band(p, RGB(252, 252, 252), RGB(234, 234, 234), 1, 1, W - 1, h);
        Band(p, RGB(219, 219, 219), RGB(255, 255, 255), 1, h, W - 1, H - 1);
        Outline(p, 0, 0, W - 1, H - 1, gd::MakeArgb(255, 182, 180, 167));
        return;
    }
    if (state == 2) {
        WarmPressed(p, W, H, h, W - 2);
        Outline(p, 1, 3, W - 2, H - 2, gd::MakeArgb(100, 255, 253, 243));
        Outline(p, 0, 0, W - 1, H - 1, gd::MakeArgb(200, 154, 144, 100));
        return;
    }
    if (state == 0 || soft) {
        Band(p, RGB(229, 240, 255), RGB(217, 231, 249), 1, 1, W - 1, h);
        Band(p, RGB(207, 223, 243), RGB(231, 241, 253), 1, h, W - 1, H - 1);
        Outline(p, 0, 0, W - 1, H - 1, gd::MakeArgb(255, 107, 151, 202));
        if (state == 0)
            return;
    }
    p.save();
    if (soft)
        p.setOpacity(0.55);
    WarmHoverBands(p, 1, W - 1, H, h);
    Outline(p, 1, 1, W - 2, H - 2, gd::MakeArgb(255, 255, 253, 243));
    Outline(p, 0, 0, W - 1, H - 1, gd::MakeArgb(255, 219, 206, 153));
    p.restore();
}

void CommandDefaultBand(QPainter &p, int W, int H, int state, bool enabled)
{
    const int bottom = kf::RoundHalfEven(H / 7.0);
    if (!enabled)
        Band(p, RGB(255, 255, 255), RGB(220, 220, 220), 2, 1, W - 2, bottom);
    else if (state == 2)
        Band(p, RGB(252, 211, 167), RGB(249, 146, 45), 2, 1, W - 2, bottom);
    else
        Band(p, RGB(255, 252, 217), RGB(255, 215, 76), 2, 1, W - 2, bottom);
}

void PaintBanded(QPainter &p, int W, int H, const BandedLook &look)
{
    const int h = kf::PercentOf(50, H);
    Band(p, look.top1, look.bottom1, 1, 1, W - 1, h);
    Band(p, look.top2, look.bottom2, 1, h, W - 1, H - 1);
    if (look.inner != 0)
        Outline(p, 1, 1, W - 2, H - 2, look.inner);
    if (look.outer != 0)
        Outline(p, 0, 0, W - 1, H - 1, look.outer);
}

void DownArrow(QPainter &p, int W, int H, int D, const QColor &color)
{
    // 7, 5, 3 and 1 pixels wide: crisp at every size.
    const int cx = W - D / 2;
    const int y0 = H / 2 - 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < 4; ++i)
        p.fillRect(cx - 3 + i, y0 + i, 7 - 2 * i, 1, color);
    p.restore();
}

void CheckMark(QPainter &p, int x, int y, const QColor &color)
{
    // The classic seven-pixel check, three pixels thick: columns 3 to 9, rows 3 to 9.
    QPainterPath mark;
    mark.moveTo(x + 3.0, y + 5.0);
    mark.lineTo(x + 5.5, y + 7.5);
    mark.lineTo(x + 10.0, y + 3.0);
    mark.lineTo(x + 10.0, y + 6.0);
    mark.lineTo(x + 5.5, y + 10.5);
    mark.lineTo(x + 3.0, y + 8.0);
    mark.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(mark);
    p.restore();
}

} // namespace qvButtonFaces

} // namespace qv
