#include "engine/ZipBackup.h"
#include "platform/base/Durable.h"
#include "platform/marks/ArchiveMarks.h"
#include "support/ChildProcess.h"
#include "support/RunFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>

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
    const qvtest::ProgramRun run = qvtest::runProgram("unzip", args);
    return {run.exitCode, QString::fromUtf8(run.output)};
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
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\.skjult").orThrow() & Attr::Archive);
    // Packed with owner-only access, whatever the files' own modes.
    EXPECT_EQ(QFileInfo(drives.host(kArchive)).permissions() & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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

TEST_F(ZipTest, TheMarksAreCommittedWhenTheStepEnds)
{
    // The catalog as another process (a scheduled run) finds it: it may write at
    // once, and sees the rows written.
    // Rows of this test's own tree: a run prunes the rows of earlier tests' destinations.
    const QByteArray tree = QFile::encodeName(QFileInfo(drives.hostRoot('C')).dir().dirName());
    const auto rowsSeenElsewhere = [&] {
        if (!QFile::exists(marks::catalogPath()))
            return 0;
        sqlite3 *other = nullptr;
        sqlite3_open(QFile::encodeName(marks::catalogPath()).constData(), &other);
        int rows = -1; // busy: the write lock is held
        if (sqlite3_exec(other, "BEGIN IMMEDIATE; COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
            rows = 0;
            const auto readCount = [](void *out, int, char **values, char **) {
                *static_cast<int *>(out) = std::atoi(values[0]);
                return 0;
            };
            const QByteArray count =
                "SELECT count(*) FROM file_marks m JOIN folders f ON m.folder=f.id WHERE instr(f.path, '" +
                tree + "')";
            sqlite3_exec(other, count.constData(), readCount, &rows, nullptr);
        }
        sqlite3_close(other);
        return rows;
    };
    marks::commit();
    const int before = rowsSeenElsewhere();
    startAndConfirm();
    ASSERT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);
    EXPECT_EQ(rowsSeenElsewhere(), before + 3);
}

TEST_F(ZipTest, TheArchiveIsSyncedBeforeItsRenameAndItsFolderAfter)
{
    QStringList seen; // each sync, and whether the archive had its name then
    bool fail = true;
    durable::setSyncHook([&](durable::What what, int) {
        seen << QString::number(int(what)) + (drives.exists(kArchive) ? " named" : " unnamed");
        return what == durable::What::File && fail ? EIO : 0;
    });
    const auto noHook = qScopeGuard([] { durable::setSyncHook({}); });
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(seen, QStringList{"1 unnamed"});
    EXPECT_FALSE(drives.exists(kArchive));
    EXPECT_TRUE(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);

    fail = false;
    seen.clear();
    startAndConfirm();
    EXPECT_EQ(seen, (QStringList{"1 unnamed", "2 named"}));
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);
}

TEST_F(ZipTest, SameMinuteTwiceFindsTheNameTakenAndReportsAFailure)
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
    EXPECT_EQ(dialog.messages()[2],
              "Backup feilet. Zip-filen " + kArchive + " finnes fra før.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil feilet.");
    EXPECT_TRUE(fileAttributes("C:\\Data\\Dokumenter\\ny.txt").orThrow() & Attr::Archive);
}

// A zip step that fails is worded as a failure with its cause, never as the user's abort.
TEST_F(ZipTest, AnArchiveNameTooLongFailsWithItsCause)
{
    const QString folder = "C:\\Data\\" + QString(240, 'n') + "\\";
    drives.writeFile(folder + "a.txt", "a");
    useTemplates({{"Lang", folder, "D:\\Sikring\\", true, true, true}});
    select("Lang");
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::OK); // the zip library's error
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(
        dialog.messages().last(),
        "Backup feilet. Zip-filen kunne ikke lages: navnet er for langt.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil feilet.");
    EXPECT_FALSE(state().outcome.templates[0].aborted);
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
    EXPECT_TRUE(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);
}

TEST_F(ZipTest, EscPressedWhileIdleDoesNotAbortTheNextZipRun)
{
    state().escPressed();
    state().EscTrykket = false;
    startAndConfirm();
    EXPECT_TRUE(drives.exists(kArchive));
}

TEST_F(ZipTest, FilesGoneAfterTheQuestionAreNamedAndOneTurnedIntoAFolderIsPackedAndLoggedAsOne)
{
    const QString a = drives.host("C:\\Data\\Dokumenter\\a.txt");
    const QString b = drives.host("C:\\Data\\Dokumenter\\Brev og æøå\\b.doc");
    dialog.setOnProcessEvents([&](int) {
        if (dialog.messages().size() == 1 && QFile::exists(a)) { // just after "Vil du starte ..."
            QFile::remove(a);
            QFile::remove(b);
            QDir().mkdir(b);
        }
    });
    startAndConfirm();
    ASSERT_TRUE(drives.exists(kArchive));
    EXPECT_EQ(dialog.messages().last(), "Backup fullført, men en eller flere filer ble ikke kopiert pga. "
                                        "tilgangsfeil,\nVil du se loggfilen for detaljer?");
    const QString l = log();
    const QString section = "Filer som ikke ble kopiert pga. tilgangsfeil.\r\n" + QString(49, '-') + "\r\n";
    EXPECT_TRUE(l.contains(section + "C:\\Data\\Dokumenter\\a.txt\r\n*")) << l.toStdString();
    EXPECT_TRUE(l.contains("  C:\\Data\\Dokumenter\\Brev og æøå\\b.doc\r\n"));
    EXPECT_TRUE(l.contains("  C:\\Data\\Dokumenter\\.skjult\r\n"));
    EXPECT_FALSE(l.contains("  C:\\Data\\Dokumenter\\a.txt"));
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\.skjult").orThrow() & Attr::Archive);
    if (!haveUnzip())
        GTEST_SKIP() << "unzip is not installed";
    const QString listing = unzip({"-Z1", drives.host(kArchive)}).out;
    EXPECT_TRUE(listing.contains("Data/Dokumenter/.skjult"));
    EXPECT_FALSE(listing.contains("Data/Dokumenter/a.txt"));
    EXPECT_TRUE(listing.contains("/b.doc/\n")) << qPrintable(listing);
}

TEST_F(ZipTest, MarkThatCannotBeClearedDoesNotFailTheStep)
{
    // An immutable file refuses every change, even root's; it reads as usual.
    const QByteArray host = QFile::encodeName(drives.host("C:\\Data\\Dokumenter\\a.txt"));
    const int fd = ::open(host.constData(), O_RDONLY);
    int flags = 0;
    const bool immutable = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    auto release = qScopeGuard([&] {
        flags &= ~FS_IMMUTABLE_FL;
        if (immutable)
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        if (fd >= 0)
            ::close(fd);
    });
    if (!immutable)
        GTEST_SKIP() << "no immutable files here (needs root and a file system that has them)";
    startAndConfirm();
    EXPECT_EQ(dialog.messages().last(), "Backup fullført.\nVil du se loggfilen for detaljer?");
    EXPECT_TRUE(drives.exists(kArchive));
    EXPECT_TRUE(log().contains("  C:\\Data\\Dokumenter\\a.txt\r\n"));
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\.skjult").orThrow() & Attr::Archive);
}

TEST_F(ZipTest, EscAnsweredNoInAnEarlierCopyTemplateDoesNotAbortTheZip)
{
    drives.writeFile("C:\\Kopi\\x.txt", "x");
    useTemplates({{"1 Kopi", "C:\\Kopi\\", "D:\\Sikring\\"},
                  {"2 Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", true, true, true}});
    select("1 Kopi");
    engine().templates.setAlleMaler(true);
    bool pressed = false;
    dialog.setOnProcessEvents([&](int) {
        if (state().fileInProgress == 1 && !pressed) {
            pressed = true;
            state().escPressed();
        }
    });
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No); // "Vil du avbryte kopieringen?"
    dialog.queueAnswer(Answer::No);
    start();
    ASSERT_TRUE(pressed);
    EXPECT_EQ(dialog.messages().last(), "Sikkerhetskopiering fullført.\nVil du se loggfilen for detaljer?");
    EXPECT_TRUE(drives.exists(kArchive));
}

TEST_F(ZipTest, StaleTemporariesOfThisTemplateAreRemoved)
{
    const QString old = "D:\\Sikring\\Backup av Dokumenter 2026_12_01  kl_0900.zip.Ab12Cd";
    const QString live = "D:\\Sikring\\Backup av Dokumenter 2026_12_07  kl_1746.zip.Zz99aa";
    const QString others = "D:\\Sikring\\Backup av Annet 2026_12_01  kl_0900.zip.Ab12Cd";
    const QString archive = "D:\\Sikring\\Backup av Dokumenter 2026_12_01  kl_0900.zip";
    drives.makeDir("D:\\Sikring");
    for (const QString &name : {old, live, others, archive}) {
        QFile f(drives.host(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.setFileTime(QDateTime::currentDateTime().addSecs(name == live ? 3600 : -3600),
                      QFileDevice::FileModificationTime);
    }
    startAndConfirm();
    EXPECT_TRUE(drives.exists(kArchive));
    EXPECT_FALSE(drives.exists(old));
    EXPECT_TRUE(drives.exists(live)) << "newer than the run: still being written";
    EXPECT_TRUE(drives.exists(others));
    EXPECT_TRUE(drives.exists(archive));
}

TEST_F(ZipTest, NewTemplateEntryMakesTheArchiveButTheStepFails)
{
    engine().templates.qvbNy_Click();
    engine().actions.chooseFolder(UserActions::FolderField::Fra, "C:\\Data\\Dokumenter\\");
    engine().actions.chooseFolder(UserActions::FolderField::Til, "D:\\Sikring\\");
    engine().actions.optionEndrede();
    state().chkZip.value = true;
    engine().scan.General_SokFiler();
    EXPECT_FALSE(engine().zip.General_ZipBackup());
    EXPECT_TRUE(drives.exists(kArchive));
    EXPECT_TRUE(dialog.messages().isEmpty());
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering til zip-fil feilet.");
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
