#include "platform/system/InstanceLock.h"
#include "support/ChildProcess.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using qv::InstanceLock;

namespace
{
// Started again as a child with QV_HOLD_LOCK=<file>: takes the lock, says so, and
// holds it until killed. Runs before main, so the child never starts the tests.
const bool g_holder = [] {
    const char *file = std::getenv("QV_HOLD_LOCK");
    if (!file)
        return false;
    static InstanceLock lock;
    const bool got = lock.acquireFile(qv::HostPath(QByteArray(file))) == InstanceLock::Result::Acquired;
    std::printf(got ? "held\n" : "refused\n");
    std::fflush(stdout);
    if (got)
        ::pause();
    std::_Exit(got ? 0 : 1);
}();

struct Holder {
    qvtest::ChildProcess p;
    explicit Holder(const QString &file)
        : p(QCoreApplication::applicationFilePath(), {}, {{"QV_HOLD_LOCK", QFile::encodeName(file)}})
    {
    }
    QByteArray firstLine() { return p.readLine().trimmed(); }
};
} // namespace

TEST(InstanceLockTest, SecondProcessIsRefusedUntilTheFirstDies)
{
    qvtest::TempDrives drives;
    const QString file = drives.hostRoot('C') + "/.qvbackup.lock";
    Holder first(file);
    ASSERT_EQ(first.firstLine(), "held");

    InstanceLock mine;
    EXPECT_EQ(mine.acquireFile(qv::HostPath::fromText(file)), InstanceLock::Result::HeldByOther);
    EXPECT_EQ(mine.holderPid(), first.p.pid());
    // Another data folder is free meanwhile.
    InstanceLock other;
    EXPECT_EQ(other.acquireFile(qv::HostPath::fromText(drives.hostRoot('C') + "/other.lock")),
              InstanceLock::Result::Acquired);

    // kill -9 leaves no stale lock.
    first.p.kill();
    first.p.finish();
    EXPECT_EQ(mine.acquireFile(qv::HostPath::fromText(file)), InstanceLock::Result::Acquired);
    Holder second(file);
    EXPECT_EQ(second.firstLine(), "refused");
    mine.release();
    Holder third(file);
    EXPECT_EQ(third.firstLine(), "held");
}
