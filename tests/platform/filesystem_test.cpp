#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"

#include "support/ErrorOf.h"
#include "support/OtherUser.h"
#include "support/TempTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>

using namespace qv;
using qvtest::asNobody;
using qvtest::errorOf;
using qvtest::giveToNobody;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace
{

// Reads of one folder, counted: a walk that reads it per file shows in the count
// whatever the machine's speed.
std::atomic<const char *> g_countedFolder{nullptr};
std::atomic_int g_folderReads{0};

} // namespace

// Every opendir of the test program passes here.
extern "C" DIR *opendir(const char *name)
{
    using Real = DIR *(*)(const char *);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "opendir"));
    if (const char *counted = g_countedFolder.load(); counted && std::strcmp(name, counted) == 0)
        ++g_folderReads;
    return real(name);
}

namespace
{

QStringList names(const std::vector<DirEntry> &entries)
{
    QStringList out;
    for (const DirEntry &e : entries)
        out << e.name;
    return out;
}

const DirEntry *find(const std::vector<DirEntry> &entries, const QString &name)
{
    for (const DirEntry &e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

void setMode(const QString &host, mode_t mode)
{
    ::chmod(QFile::encodeName(host).constData(), mode);
}

mode_t modeOf(const QString &host)
{
    struct stat st {
    };
    ::lstat(QFile::encodeName(host).constData(), &st);
    return st.st_mode & 07777;
}

// Sets the modification time after the file is closed, so no late flush moves it.
QString writeWithTime(qvtest::TempDrives &drives, const QString &path, const QByteArray &content,
                      const QDateTime &when)
{
    const QString host = drives.writeFile(path, content);
    const qint64 ms = when.toMSecsSinceEpoch();
    const struct timespec t[2] = {{0, UTIME_OMIT}, {time_t(ms / 1000), long(ms % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(host).constData(), t, 0);
    return host;
}

struct timespec mtimeOf(const QString &host)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(host).constData(), &st);
    return st.st_mtim;
}

class FileSystemTest : public ::testing::Test
{
protected:
    qvtest::TempDrives drives{"CD"};
    QString root() const { return drives.hostRoot('C'); }
};

} // namespace

TEST_F(FileSystemTest, ListingMatchesWindowsPatterns)
{
    for (const char *n :
         {"a.txt", "B.TXT", "noext", ".hidden", "to.dots.here.doc", "æøå ÆØÅ.txt", "with space.txt"})
        drives.writeFile(QString("C:\\d\\") + QString::fromUtf8(n), "x");
    drives.makeDir("C:\\d\\Sub.dir");

    const auto all = listDirectory("C:\\d", "*");
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].name, ".");
    EXPECT_EQ(all[1].name, "..");
    EXPECT_EQ(all[0].attributes, Attr::Directory);
    EXPECT_EQ(all[1].attributes, Attr::Directory);
    EXPECT_THAT(names(all),
                UnorderedElementsAre(".", "..", "a.txt", "B.TXT", "noext", ".hidden", "to.dots.here.doc",
                                     "æøå ÆØÅ.txt", "with space.txt", "Sub.dir"));
    EXPECT_EQ(names(listDirectory("C:\\d\\", "*.*")), names(all));

    EXPECT_THAT(names(listDirectory("C:\\D", "*.TXT")),
                UnorderedElementsAre("a.txt", "B.TXT", "æøå ÆØÅ.txt", "with space.txt"));
    EXPECT_THAT(names(listDirectory("C:\\d", "?.txt")), UnorderedElementsAre("a.txt", "B.TXT"));
    EXPECT_THAT(names(listDirectory("C:\\d", "ÆØÅ*")), UnorderedElementsAre("æøå ÆØÅ.txt"));
    EXPECT_THAT(names(listDirectory("C:\\d", "*.dir")), UnorderedElementsAre("Sub.dir"));
    EXPECT_THAT(names(listDirectory("C:\\d", "noext.*")), UnorderedElementsAre("noext"));
    EXPECT_THAT(names(listDirectory("C:\\d", "to.*.doc")), UnorderedElementsAre("to.dots.here.doc"));
    EXPECT_TRUE(listDirectory("C:\\d", "*.zip").empty());
    EXPECT_TRUE(listDirectory("C:\\missing", "*").empty());
    EXPECT_TRUE(listDirectory("Q:\\d", "*").empty());
}

TEST_F(FileSystemTest, WildcardMatchRules)
{
    EXPECT_TRUE(wildcardMatch("*", "noext"));
    EXPECT_TRUE(wildcardMatch("*.*", "noext"));
    EXPECT_TRUE(wildcardMatch("*.txt", "A.TXT"));
    EXPECT_FALSE(wildcardMatch("*.txt", "a.txt.bak"));
    EXPECT_TRUE(wildcardMatch("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(wildcardMatch("a*b*c", "aXXbYY"));
    EXPECT_TRUE(wildcardMatch("??.doc", "Ab.DOC"));
    EXPECT_FALSE(wildcardMatch("??.doc", "Abc.doc"));
    EXPECT_TRUE(wildcardMatch("*.", "README"));
    EXPECT_FALSE(wildcardMatch("*.", "read.me"));
}

TEST_F(FileSystemTest, DriveRootHasNoDotEntriesAndStreamingStops)
{
    drives.writeFile("C:\\a.txt");
    drives.writeFile("C:\\b.txt");
    EXPECT_THAT(names(listDirectory("C:\\", "*")), UnorderedElementsAre("a.txt", "b.txt", "Program"));
    EXPECT_EQ(names(listDirectory("C:", "*")).size(), 3);
    int seen = 0;
    forEachDirEntry("C:\\", "*.txt", [&](const DirEntry &) { return ++seen < 1; });
    EXPECT_EQ(seen, 1);
}

TEST_F(FileSystemTest, AttributeWordFollowsTheHost)
{
    drives.writeFile("C:\\d\\plain.txt", "abc");
    drives.writeFile("C:\\d\\.skjult", "abc");
    const QString ro = drives.writeFile("C:\\d\\ro.txt", "abc");
    setMode(ro, 0444);
    drives.makeDir("C:\\d\\.mappe");

    const auto entries = listDirectory("C:\\d", "*");
    EXPECT_EQ(find(entries, "plain.txt")->attributes, Attr::Archive);
    EXPECT_EQ(find(entries, ".skjult")->attributes, Attr::Archive | Attr::Hidden);
    EXPECT_EQ(find(entries, "ro.txt")->attributes, Attr::Archive | Attr::ReadOnly);
    EXPECT_EQ(find(entries, ".mappe")->attributes, Attr::Directory | Attr::Hidden);
    EXPECT_EQ(fileAttributes("C:\\D\\RO.TXT").orThrow(), Attr::Archive | Attr::ReadOnly);
    EXPECT_EQ(fileAttributes("C:\\d\\.mappe\\").orThrow(), Attr::Directory | Attr::Hidden);
    EXPECT_EQ(errorOf([] { fileAttributes("C:\\d\\nope.txt").orThrow(); }), 53);
    EXPECT_EQ(errorOf([] { fileAttributes("C:\\nope\\nope.txt").orThrow(); }), 76);

    setFileAttributes("C:\\d\\plain.txt", Attr::ReadOnly | Attr::Archive).orThrow();
    EXPECT_EQ(modeOf(root() + "/d/plain.txt") & 0222, 0u);
    setFileAttributes("C:\\d\\plain.txt", Attr::Archive).orThrow();
    EXPECT_NE(modeOf(root() + "/d/plain.txt") & 0200, 0u);
}

TEST_F(FileSystemTest, SizesAndTimes)
{
    const QString big = drives.writeFile("C:\\d\\stor.bin");
    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), 5LL << 30), 0); // sparse
    const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC);
    writeWithTime(drives, "C:\\d\\tid.txt", "12345", when);

    const auto entries = listDirectory("C:\\d", "*");
    EXPECT_EQ(find(entries, "stor.bin")->size, 5ULL << 30);
    EXPECT_EQ(find(entries, "tid.txt")->size, 5u);
    EXPECT_EQ(find(entries, "tid.txt")->lastWriteUtc, when);
    EXPECT_EQ(find(entries, "tid.txt")->lastWriteUtc.timeSpec(), Qt::UTC);
}

TEST_F(FileSystemTest, OddNamesAreListedAndCopyable)
{
    const QByteArray dir = QFile::encodeName(root());
    ::mkdir((dir + "/d").constData(), 0755);
    const QByteArray raw = dir + "/d/latin1-\xE6\xF8\xE5.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::write(fd, "innhold", 7), 7);
    ::close(fd);
    const int bs = ::open((dir + "/d/back\\slash.txt").constData(), O_CREAT | O_WRONLY, 0644);
    ::close(bs);

    const auto entries = listDirectory("C:\\d", "*.txt");
    ASSERT_EQ(entries.size(), 1u); // the name with "\" cannot be addressed
    const QString name = entries[0].name;
    EXPECT_EQ(name, QString("latin1-") + QChar(0xDCE6) + QChar(0xDCF8) + QChar(0xDCE5) + ".txt");

    copyFile("C:\\d\\" + name, "D:\\" + name).orThrow();
    const int cfd =
        ::open((QFile::encodeName(drives.hostRoot('D')) + "/latin1-\xE6\xF8\xE5.txt").constData(), O_RDONLY);
    ASSERT_GE(cfd, 0);
    char buf[16] = {};
    EXPECT_EQ(::read(cfd, buf, sizeof buf), 7);
    ::close(cfd);
    EXPECT_STREQ(buf, "innhold");
    // The temporary folder's clean-up cannot name these.
    ::unlink(raw.constData());
    ::unlink((QFile::encodeName(drives.hostRoot('D')) + "/latin1-\xE6\xF8\xE5.txt").constData());
}

TEST_F(FileSystemTest, SymbolicLinks)
{
    drives.writeFile("C:\\d\\target.txt", "0123456789");
    drives.makeDir("C:\\d\\folder");
    const QByteArray d = QFile::encodeName(root() + "/d");
    ASSERT_EQ(::symlink("folder", (d + "/dirlink").constData()), 0);
    ASSERT_EQ(::symlink(".", (d + "/selfloop").constData()), 0); // a folder that contains itself
    ASSERT_EQ(::symlink("target.txt", (d + "/filelink").constData()), 0);
    ASSERT_EQ(::symlink("gone.txt", (d + "/dangling").constData()), 0);
    ASSERT_EQ(::symlink("loop2", (d + "/loop1").constData()), 0);
    ASSERT_EQ(::symlink("loop1", (d + "/loop2").constData()), 0);
    ASSERT_EQ(::mkfifo((d + "/pipe").constData(), 0644), 0);

    const auto entries = listDirectory("C:\\d", "*");
    EXPECT_THAT(names(entries),
                UnorderedElementsAre(".", "..", "target.txt", "folder", "dirlink", "selfloop", "filelink"));
    EXPECT_TRUE(find(entries, "dirlink")->isLink);
    EXPECT_EQ(find(entries, "dirlink")->attributes & Attr::Directory, Attr::Directory);
    EXPECT_TRUE(find(entries, "selfloop")->isLink);
    EXPECT_FALSE(find(entries, "folder")->isLink);
    const DirEntry *fl = find(entries, "filelink");
    EXPECT_TRUE(fl->isLink);
    EXPECT_EQ(fl->size, 10u);
    EXPECT_EQ(fl->attributes & Attr::Directory, 0u);

    EXPECT_TRUE(folderExists("C:\\d\\dirlink"));
    EXPECT_FALSE(fileExists("C:\\d\\dirlink"));
    EXPECT_TRUE(fileExists("C:\\d\\filelink"));
    EXPECT_FALSE(fileExists("C:\\d\\dangling"));
    EXPECT_EQ(errorOf([] { fileAttributes("C:\\d\\dangling").orThrow(); }), 53);
    copyFile("C:\\d\\filelink", "D:\\copy.txt").orThrow();
    EXPECT_EQ(drives.readFile("D:\\copy.txt"), "0123456789");
}

// The kinds-only listing a sub-folder walk uses must agree with the full one on
// everything such a walk looks at.
TEST_F(FileSystemTest, KindsListingAgreesWithTheFullListing)
{
    drives.writeFile("C:\\k\\a.txt", "a");
    drives.writeFile("C:\\k\\.skjult", "h");
    drives.makeDir("C:\\k\\Mappe");
    drives.makeDir("C:\\k\\.skjult mappe");
    const QByteArray k = QFile::encodeName(root() + "/k");
    ASSERT_EQ(::symlink("Mappe", (k + "/lenke").constData()), 0);
    ASSERT_EQ(::mkfifo((k + "/pipe").constData(), 0644), 0);
    std::map<QString, std::pair<quint32, bool>> full, kinds;
    const quint32 looked = Attr::Directory | Attr::Hidden;
    forEachDirEntry("C:\\k", "*", [&](const DirEntry &e) {
        full[e.name] = {e.attributes & looked, e.isLink};
        return true;
    });
    forEachDirEntry(
        "C:\\k", "*",
        [&](const DirEntry &e) {
            kinds[e.name] = {e.attributes & looked, e.isLink};
            return true;
        },
        ListDetail::Kinds);
    EXPECT_EQ(kinds.size(), 7u); // ".", "..", two files, two folders, the link; no pipe
    for (const auto &[name, k] : kinds) {
        if (k.second)
            continue; // a link's target is not looked at: it is never walked into
        ASSERT_TRUE(full.count(name)) << name.toStdString();
        EXPECT_EQ(full[name], k) << name.toStdString();
    }
    EXPECT_TRUE(kinds["lenke"].second);
}

TEST_F(FileSystemTest, ExistenceAndFolders)
{
    drives.writeFile("C:\\d\\f.txt");
    EXPECT_TRUE(fileExists("C:\\d\\f.txt"));
    EXPECT_TRUE(fileExists("c:\\D\\F.TXT"));
    EXPECT_FALSE(fileExists("C:\\d"));
    EXPECT_FALSE(fileExists("C:\\d\\g.txt"));
    EXPECT_FALSE(fileExists("Q:\\d\\f.txt"));
    EXPECT_TRUE(folderExists("C:\\d"));
    EXPECT_TRUE(folderExists("C:\\D\\"));
    EXPECT_TRUE(folderExists("C:\\"));
    EXPECT_FALSE(folderExists("C:\\d\\f.txt"));
    EXPECT_FALSE(folderExists("Q:\\"));

    EXPECT_TRUE(makePath("C:\\D\\ny\\dypere\\enda\\"));
    EXPECT_TRUE(QFileInfo(root() + "/d/ny/dypere/enda").isDir()); // existing "d" reused, not "D"
    EXPECT_FALSE(QFileInfo::exists(root() + "/D"));
    EXPECT_TRUE(makePath("C:\\d\\ny"));
    EXPECT_FALSE(makePath("C:\\d\\f.txt\\under"));
    EXPECT_FALSE(makePath("Q:\\x"));
}

TEST_F(FileSystemTest, DeleteFile)
{
    drives.writeFile("C:\\d\\f.txt");
    const QString ro = drives.writeFile("C:\\d\\ro.txt");
    setMode(ro, 0444);
    deleteFile("C:\\d\\F.TXT").orThrow();
    EXPECT_FALSE(drives.exists("C:\\d\\f.txt"));
    EXPECT_EQ(errorOf([] { deleteFile("C:\\d\\f.txt").orThrow(); }), 53);
    EXPECT_EQ(errorOf([] { deleteFile("C:\\nope\\f.txt").orThrow(); }), 76);
    EXPECT_EQ(errorOf([] { deleteFile("C:\\d").orThrow(); }), 75);
    EXPECT_EQ(errorOf([] { deleteFile("C:\\d\\ro.txt").orThrow(); }), 75);
    EXPECT_TRUE(drives.exists("C:\\d\\ro.txt"));
    // Deleted and made again under another case: found afresh.
    drives.writeFile("C:\\d\\F.TXT");
    EXPECT_TRUE(fileExists("C:\\d\\f.txt"));
}

class ArchiveMarkTest : public FileSystemTest
{
protected:
    bool archived(const QString &path) { return fileAttributes(path).orThrow() & Attr::Archive; }
};

TEST_F(ArchiveMarkTest, ClearAndSet)
{
    drives.writeFile("C:\\d\\f.txt", "abc");
    EXPECT_TRUE(archived("C:\\d\\f.txt"));
    ASSERT_TRUE(clearArchive("C:\\d\\f.txt").ok());
    EXPECT_FALSE(archived("C:\\d\\f.txt"));
    EXPECT_EQ(fileAttributes("C:\\d\\f.txt").orThrow(), Attr::Normal);
    EXPECT_EQ(find(listDirectory("C:\\d", "*"), "f.txt")->attributes, Attr::Normal);
    ASSERT_TRUE(setArchive("C:\\d\\f.txt").ok());
    EXPECT_TRUE(archived("C:\\d\\f.txt"));
    ASSERT_TRUE(setArchive("C:\\d\\f.txt").ok()); // no mark to remove: fine

    setFileAttributes("C:\\d\\f.txt", fileAttributes("C:\\d\\f.txt").orThrow() - Attr::Archive).orThrow();
    EXPECT_FALSE(archived("C:\\d\\f.txt"));
    setFileAttributes("C:\\d\\f.txt", Attr::Archive).orThrow();
    EXPECT_TRUE(archived("C:\\d\\f.txt"));
}

TEST_F(ArchiveMarkTest, AnyChangeSetsTheAttributeAgain)
{
    const QString host = drives.writeFile("C:\\d\\f.txt", "abc");
    const QByteArray b = QFile::encodeName(host);

    ASSERT_TRUE(clearArchive("C:\\d\\f.txt").ok());
    { // same size, new content
        QFile f(host);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write("xyz");
    }
    EXPECT_TRUE(archived("C:\\d\\f.txt"));

    ASSERT_TRUE(clearArchive("C:\\d\\f.txt").ok());
    const struct timespec later[2] = {{0, UTIME_OMIT}, {mtimeOf(host).tv_sec + 5, 0}};
    ::utimensat(AT_FDCWD, b.constData(), later, 0); // touched
    EXPECT_TRUE(archived("C:\\d\\f.txt"));

    ASSERT_TRUE(clearArchive("C:\\d\\f.txt").ok());
    { // replaced by rename, keeping time and size
        const QString other = drives.writeFile("C:\\d\\ny.tmp", "xyz");
        const QByteArray ob = QFile::encodeName(other);
        const struct timespec same[2] = {{0, UTIME_OMIT}, mtimeOf(host)};
        ::utimensat(AT_FDCWD, ob.constData(), same, 0);
        ASSERT_EQ(::rename(ob.constData(), b.constData()), 0);
    }
    EXPECT_TRUE(archived("C:\\d\\f.txt"));

    ASSERT_TRUE(clearArchive("C:\\d\\f.txt").ok());
    copyFile("C:\\d\\f.txt", "C:\\d\\kopi.txt").orThrow();
    EXPECT_FALSE(archived("C:\\d\\f.txt"));
    EXPECT_TRUE(archived("C:\\d\\kopi.txt"));
    // The mark lives in the catalog, never on the file.
    char names[256];
    EXPECT_EQ(::listxattr(b.constData(), names, sizeof names), 0);
}

TEST_F(ArchiveMarkTest, ReadOnlyFileKeepsItsMode)
{
    const QString host = drives.writeFile("C:\\d\\ro.txt", "abc");
    setMode(host, 0444);
    ASSERT_TRUE(clearArchive("C:\\d\\ro.txt").ok());
    EXPECT_EQ(fileAttributes("C:\\d\\ro.txt").orThrow(), Attr::ReadOnly);
    EXPECT_EQ(modeOf(host), 0444u);
    ASSERT_TRUE(setArchive("C:\\d\\ro.txt").ok());
    EXPECT_EQ(fileAttributes("C:\\d\\ro.txt").orThrow(), Attr::ReadOnly | Attr::Archive);
    EXPECT_EQ(modeOf(host), 0444u);
    // What the copy engine does after a copy: the attribute word minus the archive bit.
    setFileAttributes("C:\\d\\ro.txt", fileAttributes("C:\\d\\ro.txt").orThrow() - Attr::Archive).orThrow();
    EXPECT_EQ(fileAttributes("C:\\d\\ro.txt").orThrow(), Attr::ReadOnly);
    EXPECT_EQ(modeOf(host), 0444u);
}

TEST_F(ArchiveMarkTest, ReadOnlyFileOfAnOrdinaryUser)
{
    const QString host = drives.writeFile("C:\\d\\ro.txt", "abc");
    setMode(host, 0444);
    ASSERT_TRUE(giveToNobody(root()) || ::geteuid() != 0);
    // The child owns the file but lacks the write bit: the mark needs it for a moment.
    const QByteArray state = QFile::encodeName(root() + "/state"); // a catalog the child may write
    const int rc = asNobody([&] {
        qputenv("XDG_STATE_HOME", state);
        try {
            clearArchive("C:\\d\\ro.txt").orThrow();
            if (fileAttributes("C:\\d\\ro.txt").orThrow() != Attr::ReadOnly)
                return 1;
            setArchive("C:\\d\\ro.txt").orThrow();
            if (fileAttributes("C:\\d\\ro.txt").orThrow() != (Attr::ReadOnly | Attr::Archive))
                return 2;
        } catch (const PlatformError &e) {
            return 10 + (e.number() % 100);
        }
        return 0;
    });
    if (rc == -1)
        GTEST_SKIP() << "cannot run as another user here";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(modeOf(host), 0444u);
}

TEST_F(FileSystemTest, CopyKeepsContentTimeAndMode)
{
    QByteArray big(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (char &c : big)
        c = char(QRandomGenerator::global()->generate());
    const QDateTime when(QDate(2020, 1, 2), QTime(3, 4, 5, 678), Qt::UTC);
    const QString src = writeWithTime(drives, "C:\\kilde\\stor.bin", big, when);
    const QString small = writeWithTime(drives, "C:\\kilde\\liten.txt", "liten", when);
    setMode(small, 0444);
    const struct timespec ns[2] = {{0, UTIME_OMIT}, {mtimeOf(src).tv_sec, 123456789}};
    ::utimensat(AT_FDCWD, QFile::encodeName(src).constData(), ns, 0);
    drives.makeDir("D:\\mål");

    copyFile("C:\\kilde\\stor.bin", "D:\\mål\\stor.bin").orThrow();
    copyFile("C:\\KILDE\\LITEN.TXT", "D:\\mål\\liten.txt").orThrow();
    EXPECT_EQ(drives.readFile("D:\\mål\\stor.bin"), big);
    EXPECT_EQ(drives.readFile("D:\\mål\\liten.txt"), "liten");
    EXPECT_EQ(mtimeOf(drives.host("D:\\mål\\stor.bin")).tv_nsec, 123456789);
    EXPECT_EQ(mtimeOf(drives.host("D:\\mål\\stor.bin")).tv_sec, mtimeOf(src).tv_sec);
    EXPECT_EQ(find(listDirectory("D:\\mål", "*"), "liten.txt")->lastWriteUtc, when);
    EXPECT_EQ(modeOf(drives.host("D:\\mål\\liten.txt")), 0444u);
    EXPECT_THAT(names(listDirectory("D:\\mål", "*")),
                UnorderedElementsAre(".", "..", "stor.bin", "liten.txt"));

    drives.writeFile("C:\\kilde\\tom.txt");
    copyFile("C:\\kilde\\tom.txt", "D:\\tom.txt").orThrow();
    EXPECT_TRUE(drives.exists("D:\\tom.txt"));
    EXPECT_EQ(drives.readFile("D:\\tom.txt"), "");
}

TEST_F(FileSystemTest, CopyReplacesAndRefuses)
{
    drives.writeFile("C:\\k\\a.txt", "ny");
    drives.writeFile("D:\\m\\A.TXT", "gammel");
    copyFile("C:\\k\\a.txt", "D:\\m\\a.txt").orThrow(); // the existing name, in its own case
    EXPECT_EQ(drives.readFile("D:\\m\\A.TXT"), "ny");
    EXPECT_FALSE(drives.exists("D:\\m\\a.txt"));

    const QString ro = drives.writeFile("D:\\m\\ro.txt", "beskyttet");
    setMode(ro, 0444);
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\a.txt", "D:\\m\\ro.txt").orThrow(); }), 70);
    EXPECT_EQ(drives.readFile("D:\\m\\ro.txt"), "beskyttet");

    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\borte.txt", "D:\\m\\b.txt").orThrow(); }), 53);
    EXPECT_EQ(errorOf([] { copyFile("C:\\borte\\a.txt", "D:\\m\\b.txt").orThrow(); }), 76);
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\a.txt", "D:\\borte\\b.txt").orThrow(); }), 76);
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\a.txt", "Q:\\b.txt").orThrow(); }), 76);
    EXPECT_EQ(errorOf([] { copyFile("C:\\k", "D:\\m\\b.txt").orThrow(); }), 75);
    drives.makeDir("D:\\m\\mappe");
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\a.txt", "D:\\m\\mappe").orThrow(); }), 75);
    EXPECT_THAT(names(listDirectory("D:\\m", "*")),
                UnorderedElementsAre(".", "..", "A.TXT", "ro.txt", "mappe"));
}

TEST_F(FileSystemTest, FailedCopyLeavesTheOldTargetAndNoTemporaryFile)
{
    const QByteArray content(3 * 1024 * 1024, 'n');
    drives.writeFile("C:\\k\\stor.bin", content);
    drives.writeFile("D:\\m\\stor.bin", "forrige kopi");

    std::vector<quint64> calls;
    setCopyFaultHook([&](const QString &dest, quint64 written) {
        EXPECT_EQ(dest, "D:\\m\\stor.bin");
        calls.push_back(written);
        if (written >= 1024 * 1024)
            raiseError(Err::DiskFull);
    });
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\stor.bin", "D:\\m\\stor.bin").orThrow(); }), 61);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front(), 0u);
    EXPECT_EQ(drives.readFile("D:\\m\\stor.bin"), "forrige kopi");
    EXPECT_THAT(names(listDirectory("D:\\m", "*")), ElementsAre(".", "..", "stor.bin"));

    setCopyFaultHook([](const QString &, quint64) { raiseError(Err::PermissionDenied); });
    EXPECT_EQ(errorOf([] { copyFile("C:\\k\\stor.bin", "D:\\m\\ny.bin").orThrow(); }), 70);
    EXPECT_FALSE(drives.exists("D:\\m\\ny.bin"));
    EXPECT_THAT(names(listDirectory("D:\\m", "*")), ElementsAre(".", "..", "stor.bin"));

    setCopyFaultHook({});
    copyFile("C:\\k\\stor.bin", "D:\\m\\stor.bin").orThrow();
    EXPECT_EQ(drives.readFile("D:\\m\\stor.bin"), content);
}

TEST_F(FileSystemTest, AFileThatGrowsWhileCopiedKeepsItsMarkAndReadsEndWithTheStep)
{
    const QByteArray content(3 * 1024 * 1024, 'g');
    drives.writeFile("C:\\k\\vokser.log", content);
    drives.makeDir("D:\\m");
    bool grown = false;
    setCopyFaultHook([&](const QString &, quint64 written) {
        if (written > 0 && !grown) {
            QFile f(drives.host("C:\\k\\vokser.log"));
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("mer");
            grown = true;
        }
    });
    const quint32 before = fileAttributes("C:\\k\\vokser.log").orThrow();
    copyFile("C:\\k\\vokser.log", "D:\\m\\vokser.log").orThrow();
    setCopyFaultHook({});
    ASSERT_TRUE(grown);
    EXPECT_TRUE(drives.readFile("D:\\m\\vokser.log").startsWith(content));
    setFileAttributes("C:\\k\\vokser.log", before & ~Attr::Archive).orThrow();
    EXPECT_TRUE(fileAttributes("C:\\k\\vokser.log").orThrow() & Attr::Archive);

    // A read never taken out (a file whose mark was clear) goes when the step ends.
    copyFile("C:\\k\\vokser.log", "D:\\m\\vokser.log").orThrow();
    NotedRead read;
    const QByteArray host = QFile::encodeName(drives.host("C:\\k\\vokser.log"));
    EXPECT_TRUE(peekReadIdentity(host, read));
    flushArchiveMarks();
    EXPECT_FALSE(peekReadIdentity(host, read));
}

TEST_F(FileSystemTest, ManyFilesIntoOneFolderReadItOnlyOnce)
{
    // Each new name is looked up without regard to case; that must not cost a
    // folder read per file.
    const int n = 1000;
    drives.makeDir("C:\\k");
    for (int i = 0; i < n; ++i)
        drives.writeFile(QString("C:\\k\\fil%1.txt").arg(i), "x");
    makePath("D:\\m");
    const QByteArray target = QFile::encodeName(drives.host("D:\\m"));
    g_countedFolder = target.constData();
    for (int i = 0; i < n; ++i)
        copyFile(QString("C:\\k\\fil%1.txt").arg(i), QString("D:\\m\\Fil%1.TXT").arg(i)).orThrow();
    const int readsToCopy = g_folderReads.exchange(0);
    int listed = 0;
    forEachDirEntry("D:\\m", "*.*", [&](const DirEntry &) { return ++listed; });
    g_countedFolder = nullptr;
    EXPECT_EQ(listed, n + 2);
    EXPECT_GE(readsToCopy, 1); // the count sees the lookups at all
    EXPECT_LE(readsToCopy, 3);
    EXPECT_EQ(g_folderReads, 0);
}
