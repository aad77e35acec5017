#pragma once
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/qvKontrollerFelles.h"

#include <QColor>

class QPainter;

namespace qv
{

// Building blocks of the button faces, shared by the tool, command and check buttons.
// Colours are plain RGB (0x00BBGGRR) unless an ARGB value is asked for.
namespace qvButtonFaces
{

using GDIplusDraw::Argb;
using qvKontrollerFelles::OleColor;
using qvKontrollerFelles::RGB;

// Top to bottom gradient over (x1, y1)-(x2, y2), right and bottom edges excluded.
void Band(QPainter &p, OleColor top, OleColor bottom, int x1, int y1, int x2, int y2);
// Rounded outline, radius 2, one pixel, no fill.
void Outline(QPainter &p, int left, int top, int right, int bottom, Argb color);
// Square one-pixel frame through the corner pixels (left, top) and (right, bottom).
void Frame(QPainter &p, int left, int top, int right, int bottom, OleColor color);
// One-pixel line, both end points drawn.
void Line(QPainter &p, int x1, int y1, int x2, int y2, OleColor color);

// The warm hover bands over x1..x2, split at h: (x1, 1)-(x2, h) and (x1, h)-(x2, H - 1).
void WarmHoverBands(QPainter &p, int x1, int x2, int H, int h);
// The pale bands a two-part button shows over its whole face while one part is lit.
void WarmLightBands(QPainter &p, int x1, int x2, int H, int h);
// The pressed look of a W x H face (or part, after translating the painter): the band
// from (2, 2) to (bandRight, h), the two corner gradients below it and the shaded top,
// side and bottom lines. Outlines are left to the caller.
void WarmPressed(QPainter &p, int W, int H, int h, int bandRight);

// The command button face of a W x H button in state 0 (rest), 1 (hover) or 2 (pressed),
// outlines included. Soft: the hover look only half lit over the rest look.
void CommandFace(QPainter &p, int W, int H, int state, bool enabled, bool soft = false);
// The band across the top that marks the default button.
void CommandDefaultBand(QPainter &p, int W, int H, int state, bool enabled);

// A rounded face of two bands split at half height, an inner and an outer outline
// (an ARGB of 0 leaves that outline out).
struct BandedLook {
    OleColor top1, bottom1, top2, bottom2;
    Argb inner, outer;
};
void PaintBanded(QPainter &p, int W, int H, const BandedLook &look);

// The drop-down arrow, a filled triangle centred in the right-hand part of width D.
void DownArrow(QPainter &p, int W, int H, int D, const QColor &color);
// A check mark in a 13 x 13 box whose top-left pixel is (x, y).
void CheckMark(QPainter &p, int x, int y, const QColor &color);

} // namespace qvButtonFaces

} // namespace qv
