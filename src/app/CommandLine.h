#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

namespace qv
{

// Exit statuses of the command line (docs/unattended.md).
enum ExitStatus {
    ExitFinished = 0,
    ExitNotCopied = 1,      // finished, but one or more files were not copied
    ExitFailed = 2,         // aborted or failed
    ExitBadArguments = 3,   // bad arguments or an unknown template
    ExitAlreadyRunning = 4, // another copy of the program uses the same templates
};

enum class Frequency { Daily, Weekly, Off };

// What the program was asked to do. Options are English; messages Norwegian.
struct CommandLine {
    enum class Action { Window, Run, All, Schedule, Restore, Verify, Settings, Help, Version, Invalid };

    Action action = Action::Window;
    bool quiet = false;   // --quiet: nothing on standard output unless something went wrong
    bool dryRun = false;  // --dry-run: list what would be taken, take nothing
    QString templateName; // --run, --restore, --verify
    // Stored settings (-1: not given): --keep-versions, --read-back, --keep-archives.
    int keepVersions = -1, readBack = -1, keepArchives = -1;
    Frequency frequency = Frequency::Daily;
    QTime at{12, 0};
    QString error; // with Invalid: what was wrong, in Norwegian
    // --restore: the time (local; invalid: the newest), the target folder as given
    // (empty: where the files came from) and the paths below the source.
    QDateTime restoreFrom;
    QString restoreTo;
    QStringList restorePaths;

    // args without the program name.
    static CommandLine parse(const QStringList &args);
};

QString helpText();

} // namespace qv
