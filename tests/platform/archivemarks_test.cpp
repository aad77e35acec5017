// The mark catalog: what a row means, and that every doubt takes the file again.
#include "platform/base/Durable.h"
#include "platform/base/StopRequest.h"
#include "platform/files/FileSystem.h"
#include "platform/marks/ArchiveMarks.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;
using namespace qvtest;

namespace
{

const marks::Location kFile{"uuid:test", "/a/b.txt"};

FileIdentity identity(std::uint64_t inode = 7, std::int64_t size = 10, std::int64_t mtime = 100,
                      std::int64_t ctime = 200)
{
    FileIdentity id;
    id.inode = inode;
    id.size = size;
    id.mtimeNs = mtime;
    id.ctimeNs = ctime;
    return id;
}

// Runs body in a child process; its exit code.
int inChild(const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class MarkCatalogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A catalog of this test's own.
        marks::commit();
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    }
    QTemporaryDir state;
};

} // namespace

TEST_F(MarkCatalogTest, ARowMatchesOnlyTheIdentityItWasWrittenWith)
{
    EXPECT_FALSE(marks::isClear(kFile, identity()));
    marks::clear(kFile, identity());
    EXPECT_TRUE(marks::isClear(kFile, identity()));
    FileIdentity otherDevice = identity();
    otherDevice.device = 99; // the same volume mounted elsewhere
    EXPECT_TRUE(marks::isClear(kFile, otherDevice));
    EXPECT_FALSE(marks::isClear(kFile, identity(8)));
    EXPECT_FALSE(marks::isClear(kFile, identity(7, 11)));
    EXPECT_FALSE(marks::isClear(kFile, identity(7, 10, 101)));
    EXPECT_FALSE(marks::isClear(kFile, identity(7, 10, 100, 201)));
    EXPECT_FALSE(marks::isClear({"uuid:other", kFile.path}, identity()));
    marks::set(kFile);
    EXPECT_FALSE(marks::isClear(kFile, identity()));
    // A row found by a lookup is not written again, but only that row.
    marks::clear(kFile, identity());
    ASSERT_TRUE(marks::isClear(kFile, identity()));
    const marks::Location sibling{kFile.volume, "/a/c.txt"};
    marks::clear(sibling, identity());
    EXPECT_TRUE(marks::isClear(sibling, identity()));
    ASSERT_TRUE(marks::isClear(kFile, identity()));
    marks::clear(kFile, identity(7, 12));
    EXPECT_TRUE(marks::isClear(kFile, identity(7, 12)));
    // The journal files beside the catalog hold paths too: nobody else gets in.
    marks::commit();
    EXPECT_EQ(QFileInfo(QFileInfo(marks::catalogPath()).absolutePath()).permissions() & 0x0077, 0);
}

TEST_F(MarkCatalogTest, RowsOfTheEarlierLayoutKeepTheirMarks)
{
    QDir().mkpath(QFileInfo(marks::catalogPath()).absolutePath());
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(marks::catalogPath()).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE marks_by_destination(volume BLOB NOT NULL, path BLOB NOT NULL,"
                           " destination BLOB NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL,"
                           " mtime INTEGER NOT NULL, ctime INTEGER NOT NULL,"
                           " PRIMARY KEY(volume, path, destination)) WITHOUT ROWID;"
                           "INSERT INTO marks_by_destination VALUES(CAST('uuid:test' AS BLOB),"
                           " CAST('/a/b.txt' AS BLOB), x'', 7, 10, 100, 200);"
                           "INSERT INTO marks_by_destination VALUES(CAST('uuid:test' AS BLOB),"
                           " CAST('/top.txt' AS BLOB), CAST('disk' AS BLOB), 7, 10, 100, 200);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_TRUE(marks::isClear(kFile, identity()));
    EXPECT_FALSE(marks::isClear(kFile, identity(8)));
    marks::FolderRows below({"uuid:test", "/"});
    EXPECT_TRUE(below.see("a/b.txt", identity()));
    EXPECT_TRUE(below.see("top.txt", identity()));
    EXPECT_FALSE(below.see("b.txt", identity()));
}

TEST_F(MarkCatalogTest, AStopFromOutsideSkipsTheLastSyncAndLeavesThoseMarksSet)
{
    int syncs = 0;
    durable::setSyncHook([&](durable::What, int) {
        ++syncs;
        return 0;
    });
    const auto noHook = qScopeGuard([] {
        durable::setSyncHook({});
        stop::reset();
    });
    durable::notePlaced(QFile::encodeName(state.path()) + "/kopi", -1);
    marks::clear(kFile, identity());
    stop::request();
    marks::commit();
    EXPECT_EQ(syncs, 0);
    stop::reset();
    EXPECT_FALSE(marks::isClear(kFile, identity()));
}

TEST_F(MarkCatalogTest, EachCommitSyncsWhatWasPlacedSinceTheLastOneInTheSameFolderToo)
{
    int syncs = 0;
    durable::setSyncHook([&](durable::What, int) {
        ++syncs;
        return 0;
    });
    const auto noHook = qScopeGuard([] { durable::setSyncHook({}); });
    for (const char *copy : {"/a", "/b", "/c"}) {
        durable::notePlaced(QFile::encodeName(state.path()) + copy, -1);
        marks::clear(kFile, identity());
        marks::commit();
    }
    EXPECT_EQ(syncs, 3);
}

TEST_F(MarkCatalogTest, EachDestinationHasItsOwnRowsAndUnnamedOnesArePruned)
{
    QTemporaryDir a, b;
    const QByteArray A = QFile::encodeName(a.path()), B = QFile::encodeName(b.path());
    {
        const marks::ForDestination into{qv::HostPath(A)};
        marks::clear(kFile, identity());
        EXPECT_TRUE(marks::isClear(kFile, identity()));
    }
    {
        const marks::ForDestination into{qv::HostPath(B)};
        EXPECT_FALSE(marks::isClear(kFile, identity()));
        marks::clear(kFile, identity(7, 11));
    }
    marks::commit();
    // Outside a run: clear only while every named destination holds this identity.
    marks::nameDestinations({qv::HostPath(A), qv::HostPath(B)});
    EXPECT_FALSE(marks::isClear(kFile, identity()));
    {
        const marks::ForDestination into{qv::HostPath(B)};
        marks::clear(kFile, identity());
    }
    EXPECT_TRUE(marks::isClear(kFile, identity()));
    marks::nameDestinations(
        {qv::HostPath(B), qv::HostPath(A + "/ikke plugget inn")}); // one missing: nothing pruned
    {
        const marks::ForDestination into{qv::HostPath(A)};
        EXPECT_TRUE(marks::isClear(kFile, identity()));
    }
    marks::nameDestinations({qv::HostPath(B)});
    {
        const marks::ForDestination into{qv::HostPath(A)};
        EXPECT_FALSE(marks::isClear(kFile, identity()));
    }
    marks::nameDestinations({});

    // A volume whose inode numbers change on a remount compares without them.
    const marks::Location remounted{"net:fuse.sshfs:host:/", "/a.txt", true};
    marks::clear(remounted, identity(7));
    EXPECT_TRUE(marks::isClear(remounted, identity(8)));
    EXPECT_FALSE(marks::isClear(remounted, identity(8, 11)));
    EXPECT_TRUE(marks::inodesUnstable("fuse.sshfs", "rw,user_id=0,group_id=0"));
    EXPECT_TRUE(marks::inodesUnstable("cifs", "rw,vers=3.0,noserverino"));
    EXPECT_FALSE(marks::inodesUnstable("cifs", "rw,vers=3.0,serverino"));
    EXPECT_FALSE(marks::inodesUnstable("ext4", "rw"));
}

TEST_F(MarkCatalogTest, RowsInViewAnswerAsTheCatalogDoesIncludingMarksWrittenMeanwhile)
{
    QTemporaryDir tree;
    const QByteArray root = QFile::encodeName(tree.path());
    const marks::Location folder = marks::locateFolder(qv::HostPath(root));
    const auto file = [&](const char *name) { return marks::childOf(folder, name); };
    marks::clear(file("kept"), identity(1));
    marks::clear(file("gone"), identity(2));
    marks::commit();
    {
        const marks::RowsInView view{qv::HostPath(root)};
        EXPECT_TRUE(marks::isClear(file("kept"), identity(1)));
        EXPECT_FALSE(marks::isClear(file("kept"), identity(1, 11)));
        marks::clear(file("new"), identity(3));
        EXPECT_TRUE(marks::isClear(file("new"), identity(3)));
        marks::set(file("gone"));
        EXPECT_FALSE(marks::isClear(file("gone"), identity(2)));
        marks::clear(kFile, identity()); // outside the view
        EXPECT_TRUE(marks::isClear(kFile, identity()));
    }
    marks::commit();
    EXPECT_TRUE(marks::isClear(file("new"), identity(3)));
    EXPECT_FALSE(marks::isClear(file("gone"), identity(2)));
}

TEST_F(MarkCatalogTest, RowsOfFilesAScanNoLongerFindsArePruned)
{
    QTemporaryDir tree;
    const marks::Location folder = marks::locateFolder(qv::HostPath(QFile::encodeName(tree.path())));
    for (const char *name : {"kept", "gone", "sub/deep", "locked/x"})
        marks::clear(marks::childOf(folder, name), identity());
    marks::commit();
    const auto rowOf = [&](const char *name) {
        return marks::FolderRows(folder).identityOf(name) != nullptr;
    };
    {
        marks::FolderRows rows(folder);
        EXPECT_TRUE(rows.see("kept", identity()));
        rows.prune(false, {}); // only this folder was read
    }
    EXPECT_TRUE(rowOf("kept"));
    EXPECT_FALSE(rowOf("gone"));
    EXPECT_TRUE(rowOf("sub/deep"));
    {
        marks::FolderRows rows(folder);
        rows.see("kept", identity());
        rows.prune(true, {"locked"}); // every folder below read, but "locked" could not be
    }
    EXPECT_TRUE(rowOf("kept"));
    EXPECT_FALSE(rowOf("sub/deep"));
    EXPECT_TRUE(rowOf("locked/x"));
}

TEST_F(MarkCatalogTest, AFolderBehindALinkIsKeyedByWhereItReallyIs)
{
    QTemporaryDir tree;
    const QByteArray root = QFile::encodeName(tree.path());
    ASSERT_TRUE(QDir().mkpath(tree.path() + "/real/sub"));
    ASSERT_EQ(::symlink((root + "/real").constData(), (root + "/link").constData()), 0);
    marks::locateFolder(qv::HostPath(root)); // its children are then resolved from it
    EXPECT_EQ(marks::locateFolder(qv::HostPath(root + "/link")).path,
              marks::locateFolder(qv::HostPath(root + "/real")).path);
    EXPECT_EQ(marks::locateFolder(qv::HostPath(root + "/link/sub")).path,
              marks::locateFolder(qv::HostPath(root + "/real/sub")).path);
}

TEST_F(MarkCatalogTest, AMissingOrCorruptCatalogMeansEveryFileChanged)
{
    marks::clear(kFile, identity());
    marks::commit();
    const QString path = marks::catalogPath();
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path() + "/elsewhere"));
    EXPECT_FALSE(marks::isClear(kFile, identity())); // missing: a fresh one
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    EXPECT_TRUE(marks::isClear(kFile, identity()));

    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path() + "/x")); // let go of the file
    EXPECT_FALSE(marks::isClear(kFile, identity()));
    for (const char *suffix : {"-wal", "-shm"})
        QFile::remove(path + suffix);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    }
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    EXPECT_FALSE(marks::isClear(kFile, identity()));
    marks::clear(kFile, identity()); // replaced by a working one
    EXPECT_TRUE(marks::isClear(kFile, identity()));
}

TEST_F(MarkCatalogTest, TwoProcessesClearingAtOnceLoseNoRow)
{
    const auto writer = [](const char *volume) {
        return [volume] {
            for (int i = 0; i < 3000; ++i)
                marks::clear({volume, "/f" + QByteArray::number(i)}, identity(i));
            marks::commit();
            return 0;
        };
    };
    const pid_t a = ::fork();
    if (a == 0)
        ::_exit(writer("A")());
    EXPECT_EQ(inChild(writer("B")), 0);
    int status = 0;
    ::waitpid(a, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int i = 0; i < 3000; i += 7) {
        EXPECT_TRUE(marks::isClear({"A", "/f" + QByteArray::number(i)}, identity(i))) << i;
        EXPECT_TRUE(marks::isClear({"B", "/f" + QByteArray::number(i)}, identity(i))) << i;
    }
}

TEST_F(MarkCatalogTest, AKillDuringATransactionLosesAtMostTheLastSecond)
{
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int i = 0;; ++i) {
            marks::clear({"K", "/f" + QByteArray::number(i)}, identity(i));
            if (i == 100)
                marks::commit();
            // Killed with rows written since the commit, inside the transaction.
            if (i == 200 && ::write(pipe[1], "x", 1) != 1)
                _exit(1); // the parent then reads the end of the pipe and fails
        }
    }
    ::close(pipe[1]);
    char c;
    ASSERT_EQ(::read(pipe[0], &c, 1), 1);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    // Committed rows hold; the catalog still opens and takes new rows.
    EXPECT_TRUE(marks::isClear({"K", "/f100"}, identity(100)));
    marks::clear(kFile, identity());
    EXPECT_TRUE(marks::isClear(kFile, identity()));
}

TEST_F(MarkCatalogTest, AVolumeKeepsItsMarksThroughAnotherMountPoint)
{
    QTemporaryDir mounts;
    const QByteArray first = QFile::encodeName(mounts.path() + "/first"),
                     second = QFile::encodeName(mounts.path() + "/second");
    QDir().mkpath(first), QDir().mkpath(second);
    if (::mount("qvtest", first.constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount here (needs root)";
    ASSERT_EQ(::mount(first.constData(), second.constData(), nullptr, MS_BIND, nullptr), 0);
    QDir().mkpath(QString::fromUtf8(first) + "/mappe");
    const marks::Location a = marks::locateFolder(qv::HostPath(first + "/mappe")),
                          b = marks::locateFolder(qv::HostPath(second + "/mappe"));
    ::umount(second.constData());
    ::umount(first.constData());
    EXPECT_EQ(a.volume, b.volume);
    EXPECT_EQ(a.path, b.path);
    EXPECT_EQ(a.path, "/mappe");
}

TEST_F(MarkCatalogTest, NewAndChangedWorksWithoutExtendedAttributes)
{
    QTemporaryDir dir;
    const QByteArray ramfs = QFile::encodeName(dir.path() + "/ram");
    QDir().mkpath(dir.path() + "/ram");
    if (::mount("qvtest", ramfs.constData(), "ramfs", 0, nullptr) != 0)
        GTEST_SKIP() << "cannot mount ramfs here (needs root)";
    {
        TempDrives drives("R");
        qputenv("QVBACKUP_DRIVES", "R=" + ramfs);
        for (const char *name : {"a.txt", "b.txt"}) {
            QFile f(QString::fromUtf8(ramfs) + "/" + name);
            f.open(QIODevice::WriteOnly);
            f.write("x");
        }
        const auto archived = [](const char *name) {
            return fileAttributes(QString("R:\\") + name).orThrow() & Attr::Archive;
        };
        ASSERT_TRUE(clearArchive("R:\\a.txt").ok());
        ASSERT_TRUE(clearArchive("R:\\b.txt").ok());
        EXPECT_FALSE(archived("a.txt"));
        EXPECT_FALSE(archived("b.txt"));
        QFile f(QString::fromUtf8(ramfs) + "/b.txt");
        f.open(QIODevice::Append);
        f.write("y");
        f.close();
        EXPECT_FALSE(archived("a.txt"));
        EXPECT_TRUE(archived("b.txt"));
    }
    ::umount(ramfs.constData());
}
