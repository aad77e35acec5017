#include "controls/panels/TooltipWindow.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

namespace qv
{

namespace
{
constexpr int SquareMargin = 4;
constexpr int BalloonMargin = 9;
constexpr int BalloonRadius = 8;
constexpr int TitleGap = 6;
constexpr int IconTextGap = 6;
constexpr int StemWidth = 14;
constexpr int StemOffset = 16; // stem's distance from the balloon's near corner
} // namespace

TooltipWindow::TooltipWindow(bool balloon, bool centred)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      m_balloon(balloon), m_centred(centred)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    relayout();
}

void TooltipWindow::setText(const QString &text)
{
    m_text = text;
    relayout();
}

void TooltipWindow::setTitle(const QString &title, int icon)
{
    m_title = title;
    m_icon = icon;
    relayout();
}

void TooltipWindow::setForeColor(const QColor &color)
{
    m_fore = color;
    update();
}

void TooltipWindow::setBackColor(const QColor &color)
{
    m_back = color;
    update();
}

QColor TooltipWindow::foreColor() const
{
    return m_fore.isValid() ? m_fore : QApplication::palette().color(QPalette::ToolTipText);
}

QColor TooltipWindow::backColor() const
{
    return m_back.isValid() ? m_back : QApplication::palette().color(QPalette::ToolTipBase);
}

QFont TooltipWindow::titleFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

QPixmap TooltipWindow::iconPixmap() const
{
    if (m_icon <= 0 || m_icon > 6)
        return {};
    const bool large = m_icon > 3;
    QStyle::StandardPixmap sp = QStyle::SP_MessageBoxInformation;
    switch ((m_icon - 1) % 3) {
    case 1:
        sp = QStyle::SP_MessageBoxWarning;
        break;
    case 2:
        sp = QStyle::SP_MessageBoxCritical;
        break;
    default:
        break;
    }
    const int size = large ? 32 : 16;
    return style()->standardIcon(sp).pixmap(size, size);
}

QRect TooltipWindow::bodyRect() const
{
    if (!m_balloon)
        return rect();
    return m_stemAbove ? QRect(0, StemHeight, width(), height() - StemHeight)
                       : QRect(0, 0, width(), height() - StemHeight);
}

void TooltipWindow::relayout()
{
    const int margin = m_balloon ? BalloonMargin : SquareMargin;
    const QFontMetrics textMetrics(font());
    const QSize textSize = m_text.isEmpty() ? QSize() : textMetrics.size(0, m_text);
    QSize titleSize;
    const bool hasTitle = !m_title.isEmpty() || m_icon != 0;
    if (hasTitle) {
        const QFontMetrics tm(titleFont());
        const QSize t = m_title.isEmpty() ? QSize() : tm.size(0, m_title);
        const QPixmap icon = iconPixmap();
        const int iconW = icon.isNull() ? 0 : icon.width() / icon.devicePixelRatio();
        const int iconH = icon.isNull() ? 0 : icon.height() / icon.devicePixelRatio();
        titleSize =
            QSize(iconW + (iconW && t.width() ? IconTextGap : 0) + t.width(), std::max(iconH, t.height()));
    }
    int w = std::max(textSize.width(), titleSize.width()) + 2 * margin;
    int h =
        textSize.height() + titleSize.height() + (hasTitle && !m_text.isEmpty() ? TitleGap : 0) + 2 * margin;
    if (m_balloon) {
        w = std::max(w, StemOffset + StemWidth + BalloonRadius);
        h += StemHeight;
    }
    resize(std::max(w, 2 * margin), std::max(h, 2 * margin));
    update();
}

void TooltipWindow::showFor(const QWidget *tool, const QPoint &globalPos)
{
    QPoint anchor = globalPos;
    if (m_centred && tool)
        anchor = tool->mapToGlobal(QPoint(tool->width() / 2, tool->height()));
    else if (!m_balloon)
        anchor = globalPos + QPoint(0, 20); // below the pointer
    m_anchor = anchor;

    const QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);

    QPoint topLeft;
    if (!m_balloon) {
        topLeft = m_centred ? QPoint(anchor.x() - width() / 2, anchor.y()) : anchor;
    } else {
        // Below the anchor when there is room, else above it; the stem towards the anchor.
        m_stemAbove = anchor.y() + height() <= avail.bottom() + 1;
        const int x = m_centred ? anchor.x() - width() / 2 : anchor.x() - StemOffset;
        topLeft = QPoint(x, m_stemAbove ? anchor.y() : anchor.y() - height());
    }
    topLeft.setX(std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() + 1 - width())));
    if (!m_balloon)
        topLeft.setY(
            std::clamp(topLeft.y(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - height())));
    m_stemX =
        std::clamp(anchor.x() - topLeft.x(), BalloonRadius, std::max(BalloonRadius, width() - BalloonRadius));
    move(topLeft);
    show();
    raise();
    update();
}

void TooltipWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintTip(p);
}

void TooltipWindow::paintTip(QPainter &p)
{
    const QColor border(118, 118, 118);
    const QRect body = bodyRect();
    if (m_balloon) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(body).adjusted(0.5, 0.5, -0.5, -0.5), BalloonRadius, BalloonRadius);
        QPainterPath stem;
        const qreal sx = m_stemX + 0.5;
        if (m_stemAbove) {
            stem.moveTo(sx, 0.5);
            stem.lineTo(sx + (m_centred ? StemWidth / 2.0 : 0), body.top() + 1.0);
            stem.lineTo(sx + (m_centred ? -StemWidth / 2.0 : StemWidth), body.top() + 1.0);
        } else {
            stem.moveTo(sx, height() - 0.5);
            stem.lineTo(sx + (m_centred ? StemWidth / 2.0 : 0), body.bottom() - 1.0);
            stem.lineTo(sx + (m_centred ? -StemWidth / 2.0 : StemWidth), body.bottom() - 1.0);
        }
        stem.closeSubpath();
        path = path.united(stem);
        p.fillPath(path, backColor());
        p.strokePath(path, QPen(border, 1));
    } else {
        p.fillRect(rect(), backColor());
        p.setPen(border);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    const int margin = m_balloon ? BalloonMargin : SquareMargin;
    int y = body.top() + margin;
    const int x = body.left() + margin;
    p.setPen(foreColor());
    if (!m_title.isEmpty() || m_icon != 0) {
        const QPixmap icon = iconPixmap();
        const QFontMetrics tm(titleFont());
        const int iconW = icon.isNull() ? 0 : int(icon.width() / icon.devicePixelRatio());
        const int iconH = icon.isNull() ? 0 : int(icon.height() / icon.devicePixelRatio());
        const int lineH = std::max(iconH, m_title.isEmpty() ? 0 : tm.height());
        if (!icon.isNull())
            p.drawPixmap(x, y + (lineH - iconH) / 2, icon);
        if (!m_title.isEmpty()) {
            p.setFont(titleFont());
            const int tx = x + iconW + (iconW ? IconTextGap : 0);
            p.drawText(QRect(tx, y, width() - tx - margin, lineH), Qt::AlignLeft | Qt::AlignVCenter, m_title);
        }
        y += lineH + TitleGap;
    }
    if (!m_text.isEmpty()) {
        p.setFont(font());
        p.drawText(QRect(x, y, body.width() - 2 * margin, body.bottom() - y), Qt::AlignLeft | Qt::AlignTop,
                   m_text);
    }
}

} // namespace qv
