// The tree's folder operations: one folder made, renamed in place or in letter case,
// removed for good without following links, and whether a drive answers.
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderOps.h"
#include "platform/scan/FolderReader.h"

#include "support/ErrorOf.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

using namespace qv;
using qvtest::errorOf;
using namespace Qt::StringLiterals;

namespace
{

TEST(FolderOps, CreateMakesExactlyOneFolder)
{
    qvtest::TempDrives drives;
    EXPECT_TRUE(createFolder(u"C:\\Ny mappe"_s));
    EXPECT_TRUE(QFileInfo(drives.host(u"C:\\Ny mappe"_s)).isDir());
    EXPECT_FALSE(createFolder(u"C:\\NY MAPPE"_s)) << "taken in another letter case";
    EXPECT_FALSE(createFolder(u"C:\\Mangler\\Under"_s)) << "the parent must exist";
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Mangler"_s)));
    drives.writeFile(u"C:\\fil"_s, "x");
    EXPECT_FALSE(createFolder(u"C:\\fil"_s));
    EXPECT_FALSE(createFolder(u"C:\\a/b"_s)) << "a name the host cannot hold";
    EXPECT_FALSE(createFolder(u"Q:\\x"_s));
    // Found at once through the case-insensitive resolution.
    EXPECT_TRUE(folderExists(u"c:\\ny MAPPE"_s));
}

TEST(FolderOps, RenameInPlaceAndInLetterCase)
{
    qvtest::TempDrives drives;
    drives.writeFile(u"C:\\Data\\Foto\\bilde.jpg"_s, "jpg");
    ASSERT_TRUE(renameFolder(u"c:\\data\\foto"_s, u"c:\\data\\Bilder"_s).ok());
    EXPECT_EQ(drives.readFile(u"C:\\Data\\Bilder\\bilde.jpg"_s), "jpg");
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Data\\Foto"_s)));

    ASSERT_TRUE(renameFolder(u"c:\\data\\bilder"_s, u"c:\\data\\BILDER"_s).ok());
    EXPECT_EQ(QDir(drives.host(u"C:\\Data"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{u"BILDER"_s});

    drives.makeDir(u"C:\\Data\\Annet"_s);
    EXPECT_EQ(errorOf(renameFolder(u"c:\\data\\annet"_s, u"c:\\data\\bilder"_s)), 58)
        << "another folder of that name (in any case) is never replaced";
    EXPECT_TRUE(QFileInfo::exists(drives.host(u"C:\\Data\\BILDER\\bilde.jpg"_s)));
    EXPECT_EQ(errorOf(renameFolder(u"c:\\data\\borte"_s, u"c:\\data\\ny"_s)), Err::PathNotFound);
    EXPECT_EQ(errorOf(renameFolder(u"c:\\data\\annet"_s, u"c:\\data\\a/b"_s)), Err::BadFileName);
}

TEST(FolderOps, DeleteForGoodStopsAtLinks)
{
    qvtest::TempDrives drives;
    drives.writeFile(u"C:\\Behold\\viktig.txt"_s, "v");
    drives.writeFile(u"C:\\Slett\\Under\\fil.txt"_s, "f");
    ASSERT_TRUE(QFile::link(drives.host(u"C:\\Behold"_s), drives.host(u"C:\\Slett\\Under\\lenke"_s)));
    ASSERT_TRUE(QFile::link(drives.host(u"C:\\Slett"_s), drives.host(u"C:\\Slett\\sirkel"_s)));
    // A name that is not UTF-8 goes as well.
    const QByteArray odd = QFile::encodeName(drives.host(u"C:\\Slett\\Under"_s)) + "/gammel\xE6.txt";
    FILE *f = std::fopen(odd.constData(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);
    ASSERT_TRUE(deleteFolderForGood(u"C:\\Slett"_s).ok());
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Slett"_s)));
    EXPECT_EQ(drives.readFile(u"C:\\Behold\\viktig.txt"_s), "v");

    ASSERT_TRUE(QFile::link(drives.host(u"C:\\Behold"_s), drives.host(u"C:\\Snarvei"_s)));
    ASSERT_TRUE(deleteFolderForGood(u"C:\\Snarvei"_s).ok());
    EXPECT_FALSE(QFileInfo(drives.host(u"C:\\Snarvei"_s)).isSymLink());
    EXPECT_EQ(drives.readFile(u"C:\\Behold\\viktig.txt"_s), "v");
    EXPECT_EQ(errorOf(deleteFolderForGood(u"C:\\Borte"_s)), Err::PathNotFound);
}

TEST(FolderOps, DriveReadyOnlyForAMountedReadableRoot)
{
    qvtest::TempDrives drives(u"CD"_s);
    EXPECT_TRUE(driveReady(u'c'));
    EXPECT_FALSE(driveReady(u'Q'));
    QDir(drives.hostRoot(u'D')).removeRecursively();
    EXPECT_FALSE(driveReady(u'D'));
}

} // namespace

TEST(FolderOps, ATreeReadAheadGivesEachFolderOnceWhoeverReadsIt)
{
    // Taken in walk order, at once (the caller then reads too) and after the thread has
    // read ahead: every folder comes once, whole.
    QTemporaryDir tree;
    for (int a = 0; a < 12; ++a)
        for (int b = 0; b < 12; ++b) {
            const QString folder = QString("%1/d%2/e%3").arg(tree.path()).arg(a).arg(b);
            ASSERT_TRUE(QDir().mkpath(folder));
            for (int f = 0; f < 3; ++f)
                QFile(folder + QString("/f%1").arg(f)).open(QIODevice::WriteOnly);
        }
    for (bool slow : {false, true}) {
        std::atomic_int started = 0;
        qv::FolderReadAhead ahead(qv::HostPath(QFile::encodeName(tree.path())), true, {},
                                  [&](const std::string &) { started.fetch_add(1), started.notify_all(); });
        // Slowly: the thread has started every folder before the first is taken.
        for (int now = started; slow && now < 1 + 12 + 144; now = started)
            started.wait(now);
        std::vector<std::string> pending{""};
        int files = 0, folders = 0;
        while (!pending.empty()) {
            const std::string relative = pending.back();
            pending.pop_back();
            const auto listing = ahead.take(relative);
            ASSERT_TRUE(listing) << relative;
            ++folders;
            for (auto e = listing->entries.rbegin(); e != listing->entries.rend(); ++e) {
                if (e->isFolder)
                    pending.push_back((relative.empty() ? "" : relative + "/") +
                                      std::string(listing->name(*e)));
                else
                    ++files;
            }
        }
        EXPECT_EQ(folders, 1 + 12 + 144);
        EXPECT_EQ(files, 144 * 3);
        EXPECT_FALSE(ahead.take("d0")); // taken already
    }
}
