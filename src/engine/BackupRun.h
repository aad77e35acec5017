#pragma once
#include "engine/BackupLog.h"
#include "engine/Copier.h"
#include "engine/FileScan.h"
#include "engine/RunState.h"
#include "engine/Templates.h"
#include "engine/ZipBackup.h"

namespace qv
{

// The Start command: one template, or all templates in one pass, from the scan to
// the end message and the log file.
class BackupRun
{
public:
    BackupRun(RunState &state, Templates &templates, FileScan &scan, Copier &copier, ZipBackup &zip,
              BackupLog &log)
        : s(state), t(templates), m_scan(scan), m_copier(copier), m_zip(zip), m_log(log)
    {
    }

    // Runs and fills the run state's outcome, which the end message and status line
    // are made from; an unattended run leaves both to its caller.
    void qvbStart_Click();
    const RunOutcome &outcome() const { return s.outcome; }

private:
    void runOne();
    void runAll();
    TemplateOutcome &beginTemplate();
    // The scan; the number of files found.
    int scan();
    void backupStep();
    void showFoundFiles();
    // The status line and end message made from the outcome; true: the user asked to see the log.
    bool showEnd();
    void writeLog(const QString &logFile, bool show);

    RunState &s;
    Templates &t;
    FileScan &m_scan;
    Copier &m_copier;
    ZipBackup &m_zip;
    BackupLog &m_log;
};

} // namespace qv
