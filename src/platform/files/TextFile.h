#pragma once
#include "platform/base/Result.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace qv
{

// Text files in the 8-bit code page: Windows-1252, CR LF line ends. A file starting
// with the UTF-8 BOM is read as UTF-8. Writers use Windows-1252 when every character
// fits, else UTF-8 with BOM. UTF-8 bytes that are not valid are carried as host names
// are (see hostPathFromBytes), so a folder name read from a file is written back as
// it was. Paths are Windows paths.

QString decodeCodePage(const QByteArray &bytes); // BOM detection
QByteArray encodeCodePage(const QString &text);  // 1252 or BOM + UTF-8
bool fitsWindows1252(const QString &text);

Result<QString> readTextFile(const QString &path); // fails 53, 76, 70 ...
// Whole-file rewrite through a temporary file and an atomic rename. A link is written
// through to its target; the file keeps its mode and owner (a file the rename would
// give another owner, or one with several names, is rewritten in place). Anything but
// a regular file is refused (75), as a reader refuses it.
Result<void> writeTextFile(const QString &path, const QString &text);
// Appends (creates when missing), ending the file's last line first when it has no
// line end. If the text does not fit the file's encoding the file is converted to
// UTF-8 with BOM first.
Result<void> appendTextFile(const QString &path, const QString &text);

// The field reader of the template and exclusion files: next field regardless of
// lines, blanks skipped, a quoted field runs to the next quote (commas kept) and the
// rest up to the next comma or line end is skipped, an unquoted field runs to the
// next comma or line end and is trimmed. Reading past the last field throws 62.
class FieldReader;

// A field as the writers put it so that FieldReader reads it back the same: in quotes,
// or bare when it holds a quote. Empty when the format cannot hold it (a quote with a
// comma, a line end or blanks at either end; a character the file cannot encode).
std::optional<QString> fieldText(const QString &field);

class FieldReader
{
public:
    explicit FieldReader(QString text);
    bool atEnd() const; // nothing but blanks and line ends remain
    QString next();

private:
    QString m_text;
    qsizetype m_pos = 0;
};

} // namespace qv
