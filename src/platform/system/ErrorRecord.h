#pragma once
#include <QString>

namespace qv
{

// Program identity used by the error logs and message titles; the number is the
// project's version in CMake.
struct ProgramVersion {
    static constexpr int Major = QV_VERSION_MAJOR, Minor = QV_VERSION_MINOR, Revision = QV_VERSION_PATCH;
};
inline const QString kProgramTitle = QStringLiteral("Backup");

// "3.0.3" with revisionDigits 1; "3.0.0003" with 4 (the error message title).
QString versionText(int revisionDigits);

// The eight-line error record every error log of the program appends (CR LF ends).
QString errorRecord(const QString &module, const QString &procedure, qint32 number,
                    const QString &description);

// Appends the record to the named file in the program folder; a folder that cannot
// be written loses the record without a word.
void appendErrorRecord(const QString &fileName, const QString &module, const QString &procedure,
                       qint32 number, const QString &description);

} // namespace qv
