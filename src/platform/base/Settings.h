#pragma once
#include <QString>

namespace qv
{

// The per-user settings store, $XDG_CONFIG_HOME/qvbackup/qvbackup.conf: sections and
// keys as named, values as decimal text.
QString getSetting(const QString &section, const QString &key, const QString &defaultValue = {});
void saveSetting(const QString &section, const QString &key, const QString &value);

} // namespace qv
