#include "controls/buttons/qvTButton.h"

#include "controls/buttons/qvButtonFaces.h"

#include <QPainter>

namespace qv
{

using namespace qvButtonFaces;
namespace kf = qvKontrollerFelles;

namespace
{
constexpr int FirstRepeat = 400;
constexpr Argb White = 0xFFFFFFFF;

Argb opaque(int r, int g, int b)
{
    return GDIplusDraw::MakeArgb(255, quint8(r), quint8(g), quint8(b));
}

} // namespace

qvTButton::qvTButton(QWidget *parent) : qvButtonBase(8, 3, parent)
{
    setFocusPolicy(Qt::TabFocus);
    m_tmrRepeat.setTimerType(Qt::PreciseTimer);
    m_tmrRepeat.setInterval(FirstRepeat);
    connect(&m_tmrRepeat, &QTimer::timeout, this, &qvTButton::repeatTick);
}

void qvTButton::setValue(bool value)
{
    if (value) {
        leftClick();
        return;
    }
    storeValue(false);
    if (Mode() != 2)
        emit Click();
}

void qvTButton::setRenderingStyle(int style)
{
    m_renderingStyle = style;
    changed();
}

void qvTButton::setWordWrap(bool on)
{
    m_wordWrap = on;
    changed();
}

void qvTButton::setDownButton(bool on)
{
    m_downButton = on;
    changed();
}

void qvTButton::setDownButtonWidth(int width)
{
    m_downButtonWidth = width;
    changed();
}

void qvTButton::setDrawDownIcon(bool on)
{
    m_drawDownIcon = on;
    changed();
}

int qvTButton::repeatInterval(int clicksSoFar)
{
    if (clicksSoFar <= 0)
        return FirstRepeat;
    if (clicksSoFar < 10)
        return 100;
    if (clicksSoFar < 25)
        return 50;
    if (clicksSoFar < 50)
        return 25;
    return 5;
}

int qvTButton::downPartWidth() const
{
    return (m_downButton || m_drawDownIcon) ? m_downButtonWidth : 0;
}

// ---- clicks -----------------------------------------------------------------------

void qvTButton::leftClick()
{
    switch (Mode()) {
    case 1: {
        const bool down = !Value();
        storeValue(down);
        if (down)
            emit Click();
        break;
    }
    case 2:
        if (Value())
            return;
        releaseGroup();
        storeValue(true);
        emit Click();
        break;
    default:
        update();
        emit Click();
        break;
    }
}

void qvTButton::pressStarted(int button, int shift, QPoint pos)
{
    const int d = downPartWidth();
    m_pressInDownPart = d > 0 && pos.x() > width() - d;
    if (m_repeat && Mode() == 0 && button == 1 && !m_pressInDownPart) {
        m_repeatCount = 0;
        m_tmrRepeat.start(FirstRepeat);
    }
    if (m_pressInDownPart) {
        emit DownClick(button, shift, pos.x(), pos.y());
        // A menu opened from DownClick takes the pointer: look at once where it went.
        startPointerPoll(1);
    }
}

void qvTButton::stopRepeat()
{
    m_tmrRepeat.stop();
    m_tmrRepeat.setInterval(FirstRepeat);
}

void qvTButton::pressEnded()
{
    stopRepeat();
}
void qvTButton::pointerWentOutside()
{
    stopRepeat();
}

bool qvTButton::releaseSuppressesClick() const
{
    return m_downButton && m_pressInDownPart;
}

void qvTButton::repeatTick()
{
    ++m_repeatCount;
    m_tmrRepeat.setInterval(repeatInterval(m_repeatCount));
    emit Click();
}

// ---- painting ---------------------------------------------------------------------

void qvTButton::paintBackground(QPainter &p, const Look &look)
{
    fillBackground(p);
    switch (Style()) {
    case 0:
    case 1:
        break; // no face of their own
    case 7:
        paintStyle7(p, look);
        break;
    case 9:
        paintStyle9(p, look);
        break;
    default:
        paintStyle8(p, look);
        break;
    }
}

void qvTButton::paintContent(QPainter &p, const Look &look)
{
    const int state = faceState(look);
    const qv::IconLayout layout = currentLayout();
    if (Style() == 0) {
        // Caption only; the pointer shows in the caption itself.
        QFont f = font();
        if (state == 1 && isEnabled())
            f.setUnderline(true);
        const QRect r = layout.captionRect.translated(state == 2 ? 1 : 0, state == 2 ? 1 : 0);
        const QColor c = state != 0 && isEnabled() ? kf::ToQColor(kf::RGB(0, 0, 128)) : foreColor();
        drawCaption(p, r, c, m_wordWrap, !isEnabled(), &f);
        return;
    }
    if (Style() != 1 && (m_drawDownIcon || m_downButton)) {
        const QColor arrow = !isEnabled()   ? QColor(150, 150, 150)
                             : Style() == 7 ? QColor(18, 19, 32)
                                            : QColor(21, 66, 139);
        DownArrow(p, width(), height(), m_downButtonWidth, arrow);
    }
    paintCaption(p, layout.captionRect);
    drawIcon(p, layout.iconPos);
}

void qvTButton::paintCaption(QPainter &p, const QRect &r)
{
    const QString caption = Caption();
    if (caption.isEmpty())
        return;
    if (m_renderingStyle == 0) {
        drawCaption(p, r, foreColor(), m_wordWrap, !isEnabled());
        return;
    }
    const QFont f = font();
    const QColor c = isEnabled() ? foreColor() : QColor(160, 160, 160);
    const qint32 fontStyle =
        (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) | (f.strikeOut() ? 8 : 0);
    const qint32 alignment = Align() + (m_wordWrap ? 0 : 3);
    const qint32 flags =
        GDIplusDraw::FormatFlag::NoFitBlackBox | (m_wordWrap ? 0 : GDIplusDraw::FormatFlag::NoWrap);
    GDIplusDraw::DrawTextPlus(p, r.x(), r.y(), r.width(), r.height(), plainCaption(caption), f.family(),
                              float(f.pointSizeF()), fontStyle, alignment, c.rgba(), m_renderingStyle, true,
                              flags);
}

void qvTButton::paintStyle8(QPainter &p, const Look &look)
{
    const int W = width(), H = height();
    const int D = m_downButton ? m_downButtonWidth : 0;
    const int state = faceState(look);
    const OleColor navy = RGB(0, 0, 128), white = RGB(255, 255, 255);
    if (!isEnabled()) {
        Band(p, white, white, 1, 1, W - 1, H - 1);
        Frame(p, 0, 0, W - 1, H - 1, RGB(182, 182, 182));
    } else if (isDown()) {
        Band(p, RGB(255, 211, 138), RGB(255, 175, 88), 1, 1, W - 1, H - 1);
        Frame(p, 0, 0, W - 1, H - 1, navy);
        Frame(p, 1, 1, W - 2, H - 2, white);
    } else if (state != 0) {
        const OleColor top = state == 2 ? RGB(255, 175, 88) : RGB(255, 241, 198);
        const OleColor bottom = state == 2 ? RGB(255, 211, 138) : RGB(255, 213, 154);
        if (D > 0) {
            Band(p, RGB(255, 241, 248), RGB(255, 253, 194), 1, 1, W - 1, H - 1);
            if (look.overDownPart) {
                Band(p, top, bottom, W - D + 1, 1, W - 1, H - 1);
                Frame(p, W - D, 0, W - 1, H - 1, navy);
            } else {
                Band(p, top, bottom, 1, 1, W - D, H - 1);
                Frame(p, 0, 0, W - D, H - 1, navy);
            }
        } else {
            Band(p, top, bottom, 1, 1, W - 1, H - 1);
        }
        Frame(p, 0, 0, W - 1, H - 1, navy);
    }
}

void qvTButton::paintStyle9(QPainter &p, const Look &look)
{
    const int W = width(), H = height();
    const int h = kf::PercentOf(50, H);
    const int D = m_downButton ? m_downButtonWidth : 0;
    const int state = faceState(look);
    if (!isEnabled()) {
        if (isDown()) {
            Band(p, RGB(250, 250, 250), RGB(240, 240, 240), 2, 2, W - 2, h);
            Band(p, RGB(210, 210, 210), RGB(230, 230, 230), 1, h, W - 1, H - 1);
            Outline(p, 1, 1, W - 2, H - 2, White);
            Outline(p, 0, 0, W - 1, H - 1, opaque(140, 140, 140));
        }
    } else if (state == 1) {
        if (D == 0) {
            WarmHoverBands(p, 1, W - 1, H, h);
            Outline(p, 1, 1, W - 2, H - 2, White);
        } else {
            WarmLightBands(p, 1, W - 1, H, h);
            if (look.overDownPart) {
                WarmHoverBands(p, W - D, W, H, h);
                Outline(p, W - D + 1, 1, W - 2, H - 2, White);
            } else {
                WarmHoverBands(p, 1, W - D, H, h);
                Outline(p, 1, 1, W - D - 2, H - 2, White);
            }
        }
        Outline(p, 0, 0, W - 1, H - 1, GDIplusDraw::MakeArgb(155, 192, 167, 118));
    } else if (state == 2) {
        if (D == 0) {
            WarmPressed(p, W, H, h, W);
        } else {
            WarmLightBands(p, 1, W - 1, H, h);
            p.save();
            if (look.overDownPart) {
                p.translate(W - D, 0);
                WarmPressed(p, D, H, h, D);
            } else {
                WarmPressed(p, W - D, H, h, W - D);
            }
            p.restore();
        }
        Outline(p, 0, 0, W - 1, H - 1, opaque(142, 129, 101));
    }
}

void qvTButton::paintStyle7(QPainter &p, const Look &look)
{
    // The cool palette, dark to light.
    const OleColor deepRim = RGB(65, 68, 115), hoverRim = RGB(100, 138, 218), steel = RGB(145, 151, 167),
                   mist = RGB(169, 173, 185), grey = RGB(210, 210, 210), light = RGB(230, 230, 230),
                   pale = RGB(250, 250, 250), white = RGB(255, 255, 255);
    const int W = width(), H = height();
    const int h = kf::PercentOf(50, H);
    const int D = m_downButton ? m_downButtonWidth : 0;
    const int state = faceState(look);
    auto bands = [&](OleColor t1, OleColor b1, OleColor t2, OleColor b2, int x1, int x2) {
        Band(p, t1, b1, x1, 1, x2, h);
        Band(p, t2, b2, x1, h, x2, H - 1);
    };
    if (!isEnabled()) {
        if (isDown()) {
            bands(pale, light, light, pale, 1, W - 1);
            Outline(p, 0, 0, W - 1, H - 1, GDIplusDraw::ColorToArgb(steel, 255));
        }
    } else if (state != 0) {
        OleColor t1 = white, b1 = light, t2 = grey, b2 = pale, rim = hoverRim;
        if (isDown()) {
            t1 = light, b1 = grey, t2 = grey, b2 = pale, rim = deepRim;
        } else if (state == 2) {
            t1 = grey, b1 = mist, t2 = steel, b2 = grey, rim = deepRim;
        }
        if (D > 0) {
            bands(white, pale, light, white, 1, W - 1);
            if (look.overDownPart)
                bands(t1, b1, t2, b2, W - D, W - 1);
            else
                bands(t1, b1, t2, b2, 1, W - D);
            Line(p, W - D, 1, W - D, H - 2, mist);
        } else {
            bands(t1, b1, t2, b2, 1, W - 1);
        }
        Outline(p, 1, 1, W - 2, H - 2, GDIplusDraw::ColorToArgb(state == 2 ? light : white, 255));
        Outline(p, 0, 0, W - 1, H - 1, GDIplusDraw::ColorToArgb(rim, 255));
    }
}

} // namespace qv
