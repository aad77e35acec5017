#pragma once
#include <QString>

namespace qv
{

// The two kinds of files the program writes.
enum class DataKind { Settings, Logs };

// Host path of the user's own folder for that kind, made or not: $XDG_CONFIG_HOME/qvbackup
// or $XDG_STATE_HOME/qvbackup (~/.config and ~/.local/state when unset or relative).
QString userFolderHost(DataKind kind);

} // namespace qv
