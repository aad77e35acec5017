#include "platform/system/ChangeWatch.h"

#include "platform/base/PlatformError.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMimeDatabase>

namespace qv
{

ChangeWatch::ChangeWatch(const QString &windowsFolder, QObject *parent)
    : QObject(parent), m_watcher(std::make_unique<QFileSystemWatcher>()), m_folder(windowsFolder)
{
    if (const auto host = DriveTable::current().toHost(WinPath(windowsFolder)))
        m_valid = m_watcher->addPath(host->text());
    connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this, [this] { m_changed = true; });
}

ChangeWatch::~ChangeWatch() = default;

bool ChangeWatch::takeChanged()
{
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

void moveToTrash(const QString &windowsPath, bool *wentToTrash)
{
    if (wentToTrash)
        *wentToTrash = false;
    const auto host = DriveTable::current().toHost(WinPath(windowsPath));
    const QFileInfo info(host ? host->text() : QString());
    if (!host || (!info.exists() && !info.isSymLink()))
        raiseError(Err::FileNotFound);
    if (QFile::moveToTrash(host->text())) {
        if (wentToTrash)
            *wentToTrash = true;
        return;
    }
    const bool removed = info.isDir() && !info.isSymLink() ? QDir(host->text()).removeRecursively()
                                                           : QFile::remove(host->text());
    if (!removed)
        raiseError(Err::PermissionDenied);
}

QString typeName(const QString &windowsPath, bool isFolder)
{
    if (isFolder)
        return QStringLiteral("Filmappe");
    static const QMimeDatabase db;
    const QString name = WinPath(windowsPath).fileName();
    const QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault() && !type.comment().isEmpty())
        return type.comment();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QStringLiteral("Fil") : name.mid(dot + 1).toUpper() + QStringLiteral(" fil");
}

} // namespace qv
