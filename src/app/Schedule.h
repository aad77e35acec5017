#pragma once
#include "CommandLine.h"

#include <QStringList>
#include <QTextStream>

namespace qv
{

// Unattended runs on a timer: a systemd user timer and service that run --all,
// or, where systemd's user manager is not there, the crontab line to use instead.
namespace schedule
{
inline const QString kService = QStringLiteral("qvbackup.service");
inline const QString kTimer = QStringLiteral("qvbackup.timer");

// The variables that pick the program's data (program folder, drive table, per-user
// folders); the timer's run gets the values they have now.
QStringList carriedEnvironment();

QString serviceUnit(const QString &program, const QStringList &environment);
QString timerUnit(Frequency f, QTime at);
QString crontabLine(Frequency f, QTime at, const QString &program, const QStringList &environment);
// $XDG_CONFIG_HOME/systemd/user
QString userUnitFolder();

// Writes or removes the units and enables or disables the timer through
// `systemctl` (the program to call is a parameter so tests never touch a real
// user manager). Returns an exit status.
int apply(Frequency f, QTime at, const QString &program, QTextStream &out, QTextStream &err,
          const QString &systemctl = QStringLiteral("systemctl"));
} // namespace schedule

} // namespace qv
