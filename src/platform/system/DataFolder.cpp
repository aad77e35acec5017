#include "platform/system/DataFolder.h"

#include "platform/base/UserFolders.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/system/ErrorRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qv
{

namespace
{
const QString kLockName = QStringLiteral(".qvbackup.lock");

std::optional<HostPath> programFolderHost()
{
    const QString pf = programFolder();
    if (pf.isEmpty())
        return std::nullopt;
    return DriveTable::current().toHost(WinPath(pf));
}

bool writableHere(const HostPath &host)
{
    return !host.isEmpty() && ::faccessat(AT_FDCWD, host.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// A folder of the user's, made when missing.
HostPath madeFolder(const QString &hostText)
{
    if (!hostText.isEmpty())
        QDir().mkpath(hostText);
    return HostPath::fromText(hostText);
}

// A file the program wrote into its folder in earlier versions.
bool isOldDataFile(const QString &name)
{
    return name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".krt"), Qt::CaseInsensitive);
}

struct Moved {
    QStringList names;
    QStringList kept; // the new place has its own already
};

// Moves (or copies) the regular files of fromHost that pass keep() to their new place.
Moved moveFiles(const HostPath &fromHost, bool copyOnly, const std::function<bool(const QString &)> &keep)
{
    Moved m;
    const auto from = fromHost.forQt();
    if (!from)
        return m;
    const QFileInfoList files = QDir(*from).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &f : files) {
        if (f.isSymLink())
            continue;
        if (f.fileName() == kLockName) {
            if (!copyOnly)
                QFile::remove(f.filePath());
            continue;
        }
        if (!keep(f.fileName()))
            continue;
        const auto targetHost = DriveTable::current().toHost(WinPath(dataFile(f.fileName())));
        if (!targetHost)
            continue;
        const auto target = targetHost->forQt();
        if (!target)
            continue;
        if (QFileInfo::exists(*target)) {
            m.kept << f.fileName();
            continue;
        }
        // QFile::rename copies across file systems.
        if (copyOnly ? QFile::copy(f.filePath(), *target) : QFile::rename(f.filePath(), *target))
            m.names << f.fileName();
    }
    return m;
}

void noteMove(const QString &errorLogName, const HostPath &from, const Moved &m, bool copied)
{
    if (m.names.isEmpty())
        return;
    QString text = (copied ? "Kopiert fra " : "Flyttet fra ") + from.text() + ": " + m.names.join(", ") +
                   ". Ny plass: " + userFolderHost(DataKind::Settings) + " og " +
                   userFolderHost(DataKind::Logs) + ".";
    if (!m.kept.isEmpty())
        text += " Beholdt der (finnes fra før): " + m.kept.join(", ") + ".";
    appendErrorRecord(errorLogName, QStringLiteral("DataFolder"), QStringLiteral("moveOldDataFiles"), 0,
                      text);
}
} // namespace

bool isPrivateProgramFolder(const HostPath &hostFolder, uid_t uid)
{
    if (hostFolder.isEmpty())
        return false;
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(hostFolder.c_str(), nullptr),
                                                           &std::free);
    if (!real)
        return false;
    const QByteArray bytes(real.get());
    if (bytes == "/usr" || bytes.startsWith("/usr/"))
        return false;
    struct stat st;
    if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid)
        return false;
    // By its mode, not by access(): root may write anywhere, but a folder made
    // read-only is not meant to be written.
    if ((st.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR))
        return false;
    struct statvfs vfs;
    return ::statvfs(bytes.constData(), &vfs) == 0 && !(vfs.f_flag & ST_RDONLY);
}

bool dataInProgramFolder()
{
    const auto host = programFolderHost();
    return host && isPrivateProgramFolder(*host, ::geteuid());
}

DataKind dataKindOf(const QString &fileName)
{
    return fileName.startsWith(QStringLiteral("BackupLogg"), Qt::CaseInsensitive) ||
                   fileName.startsWith(QStringLiteral("Error"), Qt::CaseInsensitive)
               ? DataKind::Logs
               : DataKind::Settings;
}

QString dataFolder(DataKind kind)
{
    if (dataInProgramFolder())
        return programFolder();
    const QString host = userFolderHost(kind);
    const auto windows = DriveTable::current().toWindows(HostPath::fromText(host));
    if (!windows)
        return programFolder();
    // Qt's own text of the folder: its calls name it.
    if (!QFileInfo::exists(host) && QDir().mkpath(host))
        QFile::setPermissions(host, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return windows->text();
}

QString dataFile(const QString &fileName)
{
    return (WinPath(dataFolder(dataKindOf(fileName))) / fileName).text();
}

HostPath lockFolder()
{
    if (dataInProgramFolder())
        return programFolderHost().value_or(HostPath());
    // The variable's own bytes: the folder is named exactly as the session gave it.
    HostPath runtime(qgetenv("XDG_RUNTIME_DIR"));
    struct stat st;
    if (runtime.bytes().startsWith('/') && ::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        writableHere(runtime))
        return runtime;
    const HostPath state = madeFolder(userFolderHost(DataKind::Logs));
    return writableHere(state) ? state : HostPath();
}

int moveOldDataFiles(const QString &errorLogName)
{
    if (dataInProgramFolder())
        return 0;
    int count = 0;
    const QString pf = programFolder();
    const QString appData = localAppDataFolder();
    if (pf.size() > 3 && !appData.isEmpty()) {
        const WinPath store = WinPath(appData) / QStringLiteral("VirtualStore");
        const auto storeHost = DriveTable::current().toHost(store);
        const auto mirrorHost = DriveTable::current().toHost(store / pf.mid(3));
        const QString mirror = mirrorHost ? mirrorHost->forQt().value_or(QString()) : QString();
        if (storeHost && !mirror.isEmpty() && QFileInfo(mirror).isDir()) {
            const Moved m = moveFiles(*mirrorHost, false, [](const QString &) { return true; });
            noteMove(errorLogName, *mirrorHost, m, false);
            count += int(m.names.size());
            // The emptied mirror goes, up to VirtualStore itself.
            for (QString dir = mirror; dir.size() >= storeHost->text().size();
                 dir = QFileInfo(dir).absolutePath())
                if (!QDir().rmdir(dir))
                    break;
        }
    }
    if (const auto host = programFolderHost()) {
        // Root's files written into an installed program folder move; another user's
        // start takes a copy of the templates an administrator left there.
        const bool mine = writableHere(*host);
        const Moved m = moveFiles(*host, !mine, [mine](const QString &name) {
            return isOldDataFile(name) && (mine || dataKindOf(name) == DataKind::Settings);
        });
        noteMove(errorLogName, *host, m, !mine);
        count += int(m.names.size());
    }
    return count;
}

} // namespace qv
