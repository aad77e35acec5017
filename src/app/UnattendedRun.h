#pragma once
#include "CommandLine.h"
#include "platform/base/StopRequest.h"
#include "platform/base/UserDialog.h"

#include <QStringList>
#include <QTextStream>

#include <vector>

namespace qv
{

struct BackupMal;

class RunState;
struct RunOutcome;

// The dialogue of a run without a window. The engine asks it nothing (an
// unattended run has its fixed answers); it prints the messages a run still shows
// (warnings and errors on standard error) and the progress the engine reports.
class UnattendedDialog : public UserDialog
{
public:
    // chatter: what is not an error goes to out; progress: a line per tenth of the files.
    UnattendedDialog(QTextStream &out, QTextStream &err, bool chatter = true, bool progress = false)
        : m_out(out), m_err(err), m_chatter(chatter), m_progress(progress)
    {
    }

    void attach(RunState *state) { m_state = state; }
    // Asks the run to stop as Esc would (from a signal handler: only sets a flag).
    static void requestStop() { stop::request(); }
    static void resetStopRequest() { stop::reset(); }
    static bool stopRequested() { return stop::requested(); }

    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      int defaultButton) override;
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    void setBusyPointer(bool) override {}
    void processEvents() override;

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_chatter, m_progress;
    RunState *m_state = nullptr;
    bool m_stopDelivered = false;
    int m_shownLists = 0;
    int m_lastFile = 0;
    int m_lastTenth = 0;
};

// What a finished run tells the user's desktop.
struct RunSummary {
    int status = ExitFailed;
    QString title; // the end message
    QString body;
    bool notify = true;
};

// The exit status a run's outcome earns.
int exitStatus(const RunOutcome &o);

// A Windows path with the host folder it stands for: "C:\Data\ (/home/ola/Data)".
QString withHostPath(const QString &windowsPath);

// --run and --all: the engine the window drives, under the unattended dialogue.
// Holds the instance lock for the data folder while it runs.
// outIsTerminal: progress lines are printed.
RunSummary runUnattended(const CommandLine &c, QTextStream &out, QTextStream &err, bool outIsTerminal);

// The text a second start shows when the templates are in use.
QString alreadyRunningMessage(qint64 holderPid);

// Where the template a command names is among names, from the index from on: the one
// spelled exactly so, else the first spelled so but for letter case; -1 when none is.
qsizetype indexOfTemplate(const QStringList &names, const QString &name, qsizetype from = 0);
// The same among the stored templates; nullptr when none is.
const BackupMal *templateNamed(const std::vector<BackupMal> &rows, const QString &name);

} // namespace qv

namespace qv
{
// Everything but the window: --run, --all, --schedule, --help, --version and bad
// arguments. Needs a Q(Gui)Application. Returns the exit status.
int runCommandLine(const CommandLine &c, QTextStream &out, QTextStream &err, bool outIsTerminal = false);
} // namespace qv
