#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace qv
{

// A file the run left out, or a folder the scan could not read, and why.
struct NotCopied {
    QString path;   // Windows path
    QString reason; // for the user; empty when nothing more is known
    bool folder = false;
};

// What one template's run came to.
struct TemplateOutcome {
    enum class Skip { None, DestinationInsideSource, DestinationUnusable, SourceMissing, NothingNew };

    QString name, source, destination; // source and destination: Windows paths
    bool zip = false;
    int found = 0;
    int copied = 0;
    QList<NotCopied> notCopied;
    QStringList wouldCopy; // a dry run: what the scan found
    Skip skipped = Skip::None;
    bool aborted = false; // the user stopped it (Esc, closing the window, a stop request)
    QString failure;      // what ended it early, one or more sentences; empty when nothing did

    bool failed() const { return !failure.isEmpty(); }
    int notCopiedFiles() const;
    // Why the template did nothing, one sentence; empty when it did something.
    QString skipText() const;
};

// What one Start came to: one template, or every template in turn.
struct RunOutcome {
    enum class End {
        NotRun,     // refused before the scan, or the user said no
        NothingNew, // one template, nothing to take
        Finished,
        NotCopied, // finished, but something was left out
        Aborted,   // by the user
        Failed,
    };

    bool allTemplates = false;
    bool dryRun = false;
    bool started = false; // the copy or zip step of at least one template began
    QList<TemplateOutcome> templates;
    QString logFile; // the log written (a program file's name), empty when none

    End end() const;
    int copied() const;
    int notCopiedFiles() const;
    const TemplateOutcome *firstFailure() const;

    // The end message: window form (as its message box words it) or line form (a
    // sentence with no trailing comma, for the command line and the notification).
    QString endMessage(bool lineForm = true) const;
    // The desktop notification's body: files copied and files not copied.
    QString summary() const;
};

// "Fant n fil(er) som det bør tas backup av."
QString foundFilesText(int n);

} // namespace qv
