// The thread that writes copies ahead: stopped mid-file, meeting a failure, and shut
// down at every point, it leaves neither a temporary nor a copy nobody took.
#include "platform/base/PlatformError.h"
#include "platform/copy/CopyAhead.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <latch>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace
{

struct Folders {
    QTemporaryDir dir;
    Folders() { QDir(dir.path()).mkdir("ut"); }
    HostPath in(const QString &name) const { return HostPath::fromText(dir.path() + "/" + name); }
    HostPath out(const QString &name) const { return HostPath::fromText(dir.path() + "/ut/" + name); }
    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(in(name).text());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    void push(CopyAhead &ahead, const QString &name) const { ahead.push(in(name), out(name), "D:\\" + name); }
    QStringList copies() const
    {
        return QDir(dir.path() + "/ut").entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
};

} // namespace

TEST(CopyAheadTest, AHaltStopsALargeFileWithinABlock)
{
    Folders f;
    // 1.5 GB of holes with a little data every 64 MiB: copied piece by piece.
    const int fd = ::open(QFile::encodeName(f.in("stor.bin").text()).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const off_t size = off_t(1536) << 20;
    ASSERT_EQ(::ftruncate(fd, size), 0);
    for (off_t at = 0; at < size; at += off_t(64) << 20)
        ASSERT_EQ(::pwrite(fd, "x", 1, at), 1);
    ::close(fd);

    f.write("a", "a");
    std::latch reached(1), release(1);
    std::atomic_int pieces = 0;
    auto ahead = std::make_unique<CopyAhead>([&](const QString &destination, quint64) {
        if (destination.endsWith("stor.bin") && ++pieces == 3) {
            reached.count_down();
            release.wait();
        }
    });
    f.push(*ahead, "a");
    f.push(*ahead, "stor.bin");
    (void)ahead->take(); // the thread goes on to the large file
    reached.wait();
    ahead->halt();
    release.count_down();
    ahead.reset();
    EXPECT_EQ(pieces, 3);
    EXPECT_EQ(f.copies(), QStringList());
}

TEST(CopyAheadTest, AFailureAheadWaitsForTheCallerAndReachesItAsThrown)
{
    Folders f;
    for (const char *name : {"a", "b", "c"})
        f.write(name, name);
    std::atomic_int afterFailure = 0;
    CopyAhead ahead([&](const QString &destination, quint64) {
        if (destination.endsWith("b"))
            throw std::runtime_error("lesefeil");
        if (destination.endsWith("c"))
            ++afterFailure;
    });
    for (const char *name : {"a", "b", "c"})
        f.push(ahead, name);
    hostfs::WrittenCopy a = ahead.take();
    hostfs::placeCopy(a);
    EXPECT_EQ(ahead.front(), nullptr);
    // A full disk fails every file alike: nothing more is written until the caller
    // has met the failure.
    EXPECT_EQ(afterFailure, 0);
    EXPECT_THROW(ahead.take(), std::runtime_error);
    hostfs::WrittenCopy c = ahead.take();
    hostfs::placeCopy(c);
    EXPECT_EQ(f.copies(), (QStringList{"a", "c"}));
}

TEST(CopyAheadTest, ShutdownAtAnyPointLeavesNothingBehind)
{
    enum Point { Idle, Pushed, Writing, Written, Failed, TakenNotPlaced, End };
    for (int point = Idle; point < End; ++point) {
        Folders f;
        f.write("a", "a");
        f.write("b", QByteArray(3 << 20, 'b'));
        std::latch reached(1), release(1);
        auto ahead = std::make_unique<CopyAhead>([&](const QString &destination, quint64) {
            if (point == Failed && destination.endsWith("a"))
                throw PlatformError(Err::DiskFull);
            if (point == Writing && destination.endsWith("b")) {
                reached.count_down();
                release.wait();
            }
        });
        if (point != Idle) {
            f.push(*ahead, "a");
            f.push(*ahead, "b");
        }
        if (point == Writing) {
            (void)ahead->take();
            reached.wait();
            std::thread shutdown([&] { ahead.reset(); });
            release.count_down();
            shutdown.join();
        } else if (point == Written || point == Failed) {
            EXPECT_EQ(ahead->front() == nullptr, point == Failed);
        } else if (point == TakenNotPlaced) {
            (void)ahead->take();
        }
        ahead.reset();
        EXPECT_EQ(f.copies(), QStringList()) << "point " << point;
    }
}
