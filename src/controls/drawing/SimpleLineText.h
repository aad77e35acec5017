#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

// A status text changes at every step of a run, and laying it out and blending its
// glyphs is most of a repaint. For the common case (one line of Latin-1 characters that
// fits its box) the text is put together here from glyph pairs shaped once and glyph
// pictures rendered once per subpixel position, giving the pixels QPainter::drawText
// gives: every font is first checked against the painter's own layout, and any doubt
// (a pair that does not shape as two separate glyphs, a partly covered pixel landing on
// an opaque one) leaves the text to the painter.
namespace SimpleLineText
{

// Draws text into layer (ARGB32 premultiplied, transparent where the text goes) as
// QPainter::drawText(box, flags, text) with font and an opaque colour would, clipped to
// box. flags: a horizontal alignment with Qt::AlignTop and Qt::TextWordWrap. Returns
// false when it cannot promise that; the layer may then hold part of the text and is to
// be cleared before the painter draws it.
// inked, when given, becomes a rectangle holding every pixel drawn.
bool Draw(QImage &layer, const QRect &box, int flags, const QString &text, const QFont &font,
          const QColor &colour, QRect *inked = nullptr);

// Forgets every font, pair and glyph picture.
void Clear();

} // namespace SimpleLineText
