#pragma once
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
    QChar letter;    // upper case
    QString hostDir; // absolute host folder, no trailing "/" (except "/")
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
    // Empty result: no such drive, or not a drive path.
    std::optional<QString> toHost(const QString &windowsPath) const;
    // Host path -> Windows path through the drive with the longest prefix.
    std::optional<QString> toWindows(const QString &hostPath) const;

private:
    std::vector<Drive> m_drives;
};

// The program folder as a Windows path, without trailing "\" unless a drive root:
// QVBACKUP_PROGRAM_DIR when set, else the executable's folder through the table.
QString programFolder();

// Environment variable as text ("" when unset). "LocalAppData" (any letter case)
// falls back to the XDG data home expressed through the drive table.
QString environmentVariable(const QString &name);

// The per-user application data folder as a Windows path: the environment variable
// "LocalAppData" when set, else the XDG data home through the table ("" when no
// drive reaches it).
QString localAppDataFolder();

// Host paths travel as QString; the file system's bytes are UTF-8 where valid, and
// every byte of an invalid sequence is carried as the lone surrogate U+DC00 + byte,
// so any host name converts back to the very same bytes.
QByteArray hostPathBytes(const QString &hostPath);
QString hostPathFromBytes(const char *bytes, qsizetype length);
inline QString hostPathFromBytes(const QByteArray &b)
{
    return hostPathFromBytes(b.constData(), b.size());
}

// Host-layer internals: toHost keeps a case-insensitive index of the folders it
// searched; the layer's own writes keep it current.
namespace hostcache
{
void noteCreated(const QString &hostDir, const QString &name);
void forget(const QString &hostDir);
} // namespace hostcache

} // namespace qv
