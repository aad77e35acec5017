#include "engine/Versions.h"

#include "engine/BackupLabel.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/Settings.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

#include <QRegularExpression>
#include <QUrl>

namespace qv
{

namespace
{
const QString kSection = QStringLiteral("Versjoner");

// A template's name as a settings key: "/" and "\" would split it into groups.
QString keyOf(const QString &templateName)
{
    return "Zip_" + QString::fromLatin1(QUrl::toPercentEncoding(templateName.toCaseFolded()));
}

int number(const QString &key, int fallback)
{
    bool ok = false;
    const int n = getSetting(kSection, key, QString::number(fallback)).toInt(&ok);
    return ok && n >= 0 ? n : fallback;
}
} // namespace

int versionDays()
{
    return number(QStringLiteral("Dager"), 30);
}

void setVersionDays(int days)
{
    saveSetting(kSection, QStringLiteral("Dager"), QString::number(std::max(days, 0)));
}

bool readBackCopies()
{
    return number(QStringLiteral("LesTilbake"), 0) != 0;
}

void setReadBackCopies(bool on)
{
    saveSetting(kSection, QStringLiteral("LesTilbake"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

int archivesKept(const QString &templateName)
{
    return number(keyOf(templateName), 0);
}

void setArchivesKept(const QString &templateName, int count)
{
    saveSetting(kSection, keyOf(templateName), QString::number(std::max(count, 0)));
}

QString versionsRoot(const QString &fra, const QString &til)
{
    const QString name = backupLabel(fra).mid(QStringLiteral("Backup av ").size());
    return (WinPath(til) / ("Eldre versjoner av " + name)).withTrailingSeparator().text();
}

QStringList archivesOf(const QString &fra, const QString &til)
{
    const WinPath folder = WinPath(til).withTrailingSeparator();
    const QString label = backupLabel(fra);
    static const QRegularExpression tail(QStringLiteral("^ \\d{4}_\\d{2}_\\d{2}  kl_\\d{4}\\.zip$"));
    QStringList names;
    for (const DirEntry &e : listDirectory(folder.text(), label + " *.zip"))
        if (!(e.attributes & Attr::Directory) && e.name.startsWith(label) &&
            tail.match(QStringView(e.name).mid(label.size())).hasMatch())
            names << e.name;
    names.sort(); // the stamp sorts as the time does
    QStringList paths;
    for (const QString &n : std::as_const(names))
        paths << (folder / n).text();
    return paths;
}

int removeOldArchives(const QString &fra, const QString &til, int keep)
{
    if (keep <= 0)
        return 0;
    const QStringList archives = archivesOf(fra, til);
    int removed = 0;
    for (qsizetype i = 0; i + keep < archives.size(); ++i) {
        // Not removable (read-only, gone): kept, as every archive was before.
        if (deleteFile(archives.at(i)))
            ++removed;
    }
    return removed;
}

QString versionsLogLine(int kept, int removed)
{
    if (kept == 0 && removed == 0)
        return {};
    return "Eldre versjoner: \t" + QString::number(kept) + " tatt vare på, " + QString::number(removed) +
           " fjernet." + kCrLf;
}

} // namespace qv
