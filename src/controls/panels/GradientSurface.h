#pragma once
#include "controls/drawing/qvKontrollerFelles.h"

#include <QWidget>

namespace qv
{

// The gradient properties the panel and the form background share, and the gradient
// they paint with them: two colours left to right (FadeType 0) or top to bottom (1),
// mirrored at a split point with FadeDouble, or four corner colours (2); a one-pixel
// border in BorderColor when asked. Setting a property tells the host (PropertyChanged)
// and paints nothing: the control paints at its own moments.
class GradientSurface : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int FadeType READ FadeType WRITE setFadeType)
    Q_PROPERTY(quint32 ColorA READ ColorA WRITE setColorA)
    Q_PROPERTY(quint32 ColorB READ ColorB WRITE setColorB)
    Q_PROPERTY(quint32 TriColorTL READ TriColorTL WRITE setTriColorTL)
    Q_PROPERTY(quint32 TriColorTR READ TriColorTR WRITE setTriColorTR)
    Q_PROPERTY(quint32 TriColorBL READ TriColorBL WRITE setTriColorBL)
    Q_PROPERTY(quint32 TriColorBR READ TriColorBR WRITE setTriColorBR)
    Q_PROPERTY(bool FadeDouble READ FadeDouble WRITE setFadeDouble)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)

public:
    using OleColor = qvKontrollerFelles::OleColor;

    // The defaults of one control.
    struct Defaults {
        int fadeType;
        OleColor colorA, colorB, triTL, triTR, triBL, triBR;
        bool border;
    };

    int FadeType() const { return m_fadeType; }
    void setFadeType(int v) { set(m_fadeType, v, "FadeType"); }
    OleColor ColorA() const { return m_colorA; }
    void setColorA(OleColor v) { set(m_colorA, v, "ColorA"); }
    OleColor ColorB() const { return m_colorB; }
    void setColorB(OleColor v) { set(m_colorB, v, "ColorB"); }
    OleColor TriColorTL() const { return m_triTL; }
    void setTriColorTL(OleColor v) { set(m_triTL, v, "TriColorTL"); }
    OleColor TriColorTR() const { return m_triTR; }
    void setTriColorTR(OleColor v) { set(m_triTR, v, "TriColorTR"); }
    OleColor TriColorBL() const { return m_triBL; }
    void setTriColorBL(OleColor v) { set(m_triBL, v, "TriColorBL"); }
    OleColor TriColorBR() const { return m_triBR; }
    void setTriColorBR(OleColor v) { set(m_triBR, v, "TriColorBR"); }
    bool FadeDouble() const { return m_fadeDouble; }
    void setFadeDouble(bool v) { set(m_fadeDouble, v, "FadeDouble"); }
    bool Border() const { return m_border; }
    void setBorder(bool v) { set(m_border, v, "Border"); }
    OleColor BorderColor() const { return m_borderColor; }
    void setBorderColor(OleColor v) { set(m_borderColor, v, "BorderColor"); }

signals:
    void PropertyChanged(const QString &name);

protected:
    GradientSurface(const Defaults &defaults, QWidget *parent);

    void changed(const char *name) { emit PropertyChanged(QString::fromLatin1(name)); }
    // The gradient over (0, 0)-(w, h) with the colours read through palette, mirrored at
    // splitPercent of the way with FadeDouble; the border when withBorder and Border.
    void paintGradient(QPainter &p, int w, int h, int splitPercent, bool withBorder,
                       const QPalette &palette) const;

private:
    template <class T> void set(T &field, T value, const char *name)
    {
        field = value;
        changed(name);
    }

    int m_fadeType;
    OleColor m_colorA, m_colorB, m_triTL, m_triTR, m_triBL, m_triBR;
    bool m_fadeDouble = false;
    bool m_border;
    OleColor m_borderColor = 0;
};

} // namespace qv
