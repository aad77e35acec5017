#include "UnattendedRun.h"

#include "engine/BackupEngine.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/system/InstanceLock.h"

namespace qv
{

namespace
{
QString hostText(const QString &windowsPath)
{
    const std::optional<HostPath> host = DriveTable::current().toHost(WinPath(windowsPath));
    return host ? host->text() : QString();
}
} // namespace

QString withHostPath(const QString &windowsPath)
{
    QString host = hostText(windowsPath);
    if (host.size() > 1 && host.endsWith('/'))
        host.chop(1);
    if (host.isEmpty() || host == windowsPath)
        return windowsPath;
    return windowsPath + " (" + host + ")";
}

qsizetype indexOfTemplate(const QStringList &names, const QString &name, qsizetype from)
{
    const qsizetype exact = names.indexOf(name, from);
    if (exact >= 0)
        return exact;
    for (qsizetype i = from; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const BackupMal *templateNamed(const std::vector<BackupMal> &rows, const QString &name)
{
    QStringList names;
    for (const BackupMal &m : rows)
        names << m.Malnavn;
    const qsizetype i = indexOfTemplate(names, name);
    return i < 0 ? nullptr : &rows[std::size_t(i)];
}

QString alreadyRunningMessage(qint64 holderPid)
{
    const QString who = holderPid > 0 ? " (prosess " + QString::number(holderPid) + ")" : QString();
    return "Backup kjører allerede med malene i " + General_FinnDatamappe() + who +
           ".\nBare én kopi av programmet kan bruke dem om gangen, så denne gjør ingenting.";
}

Answer UnattendedDialog::messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                                    int defaultButton)
{
    const bool warning = icon == Icon::Critical || icon == Icon::Exclamation;
    if (!warning && !m_chatter)
        return defaultAnswer(buttons, defaultButton);
    QTextStream &to = warning ? m_err : m_out;
    if (warning && title != kAppTitle)
        to << title << ":\n";
    to << text << "\n";
    to.flush();
    return defaultAnswer(buttons, defaultButton);
}

void UnattendedDialog::processEvents()
{
    if (!m_state)
        return;
    RunState &s = *m_state;
    if (stop::requested() && !m_stopDelivered) {
        m_stopDelivered = true;
        m_err << "Avbryter etter filen som kopieres nå ...\n";
        m_err.flush();
        // Asked for already: the copy stops without the question Esc brings.
        s.stopConfirmed = true;
        s.escPressed();
    }
    // The run shows each template's found files once, right after its scan.
    const int shown = s.memoryFileList().refreshCount();
    if (shown != m_shownLists) {
        m_shownLists = shown;
        const int n = s.lvw1().GetCount();
        if (m_chatter && s.AlleMalerKjorer)
            m_out << "Mal «" << s.cboMal.text() << "»: fant " << n << " fil(er).\n";
        else if (m_chatter)
            m_out << foundFilesText(n) << "\n";
        m_lastTenth = 0;
    }
    const int i = s.fileInProgress;
    const qint64 n = s.pgr1.MaxValue;
    if (i < m_lastFile)
        m_lastTenth = 0;
    m_lastFile = i;
    if (m_progress && i > 0 && n > 0) {
        const int tenth = int(qint64(i) * 10 / n);
        if (tenth > m_lastTenth) {
            m_lastTenth = tenth;
            m_out << "  fil " << i << " av " << n << " (" << qint64(i) * 100 / n << " %)\n";
        }
    }
    m_out.flush();
}

int exitStatus(const RunOutcome &o)
{
    using End = RunOutcome::End;
    const End end = o.end();
    // A dry run that could look at what it was asked to ends well.
    if (o.dryRun)
        return end == End::Failed || (end == End::NotRun && !o.templates.isEmpty() &&
                                      o.templates.first().skipped != TemplateOutcome::Skip::None)
                   ? ExitFailed
                   : ExitFinished;
    switch (end) {
    case End::Finished:
    case End::NothingNew:
        return ExitFinished;
    case End::NotCopied:
        return ExitNotCopied;
    default:
        return ExitFailed;
    }
}

RunSummary runUnattended(const CommandLine &c, QTextStream &out, QTextStream &err, bool outIsTerminal)
{
    RunSummary r;
    InstanceLock lock;
    if (lock.acquire() == InstanceLock::Result::HeldByOther) {
        r.status = ExitAlreadyRunning;
        r.title = QStringLiteral("Backup ble ikke kjørt");
        r.body = alreadyRunningMessage(0);
        err << alreadyRunningMessage(lock.holderPid()) << "\n";
        err.flush();
        return r;
    }
    // What is not an error: progress, counts, the end of a run that went well.
    const bool chatter = !c.quiet && !c.dryRun;
    UnattendedDialog dialogue(out, err, chatter, outIsTerminal && chatter);
    const DialogInUse inUse(dialogue);
    BackupEngine engine;
    RunState &s = engine.state;
    dialogue.attach(&s);
    engine.actions.startUp();
    s.unattended = true;
    s.dryRun = c.dryRun;

    if (s.cboMal.count() < 2) {
        err << "Det finnes ingen lagrede maler i " << withHostPath(General_FinnDatamappe()) << ".\n";
        r.status = ExitBadArguments;
        return r;
    }
    try {
        if (c.action == CommandLine::Action::Run) {
            const QStringList names = s.cboMal.items();
            const qsizetype index = indexOfTemplate(names, c.templateName, 1); // 0: all of them
            if (index < 1) {
                err << "Finner ingen mal med navnet «" << c.templateName << "». Lagrede maler: «"
                    << names.mid(1).join("», «") << "».\n";
                r.status = ExitBadArguments;
                return r;
            }
            engine.templates.setAlleMaler(false);
            s.cboMal.setListIndex(int(index));
            // The window would not let this template start either.
            if (!s.qvbStart.enabled) {
                err << "Malen «" << s.cboMal.text() << "» kan ikke kjøres: " << s.txtTil.text << "\n";
                r.status = ExitFailed;
                return r;
            }
            if (chatter)
                out << "Mal «" << s.cboMal.text() << "»: " << withHostPath(s.Fra) << " til "
                    << withHostPath(s.Til) << "\n";
        } else {
            engine.templates.setAlleMaler(true);
            if (chatter)
                out << "Alle maler (" << s.cboMal.count() - 1 << "):\n";
        }
        out.flush();
        engine.run.qvbStart_Click();
    } catch (const PlatformError &e) {
        General_LoggFeil(QStringLiteral("qvbackup"), QStringLiteral("runUnattended"), e.number(),
                         e.description());
        s.noteFailure(e.description());
    }
    const RunOutcome &o = engine.run.outcome();
    r.status = exitStatus(o);
    if (c.dryRun) {
        int n = 0;
        for (const TemplateOutcome &t : o.templates) {
            for (const QString &file : t.wouldCopy) {
                const QString host = hostText(file);
                out << (host.isEmpty() ? file : host) << "\n";
            }
            n += int(t.wouldCopy.size());
            if (!t.skipText().isEmpty())
                err << "Mal «" << t.name << "»: " << t.skipText() << "\n";
        }
        out << foundFilesText(n) << "\n";
        out.flush();
        err.flush();
        r.notify = false;
        return r;
    }
    // Each template that did nothing says why.
    QTextStream &report = chatter ? out : err;
    const bool say = chatter || r.status != ExitFinished;
    if (say && o.allTemplates)
        for (const TemplateOutcome &t : o.templates)
            if (!t.skipText().isEmpty())
                report << "Mal «" << t.name << "»: " << t.skipText() << "\n";
    r.title = o.endMessage();
    r.body = o.summary();
    if (say) {
        report << r.title << "\n";
        if (!o.logFile.isEmpty())
            report << "Loggen ligger i " << withHostPath(programFile(o.logFile)) << "\n";
    }
    out.flush();
    err.flush();
    return r;
}

} // namespace qv

#include "DesktopNotifier.h"
#include "RestoreCommand.h"
#include "Schedule.h"
#include "VersionsCommand.h"
#include "platform/system/ErrorRecord.h"

#include <QCoreApplication>

namespace qv
{

int runCommandLine(const CommandLine &c, QTextStream &out, QTextStream &err, bool outIsTerminal)
{
    switch (c.action) {
    case CommandLine::Action::Help:
        out << helpText();
        return ExitFinished;
    case CommandLine::Action::Version:
        out << "QV Backup " << versionText(1) << "\n";
        return ExitFinished;
    case CommandLine::Action::Invalid:
        err << c.error << "\nSkriv qvbackup --help for å se valgene.\n";
        return ExitBadArguments;
    case CommandLine::Action::Schedule:
        return schedule::apply(c.frequency, c.at, QCoreApplication::applicationFilePath(), out, err);
    case CommandLine::Action::Verify:
        return runVerify(c, out, err);
    case CommandLine::Action::Settings:
        applySettings(c, out);
        return ExitFinished;
    case CommandLine::Action::Run:
    case CommandLine::Action::All: {
        applySettings(c, out);
        const RunSummary r = runUnattended(c, out, err, outIsTerminal);
        if (r.status != ExitBadArguments && r.notify)
            notifyDesktop(r.title, r.body);
        return r.status;
    }
    case CommandLine::Action::Restore:
        return runRestore(c, out, err);
    case CommandLine::Action::Window:
        break;
    }
    return ExitBadArguments;
}

} // namespace qv
