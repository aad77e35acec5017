#pragma once
#include "engine/BackupEngine.h"
#include "platform/base/ScriptedDialog.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <memory>

namespace qvtest
{

// A program folder on a temporary C: (D: for destinations, S: for a whole-drive source), a scripted dialogue
// and a fresh engine for each test.
class EngineTest : public ::testing::Test
{
protected:
    EngineTest() : drives("CDS") { qv::setDialog(&dialog); }
    ~EngineTest() override { qv::setDialog(nullptr); }

    qv::BackupEngine &engine()
    {
        if (!m_engine)
            m_engine = std::make_unique<qv::BackupEngine>();
        return *m_engine;
    }
    qv::RunState &state() { return engine().state; }
    // A new engine over the same files, as at the next program start.
    qv::BackupEngine &restart()
    {
        m_engine = std::make_unique<qv::BackupEngine>();
        return *m_engine;
    }
    QByteArray programFileBytes(const QString &name) const
    {
        return drives.readFile(drives.programFolder() + "\\" + name);
    }
    void writeProgramFile(const QString &name, const QByteArray &bytes)
    {
        drives.writeFile(drives.programFolder() + "\\" + name, bytes);
    }

    TempDrives drives;
    qv::ScriptedDialog dialog;

private:
    std::unique_ptr<qv::BackupEngine> m_engine;
};

} // namespace qvtest
