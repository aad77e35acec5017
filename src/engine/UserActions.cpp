#include "engine/UserActions.h"

#include "engine/BackupEngine.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"

namespace qv
{

namespace
{

bool live(const Toggle &t)
{
    return t.enabled && t.visible;
}
} // namespace

UserActions::UserActions(BackupEngine &engine) : e(engine) {}

// The engine's handlers catch their own errors, except a selection in the template
// box: whatever gets this far is logged under that handler's name.
template <typename F> bool UserActions::guarded(bool live, F &&body)
{
    if (!live)
        return false;
    try {
        body();
    } catch (const PlatformError &err) {
        General_LoggFeil(kMainWindowModule, QStringLiteral("cboMal_Click"), err.number(), err.description());
    }
    return true;
}

void UserActions::startUp()
{
    RunState &s = e.state;
    try {
        s.lsv1.createColumns();
        e.templates.General_LesMal();
        e.templates.restoreSelection();
        if (s.cboMal.count() > 1)
            s.chkAlleMaler.enabled = true;
        e.exclusions.General_LesUtelat(false);
    } catch (const PlatformError &err) {
        // The window still opens with what was loaded.
        General_LoggFeil(kMainWindowModule, QStringLiteral("Form_Load"), err.number(), err.description());
    }
}

bool UserActions::close()
{
    RunState &s = e.state;
    // The run works on the window's thread: the window goes only once the run has
    // stopped, so no run goes on unseen.
    if (m_running) {
        if (!m_closeAfterRun && msgBox(QStringLiteral("Vil du avbryte kopieringen?"), Buttons::YesNo,
                                       Icon::Question) == Answer::Yes) {
            m_closeAfterRun = true;
            s.stopConfirmed = true;
            s.escPressed();
        }
        return false;
    }
    m_closeAfterRun = false;
    if (!e.templates.queryClose())
        return false;
    e.templates.storeSelection();
    return true;
}

void UserActions::escPressed()
{
    e.state.escPressed();
}

bool UserActions::selectTemplate(int index)
{
    return guarded(e.state.cboMal.enabled, [&] { e.state.cboMal.setListIndex(index); });
}

bool UserActions::checkTemplateSetting(Toggle &box, bool value)
{
    RunState &s = e.state;
    return guarded(live(box), [&] {
        box.value = value;
        s.MalEndret = true;
        s.General_Opptatt(false);
    });
}

bool UserActions::checkUnderkat(bool value)
{
    return checkTemplateSetting(e.state.chkUnderkat, value);
}

bool UserActions::checkZip(bool value)
{
    return checkTemplateSetting(e.state.chkZip, value);
}

bool UserActions::checkAlleMaler(bool value)
{
    RunState &s = e.state;
    return guarded(live(s.chkAlleMaler), [&] {
        s.chkAlleMaler.value = value;
        e.templates.chkAlleMaler_Click();
    });
}

bool UserActions::checkFullSti(bool value)
{
    RunState &s = e.state;
    return guarded(live(s.chkFullSti), [&] {
        s.chkFullSti.value = value;
        s.lvw1().setShowFullPath(value);
    });
}

bool UserActions::optionAlle()
{
    RunState &s = e.state;
    return guarded(live(s.optAlle), [&] {
        s.setOptAlle(true);
        s.MalEndret = true;
        if (!s.AlleMalerKjorer)
            s.General_Opptatt(false);
    });
}

bool UserActions::optionEndrede()
{
    RunState &s = e.state;
    return guarded(live(s.optEndrede), [&] {
        s.setOptEndrede(true);
        s.MalEndret = true;
        if (!s.AlleMalerKjorer)
            s.General_Opptatt(false);
    });
}

bool UserActions::chooseFolder(FolderField field, const FolderChooser &choose)
{
    RunState &s = e.state;
    const bool fra = field == FolderField::Fra;
    Command &button = fra ? s.qvbFra : s.qvbTil;
    return guarded(button.enabled, [&] {
        const QString opened = fra ? s.Fra : s.Til;
        QString chosen;
        {
            // Out of reach while its chooser is open.
            struct Reenable {
                Command &c;
                ~Reenable() { c.enabled = true; }
            } reenable{button};
            button.enabled = false;
            if (choose)
                chosen = choose(fra ? QStringLiteral("Velg FRA-mappe") : QStringLiteral("Velg TIL-mappe"),
                                opened, fra);
        }
        if (chosen.isEmpty())
            return;
        if (chosen.compare(opened, Qt::CaseInsensitive) != 0)
            s.MalEndret = true;
        if (fra) {
            s.Fra = chosen;
            s.showFra(chosen);
        } else {
            s.Til = chosen;
            s.showTil(chosen);
        }
        s.General_SjekkMottaker();
    });
}

bool UserActions::chooseFolder(FolderField field, const QString &chosen)
{
    return chooseFolder(field, [&](const QString &, const QString &, bool) { return chosen; });
}

bool UserActions::newTemplate()
{
    return guarded(e.state.qvbNy.enabled, [&] { e.templates.qvbNy_Click(); });
}

bool UserActions::saveTemplate()
{
    return guarded(e.state.qvbLagre.enabled, [&] { e.templates.General_LagreMal(); });
}

bool UserActions::deleteTemplate()
{
    return guarded(e.state.qvbSlett.enabled, [&] { e.templates.qvbSlett_Click(); });
}

bool UserActions::start()
{
    RunState &s = e.state;
    return guarded(s.qvbStart.enabled, [&] {
        m_closeAfterRun = false;
        struct Running {
            UserActions &a;
            ~Running()
            {
                a.m_running = false;
                a.e.state.stopConfirmed = false;
            }
        } running{*this};
        m_running = true;
        e.run.qvbStart_Click();
    });
}

bool UserActions::showLog(bool allTemplates)
{
    return guarded(e.state.mnuFil.enabled, [&] {
        if (allTemplates)
            e.log.mnuFilVisLoggAlle_Click();
        else
            e.log.mnuFilVisLoggEn_Click();
    });
}

} // namespace qv
