#include "controls/buttons/qvCommand.h"

#include "controls/buttons/qvButtonFaces.h"

#include <QPainter>

namespace qv
{

using namespace qvButtonFaces;
namespace kf = qvKontrollerFelles;
namespace gd = GDIplusDraw;

namespace
{

Argb opaque(int r, int g, int b)
{
    return gd::MakeArgb(255, quint8(r), quint8(g), quint8(b));
}

// The rounded faces by style (1, 3, 4) and state (rest, hover, pressed, disabled).
const BandedLook &bandedLook(int style, int state, bool enabled)
{
    static const BandedLook neutral[4] = {
        {RGB(252, 252, 252), RGB(240, 240, 240), RGB(229, 229, 229), RGB(244, 244, 244), 0xC8FFFFFF,
         opaque(112, 112, 112)},
        {RGB(237, 246, 253), RGB(222, 239, 252), RGB(204, 231, 250), RGB(226, 241, 252), 0xFFFFFFFF,
         opaque(60, 127, 177)},
        {RGB(218, 236, 252), RGB(196, 224, 250), RGB(170, 210, 243), RGB(196, 226, 250), 0,
         opaque(44, 98, 139)},
        {RGB(244, 244, 244), RGB(244, 244, 244), RGB(244, 244, 244), RGB(244, 244, 244), 0,
         opaque(173, 178, 181)},
    };
    static const BandedLook cool[4] = {
        {RGB(255, 255, 255), RGB(230, 230, 230), RGB(210, 210, 210), RGB(250, 250, 250), 0xFFFFFFFF,
         opaque(145, 151, 167)},
        {RGB(255, 255, 255), RGB(230, 230, 230), RGB(210, 210, 210), RGB(250, 250, 250), 0xFFFFFFFF,
         opaque(100, 138, 218)},
        {RGB(210, 210, 210), RGB(169, 173, 185), RGB(145, 151, 167), RGB(210, 210, 210),
         opaque(230, 230, 230), opaque(65, 68, 115)},
        {RGB(250, 250, 250), RGB(240, 240, 240), RGB(240, 240, 240), RGB(250, 250, 250), 0,
         opaque(169, 173, 185)},
    };
    static const BandedLook green[4] = {
        {RGB(242, 250, 242), RGB(222, 240, 222), RGB(200, 230, 200), RGB(226, 244, 226), 0xFFFFFFFF,
         opaque(90, 150, 90)},
        {RGB(250, 255, 250), RGB(230, 248, 230), RGB(208, 240, 208), RGB(236, 252, 236), 0xFFFFFFFF,
         opaque(60, 140, 60)},
        {RGB(200, 230, 200), RGB(180, 220, 180), RGB(160, 210, 160), RGB(190, 226, 190), 0,
         opaque(40, 100, 40)},
        {RGB(244, 244, 244), RGB(244, 244, 244), RGB(244, 244, 244), RGB(244, 244, 244), 0,
         opaque(173, 178, 181)},
    };
    const BandedLook *set = style == 3 ? cool : style == 4 ? green : neutral;
    return set[enabled ? qBound(0, state, 2) : 3];
}

} // namespace

qvCommand::qvCommand(QWidget *parent) : qvButtonBase(1, 2, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setTransparentBackground(false);
}

void qvCommand::setFocusRectangle(bool on)
{
    m_focusRectangle = on;
    changed();
}

void qvCommand::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    changed();
}

void qvCommand::setDefaultView(bool on)
{
    m_defaultView = on;
    changed();
}

void qvCommand::setDefault(bool on)
{
    if (m_default == on)
        return;
    m_default = on;
    changed();
}

void qvCommand::setSoftStyle(bool on)
{
    m_softStyle = on;
    changed();
}

void qvCommand::leftClick()
{
    update();
    emit Click();
}

void qvCommand::paintBackground(QPainter &p, const Look &look)
{
    const int W = width(), H = height();
    const bool enabled = isEnabled();
    const int state = enabled ? look.pointer : 0;
    fillBackground(p);
    if (!m_picture.isNull())
        p.drawPixmap(rect(), m_picture);

    const bool asDefault = m_defaultView && m_default;
    switch (Style()) {
    case 0:
        paintClassic(p, state);
        break;
    case 2:
        paintFlat(p, state);
        break;
    case 5:
        CommandFace(p, W, H, state, enabled, m_softStyle);
        if (asDefault)
            CommandDefaultBand(p, W, H, state, enabled);
        break;
    default:
        if (m_softStyle && state == 1) {
            PaintBanded(p, W, H, bandedLook(Style(), 0, enabled));
            p.save();
            p.setOpacity(0.55);
            PaintBanded(p, W, H, bandedLook(Style(), 1, enabled));
            p.restore();
        } else {
            PaintBanded(p, W, H, bandedLook(Style(), state, enabled));
        }
        if (asDefault && enabled)
            Outline(p, 1, 1, W - 2, H - 2, opaque(51, 153, 255));
        break;
    }
}

void qvCommand::paintContent(QPainter &p, const Look &look)
{
    const bool enabled = isEnabled();
    const int state = enabled ? look.pointer : 0;
    // A pressed face moves its content one pixel down and to the right.
    const int shift = state == 2 ? 1 : 0;
    const qv::IconLayout layout = currentLayout();
    drawCaption(p, layout.captionRect.translated(shift, shift), foreColor(), false, !enabled);
    drawIcon(p, layout.iconPos + QPoint(shift, shift));
    if (m_focusRectangle && hasFocus())
        drawFocusFrame(p, rect().adjusted(3, 3, -3, -3));
}

void qvCommand::paintClassic(QPainter &p, int state)
{
    const int W = width(), H = height();
    const bool asDefault = m_defaultView && m_default;
    // The default button carries a dark frame and draws its bevel inside it.
    const int o = asDefault ? 1 : 0;
    if (asDefault)
        Frame(p, 0, 0, W - 1, H - 1, RGB(0, 0, 0));
    if (state == 2) {
        Frame(p, o, o, W - 1 - o, H - 1 - o, RGB(105, 105, 105));
        return;
    }
    const OleColor light = RGB(255, 255, 255), shadow = RGB(160, 160, 160), dark = RGB(105, 105, 105);
    Line(p, o, o, W - 2 - o, o, light);
    Line(p, o, o, o, H - 2 - o, light);
    Line(p, o, H - 1 - o, W - 1 - o, H - 1 - o, dark);
    Line(p, W - 1 - o, o, W - 1 - o, H - 1 - o, dark);
    Line(p, o + 1, H - 2 - o, W - 2 - o, H - 2 - o, shadow);
    Line(p, W - 2 - o, o + 1, W - 2 - o, H - 2 - o, shadow);
    if (state == 1)
        Line(p, o + 1, o + 1, W - 3 - o, o + 1, RGB(255, 215, 76));
}

void qvCommand::paintFlat(QPainter &p, int state)
{
    const int W = width(), H = height();
    if (!isEnabled()) {
        Frame(p, 0, 0, W - 1, H - 1, RGB(182, 180, 167));
        return;
    }
    if (state == 0) {
        Frame(p, 0, 0, W - 1, H - 1, RGB(160, 160, 160));
        return;
    }
    const OleColor fill = state == 2 ? RGB(204, 228, 247) : RGB(229, 241, 251);
    Band(p, fill, fill, 1, 1, W - 1, H - 1);
    Frame(p, 0, 0, W - 1, H - 1, state == 2 ? RGB(0, 84, 153) : RGB(0, 120, 215));
    if (m_defaultView && m_default)
        Frame(p, 1, 1, W - 2, H - 2, RGB(0, 120, 215));
}

} // namespace qv
