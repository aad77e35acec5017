#pragma once
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>

namespace qv
{

// The top-level window of a CTooltip: a square box or a speech balloon with an
// optional title line (icon and bold title) above the tip text.
class TooltipWindow : public QWidget
{
public:
    TooltipWindow(bool balloon, bool centred);

    void setText(const QString &text);
    void setTitle(const QString &title, int icon);
    // An invalid colour keeps the platform's tooltip colours.
    void setForeColor(const QColor &color);
    void setBackColor(const QColor &color);

    // Shows the tip for the pointer at globalPos on tool (the widget the tip is on).
    void showFor(const QWidget *tool, const QPoint &globalPos);

    QString text() const { return m_text; }
    QString title() const { return m_title; }
    int icon() const { return m_icon; }
    bool isBalloon() const { return m_balloon; }
    QColor foreColor() const;
    QColor backColor() const;
    // Where the balloon's stem points (global), valid after showFor.
    QPoint anchor() const { return m_anchor; }
    // The box of the tip inside the window (without the stem).
    QRect bodyRect() const;

    static constexpr int StemHeight = 14;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintTip(QPainter &p);
    void relayout();
    QPixmap iconPixmap() const;
    QFont titleFont() const;

    bool m_balloon;
    bool m_centred;
    QString m_text;
    QString m_title;
    int m_icon = 0;
    QColor m_fore;
    QColor m_back;
    QPoint m_anchor;
    bool m_stemAbove = true;
    int m_stemX = 0;
};

} // namespace qv
