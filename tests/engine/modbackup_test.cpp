#include "engine/modBackup.h"
#include "support/EngineFixture.h"

#include <QGuiApplication>

using namespace qv;
using qvtest::EngineTest;

TEST(PathHelpers, ExtensionIsTheLastDotAfterTheLastBackslashInLowerCase)
{
    EXPECT_EQ(General_FinnFilendelsen("C:\\Data\\Rapport.DOCX"), "docx");
    EXPECT_EQ(General_FinnFilendelsen("C:\\data.old\\README"), "");
    EXPECT_EQ(General_FinnFilendelsen("arkiv.tar.gz"), "gz");
    EXPECT_EQ(General_FinnFilendelsen(".profile"), "profile");
    EXPECT_EQ(General_FinnFilendelsen("C:\\Data\\navn."), "");
    EXPECT_EQ(General_FinnFilendelsen(QString("a.tx") + QChar(0) + "junk"), "tx");
}

TEST(PathHelpers, FolderPartAndFileName)
{
    EXPECT_EQ(General_StiUtenFilnavn("C:\\Data\\fil.txt"), "C:\\Data\\");
    EXPECT_EQ(General_StiUtenFilnavn("fil.txt"), "");
    EXPECT_EQ(General_FilnavnFraSti("C:\\Data\\fil.txt"), "fil.txt");
    EXPECT_EQ(General_FilnavnFraSti("fil.txt"), "fil.txt");
    EXPECT_EQ(General_SisteMappe("C:\\Data\\Bilder"), "Bilder");
    EXPECT_EQ(General_SisteMappe("C:\\Data\\Bilder\\"), "Bilder");
    EXPECT_EQ(General_SisteMappe("C:\\"), "C:");
}

TEST(PathHelpers, PercentRoundsAndUsesTheLocaleDecimalSeparator)
{
    EXPECT_EQ(General_Prosent(1, 3, true), "33,3%");
    EXPECT_EQ(General_Prosent(200, 200, false), "100%");
    EXPECT_EQ(General_Prosent(50, 200, false), "25%");
    EXPECT_EQ(General_Prosent(1, 8, false), "13%"); // 12.5 rounds away from zero
    EXPECT_EQ(General_Prosent(0, 0, false), "0%");  // no division by zero
}

TEST(PathHelpers, WholePercentGivesEveryTextThatChangesAndNoOther)
{
    for (qint64 total : {1, 7, 8, 200, 333, 1000, 4099}) {
        WholePercent percent(total);
        QString last;
        for (qint64 done = 1; done <= total; ++done) {
            const QString want = General_Prosent(done, total, false);
            ASSERT_EQ(percent.advance(done), want != last) << done << " of " << total;
            ASSERT_EQ(percent.text(), want) << done << " of " << total;
            last = want;
        }
    }
}

TEST(PathHelpers, ShortPathFitsTheWidthAndKeepsStartAndLastComponent)
{
    // A measure where wide letters count double, as a proportional font has them.
    const auto width = [](const QString &t) {
        int w = 0;
        for (QChar c : t)
            w += (c.isUpper() || c == u'm' || c == u'w') ? 12 : 6;
        return w;
    };
    const QString path =
        "C:\\Dokumenter og innstillinger\\Bruker\\Mine dokumenter\\Prosjekter\\Årsrapport 2026\\";
    EXPECT_EQ(General_KortSti(width, "C:\\Data\\", 400), "C:\\Data\\");
    for (int room : {400, 250, 160, 120}) {
        const QString shortPath = General_KortSti(width, path, room);
        EXPECT_LE(width(shortPath), room) << shortPath.toStdString();
        EXPECT_TRUE(shortPath.contains("...")) << shortPath.toStdString();
        if (width("C:\\...\\Årsrapport 2026\\") <= room) {
            EXPECT_TRUE(shortPath.startsWith("C:\\")) << shortPath.toStdString();
            EXPECT_TRUE(shortPath.endsWith("\\Årsrapport 2026\\")) << shortPath.toStdString();
        }
    }
    EXPECT_LE(width(General_KortSti(width, path, 30)), 30);
}

TEST_F(EngineTest, ErrorRecordsAreAppendedWholeAndTheMessageNamesTheVersion)
{
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::OK);
    General_LoggFeil("frmBackup", "General_LesMal", 53, "File not found");
    General_LoggFeil("modBackup", "General_FinnFilendelsen", -5, "");
    const QString log = QString::fromLatin1(programFileBytes("Error_Backup.txt"));
    const QStringList lines = log.split("\r\n");
    ASSERT_EQ(lines.size(), 17); // two eight-line records and the end
    EXPECT_TRUE(lines[0].startsWith("*** Feil registrert "));
    EXPECT_TRUE(lines[0].endsWith(QString::fromUtf8(" på Backup 3.0.3 ***")));
    EXPECT_EQ(lines[1], QString(60, '-'));
    EXPECT_EQ(lines[2], "Feil nr: 53");
    EXPECT_EQ(lines[3], "Beskrivelse: File not found");
    EXPECT_EQ(lines[4], "Modul: frmBackup");
    EXPECT_EQ(lines[5], "Prosedyre: General_LesMal");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[10], "Feil nr: -5");
    EXPECT_EQ(lines[11], "Beskrivelse: ");
    ASSERT_EQ(dialog.messages().size(), 2);
    EXPECT_TRUE(dialog.messages()[0].startsWith(
        "Feil nr: 53\r\nBeskrivelse: File not found\r\n\r\nModul: frmBackup"));
    EXPECT_TRUE(
        dialog.transcript().join('\n').contains("title=\"En feil har oppstått. Programversion: 3.0.0003\""));
    EXPECT_TRUE(dialog.transcript().join('\n').contains("[OK] [Critical]"));
}

TEST_F(EngineTest, UnwritableProgramFolderLosesTheRecordButStillShowsTheMessage)
{
    qputenv("QVBACKUP_PROGRAM_DIR", "Q:\\Ingen\\Backup"); // no drive Q:
    dialog.queueAnswer(Answer::OK);
    General_LoggFeil("frmBackup", "qvbStart_Click", 70, "Permission denied");
    EXPECT_EQ(dialog.messages().size(), 1);
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\Error_Backup.txt"));
}
