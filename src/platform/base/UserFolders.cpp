#include "platform/base/UserFolders.h"

#include <QDir>

namespace qv
{

QString userFolderHost(DataKind kind)
{
    const bool logs = kind == DataKind::Logs;
    QString base = qEnvironmentVariable(logs ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = qEnvironmentVariable("HOME") + (logs ? "/.local/state" : "/.config");
    return QDir::cleanPath(base + "/qvbackup");
}

} // namespace qv
