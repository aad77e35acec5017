#pragma once
#include "controls/drawing/qvKontrollerFelles.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace qv
{

// The drawn progress bar: the filled share of its width in one of eight looks, with
// the percentage in the middle when asked.
class qvProgress : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(bool ViewPercent READ ViewPercent WRITE setViewPercent)
    Q_PROPERTY(int Style READ Style WRITE setStyle)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(quint32 ColorA READ ColorA WRITE setColorA)
    Q_PROPERTY(quint32 ColorB READ ColorB WRITE setColorB)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(bool Visible READ Visible WRITE setVisible)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QPixmap MouseIcon READ MouseIcon WRITE setMouseIcon)

public:
    using OleColor = qvKontrollerFelles::OleColor;

    explicit qvProgress(QWidget *parent = nullptr);

    int Value() const { return m_value; }
    // Kept within 0 to MaxValue.
    void setValue(int value);
    int MaxValue() const { return m_maxValue; }
    void setMaxValue(int maxValue);
    bool ViewPercent() const { return m_viewPercent; }
    void setViewPercent(bool on);
    int Style() const { return m_style; }
    void setStyle(int style);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor color);
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor color);
    OleColor ColorA() const { return m_colorA; }
    void setColorA(OleColor color);
    OleColor ColorB() const { return m_colorB; }
    void setColorB(OleColor color);
    bool Border() const { return m_border; }
    void setBorder(bool on);
    OleColor BorderColor() const { return m_borderColor; }
    void setBorderColor(OleColor color);
    bool Enabled() const { return isEnabled(); }
    void setEnabledProperty(bool on);
    bool Visible() const { return !isHidden(); }
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon);

    // Paints whether or not the percentage changed.
    Q_INVOKABLE void Refresh();

    // The percentage a value shows: 100 - (max - value) / max * 100, halves to even;
    // 0 when it cannot be computed.
    static int PercentFor(int value, int maxValue);
    int Percent() const { return PercentFor(m_value, m_maxValue); }

    // The painted surface and how many times it has been painted.
    const QImage &Surface() const { return m_surface; }
    int PaintCount() const { return m_paintCount; }

signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void Resize();
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void changed(const char *name);
    void paint(bool force);
    void drawSegmented(QPainter &p, int w, int h, int filled);
    void drawDark(QPainter &p, int w, int h, int filled);

    int m_value = 0;
    int m_maxValue = 100;
    bool m_viewPercent = false;
    int m_style = 0;
    OleColor m_backColor = qvKontrollerFelles::RGB(255, 255, 255);
    OleColor m_foreColor = 0;
    OleColor m_colorA = qvKontrollerFelles::RGB(171, 237, 172);
    OleColor m_colorB = qvKontrollerFelles::RGB(46, 211, 49);
    bool m_border = true;
    OleColor m_borderColor = 0;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;

    int m_lastPercent = 0;
    int m_paintCount = 0;
    QImage m_surface;
};

} // namespace qv
