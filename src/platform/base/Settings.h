#pragma once
#include <QString>

namespace qv
{

// The per-user settings store of the application "Backup": sections and keys as
// named, values as decimal text. Lives under XDG_CONFIG_HOME.
QString getSetting(const QString &section, const QString &key, const QString &defaultValue = {});
void saveSetting(const QString &section, const QString &key, const QString &value);

} // namespace qv
