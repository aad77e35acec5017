#pragma once
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
    enum class Action { Window, Run, All, Schedule, Help, Version, Invalid, Verify, Settings };

    Action action = Action::Window;
    QString templateName; // --run, --verify
    // Stored settings (-1: not given): --keep-versions, --read-back, --keep-archives.
    int keepVersions = -1, readBack = -1, keepArchives = -1;
    Frequency frequency = Frequency::Daily;
    QTime at{12, 0};
    QString error; // with Invalid: what was wrong, in Norwegian

    // args without the program name.
    static CommandLine parse(const QStringList &args);
};

QString helpText();

} // namespace qv
