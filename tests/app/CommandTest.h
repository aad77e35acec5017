#pragma once
#include "UnattendedRun.h"
#include "support/RunFixture.h"

namespace qvtest
{

// The program's command line over a RunTest's files; each run's output in out and err.
class CommandTest : public RunTest
{
protected:
    ~CommandTest() override { qv::UnattendedDialog::resetStopRequest(); }
    int run(const QStringList &args, bool terminal = true)
    {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        const int status = qv::runCommandLine(qv::CommandLine::parse(args), o, e, terminal);
        o.flush();
        e.flush();
        return status;
    }
    QString out, err;
};

} // namespace qvtest
