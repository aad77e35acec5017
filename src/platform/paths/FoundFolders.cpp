#include "platform/paths/FoundFolders.h"

#include "platform/paths/WinPath.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace qv
{

namespace
{

// The folders the last scan read: Windows path with trailing "\" -> host path.
QHash<QString, QString> g_foundFolders;
HostPath g_foundDriveDir;               // the host folder of their drive then
QString g_lastFolder, g_lastHostPrefix; // the last folder asked for, host path with "/"
QSet<QByteArray> g_linkedFiles;         // host paths of links to files

// hostNameText on text from index from on, in place.
void uncarry(QString &text, qsizetype from)
{
    qsizetype out = from;
    QChar *c = text.data();
    for (qsizetype i = from; i < text.size(); ++i, ++out) {
        if (c[i] == QChar(kCarryEscape) && i + 1 < text.size())
            c[out] = c[++i];
        else
            c[out] = c[i] == QChar(kCarriedBackslash) ? QChar(u'\\') : c[i];
    }
    text.truncate(out);
}

} // namespace

QString windowsName(const QString &hostName)
{
    const auto carried = [](QChar c) {
        return c == u'\\' || c == QChar(kCarriedBackslash) || c == QChar(kCarryEscape);
    };
    if (std::none_of(hostName.begin(), hostName.end(), carried))
        return hostName;
    QString n;
    n.reserve(hostName.size() + 4);
    for (const QChar c : hostName) {
        if (c == u'\\') {
            n += QChar(kCarriedBackslash);
            continue;
        }
        if (carried(c))
            n += QChar(kCarryEscape);
        n += c;
    }
    return n;
}

QString hostNameText(const QString &carried)
{
    QString text = carried;
    if (text.contains(QChar(kCarriedBackslash)) || text.contains(QChar(kCarryEscape)))
        uncarry(text, 0);
    return text;
}

std::optional<QString> foundHostPath(const QString &windowsPath, const HostPath &driveDir)
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
    uncarry(host, g_lastHostPrefix.size());
    return host;
}

void rememberFoundLink(const QByteArray &hostPath)
{
    g_linkedFiles.insert(hostPath);
}

bool foundAsLink(const QByteArray &hostPath)
{
    return !g_linkedFiles.isEmpty() && g_linkedFiles.contains(hostPath);
}

void forgetFoundFiles()
{
    g_linkedFiles.clear();
    g_foundFolders.clear();
    g_foundDriveDir = {};
    g_lastFolder.clear();
    g_lastHostPrefix.clear();
}

void startFoundFolders(const HostPath &driveDir)
{
    forgetFoundFiles();
    g_foundDriveDir = driveDir;
}

void rememberFoundFolder(const QString &windowsFolder, const HostPath &host)
{
    g_foundFolders.insert(windowsFolder, host.text());
}

} // namespace qv
