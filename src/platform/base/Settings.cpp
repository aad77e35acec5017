#include "platform/base/Settings.h"

#include <QSettings>

namespace qv
{

// Organisation "Backup" without an application name: one file, Backup.conf, in the
// user's configuration folder.
QString getSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    const QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Backup"));
    return s.value(section + u'/' + key, defaultValue).toString();
}

void saveSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Backup"));
    s.setValue(section + u'/' + key, value);
    s.sync();
}

} // namespace qv
