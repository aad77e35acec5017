#pragma once
// Earlier versions of the files in a mirror, one stamp folder per run that replaced a
// file: "<destination>\Eldre versjoner av <name>\<yyyy_MM_dd  kl_HHmm>\<path in the mirror>".
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace qv::versions
{

// "2026_12_09  kl_0812" for a local time, and back (nothing for any other name).
QString stampOf(const QDateTime &local);
std::optional<QDateTime> timeOfStamp(const QString &name);

// Removes the stamp folders below root (a Windows folder) whose time lies more than
// days days before now; days 0 removes them all. The number of files removed.
int removeOlderThan(const QString &root, int days, const QDateTime &now);

// Before a copy replaces target: its old copy is kept at version (folders made as
// needed), by a hard link where the file system has them, else by a rename. Nothing
// when there is no old copy, when it is the same version (same size and modification
// time as the copy replacing it), or when an earlier run in the same minute kept one.
// targetFolder: the target's folder, open (or -1), so that it need not be looked up.
enum class Kept { No, Linked, Moved };
Kept keepOldCopy(const QByteArray &target, const QByteArray &version, std::int64_t newSize,
                 std::int64_t newMtimeNs, int targetFolder = -1);

} // namespace qv::versions
