#pragma once
#include "platform/base/UserFolders.h"
#include "platform/paths/HostPath.h"

#include <QString>

#include <sys/types.h>

namespace qv
{

// Where the program keeps the files it writes. A program folder that is the user's
// own and writable (a build tree, a private copy) keeps them beside the program. Any
// other (an installed copy under /usr, another user's folder, a read-only one) never
// gets a file: templates, the exclusion list and favourites go to
// $XDG_CONFIG_HOME/qvbackup, logs and error logs to $XDG_STATE_HOME/qvbackup.

// The decision on a host folder for the user uid (root included).
bool isPrivateProgramFolder(const HostPath &hostFolder, uid_t uid);
// The decision for the running program and its program folder.
bool dataInProgramFolder();

// Logs: BackupLogg*.txt and the error logs (Error*, ERROR*); Settings: the rest.
DataKind dataKindOf(const QString &fileName);

// Windows path of the folder for that kind (made when missing). When the user's
// folder is reached by no drive, the program folder.
QString dataFolder(DataKind kind);
// Windows path of a data file by its name.
QString dataFile(const QString &fileName);

// Host folder for the instance lock: the program folder when it holds the data,
// else $XDG_RUNTIME_DIR (the state folder when there is none). Empty when none.
HostPath lockFolder();

// Moves files left in the old places into the user's folders, once: the per-user
// mirror (<LocalAppData>/VirtualStore/<program folder>) and the program folder's own
// *.txt files when the program folder is not the data folder (copied when it cannot
// be written). A file the new place already has stays where it is. Returns how many
// were moved or copied; a line in the error log errorLogName says what was done.
int moveOldDataFiles(const QString &errorLogName);

} // namespace qv
