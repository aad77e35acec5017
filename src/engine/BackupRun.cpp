#include "engine/BackupRun.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"

namespace qv
{

namespace
{
const QString kSeLogg = QStringLiteral("\nVil du se loggfilen for detaljer?");
const QString kSkippedInsideSource =
    QStringLiteral("Malen ble hoppet over: mottaker-mappen ligger i mappen det skal tas backup av.");
const QString kTilgangsfeil =
    QStringLiteral("Backup fullført, men en eller flere filer ble ikke kopiert pga. tilgangsfeil,");
} // namespace

void BackupRun::qvbStart_Click()
{
    try {
        s.Tilgangsfeil.clear();
        s.AlleMalerKjorer = false;
        // An Esc pressed while the window was idle must not abort this run's zip step.
        s.ZipAvbryt = 0;
        if (s.chkAlleMaler.value)
            runAll();
        else if (destinationOverlapsSource(s.Fra, s.Til))
            // The window keeps Start disabled here; a template run by other means is refused too.
            msgBox(QStringLiteral("Finn en gyldig mottaker-mappe."), Buttons::OK, Icon::Exclamation);
        else if (General_MappeFinnes(s.Fra))
            runOne();
        else
            msgBox(
                QStringLiteral(
                    "Mappen du vil ta backup av eksisterer ikke.\nSørg for at det er valgt en gyldig mappe."),
                Buttons::OK, Icon::Exclamation);
    } catch (const PlatformError &e) {
        General_LoggFeil(QStringLiteral("frmBackup"), QStringLiteral("qvbStart_Click"), e.number(),
                         e.description());
    }
    s.Avbrutt = false;
    s.AlleMalerKjorer = false;
    s.General_Opptatt(false);
}

void BackupRun::backupStep()
{
    if (s.optAlle.value) {
        m_copier.General_Kopier();
    } else if (s.chkZip.value) {
        if (!m_zip.General_ZipBackup())
            s.Avbrutt = true;
    } else {
        m_copier.General_Kopier();
    }
}

void BackupRun::showFoundFiles()
{
    s.lvw1().setEnabled(true);
    s.lvw1().Refresh();
    s.lvw1().setEnabled(false);
    dialog().processEvents();
}

void BackupRun::runOne()
{
    s.General_Opptatt(true);
    m_scan.General_SokFiler();
    const int n = s.lvw1().GetCount();
    if (n < 1 && s.Tilgangsfeil.isEmpty()) {
        msgBox(QStringLiteral("Fant ingen nye eller endrede filer i den valgte mappen."), Buttons::OK,
               Icon::Information);
        return;
    }
    if (n < 1) {
        // Nothing found, but folders could not be read: that must not pass as "nothing new".
        m_log.General_LoggHode();
        m_log.trailer();
        const Answer see = msgBox(kTilgangsfeil + kSeLogg, Buttons::YesNo, Icon::Question);
        m_log.General_SkrivLogg(Files::LoggEnkel);
        if (see == Answer::Yes)
            m_log.mnuFilVisLoggEn_Click();
        return;
    }
    showFoundFiles();
    const Answer go = msgBox("Fant " + QString::number(n) +
                                 " fil(er) som det bør tas backup av.\nVil du starte sikkerhetskopiering nå?",
                             Buttons::YesNo, Icon::Question);
    dialog().processEvents();
    if (go != Answer::Yes)
        return;
    m_log.General_LoggHode();
    backupStep();
    const bool accessErrors = m_log.trailer();
    Answer see;
    if (accessErrors)
        see = msgBox(kTilgangsfeil + kSeLogg, Buttons::YesNo, Icon::Question);
    else if (s.Avbrutt)
        see = msgBox("Backup avbrutt av bruker." + kSeLogg, Buttons::YesNo, Icon::Exclamation);
    else
        see = msgBox("Backup fullført." + kSeLogg, Buttons::YesNo, Icon::Question);
    m_log.General_SkrivLogg(Files::LoggEnkel);
    if (see == Answer::Yes)
        m_log.mnuFilVisLoggEn_Click();
}

void BackupRun::runAll()
{
    if (msgBox(QStringLiteral(
                   "Du har valgt å ta backup av alle malene i en fortløpende prosess,\n"
                   "trykk knappen OK for å starte.\n\n"
                   "OBS: Om alle filer tas med, eller bare nye og endrede, bestemmes nå av hva som er "
                   "lagret i hver enkelt mal."),
               Buttons::OKCancel, Icon::Information) != Answer::OK)
        return;
    s.AlleMalerKjorer = true;
    s.General_Opptatt(true);
    const int remembered = s.cboMal.listIndex();
    bool accessErrors = false;
    for (int i = 1; i <= s.cboMal.count() - 1; ++i) {
        s.cboMal.setListIndex(i);
        for (Command *c : {&s.qvbStart, &s.qvbSlett, &s.mnuFilStart, &s.mnuRedigerSlettMal})
            c->enabled = false;
        if (destinationOverlapsSource(s.Fra, s.Til)) {
            // Saved by hand or by an older version: never back a folder up into itself.
            m_log.General_LoggHode();
            s.LoggTekst += kSkippedInsideSource + kCrLf;
            s.Tilgangsfeil += s.Fra + kCrLf;
            accessErrors = m_log.trailer() || accessErrors;
            continue;
        }
        m_scan.General_SokFiler();
        showFoundFiles();
        m_log.General_LoggHode();
        if (s.lvw1().GetCount() > 0)
            backupStep();
        if (m_log.trailer())
            accessErrors = true;
        if (s.Avbrutt)
            break;
    }
    Answer see;
    if (accessErrors)
        see = msgBox(kTilgangsfeil + kSeLogg, Buttons::YesNo, Icon::Question);
    else if (s.Avbrutt)
        see = msgBox("Sikkerhetskopiering avbrutt." + kSeLogg, Buttons::YesNo, Icon::Exclamation);
    else
        see = msgBox("Sikkerhetskopiering fullført." + kSeLogg, Buttons::YesNo, Icon::Question);
    s.cboMal.setListIndex(remembered);
    m_log.General_SkrivLogg(Files::LoggAlle);
    if (see == Answer::Yes)
        m_log.mnuFilVisLoggAlle_Click();
}

} // namespace qv
