#pragma once
#include "platform/base/Result.h"

#include <QChar>
#include <QString>

namespace qv
{

// Folder operations of the tree control, on Windows paths.

// Creates exactly one folder; its parent must exist and the name must be free.
bool createFolder(const QString &path);

// Gives the folder oldPath the name and place newPath (same drive). A case-only
// change of the name is a rename too. Fails 53/76 when oldPath is no folder,
// 58 when newPath names another existing entry, 52 for a name the host cannot
// hold, 70/75 when refused.
Result<void> renameFolder(const QString &oldPath, const QString &newPath);

// Removes a folder with everything below it, never following a link out of it.
// Fails 76 when it is not there, 70 when something could not be removed.
Result<void> deleteFolderForGood(const QString &path);

// The drive answers: it is in the table, mounted, and its root can be read.
bool driveReady(QChar letter);

// inner is the folder outer or lies below it however it is reached: its deepest
// existing folder and every folder above it are compared with outer by device and
// inode, so a link or a bind mount into outer counts. False when outer is missing.
bool folderWithin(const QString &inner, const QString &outer);

namespace hostfs
{
// What removing a tree did: the files removed, and whether nothing stayed.
struct RemovedTree {
    int files = 0;
    bool all = true;
};
// Removes the folder name in the folder parent (a descriptor, or AT_FDCWD for a path)
// with everything below it, by the names' bytes; links go as links, never followed.
// openReadOnly: each folder is first opened to its owner (as a read-only folder kept
// as its source had it must be, for the removal).
RemovedTree removeTreeAt(int parent, const char *name, bool openReadOnly);
} // namespace hostfs

} // namespace qv
