#pragma once
#include <QColor>
#include <QPalette>
#include <QtGlobal>

class QPainter;

namespace qv
{

// Shared colour and gradient operations of the drawn controls. Every operation draws
// through the painter it is given and leaves its state as it found it.
namespace qvKontrollerFelles
{

// 0x00BBGGRR, red in the lowest byte. With the top bit set the low byte is a system
// colour index (as the control properties store "button face", "window text", ...).
using OleColor = quint32;
constexpr OleColor SystemColorFlag = 0x80000000u;

constexpr OleColor RGB(int red, int green, int blue)
{
    return OleColor(red & 0xFF) | (OleColor(green & 0xFF) << 8) | (OleColor(blue & 0xFF) << 16);
}

// System colour indices that the controls use as defaults.
namespace SysColor
{
constexpr OleColor ButtonFace = SystemColorFlag | 15; // &H8000000F
constexpr OleColor GrayText = SystemColorFlag | 17;
constexpr OleColor ButtonText = SystemColorFlag | 18; // &H80000012
constexpr OleColor WindowText = SystemColorFlag | 8;
constexpr OleColor Window = SystemColorFlag | 5;
constexpr OleColor InfoText = SystemColorFlag | 23;
constexpr OleColor InfoBackground = SystemColorFlag | 24;
} // namespace SysColor

// Painter needs no start-up on this platform; the pair is kept so that callers can
// keep their paired calls. The token is never 0.
qint32 StartGdiPlus();
void StopGdiPlus(qint32 token);

// Plain RGB for any stored colour: system colours resolve through the palette, the
// top byte of a plain colour is dropped. An unknown system index gives black.
OleColor TranslateColor(OleColor color, const QPalette &palette);
OleColor TranslateColor(OleColor color); // the application palette

// Plain RGB (0x00BBGGRR) as QColor, opaque.
QColor ToQColor(OleColor rgb);
// QColor as 0x00BBGGRR.
OleColor FromQColor(const QColor &color);

// One vertex of the gradient fill: channels stored as value * 256, alpha always 0.
struct TriVertex {
    qint32 x = 0;
    qint32 y = 0;
    quint16 Red = 0;
    quint16 Green = 0;
    quint16 Blue = 0;
    quint16 Alpha = 0;
};
TriVertex MakeVertex(qint32 x, qint32 y, OleColor rgb);

// The rectangle and triangle modes of the gradient fill, with its pixel rules: the
// right and bottom edges are not filled; channels interpolate per pixel, truncated.
void GradientFillRect(QPainter &surface, const TriVertex &upperLeft, const TriVertex &lowerRight,
                      bool horizontal);

// Two-colour gradient over (x1, y1)-(x2, y2), left to right when horizontal, else
// top to bottom. Colours are plain RGB.
void GradientRect(QPainter &surface, OleColor startColor, OleColor endColor, qint32 x1, qint32 y1, qint32 x2,
                  qint32 y2, bool horizontal);

// Four-corner gradient: colours in the order top-left, top-right, bottom-left,
// bottom-right; the rectangle is covered along both diagonals.
void GradientCorners(QPainter &surface, OleColor topLeft, OleColor topRight, OleColor bottomLeft,
                     OleColor bottomRight, qint32 left, qint32 top, qint32 right, qint32 bottom);

// percent * value / 100 rounded to the nearest whole number, halves to even.
// The decimals flag does not change the result.
qint32 PercentOf(qint32 percent, qint32 value, bool decimals = false);

// Rounds to the nearest whole number, halves to the even neighbour.
qint32 RoundHalfEven(double value);

} // namespace qvKontrollerFelles

} // namespace qv
