#include "platform/paths/DriveTable.h"

#include "support/TempTree.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace qv;

TEST(DriveTableTest, ParsesTheEnvironmentSyntax)
{
    const DriveTable t =
        DriveTable::parse("c=/srv/c/;D=/media/usb:2:USB;X=/net/share:4::\\\\server\\share;;bad;Q=");
    ASSERT_EQ(t.drives().size(), 3u);
    const Drive *c = t.drive('c');
    ASSERT_TRUE(c);
    EXPECT_EQ(c->letter, QChar('C'));
    EXPECT_EQ(c->hostDir, "/srv/c");
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
    EXPECT_EQ(DriveTable::parse("R=/").drive('R')->hostDir, "/");
}

TEST(DriveTableTest, ResolvesComponentsWithoutRegardToCase)
{
    qvtest::TempDrives drives("CD");
    drives.writeFile("C:\\Data\\Rapporter\\Årsrapport.TXT", "x");
    const DriveTable &t = DriveTable::current();
    const QString root = drives.hostRoot('C');

    EXPECT_EQ(t.toHost("C:\\Data\\Rapporter\\Årsrapport.TXT"), root + "/Data/Rapporter/Årsrapport.TXT");
    EXPECT_EQ(t.toHost("c:\\DATA\\rapporter\\årsrapport.txt"), root + "/Data/Rapporter/Årsrapport.TXT");
    // Missing components are kept as written, after the last one that matched.
    EXPECT_EQ(t.toHost("C:\\data\\Ny mappe\\ny.txt"), root + "/Data/Ny mappe/ny.txt");
    EXPECT_EQ(t.toHost("C:\\data\\rapporter\\NY.txt"), root + "/Data/Rapporter/NY.txt");
    // Roots, doubled and forward separators, dot components.
    EXPECT_EQ(t.toHost("C:"), root);
    EXPECT_EQ(t.toHost("c:\\"), root);
    EXPECT_EQ(t.toHost("C:\\data\\\\rapporter\\"), root + "/Data/Rapporter");
    EXPECT_EQ(t.toHost("C:\\data/rapporter\\.\\..\\Rapporter"), root + "/Data/Rapporter");
    EXPECT_EQ(t.toHost("D:\\x"), drives.hostRoot('D') + "/x");
    EXPECT_FALSE(t.toHost("E:\\x"));
    EXPECT_FALSE(t.toHost("Data\\x"));
    EXPECT_FALSE(t.toHost(""));
}

TEST(DriveTableTest, ExactNameWinsAndFirstCaseMatchIsStable)
{
    qvtest::TempDrives drives;
    drives.writeFile("C:\\d\\abc.txt", "lower");
    drives.writeFile("C:\\d\\ABC.txt", "upper");
    const DriveTable &t = DriveTable::current();
    EXPECT_EQ(t.toHost("C:\\d\\abc.txt"), drives.hostRoot('C') + "/d/abc.txt");
    EXPECT_EQ(t.toHost("C:\\d\\ABC.txt"), drives.hostRoot('C') + "/d/ABC.txt");
    const auto mixed = t.toHost("C:\\d\\Abc.TXT");
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(*mixed == drives.hostRoot('C') + "/d/abc.txt" ||
                *mixed == drives.hostRoot('C') + "/d/ABC.txt");
    EXPECT_EQ(t.toHost("C:\\d\\aBC.txt"), mixed);
}

TEST(DriveTableTest, SeesFoldersMadeBehindItsBack)
{
    qvtest::TempDrives drives;
    drives.makeDir("C:\\d");
    const DriveTable &t = DriveTable::current();
    EXPECT_EQ(t.toHost("C:\\d\\NY"), drives.hostRoot('C') + "/d/NY");
    // Created by someone else after the folder was indexed.
    ASSERT_TRUE(QDir().mkdir(drives.hostRoot('C') + "/d/ny"));
    EXPECT_EQ(t.toHost("C:\\d\\NY\\f.txt"), drives.hostRoot('C') + "/d/ny/f.txt");
}

TEST(DriveTableTest, ToWindowsTakesTheLongestPrefix)
{
    const DriveTable t = DriveTable::parse("C=/;D=/media/usb;E=/media/usb/inner;F=/media/usb2");
    EXPECT_EQ(t.toWindows("/home/ola/a.txt"), "C:\\home\\ola\\a.txt");
    EXPECT_EQ(t.toWindows("/"), "C:\\");
    EXPECT_EQ(t.toWindows("/media/usb"), "D:\\");
    EXPECT_EQ(t.toWindows("/media/usb/"), "D:\\");
    EXPECT_EQ(t.toWindows("/media/usb/x/y"), "D:\\x\\y");
    EXPECT_EQ(t.toWindows("/media/usb/inner/z"), "E:\\z");
    EXPECT_EQ(t.toWindows("/media/usb2/z"), "F:\\z");
    EXPECT_EQ(t.toWindows("/media/usbx/z"), "C:\\media\\usbx\\z");
    EXPECT_FALSE(t.toWindows("relative/path"));
    EXPECT_FALSE(t.toWindows("/home/a\\b"));
    const DriveTable noRoot = DriveTable::parse("D=/srv/d");
    EXPECT_FALSE(noRoot.toWindows("/srv/other"));
}

TEST(DriveTableTest, FollowsTheEnvironmentWhenItChanges)
{
    const DriveTable *before = &DriveTable::current();
    const QString oldC = before->drive('C')->hostDir;
    {
        qvtest::TempDrives drives("CK");
        const DriveTable &now = DriveTable::current();
        EXPECT_EQ(now.drive('C')->hostDir, drives.hostRoot('C'));
        ASSERT_TRUE(now.drive('K'));
        // A table handed out earlier stays usable.
        EXPECT_EQ(before->drive('C')->hostDir, oldC);
    }
    EXPECT_EQ(DriveTable::current().drive('C')->hostDir, oldC);
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
    const auto host = DriveTable::current().toHost("C:\\" + name);
    ASSERT_TRUE(host);
    EXPECT_EQ(hostPathBytes(*host), raw);
    EXPECT_EQ(DriveTable::current().toWindows(*host), "C:\\" + name);
}

TEST(DriveTableTest, ProgramFolderAndLocalAppData)
{
    qvtest::TempDrives drives;
    drives.setProgramFolder("C:\\Programmer\\Backup\\");
    EXPECT_EQ(programFolder(), "C:\\Programmer\\Backup");
    drives.setProgramFolder("C:\\");
    EXPECT_EQ(programFolder(), "C:\\");

    qputenv("LocalAppData", "C:\\Users\\ola\\AppData\\Local");
    EXPECT_EQ(environmentVariable("LOCALAPPDATA"), "C:\\Users\\ola\\AppData\\Local");
    qunsetenv("LocalAppData");
    // Unset: the XDG data home, which the test table does not reach...
    EXPECT_EQ(environmentVariable("LocalAppData"), "");
    // ...until it lies on a drive.
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    drives.makeDir("C:\\home\\data");
    qputenv("XDG_DATA_HOME", QFile::encodeName(drives.host("C:\\home\\data")));
    EXPECT_EQ(localAppDataFolder(), "C:\\home\\data");
    qputenv("XDG_DATA_HOME", oldData);
    EXPECT_EQ(environmentVariable("QVBACKUP_NO_SUCH_VARIABLE"), "");
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
    EXPECT_EQ(first.drive('C')->hostDir, "/");
    EXPECT_EQ(first.drive('D')->hostDir, "/media/ola/USB PINNE");
    EXPECT_EQ(first.drive('E')->hostDir, "/mnt/nas");
    EXPECT_EQ(first.drive('E')->type, DriveType::Network);
    EXPECT_EQ(first.drive('E')->share, "\\\\nas.local\\export\\data");
    EXPECT_EQ(first.drive('F')->type, DriveType::CdRom);
    EXPECT_EQ(first.drive('G')->type, DriveType::RamDisk);
    EXPECT_EQ(first.drives().size(), 5u); // /srv is no volume folder
    EXPECT_EQ(first.toWindows("/media/ola/USB PINNE/bilder"), "D:\\bilder");
    EXPECT_EQ(first.toWindows("/srv/data/x"), "C:\\srv\\data\\x");

    // The stick is pulled: its letter stays taken, a new volume gets the next free one.
    const DriveTable second = DriveTable::fromMountInfo(root + nas + smb);
    ASSERT_TRUE(second.drive('D'));
    EXPECT_FALSE(second.drive('D')->mounted);
    EXPECT_FALSE(second.toHost("D:\\bilder"));
    EXPECT_EQ(second.drive('E')->hostDir, "/mnt/nas");
    EXPECT_EQ(second.drive('H')->hostDir, "/mnt/del");
    EXPECT_EQ(second.drive('H')->share, "\\\\server\\del");

    // Back again, in another order: the same letters.
    const DriveTable third = DriveTable::fromMountInfo(root + smb + cd + usb);
    EXPECT_EQ(third.drive('D')->hostDir, "/media/ola/USB PINNE");
    EXPECT_TRUE(third.drive('D')->mounted);
    EXPECT_EQ(third.drive('F')->hostDir, "/run/media/ola/CD");
    EXPECT_EQ(third.drive('H')->hostDir, "/mnt/del");
}
