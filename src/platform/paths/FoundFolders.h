#pragma once

#include <QString>

#include <optional>

namespace qv
{

// A host name as a Windows path component: a "\" (which would split the path) is
// carried as U+F05C, as POSIX layers on Windows do; the real name comes back from
// the scan's record of host locations.
QString windowsName(const QString &hostName);
constexpr char16_t kCarriedBackslash = 0xF05C;

// The folders the last scan read, Windows path -> host location, so that a copy that
// follows reaches each found file by its exact name without resolving a path again.
// driveDir: the host folder of the scanned drive (a changed table forgets them).
void startFoundFolders(const QString &driveDir);
void rememberFoundFolder(const QString &windowsFolder, const QString &host);

// Host location of a file in a folder the last scan read: the name exactly as written
// (never matched without regard to case), a carried "\" put back.
// driveDir: the host folder of the path's drive now (a changed table forgets them).
std::optional<QString> foundHostPath(const QString &windowsPath, const QString &driveDir);
void forgetFoundFiles();

} // namespace qv
