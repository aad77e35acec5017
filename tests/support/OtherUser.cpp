#include "support/OtherUser.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvtest
{

int asNobody(const std::function<int()> &f)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? (WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status)) : -1;
}

void openUpToRoot(const QString &host)
{
    QString p = host;
    while (p.size() > 1) {
        struct stat st {
        };
        ::stat(QFile::encodeName(p).constData(), &st);
        ::chmod(QFile::encodeName(p).constData(), (st.st_mode & 07777) | 0055);
        p = QFileInfo(p).absolutePath();
    }
}

void giveToNobody(const QString &hostRoot)
{
    openUpToRoot(hostRoot);
    QDirIterator it(hostRoot, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    ::chown(QFile::encodeName(hostRoot).constData(), 65534, 65534);
    while (it.hasNext())
        ::lchown(QFile::encodeName(it.next()).constData(), 65534, 65534);
}

} // namespace qvtest
