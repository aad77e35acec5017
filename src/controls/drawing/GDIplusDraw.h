#pragma once
#include "controls/drawing/qvKontrollerFelles.h"

#include <QColor>
#include <QString>
#include <QtGlobal>

class QPainter;

namespace qv
{

// Anti-aliased text, lines, ellipses and rounded rectangles. Coordinates name pixel
// centres: (x, y) is the centre of pixel (x, y), so a one-pixel outline at x covers
// exactly column x.
namespace GDIplusDraw
{

using qvKontrollerFelles::OleColor;
using Argb = quint32; // 0xAARRGGBB

// Memory order blue, green, red, alpha.
struct ArgbQuad {
    quint8 Blue = 0;
    quint8 Green = 0;
    quint8 Red = 0;
    quint8 Alpha = 0;
};

enum FillKind : qint32 { FillSolid = 0, FillTexture = 2, FillCentreGradient = 3, FillLinearGradient = 4 };
enum LineKind : qint32 { LineSolid = 0, LineTexture = 2 };
enum GradientMode : qint32 {
    GradientHorizontal = 0,
    GradientVertical = 1,
    GradientForwardDiagonal = 2,
    GradientBackwardDiagonal = 3
};
enum LineCap : qint32 { CapFlat = 0, CapSquare = 1, CapRound = 2, CapTriangle = 3 };
// Text rendering hints: 0 default, 1 single-bit grid-fit, 2 single-bit,
// 3 anti-alias grid-fit, 4 anti-alias, 5 clear-type grid-fit.
// String format flags that have an effect here.
namespace FormatFlag
{
constexpr qint32 DirectionRightToLeft = 0x1;
constexpr qint32 NoFitBlackBox = 0x4;
constexpr qint32 NoWrap = 0x1000;
constexpr qint32 LineLimit = 0x2000;
constexpr qint32 NoClip = 0x4000;
} // namespace FormatFlag

// Font style bits.
namespace FontStyle
{
constexpr qint32 Bold = 1, Italic = 2, Underline = 4, Strikeout = 8;
}

Argb ColorToArgb(OleColor rgb, quint8 alpha);
Argb MakeArgb(quint8 alpha, quint8 red, quint8 green, quint8 blue);
ArgbQuad ArgbToQuad(Argb argb);
quint8 RedOf(OleColor rgb);
quint8 GreenOf(OleColor rgb);
quint8 BlueOf(OleColor rgb);

// ARGB as QColor (with its alpha).
QColor ArgbToQColor(Argb argb);

// Text in the layout box. Horizontal alignment is alignment % 3 (near, centre, far);
// vertical is alignment / 3 with gridAlignment, else the code itself (0 top, 1 centre,
// 2 bottom). fontSize is in points.
void DrawTextPlus(QPainter &surface, float x, float y, float width, float height, const QString &text,
                  const QString &fontName, float fontSize, qint32 fontStyle, qint32 alignment, Argb textColor,
                  qint32 renderingHint, bool gridAlignment, qint32 formatFlags);

void DrawLinePlus(QPainter &surface, qint32 x1, qint32 y1, qint32 x2, qint32 y2, float penWidth, Argb color,
                  qint32 startCap, qint32 endCap, bool antiAlias);

// The ellipse inscribed in (x, y, width, height). The centre gradient is centred on
// (centreX, centreY) when either is non-zero; the linear gradient always runs top to
// bottom (gradientMode is ignored).
void DrawEllipsePlus(QPainter &surface, qint32 x, qint32 y, qint32 width, qint32 height, qint32 fillKind,
                     qint32 penWidth, qint32 lineKind, Argb lineColor, float centreX, float centreY,
                     Argb color1, Argb color2, qint32 gradientMode, const QString &fillPicture = QString(),
                     const QString &linePicture = QString());

// Rounded rectangle (left, top)-(right, bottom). lowerRightColor 0 means no second
// pass over the right and bottom sides.
void DrawRoundRectPlus(QPainter &surface, qint32 left, qint32 top, qint32 right, qint32 bottom, qint32 radius,
                       qint32 fillKind, qint32 penWidth, qint32 lineKind, Argb lineColor,
                       Argb lowerRightColor, Argb color1, Argb color2, qint32 gradientMode,
                       const QString &fillPicture = QString(), const QString &linePicture = QString());

// As DrawRoundRectPlus with only the top (topOnly) or only the bottom (bottomOnly)
// corners rounded; both false rounds all four.
void DrawHalfRoundRectPlus(QPainter &surface, qint32 left, qint32 top, qint32 right, qint32 bottom,
                           qint32 radius, bool topOnly, bool bottomOnly, qint32 fillKind, qint32 penWidth,
                           qint32 lineKind, Argb lineColor, Argb lowerRightColor, Argb color1, Argb color2,
                           qint32 gradientMode, const QString &fillPicture = QString(),
                           const QString &linePicture = QString());

// True when the path names something that is not a folder.
bool PictureFileExists(const QString &path);

// Host path of a picture path: Windows paths ("C:\...") go through the drive table,
// anything else is taken as a host path.
QString PictureHostPath(const QString &path);

} // namespace GDIplusDraw

} // namespace qv
