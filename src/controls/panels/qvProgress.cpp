#include "controls/panels/qvProgress.h"

#include "controls/drawing/DeviceSurface.h"
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/GdiPrimitives.h"
#include "controls/drawing/MouseArgs.h"
#include "controls/drawing/MousePointer.h"
#include "controls/panels/BackgroundBehind.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv
{

using namespace qvKontrollerFelles;
using namespace GDIplusDraw;

namespace
{

struct SegmentColours {
    OleColor light, dark, line;
};

SegmentColours segmentColours(int style)
{
    switch (style) {
    case 4:
        return {RGB(255, 224, 192), RGB(255, 128, 0), RGB(192, 64, 0)};
    case 5:
        return {RGB(113, 236, 250), RGB(61, 149, 233), RGB(49, 86, 147)};
    case 6:
        return {RGB(82, 192, 236), RGB(22, 51, 156), RGB(49, 86, 147)};
    default:
        return {RGB(171, 237, 172), RGB(46, 211, 49), RGB(0, 132, 73)};
    }
}

QColor grey(int v)
{
    return QColor(v, v, v);
}

} // namespace

qvProgress::qvProgress(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int qvProgress::PercentFor(int value, int maxValue)
{
    if (maxValue == 0)
        return 0;
    const double rest = (double(maxValue) - value) / maxValue * 100.0;
    const double p = 100.0 - rest;
    if (!std::isfinite(p))
        return 0;
    return RoundHalfEven(p);
}

void qvProgress::changed(const char *name)
{
    emit PropertyChanged(QString::fromLatin1(name));
    paint(false);
}

void qvProgress::setValue(int value)
{
    if (value < 0)
        value = 0;
    if (value > m_maxValue)
        value = m_maxValue;
    m_value = value;
    changed("Value");
}

void qvProgress::setMaxValue(int maxValue)
{
    m_maxValue = maxValue;
    // Value stays within 0 to MaxValue also when the maximum comes down.
    if (m_value > m_maxValue)
        m_value = std::max(0, m_maxValue);
    changed("MaxValue");
}

void qvProgress::setViewPercent(bool on)
{
    m_viewPercent = on;
    changed("ViewPercent");
}

void qvProgress::setStyle(int style)
{
    m_style = style;
    changed("Style");
}

void qvProgress::setBackColor(OleColor color)
{
    m_backColor = color;
    changed("BackColor");
}

void qvProgress::setForeColor(OleColor color)
{
    m_foreColor = color;
    changed("ForeColor");
}

void qvProgress::setColorA(OleColor color)
{
    m_colorA = color;
    changed("ColorA");
}

void qvProgress::setColorB(OleColor color)
{
    m_colorB = color;
    changed("ColorB");
}

void qvProgress::setBorder(bool on)
{
    m_border = on;
    changed("Border");
}

void qvProgress::setBorderColor(OleColor color)
{
    m_borderColor = color;
    changed("BorderColor");
}

void qvProgress::setEnabledProperty(bool on)
{
    setEnabled(on);
    changed("Enabled");
}

void qvProgress::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    setCursor(MousePointer::CursorFor(pointer, m_mouseIcon));
    emit PropertyChanged(QStringLiteral("MousePointer"));
}

void qvProgress::setMouseIcon(const QPixmap &icon)
{
    m_mouseIcon = icon;
    if (m_mousePointer == MousePointer::Custom)
        setCursor(MousePointer::CursorFor(m_mousePointer, m_mouseIcon));
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void qvProgress::Refresh()
{
    paint(true);
}

void qvProgress::paint(bool force)
{
    const int p = Percent();
    if (!force) {
        if (p > 0 && p == m_lastPercent)
            return;
        m_lastPercent = p;
    }
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    ++m_paintCount;

    m_surface = DeviceSurface(this, QSize(w, h));
    m_surface.fill(Qt::black);
    QPainter painter(&m_surface);
    const int filled = RoundHalfEven(double(w) * p / 100.0);
    const QString percentText = QString::number(p) + QLatin1Char('%');
    const QPalette &pal = palette();

    if (m_style >= 0 && m_style <= 2)
        painter.fillRect(QRect(0, 0, w, h), ToQColor(TranslateColor(m_backColor, pal)));

    const OleColor colorA = TranslateColor(m_colorA, pal), colorB = TranslateColor(m_colorB, pal);
    const int inset = m_border ? 1 : 0;
    switch (m_style) {
    case 0:
        for (int x = 2, b = h / 3; b >= 1 && x <= filled; x += b + 1)
            GdiPrimitives::Rectangle(painter, x, 2, x + b, h - 2, ToQColor(colorA), ToQColor(colorB));
        break;
    case 1:
        // Nothing to fill at the very start: the band would fall on the border.
        if (filled - inset > inset)
            GradientRect(painter, colorA, colorB, inset, inset, filled - inset, h - inset, true);
        break;
    case 2: {
        const int middle = PercentOf(50, h);
        if (filled - inset > inset) {
            GradientRect(painter, colorA, colorB, inset, inset, filled - inset, middle, false);
            GradientRect(painter, colorB, colorA, inset, middle, filled - inset, h - inset, false);
        }
        break;
    }
    case 3:
    case 4:
    case 5:
    case 6:
        drawSegmented(painter, w, h, filled);
        break;
    case 7:
        drawDark(painter, w, h, filled);
        break;
    default:
        break;
    }

    if (m_viewPercent)
        DrawTextPlus(painter, w / 2.0f - 14.0f, 0.0f, 33.0f, float(h), percentText, QStringLiteral("Arial"),
                     8.0f, 0, 1, ColorToArgb(TranslateColor(m_foreColor, pal), 255), 0, false, 4);

    if (m_style >= 0 && m_style <= 2 && m_border)
        GdiPrimitives::Frame(painter, w, h, ToQColor(TranslateColor(m_borderColor, pal)));

    painter.end();
    update();
}

void qvProgress::drawSegmented(QPainter &p, int w, int h, int filled)
{
    QColor behind;
    if (BackgroundBehind::PlainColour(this, behind))
        p.fillRect(QRect(0, 0, w, h), behind);
    else
        p.drawImage(QPoint(0, 0), BackgroundBehind::Capture(this, QRect(0, 0, w, h)));
    GdiPrimitives::Rectangle(p, 3, 2, w - 2, h - 2, Qt::white, Qt::white);
    const SegmentColours c = segmentColours(m_style);
    const Argb line = ColorToArgb(c.line, 255);
    for (int x = 4; x <= filled; x += 7) {
        GradientRect(p, c.light, c.dark, x, 3, x + 6, h - 4, false);
        DrawLinePlus(p, x, 3, x + 5, 3, 1, line, 0, 0, false);
        DrawLinePlus(p, x, h - 4, x + 5, h - 4, 1, line, 0, 0, false);
    }
    if (m_viewPercent) {
        const int mid = RoundHalfEven(w / 2.0);
        DrawRoundRectPlus(p, mid - 15, 3, mid + 19, h - 4, 2, FillSolid, 1, LineSolid,
                          MakeArgb(255, 55, 55, 55), 0, MakeArgb(180, 236, 233, 216), 0, 0);
    }
    GdiPrimitives::Line(p, 2, 1, w - 2, 1, grey(190));
    GdiPrimitives::Line(p, 2, 2, w - 2, 2, grey(239));
    GdiPrimitives::Line(p, 2, h - 2, w - 2, h - 2, grey(239));
    GdiPrimitives::Line(p, 1, 2, 1, h - 2, grey(190));
    GdiPrimitives::Line(p, 2, 3, 2, h - 2, grey(239));
    GdiPrimitives::Line(p, w - 2, 1, w - 2, h - 2, grey(239));
    DrawRoundRectPlus(p, 0, 0, w - 1, h - 1, 3, -1, 1, LineSolid, MakeArgb(255, 104, 104, 104), 0, 0, 0, 0);
}

void qvProgress::drawDark(QPainter &p, int w, int h, int filled)
{
    const int p45 = PercentOf(45, h), p70 = PercentOf(70, h);
    GradientRect(p, RGB(95, 106, 135), RGB(58, 64, 78), 0, 0, w, p45, false);
    GradientRect(p, RGB(18, 19, 32), RGB(22, 23, 24), 0, p45, w, p70, false);
    GradientRect(p, RGB(22, 23, 24), RGB(150, 161, 243), 0, p70, w, h, false);
    if (m_border) {
        GdiPrimitives::Line(p, 0, 0, w, 0, QColor(156, 163, 181));
        GdiPrimitives::Line(p, 0, h - 2, w, h - 2, QColor(110, 116, 130));
        GdiPrimitives::Line(p, 0, 1, 0, h, QColor(148, 158, 188));
        GdiPrimitives::Line(p, w - 1, 1, w - 1, h, QColor(148, 158, 188));
    }
    // Nothing to fill at the very start: the bands would fall on the left edge.
    if (filled - 1 <= 1)
        return;
    GradientCorners(p, RGB(116, 129, 156), RGB(218, 238, 255), RGB(76, 90, 114), RGB(144, 196, 255), 1, 2,
                    filled - 1, p45);
    GradientCorners(p, RGB(35, 47, 68), RGB(118, 179, 240), RGB(39, 50, 62), RGB(109, 175, 238), 1, p45,
                    filled - 1, p70);
    GradientCorners(p, RGB(39, 50, 62), RGB(118, 179, 240), RGB(139, 157, 213), RGB(191, 255, 255), 1, p70,
                    filled - 1, h - 2);
    GdiPrimitives::Line(p, filled - 2, 2, filled - 2, h - 2, QColor(94, 111, 142));
}

void qvProgress::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_surface.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(QPoint(0, 0), m_surface);
}

void qvProgress::resizeEvent(QResizeEvent *)
{
    emit Resize();
    paint(true);
}

void qvProgress::mousePressEvent(QMouseEvent *e)
{
    emit MouseDown(MouseArgs::Button(e->button()), MouseArgs::Shift(e->modifiers()), float(e->position().x()),
                   float(e->position().y()));
}

void qvProgress::mouseMoveEvent(QMouseEvent *e)
{
    emit MouseMove(MouseArgs::Button(e->buttons()), MouseArgs::Shift(e->modifiers()),
                   float(e->position().x()), float(e->position().y()));
}

void qvProgress::mouseReleaseEvent(QMouseEvent *e)
{
    emit MouseUp(MouseArgs::Button(e->button()), MouseArgs::Shift(e->modifiers()), float(e->position().x()),
                 float(e->position().y()));
    if (rect().contains(e->position().toPoint()))
        emit Click();
}

void qvProgress::mouseDoubleClickEvent(QMouseEvent *e)
{
    emit DblClick();
    mousePressEvent(e);
}

} // namespace qv
