#include "UnattendedRun.h"
#include "app/CommandTest.h"

using namespace qv;

namespace
{
class RestoreCommandTest : public qvtest::CommandTest
{
protected:
    RestoreCommandTest()
    {
        drives.writeFile("D:\\Sikring\\Backup av Dok\\a.txt", "a");
        drives.writeFile("D:\\Sikring\\Backup av Dok\\Brev\\b.txt", "b");
        useTemplates({{"Dok", "C:\\Data\\Dok\\", "D:\\Sikring\\"}});
    }
};
} // namespace

TEST(RestoreArgumentsTest, TimeTargetAndPathsBelongToRestoreOnly)
{
    const CommandLine c = CommandLine::parse(
        {"--restore", "Dok", "--from", "2026-12-07T17:45", "--to", "/tmp/ut", "Brev", "a.txt"});
    EXPECT_EQ(c.action, CommandLine::Action::Restore);
    EXPECT_EQ(c.restoreFrom, QDateTime(QDate(2026, 12, 7), QTime(17, 45)));
    EXPECT_EQ(c.restoreTo, "/tmp/ut");
    EXPECT_EQ(c.restorePaths, (QStringList{"Brev", "a.txt"}));
    // A date alone means the end of that day.
    EXPECT_EQ(CommandLine::parse({"--restore=Dok", "--from=2026-12-07"}).restoreFrom,
              QDateTime(QDate(2026, 12, 7), QTime(23, 59)));
    for (const QStringList &bad : QList<QStringList>{{"--restore"},
                                                     {"--restore", "Dok", "--from", "07.12.2026"},
                                                     {"--restore", "Dok", "--from", "2026-02-30"},
                                                     {"--run", "Dok", "--to", "/tmp"},
                                                     {"--run", "Dok", "--restore", "Dok"},
                                                     {"--all", "a.txt"}})
        EXPECT_EQ(CommandLine::parse(bad).action, CommandLine::Action::Invalid)
            << bad.join(' ').toStdString();
}

TEST_F(RestoreCommandTest, ExitStatusSaysWhatCameBack)
{
    EXPECT_EQ(run({"--restore", "dok"}), ExitFinished) << err.toStdString();
    EXPECT_EQ(drives.readFile("C:\\Data\\Dok\\Brev\\b.txt"), "b");
    EXPECT_TRUE(out.contains("Gjenoppretting fullført.\n2 filer ble hentet tilbake.\n"));
    EXPECT_TRUE(out.contains("BackupLoggGjenoppretting.txt"));

    // A host folder for --to; a path the backup does not hold is named, with status 1.
    const QString to = drives.hostRoot('C') + "/Ut";
    EXPECT_EQ(run({"--restore", "Dok", "--to", to, "Brev", "mangler.txt"}), ExitNotCopied);
    EXPECT_EQ(drives.readFile("C:\\Ut\\Brev\\b.txt"), "b");
    EXPECT_FALSE(drives.exists("C:\\Ut\\a.txt"));
    EXPECT_TRUE(err.contains("mangler.txt: finnes ikke i sikkerhetskopien"));

    EXPECT_EQ(run({"--restore", "Dok", "--from", "2020-01-01"}), ExitFailed);
    EXPECT_TRUE(err.contains("Finner ingen sikkerhetskopi av «Dok»"));
    EXPECT_EQ(run({"--restore", "Ukjent"}), ExitBadArguments);
    EXPECT_EQ(run({"--restore", "Dok", "--to", "/finnes/ikke/på/noen/stasjon"}), ExitBadArguments);
}
