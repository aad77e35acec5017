#pragma once
#include <QChar>
#include <QString>

namespace qv
{

// Folder operations of the tree control, on Windows paths.

// Creates exactly one folder; its parent must exist and the name must be free.
bool createFolder(const QString &path);

// Gives the folder oldPath the name and place newPath (same drive). A case-only
// change of the name is a rename too. Throws 53/76 when oldPath is no folder,
// 58 when newPath names another existing entry, 52 for a name the host cannot
// hold, 70/75 when refused.
void renameFolder(const QString &oldPath, const QString &newPath);

// Removes a folder with everything below it, never following a link out of it.
// Throws 76 when it is not there, 70 when something could not be removed.
void deleteFolderForGood(const QString &path);

// The drive answers: it is in the table, mounted, and its root can be read.
bool driveReady(QChar letter);

} // namespace qv
