#include "engine/BackupEngine.h"

#include "engine/modBackup.h"
#include "platform/PlatformError.h"

namespace qv
{

BackupEngine::BackupEngine() = default;

void BackupEngine::startUp()
{
    RunState &s = state;
    try {
        s.lsv1.createColumns();
        templates.General_LesMal();
        templates.restoreSelection();
        if (s.cboMal.count() > 1)
            s.chkAlleMaler.enabled = true;
        exclusions.General_LesUtelat(false);
    } catch (const PlatformError &e) {
        // The window still opens with what was loaded.
        General_LoggFeil(QStringLiteral("frmBackup"), QStringLiteral("Form_Load"), e.number(),
                         e.description());
    }
}

bool BackupEngine::close()
{
    if (!templates.queryClose())
        return false;
    templates.storeSelection();
    return true;
}

void BackupEngine::chkUnderkat_Click()
{
    state.MalEndret = true;
    state.General_Opptatt(false);
}

void BackupEngine::chkZip_Click()
{
    chkUnderkat_Click();
}

void BackupEngine::optAlle_Click()
{
    state.setOptAlle(true);
    state.MalEndret = true;
    if (!state.AlleMalerKjorer)
        state.General_Opptatt(false);
}

void BackupEngine::optEndrede_Click()
{
    state.setOptEndrede(true);
    state.MalEndret = true;
    if (!state.AlleMalerKjorer)
        state.General_Opptatt(false);
}

void BackupEngine::folderChosen(FolderField field, const QString &valgtMappe, const QString &openedWith)
{
    if (valgtMappe.isEmpty())
        return;
    if (valgtMappe.compare(openedWith, Qt::CaseInsensitive) != 0)
        state.MalEndret = true;
    if (field == FolderField::Fra) {
        state.Fra = valgtMappe;
        state.showFra(valgtMappe);
    } else {
        state.Til = valgtMappe;
        state.showTil(valgtMappe);
    }
    state.General_SjekkMottaker();
}

} // namespace qv
