// The mirror of a source tree: its folders as the source names and protects them, what
// a killed run left behind, and files handed ahead in their order past one that fails.
#include "platform/copy/MirrorCopy.h"
#include "platform/files/FileSystem.h"

#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;

namespace
{

const QString kSource = "C:\\Kilde\\", kMirror = "D:\\Backup av Kilde\\";

struct MirrorCopyTest : ::testing::Test {
    qvtest::TempDrives drives{"CD"};

    QString mirrorHost(const QString &relative) const { return drives.host(kMirror + relative); }
    static QString destinationOf(const QString &source) { return kMirror + source.mid(kSource.size()); }

    // As a run goes: folders, attributes, copy; a file whose folders fail is passed over.
    QStringList copyAll(const QStringList &sources) const
    {
        QStringList passedOver;
        MirrorCopy mirror(kSource, kMirror);
        mirror.copyAhead(
            sources.size(), [&](qsizetype k) { return sources[k]; }, destinationOf,
            [&](qsizetype k) { return QFile::encodeName(drives.host(sources[k])); });
        for (const QString &source : sources) {
            if (!mirror.makeFolders(source)) {
                passedOver << source;
                continue;
            }
            EXPECT_TRUE(mirror.attributes(source).ok()) << qPrintable(source);
            EXPECT_TRUE(mirror.copy(source, destinationOf(source)).ok()) << qPrintable(source);
        }
        return passedOver;
    }
};

struct stat statOf(const QString &host)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(host).constData(), &st);
    return st;
}

bool before(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

void setTimes(const QString &host, time_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 500}};
    ::utimensat(AT_FDCWD, QFile::encodeName(host).constData(), times, 0);
}

} // namespace

TEST_F(MirrorCopyTest, FoldersTakeTheSourceNamesAndOnlyAtTheEndItsModesAndTimes)
{
    const QStringList sources = {kSource + "Docs\\a.txt", kSource + "docs\\b.txt",
                                 kSource + "Les\\Dypt\\c.txt", kSource + "Les\\d.txt"};
    for (const QString &s : sources)
        drives.writeFile(s, s.toUtf8());
    // Read-only folders with files below them: the mirror takes their bits only
    // when everything is in, or the later files could not be written there.
    ::chmod(QFile::encodeName(drives.host(kSource + "Les\\Dypt")).constData(), 0500);
    ::chmod(QFile::encodeName(drives.host(kSource + "Les")).constData(), 0550);
    setTimes(drives.host(kSource + "Les\\Dypt"), 1400000000);
    setTimes(drives.host(kSource + "Les"), 1500000000);

    // The second run meets the read-only folders the first one left.
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(copyAll(sources), QStringList()) << run;
        for (const QString &s : sources)
            EXPECT_EQ(drives.readFile(destinationOf(s)), s.toUtf8()) << run;
        const struct stat les = statOf(mirrorHost("Les")), dypt = statOf(mirrorHost("Les/Dypt"));
        EXPECT_EQ(les.st_mode & 07777, 0550u);
        EXPECT_EQ(dypt.st_mode & 07777, 0500u);
        EXPECT_EQ(les.st_mtim.tv_sec, 1500000000);
        EXPECT_EQ(les.st_mtim.tv_nsec, 500);
        EXPECT_EQ(dypt.st_mtim.tv_sec, 1400000000);
    }
    EXPECT_EQ(QDir(mirrorHost("")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{"Docs", "Les", "docs"}));
    ::chmod(QFile::encodeName(drives.host(kSource + "Les\\Dypt")).constData(), 0700);
    ::chmod(QFile::encodeName(drives.host(kSource + "Les")).constData(), 0700);
    ::chmod(QFile::encodeName(mirrorHost("Les/Dypt")).constData(), 0700);
    ::chmod(QFile::encodeName(mirrorHost("Les")).constData(), 0700);
}

TEST_F(MirrorCopyTest, AKilledRunsTemporaryGoesAndOneOfARunGoingOnStays)
{
    drives.writeFile(kSource + "mappe\\a.txt", "a");
    drives.makeDir(kMirror + "mappe");
    const QString stale = mirrorHost("mappe/.qvb-a.txt-Ab12Cd"), live = mirrorHost("mappe/.qvb-b.txt-Xy34Zw");
    QFile(stale).open(QIODevice::WriteOnly);
    const struct timespec staleChanged = statOf(stale).st_ctim;
    struct timespec now {
    };
    do // the run begins after the stale one's last change
        ::clock_gettime(CLOCK_REALTIME, &now);
    while (!before(staleChanged, now));

    MirrorCopy mirror(kSource, kMirror);
    ::clock_gettime(CLOCK_REALTIME, &now);
    // The file times lag the clock by up to a tick: the other run's temporary is
    // written until its change time is past this run's start.
    for (struct stat st = {}; !before(now, st.st_ctim); st = statOf(live)) {
        QFile f(live);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
        f.write("x");
    }
    ASSERT_TRUE(mirror.makeFolders(kSource + "mappe\\a.txt"));
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(live));
}

TEST_F(MirrorCopyTest, FilesAheadComeInOrderPastOneWhoseFolderCannotBeMade)
{
    // More than are handed ahead at once, on both sides of the one that fails.
    QStringList sources;
    for (int i = 0; i < 150; ++i)
        sources << kSource + (i == 70 ? QString("blokkert\\f%1.txt") : QString("f%1.txt"))
                                 .arg(i, 3, 10, QChar('0'));
    for (const QString &s : sources)
        drives.writeFile(s, s.toUtf8());
    QDir().mkpath(mirrorHost(""));
    QFile(mirrorHost("blokkert")).open(QIODevice::WriteOnly); // a file where the folder goes

    std::mutex mutex;
    QStringList written;
    setCopyFaultHook([&](const QString &destination, quint64) {
        const std::lock_guard lock(mutex);
        if (written.isEmpty() || written.back() != destination)
            written << destination;
    });
    const QStringList passedOver = copyAll(sources);
    setCopyFaultHook({});

    EXPECT_EQ(passedOver, QStringList{sources[70]});
    QStringList expected;
    for (const QString &s : sources)
        if (s != sources[70])
            expected << destinationOf(s);
    EXPECT_EQ(written, expected);
    for (const QString &s : expected)
        EXPECT_EQ(drives.readFile(s), kSource.toUtf8() + s.mid(kMirror.size()).toUtf8()) << qPrintable(s);
    EXPECT_EQ(QDir(mirrorHost("")).entryList(QDir::Files | QDir::Hidden).size(), 150); // no temporaries
}

TEST_F(MirrorCopyTest, TooLongCountsTheNameTheWholePathAndTheTemporary)
{
    const MirrorCopy mirror(kSource, kMirror);
    EXPECT_FALSE(mirror.rootNameTooLong());
    EXPECT_TRUE(MirrorCopy(kSource, "D:\\Backup av " + QString(NAME_MAX, 'k') + "\\").rootNameTooLong());

    EXPECT_FALSE(mirror.tooLong(kSource + QString(NAME_MAX, 'n')));
    EXPECT_TRUE(mirror.tooLong(kSource + QString(NAME_MAX + 1, 'n')));
    EXPECT_TRUE(mirror.tooLong(kSource + "mappe\\" + QString(NAME_MAX + 1, 'n') + "\\a.txt"));
    // The copy's temporary is 12 bytes longer than its path in the mirror.
    const qsizetype room = PATH_MAX - 12 - QFile::encodeName(mirrorHost("")).size();
    QString relative;
    while (relative.size() + 201 < room - 1)
        relative += QString(200, 'm') + "\\";
    relative += QString(room - 1 - relative.size(), 'n');
    EXPECT_FALSE(mirror.tooLong(kSource + relative));
    EXPECT_TRUE(mirror.tooLong(kSource + relative + "n"));
    EXPECT_FALSE(mirror.tooLong("E:\\Kilde\\a.txt")); // no such drive: another reason
}
