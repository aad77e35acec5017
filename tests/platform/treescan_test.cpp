// The scan's walk: the folder read-ahead shut down at any point or failing on either
// thread, and a walk stopped part way that must not take the unread folders' marks for
// gone files.
#include "platform/files/FileSystem.h"
#include "platform/scan/FolderReader.h"
#include "platform/scan/TreeScan.h"
#include "support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <latch>
#include <stdexcept>
#include <thread>

using namespace qv;

TEST(TreeScanTest, AWalkStoppedPartWayKeepsTheMarksBelowTheFoldersNotRead)
{
    qvtest::TempDrives drives("C");
    drives.writeFile("C:\\K\\a.txt", "a");
    drives.writeFile("C:\\K\\sub\\b.txt", "b");
    ASSERT_TRUE(clearArchive("C:\\K\\a.txt").ok());
    ASSERT_TRUE(clearArchive("C:\\K\\sub\\b.txt").ok());
    flushArchiveMarks();
    {
        TreeScan scan("C:\\K\\", true);
        int met = 0;
        EXPECT_TRUE(scan.list("C:\\K\\", [&](const ScanEntry &) { ++met; }));
        EXPECT_EQ(met, 2);
    } // stopped before "sub"
    EXPECT_FALSE(fileAttributes("C:\\K\\sub\\b.txt").orThrow() & Attr::Archive);
    EXPECT_FALSE(fileAttributes("C:\\K\\a.txt").orThrow() & Attr::Archive);
}

TEST(FolderReadAheadTest, ShutdownAtAnyPointOfTheWalk)
{
    qvtest::TempDrives drives("C");
    for (const char *f : {"a\\x\\1", "a\\y\\2", "b\\3", "c\\z\\w\\4"})
        drives.writeFile(QString("C:\\T\\") + f, "x");
    const QByteArray root = QFile::encodeName(drives.host("C:\\T"));
    const std::vector<std::string> order{"", "a", "a/x", "a/y", "b", "c", "c/z", "c/z/w"};
    for (std::size_t stopAt = 0; stopAt <= order.size(); ++stopAt) {
        FolderReadAhead ahead(HostPath(root), true);
        for (std::size_t i = 0; i < stopAt; ++i) {
            // Parents before their folders, whatever order the host lists them in.
            const auto listing = ahead.take(order[i]);
            ASSERT_TRUE(listing) << order[i];
        }
    }
}

TEST(FolderReadAheadTest, AFailureReadingAFolderReachesTheCallerAtThatFolderOnce)
{
    qvtest::TempDrives drives("C");
    drives.writeFile("C:\\T\\a\\1", "x");
    drives.writeFile("C:\\T\\b\\2", "x");
    const QByteArray root = QFile::encodeName(drives.host("C:\\T"));
    const auto caller = std::this_thread::get_id();
    for (const bool onCaller : {false, true}) {
        // The thread is held in the first subfolder it reads; the caller then reads the other.
        std::latch reached(1), release(1);
        std::string held;
        FolderReadAhead ahead(HostPath(root), true, {}, [&](const std::string &relative) {
            if (relative.empty())
                return;
            if (std::this_thread::get_id() == caller) {
                if (onCaller)
                    throw std::runtime_error("lesefeil");
            } else if (held.empty()) {
                held = relative;
                reached.count_down();
                release.wait();
                if (!onCaller)
                    throw std::runtime_error("lesefeil");
            }
        });
        reached.wait();
        const std::string other = held == "a" ? "b" : "a";
        ASSERT_TRUE(ahead.take(""));
        if (onCaller) {
            EXPECT_THROW(ahead.take(other), std::runtime_error);
            release.count_down();
            EXPECT_TRUE(ahead.take(held));
        } else {
            release.count_down();
            EXPECT_THROW(ahead.take(held), std::runtime_error);
            EXPECT_FALSE(ahead.take(held)); // the caller reads it itself
        }
        // The walk has ended: a folder it never reached does not keep the caller waiting.
        EXPECT_FALSE(ahead.take("c"));
    }
}
