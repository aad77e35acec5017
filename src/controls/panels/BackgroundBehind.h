#pragma once
#include <QColor>
#include <QImage>
#include <QRect>

class QWidget;

namespace qv
{

// What lies behind a drawn control, for the looks that show through (drop shadow,
// see-through blending, the framed panel and bar styles).
namespace BackgroundBehind
{

enum class Container { None, Window, ShadeBox, Other };

Container KindOf(const QWidget *control);

// The part area (control coordinates) of what lies behind control:
// a window container gives its background colour, a gradient panel its painted
// surface, any other container its own painting without its children.
QImage Capture(const QWidget *control, const QRect &area);

// True when what lies behind control is one opaque colour (no container, or a window
// container's background colour), given in colour: filling with it gives the pixels of
// laying Capture over.
bool PlainColour(const QWidget *control, QColor &colour);

} // namespace BackgroundBehind

} // namespace qv
