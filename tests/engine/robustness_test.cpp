// Runs that must never lose a file, widen access or end a failure as a success:
// each case on real folders, checked in the backup, the log, the end message and
// the source.
#include "support/ChildProcess.h"
#include "support/OtherUser.h"
#include "support/RunFixture.h"
#include "support/TestEnvironment.h"

#include "platform/base/Durable.h"
#include "platform/base/PlatformError.h"
#include "platform/base/StopRequest.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

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
        EXPECT_FALSE(fileAttributes(QString("C:\\Kilde\\") + f).orThrow() & Attr::Archive) << f;
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
    EXPECT_TRUE(fileAttributes("C:\\Kilde\\a.txt").orThrow() & Attr::Archive);
    EXPECT_FALSE(fileAttributes("C:\\Kilde\\b.txt").orThrow() & Attr::Archive);
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
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(src("privat/hemmelig.txt")).constData(), 65534, 65534), 0);
    }
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
    qvtest::runProgram("rm", {"-rf", src(deep.section('/', 0, 0))}); // beyond what QDir can remove
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
        ASSERT_TRUE(giveToNobody(qvtest::processRoot()));
        ASSERT_TRUE(giveToNobody(drives.hostRoot('C').section('/', 0, -2)));
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
    // A folder on another drive that is the source under another name.
    ASSERT_EQ(::symlink(QFile::encodeName(src("")).constData(),
                        QFile::encodeName(drives.hostRoot('D') + "/lenke").constData()),
              0);
    useTemplates({{"Inni", "C:\\Kilde\\", "C:\\Kilde\\Sikring\\"},
                  {"Lenke", "C:\\Kilde\\", "D:\\lenke\\Sikring\\"},
                  {"K", "C:\\Kilde\\", "D:\\Sikring\\"}});
    state().chkAlleMaler.value = true;
    dialog.queueAnswer(Answer::OK);
    dialog.queueAnswer(Answer::No);
    start();
    EXPECT_FALSE(QFile::exists(src("Sikring")));
    EXPECT_EQ(log("BackupLoggAlle.txt").count("Malen ble hoppet over"), 2);
    EXPECT_EQ(lastMessage(), kNotCopied);
    EXPECT_EQ(readHost(mirror("a.txt")), "a");

    state().chkAlleMaler.value = false;
    select("Lenke");
    dialog.clearRecord();
    start();
    EXPECT_EQ(dialog.messages(), QStringList{"Finn en gyldig mottaker-mappe."});
    EXPECT_FALSE(QFile::exists(src("Sikring")));
}

TEST_F(RobustnessTest, MarksAreCommittedOnlyOnceTheCopiesAreDurable)
{
    write("a.txt", "a");
    std::vector<dev_t> synced;
    int result = EIO;
    durable::setSyncHook([&](durable::What what, int fd) {
        struct stat st {
        };
        ::fstat(fd, &st);
        if (what == durable::What::FileSystem)
            synced.push_back(st.st_dev);
        return result;
    });
    const auto noHook = qScopeGuard([] { durable::setSyncHook({}); });
    startAndConfirm();
    // The copy is in place, but it might not survive a power cut: the mark stays.
    EXPECT_EQ(readHost(mirror("a.txt")), "a");
    EXPECT_TRUE(fileAttributes("C:\\Kilde\\a.txt").orThrow() & Attr::Archive);
    result = 0;
    synced.clear();
    startAndConfirm();
    EXPECT_FALSE(fileAttributes("C:\\Kilde\\a.txt").orThrow() & Attr::Archive);
    EXPECT_EQ(synced, std::vector<dev_t>{statOf(mirror("a.txt")).st_dev});
}

TEST_F(RobustnessTest, AStopRequestEndsALargeCopyWithinABlock)
{
    write("a.txt", "a");
    write("stor.bin", QByteArray(8 << 20, 's'));
    quint64 reached = 0;
    setCopyFaultHook([&](const QString &dest, quint64 written) {
        if (!dest.endsWith("stor.bin"))
            return;
        reached = written;
        if (written >= (2u << 20))
            stop::request(); // as a signal would, part way through the file
    });
    const auto reset = qScopeGuard([] { stop::reset(); });
    startAndConfirm();
    EXPECT_EQ(reached, 2u << 20);
    EXPECT_EQ(lastMessage(), "Backup avbrutt av bruker.\nVil du se loggfilen for detaljer?");
    EXPECT_FALSE(QFile::exists(mirror("stor.bin")));
    EXPECT_TRUE(QDir(mirror("")).entryList({".qvb-*"}, QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(fileAttributes("C:\\Kilde\\stor.bin").orThrow() & Attr::Archive);
}

TEST_F(RobustnessTest, LinksLeadNoMarkOutsideAndStaleTemporariesGo)
{
    QTemporaryDir outside;
    const QString target = outside.path() + "/system.conf";
    QFile(target).open(QIODevice::WriteOnly);
    const struct stat before = statOf(target);
    ASSERT_EQ(
        ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(src("lenke.conf")).constData()),
        0);
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

TEST_F(RobustnessTest, LinkedFoldersAreBackedUpAndLoopsBrokenLinksAndTheDestinationNamed)
{
    QTemporaryDir outside;
    QDir().mkpath(outside.path() + "/Dokumenter");
    QFile brev(outside.path() + "/Dokumenter/brev.txt");
    ASSERT_TRUE(brev.open(QIODevice::WriteOnly));
    brev.write("brev");
    brev.close();
    write("sub/a.txt", "a");
    QDir().mkpath(drives.hostRoot('D') + "/Sikring");
    const auto link = [&](const QString &target, const QString &rel) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(src(rel)).constData()),
                  0);
    };
    link(outside.path() + "/Dokumenter", "Dokumenter");
    link(src(""), "sub/ring");
    link("/finnes/ikke", "brutt");
    link(drives.hostRoot('D') + "/Sikring", "sikring");
    link(drives.hostRoot('D'), "disk"); // holds the destination
    startAndConfirm();
    EXPECT_EQ(readHost(mirror("Dokumenter/brev.txt")), "brev");
    EXPECT_TRUE(S_ISDIR(statOf(mirror("Dokumenter")).st_mode));
    EXPECT_EQ(readHost(mirror("sub/a.txt")), "a");
    for (const char *named :
         {"C:\\Kilde\\sub\\ring", "C:\\Kilde\\brutt", "C:\\Kilde\\sikring", "C:\\Kilde\\disk"})
        EXPECT_TRUE(log().contains(named)) << named;
    EXPECT_EQ(lastMessage(), kNotCopied);
    EXPECT_FALSE(QFile::exists(mirror("sikring")));
    EXPECT_FALSE(QFile::exists(mirror("disk")));

    // The mark is the target's: a new-and-changed scan leaves the file out.
    state().optAlle.value = false;
    state().optEndrede.value = true;
    dialog.queueAnswer(Answer::No);
    start();
    for (int i = 1; i <= state().lvw1().GetCount(); ++i)
        EXPECT_FALSE(state().lvw1().GetFile(i).contains("brev")) << qPrintable(state().lvw1().GetFile(i));
}

TEST_F(RobustnessTest, AFileThatBecameASocketIsNamedAndTheRestIsCopied)
{
    for (const char *f : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        write(f, f);
    bool replaced = false;
    setCopyFaultHook([&](const QString &, quint64) {
        if (std::exchange(replaced, true))
            return;
        QFile::remove(src("c.txt"));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(src("c.txt"));
        ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
    });
    startAndConfirm();
    setCopyFaultHook({});
    for (const char *f : {"a.txt", "b.txt", "d.txt", "e.txt"})
        EXPECT_EQ(readHost(mirror(f)), f);
    EXPECT_TRUE(log().contains("C:\\Kilde\\c.txt"));
    EXPECT_EQ(lastMessage(), kNotCopied);
}

TEST_F(RobustnessTest, ABackupNameLongerThanAHostNameIsRefusedWithAMessageSayingSo)
{
    const QString longName = QString(246, 'k'); // "Backup av " makes it 256 bytes
    drives.makeDir("C:\\" + longName);
    drives.writeFile("C:\\" + longName + "\\a.txt", "a");
    useTemplates({{"Lang", "C:\\" + longName + "\\", "D:\\Sikring\\"}});
    select("Lang");
    startAndConfirm();
    EXPECT_TRUE(dialog.messages().join('\n').contains("255")) << qPrintable(dialog.messages().join('\n'));
    EXPECT_TRUE(log().contains(longName + "\\a.txt"));
}

TEST_F(RobustnessTest, DeepTreesAreScannedInTimeLinearInTheirDepth)
{
    // Far beyond the host's path limit; a walk that opens each folder from the top
    // needs minutes for this depth, this one seconds (the bound allows for a busy machine).
    int fd = ::open(QFile::encodeName(src("")).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 4000; ++i) {
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(::openat(fd, "bunn.txt", O_CREAT | O_WRONLY, 0644));
    ::close(fd);
    write("e/etter.txt", "etter");
    QElapsedTimer timer;
    timer.start();
    startAndConfirm();
    const qint64 ms = timer.elapsed();
    qvtest::runProgram("rm", {"-rf", src("d")});
    EXPECT_LT(ms, 60000);
    EXPECT_TRUE(log().contains("bunn.txt  (stien eller navnet er for langt)"));
    EXPECT_EQ(readHost(mirror("e/etter.txt")), "etter");
}

TEST_F(RobustnessTest, EveryHostNameReachesItsOwnCopy)
{
    // "\" and the code points that carry it, alone and together, and a byte that is
    // not UTF-8: no two may meet on one Windows path.
    const QList<QByteArray> names = {"a\\b",
                                     "a\xEF\x81\x9C"
                                     "b",
                                     "a\xEF\x81\x9B"
                                     "b",
                                     "a\xEF\x81\x9B\xEF\x81\x9C"
                                     "b",
                                     "a\xEF\x81\x9B\\b",
                                     "a\xFF"
                                     "b"};
    for (const QByteArray &n : names) {
        const int fd = ::open(QFile::encodeName(src("")) + n, O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::write(fd, n.constData(), size_t(n.size())), n.size());
        ::close(fd);
    }
    startAndConfirm();
    EXPECT_EQ(lastMessage(), kFinished);
    for (const QByteArray &n : names) {
        char buffer[32] = {};
        const int fd = ::open(QFile::encodeName(mirror("")) + n, O_RDONLY);
        EXPECT_EQ(QByteArray(buffer, int(::read(fd, buffer, sizeof buffer))), n) << n.toHex().constData();
        ::close(fd);
    }
}

TEST_F(RobustnessTest, AccessListsAndAttributesGoWithTheCopy)
{
    write("delt.txt", "delt");
    const QByteArray host = QFile::encodeName(src("delt.txt"));
    if (!shareWithNobody(src("delt.txt")) || ::setxattr(host.constData(), "user.merke", "x", 1, 0) != 0)
        GTEST_SKIP() << "no access lists here";
    startAndConfirm();
    const auto value = [](const QString &path, const char *name) {
        char buffer[256];
        const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), name, buffer, sizeof buffer);
        return n < 0 ? QByteArray() : QByteArray(buffer, int(n));
    };
    EXPECT_EQ(value(mirror("delt.txt"), "system.posix_acl_access"),
              value(src("delt.txt"), "system.posix_acl_access"));
    EXPECT_EQ(value(mirror("delt.txt"), "user.merke"), "x");
    EXPECT_EQ(statOf(mirror("delt.txt")).st_mode & 0777, statOf(src("delt.txt")).st_mode & 0777);
}

TEST_F(RobustnessTest, ZipEntriesCarryTheHostBytesAndEveryFolder)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    useTemplates({{"Z", "C:\\Kilde\\", "D:\\Sikring\\", true, true, true}});
    select("Z");
    QDir().mkpath(src("Privat"));
    const QList<QByteArray> names = {"bad\xFF.txt", "bad?.txt", "b\\s.txt", "\xC3\xB8.txt"};
    for (const QByteArray &n : names)
        ::close(::open(QFile::encodeName(src("Privat/")) + n, O_CREAT | O_WRONLY, 0644));
    ::chmod(QFile::encodeName(src("Privat")).constData(), 0700);
    const struct timespec old[2] = {{1500000000, 0}, {1500000000, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(src("Privat")).constData(), old, 0);
    startAndConfirm();
    const QStringList archives = QDir(drives.hostRoot('D') + "/Sikring").entryList({"*.zip"});
    ASSERT_EQ(archives.size(), 1) << qPrintable(log());
    const qvtest::ProgramRun run =
        qvtest::runProgram(python, {"-c",
                                    "import zipfile,sys\n"
                                    "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                                    "  u = i.flag_bits & 0x800\n"
                                    "  print(i.filename.encode('utf-8' if u else 'cp437').hex(), u, "
                                    "oct(i.external_attr >> 16 & 0o777), i.date_time)",
                                    drives.hostRoot('D') + "/Sikring/" + archives[0]});
    const QString listing = QString::fromLatin1(run.output);
    EXPECT_TRUE(listing.contains(QByteArray("Kilde/Privat/").toHex() + " 0 0o700 (2017, 7, 14"))
        << qPrintable(listing);
    for (const QByteArray &n : names)
        EXPECT_TRUE(
            listing.contains(("Kilde/Privat/" + n).toHex() + (n.startsWith("\xC3") ? " 2048 " : " 0 ")))
            << n.toHex().constData() << qPrintable(listing);
}
