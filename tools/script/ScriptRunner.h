#pragma once
#include "engine/BackupEngine.h"
#include "platform/base/Clock.h"
#include "platform/base/ScriptedDialog.h"

#include <QStringList>
#include <QTextStream>
#include <memory>

namespace qv
{

// Runs a script of user actions against the engine, answering every dialogue from
// the script, and writes a transcript. The format is in docs/scripting.md.
class ScriptRunner
{
public:
    enum Result { Ok = 0, ScriptError = 2, UnexpectedDialogue = 3 };

    explicit ScriptRunner(QTextStream &out);
    ~ScriptRunner();

    Result run(const QStringList &lines);
    BackupEngine &engine() { return *m_engine; }
    ScriptedDialog &dialogue() { return m_dialog; }
    // What "print state" shows: every control's value and flags, the run flags.
    static QString stateText(const RunState &s);

private:
    void execute(const QString &command, const QStringList &args, const QString &rest);
    void closeWindow();
    void flushDialogue();
    void printStatus();
    void printFiles();
    void printState();
    void printTemplates();
    void printTextFile(const QString &name);
    QString programFolderFile(const QString &name) const;

    QTextStream &m_out;
    ScriptedDialog m_dialog;
    std::unique_ptr<BackupEngine> m_engine;
    std::unique_ptr<FixedClock> m_clock;
    // The file of the next copy or zip step at which a scripted Esc or close arrives.
    int m_escAfterFile = -1;
    int m_closeAfterFile = -1;
};

} // namespace qv
