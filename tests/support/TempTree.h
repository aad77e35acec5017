#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

namespace qvtest
{

// A temporary folder mapped as drive letters through QVBACKUP_DRIVES for the
// lifetime of the object; the previous table comes back on destruction.
class TempDrives
{
public:
    // letters: the drives to create, each a sub-folder of the temporary folder.
    explicit TempDrives(const QString &letters = "C");
    ~TempDrives();
    TempDrives(const TempDrives &) = delete;
    TempDrives &operator=(const TempDrives &) = delete;

    QString hostRoot(QChar letter) const;           // host folder of a drive
    QString host(const QString &windowsPath) const; // "C:\a\b" -> host path (no case folding)
    // Program folder as a Windows path (default C:\Program\Backup), created and
    // made the program folder through QVBACKUP_PROGRAM_DIR.
    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString &windowsPath);

    // Writes a file (parents made); returns its host path.
    QString writeFile(const QString &windowsPath, const QByteArray &content = {},
                      const QDateTime &mtime = {});
    void makeDir(const QString &windowsPath);
    QByteArray readFile(const QString &windowsPath) const;
    bool exists(const QString &windowsPath) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldDrives, m_oldProgram;
    QString m_programFolder;
};

} // namespace qvtest
