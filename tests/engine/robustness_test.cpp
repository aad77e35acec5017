// Runs that must never lose a file, widen access or end a failure as a success:
// each case on real folders, checked in the backup, the log, the end message and
// the source.
#include "support/OtherUser.h"
#include "support/RunFixture.h"
#include "support/TestEnvironment.h"

#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace qv;
using namespace qvtest;

namespace
{

const QString kFinished = "Backup fullført.\nVil du se loggfilen for detaljer?";
const QString kNotCopied = "Backup fullført, men en eller flere filer ble ikke kopiert pga. "
                           "tilgangsfeil,\nVil du se loggfilen for detaljer?";

struct stat statOf(const QString &host)
{
    struct stat st {
    };
    ::lstat(QFile::encodeName(host).constData(), &st);
    return st;
}

QByteArray readHost(const QString &host)
{
    QFile f(host);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class RobustnessTest : public RunTest
{
protected:
    void SetUp() override
    {
        drives.makeDir("C:\\Kilde");
        useTemplates({{"K", "C:\\Kilde\\", "D:\\Sikring\\"}});
        select("K");
    }
    QString src(const QString &rel) const { return drives.hostRoot('C') + "/Kilde/" + rel; }
    QString mirror(const QString &rel) const
    {
        return drives.hostRoot('D') + "/Sikring/Backup av Kilde/" + rel;
    }
    QString lastMessage() const { return dialog.messages().isEmpty() ? QString() : dialog.messages().last(); }
    void write(const QString &rel, const QByteArray &content)
    {
        QDir().mkpath(src(rel).section('/', 0, -2));
        QFile f(src(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
};

} // namespace

TEST_F(RobustnessTest, NamesThatDifferOnlyInCaseAllReachTheBackup)
{
    write("Report.txt", "stor");
    write("report.txt", "liten");
    write("Docs/a.txt", "A");
    write("docs/b.txt", "B");
    startAndConfirm();
    EXPECT_EQ(lastMessage(), kFinished);
    EXPECT_EQ(readHost(mirror("Report.txt")), "stor");
    EXPECT_EQ(readHost(mirror("report.txt")), "liten");
    EXPECT_EQ(readHost(mirror("Docs/a.txt")), "A");
    EXPECT_EQ(readHost(mirror("docs/b.txt")), "B");
    EXPECT_FALSE(QFile::exists(mirror("Docs/b.txt")));
    for (const char *f : {"Report.txt", "report.txt", "Docs\\a.txt", "docs\\b.txt"})
        EXPECT_FALSE(fileAttributes(QString("C:\\Kilde\\") + f) & Attr::Archive) << f;
}

TEST_F(RobustnessTest, AFileEditedWhileItIsCopiedStaysChangedAndTheSourceIsUntouched)
{
    write("a.txt", QByteArray(300000, 'a'));
    write("b.txt", "b");
    const struct stat before = statOf(src("b.txt"));
    setCopyFaultHook([&](const QString &dest, quint64 written) {
        if (dest.endsWith("a.txt") && written == 0) {
            QFile f(src("a.txt"));
            f.open(QIODevice::Append);
            f.write("edit");
        }
    });
    startAndConfirm();
    setCopyFaultHook({});
    EXPECT_TRUE(fileAttributes("C:\\Kilde\\a.txt") & Attr::Archive);
    EXPECT_FALSE(fileAttributes("C:\\Kilde\\b.txt") & Attr::Archive);
    // Nothing written into the source: no attribute, no status change.
    const struct stat after = statOf(src("b.txt"));
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    char names[64];
    EXPECT_EQ(::listxattr(QFile::encodeName(src("b.txt")).constData(), names, sizeof names), 0);
}

TEST_F(RobustnessTest, AccessNeverWidensAndFolderTimesAreKept)
{
    write("privat/hemmelig.txt", "x");
    ::chmod(QFile::encodeName(src("privat/hemmelig.txt")).constData(), 0600);
    ::chmod(QFile::encodeName(src("privat")).constData(), 0700);
    const struct timespec old[2] = {{1500000000, 0}, {1500000000, 123456789}};
    ::utimensat(AT_FDCWD, QFile::encodeName(src("privat")).constData(), old, 0);
    const bool root = ::geteuid() == 0;
    if (root)
        ::chown(QFile::encodeName(src("privat/hemmelig.txt")).constData(), 65534, 65534);
    startAndConfirm();
    const struct stat folder = statOf(mirror("privat")), file = statOf(mirror("privat/hemmelig.txt"));
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    EXPECT_EQ(folder.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(folder.st_mtim.tv_nsec, 123456789);
    if (root) {
        EXPECT_EQ(file.st_uid, 65534u);
        EXPECT_EQ(file.st_gid, 65534u);
    }
}

TEST_F(RobustnessTest, NamesAWindowsPathCannotHoldAndDeepTreesAreBackedUp)
{
    write("a\\b.txt", "skråstrek");
    // A tree deeper than one path can name, made folder by folder.
    QString deep;
    int fd = ::open(QFile::encodeName(src("")).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 20; ++i) {
        const QByteArray part(220, char('a' + i));
        ::mkdirat(fd, part.constData(), 0755);
        const int next = ::openat(fd, part.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        deep += QString::fromLatin1(part) + "/";
    }
    const int file = ::openat(fd, "dyp.txt", O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::write(file, "dyp", 3), 3);
    ::close(file);
    ::close(fd);
    startAndConfirm();
    EXPECT_EQ(readHost(mirror("a\\b.txt")), "skråstrek");
    EXPECT_TRUE(log().contains("C:\\Kilde\\a\\b.txt")); // the real name
    // Beyond the host's path limit the copy cannot be named in one piece: it is listed
    // as not copied, never left out without a word.
    const bool deepCopied = readHost(mirror(deep + "dyp.txt")) == "dyp";
    EXPECT_TRUE(deepCopied || log().contains("dyp.txt")) << qPrintable(log());
    EXPECT_EQ(lastMessage(), deepCopied ? kFinished : kNotCopied);
    QProcess::execute("rm", {"-rf", src(deep.section('/', 0, 0))}); // beyond what QDir can remove
}

TEST_F(RobustnessTest, UnreadableFoldersAreNamedInTheLog)
{
    write("a.txt", "a");
    write("laast/b.txt", "b");
    write("blind/c.txt", "c");
    ::chmod(QFile::encodeName(src("laast")).constData(), 0);
    ::chmod(QFile::encodeName(src("blind")).constData(), 0444); // listable, not searchable
    const auto check = [&] {
        startAndConfirm();
        const QString l = log();
        return int(l.contains("C:\\Kilde\\laast\\")) + 2 * int(l.contains("C:\\Kilde\\blind\\")) +
               4 * int(lastMessage() == kNotCopied);
    };
    int result;
    if (::geteuid() == 0) { // permissions do not bind root: the run goes on as "nobody"
        giveToNobody(qvtest::processRoot());
        giveToNobody(drives.hostRoot('C').section('/', 0, -2));
        result = asNobody(check);
        if (result == -1)
            GTEST_SKIP() << "cannot run as another user here";
    } else {
        result = check();
    }
    ::chmod(QFile::encodeName(src("laast")).constData(), 0755);
    ::chmod(QFile::encodeName(src("blind")).constData(), 0755);
    EXPECT_EQ(result, 7);
}

TEST_F(RobustnessTest, NoFailureEndsAsASuccess)
{
    // Between the scan and the copy one file becomes a pipe and one a folder.
    for (const char *f : {"a.txt", "b.txt", "c.txt"})
        write(f, "x");
    QStringList changed;
    setCopyFaultHook([&](const QString &dest, quint64) {
        if (!changed.isEmpty())
            return;
        for (const char *f : {"a.txt", "b.txt", "c.txt"})
            if (!dest.endsWith(f))
                changed << f;
        QFile::remove(src(changed[0]));
        ::mkfifo(QFile::encodeName(src(changed[0])).constData(), 0600);
        QFile::remove(src(changed[1]));
        QDir().mkdir(src(changed[1]));
    });
    startAndConfirm(); // must not wait on the pipe
    setCopyFaultHook({});
    EXPECT_EQ(lastMessage(), kNotCopied);
    for (const QString &f : changed)
        EXPECT_TRUE(log().contains("C:\\Kilde\\" + f)) << qPrintable(f);

    // A destination folder that cannot be made.
    QFile::remove(src(changed[0]));
    QDir(src(changed[1])).removeRecursively();
    write("a.txt", "a");
    QDir(drives.hostRoot('D') + "/Sikring").removeRecursively();
    QFile(drives.hostRoot('D') + "/Sikring").open(QIODevice::WriteOnly);
    dialog.clearRecord();
    dialog.queueAnswer(Answer::Yes);
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_NE(lastMessage(), kFinished);
    EXPECT_TRUE(log().contains("C:\\Kilde\\a.txt"));
}

TEST_F(RobustnessTest, SparseFilesStaySparseAndReadOnlyFilesKeepBeingBackedUp)
{
    {
        QFile f(src("disk.img"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("start");
        f.seek(256 << 20);
        f.write("slutt");
    }
    write("ro.txt", "første");
    ::chmod(QFile::encodeName(src("ro.txt")).constData(), 0444);
    startAndConfirm();
    const struct stat img = statOf(mirror("disk.img"));
    EXPECT_EQ(img.st_size, (256 << 20) + 5);
    EXPECT_LT(img.st_blocks * 512, 1 << 20);

    ::chmod(QFile::encodeName(src("ro.txt")).constData(), 0644);
    write("ro.txt", "andre");
    ::chmod(QFile::encodeName(src("ro.txt")).constData(), 0444);
    dialog.clearRecord();
    startAndConfirm();
    EXPECT_EQ(lastMessage(), kFinished);
    EXPECT_EQ(readHost(mirror("ro.txt")), "andre");
    EXPECT_EQ(statOf(mirror("ro.txt")).st_mode & 0777, 0444u);
}

TEST_F(RobustnessTest, ABackupNeverLandsInsideItsOwnSource)
{
    write("a.txt", "a");
    useTemplates({{"Inni", "C:\\Kilde\\", "C:\\Kilde\\Sikring\\"}, {"K", "C:\\Kilde\\", "D:\\Sikring\\"}});
    state().chkAlleMaler.value = true;
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_FALSE(QFile::exists(src("Sikring")));
    EXPECT_TRUE(log("BackupLoggAlle.txt").contains("Malen ble hoppet over"));
    EXPECT_EQ(lastMessage(), kNotCopied);
    EXPECT_EQ(readHost(mirror("a.txt")), "a");
}

TEST_F(RobustnessTest, LinksLeadNoMarkOutsideAndStaleTemporariesGo)
{
    QTemporaryDir outside;
    const QString target = outside.path() + "/system.conf";
    QFile(target).open(QIODevice::WriteOnly);
    const struct stat before = statOf(target);
    ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(src("lenke.conf")).constData());
    write("a.txt", "a");
    QDir().mkpath(mirror(""));
    QFile(mirror(".qvb-a.txt-Ab12Cd")).open(QIODevice::WriteOnly); // left by a killed run
    QFile(mirror(".qvb-mine")).open(QIODevice::WriteOnly);         // not of the pattern
    startAndConfirm();
    EXPECT_EQ(statOf(target).st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(statOf(target).st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_FALSE(QFile::exists(mirror(".qvb-a.txt-Ab12Cd")));
    EXPECT_TRUE(QFile::exists(mirror(".qvb-mine")));
}
