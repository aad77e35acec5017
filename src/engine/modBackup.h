#pragma once
#include <QString>
#include <functional>

#include "platform/system/ErrorRecord.h"

namespace qv
{

inline const QString kSupportAddress = QStringLiteral("support@qvbackup.no");

// The window whose error handlers the template and button code report under.
inline const QString kMainWindowModule = QStringLiteral("frmBackup");

// Every line of the program's files and logs ends so.
inline const QString kCrLf = QStringLiteral("\r\n");

// Files of the data folder (platform/DataFolder.h).
namespace Files
{
inline const QString Maler = QStringLiteral("BackupMal.txt");
inline const QString Utelat = QStringLiteral("BackupUtelat.txt");
inline const QString LoggEnkel = QStringLiteral("BackupLoggEnkel.txt");
inline const QString LoggAlle = QStringLiteral("BackupLoggAlle.txt");
inline const QString Feil = QStringLiteral("Error_Backup.txt");
} // namespace Files

// Where the named file of the data folder lives.
QString programFile(const QString &name);

// Appends the eight-line record to Error_Backup.txt and shows the critical message.
// Never fails: a step that cannot be done is skipped.
void General_LoggFeil(const QString &module, const QString &procedure, qint32 number,
                      const QString &description);

QString General_FinnDatamappe();
QString General_FinnFilendelsen(const QString &name);
QString General_StiUtenFilnavn(const QString &path);
QString General_FilnavnFraSti(const QString &path);
QString General_SisteMappe(const QString &folder);
// No wider than width pixels in font; keeps the start and the last component.
// The path shortened to fit width pixels as textWidth measures them ("C:\Data\...\Navn\").
QString General_KortSti(const std::function<int(const QString &)> &textWidth, const QString &path, int width);
bool General_LagMappe(const QString &folder);
bool General_FilFinnes(const QString &path);
bool General_MappeFinnes(const QString &path);
QString General_BrukerNavn();
QString General_FjernNull(QString &text);
QString General_Prosent(qint64 done, qint64 total, bool withDecimal);

// General_Prosent(done, total, false) for done = 1, 2, ... total, formatted only where
// the whole percentage can change (a pass over 100,000 files needs about 200 texts).
class WholePercent
{
public:
    explicit WholePercent(qint64 total) : m_total(total) {}
    // True when the text for done differs from the one before; text() then holds it.
    bool advance(qint64 done);
    const QString &text() const { return m_text; }

private:
    qint64 m_total;
    qint64 m_step = -1;
    bool m_onBoundary = false;
    QString m_text;
};

} // namespace qv
