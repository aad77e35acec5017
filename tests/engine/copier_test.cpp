#include "engine/Copier.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/copy/MirrorCopy.h"
#include "support/RunFixture.h"
#include "support/TempTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qv;
using qvtest::RunTest;

namespace
{
using qvtest::kAsterisks;
using qvtest::kCrLf;
using qvtest::logHeader;

QStringList leftoverTemporaries(const QString &hostDir)
{
    QStringList found;
    QDirIterator it(hostDir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (QFileInfo(p).fileName().startsWith('.'))
            found << p;
    }
    return found;
}
} // namespace

class CopyTest : public RunTest
{
protected:
    void SetUp() override
    {
        drives.writeFile("C:\\Data\\Dokumenter\\a.txt", "innhold a");
        drives.writeFile("C:\\Data\\Dokumenter\\brev\\b.doc", QByteArray(5000, 'b'));
        useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\"}});
        select("Dok");
    }
    QStringList foundFiles()
    {
        QStringList files;
        for (const auto &r : state().memoryFileList().rows())
            files << r.path;
        return files;
    }
};

TEST_F(CopyTest, TwoCopiedFilesGiveTheExactLogAndMirrorTheTree)
{
    startAndConfirm();
    ASSERT_EQ(dialog.messages().size(), 2) << dialog.transcript().join('\n').toStdString();
    EXPECT_EQ(dialog.messages()[0],
              "Fant 2 fil(er) som det bør tas backup av.\nVil du starte sikkerhetskopiering nå?");
    EXPECT_EQ(dialog.messages()[1], "Backup fullført.\nVil du se loggfilen for detaljer?");
    const QStringList files = foundFiles();
    const QString expected = logHeader("Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", 2, runTime()) +
                             "  " + files[0] + kCrLf + "  " + files[1] + kCrLf + "Fullført: \t\t" +
                             runTime() + kCrLf + kAsterisks + kCrLf + kCrLf + kCrLf + kCrLf + kCrLf;
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\a.txt"), "innhold a");
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc"), QByteArray(5000, 'b'));
    // The run is stamped in the table, the box and the file.
    EXPECT_EQ(state().txtSistKjort.text, "07.12.2026   kl. 17:47:06");
    EXPECT_TRUE(programFileBytes("BackupMal.txt").contains("\"07.12.2026   kl. 17:47:06\""));
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering fullført. ");
    EXPECT_FALSE(state().pgr1.Visible);
    EXPECT_TRUE(state().qvbStart.enabled);
    EXPECT_TRUE(state().LoggTekst.isEmpty());
}

TEST_F(CopyTest, CopiesKeepTimeAndModeAndClearTheSourceArchiveAttribute)
{
    const QDateTime old(QDate(2019, 5, 6), QTime(7, 8, 9));
    drives.writeFile("C:\\Data\\Dokumenter\\a.txt", "innhold a", old);
    ::chmod(QFile::encodeName(drives.host("C:\\Data\\Dokumenter\\a.txt")).constData(), 0640);
    startAndConfirm();
    const QFileInfo copy(drives.host("D:\\Sikring\\Backup av Dokumenter\\a.txt"));
    EXPECT_EQ(copy.lastModified(), old);
    EXPECT_EQ(int(copy.permissions() &
                  (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)),
              int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    EXPECT_TRUE(fileAttributes("D:\\Sikring\\Backup av Dokumenter\\a.txt").orThrow() & Attr::Archive)
        << "the copy took the source's archive mark";
    const bool marksWork = !(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive);
    if (!marksWork)
        GTEST_SKIP() << "no extended attributes on the test file system";
    EXPECT_FALSE(fileAttributes("C:\\Data\\Dokumenter\\brev\\b.doc").orThrow() & Attr::Archive);
}

TEST_F(CopyTest, NewAndChangedModeFindsOnlyWhatChangedSinceTheLastRun)
{
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", true, true, false}});
    select("Dok");
    startAndConfirm();
    if (fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & Attr::Archive)
        GTEST_SKIP() << "no extended attributes on the test file system";
    engine().scan.General_SokFiler();
    EXPECT_EQ(state().lvw1().GetCount(), 0);

    drives.writeFile("C:\\Data\\Dokumenter\\a.txt", "endret", QDateTime::currentDateTime().addSecs(5));
    drives.writeFile("C:\\Data\\Dokumenter\\ny.txt", "ny");
    engine().scan.General_SokFiler();
    QStringList files = foundFiles();
    files.sort();
    EXPECT_EQ(files, (QStringList{"C:\\Data\\Dokumenter\\a.txt", "C:\\Data\\Dokumenter\\ny.txt"}));

    dialog.clearRecord();
    startAndConfirm();
    engine().scan.General_SokFiler();
    EXPECT_EQ(state().lvw1().GetCount(), 0);
}

TEST_F(CopyTest, UnreadableFileIsListedApartAndTheOthersAreCopied)
{
    const QString locked = "C:\\Data\\Dokumenter\\a.txt";
    if (geteuid() != 0)
        ::chmod(QFile::encodeName(drives.host(locked)).constData(), 0);
    else // root reads everything: the platform's copy refuses instead
        setCopyFaultHook([](const QString &dest, quint64) {
            if (dest.endsWith("\\a.txt"))
                throw PlatformError(Err::PermissionDenied);
        });
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(dialog.messages().last(), "Backup fullført, men en eller flere filer ble ikke kopiert pga. "
                                        "tilgangsfeil,\nVil du se loggfilen for "
                                        "detaljer?");
    const QString expected = logHeader("Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\", 2, runTime()) +
                             "  " + "C:\\Data\\Dokumenter\\brev\\b.doc" + kCrLf + "Fullført: \t\t" +
                             runTime() + kCrLf + QString(49, '-') + kCrLf +
                             "Filer som ikke ble kopiert pga. tilgangsfeil." + kCrLf + QString(49, '-') +
                             kCrLf + locked + kCrLf + kAsterisks + kCrLf + kCrLf + kCrLf + kCrLf + kCrLf;
    EXPECT_EQ(log(), expected);
    EXPECT_FALSE(drives.exists("D:\\Sikring\\Backup av Dokumenter\\a.txt"));
    EXPECT_TRUE(fileAttributes(locked).orThrow() & Attr::Archive);
    EXPECT_TRUE(state().Tilgangsfeil.isEmpty());
}

TEST_F(CopyTest, VanishedFileLandsInTheAccessListAndAReadOnlyCopyIsReplaced)
{
    drives.writeFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc", "gammel kopi");
    ::chmod(QFile::encodeName(drives.host("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc")).constData(),
            0444);
    engine().scan.General_SokFiler();
    QFile::remove(drives.host("C:\\Data\\Dokumenter\\a.txt"));
    state().LoggTekst.clear();
    engine().copier.General_Kopier();
    QStringList notCopied = state().Tilgangsfeil.split(kCrLf, Qt::SkipEmptyParts);
    notCopied.sort();
    EXPECT_EQ(notCopied, (QStringList{"C:\\Data\\Dokumenter\\a.txt"}));
    // The mirror is the program's own: a read-only copy from an earlier run is replaced.
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc"), QByteArray(5000, 'b'));
    EXPECT_TRUE(state().LoggTekst.contains("Fullført: \t\t"));
}

TEST_F(CopyTest, ExistingCopyIsReplaced)
{
    drives.writeFile("D:\\Sikring\\Backup av Dokumenter\\a.txt", "gammel");
    startAndConfirm();
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\a.txt"), "innhold a");
    EXPECT_TRUE(leftoverTemporaries(drives.hostRoot('D')).isEmpty());
}

TEST_F(CopyTest, AReadOnlySourceIsMarkedAndKeepsItsMode)
{
    const QByteArray source = QFile::encodeName(drives.host("C:\\Data\\Dokumenter\\a.txt"));
    ::chmod(source.constData(), 0444);
    startAndConfirm();
    struct stat st;
    ASSERT_EQ(::stat(source.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(fileAttributes("C:\\Data\\Dokumenter\\a.txt").orThrow() & (Attr::Archive | Attr::ReadOnly),
              Attr::ReadOnly);
}

TEST_F(CopyTest, EscThenNoGoesOnAndAsksOnlyOnce)
{
    for (int i = 0; i < 3; ++i)
        drives.writeFile(QString("C:\\Data\\Dokumenter\\x%1.txt").arg(i), "x");
    dialog.setOnProcessEvents([&](int) {
        if (state().fileInProgress == 1)
            state().escPressed();
    });
    engine().scan.General_SokFiler();
    dialog.queueAnswer(Answer::No);
    engine().copier.General_Kopier();
    EXPECT_EQ(dialog.messages(), QStringList{"Vil du avbryte kopieringen?"});
    EXPECT_TRUE(dialog.transcript()[0].contains("[YesNo] [Question] default=1"));
    EXPECT_EQ(state().LoggTekst.count("  C:\\"), 5);
    EXPECT_FALSE(state().Avbrutt);
}

TEST_F(CopyTest, EscThenYesAfterTheThirdFileStopsWithoutStampingTheRun)
{
    for (int i = 0; i < 3; ++i)
        drives.writeFile(QString("C:\\Data\\Dokumenter\\x%1.txt").arg(i), "x");
    dialog.setOnProcessEvents([&](int) {
        if (state().fileInProgress == 3)
            state().escPressed();
    });
    dialog.queueAnswer(Answer::Yes); // confirm the run
    dialog.queueAnswer(Answer::Yes); // abort the copy
    dialog.queueAnswer(Answer::No);  // no log viewer
    start();
    EXPECT_EQ(dialog.messages()[2], "Backup avbrutt av bruker.\nVil du se loggfilen for detaljer?");
    const QString l = log();
    EXPECT_EQ(l.count("  C:\\"), 3);
    EXPECT_TRUE(l.contains("Manuelt avbrutt: \t3 filer ble fullført.\r\n" + kAsterisks));
    EXPECT_FALSE(l.contains("Fullført: \t\t"));
    EXPECT_TRUE(state().txtSistKjort.text.isEmpty());
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering avbrutt.");
    EXPECT_TRUE(state().outcome.templates[0].aborted);
    EXPECT_FALSE(state().Avbrutt); // lowered at the end of the command
}

// Copies are written ahead on a second thread: none may land beyond where the run
// stopped, and a file that fails ahead must not take the files after it along.
TEST_F(CopyTest, FilesWrittenAheadLandOnlyWhenTheirTurnComes)
{
    for (int i = 0; i < 150; ++i)
        drives.writeFile(QString("C:\\Data\\Dokumenter\\m\\f%1.txt").arg(i, 3, 10, QChar('0')), "m");
    engine().scan.General_SokFiler();
    const QStringList files = foundFiles();
    // Turned into a folder after the scan: refused, and named.
    const QString gone = files[40];
    QFile::remove(drives.host(gone));
    QDir().mkpath(drives.host(gone));
    dialog.setOnProcessEvents([&](int) {
        if (state().fileInProgress == 100)
            state().escPressed();
    });
    dialog.queueAnswer(Answer::Yes);
    engine().copier.General_Kopier();
    const QString mirror = drives.hostRoot('D') + "/Sikring/Backup av Dokumenter";
    QStringList copied;
    QDirIterator it(mirror, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        copied << "C:\\Data\\Dokumenter\\" + it.next().mid(mirror.size() + 1).replace('/', '\\');
    QStringList expected = files.mid(0, 100);
    expected.removeOne(gone);
    copied.sort();
    expected.sort();
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(state().Tilgangsfeil, gone + kCrLf);
}

TEST_F(CopyTest, EscWhileIdleIsNotCarriedIntoTheNextRun)
{
    state().escPressed(); // leaving a menu
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(dialog.messages()[1], "Backup fullført.\nVil du se loggfilen for detaljer?");
    EXPECT_FALSE(log().contains("Manuelt avbrutt"));
}

TEST_F(CopyTest, TheFaultHookFailsAFileAfterSomeBytesOnTheCopyingThread)
{
    drives.writeFile("C:\\Data\\Dokumenter\\stor.bin", QByteArray(3 << 20, 's'));
    std::optional<std::thread::id> failedOn;
    setCopyFaultHook([&](const QString &dest, quint64 written) {
        if (dest.endsWith("stor.bin") && written >= (2u << 20) && !failedOn) {
            failedOn = std::this_thread::get_id();
            throw PlatformError(Err::DiskFull);
        }
    });
    engine().scan.General_SokFiler();
    dialog.queueAnswer(Answer::OK);
    engine().copier.General_Kopier();
    ASSERT_TRUE(failedOn);
    EXPECT_NE(*failedOn, std::this_thread::get_id());
    EXPECT_EQ(dialog.messages(), QStringList{Copier::kDiskFullMessage});
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\stor.bin").size(), 3 << 20);
}

TEST_F(CopyTest, DiskFullOkCopiesTheSameFileAgainAndCancelStopsWithoutStamp)
{
    drives.writeFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc", "forrige backup");
    int failures = 1;
    setCopyFaultHook([&](const QString &dest, quint64 written) {
        Q_UNUSED(written);
        if (dest.endsWith("b.doc") && failures > 0) {
            --failures;
            throw PlatformError(Err::DiskFull);
        }
    });
    engine().scan.General_SokFiler();
    dialog.queueAnswer(Answer::OK);
    engine().copier.General_Kopier();
    EXPECT_EQ(dialog.messages(),
              QStringList{"Mottaker-disken er full,\nsett i ny disk og trykk OK om du vil fortsette."});
    EXPECT_TRUE(dialog.transcript()[0].contains("[OKCancel] [Exclamation] default=1"));
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc"), QByteArray(5000, 'b'));
    EXPECT_TRUE(state().Tilgangsfeil.isEmpty());

    // Cancel: the previous backup stays whole, no stamp, no "Fullført: ", and the run
    // names the file it could not copy and ends as failed, with the cause.
    drives.writeFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc", "forrige backup");
    failures = 1;
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "D:\\Sikring\\"}});
    select("Dok");
    dialog.clearRecord();
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::Cancel);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_EQ(dialog.messages().last(),
              "Backup feilet. Mottaker-disken er full.\nVil du se loggfilen for detaljer?");
    EXPECT_TRUE(log().contains("tilgangsfeil." + kCrLf + QString(49, '-') + kCrLf +
                               "C:\\Data\\Dokumenter\\brev\\b.doc"));
    EXPECT_FALSE(log().contains("Fullført: "));
    EXPECT_TRUE(state().txtSistKjort.text.isEmpty());
    EXPECT_FALSE(programFileBytes("BackupMal.txt").contains("kl."));
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\brev\\b.doc"), "forrige backup");
    EXPECT_TRUE(leftoverTemporaries(drives.hostRoot('D')).isEmpty());
}

TEST_F(CopyTest, DriveRootSourceGoesUnderBackupAvDisk)
{
    drives.writeFile("S:\\Windows\\win.ini", "[x]");
    useTemplates({{"Rot", "S:\\", "D:\\"}});
    select("Rot");
    startAndConfirm();
    EXPECT_EQ(drives.readFile("D:\\Backup av disk S\\Windows\\win.ini"), "[x]");
}

TEST_F(CopyTest, NewTemplateEntryCopiesButRecordsNoRunTime)
{
    const QByteArray before = programFileBytes("BackupMal.txt");
    engine().templates.qvbNy_Click();
    engine().actions.chooseFolder(UserActions::FolderField::Fra, "C:\\Data\\Dokumenter\\");
    engine().actions.chooseFolder(UserActions::FolderField::Til, "D:\\Sikring\\");
    startAndConfirm();
    EXPECT_TRUE(drives.exists("D:\\Sikring\\Backup av Dokumenter\\a.txt"));
    EXPECT_TRUE(state().txtSistKjort.text.isEmpty());
    EXPECT_EQ(programFileBytes("BackupMal.txt").replace("\"-1\"", "-1").replace("\"0\"", "0"), before);
    EXPECT_TRUE(log().startsWith("Backup mal: \t\t[ Ny mal ]\r\n"));
}

TEST_F(CopyTest, MissingDestinationDriveShowsTheFolderMessageAndCopiesNothing)
{
    useTemplates({{"Dok", "C:\\Data\\Dokumenter\\", "Q:\\Sikring\\"}});
    select("Dok");
    engine().scan.General_SokFiler();
    dialog.queueAnswer(Answer::OK);
    engine().copier.General_Kopier();
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_EQ(dialog.messages()[0], Copier::kFolderMessage);
    EXPECT_TRUE(dialog.transcript()[0].contains("[OK] [Critical] default=1 title=\"Kopiering avbrutt\""));
    EXPECT_FALSE(state().LoggTekst.contains("Fullført"));
    EXPECT_TRUE(state().txtSistKjort.text.isEmpty());
    EXPECT_EQ(state().shbStatus, "Sikkerhetskopiering fullført. ");
}

TEST_F(CopyTest, PreparationPassesReportTheirProgress)
{
    QStringList statuses;
    dialog.setOnProcessEvents([&](int) { statuses << state().shbStatus; });
    engine().scan.General_SokFiler();
    statuses.clear();
    engine().copier.General_Kopier();
    ASSERT_EQ(statuses.size(), 2);
    EXPECT_EQ(statuses[0], "Sikkerhetskopiering pågår...");
    EXPECT_TRUE(statuses[1].startsWith("Kopiering pågår, trykk (Esc) for å avbryte. Nå kopieres "));
}

// A real full disk: a small tmpfs as the destination drive. Needs root and mount.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &dir)
        : m_dir(dir),
          m_mounted(::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=2m") == 0)
    {
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount(QFile::encodeName(m_dir).constData());
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_dir;
    bool m_mounted;
};

// Frees space when the disk-full question comes, like a user changing the disk.
class FreeingDialog : public ScriptedDialog
{
public:
    QString filler;
    Answer messageBox(const QString &text, Buttons b, Icon i, const QString &title, int def) override
    {
        if (text.startsWith("Mottaker-disken er full"))
            QFile::remove(filler);
        return ScriptedDialog::messageBox(text, b, i, title, def);
    }
};

TEST_F(CopyTest, RealDiskFullOnASmallTmpfs)
{
    SmallDisk disk(drives.hostRoot('D'));
    if (!disk.mounted())
        GTEST_SKIP()
            << "cannot mount a tmpfs here (needs root): disk-full covered by the fault-injection test";
    FreeingDialog freeing;
    setDialog(&freeing);
    drives.writeFile("C:\\Data\\Dokumenter\\stor.bin", QByteArray(1024 * 1024, 's'));
    freeing.filler = drives.writeFile("D:\\fyll.bin", QByteArray(1536 * 1024, 'f'));
    engine().scan.General_SokFiler();
    freeing.queueAnswer(Answer::OK);
    engine().copier.General_Kopier();
    setDialog(&dialog);
    EXPECT_EQ(freeing.messages(), QStringList{Copier::kDiskFullMessage});
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\stor.bin").size(), 1024 * 1024);
    EXPECT_TRUE(state().Tilgangsfeil.isEmpty());
    EXPECT_TRUE(leftoverTemporaries(drives.hostRoot('D')).isEmpty());
}

TEST(MirrorCopyReads, AReadNotedForACopyGoesOnceTheNextIsPlaced)
{
    // A file whose mark was already clear never has its read taken: a million of them
    // must not be held for the whole step.
    qvtest::TempDrives drives("CD");
    const auto source = [](const char *name) { return QString("C:\\Kilde\\") + name; };
    const auto noted = [&](const char *name) {
        NotedRead read;
        return peekReadIdentity(QFile::encodeName(drives.host(source(name))), read);
    };
    for (const char *name : {"a.txt", "b.txt"})
        drives.writeFile(source(name), name);
    {
        MirrorCopy mirror("C:\\Kilde\\", "D:\\Ut\\Backup av Kilde\\");
        for (const char *name : {"a.txt", "b.txt"}) {
            ASSERT_TRUE(mirror.makeFolders(source(name)));
            ASSERT_TRUE(mirror.copy(source(name), QString("D:\\Ut\\Backup av Kilde\\") + name).ok());
        }
        EXPECT_FALSE(noted("a.txt"));
        EXPECT_TRUE(noted("b.txt")) << "still the engine's to mark";
    }
    EXPECT_FALSE(noted("b.txt"));
    EXPECT_EQ(drives.readFile("D:\\Ut\\Backup av Kilde\\b.txt"), "b.txt");
}
