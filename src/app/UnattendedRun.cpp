#include "UnattendedRun.h"

#include "engine/BackupEngine.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"
#include "platform/system/InstanceLock.h"

namespace qv
{

namespace
{
const QString kSeLogg = QStringLiteral("\nVil du se loggfilen for detaljer?");

QString firstLine(const QString &text)
{
    return text.section('\n', 0, 0);
}

// Copied and not-copied files, counted in the log the run just wrote.
void countLog(const QString &fileName, RunSummary &r)
{
    QString text;
    try {
        text = readTextFile(programFile(fileName));
    } catch (const PlatformError &) {
        return;
    }
    bool inErrors = false;
    for (const QString &line : text.split(kCrLf)) {
        if (line.startsWith(QStringLiteral("Filer som ikke ble kopiert"))) {
            inErrors = true;
        } else if (line.startsWith(QString(49, '*'))) {
            inErrors = false;
        } else if (inErrors) {
            if (!line.isEmpty() && !line.startsWith(QString(49, '-')))
                ++r.notCopied;
        } else if (line.startsWith(QStringLiteral("  "))) {
            ++r.copied;
        }
    }
}

// Host path of a file in the program folder, as the run wrote it (the per-user mirror
// when the program folder cannot be written).
QString writtenPath(const QString &fileName)
{
    try {
        return hostfs::readPath(programFile(fileName));
    } catch (const PlatformError &) {
        return programFile(fileName);
    }
}
} // namespace

QString alreadyRunningMessage(qint64 holderPid)
{
    const QString who = holderPid > 0 ? " (prosess " + QString::number(holderPid) + ")" : QString();
    return "Backup kjører allerede med malene i " + General_FinnDatamappe() + who +
           ".\nBare én kopi av programmet kan bruke dem om gangen, så denne gjør ingenting.";
}

Answer UnattendedDialog::messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                                    int defaultButton)
{
    if (text.endsWith(kSeLogg)) {
        m_endMessage = text.chopped(kSeLogg.size());
        m_out << m_endMessage << "\n";
        m_out.flush();
        return Answer::No;
    }
    if (text.contains(QStringLiteral("Vil du starte sikkerhetskopiering nå?"))) {
        m_out << firstLine(text) << "\n";
        return Answer::Yes;
    }
    if (text.startsWith(QStringLiteral("Du har valgt å ta backup av alle malene")))
        return Answer::OK;
    if (text.startsWith(QStringLiteral("Mottaker-disken er full"))) {
        m_err << "Mottaker-disken er full. Kjøringen stoppes.\n";
        m_err.flush();
        m_failed = true;
        return Answer::Cancel;
    }
    if (text == QStringLiteral("Vil du avbryte kopieringen?")) {
        // Only an Esc of our own (a stop request) leads here.
        m_failed = m_failed || m_stopDelivered;
        return m_stopDelivered ? Answer::Yes : Answer::No;
    }
    if (text.startsWith(QStringLiteral("Fant ingen nye eller endrede filer")))
        m_nothingFound = true;
    const bool warning = icon == Icon::Critical || icon == Icon::Exclamation;
    QTextStream &to = warning ? m_err : m_out;
    if (warning && title != kAppTitle)
        to << title << ":\n";
    to << text << "\n";
    to.flush();
    m_failed = m_failed || warning;
    return defaultAnswer(buttons, defaultButton);
}

void UnattendedDialog::processEvents()
{
    if (!m_state)
        return;
    RunState &s = *m_state;
    if (s_stopRequested && !m_stopDelivered) {
        m_stopDelivered = true;
        m_err << "Avbryter etter filen som kopieres nå ...\n";
        m_err.flush();
        s.escPressed();
    }
    // The run shows each template's found files once, right after its scan.
    const int shown = s.memoryFileList().refreshCount();
    if (s.AlleMalerKjorer && shown != m_shownLists) {
        m_shownLists = shown;
        m_out << "Mal «" << s.cboMal.text() << "»: fant " << s.lvw1().GetCount() << " fil(er).\n";
        m_lastTenth = 0;
    }
    const int i = s.fileInProgress;
    const qint64 n = s.pgr1.MaxValue;
    if (i < m_lastFile)
        m_lastTenth = 0;
    m_lastFile = i;
    if (i > 0 && n > 0) {
        const int tenth = int(qint64(i) * 10 / n);
        if (tenth > m_lastTenth) {
            m_lastTenth = tenth;
            m_out << "  fil " << i << " av " << n << " (" << qint64(i) * 100 / n << " %)\n";
        }
    }
    m_out.flush();
}

int UnattendedDialog::status() const
{
    int st = ExitFinished;
    if (m_endMessage.isEmpty())
        st = m_nothingFound ? ExitFinished : ExitFailed; // the run never reached its end
    else if (m_endMessage.contains(QStringLiteral("ikke kopiert")))
        st = ExitNotCopied;
    else if (m_endMessage.contains(QStringLiteral("avbrutt")))
        st = ExitFailed;
    return m_failed ? std::max(st, int(ExitFailed)) : st;
}

QString RunSummary::body() const
{
    QString b = QString::number(copied) + (copied == 1 ? " fil kopiert" : " filer kopiert");
    if (notCopied > 0)
        b += ", " + QString::number(notCopied) + " ikke kopiert";
    return b + ".";
}

RunSummary runUnattended(const CommandLine &c, QTextStream &out, QTextStream &err)
{
    RunSummary r;
    InstanceLock lock;
    if (lock.acquire() == InstanceLock::Result::HeldByOther) {
        r.status = ExitAlreadyRunning;
        r.title = QStringLiteral("Backup ble ikke kjørt");
        err << alreadyRunningMessage(lock.holderPid()) << "\n";
        err.flush();
        return r;
    }
    UnattendedDialog dialogue(out, err);
    setDialog(&dialogue);
    struct Restore {
        ~Restore() { setDialog(nullptr); }
    } restore;
    BackupEngine engine;
    RunState &s = engine.state;
    dialogue.attach(&s);
    engine.actions.startUp();

    const QString logName = c.action == CommandLine::Action::All ? Files::LoggAlle : Files::LoggEnkel;
    if (s.cboMal.count() < 2) {
        err << "Det finnes ingen lagrede maler i " << General_FinnDatamappe() << ".\n";
        r.status = ExitBadArguments;
        return r;
    }
    try {
        if (c.action == CommandLine::Action::Run) {
            const QStringList names = s.cboMal.items();
            qsizetype index = names.indexOf(c.templateName);
            for (qsizetype i = 1; index < 1 && i < names.size(); ++i)
                if (names.at(i).compare(c.templateName, Qt::CaseInsensitive) == 0)
                    index = i;
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
            out << "Mal «" << s.cboMal.text() << "»: " << s.Fra << " til " << s.Til << "\n";
        } else {
            engine.templates.setAlleMaler(true);
            out << "Alle maler (" << s.cboMal.count() - 1 << "):\n";
        }
        out.flush();
        engine.run.qvbStart_Click();
    } catch (const PlatformError &e) {
        General_LoggFeil(QStringLiteral("qvbackup"), QStringLiteral("runUnattended"), e.number(),
                         e.description());
    }
    r.status = dialogue.status();
    r.title = dialogue.endMessage();
    if (!r.title.isEmpty()) {
        countLog(logName, r);
        out << "Loggen ligger i " << writtenPath(logName) << "\n";
    }
    if (r.title.isEmpty())
        r.title = r.status == ExitFinished ? QStringLiteral("Fant ingen nye eller endrede filer.")
                                           : QStringLiteral("Backup feilet.");
    out.flush();
    return r;
}

} // namespace qv

#include "DesktopNotifier.h"
#include "Schedule.h"
#include "VersionsCommand.h"
#include "platform/system/ErrorRecord.h"

#include <QCoreApplication>

namespace qv
{

int runCommandLine(const CommandLine &c, QTextStream &out, QTextStream &err)
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
        const RunSummary r = runUnattended(c, out, err);
        if (r.status != ExitBadArguments)
            notifyDesktop(r.title, r.status == ExitAlreadyRunning ? alreadyRunningMessage(0) : r.body());
        return r.status;
    }
    case CommandLine::Action::Window:
        break;
    }
    return ExitBadArguments;
}

} // namespace qv
