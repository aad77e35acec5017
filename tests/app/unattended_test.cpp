#include "DesktopNotifier.h"
#include "UnattendedRun.h"
#include "app/CommandTest.h"
#include "platform/base/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace
{
class UnattendedTest : public qvtest::CommandTest
{
protected:
    UnattendedTest()
    {
        drives.writeFile("C:\\Data\\a.txt", "a");
        drives.writeFile("C:\\Data\\Under\\b.txt", "bb");
        drives.writeFile("C:\\Data\\c.txt", "ccc");
    }
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
        out.contains("Backup fullført, men en eller flere filer ble ikke kopiert pga. tilgangsfeil.\n"));
    EXPECT_TRUE(log().contains("Filer som ikke ble kopiert pga. tilgangsfeil."));

    int copies = 0;
    setCopyFaultHook([&](const QString &, quint64) {
        if (++copies == 2)
            throw PlatformError(Err::DiskFull);
    });
    EXPECT_EQ(run({"--run", "Data", "--all"}), ExitBadArguments);
    EXPECT_EQ(run({"--all"}), ExitFailed);
    EXPECT_EQ(copies, 2); // stopped at the full disk, not asked to go on
    EXPECT_TRUE(out.contains("Sikkerhetskopiering feilet. Mal «Data»: Mottaker-disken er full.\n"));
}

TEST_F(UnattendedTest, AStopRequestDuringTheScanEndsTheRunThere)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}});
    UnattendedDialog::requestStop();
    EXPECT_EQ(run({"--run", "Data"}), ExitFailed);
    EXPECT_TRUE(out.contains("Backup avbrutt av bruker."));
    EXPECT_FALSE(drives.exists("D:\\Sikring\\Backup av Data"));
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

TEST_F(UnattendedTest, QuietSaysNothingOnSuccessAndProgressNeedsATerminal)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"}});
    EXPECT_EQ(run({"--run", "Data"}, false), ExitFinished);
    EXPECT_FALSE(out.contains("  fil ")) << out.toStdString();
    EXPECT_TRUE(out.contains("\nBackup fullført.\n"));
    // The places a user must find: the host folder beside the Windows path.
    EXPECT_TRUE(out.contains(" til D:\\Sikring\\ (" + drives.hostRoot('D') + "/Sikring)\n"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("Loggen ligger i C:\\Program\\Backup\\BackupLoggEnkel.txt (/"));
    EXPECT_EQ(run({"--run", "Data", "--quiet"}, true), ExitFinished);
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
}

TEST_F(UnattendedTest, DryRunListsWhatWouldBeTakenAndTakesNothing)
{
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\", true, true}});
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(run({"--all", "--dry-run"}), ExitFinished);
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4) << out.toStdString();
        EXPECT_TRUE(lines.contains(drives.host("C:\\Data\\Under\\b.txt")));
        EXPECT_EQ(lines.last(), "Fant 3 fil(er) som det bør tas backup av.");
    }
    EXPECT_FALSE(drives.exists("D:\\Sikring"));
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupLoggAlle.txt"));
}

TEST_F(UnattendedTest, AllSaysWhyATemplateDidNothingAndCountsOnlyFiles)
{
    drives.makeDir("C:\\Tom");
    useTemplates({{"Data", "C:\\Data\\", "D:\\Sikring\\"},
                  {"Inni", "C:\\Data\\", "C:\\Data\\Sikring\\"},
                  {"Borte", "C:\\Borte\\", "D:\\Sikring\\"},
                  {"Tom", "C:\\Tom\\", "D:\\Sikring\\", true, true}});
    QTextStream o(&out), e(&err);
    const RunSummary r = runUnattended(CommandLine::parse({"--all"}), o, e, false);
    EXPECT_EQ(r.status, ExitNotCopied);
    EXPECT_TRUE(out.contains(
        "Mal «Inni»: Malen ble hoppet over: mottaker-mappen ligger i mappen det skal tas backup av.\n"));
    EXPECT_TRUE(
        out.contains("Mal «Borte»: Malen ble hoppet over: mappen det skal tas backup av finnes ikke.\n"));
    EXPECT_TRUE(out.contains("Mal «Tom»: Fant ingen nye eller endrede filer.\n"));
    EXPECT_FALSE(out.contains("Mal «Data»: Malen")) << out.toStdString();
    EXPECT_EQ(r.title, "Backup fullført, men en eller flere filer ble ikke kopiert pga. tilgangsfeil.");
    EXPECT_EQ(r.body, "3 filer kopiert."); // skipped folders are not files
}

TEST_F(UnattendedTest, AFailingZipStepIsNamedAsAFailure)
{
    const QString folder = "C:\\Data\\" + QString(240, 'n') + "\\";
    drives.writeFile(folder + "a.txt", "a");
    useTemplates({{"Lang", folder, "D:\\Sikring\\", true, true, true}});
    QTextStream o(&out), e(&err);
    const RunSummary r = runUnattended(CommandLine::parse({"--run", "Lang"}), o, e, false);
    EXPECT_EQ(r.status, ExitFailed);
    EXPECT_EQ(r.title, "Backup feilet. Zip-filen kunne ikke lages: navnet er for langt.");
    EXPECT_FALSE(out.contains("avbrutt")) << out.toStdString();
}

TEST(DesktopNotifierTest, ABusThatNeverAnswersIsGivenUpAndOneThatAnswersIsTold)
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const auto restore = qScopeGuard([&] { qputenv("DBUS_SESSION_BUS_ADDRESS", address); });
    QTemporaryDir dir;
    const auto listening = [&](const QString &name) {
        const QByteArray path = QFile::encodeName(dir.path() + "/" + name);
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::memcpy(sa.sun_path, path.constData(), size_t(path.size()));
        EXPECT_EQ(::bind(server, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
        EXPECT_EQ(::listen(server, 4), 0);
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);
        return server;
    };
    const int silent = listening("stille");
    // Accepted by the system, never answered.
    EXPECT_FALSE(notifyDesktop("Backup fullført.", "1 fil kopiert.", std::chrono::milliseconds(50)));
    ::close(silent);

    const int server = listening("svarer");
    std::thread bus([&] {
        const int c = ::accept(server, nullptr, nullptr);
        QByteArray got;
        char buf[4096];
        const auto readUntil = [&](const QByteArray &what) {
            ssize_t n = 1;
            while (!got.contains(what) && (n = ::read(c, buf, sizeof buf)) > 0)
                got.append(buf, n);
        };
        readUntil("\r\n");
        (void)!::write(c, "OK 0123456789abcdef0123456789abcdef\r\n", 37);
        readUntil("1 fil kopiert.");
        // A method return whose reply serial is the notification's (2).
        const char reply[] = "l\2\0\1\0\0\0\0\1\0\0\0\x08\0\0\0\x05\1u\0\2\0\0\0";
        (void)!::write(c, reply, sizeof reply - 1);
        ::close(c);
    });
    EXPECT_TRUE(notifyDesktop("Backup fullført.", "1 fil kopiert.", std::chrono::seconds(30)));
    bus.join();
    ::close(server);
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

// A NUL in a folder ended the host path early: the source became its parent (the scan
// recursed without end), the destination the drive root (a user's file overwritten).
TEST_F(UnattendedTest, AFolderHoldingANulIsRefusedAndNothingIsWrittenOutsideTheMirror)
{
    drives.writeFile("D:\\a.txt", "mine");
    const QString nul(QChar(0));
    useTemplates({{"Kilde", "C:\\Data\\" + nul + "Under\\", "D:\\Sikring\\"},
                  {"Mottaker", "C:\\Data\\", "D:\\" + nul + "x\\"}});
    for (const QStringList &args : {QStringList{"--run", "Kilde"}, {"--run", "Mottaker"}, {"--all"}}) {
        EXPECT_EQ(run(args), ExitFailed) << args.join(' ').toStdString();
        EXPECT_FALSE(out.contains("fullført.\n")) << out.toStdString();
    }
    EXPECT_EQ(drives.readFile("D:\\a.txt"), "mine");
    EXPECT_EQ(QDir(drives.hostRoot('D')).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"a.txt"});
}
