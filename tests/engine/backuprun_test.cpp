#include "support/RunFixture.h"

using namespace qv;
using qvtest::RunTest;

class RunCommandTest : public RunTest
{
protected:
    void SetUp() override
    {
        drives.writeFile("C:\\En\\a.txt", "a");
        drives.makeDir("C:\\To");
        drives.writeFile("C:\\Tre\\c.txt", "c");
        useTemplates({{"1 En", "C:\\En\\", "D:\\S\\"},
                      {"2 To", "C:\\To\\", "D:\\S\\", true, true, true},
                      {"3 Tre", "C:\\Tre\\", "D:\\S\\"}});
    }
    QStringList blocks(const QString &l) { return l.split(QString(49, '*') + "\r\n\r\n\r\n\r\n"); }
};

TEST_F(RunCommandTest, NothingFoundWritesNoLogAndKeepsThePreviousOne)
{
    writeProgramFile("BackupLoggEnkel.txt", "forrige logg");
    select("2 To");
    dialog.queueAnswer(Answer::OK);
    start();
    EXPECT_EQ(dialog.messages(), QStringList{"Fant ingen nye eller endrede filer i den valgte mappen."});
    EXPECT_TRUE(dialog.transcript()[0].contains("[OK] [Information]"));
    EXPECT_EQ(programFileBytes("BackupLoggEnkel.txt"), "forrige logg");
    EXPECT_TRUE(state().qvbStart.enabled);
}

TEST_F(RunCommandTest, NoAtTheConfirmationWritesNoLog)
{
    select("1 En");
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupLoggEnkel.txt"));
    EXPECT_FALSE(drives.exists("D:\\S\\Backup av En\\a.txt"));
    EXPECT_TRUE(state().LoggTekst.isEmpty());
}

TEST_F(RunCommandTest, MissingSourceFolderIsCaughtBeforeTheScan)
{
    useTemplates({{"Borte", "C:\\Borte\\", "D:\\S\\"}});
    select("Borte");
    dialog.queueAnswer(Answer::OK);
    start();
    EXPECT_EQ(dialog.messages(),
              QStringList{
                  "Mappen du vil ta backup av eksisterer ikke.\nSørg for at det er valgt en gyldig mappe."});
}

TEST_F(RunCommandTest, AllTemplatesGiveOneBlockEachAndRestoreTheSelection)
{
    useTemplates({{"1 En", "C:\\En\\", "D:\\S\\"},
                  {"2 To", "C:\\To\\", "D:\\S\\"},
                  {"3 Tre", "C:\\Tre\\", "D:\\S\\"}});
    select("3 Tre");
    engine().templates.setAlleMaler(true);
    EXPECT_FALSE(state().optAlle.visible);
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_TRUE(dialog.messages()[0].startsWith(
        "Du har valgt å ta backup av alle malene i en fortløpende prosess,\n"));
    EXPECT_EQ(dialog.messages()[1], "Sikkerhetskopiering fullført.\nVil du se loggfilen for detaljer?");
    using namespace qvtest;
    const QString done = "Fullført: \t\t" + runTime() + kCrLf;
    EXPECT_EQ(log("BackupLoggAlle.txt"),
              logHeader("1 En", "C:\\En\\", "D:\\S\\", 1, runTime()) + "  C:\\En\\a.txt" + kCrLf + done +
                  blockEnd() + logHeader("2 To", "C:\\To\\", "D:\\S\\", 0, runTime()) + blockEnd() +
                  logHeader("3 Tre", "C:\\Tre\\", "D:\\S\\", 1, runTime()) + "  C:\\Tre\\c.txt" + kCrLf +
                  done + blockEnd() + kCrLf);
    EXPECT_EQ(state().cboMal.text(), "3 Tre");
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupLoggEnkel.txt"));
    EXPECT_FALSE(state().AlleMalerKjorer);
    // Selecting afterwards updates the commands as usual.
    select("1 En");
    EXPECT_TRUE(state().qvbSlett.enabled);
    EXPECT_TRUE(state().qvbStart.enabled);
}

TEST_F(RunCommandTest, AllTemplatesStopAfterAFailingZipTemplate)
{
    drives.writeFile("C:\\To\\b.txt", "b");
    drives.writeFile("D:\\S\\Backup av To 2026_12_07  kl_1747.zip", "finnes");
    select("1 En");
    engine().templates.setAlleMaler(true);
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::OK); // "Filen finnes fra før."
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(dialog.messages()[1], "Filen finnes fra før.");
    EXPECT_EQ(dialog.messages()[2],
              "Sikkerhetskopiering feilet. Mal «2 To»: Zip-filen D:\\S\\Backup av To "
              "2026_12_07  kl_1747.zip finnes fra før.\nVil du se loggfilen for detaljer?");
    const QStringList b = blocks(log("BackupLoggAlle.txt"));
    ASSERT_EQ(b.size(), 3); // two blocks: the third template is not run
    EXPECT_TRUE(b[1].contains("Til zipfil: \t\tJa"));
    EXPECT_FALSE(drives.exists("D:\\S\\Backup av Tre\\c.txt"));
    EXPECT_FALSE(state().Avbrutt);
}

TEST_F(RunCommandTest, HeaderSaysNoZipForAnAllFilesTemplateWithTheBoxTicked)
{
    useTemplates({{"Z", "C:\\En\\", "D:\\S\\", true, false, true}});
    select("Z");
    state().chkZip.value = true;
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_TRUE(log().contains("Til zipfil: \t\tNei\r\n"));
    EXPECT_TRUE(drives.exists("D:\\S\\Backup av En\\a.txt"));
}

TEST_F(RunCommandTest, ShowingLogs)
{
    dialog.queueAnswer(Answer::OK);
    engine().log.mnuFilVisLoggAlle_Click();
    EXPECT_EQ(dialog.messages(),
              QStringList{"C:\\Program\\Backup\\BackupLoggAlle.txt\nblir ikke opprettet før en "
                          "backup er kjørt."});
    writeProgramFile("BackupLoggEnkel.txt", "x");
    qputenv("QVBACKUP_TEXT_VIEWER", "/ingen/slik/viser");
    dialog.queueAnswer(Answer::OK);
    engine().log.mnuFilVisLoggEn_Click();
    qunsetenv("QVBACKUP_TEXT_VIEWER");
    EXPECT_EQ(dialog.messages().last(),
              "Finner ikke filen Notepad.exe.\n\nSjekk at programmet finnes i Windows mappen.");
    EXPECT_TRUE(dialog.transcript().last().contains("-> OK"));
    EXPECT_TRUE(dialog.transcript().join('\n').contains("title=\"Åpning av loggfil feilet\""));
}

TEST_F(RunCommandTest, LogsHoldNorwegianLettersInOneByteEach)
{
    drives.writeFile("C:\\En\\blåbær.txt", "x");
    select("1 En");
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::No);
    start();
    const QByteArray bytes = programFileBytes("BackupLoggEnkel.txt");
    EXPECT_TRUE(bytes.contains("  C:\\En\\bl\xE5\x62\xE6r.txt\r\n"));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
}

TEST_F(RunCommandTest, UnwritableLogIsReportedByTheRunAndItsTextKept)
{
    drives.makeDir("C:\\Program\\Backup\\BackupLoggEnkel.txt"); // a folder where the log goes
    select("1 En");
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::No);
    dialog.queueAnswer(Answer::OK); // the error message
    start();
    ASSERT_EQ(dialog.messages().size(), 3);
    EXPECT_TRUE(dialog.messages()[2].contains("Prosedyre: qvbStart_Click"))
        << dialog.messages()[2].toStdString();
    EXPECT_TRUE(state().LoggTekst.startsWith("Backup mal: \t\t1 En\r\n"));
    EXPECT_FALSE(state().Avbrutt);
    EXPECT_TRUE(state().qvbStart.enabled);
    EXPECT_TRUE(programFileBytes("Error_Backup.txt").contains("Prosedyre: qvbStart_Click"));
}
