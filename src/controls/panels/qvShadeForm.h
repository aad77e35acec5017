#pragma once
#include "controls/drawing/qvKontrollerFelles.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Window background: paints a two-colour, mirrored or four-corner gradient onto its
// parent window (Destinasjon 0) or onto the widget BoxName (Destinasjon 1). The control
// itself is a small invisible square. Refresh paints once, on the next turn of the
// event loop, so several changes in a row paint once.
class qvShadeForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int FadeType READ FadeType WRITE setFadeType)
    Q_PROPERTY(quint32 ColorA READ ColorA WRITE setColorA)
    Q_PROPERTY(quint32 ColorB READ ColorB WRITE setColorB)
    Q_PROPERTY(quint32 TriColorTL READ TriColorTL WRITE setTriColorTL)
    Q_PROPERTY(quint32 TriColorTR READ TriColorTR WRITE setTriColorTR)
    Q_PROPERTY(quint32 TriColorBL READ TriColorBL WRITE setTriColorBL)
    Q_PROPERTY(quint32 TriColorBR READ TriColorBR WRITE setTriColorBR)
    Q_PROPERTY(int Destinasjon READ Destinasjon WRITE setDestinasjon)
    Q_PROPERTY(QWidget *BoxName READ BoxName WRITE setBoxName)
    Q_PROPERTY(bool FadeDouble READ FadeDouble WRITE setFadeDouble)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)

public:
    using OleColor = qvKontrollerFelles::OleColor;

    // Side of the square, pixels (435 twips).
    static constexpr int ControlSize = 29;

    explicit qvShadeForm(QWidget *parent = nullptr);
    ~qvShadeForm() override;

    int FadeType() const { return m_fadeType; }
    void setFadeType(int v);
    OleColor ColorA() const { return m_colorA; }
    void setColorA(OleColor v);
    OleColor ColorB() const { return m_colorB; }
    void setColorB(OleColor v);
    OleColor TriColorTL() const { return m_triTL; }
    void setTriColorTL(OleColor v);
    OleColor TriColorTR() const { return m_triTR; }
    void setTriColorTR(OleColor v);
    OleColor TriColorBL() const { return m_triBL; }
    void setTriColorBL(OleColor v);
    OleColor TriColorBR() const { return m_triBR; }
    void setTriColorBR(OleColor v);
    int Destinasjon() const { return m_destinasjon; }
    void setDestinasjon(int v);
    QWidget *BoxName() const { return m_box; }
    void setBoxName(QWidget *box);
    bool FadeDouble() const { return m_fadeDouble; }
    void setFadeDouble(bool v);
    bool Border() const { return m_border; }
    void setBorder(bool v);
    OleColor BorderColor() const { return m_borderColor; }
    void setBorderColor(OleColor v);
    bool Enabled() const { return m_enabled; }
    void setEnabledProperty(bool v);

    // Paints the target on the next turn of the event loop.
    Q_INVOKABLE void Refresh();
    // Paints the target now (what the deferred Refresh does).
    void PaintTarget();

    // The widget painted on: the parent window or BoxName.
    QWidget *Target() const;
    // The background painted on the target (empty while there is none).
    const QImage &Background() const { return m_background; }
    int PaintCount() const { return m_paintCount; }

signals:
    void PropertyChanged(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void changed(const char *name);
    void watchTarget();

    int m_fadeType = 0;
    OleColor m_colorA = qvKontrollerFelles::RGB(255, 255, 255);
    OleColor m_colorB = qvKontrollerFelles::RGB(255, 255, 0);
    OleColor m_triTL = qvKontrollerFelles::RGB(255, 224, 192);
    OleColor m_triTR = qvKontrollerFelles::RGB(255, 255, 192);
    OleColor m_triBL = qvKontrollerFelles::RGB(255, 192, 128);
    OleColor m_triBR = qvKontrollerFelles::RGB(255, 255, 128);
    int m_destinasjon = 0;
    QPointer<QWidget> m_box;
    bool m_fadeDouble = false;
    bool m_border = false;
    OleColor m_borderColor = 0;
    bool m_enabled = true;

    QPointer<QWidget> m_watched;
    QTimer m_paintTimer;
    QImage m_background;
    int m_paintCount = 0;
};
