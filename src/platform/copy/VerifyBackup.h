#pragma once
// Reads a backup back and compares it with its source: content (XXH3, 64 bits), size
// and modification time.
#include "platform/paths/HostPath.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace qv::verify
{

enum class Same { Yes, No, BackupUnreadable, SourceUnreadable };
// The content of copy against source's. copyFromDisk: the copy is made durable and
// its cached pages dropped first, so what is read is what the disk holds.
Same sameContent(const QByteArray &source, const QByteArray &copy, bool copyFromDisk);

struct Finding {
    enum Kind { Missing, Size, Content, Time, BackupUnreadable, SourceUnreadable } kind;
    HostPath relative; // below the source root
    std::int64_t sourceSize = 0, backupSize = 0;
};
struct Report {
    int compared = 0;
    std::vector<Finding> findings; // in the order of the source's paths
    bool unreadable = false;       // the backup (the archive itself, or a copy) could not be read
};

// Which source files the backup takes, by name (the exclusion list).
using Wanted = std::function<bool(const QString &name)>;

// Folders and archives are Windows paths. A folder or drive that cannot be found
// makes the report unreadable.

// Every file of the source (below its folders when recursive) against its copy at the
// same path below the mirror; a file missing there is named.
Report compareMirror(const QString &sourceFolder, const QString &mirrorFolder, bool recursive,
                     const Wanted &wanted);

// Every file entry of the archive below the source folder against the source file
// (entry names are paths below the source's drive). An archive holds what was new or
// changed, so a source file not in it is no difference.
Report compareArchive(const QString &archive, const QString &sourceFolder);

// A finding's path below the source as a Windows path ("sub\name").
QString relativeText(const HostPath &relative);

} // namespace qv::verify
