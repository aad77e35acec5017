#pragma once
// Earlier versions of a copy backup, the zip archives a template keeps, and the run
// options kept in the settings store.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace qv
{

// Days earlier versions are kept (default 30; 0: none are kept).
int versionDays();
void setVersionDays(int days);
// "les kopien tilbake og sammenlign": each copy is read back and compared.
bool readBackCopies();
void setReadBackCopies(bool on);
// How many of a template's zip archives are kept (0: all).
int archivesKept(const QString &templateName);
void setArchivesKept(const QString &templateName, int count);

// "<til>\Eldre versjoner av <name>\" beside the mirror "<til>\Backup av <name>\".
QString versionsRoot(const QString &fra, const QString &til);

// The template's zip archives in the destination, oldest first (Windows paths).
QStringList archivesOf(const QString &fra, const QString &til);
// Deletes all but the newest keep archives (keep 0: none deleted); how many went.
int removeOldArchives(const QString &fra, const QString &til, int keep);

// The log line of a copy run that kept or removed earlier versions; empty otherwise.
QString versionsLogLine(int kept, int removed);

} // namespace qv
