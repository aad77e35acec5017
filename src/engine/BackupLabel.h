#pragma once
#include <QString>

namespace qv
{

// "Backup av " + the source folder's last name, or "Backup av disk X" for a drive
// root: the folder (copy) or archive name (zip) a backup goes under.
QString backupLabel(const QString &fra);
// Where a found file goes: Til + label + "\" + the part of the path after Fra.
QString backupDestination(const QString &fra, const QString &til, const QString &label, const QString &file);

} // namespace qv
