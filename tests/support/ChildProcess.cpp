#include "support/ChildProcess.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvtest
{

ChildProcess::ChildProcess(const QString &program, const QStringList &args,
                           const std::vector<std::pair<QByteArray, QByteArray>> &env)
{
    // Everything the child needs is made before the fork: it only calls exec.
    std::vector<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString &a : args)
        argBytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const bool replaced = std::any_of(env.begin(), env.end(),
                                          [&](const auto &v) { return entry.startsWith(v.first + '='); });
        if (!replaced)
            envBytes.push_back(entry);
    }
    for (const auto &[name, value] : env)
        envBytes.push_back(name + '=' + value);
    std::vector<char *> envp;
    for (QByteArray &e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        std::abort();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
}

ChildProcess::~ChildProcess()
{
    kill();
    finish();
}

bool ChildProcess::readSome(int timeoutMs)
{
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    const int n = ::poll(fds, 2, timeoutMs);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false;
    QByteArray *into[2] = {&m_out, &m_err};
    int *fd[2] = {&m_outFd, &m_errFd};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0)
            continue;
        char buffer[65536];
        const ssize_t got = ::read(*fd[i], buffer, sizeof buffer);
        if (got > 0) {
            into[i]->append(buffer, got);
        } else if (got == 0 || errno != EINTR) {
            ::close(*fd[i]);
            *fd[i] = -1;
        }
    }
    return true;
}

QByteArray ChildProcess::readLine()
{
    for (;;) {
        const qsizetype end = m_out.indexOf('\n', m_lineStart);
        if (end >= 0) {
            const QByteArray line = m_out.mid(m_lineStart, end - m_lineStart);
            m_lineStart = end + 1;
            return line;
        }
        if (m_outFd < 0 || !readSome(10000))
            return {};
    }
}

int ChildProcess::finish()
{
    while (m_outFd >= 0 || m_errFd >= 0)
        if (!readSome(-1))
            break;
    if (m_pid > 0) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_pid = -1;
    }
    return m_status;
}

void ChildProcess::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

ProgramRun runProgram(const QString &program, const QStringList &args)
{
    ChildProcess child(program, args);
    const int code = child.finish();
    return {code, child.standardOutput(), child.standardError()};
}

} // namespace qvtest
