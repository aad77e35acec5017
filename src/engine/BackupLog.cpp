#include "engine/BackupLog.h"
#include "platform/paths/WinPath.h"
#include "platform/scan/TreeScan.h"

#include "engine/modBackup.h"
#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/system/TextViewer.h"

namespace qv
{

namespace
{
QString yesNo(bool b)
{
    return b ? QStringLiteral("Ja") : QStringLiteral("Nei");
}
} // namespace

void BackupLog::General_LoggHode()
{
    const int n = s.lvw1().GetCount();
    QString &l = s.LoggTekst;
    l += "Backup mal: \t\t" + s.cboMal.text() + kCrLf;
    l += QStringLiteral("Backup type: \t\t") +
         (s.optAlle.value ? "Alle filer" : "Bare nye og endrede filer") + kCrLf;
    l += "Kilde: \t\t\t" + s.Fra + kCrLf;
    l += "Inkl. undermapper: \t" + yesNo(s.chkUnderkat.value) + kCrLf;
    l += "Destinasjon: \t\t" + s.Til + kCrLf;
    l += "Til zipfil: \t\t" + yesNo(s.optEndrede.value && s.chkZip.value) + kCrLf;
    l += "Antall filer: \t\t" + QString::number(n) + kCrLf;
    if (n > 0)
        l += "Startet: \t\t" + formatRunTime(now()) + kCrLf;
}

bool BackupLog::trailer()
{
    const bool accessErrors = !s.Tilgangsfeil.isEmpty();
    if (accessErrors) {
        const QString hyphens(49, '-');
        s.LoggTekst += hyphens + kCrLf + "Filer som ikke ble kopiert pga. tilgangsfeil." + kCrLf + hyphens +
                       kCrLf + s.Tilgangsfeil;
        s.Tilgangsfeil.clear();
    }
    s.LoggTekst += QString(49, '*') + kCrLf + kCrLf + kCrLf + kCrLf;
    return accessErrors;
}

void BackupLog::General_SkrivLogg(const QString &fileName)
{
    // A "\\" that a host name holds travels carried in paths; the log shows the real name.
    const QString text = hostNameText(s.LoggTekst + kCrLf);
    writeTextFile(programFile(fileName), text).orThrow();
    s.LoggTekst.clear();
}

void BackupLog::General_VisLogg(const QString &path)
{
    if (!fileAttributes(path)) {
        msgBox(path + "\nblir ikke opprettet før en backup er kjørt.", Buttons::OK, Icon::Exclamation);
        return;
    }
    try {
        startTextViewer(path);
    } catch (const PlatformError &e) {
        if (e.number() == Err::FileNotFound)
            msgBox(QStringLiteral(
                       "Finner ikke filen Notepad.exe.\n\nSjekk at programmet finnes i Windows mappen."),
                   Buttons::OK, Icon::Exclamation, QStringLiteral("Åpning av loggfil feilet"));
    }
}

void BackupLog::mnuFilVisLoggEn_Click()
{
    General_VisLogg(programFile(Files::LoggEnkel));
}

void BackupLog::mnuFilVisLoggAlle_Click()
{
    General_VisLogg(programFile(Files::LoggAlle));
}

} // namespace qv
