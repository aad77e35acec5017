#pragma once
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/GradientSurface.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QMimeData;

namespace qv
{

// The gradient panel: two-colour, mirrored or four-corner gradient or one of ten fixed
// schemes, with border, text, free texts, lines, drop shadow, see-through blending and
// a size grip when it serves as a window's status bar. It paints itself completely
// into an off-screen surface, on Refresh, a Text change and a resize; other property
// changes show at the next of those.
class qvShadeBox : public GradientSurface
{
    Q_OBJECT
    Q_PROPERTY(int FadeDoublePoint READ FadeDoublePoint WRITE setFadeDoublePoint)
    Q_PROPERTY(bool BorderTopBottom READ BorderTopBottom WRITE setBorderTopBottom)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(int Style READ Style WRITE setStyle)
    Q_PROPERTY(bool StatusBar READ StatusBar WRITE setStatusBar)
    Q_PROPERTY(QFont Font READ Font WRITE setFontProperty)
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(quint32 TextColor READ TextColor WRITE setTextColor)
    Q_PROPERTY(int TextAlign READ TextAlign WRITE setTextAlign)
    Q_PROPERTY(int TextFromTop READ TextFromTop WRITE setTextFromTop)
    Q_PROPERTY(int TextFromEdge READ TextFromEdge WRITE setTextFromEdge)
    Q_PROPERTY(bool TextAlpha READ TextAlpha WRITE setTextAlpha)
    Q_PROPERTY(bool TextHoldAtTop READ TextHoldAtTop WRITE setTextHoldAtTop)
    Q_PROPERTY(bool Shadow READ Shadow WRITE setShadow)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE setShadowSize)
    Q_PROPERTY(int ShadowPressure READ ShadowPressure WRITE setShadowPressure)
    Q_PROPERTY(int AlphaValue READ AlphaValue WRITE setAlphaValue)
    Q_PROPERTY(int PrintTextAmount READ PrintTextAmount WRITE setPrintTextAmount)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QPixmap MouseIcon READ MouseIcon WRITE setMouseIcon)
    Q_PROPERTY(int OLEDropMode READ OLEDropMode WRITE setOLEDropMode)
    Q_PROPERTY(int Align READ Align WRITE setAlign)

public:
    using OleColor = qvKontrollerFelles::OleColor;
    using Argb = GDIplusDraw::Argb;

    // Docking to the container: 0 none, 1 top, 2 bottom, 3 left, 4 right.
    enum Alignment { AlignNone = 0, AlignTop = 1, AlignBottom = 2, AlignLeft = 3, AlignRight = 4 };

    explicit qvShadeBox(QWidget *parent = nullptr);
    ~qvShadeBox() override;

    int FadeDoublePoint() const { return m_fadeDoublePoint; }
    void setFadeDoublePoint(int v);
    bool BorderTopBottom() const { return m_borderTopBottom; }
    void setBorderTopBottom(bool v);
    bool Enabled() const { return isEnabled(); }
    void setEnabledProperty(bool v);
    int Style() const { return m_style; }
    void setStyle(int v);
    bool StatusBar() const { return m_statusBar; }
    // Only kept on a panel docked to the bottom of its window.
    void setStatusBar(bool v);
    QFont Font() const { return m_font; }
    void setFontProperty(const QFont &v);
    QString Text() const { return m_text; }
    // Repaints at once.
    void setText(const QString &v);
    OleColor TextColor() const { return m_textColor; }
    void setTextColor(OleColor v);
    int TextAlign() const { return m_textAlign; }
    void setTextAlign(int v);
    int TextFromTop() const { return m_textFromTop; }
    void setTextFromTop(int v);
    int TextFromEdge() const { return m_textFromEdge; }
    void setTextFromEdge(int v);
    bool TextAlpha() const { return m_textAlpha; }
    void setTextAlpha(bool v);
    bool TextHoldAtTop() const { return m_textHoldAtTop; }
    void setTextHoldAtTop(bool v);
    bool Shadow() const { return m_shadow; }
    void setShadow(bool v);
    int ShadowSize() const { return m_shadowSize; }
    void setShadowSize(int v);
    int ShadowPressure() const { return m_shadowPressure; }
    void setShadowPressure(int v);
    int AlphaValue() const { return m_alphaValue; }
    void setAlphaValue(int v);
    int PrintTextAmount() const { return m_printTextAmount; }
    void setPrintTextAmount(int v);
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int v);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &v);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int v);
    int Align() const { return m_align; }
    void setAlign(int v);

    Q_INVOKABLE void Refresh();
    // Repaints once, delayMilliSec from now.
    Q_INVOKABLE void Refreshing(int delayMilliSec);
    // Replaces the lines drawn at the next paint: vertical lines at x = position
    // (bLineVertical false) or horizontal ones at y = position (true).
    void Lines(const QList<qint32> &cLinePos, OleColor lColor, int iAlpha, bool bLineVertical);
    // Fills free text slot StringID (0 to PrintTextAmount - 1); any other number raises
    // the subscript error (9).
    void PrintText(int StringID, qint32 X, qint32 Y, qint32 sWidth, qint32 sHeight, const QString &sText,
                   const QString &sFontName, float sFontSize, qint32 sFontStyle, qint32 StringAlignment,
                   Argb PenColor, qint32 AntiAliasStyle, bool HoldTextAtTop);
    // true: the window follows the mouse as if dragged by its caption; false: the panel
    // takes the mouse.
    void AllowMove(bool activate);

    // The painted surface (what the panel shows) and how many paints made it.
    const QImage &Surface() const { return m_surface; }
    int PaintCount() const { return m_paintCount; }
    // The painted panel's size (the control's size less the shadow).
    QSize PanelSize() const;

signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void OLEDragDrop(const QMimeData *data, int effect, int button, int shift, float x, float y);
    void Resize();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct FreeText {
        qint32 x = 0, y = 0, width = 0, height = 0;
        QString text;
        QString fontName;
        float fontSize = 0;
        qint32 fontStyle = 0;
        qint32 alignment = 0;
        Argb penColor = 0;
        qint32 antiAlias = 0;
        bool holdAtTop = false;
    };

    void paint();
    void resizeHandling();
    void dock();
    bool windowNormal() const;
    bool overGrip(const QPoint &pos) const;
    void paintShadow(QPainter &p, int w, int h);
    void paintBackground(QPainter &p, int w, int h);
    void paintGradientOrScheme(QPainter &p, int w, int h);
    void paintScheme(QPainter &p, int w, int h);
    void paintFramed(QPainter &p, int w, int h);
    void paintSeeThrough(QPainter &p, int w, int h);
    void paintGrip(QPainter &p, int w, int h);
    void layOutText(QPainter &p, int w, int h);
    // The plain (not anti-aliased through the helpers) text's font and layout flags.
    QFont plainTextFont() const;
    int plainTextFlags() const;
    void paintFreeTexts(QPainter &p);
    void paintLines(QPainter &p, int w, int h);

    int m_fadeDoublePoint = 50;
    bool m_borderTopBottom = true;
    int m_style = 0;
    bool m_statusBar = false;
    QFont m_font;
    QString m_text;
    OleColor m_textColor = 0;
    int m_textAlign = 2;
    int m_textFromTop = 3;
    int m_textFromEdge = 3;
    bool m_textAlpha = false;
    bool m_textHoldAtTop = false;
    bool m_shadow = false;
    int m_shadowSize = 4;
    int m_shadowPressure = 6;
    int m_alphaValue = 1;
    int m_printTextAmount = 1;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    int m_oleDropMode = 0;
    int m_align = AlignNone;

    QList<FreeText> m_freeTexts;
    QList<qint32> m_linePositions;
    OleColor m_lineColor = 0;
    int m_lineAlpha = 255;
    bool m_linesHorizontal = false;

    QTimer m_refreshTimer;
    // The box the text is laid out and clipped to.
    QRect textBox(int w, int h) const;

    QImage m_surface;
    int m_paintCount = 0;
    bool m_gripResizing = false;
    QPoint m_gripDistance;
    QWidget *m_dockParent = nullptr;
};

} // namespace qv
