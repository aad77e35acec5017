#pragma once
#include "engine/BackupLog.h"
#include "engine/BackupRun.h"
#include "engine/Copier.h"
#include "engine/Exclusions.h"
#include "engine/FileScan.h"
#include "engine/RunState.h"
#include "engine/Templates.h"
#include "engine/ZipBackup.h"

namespace qv
{

// The engine behind the main window: its state and the modules that work on it.
// The window and the scripting driver both drive this one object.
class BackupEngine
{
public:
    BackupEngine();
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

    // The engine's share of opening the main window.
    void startUp();
    // The engine's share of closing it: the unsaved-changes question and the
    // remembered selection. False keeps the window open.
    bool close();

    // Check and option clicks of the window.
    void chkUnderkat_Click();
    void chkZip_Click();
    void optAlle_Click();
    void optEndrede_Click();

    enum class FolderField { Fra, Til };
    // The folder chooser returned: valgtMappe is the chosen folder ("" when cancelled),
    // openedWith the folder it was opened with.
    void folderChosen(FolderField field, const QString &valgtMappe, const QString &openedWith);
};

} // namespace qv
