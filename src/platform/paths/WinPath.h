#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qv
{

// A Windows path text: "\" separators, drive roots of three characters ("C:\"),
// compared without regard to case. Only the host layer maps it to host paths.
class WinPath
{
public:
    WinPath() = default;
    explicit WinPath(QString text) : m_text(std::move(text)) {}

    const QString &text() const & { return m_text; }
    QString text() && { return std::move(m_text); }
    bool isEmpty() const { return m_text.isEmpty(); }

    bool isDriveRoot() const;                 // "C:\" (exactly three characters)
    QChar driveLetter() const;                // upper case; null when no "X:" prefix
    QString driveRoot() const;                // "C:\" or empty
    static QString driveRootOf(QChar letter); // "C:\" for 'c'
    bool endsWithSeparator() const;
    WinPath withTrailingSeparator() const;
    WinPath withoutTrailingSeparator() const;        // keeps "C:\"
    WinPath operator/(const QString &name) const;    // joins with exactly one "\"
    QString fileName() const;                        // text after the last "\" (whole text if none)
    static QStringView fileNameOf(QStringView path); // fileName() without a copy
    WinPath parent() const;                          // folder part including the last "\"; empty if none
    QString lastFolder() const;                      // "C:\Data\Bilder\" -> "Bilder"; "C:\" -> "C:"
    // Text after folder's prefix (without a leading "\"); the whole text when folder
    // is not a prefix.
    QString relativeTo(const WinPath &folder) const;
    // The path and the folders above it, top down, without trailing "\" but a drive
    // root's: "C:\Data\Bilder\" -> "C:\", "C:\Data", "C:\Data\Bilder".
    QStringList folderChain() const;
    // The names below the drive as Windows resolves them: "/" separates too, empty
    // and "." names drop out, ".." drops the name before it.
    QStringList resolvedNames() const;
    bool startsWith(const WinPath &prefix) const; // case-insensitive prefix

    bool equals(const WinPath &other) const; // case-insensitive
    bool operator==(const WinPath &other) const { return equals(other); }

private:
    QString m_text;
};

} // namespace qv
