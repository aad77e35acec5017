#pragma once

#include "platform/paths/HostPath.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qv
{

// A host name as a Windows path component: a "\" (which would split the path) is
// carried as U+F05C, as POSIX layers on Windows do; a U+F05C or U+F05B the host name
// holds itself is written after a U+F05B, so no two host names meet. The real name
// comes back from the scan's record of host locations.
QString windowsName(const QString &hostName);
// The reverse, on a name or on any text holding carried names (a path, a log).
QString hostNameText(const QString &carried);
constexpr char16_t kCarriedBackslash = 0xF05C;
constexpr char16_t kCarryEscape = 0xF05B;

// The folders the last scan read, Windows path -> host location, so that a copy that
// follows reaches each found file by its exact name without resolving a path again.
// driveDir: the host folder of the scanned drive (a changed table forgets them).
void startFoundFolders(const HostPath &driveDir);
void rememberFoundFolder(const QString &windowsFolder, const HostPath &host);

// Host location of a file in a folder the last scan read: the name exactly as written
// (never matched without regard to case), a carried "\" put back.
// driveDir: the host folder of the path's drive now (a changed table forgets them).
std::optional<QString> foundHostPath(const QString &windowsPath, const HostPath &driveDir);
void forgetFoundFiles();
// Links to files the last scan found (host paths): their mark is the mark of the file
// they lead to.
void rememberFoundLink(const QByteArray &hostPath);
bool foundAsLink(const QByteArray &hostPath);

} // namespace qv
