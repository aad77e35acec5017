#include "platform/paths/FoundFolders.h"

#include "platform/paths/WinPath.h"

#include <QHash>

namespace qv
{

namespace
{

// The folders the last scan read: Windows path with trailing "\" -> host path.
QHash<QString, QString> g_foundFolders;
QString g_foundDriveDir;                // the host folder of their drive then
QString g_lastFolder, g_lastHostPrefix; // the last folder asked for, host path with "/"

} // namespace

QString windowsName(const QString &hostName)
{
    if (!hostName.contains(u'\\'))
        return hostName;
    QString n = hostName;
    n.replace(u'\\', QChar(kCarriedBackslash));
    return n;
}

std::optional<QString> foundHostPath(const QString &windowsPath, const QString &driveDir)
{
    if (g_foundFolders.isEmpty() || driveDir != g_foundDriveDir)
        return std::nullopt;
    const QStringView name = WinPath::fileNameOf(windowsPath);
    if (name.isEmpty() || name.size() == windowsPath.size())
        return std::nullopt;
    // A copy asks for the files of one folder one after another.
    const QStringView folder = QStringView(windowsPath).chopped(name.size());
    if (folder != g_lastFolder) {
        const auto it = g_foundFolders.constFind(folder.toString());
        if (it == g_foundFolders.constEnd())
            return std::nullopt;
        g_lastFolder = it.key();
        g_lastHostPrefix = *it == u"/" ? *it : *it + u'/';
    }
    QString host = g_lastHostPrefix;
    host += name;
    QChar *c = host.data();
    for (qsizetype i = g_lastHostPrefix.size(); i < host.size(); ++i)
        if (c[i] == QChar(kCarriedBackslash))
            c[i] = u'\\';
    return host;
}

void forgetFoundFiles()
{
    g_foundFolders.clear();
    g_foundDriveDir.clear();
    g_lastFolder.clear();
    g_lastHostPrefix.clear();
}

void startFoundFolders(const QString &driveDir)
{
    forgetFoundFiles();
    g_foundDriveDir = driveDir;
}

void rememberFoundFolder(const QString &windowsFolder, const QString &host)
{
    g_foundFolders.insert(windowsFolder, host);
}

} // namespace qv
