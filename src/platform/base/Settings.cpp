#include "platform/base/Settings.h"

#include "platform/base/UserFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace qv
{

namespace
{
// $XDG_CONFIG_HOME/qvbackup/qvbackup.conf. Earlier versions kept a generic
// Backup.conf there; its values are taken over the first time the new file is made.
std::unique_ptr<QSettings> store()
{
    // The folder from the environment each time: QSettings keeps the first it saw.
    const QString folder = userFolderHost(DataKind::Settings);
    auto s = std::make_unique<QSettings>(folder + "/qvbackup.conf", QSettings::IniFormat);
    if (!QFile::exists(s->fileName())) {
        const QSettings old(QFileInfo(folder).absolutePath() + "/Backup.conf", QSettings::IniFormat);
        if (QFile::exists(old.fileName())) {
            for (const QString &key : old.allKeys())
                s->setValue(key, old.value(key));
            s->sync();
        }
    }
    return s;
}
} // namespace

QString getSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return store()->value(section + u'/' + key, defaultValue).toString();
}

void saveSetting(const QString &section, const QString &key, const QString &value)
{
    const auto s = store();
    s->setValue(section + u'/' + key, value);
    s->sync();
}

} // namespace qv
