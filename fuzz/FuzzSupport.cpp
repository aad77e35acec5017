#include "FuzzSupport.h"

#include "engine/modBackup.h"
#include "platform/paths/DriveTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvfuzz
{

namespace
{
void setDir(const char *var, const QString &path)
{
    QDir().mkpath(path);
    qputenv(var, QFile::encodeName(path));
}

Sandbox makeSandbox()
{
    static QTemporaryDir dir(QDir::tempPath() + "/qvfuzz-XXXXXX");
    Sandbox s;
    s.root = dir.path();
    for (const char *var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        setDir(var, s.root + "/" + QString::fromLatin1(var).toLower());
    setDir("XDG_RUNTIME_DIR", s.root + "/runtime");
    ::chmod(QFile::encodeName(s.root + "/runtime").constData(), 0700);
    s.programHost = s.root + "/c/Program/Backup";
    QDir().mkpath(s.programHost);
    QDir().mkpath(s.root + "/d");
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + s.root + "/c;D=" + s.root + "/d"));
    qputenv("QVBACKUP_PROGRAM_DIR", "C:\\Program\\Backup");
    qputenv("QVBACKUP_TEXT_VIEWER", "/nonexistent/viewer"); // never start a program
    qunsetenv("LocalAppData");
    qv::setDialog(nullptr);
    return s;
}
} // namespace

const Sandbox &sandbox()
{
    static const Sandbox s = makeSandbox();
    return s;
}

void resetFiles()
{
    const Sandbox &s = sandbox();
    QDir(s.programHost).removeRecursively();
    QDir(s.root + "/d").removeRecursively();
    QDir().mkpath(s.programHost);
    QDir().mkpath(s.root + "/d");
}

// Where the program keeps the file, as the program itself finds it.
QString programHost(const QString &name)
{
    const auto host = qv::DriveTable::current().toHost(qv::WinPath(qv::programFile(name)));
    if (!host)
        fail("no host path for " + name);
    return host->text();
}

void writeProgramFile(const QString &name, const QByteArray &bytes)
{
    writeFreshFile(programHost(name), bytes);
}

QByteArray readProgramFile(const QString &name)
{
    QFile f(programHost(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFreshFile(const QString &hostPath, const QByteArray &bytes)
{
    static long long stamp = 1000000000;
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    const QByteArray path = QFile::encodeName(hostPath);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot write " + hostPath);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            fail("cannot write " + hostPath);
        done += n;
    }
    ::close(fd);
    const struct timespec times[2] = {{++stamp, 0}, {stamp, 0}};
    ::utimensat(AT_FDCWD, path.constData(), times, 0);
}

void startWithProgramFile(const QString &name, const QByteArray &bytes, CountingDialog &dialog)
{
    sandbox();
    resetFiles();
    writeProgramFile(name, bytes);
    qv::setDialog(&dialog);
}

qv::Answer CountingDialog::messageBox(const QString &text, qv::Buttons buttons, qv::Icon, const QString &,
                                      int defaultButton)
{
    ++messages;
    last = text;
    return qv::defaultAnswer(buttons, defaultButton);
}

std::vector<qv::BackupMal> sortedRows(const std::vector<qv::BackupMal> &rows)
{
    std::vector<qv::BackupMal> out = rows;
    std::stable_sort(out.begin(), out.end(), [](const qv::BackupMal &a, const qv::BackupMal &b) {
        const int c = a.Malnavn.compare(b.Malnavn, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : describe(a) < describe(b);
    });
    return out;
}

bool sameRow(const qv::BackupMal &a, const qv::BackupMal &b)
{
    return a.Malnavn == b.Malnavn && a.Fra == b.Fra && a.Til == b.Til && a.Underkat == b.Underkat &&
           a.Endrede == b.Endrede && a.SistKjort == b.SistKjort && a.LagZip == b.LagZip;
}

QString describe(const qv::BackupMal &m)
{
    return QStringList{m.Malnavn, m.Fra, m.Til, m.Underkat, m.Endrede, m.SistKjort, m.LagZip}.join(u'|');
}

void fail(const QString &what)
{
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n", what.toUtf8().constData());
    std::abort();
}

} // namespace qvfuzz
