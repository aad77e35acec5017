#pragma once
#include "platform/paths/HostPath.h"
#include "platform/paths/WinPath.h"

#include <QChar>
#include <QString>
#include <optional>
#include <vector>

namespace qv
{

// Drive type codes as the platform reports them.
enum class DriveType {
    Unknown = 0,
    NoRoot = 1,
    Removable = 2,
    Fixed = 3,
    Network = 4,
    CdRom = 5,
    RamDisk = 6
};

struct Drive {
    QChar letter;     // upper case
    HostPath hostDir; // absolute host folder, no trailing "/" (except "/"); empty when not mounted
    DriveType type = DriveType::Fixed;
    QString label;
    QString share;       // "\\server\share" for network drives, else empty
    bool mounted = true; // a remembered volume that is not mounted keeps its letter
};

// Letter -> host folder. From QVBACKUP_DRIVES when set
// ("C=/srv/c;D=/media/usb:2:USB;X=/net/share:4::\\server\share"), else C: = "/" plus
// mounted volumes with stable letters. Re-read whenever QVBACKUP_DRIVES changes.
class DriveTable
{
public:
    static const DriveTable &current();
    static DriveTable parse(const QString &spec); // the QVBACKUP_DRIVES syntax
    static DriveTable fromDrives(std::vector<Drive> drives);
    // The default table from /proc/self/mountinfo text: C: = "/" plus the volumes
    // under /media, /run/media and /mnt, with the letters remembered in the
    // "qvbackup"/"drives" settings.
    static DriveTable fromMountInfo(const QByteArray &mountInfo);

    const std::vector<Drive> &drives() const { return m_drives; }
    const Drive *drive(QChar letter) const;

    // Windows path -> host path, each component matched exactly first, then without
    // regard to case (first match in directory order). A component that matches
    // nothing is kept as written (so a path to a file yet to be made resolves).
    // Empty result: no such drive, not a drive path, or a path no host path can hold
    // (see hostCanCarry): such a path is refused, never cut short.
    std::optional<HostPath> toHost(const WinPath &windowsPath) const;
    // Host path -> Windows path through the drive with the longest prefix.
    std::optional<WinPath> toWindows(const HostPath &hostPath) const;

private:
    std::optional<QString> hostText(const QString &windowsPath) const;
    std::vector<Drive> m_drives;
};

// The program folder as a Windows path, without trailing "\" unless a drive root:
// QVBACKUP_PROGRAM_DIR when set, else the executable's folder through the table.
QString programFolder();

// The path with the drive letter and each existing component spelled as the file
// system spells them ("c:\data\dokumenter\" -> "C:\Data\Dokumenter\"); the
// rest as written, and the path unchanged where no drive reaches it.
QString realSpelling(const QString &windowsPath);

// "C:\Data\Dokumenter\ (/home/ola/Dokumenter)": a Windows path with the host folder
// it stands for, so a user can find it; the path alone where no drive reaches it.
QString pathWithHost(const QString &windowsPath);

// The per-user application data folder as a Windows path: the environment variable
// "LocalAppData" when set, else the XDG data home through the table ("" when no
// drive reaches it).
QString localAppDataFolder();

// A host path's text form (HostPath::text): the file system's bytes are UTF-8 where valid, and
// every byte of an invalid sequence is carried as the lone surrogate U+DC00 + byte,
// so any host name converts back to the very same bytes.
QByteArray hostPathBytes(const QString &hostPath);
QString hostPathFromBytes(const char *bytes, qsizetype length);
inline QString hostPathFromBytes(const QByteArray &b)
{
    return hostPathFromBytes(b.constData(), b.size());
}
// Whether hostPathBytes keeps every character of the text: no NUL (it would end the
// path early) and no lone surrogate but the carried bytes U+DC80..U+DCFF.
bool hostCanCarry(QStringView text);

// Host-layer internals: toHost keeps a case-insensitive index of the folders it
// searched; the layer's own writes keep it current.
namespace hostcache
{
void noteCreated(const HostPath &created);
void forget(const HostPath &folder);
} // namespace hostcache

} // namespace qv
