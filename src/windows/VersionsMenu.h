#pragma once
class QMenu;

namespace qv
{
class RunState;

// The entries for earlier versions, read-back and kept zip archives, added at the end
// of a menu. Values are asked for through the user dialogue and kept in the settings.
void addVersionEntries(QMenu *menu, RunState &state);

} // namespace qv
