#pragma once
#include <QByteArray>
#include <QString>

namespace qv
{

// Text files in the 8-bit code page: Windows-1252, CR LF line ends. A file starting
// with the UTF-8 BOM is read as UTF-8. Writers use Windows-1252 when every character
// fits, else UTF-8 with BOM. Paths are Windows paths; files in the program folder
// follow the per-user VirtualStore mirror when the program folder is not writable.

QString decodeCodePage(const QByteArray &bytes); // BOM detection
QByteArray encodeCodePage(const QString &text);  // 1252 or BOM + UTF-8
bool fitsWindows1252(const QString &text);

QString readTextFile(const QString &path); // throws 53, 76, 70 ...
// Whole-file rewrite through a temporary file and an atomic rename.
void writeTextFile(const QString &path, const QString &text);
// Appends (creates when missing). If the text does not fit the file's encoding the
// file is converted to UTF-8 with BOM first.
void appendTextFile(const QString &path, const QString &text);

// The field reader of the template and exclusion files: next field regardless of
// lines, blanks skipped, a quoted field runs to the next quote (commas kept) and the
// rest up to the next comma or line end is skipped, an unquoted field runs to the
// next comma or line end and is trimmed. Reading past the last field throws 62.
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
