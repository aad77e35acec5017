#include "engine/BackupLabel.h"
#include "platform/paths/WinPath.h"

#include "engine/modBackup.h"

namespace qv
{

QString backupLabel(const QString &fra)
{
    if (fra.size() == 3)
        return "Backup av disk " + fra.left(1).toUpper();
    return "Backup av " + General_SisteMappe(fra);
}

QString backupDestination(const QString &fra, const QString &til, const QString &label, const QString &file)
{
    return (WinPath(til) / label / file.mid(fra.size())).text();
}

} // namespace qv
