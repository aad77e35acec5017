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

    void qvbStart_Click();

private:
    void runOne();
    void runAll();
    void backupStep();
    void showFoundFiles();

    RunState &s;
    Templates &t;
    FileScan &m_scan;
    Copier &m_copier;
    ZipBackup &m_zip;
    BackupLog &m_log;
};

} // namespace qv
