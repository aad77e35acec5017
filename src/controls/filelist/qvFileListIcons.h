#pragma once
#include <QIcon>
#include <QString>

// Icons of the file list: one per type, except for the types whose files carry their
// own icon (programs, shortcuts, archives...) and entries without an extension.
namespace qv::qvFileListIcons
{

// "#EXT#" for a file that shares its type's icon, "%" + the lower-case path for an
// entry that gets its own. A folder always gets its own, whatever its name ends in
// (with shell types its type text is "Filmappe").
QString keyFor(const QString &fullPath, const QString &typeText, bool isFolder = false);

struct Pair {
    QIcon small; // 16 x 16
    QIcon large; // 32 x 32
};
// The host's icon for the entry, ghosted at half strength when dimmed, with the
// shortcut arrow for a link.
Pair iconsFor(const QString &fullPath, bool isFolder, bool dimmed, bool isLink);

} // namespace qv::qvFileListIcons
