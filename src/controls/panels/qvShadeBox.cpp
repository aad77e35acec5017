#include "controls/panels/qvShadeBox.h"

#include "controls/drawing/DeviceSurface.h"
#include "controls/drawing/GdiPrimitives.h"
#include "controls/drawing/MouseArgs.h"
#include "controls/drawing/MousePointer.h"
#include "controls/panels/BackgroundBehind.h"
#include "platform/base/PlatformError.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>

namespace qv
{

using namespace qvKontrollerFelles;
using namespace GDIplusDraw;

namespace
{

// Subscript out of range.
constexpr int SubscriptError = 9;
// Pixels from the lower-right corner in which the size grip takes the pointer.
constexpr int GripZone = 13;

struct Band {
    int from, to; // percent along the gradient
    OleColor start, end;
};

QColor grey(int v)
{
    return QColor(v, v, v);
}

// Text that reads as the number 0 ("0", " 0 ", "0.0", "0,0"): such a slot is not drawn.
bool readsAsZero(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && v == 0.0;
}

} // namespace

qvShadeBox::qvShadeBox(QWidget *parent)
    : GradientSurface({1, RGB(255, 255, 255), RGB(83, 136, 215), RGB(171, 254, 237), RGB(83, 136, 215),
                       RGB(83, 136, 215), RGB(171, 254, 237), true},
                      parent),
      m_font(QWidget::font())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_freeTexts.resize(m_printTextAmount);
    m_refreshTimer.setSingleShot(false);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        m_refreshTimer.stop();
        resizeHandling();
    });
    setMouseTracking(true);
}

qvShadeBox::~qvShadeBox()
{
    if (m_dockParent)
        m_dockParent->removeEventFilter(this);
}

void qvShadeBox::setFadeDoublePoint(int v)
{
    m_fadeDoublePoint = v;
    changed("FadeDoublePoint");
}
void qvShadeBox::setBorderTopBottom(bool v)
{
    m_borderTopBottom = v;
    changed("BorderTopBottom");
}
void qvShadeBox::setEnabledProperty(bool v)
{
    setEnabled(v);
    changed("Enabled");
}
void qvShadeBox::setStyle(int v)
{
    m_style = v;
    changed("Style");
}
void qvShadeBox::setFontProperty(const QFont &v)
{
    m_font = v;
    changed("Font");
}
void qvShadeBox::setTextColor(OleColor v)
{
    m_textColor = v;
    changed("TextColor");
}
void qvShadeBox::setTextAlign(int v)
{
    m_textAlign = v;
    changed("TextAlign");
}
void qvShadeBox::setTextFromTop(int v)
{
    m_textFromTop = v;
    changed("TextFromTop");
}
void qvShadeBox::setTextFromEdge(int v)
{
    m_textFromEdge = v;
    changed("TextFromEdge");
}
void qvShadeBox::setTextAlpha(bool v)
{
    m_textAlpha = v;
    changed("TextAlpha");
}
void qvShadeBox::setTextHoldAtTop(bool v)
{
    m_textHoldAtTop = v;
    changed("TextHoldAtTop");
}
void qvShadeBox::setShadow(bool v)
{
    m_shadow = v;
    changed("Shadow");
}
void qvShadeBox::setShadowSize(int v)
{
    m_shadowSize = v;
    changed("ShadowSize");
}
void qvShadeBox::setShadowPressure(int v)
{
    m_shadowPressure = v;
    changed("ShadowPressure");
}
void qvShadeBox::setAlphaValue(int v)
{
    m_alphaValue = v;
    changed("AlphaValue");
}

void qvShadeBox::setStatusBar(bool v)
{
    m_statusBar = v && m_align == AlignBottom;
    changed("StatusBar");
}

void qvShadeBox::setText(const QString &v)
{
    m_text = v;
    changed("Text");
    paint();
}

void qvShadeBox::setPrintTextAmount(int v)
{
    m_printTextAmount = std::max(0, v);
    m_freeTexts.resize(m_printTextAmount);
    changed("PrintTextAmount");
}

void qvShadeBox::setMousePointer(int v)
{
    m_mousePointer = v;
    setCursor(MousePointer::CursorFor(v, m_mouseIcon));
    changed("MousePointer");
}

void qvShadeBox::setMouseIcon(const QPixmap &v)
{
    m_mouseIcon = v;
    if (m_mousePointer == MousePointer::Custom)
        setCursor(MousePointer::CursorFor(m_mousePointer, m_mouseIcon));
    changed("MouseIcon");
}

void qvShadeBox::setOLEDropMode(int v)
{
    m_oleDropMode = v;
    setAcceptDrops(v != 0);
    changed("OLEDropMode");
}

void qvShadeBox::setAlign(int v)
{
    m_align = v;
    if (m_align != AlignBottom)
        m_statusBar = false;
    QWidget *container = parentWidget();
    if (m_dockParent != container) {
        if (m_dockParent)
            m_dockParent->removeEventFilter(this);
        m_dockParent = container;
        if (m_dockParent)
            m_dockParent->installEventFilter(this);
    }
    dock();
    changed("Align");
}

void qvShadeBox::dock()
{
    const QWidget *container = parentWidget();
    if (!container || m_align == AlignNone)
        return;
    const int cw = container->width(), ch = container->height();
    switch (m_align) {
    case AlignTop:
        setGeometry(0, 0, cw, height());
        break;
    case AlignBottom:
        setGeometry(0, ch - height(), cw, height());
        break;
    case AlignLeft:
        setGeometry(0, 0, width(), ch);
        break;
    case AlignRight:
        setGeometry(cw - width(), 0, width(), ch);
        break;
    default:
        break;
    }
}

bool qvShadeBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dockParent && event->type() == QEvent::Resize)
        dock();
    return QWidget::eventFilter(watched, event);
}

void qvShadeBox::Refresh()
{
    paint();
}

void qvShadeBox::Refreshing(int delayMilliSec)
{
    m_refreshTimer.setInterval(std::max(0, delayMilliSec));
    m_refreshTimer.start();
}

void qvShadeBox::Lines(const QList<qint32> &cLinePos, OleColor lColor, int iAlpha, bool bLineVertical)
{
    m_linePositions = cLinePos;
    m_lineColor = lColor;
    m_lineAlpha = std::clamp(iAlpha, 0, 255);
    m_linesHorizontal = bLineVertical;
}

void qvShadeBox::PrintText(int StringID, qint32 X, qint32 Y, qint32 sWidth, qint32 sHeight,
                           const QString &sText, const QString &sFontName, float sFontSize, qint32 sFontStyle,
                           qint32 StringAlignment, Argb PenColor, qint32 AntiAliasStyle, bool HoldTextAtTop)
{
    if (StringID < 0 || StringID >= m_freeTexts.size())
        throw qv::PlatformError(SubscriptError);
    FreeText &slot = m_freeTexts[StringID];
    slot.x = X;
    slot.y = Y;
    slot.width = sWidth;
    slot.height = sHeight;
    slot.text = sText;
    slot.fontName = sFontName;
    slot.fontSize = sFontSize;
    slot.fontStyle = sFontStyle;
    slot.alignment = StringAlignment;
    slot.penColor = PenColor;
    slot.antiAlias = AntiAliasStyle;
    slot.holdAtTop = HoldTextAtTop;
}

void qvShadeBox::AllowMove(bool activate)
{
    if (activate) {
        releaseMouse();
        if (QWindow *handle = window()->windowHandle())
            handle->startSystemMove();
    } else {
        grabMouse();
    }
}

QSize qvShadeBox::PanelSize() const
{
    const int s = m_shadow ? std::max(0, m_shadowSize) : 0;
    return QSize(width() - s, height() - s);
}

void qvShadeBox::resizeHandling()
{
    emit Resize();
    paint();
}

void qvShadeBox::paint()
{
    const int cw = width(), ch = height();
    if (cw <= 0 || ch <= 0)
        return;
    const QSize panel = PanelSize();
    const int w = panel.width(), h = panel.height();
    ++m_paintCount;

    // The whole control, so the shadow beside and below the panel is shown as well.
    m_surface = DeviceSurface(this, QSize(cw, ch));
    m_surface.fill(Qt::black);
    QPainter p(&m_surface);
    if (m_shadow)
        paintShadow(p, w, h);
    paintBackground(p, w, h);
    if (m_alphaValue > 1)
        paintSeeThrough(p, w, h);
    if (m_statusBar && windowNormal())
        paintGrip(p, w, h);
    if (!m_text.isEmpty())
        layOutText(p, w, h);
    paintFreeTexts(p);
    paintLines(p, w, h);
    p.end();
    update();
}

void qvShadeBox::paintShadow(QPainter &p, int w, int h)
{
    const int s = std::min(std::max(0, m_shadowSize), 10);
    if (BackgroundBehind::KindOf(this) == BackgroundBehind::Container::Window) {
        p.drawImage(QPoint(0, 0), BackgroundBehind::Capture(this, rect()));
    } else {
        const QRect bottom(0, h, w + s, s), right(w, 0, s, h + s);
        p.drawImage(bottom.topLeft(), BackgroundBehind::Capture(this, bottom));
        p.drawImage(right.topLeft(), BackgroundBehind::Capture(this, right));
    }
    for (int i = 0; i <= s; ++i) {
        const int alpha = std::min(4 * i * m_shadowPressure, 255);
        DrawRoundRectPlus(p, s / 2 + i, s / 2 + i, w + s - i, h + s - i, 0, -1, 1, LineSolid,
                          MakeArgb(quint8(std::max(alpha, 0)), 0, 0, 0), 0, 0, 0, 0);
    }
}

void qvShadeBox::paintBackground(QPainter &p, int w, int h)
{
    if (m_style == 9 || m_style == 10)
        paintFramed(p, w, h);
    else
        paintGradientOrScheme(p, w, h);
}

void qvShadeBox::paintGradientOrScheme(QPainter &p, int w, int h)
{
    if (m_style >= 1 && m_style <= 8) {
        paintScheme(p, w, h);
        return;
    }
    paintGradient(p, w, h, m_fadeDoublePoint, true, palette());
}

void qvShadeBox::paintScheme(QPainter &p, int w, int h)
{
    const int scheme = (m_style + 1) / 2; // 1..4 for styles 1..8
    const bool vertical = (m_style % 2) == 1;
    QList<Band> bands;
    switch (scheme) {
    case 1:
        bands = {{0, 50, RGB(95, 106, 135), RGB(58, 64, 78)},
                 {50, 70, RGB(18, 19, 32), RGB(22, 23, 24)},
                 {70, 100, RGB(22, 23, 24), RGB(150, 161, 243)}};
        break;
    case 2:
        bands = {{0, 50, RGB(218, 238, 255), RGB(144, 196, 255)},
                 {50, 100, RGB(118, 179, 240), RGB(191, 255, 255)}};
        break;
    case 3:
        bands = {{0, 100, RGB(239, 239, 239), RGB(202, 202, 202)}};
        break;
    default:
        bands = {{0, 50, RGB(253, 220, 84), RGB(255, 146, 73)},
                 {50, 100, RGB(208, 91, 48), RGB(253, 220, 84)}};
        break;
    }
    for (const Band &band : bands) {
        if (vertical)
            GradientRect(p, band.start, band.end, 0, PercentOf(band.from, h), w, PercentOf(band.to, h),
                         false);
        else
            GradientRect(p, band.start, band.end, PercentOf(band.from, w), 0, PercentOf(band.to, w), h, true);
    }

    using GdiPrimitives::Line;
    auto row = [&](int y, const QColor &c) { Line(p, 0, y, w, y, c); };
    auto column = [&](int x, int fromRow, const QColor &c) { Line(p, x, fromRow, x, h - 1, c); };
    switch (scheme) {
    case 1:
        if (m_borderTopBottom) {
            row(0, QColor(64, 70, 88));
            row(1, QColor(110, 116, 130));
            row(h - 1, QColor(110, 116, 130));
        }
        if (Border()) {
            column(0, 1, m_style == 1 ? QColor(110, 116, 130) : QColor(64, 70, 88));
            column(w - 1, 1, QColor(110, 116, 130));
        }
        break;
    case 2:
        if (m_borderTopBottom) {
            row(0, QColor(41, 132, 230));
            row(1, QColor(255, 255, 255));
            row(h - 1, QColor(109, 169, 238));
        }
        if (Border()) {
            column(0, 1, QColor(118, 179, 240));
            column(w - 1, 1, QColor(118, 179, 240));
        }
        break;
    case 3:
        if (m_borderTopBottom) {
            row(0, grey(249));
            row(h - 1, grey(140));
        }
        if (Border()) {
            Line(p, 0, 0, 0, h, grey(249));
            Line(p, w - 1, 0, w - 1, h, grey(140));
        }
        break;
    default: {
        // Aliased one-pixel lines through the drawing helper, both ends included.
        auto line = [&](int x1, int y1, int x2, int y2, quint8 alpha, int r, int g, int b) {
            DrawLinePlus(p, x1, y1, x2, y2, 1, MakeArgb(alpha, quint8(r), quint8(g), quint8(b)), 0, 0, false);
        };
        if (m_borderTopBottom) {
            line(0, 0, w - 1, 0, 255, 255, 146, 73);
            line(0, 1, w - 1, 1, 255, 254, 243, 200);
            line(0, h - 1, w - 1, h - 1, 255, 208, 91, 48);
            line(0, h - 2, w - 1, h - 2, 50, 254, 240, 183);
        }
        if (Border()) {
            line(0, 0, 0, h - 1, 255, 255, 146, 73);
            line(1, 0, 1, h - 1, 110, 254, 240, 183);
            line(w - 1, 0, w - 1, h - 1, 255, 255, 146, 73);
            line(w - 2, 0, w - 2, h - 1, 110, 254, 240, 183);
        }
        break;
    }
    }
}

void qvShadeBox::paintFramed(QPainter &p, int w, int h)
{
    p.drawImage(QPoint(0, 0), BackgroundBehind::Capture(this, QRect(0, 0, w, h)));
    // The outlines are drawn together and then laid over what lies behind.
    QImage outlines = DeviceSurface(this, QSize(std::max(w, 1), std::max(h, 1)));
    outlines.fill(Qt::transparent);
    QPainter f(&outlines);
    const bool rounded = m_style == 10;
    struct Outline {
        int l, t, r, b, radius;
        OleColor color;
    };
    const Outline all[5] = {{0, 0, w - 1, h - 1, rounded ? 5 : 0, RGB(49, 81, 102)},
                            {0, 1, w - 1, h - 1, rounded ? 5 : 0, RGB(66, 110, 138)},
                            {1, 2, w - 2, h - 2, rounded ? 5 : 0, RGB(79, 131, 165)},
                            {2, 3, w - 3, h - 3, rounded ? 3 : 0, RGB(88, 145, 183)},
                            {3, 4, w - 4, h - 4, rounded ? 2 : 0, RGB(92, 152, 191)}};
    for (int i = 0; i < 5; ++i) {
        const Outline &o = all[i];
        const Argb c = ColorToArgb(o.color, 255);
        const bool filled = i == 4 || (rounded && i == 0);
        DrawRoundRectPlus(f, o.l, o.t, o.r, o.b, o.radius, filled ? FillSolid : -1, 1, LineSolid, c, 0, c, 0,
                          0);
    }
    f.end();
    p.drawImage(QPoint(0, 0), outlines);
}

void qvShadeBox::paintSeeThrough(QPainter &p, int w, int h)
{
    const QImage behind = BackgroundBehind::Capture(this, QRect(0, 0, w, h));
    p.save();
    p.setOpacity(std::min(m_alphaValue, 255) / 255.0);
    p.drawImage(QPoint(0, 0), behind);
    p.restore();
}

bool qvShadeBox::windowNormal() const
{
    const Qt::WindowStates s = window()->windowState();
    return !(s & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

void qvShadeBox::paintGrip(QPainter &p, int w, int h)
{
    static const int strokes[6][4] = {{2, 2, 3, 3}, {6, 2, 7, 3}, {10, 2, 11, 3},
                                      {2, 6, 3, 7}, {6, 6, 7, 7}, {2, 10, 3, 11}};
    const OleColor b = TranslateColor(ColorB(), palette());
    const QColor dark(std::max(0, RedOf(b) - 40), std::max(0, GreenOf(b) - 40), std::max(0, BlueOf(b) - 40));
    for (const auto &s : strokes)
        GdiPrimitives::Line(p, w - s[0], h - s[1], w - s[2], h - s[3], Qt::white, 2);
    for (const auto &s : strokes)
        GdiPrimitives::Line(p, w - s[0] - 1, h - s[1] - 1, w - s[2] - 1, h - s[3] - 1, dark, 2);
}

QRect qvShadeBox::textBox(int w, int h) const
{
    const int grip = m_statusBar ? 12 : 0;
    return QRect(QPoint(m_textFromEdge, m_textFromTop), QPoint(w - m_textFromEdge - grip - 1, h - 3 - 1));
}

QFont qvShadeBox::plainTextFont() const
{
    QFont f = m_font;
    const double pointSize = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
    f.setPixelSize(std::max(1, RoundHalfEven(pointSize * logicalDpiY() / 72.0)));
    f.setWeight(f.bold() ? QFont::Bold : QFont::Medium);
    return f;
}

int qvShadeBox::plainTextFlags() const
{
    int align = Qt::AlignLeft;
    if (m_textAlign == 1)
        align = Qt::AlignHCenter;
    else if (m_textAlign == 2)
        align = Qt::AlignRight;
    return align | Qt::AlignTop | Qt::TextWordWrap;
}

void qvShadeBox::layOutText(QPainter &p, int w, int h)
{
    const QRect textArea = textBox(w, h);
    const int left = textArea.left(), top = textArea.top();
    const int right = textArea.right() + 1, bottom = textArea.bottom() + 1;
    const QPalette &pal = palette();
    if (!m_textAlpha) {
        p.save();
        p.setFont(plainTextFont());
        p.setPen(ToQColor(TranslateColor(isEnabled() ? m_textColor : SysColor::GrayText, pal)));
        const QRect box(QPoint(left, top), QPoint(right - 1, bottom - 1));
        p.setClipRect(box);
        p.drawText(box, plainTextFlags(), m_text);
        p.restore();
        return;
    }
    int style = 0;
    if (m_font.bold())
        style |= FontStyle::Bold;
    if (m_font.italic())
        style |= FontStyle::Italic;
    if (m_font.underline())
        style |= FontStyle::Underline;
    if (m_font.strikeOut())
        style |= FontStyle::Strikeout;
    const Argb color = isEnabled() ? ColorToArgb(TranslateColor(m_textColor, pal), 255) : 0xFF808080u;
    const float size =
        float(m_font.pointSizeF() > 0 ? m_font.pointSizeF() : m_font.pixelSize() * 72.0 / logicalDpiY());
    // The box is the same as for plain text: from its left and top to its right and bottom.
    DrawTextPlus(p, float(left), float(top), float(right - left), float(bottom - top), m_text,
                 m_font.family(), size, style, m_textAlign, color, 5, m_textHoldAtTop, 4);
}

void qvShadeBox::paintFreeTexts(QPainter &p)
{
    for (const FreeText &t : std::as_const(m_freeTexts)) {
        if (t.text.isEmpty() || readsAsZero(t.text))
            continue;
        DrawTextPlus(p, float(t.x), float(t.y), float(t.width), float(t.height), t.text, t.fontName,
                     t.fontSize, t.fontStyle, t.alignment, t.penColor, t.antiAlias, t.holdAtTop, 4);
    }
}

void qvShadeBox::paintLines(QPainter &p, int w, int h)
{
    if (m_linePositions.isEmpty())
        return;
    const OleColor c = TranslateColor(m_lineColor, palette());
    const Argb argb = MakeArgb(quint8(m_lineAlpha), RedOf(c), GreenOf(c), BlueOf(c));
    const int m = m_shadow ? m_shadowSize : 4;
    for (const qint32 pos : std::as_const(m_linePositions)) {
        if (m_linesHorizontal)
            DrawLinePlus(p, 2, pos, w - m, pos, 1, argb, 0, 0, false);
        else
            DrawLinePlus(p, pos, 2, pos, h - m, 1, argb, 0, 0, false);
    }
}

bool qvShadeBox::overGrip(const QPoint &pos) const
{
    const QSize panel = PanelSize();
    return pos.x() >= panel.width() - GripZone && pos.y() >= panel.height() - GripZone;
}

void qvShadeBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_surface.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(QPoint(0, 0), m_surface);
}

void qvShadeBox::resizeEvent(QResizeEvent *)
{
    resizeHandling();
}

void qvShadeBox::mousePressEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && m_statusBar && m_align == AlignBottom && windowNormal() &&
        overGrip(pos)) {
        QWidget *win = window();
        const QPoint corner = win->geometry().topLeft() + QPoint(win->width(), win->height());
        m_gripDistance = corner - e->globalPosition().toPoint();
        m_gripResizing = true;
    }
    emit MouseDown(MouseArgs::Button(e->button()), MouseArgs::Shift(e->modifiers()), float(e->position().x()),
                   float(e->position().y()));
}

void qvShadeBox::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (m_gripResizing) {
        QWidget *win = window();
        const QPoint corner = e->globalPosition().toPoint() + m_gripDistance;
        const QPoint topLeft = win->geometry().topLeft();
        win->resize(std::max(1, corner.x() - topLeft.x()), std::max(1, corner.y() - topLeft.y()));
    } else if (m_statusBar && windowNormal() && overGrip(pos)) {
        setCursor(MousePointer::CursorFor(MousePointer::SizeNWSE));
    } else {
        setCursor(MousePointer::CursorFor(m_mousePointer, m_mouseIcon));
    }
    emit MouseMove(MouseArgs::Button(e->buttons()), MouseArgs::Shift(e->modifiers()),
                   float(e->position().x()), float(e->position().y()));
}

void qvShadeBox::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_gripResizing = false;
    emit MouseUp(MouseArgs::Button(e->button()), MouseArgs::Shift(e->modifiers()), float(e->position().x()),
                 float(e->position().y()));
    if (rect().contains(e->position().toPoint()))
        emit Click();
}

void qvShadeBox::mouseDoubleClickEvent(QMouseEvent *e)
{
    emit DblClick();
    mousePressEvent(e);
}

void qvShadeBox::dragEnterEvent(QDragEnterEvent *e)
{
    if (m_oleDropMode != 0)
        e->acceptProposedAction();
}

void qvShadeBox::dropEvent(QDropEvent *e)
{
    emit OLEDragDrop(e->mimeData(), int(e->dropAction()), MouseArgs::Button(e->buttons()),
                     MouseArgs::Shift(e->modifiers()), float(e->position().x()), float(e->position().y()));
    e->acceptProposedAction();
}

} // namespace qv
