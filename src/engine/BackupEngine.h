#pragma once
#include "engine/BackupLog.h"
#include "engine/BackupRun.h"
#include "engine/Copier.h"
#include "engine/Exclusions.h"
#include "engine/FileScan.h"
#include "engine/RunState.h"
#include "engine/Templates.h"
#include "engine/UserActions.h"
#include "engine/ZipBackup.h"

namespace qv
{

// The engine behind the main window: its state, the modules that work on it, and
// the user's actions, through which the window and the scripting driver drive it.
class BackupEngine
{
public:
    BackupEngine() = default;
    BackupEngine(const BackupEngine &) = delete;
    BackupEngine &operator=(const BackupEngine &) = delete;

    RunState state;
    Templates templates{state};
    Exclusions exclusions{state};
    FileScan scan{state};
    Copier copier{state, templates};
    ZipBackup zip{state, templates};
    BackupLog log{state};
    BackupRun run{state, templates, scan, copier, zip, log};
    UserActions actions{*this};
};

} // namespace qv
