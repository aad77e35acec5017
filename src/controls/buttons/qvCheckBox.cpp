#include "controls/buttons/qvCheckBox.h"

#include "controls/buttons/qvButtonFaces.h"

#include <QFontMetrics>
#include <QPainter>

namespace qv
{

using namespace qvButtonFaces;
namespace kf = qvKontrollerFelles;
namespace gd = GDIplusDraw;

namespace
{

constexpr qint32 NoLine = -1;
Argb opaque(int r, int g, int b)
{
    return gd::MakeArgb(255, quint8(r), quint8(g), quint8(b));
}

// Box of the square styles and the round box: their outer size in pixels.
constexpr int SquareBox = 13;
constexpr int RoundBox = 14;
constexpr int SwitchWidth = 26;

} // namespace

qvCheckBox::qvCheckBox(QWidget *parent) : qvButtonBase(0, 2, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMode(1);
}

void qvCheckBox::setValue(bool value)
{
    if (value == Value())
        return;
    if (value && Mode() == 2)
        select();
    else
        storeValue(value);
    emit Click();
}

void qvCheckBox::setFocusRectangle(bool on)
{
    m_focusRectangle = on;
    changed();
}

void qvCheckBox::setTabBorderColor(uint color)
{
    m_tabBorderColor = color;
    changed();
}

void qvCheckBox::setTabSelectedColor(uint color)
{
    m_tabSelectedColor = color;
    changed();
}

void qvCheckBox::setGrayWhenDisabled(bool on)
{
    m_grayWhenDisabled = on;
    changed();
}

void qvCheckBox::setSoftStyle(bool on)
{
    m_softStyle = on;
    changed();
}

// ---- clicks -----------------------------------------------------------------------

void qvCheckBox::select()
{
    releaseGroup();
    storeValue(true);
    // The selected tab overlaps its neighbours.
    if (Style() == 4 || Style() == 5)
        raise();
}

void qvCheckBox::leftClick()
{
    switch (Mode()) {
    case 1:
        storeValue(!Value());
        break;
    case 2:
        select();
        break;
    default:
        update();
        break;
    }
    emit Click();
}

bool qvCheckBox::keyClicks(int qtKey) const
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        return true;
    return qtKey == Qt::Key_Space && (Mode() == 1 || Mode() == 2);
}

// ---- geometry -----------------------------------------------------------------------

int qvCheckBox::boxWidth() const
{
    switch (Style()) {
    case 2:
        return RoundBox;
    case 3:
        return SwitchWidth;
    default:
        return SquareBox;
    }
}

QRect qvCheckBox::captionArea() const
{
    // The boxes take 15 pixels before IconSpace; the wider switch takes its width and two.
    const int reserve = Style() == 3 ? SwitchWidth + 2 : 15;
    const int left = boxAtRight() ? IconSpace() : IconSpace() + reserve;
    const int right = boxAtRight() ? width() - reserve - IconSpace() : width();
    return QRect(left, 0, qMax(0, right - left), height());
}

// ---- painting ---------------------------------------------------------------------

void qvCheckBox::paintBackground(QPainter &p, const Look &look)
{
    fillBackground(p);
    const int state = isEnabled() ? look.pointer : 0;
    switch (Style()) {
    case 1:
        paintFlatSquare(p, state);
        break;
    case 2:
        paintRound(p, state);
        break;
    case 3:
        paintSwitch(p, state);
        break;
    case 4:
        paintTab(p, state, true);
        break;
    case 5:
        paintTab(p, state, false);
        break;
    case 6:
        CommandFace(p, width(), height(), Value() ? 2 : state, isEnabled(), m_softStyle);
        break;
    default:
        paintSquare(p, state);
        break;
    }
}

void qvCheckBox::paintContent(QPainter &p, const Look &look)
{
    switch (Style()) {
    case 4:
        paintTabContent(p, true);
        break;
    case 5:
        paintTabContent(p, false);
        break;
    case 6: {
        const int state = isEnabled() ? look.pointer : 0;
        const int shift = Value() || state == 2 ? 1 : 0;
        const qv::IconLayout layout = currentLayout();
        const bool grey = !isEnabled() && m_grayWhenDisabled;
        drawCaption(p, layout.captionRect.translated(shift, shift),
                    grey ? QColor(160, 160, 160) : foreColor());
        drawIcon(p, layout.iconPos + QPoint(shift, shift));
        if (m_focusRectangle && hasFocus())
            drawFocusFrame(p, rect().adjusted(3, 3, -3, -3));
        break;
    }
    default:
        paintBoxCaption(p);
        break;
    }
}

void qvCheckBox::paintBoxCaption(QPainter &p)
{
    const QColor color = !isEnabled() && m_grayWhenDisabled ? QColor(160, 160, 160) : foreColor();
    QRect used;
    drawCaption(p, captionArea(), color, false, false, nullptr, 0, &used);
    if (m_focusRectangle && hasFocus() && !used.isEmpty())
        drawFocusFrame(p, used.adjusted(-1, 0, 1, 0).intersected(rect()));
}

void qvCheckBox::paintSquare(QPainter &p, int state)
{
    const int x0 = boxAtRight() ? width() - SquareBox : 0;
    const bool enabled = isEnabled();
    if (!enabled) {
        Band(p, RGB(255, 255, 255), RGB(255, 255, 255), x0 + 1, 1, x0 + 12, 12);
    } else if (state == 2) {
        kf::GradientCorners(p, RGB(176, 176, 167), RGB(215, 213, 200), RGB(215, 213, 200), RGB(241, 239, 223),
                            x0 + 1, 1, x0 + 12, 12);
    } else if (state == 1) {
        kf::GradientCorners(p, RGB(255, 240, 207), RGB(251, 200, 99), RGB(251, 200, 99), RGB(248, 179, 48),
                            x0 + 1, 1, x0 + 12, 12);
        kf::GradientCorners(p, RGB(224, 224, 219), RGB(241, 241, 239), RGB(241, 241, 239), RGB(253, 253, 252),
                            x0 + 3, 3, x0 + 10, 10);
    } else {
        kf::GradientCorners(p, RGB(215, 215, 210), RGB(241, 241, 239), RGB(241, 241, 239), RGB(255, 255, 255),
                            x0 + 1, 1, x0 + 12, 12);
    }
    Frame(p, x0, 0, x0 + 12, 12, enabled ? RGB(28, 81, 128) : RGB(182, 180, 167));
    if (Value())
        CheckMark(p, x0, 0, enabled ? QColor(33, 161, 33) : QColor(182, 180, 167));
}

void qvCheckBox::paintRound(QPainter &p, int state)
{
    const int x0 = boxAtRight() ? width() - RoundBox : 0;
    const bool enabled = isEnabled();
    Argb c1 = opaque(215, 215, 210), c2 = opaque(255, 255, 255);
    if (enabled && state == 1)
        c1 = opaque(255, 240, 207), c2 = opaque(248, 179, 48);
    else if (enabled && state == 2)
        c1 = opaque(176, 176, 167), c2 = opaque(241, 239, 223);
    const Argb line = enabled ? opaque(28, 81, 128) : opaque(182, 180, 167);
    gd::DrawRoundRectPlus(p, x0, 0, x0 + 13, 13, 6, gd::FillLinearGradient, 1, gd::LineSolid, line, 0, c1, c2,
                          gd::GradientForwardDiagonal);
    if (Value()) {
        const Argb dot = enabled ? opaque(33, 161, 33) : opaque(182, 180, 167);
        gd::DrawEllipsePlus(p, x0 + 4, 4, 5, 5, gd::FillSolid, 1, NoLine, 0, 0, 0, dot, dot, 0);
    }
}

void qvCheckBox::paintFlatSquare(QPainter &p, int state)
{
    const int x0 = boxAtRight() ? width() - SquareBox : 0;
    const bool enabled = isEnabled();
    OleColor fill = RGB(255, 255, 255), rim = RGB(122, 122, 122);
    if (!enabled)
        fill = RGB(244, 244, 244), rim = RGB(182, 180, 167);
    else if (state == 2)
        fill = RGB(204, 228, 247), rim = RGB(0, 84, 153);
    else if (state == 1)
        fill = RGB(229, 241, 251), rim = RGB(51, 153, 255);
    Band(p, fill, fill, x0 + 1, 1, x0 + 12, 12);
    Frame(p, x0, 0, x0 + 12, 12, rim);
    if (Value())
        CheckMark(p, x0, 0, enabled ? QColor(33, 33, 33) : QColor(160, 160, 160));
}

void qvCheckBox::paintSwitch(QPainter &p, int state)
{
    const int x0 = boxAtRight() ? width() - SwitchWidth : 0;
    const bool enabled = isEnabled();
    const bool on = Value();
    Argb t1 = opaque(215, 215, 210), t2 = opaque(255, 255, 255);
    if (on && enabled)
        t1 = opaque(90, 190, 90), t2 = opaque(33, 161, 33);
    const Argb rim = !enabled ? opaque(182, 180, 167) : on ? opaque(25, 120, 25) : opaque(28, 81, 128);
    gd::DrawRoundRectPlus(p, x0, 0, x0 + SwitchWidth - 1, 12, 6, gd::FillLinearGradient, 1, gd::LineSolid,
                          rim, 0, t1, t2, gd::GradientVertical);
    Argb k1 = opaque(255, 255, 255), k2 = opaque(230, 230, 230);
    if (enabled && state == 1)
        k1 = opaque(255, 240, 207), k2 = opaque(248, 179, 48);
    else if (enabled && state == 2)
        k1 = opaque(176, 176, 167), k2 = opaque(241, 239, 223);
    const int knobX = on ? x0 + SwitchWidth - 11 : x0 + 2;
    gd::DrawEllipsePlus(p, knobX, 2, 8, 8, gd::FillLinearGradient, 1, gd::LineSolid, rim, 0, 0, k1, k2, 0);
}

void qvCheckBox::paintTab(QPainter &p, int state, bool atTop)
{
    const int W = width(), H = height();
    const bool selected = Value();
    const bool enabled = isEnabled();
    // A tab that is not selected stands back by two pixels.
    const int back = selected ? 0 : 2;
    const int top = atTop ? back : 0;
    const int bottom = atTop ? H - 1 : H - 1 - back;
    const OleColor border = kf::TranslateColor(m_tabBorderColor, palette());
    const QColor accent = kf::ToQColor(kf::TranslateColor(m_tabSelectedColor, palette()));
    Argb c1 = opaque(242, 242, 242), c2 = opaque(224, 224, 224);
    if (selected)
        c1 = opaque(255, 255, 255), c2 = opaque(245, 245, 245);
    else if (enabled && state != 0)
        c1 = opaque(250, 250, 250), c2 = opaque(232, 238, 246);
    if (!atTop)
        std::swap(c1, c2);
    gd::DrawHalfRoundRectPlus(p, 0, top, W - 1, bottom, 3, atTop, !atTop, gd::FillLinearGradient, 1,
                              gd::LineSolid, gd::ColorToArgb(border, 255), 0, c1, c2, gd::GradientVertical);
    if (selected) {
        // The selected tab opens into the page below (or above) it.
        Line(p, 1, atTop ? H - 1 : 0, W - 2, atTop ? H - 1 : 0, RGB(255, 255, 255));
    }
    const int strip = selected ? 3 : (enabled && state != 0 ? 2 : 0);
    if (strip > 0) {
        QColor c = enabled ? accent : QColor(182, 180, 167);
        if (!selected)
            c.setAlpha(128);
        const int y = atTop ? top + 1 : bottom - strip;
        p.fillRect(QRect(2, y, W - 4, strip), c);
    }
}

void qvCheckBox::paintTabContent(QPainter &p, bool atTop)
{
    // A tab that is not selected stands back by two pixels; its content moves half of it.
    const int back = Value() ? 0 : 2;
    const int shift = atTop ? back / 2 : -back / 2;
    const qv::IconLayout layout = currentLayout();
    const QColor text = !isEnabled() && m_grayWhenDisabled ? QColor(160, 160, 160) : foreColor();
    drawCaption(p, layout.captionRect.translated(0, shift), text);
    drawIcon(p, layout.iconPos + QPoint(0, shift));
    if (m_focusRectangle && hasFocus())
        drawFocusFrame(p, rect().adjusted(3, (atTop ? back : 0) + 3, -3, -(atTop ? 0 : back) - 3));
}

} // namespace qv
