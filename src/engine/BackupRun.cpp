#include "engine/BackupRun.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/paths/DriveTable.h"

namespace qv
{

namespace
{
// A destination no host path can hold (a NUL in a hand-edited template) would be cut
// short by the host and land elsewhere: such a template is refused before it runs.
bool destinationReachable(const QString &til)
{
    return DriveTable::current().toHost(WinPath(til)).has_value();
}

const QString kSeLogg = QStringLiteral("\nVil du se loggfilen for detaljer?");
} // namespace

void BackupRun::qvbStart_Click()
{
    s.outcome = RunOutcome{};
    s.outcome.allTemplates = s.chkAlleMaler.value;
    s.outcome.dryRun = s.dryRun;
    try {
        s.Tilgangsfeil.clear();
        s.AlleMalerKjorer = false;
        // An Esc pressed while the window was idle (to leave a menu) is not meant for this run.
        s.EscTrykket = false;
        s.ZipAvbryt = 0;
        if (s.chkAlleMaler.value) {
            runAll();
        } else if (destinationOverlapsSource(s.Fra, s.Til)) {
            // The window keeps Start disabled here; a template run by other means is refused too.
            beginTemplate().skipped = TemplateOutcome::Skip::DestinationInsideSource;
            if (!s.unattended)
                msgBox(QStringLiteral("Finn en gyldig mottaker-mappe."), Buttons::OK, Icon::Exclamation);
        } else if (!destinationReachable(s.Til)) {
            TemplateOutcome &t = beginTemplate();
            t.skipped = TemplateOutcome::Skip::DestinationUnusable;
            t.failure = t.skipText();
            if (!s.unattended)
                msgBox(QStringLiteral("Finn en gyldig mottaker-mappe."), Buttons::OK, Icon::Exclamation);
        } else if (General_MappeFinnes(s.Fra)) {
            runOne();
        } else {
            beginTemplate().skipped = TemplateOutcome::Skip::SourceMissing;
            if (!s.unattended)
                msgBox(
                    QStringLiteral("Mappen du vil ta backup av eksisterer ikke.\nSørg for at det er valgt en "
                                   "gyldig mappe."),
                    Buttons::OK, Icon::Exclamation);
        }
    } catch (const PlatformError &e) {
        General_LoggFeil(QStringLiteral("frmBackup"), QStringLiteral("qvbStart_Click"), e.number(),
                         e.description());
        s.noteFailure("Uventet feil nr. " + QString::number(e.number()) + ": " + e.description() + ".");
    }
    s.Avbrutt = false;
    s.AlleMalerKjorer = false;
    s.General_Opptatt(false);
}

TemplateOutcome &BackupRun::beginTemplate()
{
    TemplateOutcome t;
    t.name = s.cboMal.text();
    t.source = s.Fra;
    t.destination = s.Til;
    t.zip = s.optEndrede.value && s.chkZip.value;
    s.outcome.templates.append(t);
    return s.outcome.templates.last();
}

void BackupRun::backupStep()
{
    s.outcome.started = true;
    // Zip applies to "only changed files"; "all files" always copies.
    if (!s.optAlle.value && s.chkZip.value) {
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

int BackupRun::scan()
{
    m_scan.General_SokFiler();
    const int n = s.lvw1().GetCount();
    TemplateOutcome &t = s.currentOutcome();
    t.found = n;
    if (s.dryRun)
        for (int i = 1; i <= n; ++i)
            t.wouldCopy << s.lvw1().GetFile(i);
    return n;
}

bool BackupRun::showEnd()
{
    const RunOutcome &o = s.outcome;
    const RunOutcome::End end = o.end();
    const TemplateOutcome &last = o.templates.last();
    // A zip step words its own status line.
    if (!last.zip && last.failed())
        s.shbStatus = QStringLiteral("Sikkerhetskopiering feilet.");
    else if (!last.zip && last.aborted)
        s.shbStatus = QStringLiteral("Sikkerhetskopiering avbrutt.");
    if (s.unattended)
        return false;
    const bool bad = end == RunOutcome::End::Aborted || end == RunOutcome::End::Failed;
    return msgBox(o.endMessage(false) + kSeLogg, Buttons::YesNo, bad ? Icon::Exclamation : Icon::Question) ==
           Answer::Yes;
}

void BackupRun::writeLog(const QString &logFile, bool show)
{
    s.outcome.logFile = logFile;
    m_log.General_SkrivLogg(logFile);
    if (!show)
        return;
    if (logFile == Files::LoggAlle)
        m_log.mnuFilVisLoggAlle_Click();
    else
        m_log.mnuFilVisLoggEn_Click();
}

void BackupRun::runOne()
{
    s.General_Opptatt(true);
    beginTemplate();
    const int n = scan();
    if (s.dryRun)
        return;
    // Stopped during the scan (a signal): nothing is copied, and the run ends as aborted.
    const bool stopped = s.Avbrutt;
    if (n < 1 && s.Tilgangsfeil.isEmpty() && !stopped) {
        s.currentOutcome().skipped = TemplateOutcome::Skip::NothingNew;
        if (!s.unattended)
            msgBox(QStringLiteral("Fant ingen nye eller endrede filer i den valgte mappen."), Buttons::OK,
                   Icon::Information);
        return;
    }
    if (n > 0 && !stopped) {
        showFoundFiles();
        if (!s.unattended) {
            const Answer go = msgBox(foundFilesText(n) + "\nVil du starte sikkerhetskopiering nå?",
                                     Buttons::YesNo, Icon::Question);
            dialog().processEvents();
            if (go != Answer::Yes)
                return;
        }
    }
    // Nothing found but folders that could not be read: that must not pass as "nothing new".
    m_log.General_LoggHode();
    if (n > 0 && !stopped)
        backupStep();
    if (stopped)
        s.currentOutcome().aborted = true;
    m_log.trailer();
    const bool see = showEnd();
    writeLog(Files::LoggEnkel, see);
}

void BackupRun::runAll()
{
    if (!s.unattended &&
        msgBox(QStringLiteral(
                   "Du har valgt å ta backup av alle malene i en fortløpende prosess,\n"
                   "trykk knappen OK for å starte.\n\n"
                   "OBS: Om alle filer tas med, eller bare nye og endrede, bestemmes nå av hva som er "
                   "lagret i hver enkelt mal."),
               Buttons::OKCancel, Icon::Information) != Answer::OK)
        return;
    s.AlleMalerKjorer = true;
    s.General_Opptatt(true);
    const int remembered = s.cboMal.listIndex();
    for (int i = 1; i <= s.cboMal.count() - 1; ++i) {
        s.cboMal.setListIndex(i);
        for (Command *c : {&s.qvbStart, &s.qvbSlett, &s.mnuFilStart, &s.mnuRedigerSlettMal})
            c->enabled = false;
        TemplateOutcome &t = beginTemplate();
        // Saved by hand or by an older version: never back a folder up into itself.
        if (destinationOverlapsSource(s.Fra, s.Til))
            t.skipped = TemplateOutcome::Skip::DestinationInsideSource;
        else if (!destinationReachable(s.Til))
            t.skipped = TemplateOutcome::Skip::DestinationUnusable;
        // A broken template is a failure, not a file left out.
        if (t.skipped == TemplateOutcome::Skip::DestinationUnusable)
            t.failure = t.skipText();
        else if (!General_MappeFinnes(s.Fra))
            t.skipped = TemplateOutcome::Skip::SourceMissing;
        if (t.skipped != TemplateOutcome::Skip::None) {
            if (s.dryRun)
                continue;
            m_log.General_LoggHode();
            s.LoggTekst += t.skipText() + kCrLf;
            s.noteNotCopied(s.Fra, t.skipText(), true);
            m_log.trailer();
            continue;
        }
        const int n = scan();
        showFoundFiles();
        if (s.dryRun)
            continue;
        m_log.General_LoggHode();
        if (n > 0)
            backupStep();
        else if (s.Tilgangsfeil.isEmpty())
            s.currentOutcome().skipped = TemplateOutcome::Skip::NothingNew;
        m_log.trailer();
        if (s.Avbrutt)
            break;
    }
    if (s.dryRun) {
        s.cboMal.setListIndex(remembered);
        return;
    }
    const bool see = showEnd();
    s.cboMal.setListIndex(remembered);
    writeLog(Files::LoggAlle, see);
}

} // namespace qv
