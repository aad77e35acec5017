// A real install, owned by root, used by a normal user ("nobody"): the user's
// template file, logs and error log land in the user's own folders, never in the
// program folder. (Root and an install under /usr: scripts/package-check.sh.)
#include "support/OtherUser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{
QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray windowsPath(const QString &host)
{
    return "C:" + QDir::toNativeSeparators(host).replace('/', '\\').toUtf8();
}
} // namespace

TEST(InstallTest, AnInstalledCopyKeepsEachUsersFilesInTheirOwnFolder)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to install as one user and run as another";
    QTemporaryDir tmp(QDir::tempPath() + "/qvinstall-XXXXXX");
    const QString prefix = tmp.path() + "/prefix", home = tmp.path() + "/home";
    QProcess install;
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(QV_CMAKE, {"--install", QV_BUILD_ROOT, "--prefix", prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().constData();
    const QString programDir = prefix + "/lib/qvbackup";
    ASSERT_TRUE(QFile::exists(programDir + "/Res/Start.png"));

    // Templates the administrator left in the program folder: one good, one line that
    // cannot be read (it makes an error record).
    const QByteArray shipped = "\"Data\",\"" + windowsPath(home + "/Data/") + "\",\"" +
                               windowsPath(home + "/Sikring/") + "\",-1,0,\"\",0\r\n\"Rest\",\"x\"\r\n";
    write(programDir + "/BackupMal.txt", shipped);
    write(home + "/Data/a.txt", "innhold");
    qvtest::openUpToRoot(programDir);
    ASSERT_TRUE(qvtest::giveToNobody(home));

    const QByteArray exe = QFile::encodeName(prefix + "/bin/qvbackup");
    const QByteArray output = QFile::encodeName(home + "/output.txt");
    QList<QByteArray> env{"HOME=" + QFile::encodeName(home),
                          "XDG_CONFIG_HOME=" + QFile::encodeName(home + "/.config"),
                          "XDG_DATA_HOME=" + QFile::encodeName(home + "/.local/share"),
                          "XDG_STATE_HOME=" + QFile::encodeName(home + "/.local/state"),
                          "QVBACKUP_DRIVES=C=/",
                          "LANG=C.UTF-8",
                          "PATH=/usr/bin:/bin"};
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int status = qvtest::asNobody([&] {
        const int fd = ::open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        char *argv[] = {const_cast<char *>("qvbackup"), const_cast<char *>("--run"),
                        const_cast<char *>("Data"), nullptr};
        ::execve(exe.constData(), argv, envp.data());
        return 254;
    });
    if (status == -1)
        GTEST_SKIP() << "cannot run as another user here";
    // The unreadable line is kept and recorded; the good template runs as asked.
    EXPECT_EQ(status, 0) << read(home + "/output.txt").constData();

    const QString config = home + "/.config/qvbackup", state = home + "/.local/state/qvbackup";
    EXPECT_EQ(read(home + "/Sikring/Backup av Data/a.txt"), "innhold");
    // The templates the administrator left are the user's own copy from the start.
    const QByteArray templates = read(config + "/BackupMal.txt");
    EXPECT_TRUE(templates.startsWith("\"Data\",")) << templates.constData();
    EXPECT_TRUE(templates.contains(" kl. ")); // the last-run stamp
    EXPECT_TRUE(read(state + "/BackupLoggEnkel.txt").contains("Backup mal: \t\tData"));
    EXPECT_TRUE(read(state + "/Error_Backup.txt").contains("Feil nr: 62"));
    EXPECT_FALSE(QFileInfo::exists(home + "/.local/share/VirtualStore"));
    EXPECT_EQ(read(programDir + "/BackupMal.txt"), shipped);

    // A user's start copies, it never moves: the administrator's file stays.
    EXPECT_EQ(QDir(programDir).entryList(QDir::Files | QDir::Hidden),
              QStringList({"BackupMal.txt", "qvbackup"}));
}
