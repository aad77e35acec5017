#pragma once
#include "CommandLine.h"
#include "platform/base/UserDialog.h"

#include <QTextStream>
#include <atomic>

namespace qv
{

class RunState;

// The dialogue of a run without a window: every question gets its fixed answer
// (start: yes; disk full: stop; the log question: no), messages go to standard
// output or, for warnings and errors, to standard error, and progress is printed
// as the engine reports it. It also collects what the exit status is made of.
class UnattendedDialog : public UserDialog
{
public:
    UnattendedDialog(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}

    void attach(RunState *state) { m_state = state; }
    // Asks the run to stop as Esc would (from a signal handler: only sets a flag).
    static void requestStop() { s_stopRequested = true; }
    static void resetStopRequest() { s_stopRequested = false; }

    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      int defaultButton) override;
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    void setBusyPointer(bool) override {}
    void processEvents() override;

    // The run's end message without the log question; empty when it never came.
    QString endMessage() const { return m_endMessage; }
    // The exit status the run earned.
    int status() const;

private:
    QTextStream &m_out;
    QTextStream &m_err;
    RunState *m_state = nullptr;
    QString m_endMessage;
    bool m_nothingFound = false;
    bool m_failed = false; // an error or warning box, a stop on a full disk, an abort on request
    bool m_stopDelivered = false;
    int m_shownLists = 0;
    int m_lastFile = 0;
    int m_lastTenth = 0;
    static inline std::atomic_bool s_stopRequested = false;
};

// What a finished run tells the user's desktop.
struct RunSummary {
    int status = ExitFailed;
    QString title; // the end message
    int copied = 0, notCopied = 0;
    QString body() const;
};

// --run and --all: the engine the window drives, under the unattended dialogue.
// Holds the instance lock for the data folder while it runs.
RunSummary runUnattended(const CommandLine &c, QTextStream &out, QTextStream &err);

// The text a second start shows when the templates are in use.
QString alreadyRunningMessage(qint64 holderPid);

} // namespace qv

namespace qv
{
// Everything but the window: --run, --all, --schedule, --help, --version and bad
// arguments. Needs a Q(Gui)Application. Returns the exit status.
int runCommandLine(const CommandLine &c, QTextStream &out, QTextStream &err);
} // namespace qv
