#pragma once
#include <QImage>
#include <QString>

// Pictures decoded once per version of their file: a file that changes (modification
// time, size or the file itself) is decoded again at its next use; uses within two
// milliseconds of a look at the file (the draws of one paint) share that look.
namespace DecodedPictureCache
{

// The picture at hostPath (a host file path) as QImage(hostPath) decodes it; a null
// image when there is no such file or it does not decode.
QImage Load(const QString &hostPath);
// The same without applying orientation metadata (QImageReader::setAutoTransform(false)).
QImage LoadAsStored(const QString &hostPath);

// Forgets every decoded picture.
void Clear();

} // namespace DecodedPictureCache
