#pragma once
#include "engine/RunState.h"

namespace qv
{

// The run's log text: header and trailer of each template's block, the two log
// files and showing them in the text viewer.
class BackupLog
{
public:
    explicit BackupLog(RunState &state) : s(state) {}

    void General_LoggHode();
    // Closes a template's block; true when files could not be copied.
    bool trailer();
    void General_SkrivLogg(const QString &fileName);
    void General_VisLogg(const QString &path);

    void mnuFilVisLoggEn_Click();
    void mnuFilVisLoggAlle_Click();

private:
    RunState &s;
};

} // namespace qv
