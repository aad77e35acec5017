#pragma once
#include "controls/drawing/qvKontrollerFelles.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWidget;

namespace qv
{

class TooltipWindow;
class CTooltip;

// The tooltip properties a control carries (qvToolTip, qvToolTipHeader, qvToolTipIcon,
// qvToolTipStyle, qvToolTipTime, qvToolTipDelayTime), given to its CTooltip when the
// tip is made.
struct TooltipProperties {
    QString text, header;
    int icon = 0, style = 0, time = 5000, delay = 500;

    bool isEmpty() const { return text.isEmpty() && header.isEmpty(); }
    // Sets every property on tip and creates it on widget.
    void CreateOn(CTooltip &tip, QWidget *widget) const;
};

// A tooltip with title, title icon, colours, square or balloon shape and timing on
// one widget. After TTCreate the tooltip watches its widget itself: it shows
// TTDelayTime ms after the pointer rests on it and hides after TTVisibleTime ms, when
// the pointer leaves or a button is pressed.
class CTooltip : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int TTStyle READ TTStyle WRITE setTTStyle)
    Q_PROPERTY(bool TTCentered READ TTCentered WRITE setTTCentered)
    Q_PROPERTY(QString TTTipText READ TTTipText WRITE setTTTipText)
    Q_PROPERTY(QString TTTitle READ TTTitle WRITE setTTTitle)
    Q_PROPERTY(int TTIcon READ TTIcon WRITE setTTIcon)
    Q_PROPERTY(quint32 TTForeColor READ TTForeColor WRITE setTTForeColor)
    Q_PROPERTY(quint32 TTBackColor READ TTBackColor WRITE setTTBackColor)
    Q_PROPERTY(int TTDelayTime READ TTDelayTime WRITE setTTDelayTime)
    Q_PROPERTY(int TTVisibleTime READ TTVisibleTime WRITE setTTVisibleTime)

public:
    enum Style { Standard = 0, Balloon = 1 };
    // Title icons: 0 none, 1 information, 2 warning, 3 error (4-6 their large forms).
    enum Icon { IconNone = 0, IconInfo = 1, IconWarning = 2, IconError = 3 };

    explicit CTooltip(QObject *parent = nullptr);
    ~CTooltip() override;

    // Creates the tooltip for parentWidget; an earlier tooltip of this object goes first.
    void TTCreate(QWidget *parentWidget);
    void TTDestroy();

    int TTStyle() const { return m_style; }
    void setTTStyle(int style) { m_style = style; }
    bool TTCentered() const { return m_centered; }
    void setTTCentered(bool centered) { m_centered = centered; }
    // "#" becomes a line break.
    QString TTTipText() const { return m_tipText; }
    void setTTTipText(const QString &text);
    QString TTTitle() const { return m_title; }
    void setTTTitle(const QString &title);
    int TTIcon() const { return m_icon; }
    void setTTIcon(int icon);
    // 0 keeps the platform's colour at TTCreate; on a live tip it is black.
    qvKontrollerFelles::OleColor TTForeColor() const { return m_foreColor; }
    void setTTForeColor(qvKontrollerFelles::OleColor color);
    qvKontrollerFelles::OleColor TTBackColor() const { return m_backColor; }
    void setTTBackColor(qvKontrollerFelles::OleColor color);
    int TTDelayTime() const { return m_delayTime; }
    void setTTDelayTime(int ms) { m_delayTime = ms; }
    int TTVisibleTime() const { return m_visibleTime; }
    void setTTVisibleTime(int ms) { m_visibleTime = ms; }

    // The tooltip window while it exists (hidden until the pointer rests), else null.
    QWidget *TTWindow() const;
    // The widget the tooltip is on.
    QWidget *TTParent() const { return m_parent; }
    // Shows the tip at once, as if the delay had passed with the pointer at globalPos.
    void TTShowAt(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyTitle();
    void applyForeColor();
    void applyBackColor();
    void hideTip();

    int m_style = Standard;
    bool m_centered = false;
    QString m_tipText;
    QString m_title;
    int m_icon = IconNone;
    qvKontrollerFelles::OleColor m_foreColor = 0;
    qvKontrollerFelles::OleColor m_backColor = 0;
    int m_delayTime = 500;
    int m_visibleTime = 5000;

    QPointer<QWidget> m_parent;
    TooltipWindow *m_window = nullptr;
    QTimer m_delayTimer;
    QTimer m_hideTimer;
    QPoint m_lastGlobalPos;
    bool m_spent = false; // shown and timed out (or clicked away) until the pointer leaves
};

} // namespace qv
