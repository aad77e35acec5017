#include "DesktopNotifier.h"
#include "UnattendedRun.h"
#include "platform/base/PlatformError.h"
#include "support/RunFixture.h"

#include <QFile>

using namespace qv;

namespace
{
class UnattendedTest : public qvtest::RunTest
{
protected:
    UnattendedTest()
    {
        drives.writeFile("C:\\Data\\a.txt", "a");
        drives.writeFile("C:\\Data\\Under\\b.txt", "bb");
        drives.writeFile("C:\\Data\\c.txt", "ccc");
    }
    ~UnattendedTest() override { UnattendedDialog::resetStopRequest(); }

    int run(const QStringList &args)
    {
        QTextStream o(&out), e(&err);
        const int status = runCommandLine(CommandLine::parse(args), o, e);
        o.flush();
        e.flush();
        return status;
    }
    QString out, err;
};
} // namespace

TEST_F(UnattendedTest, OneTemplateRunsWithoutQuestionsAndWritesItsLog)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}, {"Annet", "C:\\Annet\\", "D:\\Sikring\\"}});
    EXPECT_EQ(run({"--run", "data"}), ExitFinished) << err.toStdString();
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Data\\Under\\b.txt"), "bb");
    EXPECT_TRUE(out.contains("Fant 3 fil(er) som det bør tas backup av.\n"));
    EXPECT_TRUE(out.contains("  fil 3 av 3 (100 %)\n"));
    EXPECT_TRUE(out.contains("\nBackup fullført.\n"));
    EXPECT_TRUE(log().contains("  C:\\Data\\Under\\b.txt\r\n"));
    EXPECT_TRUE(log().contains("Fullført: \t\t"));
    // The run stamps the template as the window does.
    EXPECT_TRUE(programFileBytes("BackupMal.txt").contains(runTime().toLatin1()));
    EXPECT_TRUE(err.isEmpty());
}

TEST_F(UnattendedTest, AllTemplatesShareOneLog)
{
    drives.writeFile("C:\\Annet\\d.txt", "d");
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}, {"Annet", "C:\\Annet\\", "D:\\Sikring\\"}});
    EXPECT_EQ(run({"--all"}), ExitFinished);
    EXPECT_TRUE(drives.exists("D:\\Sikring\\Backup av Annet\\d.txt"));
    EXPECT_TRUE(drives.exists("D:\\Sikring\\Backup av Data\\c.txt"));
    EXPECT_TRUE(out.contains("Mal «Annet»: fant 1 fil(er).\n"));
    EXPECT_TRUE(out.contains("Mal «Data»: fant 3 fil(er).\n"));
    EXPECT_TRUE(out.contains("\nSikkerhetskopiering fullført.\n"));
    const QString all = log("BackupLoggAlle.txt");
    EXPECT_TRUE(all.contains("Backup mal: \t\tAnnet") && all.contains("Backup mal: \t\tData"));
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupLoggEnkel.txt"));
}

TEST_F(UnattendedTest, FilesNotCopiedGiveOneAndAFullDiskStopsWithTwo)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}});
    setCopyFaultHook([](const QString &dest, quint64) {
        if (dest.endsWith("\\a.txt"))
            throw PlatformError(Err::PermissionDenied);
    });
    EXPECT_EQ(run({"--run", "Data"}), ExitNotCopied);
    // A locked file does not stop the run: the next files are copied.
    EXPECT_TRUE(drives.exists("D:\\Sikring\\Backup av Data\\c.txt"));
    EXPECT_TRUE(
        out.contains("Backup fullført, men en eller flere filer ble ikke kopiert pga. tilgangsfeil,"));
    EXPECT_TRUE(log().contains("Filer som ikke ble kopiert pga. tilgangsfeil."));

    int copies = 0;
    setCopyFaultHook([&](const QString &, quint64) {
        if (++copies == 2)
            throw PlatformError(Err::DiskFull);
    });
    out.clear();
    EXPECT_EQ(run({"--run", "Data", "--all"}), ExitBadArguments);
    EXPECT_EQ(run({"--all"}), ExitFailed);
    EXPECT_EQ(copies, 2); // stopped at the full disk, not asked to go on
    EXPECT_TRUE(err.contains("Mottaker-disken er full. Kjøringen stoppes.\n"));
}

TEST_F(UnattendedTest, AStopRequestEndsTheRunAsEscDoes)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}});
    UnattendedDialog::requestStop();
    EXPECT_EQ(run({"--run", "Data"}), ExitFailed);
    EXPECT_TRUE(out.contains("Backup avbrutt av bruker."));
    EXPECT_TRUE(log().contains("Manuelt avbrutt: \t1 filer ble fullført."));
}

TEST_F(UnattendedTest, UnknownOrUnusableTemplates)
{
    EXPECT_EQ(run({"--all"}), ExitBadArguments); // nothing saved yet
    EXPECT_TRUE(err.contains("Det finnes ingen lagrede maler"));
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}, {"Inni", "C:\\Data\\", "C:\\Data\\Sikring\\"}});
    EXPECT_EQ(run({"--run", "Bilder"}), ExitBadArguments);
    EXPECT_TRUE(err.contains("Finner ingen mal med navnet «Bilder». Lagrede maler: «Data», «Inni»."));
    // A template the window would not start is not started here either.
    EXPECT_EQ(run({"--run", "Inni"}), ExitFailed);
    EXPECT_FALSE(drives.exists("C:\\Data\\Sikring"));
    EXPECT_EQ(run({"--bogus"}), ExitBadArguments);
    EXPECT_TRUE(err.contains("Skriv qvbackup --help"));
}

TEST_F(UnattendedTest, NothingToCopyIsAFinishedRun)
{
    useTemplates({{"Tom", "C:\\Tom\\", "D:\\Sikring\\", true, true}});
    drives.makeDir("C:\\Tom");
    EXPECT_EQ(run({"--run", "Tom"}), ExitFinished);
    EXPECT_TRUE(out.contains("Fant ingen nye eller endrede filer i den valgte mappen."));
}

TEST(DesktopNotifierTest, NoBusNoNotification)
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    // The test's runtime folder has no bus socket.
    EXPECT_FALSE(sessionBusPresent());
    EXPECT_FALSE(notifyDesktop("Backup fullført.", "1 fil kopiert."));
    if (!address.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
}
