#pragma once
#include "engine/RunState.h"

#include <optional>

namespace qv
{

// Loading, selecting, saving, overwriting, deleting and resetting templates, and
// the template file BackupMal.txt in both of its formats.
class Templates
{
public:
    explicit Templates(RunState &state);

    void General_LesMal();
    void General_LesMalOld();
    void General_SkrivMalfil();
    void General_LagreMal();
    void General_NyMal();

    void cboMal_Click(); // a template was selected
    void qvbNy_Click();
    void qvbSlett_Click();
    void chkAlleMaler_Click();  // the all-templates box was ticked or unticked
    void setAlleMaler(bool on); // sets the box, running its Click when it changes

    // The remembered selection (settings "Tilpass"/"BackupIndex").
    void restoreSelection();
    void storeSelection();
    // The unsaved-changes question at close; false keeps the window open.
    bool queryClose();

    // The name under which an unreadable template file is kept aside.
    static const QString kUnreadableCopy;

private:
    QString beginLoad();
    void finishLoad();
    // Tells the mark catalog which destinations the templates name.
    void nameDestinations();
    void clearActiveTemplate();
    void disableTemplateCommands();
    void keepUnreadableCopy();
    BackupMal windowValues(const QString &name) const;
    static std::optional<QString> fileLine(const BackupMal &m, bool quotedFlags);

    RunState &s;
    QStringList m_keptLines; // lines of the file that could not be read, kept as they were
};

} // namespace qv
