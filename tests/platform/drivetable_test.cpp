#include "platform/paths/DriveTable.h"
#include "platform/paths/FoundFolders.h"
#include "platform/paths/MountTable.h"

#include "support/TempTree.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSettings>
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace qv;

namespace
{
// The conversions as text, so that each expectation reads as the path it is.
std::optional<QString> hostOf(const DriveTable &t, const QString &windowsPath)
{
    const auto host = t.toHost(WinPath(windowsPath));
    return host ? std::optional<QString>(host->text()) : std::nullopt;
}

std::optional<QString> windowsOf(const DriveTable &t, const QString &hostPath)
{
    const auto windows = t.toWindows(HostPath::fromText(hostPath));
    return windows ? std::optional<QString>(windows->text()) : std::nullopt;
}
} // namespace

// A Windows path, a host path and plain text never stand in for one another.
static_assert(!std::is_convertible_v<QString, WinPath> && !std::is_convertible_v<WinPath, QString>);
static_assert(!std::is_convertible_v<QString, HostPath> && !std::is_convertible_v<HostPath, QString>);
static_assert(!std::is_convertible_v<QByteArray, HostPath> && !std::is_convertible_v<HostPath, QByteArray>);
static_assert(!std::is_constructible_v<HostPath, QString> && !std::is_constructible_v<HostPath, WinPath>);
static_assert(!std::is_constructible_v<WinPath, HostPath>);
static_assert(!std::is_convertible_v<WinPath, HostPath> && !std::is_convertible_v<HostPath, WinPath>);

TEST(HostPathTest, JoinsBytesAndTextApart)
{
    // A carried byte at the end of the folder and one at the start of the name stay two bytes.
    const HostPath folder(QByteArray("/data/\xE6"));
    const HostPath file = folder / (QString(QChar(0xDCF8)) + "x");
    EXPECT_EQ(file.bytes(), QByteArray("/data/\xE6/\xF8x"));
    EXPECT_EQ(file, HostPath::fromText(file.text()));
    EXPECT_EQ((HostPath(QByteArray("/")) / QString("a")).bytes(), QByteArray("/a"));
    EXPECT_EQ(file.parent(), folder);
    EXPECT_EQ(HostPath(QByteArray("/a")).parent().bytes(), QByteArray("/"));
}

TEST(DriveTableTest, ParsesTheEnvironmentSyntax)
{
    const DriveTable t =
        DriveTable::parse("c=/srv/c/;D=/media/usb:2:USB;X=/net/share:4::\\\\server\\share;;bad;Q=");
    ASSERT_EQ(t.drives().size(), 3u);
    const Drive *c = t.drive('c');
    ASSERT_TRUE(c);
    EXPECT_EQ(c->letter, QChar('C'));
    EXPECT_EQ(c->hostDir.text(), "/srv/c");
    EXPECT_EQ(c->type, DriveType::Fixed);
    const Drive *d = t.drive('D');
    ASSERT_TRUE(d);
    EXPECT_EQ(d->type, DriveType::Removable);
    EXPECT_EQ(d->label, "USB");
    const Drive *x = t.drive('x');
    ASSERT_TRUE(x);
    EXPECT_EQ(x->type, DriveType::Network);
    EXPECT_EQ(x->label, "");
    EXPECT_EQ(x->share, "\\\\server\\share");
    EXPECT_FALSE(t.drive('Q'));
    EXPECT_EQ(DriveTable::parse("R=/").drive('R')->hostDir.text(), "/");
}

TEST(DriveTableTest, ResolvesComponentsWithoutRegardToCase)
{
    qvtest::TempDrives drives("CD");
    drives.writeFile("C:\\Data\\Rapporter\\Årsrapport.TXT", "x");
    const DriveTable &t = DriveTable::current();
    const QString root = drives.hostRoot('C');

    EXPECT_EQ(hostOf(t, "C:\\Data\\Rapporter\\Årsrapport.TXT"), root + "/Data/Rapporter/Årsrapport.TXT");
    EXPECT_EQ(hostOf(t, "c:\\DATA\\rapporter\\årsrapport.txt"), root + "/Data/Rapporter/Årsrapport.TXT");
    // Missing components are kept as written, after the last one that matched.
    EXPECT_EQ(hostOf(t, "C:\\data\\Ny mappe\\ny.txt"), root + "/Data/Ny mappe/ny.txt");
    EXPECT_EQ(hostOf(t, "C:\\data\\rapporter\\NY.txt"), root + "/Data/Rapporter/NY.txt");
    // Roots, doubled and forward separators, dot components.
    EXPECT_EQ(hostOf(t, "C:"), root);
    EXPECT_EQ(hostOf(t, "c:\\"), root);
    EXPECT_EQ(hostOf(t, "C:\\data\\\\rapporter\\"), root + "/Data/Rapporter");
    EXPECT_EQ(hostOf(t, "C:\\data/rapporter\\.\\..\\Rapporter"), root + "/Data/Rapporter");
    EXPECT_EQ(hostOf(t, "D:\\x"), drives.hostRoot('D') + "/x");
    EXPECT_FALSE(hostOf(t, "E:\\x"));
    EXPECT_FALSE(hostOf(t, "Data\\x"));
    EXPECT_FALSE(hostOf(t, ""));
}

TEST(DriveTableTest, ExactNameWinsAndFirstCaseMatchIsStable)
{
    qvtest::TempDrives drives;
    drives.writeFile("C:\\d\\abc.txt", "lower");
    drives.writeFile("C:\\d\\ABC.txt", "upper");
    const DriveTable &t = DriveTable::current();
    EXPECT_EQ(hostOf(t, "C:\\d\\abc.txt"), drives.hostRoot('C') + "/d/abc.txt");
    EXPECT_EQ(hostOf(t, "C:\\d\\ABC.txt"), drives.hostRoot('C') + "/d/ABC.txt");
    const auto mixed = hostOf(t, "C:\\d\\Abc.TXT");
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(*mixed == drives.hostRoot('C') + "/d/abc.txt" ||
                *mixed == drives.hostRoot('C') + "/d/ABC.txt");
    EXPECT_EQ(hostOf(t, "C:\\d\\aBC.txt"), mixed);
}

TEST(DriveTableTest, SeesFoldersMadeBehindItsBack)
{
    qvtest::TempDrives drives;
    drives.makeDir("C:\\d");
    const DriveTable &t = DriveTable::current();
    EXPECT_EQ(hostOf(t, "C:\\d\\NY"), drives.hostRoot('C') + "/d/NY");
    // Created by someone else after the folder was indexed.
    ASSERT_TRUE(QDir().mkdir(drives.hostRoot('C') + "/d/ny"));
    EXPECT_EQ(hostOf(t, "C:\\d\\NY\\f.txt"), drives.hostRoot('C') + "/d/ny/f.txt");
}

TEST(DriveTableTest, ToWindowsTakesTheLongestPrefix)
{
    const DriveTable t = DriveTable::parse("C=/;D=/media/usb;E=/media/usb/inner;F=/media/usb2");
    EXPECT_EQ(windowsOf(t, "/home/ola/a.txt"), "C:\\home\\ola\\a.txt");
    EXPECT_EQ(windowsOf(t, "/"), "C:\\");
    EXPECT_EQ(windowsOf(t, "/media/usb"), "D:\\");
    EXPECT_EQ(windowsOf(t, "/media/usb/"), "D:\\");
    EXPECT_EQ(windowsOf(t, "/media/usb/x/y"), "D:\\x\\y");
    EXPECT_EQ(windowsOf(t, "/media/usb/inner/z"), "E:\\z");
    EXPECT_EQ(windowsOf(t, "/media/usb2/z"), "F:\\z");
    EXPECT_EQ(windowsOf(t, "/media/usbx/z"), "C:\\media\\usbx\\z");
    EXPECT_FALSE(windowsOf(t, "relative/path"));
    EXPECT_FALSE(windowsOf(t, "/home/a\\b"));
    const DriveTable noRoot = DriveTable::parse("D=/srv/d");
    EXPECT_FALSE(windowsOf(noRoot, "/srv/other"));
}

TEST(DriveTableTest, FollowsTheEnvironmentWhenItChanges)
{
    const DriveTable *before = &DriveTable::current();
    const QString oldC = before->drive('C')->hostDir.text();
    {
        qvtest::TempDrives drives("CK");
        const DriveTable &now = DriveTable::current();
        EXPECT_EQ(now.drive('C')->hostDir.text(), drives.hostRoot('C'));
        ASSERT_TRUE(now.drive('K'));
        // A table handed out earlier stays usable.
        EXPECT_EQ(before->drive('C')->hostDir.text(), oldC);
    }
    EXPECT_EQ(DriveTable::current().drive('C')->hostDir.text(), oldC);
    EXPECT_FALSE(DriveTable::current().drive('K'));
}

TEST(DriveTableTest, HostBytesRoundTrip)
{
    const QByteArray samples[] = {QByteArray("plain/ascii"),
                                  QByteArray("bl\xC3\xA5"
                                             "b\xC3\xA6r"),
                                  QByteArray("latin1 \xE6\xF8\xE5"),
                                  QByteArray("trunc \xC3"),
                                  QByteArray("surrogate \xED\xA0\x80"),
                                  QByteArray("overlong \xC0\xAF"),
                                  QByteArray("emoji \xF0\x9F\x98\x80")};
    for (const QByteArray &b : samples)
        EXPECT_EQ(hostPathBytes(hostPathFromBytes(b)), b) << b.toHex().constData();
    EXPECT_EQ(hostPathFromBytes(QByteArray("bl\xC3\xA5")), QString::fromUtf8("blå"));
    EXPECT_EQ(hostPathFromBytes(QByteArray("\xE6")), QString(QChar(0xDCE6)));
}

TEST(DriveTableTest, ResolvesNamesThatAreNotUtf8)
{
    qvtest::TempDrives drives;
    const QByteArray dir = QFile::encodeName(drives.hostRoot('C'));
    const QByteArray raw = dir + "/gammel \xE6\xF8\xE5.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString name = QString("gammel ") + QChar(0xDCE6) + QChar(0xDCF8) + QChar(0xDCE5) + ".txt";
    const auto host = hostOf(DriveTable::current(), "C:\\" + name);
    ASSERT_TRUE(host);
    EXPECT_EQ(hostPathBytes(*host), raw);
    EXPECT_EQ(windowsOf(DriveTable::current(), *host), "C:\\" + name);
}

TEST(DriveTableTest, ProgramFolderAndLocalAppData)
{
    qvtest::TempDrives drives;
    drives.setProgramFolder("C:\\Programmer\\Backup\\");
    EXPECT_EQ(programFolder(), "C:\\Programmer\\Backup");
    drives.setProgramFolder("C:\\");
    EXPECT_EQ(programFolder(), "C:\\");

    qputenv("LocalAppData", "C:\\Users\\ola\\AppData\\Local");
    EXPECT_EQ(localAppDataFolder(), "C:\\Users\\ola\\AppData\\Local");
    qunsetenv("LocalAppData");
    // Unset: the XDG data home, which the test table does not reach...
    EXPECT_EQ(localAppDataFolder(), "");
    // ...until it lies on a drive.
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    drives.makeDir("C:\\home\\data");
    qputenv("XDG_DATA_HOME", QFile::encodeName(drives.host("C:\\home\\data")));
    EXPECT_EQ(localAppDataFolder(), "C:\\home\\data");
    qputenv("XDG_DATA_HOME", oldData);
}

TEST(DriveTableTest, MountedVolumesKeepTheirLetters)
{
    const QByteArray root = "22 1 0:21 / / rw,relatime shared:1 - ext4 /dev/nodisk rw\n";
    const QByteArray usb = "40 22 0:40 / /media/ola/USB\\040PINNE rw shared:2 - vfat /dev/nousb1 rw\n";
    const QByteArray nas = "41 22 0:41 / /mnt/nas rw shared:3 - nfs4 nas.local:/export/data rw\n";
    const QByteArray cd = "42 22 0:42 / /run/media/ola/CD rw shared:4 - iso9660 /dev/nocd ro\n";
    const QByteArray ram = "43 22 0:43 / /mnt/ram rw shared:5 - tmpfs tmpfs rw\n";
    const QByteArray other = "44 22 0:44 / /srv/data rw shared:6 - ext4 /dev/noother rw\n";
    const QByteArray smb = "45 22 0:45 / /mnt/del rw shared:7 - cifs //server/del rw\n";

    const DriveTable first = DriveTable::fromMountInfo(root + usb + nas + cd + ram + other);
    ASSERT_TRUE(first.drive('C'));
    EXPECT_EQ(first.drive('C')->hostDir.text(), "/");
    EXPECT_EQ(first.drive('D')->hostDir.text(), "/media/ola/USB PINNE");
    EXPECT_EQ(first.drive('E')->hostDir.text(), "/mnt/nas");
    EXPECT_EQ(first.drive('E')->type, DriveType::Network);
    EXPECT_EQ(first.drive('E')->share, "\\\\nas.local\\export\\data");
    EXPECT_EQ(first.drive('F')->type, DriveType::CdRom);
    EXPECT_EQ(first.drive('G')->type, DriveType::RamDisk);
    EXPECT_EQ(first.drives().size(), 5u); // /srv is no volume folder
    EXPECT_EQ(windowsOf(first, "/media/ola/USB PINNE/bilder"), "D:\\bilder");
    EXPECT_EQ(windowsOf(first, "/srv/data/x"), "C:\\srv\\data\\x");

    // The stick is pulled: its letter stays taken, a new volume gets the next free one.
    const DriveTable second = DriveTable::fromMountInfo(root + nas + smb);
    ASSERT_TRUE(second.drive('D'));
    EXPECT_FALSE(second.drive('D')->mounted);
    EXPECT_FALSE(hostOf(second, "D:\\bilder"));
    EXPECT_EQ(second.drive('E')->hostDir.text(), "/mnt/nas");
    EXPECT_EQ(second.drive('H')->hostDir.text(), "/mnt/del");
    EXPECT_EQ(second.drive('H')->share, "\\\\server\\del");

    // Back again, in another order: the same letters.
    const DriveTable third = DriveTable::fromMountInfo(root + smb + cd + usb);
    EXPECT_EQ(third.drive('D')->hostDir.text(), "/media/ola/USB PINNE");
    EXPECT_TRUE(third.drive('D')->mounted);
    EXPECT_EQ(third.drive('F')->hostDir.text(), "/run/media/ola/CD");
    EXPECT_EQ(third.drive('H')->hostDir.text(), "/mnt/del");
}

TEST(DriveTableTest, APathNoHostPathCanHoldIsRefusedNotCutShort)
{
    qvtest::TempDrives drives;
    drives.writeFile("C:\\Data\\a.txt", "a");
    const QChar nul(0);
    for (const QString &bad : {"C:\\Data" + QString(nul) + "x", "C:\\Data\\a.txt" + QString(nul),
                               "C:\\Data\\" + QString(QChar(0xD800)), "C:\\Data\\" + QString(QChar(0xDC2F))})
        EXPECT_FALSE(hostOf(DriveTable::current(), bad)) << bad.toStdString();
    EXPECT_TRUE(hostOf(DriveTable::current(), "C:\\Data\\" + QString(QChar(0xDCFF))));
}

TEST(DriveTableTest, RememberedLettersAreOnlyAToZ)
{
    qvtest::TempDrives drives;
    {
        QSettings store(QStringLiteral("qvbackup"), QStringLiteral("drives"));
        store.setValue("volumes/mount%3A%2Fmnt%2Fbokstav", QString::fromUtf8("ß:Bokstav"));
        store.setValue("volumes/uuid%3Aborte", QString::fromUtf8("ø:Borte"));
    }
    const DriveTable t = DriveTable::fromMountInfo("22 1 0:21 / / rw - ext4 /dev/nodisk rw\n"
                                                   "46 22 0:46 / /mnt/bokstav rw - ext4 /dev/nob rw\n");
    for (const Drive &d : t.drives())
        EXPECT_TRUE(d.letter >= u'A' && d.letter <= u'Z') << QString(d.letter).toStdString();
    const auto host = hostOf(t, windowsOf(t, "/mnt/bokstav").value_or(QString()));
    EXPECT_EQ(host, "/mnt/bokstav");
}

TEST(MountTableTest, ReadInLinearTimeLaterMountsHideEarlierOnes)
{
    QByteArray text;
    constexpr int kLines = 50000;
    for (int i = 0; i < kLines; ++i)
        text += QByteArray::number(100 + i) + " 22 0:" + QByteArray::number(i % 97) + " / /srv/m" +
                QByteArray::number(i % (kLines - 10)) + " rw - ext4 /dev/x" + QByteArray::number(i) + " rw\n";
    text += "9 22 0:1 / /srv/nul\\000x rw - ext4 /dev/nul rw\n"; // no host path holds a NUL
    // Processor time, not wall time: other work on the machine must not count.
    const auto cpuMs = [] {
        struct timespec t;
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
    };
    const long long start = cpuMs();
    const std::vector<MountInfo> mounts = parseMountInfo(text);
    EXPECT_LT(cpuMs() - start, 1000); // a quadratic reader takes seconds here
    ASSERT_EQ(mounts.size(), size_t(kLines - 10));
    EXPECT_EQ(mounts.back().mountPoint, "/srv/m9");
    EXPECT_EQ(mounts.back().source, "/dev/x" + QString::number(kLines - 1));
}

TEST(DriveTableTest, CarriedNamesAreOneToOneAndComeBack)
{
    // Every code point the carrying uses, alone, doubled and side by side.
    const QChar slash(u'\\'), carried(qv::kCarriedBackslash), escape(qv::kCarryEscape);
    QStringList names;
    for (const QChar a : {slash, carried, escape, QChar(u'x')})
        for (const QChar b : {slash, carried, escape, QChar(u'x')})
            names << QString("a") + a + b << QString(a) + "b" + b;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString carriedName = qv::windowsName(name);
        EXPECT_FALSE(carriedName.contains(slash)) << qPrintable(name);
        EXPECT_EQ(qv::hostNameText(carriedName), name);
        seen.insert(carriedName);
    }
    EXPECT_EQ(seen.size(), QSet<QString>(names.begin(), names.end()).size());
}
