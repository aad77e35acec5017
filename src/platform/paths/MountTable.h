#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace qv
{

// One line of /proc/self/mountinfo.
struct MountInfo {
    QString mountPoint;
    QString fsType;
    QString source;
    QByteArray root;    // the folder of the file system that is mounted there ("/": all of it)
    QByteArray options; // the file system's own ("super") options
    int major = 0, minor = 0;
};

// The mounts in effect (a later mount on the same point hides the earlier one).
std::vector<MountInfo> parseMountInfo(const QByteArray &text);

// Device path -> name from a /dev/disk/by-label or by-uuid folder.
QHash<QString, QString> diskNames(const QString &folder);

} // namespace qv
