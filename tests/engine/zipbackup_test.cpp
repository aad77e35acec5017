#include "engine/ZipBackup.h"
#include "support/RunFixture.h"

#include <QProcess>
#include <QStandardPaths>

using namespace qv;
using qvtest::RunTest;

namespace
{
const QString kArchive = "D:\\Sikring\\Backup av Dokumenter 2026_12_07  kl_1747.zip";

struct Unzip {
    int code;
    QString out;
};
Unzip unzip(const QStringList &args)
{
    QProcess p;
    p.start("unzip", args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}
} // namespace

class ZipTest : public RunTest
{
protected:
    void SetUp() override
    {
        drives.writeFile("C:\\Data\\Dokumenter\\a.txt", "innhold a");
        drives.writeFile("C:\\Data\\Dokumenter\\Brev og æøå\\b.doc", QByteArray(70000, 'b'));
        drives.writeFile("C:\\Data\\Dokumenter\\.skjult", "h");
        useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", true, true, true}});
        select("Dok");
    }
    bool haveUnzip() const { return !QStandardPaths::findExecutable("unzip").isEmpty(); }
};

TEST_F(ZipTest, ArchiveIsNamedByTheMinuteAndPassesUnzip)
{
    EXPECT_EQ(ZipBackup::archiveName("C:\\Data\\Dokumenter\\", "D:\\Sikring", clock.now()), kArchive);
    EXPECT_EQ(ZipBackup::archiveName("C:\\", "D:\\Sikring\\", clock.now()),
              "D:\\Sikring\\Backup av disk C 2026_12_07  kl_1747.zip");
    startAndConfirm();
    EXPECT_EQ(dialog.messages().last(), "Backup fullført.\nVil du se loggfilen for detaljer?");
    ASSERT_TRUE(drives.exists(kArchive));
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil fullført.");
    EXPECT_EQ(state().txtSistKjort.text, "07.12.2026   kl. 17:47:06");
    const QString l = log();
    EXPECT_TRUE(l.contains("Til zipfil: \t\tJa\r\n"));
    EXPECT_TRUE(l.contains("  C:\\Data\\Dokumenter\\a.txt\r\n"));
    EXPECT_TRUE(l.contains("Fullført: \t\t07.12.2026   kl. 17:47:06\r\n"));
    if (!(fileAttributes("C:\\Data\\Dokumenter\\a.txt") & Attr::Archive)) {
        EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\.skjult") & Attr::Archive);
    }
    if (!haveUnzip())
        GTEST_SKIP() << "unzip is not installed";
    const QString host = drives.host(kArchive);
    EXPECT_EQ(unzip({"-t", "-q", host}).code, 0);
    const QString listing = unzip({"-l", host}).out;
    EXPECT_TRUE(listing.contains("Data/Dokumenter/a.txt")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("Data/Dokumenter/.skjult")) << listing.toStdString();
    const Unzip content = unzip({"-p", host, "Data/Dokumenter/a.txt"});
    EXPECT_EQ(content.out, "innhold a");
}

TEST_F(ZipTest, SameMinuteTwiceFindsTheNameTakenAndReportsAnAbort)
{
    startAndConfirm();
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", true, false, true}}); // all files: copy
    select("Dok");
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", true, true, true}});
    select("Dok");
    drives.writeFile("C:\\Data\\Dokumenter\\ny.txt", "ny");
    dialog.clearRecord();
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    ASSERT_EQ(dialog.messages().size(), 3);
    EXPECT_EQ(dialog.messages()[1], "Filen finnes fra før.");
    EXPECT_EQ(dialog.messages()[2], "Backup avbrutt av bruker.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil avbrutt.");
    EXPECT_TRUE(fileAttributes("C:\\Data\\Dokumenter\\ny.txt") & Attr::Archive);
}

TEST_F(ZipTest, EscWhilePackingLeavesNoArchiveAndLogsTheAbort)
{
    dialog.setOnProcessEvents([&](int) {
        if (state().fileInProgress == 1)
            state().escPressed();
    });
    startAndConfirm();
    EXPECT_FALSE(drives.exists(kArchive));
    EXPECT_TRUE(log().contains("Backup ble manuelt avbrutt, ingen zip-fil ble opprettet.\r\n"));
    EXPECT_EQ(dialog.messages().last(), "Backup avbrutt av bruker.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(state().ZipAvbryt, 0);
    EXPECT_TRUE(fileAttributes("C:\\Data\\Dokumenter\\a.txt") & Attr::Archive);
}

TEST_F(ZipTest, EscPressedWhileIdleDoesNotAbortTheNextZipRun)
{
    state().escPressed();
    state().EscTrykket = false;
    startAndConfirm();
    EXPECT_TRUE(drives.exists(kArchive));
}

TEST_F(ZipTest, VanishedFileGivesTheUnexpectedErrorWithItsNumber)
{
    engine().scan.General_SokFiler();
    QFile::remove(drives.host("C:\\Data\\Dokumenter\\a.txt"));
    dialog.queueAnswer(Answer::OK);
    EXPECT_FALSE(engine().zip.General_ZipBackup());
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_TRUE(dialog.messages()[0].startsWith(
        "Fikk ikke laget zip-fil da det oppstod en uventet feil!\nFeil nr. "));
    EXPECT_NE(dialog.messages()[0], "Fikk ikke laget zip-fil da det oppstod en uventet feil!\nFeil nr. 0");
    EXPECT_FALSE(drives.exists(kArchive));
}

TEST_F(ZipTest, NewTemplateEntryMakesTheArchiveButTheStepFails)
{
    engine().templates.qvbNy_Click();
    engine().folderChosen(BackupEngine::FolderField::Fra, "C:\\Data\\Dokumenter\\", "");
    engine().folderChosen(BackupEngine::FolderField::Til, "D:\\Sikring\\", "");
    engine().optEndrede_Click();
    state().chkZip.value = true;
    engine().scan.General_SokFiler();
    EXPECT_FALSE(engine().zip.General_ZipBackup());
    EXPECT_TRUE(drives.exists(kArchive));
    EXPECT_TRUE(dialog.messages().isEmpty());
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil avbrutt.");
}

TEST_F(ZipTest, MissingDestinationDriveGivesTheFolderMessage)
{
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "Q:\\Sikring\\", true, true, true}});
    select("Dok");
    engine().scan.General_SokFiler();
    dialog.queueAnswer(Answer::OK);
    EXPECT_FALSE(engine().zip.General_ZipBackup());
    EXPECT_EQ(dialog.messages(), QStringList{ZipBackup::kFolderMessage});
}

TEST_F(ZipTest, MoreThanSevenThousandFilesArePacked)
{
    for (int i = 0; i < 7002; ++i)
        drives.writeFile(QString("C:\\Data\\Mange\\f%1.txt").arg(i), QByteArray::number(i));
    useTemplates({{"Mange", "C:\\Data\\Mange\\", "D:\\Sikring\\", true, true, true}});
    select("Mange");
    engine().scan.General_SokFiler();
    ASSERT_EQ(state().lvw1().GetCount(), 7002);
    EXPECT_TRUE(engine().zip.General_ZipBackup());
    EXPECT_EQ(state().pgr1.Value, 7002);
    if (!haveUnzip())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(unzip({"-t", "-q", drives.host("D:\\Sikring\\Backup av Mange 2026_12_07  kl_1747.zip")}).code,
              0);
}

TEST_F(ZipTest, NamesThatAreNotValidUtf8AreArchived)
{
    const QByteArray bad = QFile::encodeName(drives.host("C:\\Data\\Dokumenter")) + "/ugyldig\xff.txt";
    FILE *fp = fopen(bad.constData(), "w");
    ASSERT_NE(fp, nullptr);
    fputs("rare bytes", fp);
    fclose(fp);
    engine().scan.General_SokFiler();
    ASSERT_EQ(state().lvw1().GetCount(), 4);
    EXPECT_TRUE(engine().zip.General_ZipBackup()) << dialog.messages().join('|').toStdString();
    ::unlink(bad.constData());
    if (!haveUnzip())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(unzip({"-t", "-q", drives.host(kArchive)}).code, 0);
}
