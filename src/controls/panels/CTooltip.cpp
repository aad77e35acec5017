#include "controls/panels/CTooltip.h"

#include "controls/panels/TooltipWindow.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace qv
{

void TooltipProperties::CreateOn(CTooltip &tip, QWidget *widget) const
{
    tip.setTTStyle(style);
    tip.setTTIcon(icon);
    tip.setTTTitle(header);
    tip.setTTTipText(text);
    tip.setTTVisibleTime(time);
    tip.setTTDelayTime(delay);
    tip.TTCreate(widget);
}

CTooltip::CTooltip(QObject *parent) : QObject(parent)
{
    m_delayTimer.setSingleShot(true);
    m_hideTimer.setSingleShot(true);
    connect(&m_delayTimer, &QTimer::timeout, this, [this] { TTShowAt(m_lastGlobalPos); });
    connect(&m_hideTimer, &QTimer::timeout, this, [this] {
        hideTip();
        m_spent = true;
    });
}

CTooltip::~CTooltip()
{
    TTDestroy();
}

void CTooltip::TTCreate(QWidget *parentWidget)
{
    TTDestroy();
    if (!parentWidget)
        return;
    m_parent = parentWidget;
    m_window = new TooltipWindow(m_style == Balloon, m_centered);
    m_window->setText(m_tipText);
    if (!m_title.isEmpty() || m_icon != IconNone)
        m_window->setTitle(m_title, m_icon);
    if (m_foreColor != 0)
        applyForeColor();
    if (m_backColor != 0)
        applyBackColor();
    m_spent = false;
    m_parent->installEventFilter(this);
}

void CTooltip::TTDestroy()
{
    m_delayTimer.stop();
    m_hideTimer.stop();
    if (m_parent)
        m_parent->removeEventFilter(this);
    m_parent = nullptr;
    delete m_window;
    m_window = nullptr;
}

QWidget *CTooltip::TTWindow() const
{
    return m_window;
}

void CTooltip::setTTTipText(const QString &text)
{
    m_tipText = text;
    m_tipText.replace(QLatin1Char('#'), QLatin1Char('\n'));
    if (m_window)
        m_window->setText(m_tipText);
}

void CTooltip::setTTTitle(const QString &title)
{
    m_title = title;
    applyTitle();
}

void CTooltip::setTTIcon(int icon)
{
    m_icon = icon;
    applyTitle();
}

// A live tip takes a new title only together with an icon.
void CTooltip::applyTitle()
{
    if (m_window && !m_title.isEmpty() && m_icon != IconNone)
        m_window->setTitle(m_title, m_icon);
}

void CTooltip::setTTForeColor(qvKontrollerFelles::OleColor color)
{
    m_foreColor = color;
    if (m_window)
        applyForeColor();
}

void CTooltip::setTTBackColor(qvKontrollerFelles::OleColor color)
{
    m_backColor = color;
    if (m_window)
        applyBackColor();
}

// Sent as they are, 0 (black) too; only TTCreate leaves out a colour of 0.
void CTooltip::applyForeColor()
{
    m_window->setForeColor(qvKontrollerFelles::ToQColor(qvKontrollerFelles::TranslateColor(m_foreColor)));
}

void CTooltip::applyBackColor()
{
    m_window->setBackColor(qvKontrollerFelles::ToQColor(qvKontrollerFelles::TranslateColor(m_backColor)));
}

void CTooltip::TTShowAt(const QPoint &globalPos)
{
    if (!m_window || !m_parent)
        return;
    m_delayTimer.stop();
    m_window->showFor(m_parent, globalPos);
    if (m_visibleTime > 0)
        m_hideTimer.start(m_visibleTime);
}

void CTooltip::hideTip()
{
    m_delayTimer.stop();
    m_hideTimer.stop();
    if (m_window)
        m_window->hide();
}

bool CTooltip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_parent || !m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        // Enter also comes without a Leave (a window above went away): a tip that has
        // had its turn waits for a real Leave.
        m_lastGlobalPos = static_cast<QEnterEvent *>(event)->globalPosition().toPoint();
        if (!m_window->isVisible() && !m_spent)
            m_delayTimer.start(std::max(0, m_delayTime));
        break;
    case QEvent::MouseMove:
        m_lastGlobalPos = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        // The pointer has to rest for the delay before the tip shows.
        if (!m_window->isVisible() && !m_spent)
            m_delayTimer.start(std::max(0, m_delayTime));
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        hideTip();
        m_spent = false;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        hideTip();
        m_spent = true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qv
