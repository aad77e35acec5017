#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <utility>
#include <vector>

namespace qvtest
{

// A program the tests start, by fork and exec. QProcess starts programs with a
// vfork-style clone that the thread sanitizer does not see; it then takes every
// later lock of the starting thread for none, and reports races that are not.
class ChildProcess
{
public:
    // The program is looked up in PATH; env adds to the test's own environment.
    ChildProcess(const QString &program, const QStringList &args,
                 const std::vector<std::pair<QByteArray, QByteArray>> &env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return m_pid; }
    // The next line of standard output without its end, empty after 10 s or at the end.
    QByteArray readLine();
    // Reads both outputs to their end and gives the exit status, -1 if it did not exit.
    int finish();
    void kill();
    const QByteArray &standardOutput() const { return m_out; }
    const QByteArray &standardError() const { return m_err; }

private:
    bool readSome(int timeoutMs);

    pid_t m_pid = -1;
    int m_outFd = -1, m_errFd = -1;
    int m_status = -1;
    QByteArray m_out, m_err;
    qsizetype m_lineStart = 0;
};

struct ProgramRun {
    int exitCode;
    QByteArray output, errors;
};
ProgramRun runProgram(const QString &program, const QStringList &args);

} // namespace qvtest
