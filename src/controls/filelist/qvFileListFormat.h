#pragma once
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The texts of one file list row, computed from a directory entry, and the reading
// of those texts back for the totals.
namespace qv::qvFileListFormat
{

// Text colour of every row whose attribute letters hold "h" (0x00BBGGRR).
constexpr quint32 HiddenRowColor = 9859416; // RGB(88, 113, 150)

// Text after the last "." when that dot follows the last "\", upper case unless
// keepCase, cut at a NUL; empty when there is no such dot.
QString extensionOf(const QString &name, bool keepCase = false);

// Size in kilobytes with 0 to 3 decimals (3 and above: 3), grouped after the
// locale, " kb." appended, blanks in front up to 16 characters so that a text sort
// orders sizes by magnitude.
QString sizeText(quint64 bytes, int decimals);

// "yyyy.mm.dd  Hh:Nn" of the local time; " " when there is no time.
QString timeText(const QDateTime &utc);

// "a", "h", "r", "s", "d" in that order; " " when none applies.
QString attributeText(quint32 attributes);

// Type column text: the upper-case extension, or with shellTypes the host's type
// name ("Filmappe" for a folder), falling back to the extension + "-fil".
QString typeText(const QString &windowsPath, bool isFolder, bool shellTypes);

// Kilobytes of a size column text (" kb." form, locale separators); a blank text
// counts as 0.
double kilobytesOf(const QString &sizeColumn);

// The short byte-size text of the shell ("532 byte", "1,50 KB", "23,4 MB", "117 GB").
QString shortByteSize(quint64 bytes);

} // namespace qv::qvFileListFormat
