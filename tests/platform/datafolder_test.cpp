#include "platform/base/Settings.h"
#include "platform/files/TextFile.h"
#include "platform/system/DataFolder.h"
#include "platform/system/ErrorRecord.h"
#include "platform/system/InstanceLock.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qv;

namespace
{
// A drive C: holding the program folder and the user's XDG folders, so both are
// Windows paths.
class DataFolderTest : public ::testing::Test
{
protected:
    DataFolderTest() : drives("C")
    {
        for (const char *var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            saved.emplace_back(var, qgetenv(var));
        setXdg("XDG_CONFIG_HOME", "C:\\home\\.config");
        setXdg("XDG_STATE_HOME", "C:\\home\\.local\\state");
        setXdg("XDG_DATA_HOME", "C:\\home\\.local\\share");
        setXdg("XDG_RUNTIME_DIR", "C:\\run");
        drives.setProgramFolder("C:\\usr\\lib\\qvbackup");
    }
    ~DataFolderTest() override
    {
        ::chmod(QFile::encodeName(program()).constData(), 0755);
        for (const auto &[var, value] : saved)
            qputenv(var, value);
    }
    void setXdg(const char *var, const QString &windows)
    {
        drives.makeDir(windows);
        qputenv(var, QFile::encodeName(drives.host(windows)));
    }
    QString program() const { return drives.host("C:\\usr\\lib\\qvbackup"); }
    // Not the user's own: another owner (root may write anywhere, so ownership decides).
    void install() { ::chmod(QFile::encodeName(program()).constData(), 0555); }

    qvtest::TempDrives drives;
    std::vector<std::pair<const char *, QByteArray>> saved;
};
} // namespace

TEST(DataFolderDecision, OnlyTheUsersOwnWritableFolderHoldsTheData)
{
    QTemporaryDir build;
    const uid_t me = ::geteuid();
    EXPECT_TRUE(isPrivateProgramFolder(HostPath::fromText(build.path()), me));      // a build tree
    EXPECT_FALSE(isPrivateProgramFolder(HostPath::fromText(build.path()), me + 1)); // another user's
    EXPECT_FALSE(isPrivateProgramFolder(HostPath::fromText("/usr/bin"), 0)); // installed, also for root
    EXPECT_FALSE(isPrivateProgramFolder(HostPath::fromText(build.path() + "/none"), me));
    // A link into /usr counts as /usr.
    QFile::link("/usr/bin", build.path() + "/bin");
    EXPECT_FALSE(isPrivateProgramFolder(HostPath::fromText(build.path() + "/bin"), 0));
    ::chmod(QFile::encodeName(build.path()).constData(), 0555); // made read-only
    EXPECT_FALSE(isPrivateProgramFolder(HostPath::fromText(build.path()), me));
    ::chmod(QFile::encodeName(build.path()).constData(), 0700);
}

TEST_F(DataFolderTest, AnInstalledCopyWritesIntoTheUsersFoldersOnly)
{
    // The build tree: everything beside the program, the lock too.
    EXPECT_TRUE(dataInProgramFolder());
    EXPECT_EQ(dataFile("BackupMal.txt"), "C:\\usr\\lib\\qvbackup\\BackupMal.txt");
    EXPECT_EQ(InstanceLock::lockFilePath().text(), program() + "/.qvbackup.lock");

    install();
    EXPECT_FALSE(dataInProgramFolder());
    EXPECT_EQ(dataFile("BackupMal.txt"), "C:\\home\\.config\\qvbackup\\BackupMal.txt");
    EXPECT_EQ(dataFile("BackupUtelat.txt"), "C:\\home\\.config\\qvbackup\\BackupUtelat.txt");
    EXPECT_EQ(dataFile("BackupLoggAlle.txt"), "C:\\home\\.local\\state\\qvbackup\\BackupLoggAlle.txt");
    EXPECT_EQ(dataFile("ERROR_qvTree.txt"), "C:\\home\\.local\\state\\qvbackup\\ERROR_qvTree.txt");
    ASSERT_TRUE(writeTextFile(dataFile("BackupMal.txt"), "\"A\"\r\n").ok());
    appendErrorRecord("Error_Backup.txt", "m", "p", 53, "x");
    EXPECT_EQ(drives.readFile("C:\\home\\.config\\qvbackup\\BackupMal.txt"), "\"A\"\r\n");
    EXPECT_TRUE(
        drives.readFile("C:\\home\\.local\\state\\qvbackup\\Error_Backup.txt").contains("Feil nr: 53"));
    const QString lock = InstanceLock::lockFilePath().text();
    EXPECT_TRUE(lock.startsWith(drives.host("C:\\run") + "/qvbackup-")) << lock.toStdString();
    EXPECT_EQ(QDir(program()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}

TEST_F(DataFolderTest, OldFilesMoveOverOnceWithALineInTheErrorLog)
{
    const QString mirror = "C:\\home\\.local\\share\\VirtualStore\\usr\\lib\\qvbackup\\";
    drives.writeFile(mirror + "BackupMal.txt", "\"Fra speilet\"\r\n");
    drives.writeFile(mirror + "BackupLoggEnkel.txt", "logg");
    drives.writeFile(mirror + "BackupUtelat.txt", "gammel");
    drives.writeFile(mirror + ".qvbackup.lock", "");
    drives.writeFile("C:\\home\\.config\\qvbackup\\BackupUtelat.txt", "ny"); // already there: kept
    // Root's own earlier runs wrote into the program folder itself.
    drives.writeFile("C:\\usr\\lib\\qvbackup\\BackupLoggAlle.txt", "alle");
    drives.writeFile("C:\\usr\\lib\\qvbackup\\qvbackup", "program");
    install();
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(program()).constData(), 0755), 0);
        ASSERT_EQ(::chown(QFile::encodeName(program()).constData(), 65534, 65534), 0);
    }

    const int moved = moveOldDataFiles("Error_Backup.txt");
    EXPECT_EQ(moved, ::geteuid() == 0 ? 3 : 2);
    EXPECT_EQ(drives.readFile("C:\\home\\.config\\qvbackup\\BackupMal.txt"), "\"Fra speilet\"\r\n");
    EXPECT_EQ(drives.readFile("C:\\home\\.local\\state\\qvbackup\\BackupLoggEnkel.txt"), "logg");
    EXPECT_EQ(drives.readFile("C:\\home\\.config\\qvbackup\\BackupUtelat.txt"), "ny");
    EXPECT_FALSE(drives.exists(mirror + "BackupMal.txt"));
    EXPECT_FALSE(drives.exists(mirror + ".qvbackup.lock"));
    EXPECT_TRUE(drives.exists(mirror + "BackupUtelat.txt"));
    if (::geteuid() == 0) {
        EXPECT_EQ(drives.readFile("C:\\home\\.local\\state\\qvbackup\\BackupLoggAlle.txt"), "alle");
        EXPECT_EQ(QDir(program()).entryList(QDir::Files | QDir::Hidden), QStringList{"qvbackup"});
    }
    const QByteArray log = drives.readFile("C:\\home\\.local\\state\\qvbackup\\Error_Backup.txt");
    EXPECT_TRUE(log.contains("Flyttet fra " + QFile::encodeName(drives.host(mirror.chopped(1))) +
                             ": BackupLoggEnkel.txt, BackupMal.txt."))
        << log.constData();
    EXPECT_TRUE(log.contains("BackupUtelat.txt")); // kept, and said so

    // Once: nothing more moves, and nothing more is written.
    EXPECT_EQ(moveOldDataFiles("Error_Backup.txt"), 0);
    EXPECT_EQ(drives.readFile("C:\\home\\.local\\state\\qvbackup\\Error_Backup.txt"), log);
}

TEST_F(DataFolderTest, SettingsMoveFromTheOldGenericFileOnce)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    {
        QSettings old(config + "/Backup.conf", QSettings::IniFormat);
        old.setValue("Vindu/Venstre", "1500");
    }
    EXPECT_EQ(getSetting("Vindu", "Venstre"), "1500");
    EXPECT_TRUE(QFile::exists(config + "/qvbackup/qvbackup.conf"));
    saveSetting("Vindu", "Venstre", "3000");
    {
        QSettings old(config + "/Backup.conf", QSettings::IniFormat);
        old.setValue("Vindu/Venstre", "4500"); // read once only
    }
    EXPECT_EQ(getSetting("Vindu", "Venstre"), "3000");
}
