#include "controls/panels/GradientSurface.h"

#include "controls/drawing/GdiPrimitives.h"

#include <QPainter>

namespace qv
{

using namespace qvKontrollerFelles;

GradientSurface::GradientSurface(const Defaults &defaults, QWidget *parent)
    : QWidget(parent), m_fadeType(defaults.fadeType), m_colorA(defaults.colorA), m_colorB(defaults.colorB),
      m_triTL(defaults.triTL), m_triTR(defaults.triTR), m_triBL(defaults.triBL), m_triBR(defaults.triBR),
      m_border(defaults.border)
{
}

void GradientSurface::paintGradient(QPainter &p, int w, int h, int splitPercent, bool withBorder,
                                    const QPalette &palette) const
{
    const OleColor a = TranslateColor(m_colorA, palette), b = TranslateColor(m_colorB, palette);
    if (m_fadeType == 0 || m_fadeType == 1) {
        const bool horizontal = m_fadeType == 0;
        if (!m_fadeDouble) {
            GradientRect(p, a, b, 0, 0, w, h, horizontal);
        } else if (horizontal) {
            const int s = PercentOf(splitPercent, w);
            GradientRect(p, a, b, 0, 0, s, h, true);
            GradientRect(p, b, a, s, 0, w, h, true);
        } else {
            const int s = PercentOf(splitPercent, h);
            GradientRect(p, a, b, 0, 0, w, s, false);
            GradientRect(p, b, a, 0, s, w, h, false);
        }
    } else if (m_fadeType == 2) {
        GradientCorners(p, TranslateColor(m_triTL, palette), TranslateColor(m_triTR, palette),
                        TranslateColor(m_triBL, palette), TranslateColor(m_triBR, palette), 0, 0, w, h);
    }
    if (withBorder && m_border)
        GdiPrimitives::Frame(p, w, h, ToQColor(TranslateColor(m_borderColor, palette)));
}

} // namespace qv
