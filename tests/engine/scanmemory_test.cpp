// The found files of a large scan are held compactly: a ceiling on the memory a scan
// of 200,000 files adds, which rows of five texts each went far beyond.
#include "support/EngineFixture.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace qvtest;

namespace
{
long peakKb()
{
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
} // namespace

class ScanMemoryTest : public EngineTest
{
};

TEST_F(ScanMemoryTest, SlowScanOf200000FilesStaysWithinItsMemory)
{
    const QByteArray root = QFile::encodeName(drives.host("C:\\Mange"));
    for (int f = 0; f < 2000; ++f) {
        const QByteArray folder = root + "/mappe nummer " + QByteArray::number(f);
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(folder)));
        for (int i = 0; i < 100; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/dokument %05d.txt", i);
            const int fd = ::open((folder + name).constData(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    const long before = peakKb();
    state().Fra = "C:\\Mange\\";
    state().chkUnderkat.value = true;
    state().setOptAlle(true);
    engine().scan.General_SokFiler();
    ASSERT_EQ(state().lvw1().GetCount(), 200000);
    // About 250 bytes a file; rows of five texts took over 500.
    EXPECT_LT(peakKb() - before, 50 * 1024);
}
