#include "support/OtherUser.h"
#include <sys/xattr.h>

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

bool giveToNobody(const QString &hostRoot)
{
    openUpToRoot(hostRoot);
    QDirIterator it(hostRoot, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    bool all = ::chown(QFile::encodeName(hostRoot).constData(), 65534, 65534) == 0;
    while (it.hasNext())
        all = ::lchown(QFile::encodeName(it.next()).constData(), 65534, 65534) == 0 && all;
    return all;
}

bool shareWithNobody(const QString &host)
{
    const QByteArray path = QFile::encodeName(host);
    ::chmod(path.constData(), 0600);
    // The kernel's form: version 2, then tag, permissions and id per entry.
    const unsigned char list[] = {2,    0,    0,    0,    1,    0,    6,    0,    0xFF, 0xFF, 0xFF,
                                  0xFF, 2,    0,    4,    0,    0xFE, 0xFF, 0,    0,    4,    0,
                                  0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0,    4,    0,    0xFF,
                                  0xFF, 0xFF, 0xFF, 0x20, 0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    return ::setxattr(path.constData(), "system.posix_acl_access", list, sizeof list, 0) == 0;
}

} // namespace qvtest
