#pragma once
#include <QString>
#include <functional>

namespace qv
{
class BackupEngine;
struct Toggle;

// What a user can do in the main window, as the engine carries it out. The window
// and the scripting driver both come here, so a click means one thing whichever
// front end delivers it; they only turn their input into one of these calls.
//
// The calls that stand for a control return false when that control is disabled
// or hidden: nothing happens, as with a click on it in the window.
class UserActions
{
public:
    enum class FolderField { Fra, Til };
    // Opens the folder chooser: title, the folder it opens with, whether its
    // new-folder button is hidden; returns the chosen folder ("" when cancelled).
    using FolderChooser =
        std::function<QString(const QString &title, const QString &start, bool hideNewFolder)>;

    explicit UserActions(BackupEngine &engine);

    // The window opened: templates, the remembered selection, the exclusion list.
    void startUp();
    // The window is asked to close. While a run goes on it asks whether to stop the
    // run and stays open; otherwise the unsaved-changes question (Cancel keeps the
    // window open) and the remembered selection. True: the window goes now.
    bool close();
    // After start(): a close was confirmed during the run, which has now stopped.
    bool closeAfterRun() const { return m_closeAfterRun; }
    // Esc, whatever has the focus and whatever runs.
    void escPressed();

    bool selectTemplate(int index);
    // A click on a box that leaves it at value (a release over the box that keeps
    // its value counts as a click too).
    bool checkUnderkat(bool value);
    bool checkZip(bool value);
    bool checkAlleMaler(bool value);
    bool checkFullSti(bool value);
    bool optionAlle();
    bool optionEndrede();
    bool chooseFolder(FolderField field, const FolderChooser &choose);
    bool chooseFolder(FolderField field, const QString &chosen); // a chooser that returns chosen
    bool newTemplate();
    bool saveTemplate();
    bool deleteTemplate();
    bool start();
    bool showLog(bool allTemplates);

private:
    template <typename F> bool guarded(bool live, F &&body);
    // A box that belongs to the template: the template counts as changed.
    bool checkTemplateSetting(Toggle &box, bool value);

    BackupEngine &e;
    bool m_running = false;
    bool m_closeAfterRun = false;
};

} // namespace qv
