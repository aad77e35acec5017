#pragma once
#include "controls/drawing/GDIplusDraw.h"

#include <QImage>
#include <QString>

class QPainter;

namespace qv
{

// Pictures (PNG in practice) drawn at a box, faded when their control is disabled.
namespace GDIPlusPicture
{

using GDIplusDraw::Argb;

// Error number raised when a picture cannot be loaded.
constexpr int PictureLoadError = 999;

// Loads path and draws it. A width or height of -1 is replaced by the picture's own
// size (both), which the caller gets back. A picture that does not load raises
// qv::PlatformError 999 "Feil ved lasting av bilde " + path and draws nothing.
void DrawPictureFile(QPainter &surface, const QString &path, qint32 x, qint32 y, qint32 &width,
                     qint32 &height, bool enabled, bool keepAspect);

// Draws a loaded picture into (x, y, width, height): stretched, or with keepAspect
// scaled to fit and anchored at the top-left corner of the box. Disabled: every
// pixel's alpha halved. Draws nothing for an empty picture or an empty box.
void DrawPictureImage(const QImage &image, QPainter &surface, qint32 x, qint32 y, qint32 width, qint32 height,
                      bool enabled, bool keepAspect);

// A copy of the picture with every alpha halved (halves to even), colours kept.
QImage FadedImage(const QImage &image);

// The size keepAspect draws an imageWidth x imageHeight picture at in the box.
QSize KeepAspectSize(int imageWidth, int imageHeight, int boxWidth, int boxHeight);

Argb SetArgbAlpha(Argb argb, quint8 alpha);

} // namespace GDIPlusPicture

} // namespace qv
