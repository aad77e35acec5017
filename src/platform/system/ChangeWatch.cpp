#include "platform/system/ChangeWatch.h"

#include "platform/base/PlatformError.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QMimeDatabase>

#include <cerrno>
#include <sys/stat.h>

namespace qv
{

ChangeWatch::ChangeWatch(const QString &windowsFolder, QObject *parent)
    : QObject(parent), m_watcher(std::make_unique<QFileSystemWatcher>()), m_folder(windowsFolder)
{
    if (const auto host = DriveTable::current().toHost(WinPath(windowsFolder)))
        if (const auto name = host->forQt())
            m_valid = m_watcher->addPath(*name);
    connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this, [this] { m_changed = true; });
}

ChangeWatch::~ChangeWatch() = default;

bool ChangeWatch::takeChanged()
{
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

Result<bool> moveToTrash(const QString &windowsPath)
{
    const auto host = DriveTable::current().toHost(WinPath(windowsPath));
    struct stat st;
    if (!host || ::lstat(host->c_str(), &st) != 0)
        return HostError{Err::FileNotFound, host ? errno : 0};
    // Qt's trash and removal name files by text: what they cannot name stays.
    const auto name = host->forQt();
    if (!name)
        return HostError{Err::PermissionDenied, 0};
    if (QFile::moveToTrash(*name))
        return true;
    const bool removed = S_ISDIR(st.st_mode) ? QDir(*name).removeRecursively() : QFile::remove(*name);
    if (!removed)
        return HostError{Err::PermissionDenied, 0};
    return false;
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
