#include "platform/base/PlatformError.h"
#include "platform/paths/WinPath.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace qv;

TEST(PlatformErrorTest, ErrnoTableGivesTheRuntimeNumbers)
{
    EXPECT_EQ(PlatformError::numberFromErrno(ENOSPC), 61);
    EXPECT_EQ(PlatformError::numberFromErrno(EDQUOT), 61);
    EXPECT_EQ(PlatformError::numberFromErrno(EACCES), 70);
    EXPECT_EQ(PlatformError::numberFromErrno(EPERM), 70);
    EXPECT_EQ(PlatformError::numberFromErrno(EROFS), 70);
    EXPECT_EQ(PlatformError::numberFromErrno(ENOENT), 53);
    EXPECT_EQ(PlatformError::numberFromErrno(ENOENT, true), 76);
    EXPECT_EQ(PlatformError::numberFromErrno(ENOTDIR), 76);
    EXPECT_EQ(PlatformError::numberFromErrno(EISDIR), 75);
    EXPECT_EQ(PlatformError::numberFromErrno(ENAMETOOLONG), 75);
    EXPECT_EQ(PlatformError::numberFromErrno(EIO), 57);
    EXPECT_EQ(PlatformError::numberFromErrno(ENODEV), 68);
    EXPECT_EQ(PlatformError::numberFromErrno(EINVAL), 5);
}

TEST(PlatformErrorTest, CarriesNumberAndStandardDescription)
{
    try {
        raiseError(62);
        FAIL() << "raiseError returned";
    } catch (const PlatformError &e) {
        EXPECT_EQ(e.number(), 62);
        EXPECT_EQ(e.description(), "Input past end of file");
        EXPECT_STREQ(e.what(), "62 Input past end of file");
    }
    EXPECT_EQ(PlatformError(53).description(), "File not found");
    EXPECT_EQ(PlatformError(61).description(), "Disk full");
    EXPECT_EQ(PlatformError(70).description(), "Permission denied");
    EXPECT_EQ(PlatformError(75).description(), "Path/File access error");
    EXPECT_EQ(PlatformError(76).description(), "Path not found");
    EXPECT_EQ(PlatformError(380).description(), "Invalid property value");
    EXPECT_EQ(PlatformError(35600).description(), "Index out of bounds");
    EXPECT_EQ(PlatformError(7, "egen tekst").description(), "egen tekst");
    EXPECT_THROW(PlatformError::raiseErrno(ENOSPC), PlatformError);
}

TEST(WinPathTest, DriveRootsAndLetters)
{
    EXPECT_TRUE(WinPath("C:\\").isDriveRoot());
    EXPECT_TRUE(WinPath("e:\\").isDriveRoot());
    EXPECT_FALSE(WinPath("C:").isDriveRoot());
    EXPECT_FALSE(WinPath("C:\\Data").isDriveRoot());
    EXPECT_EQ(WinPath("e:\\Data").driveLetter(), QChar('E'));
    EXPECT_TRUE(WinPath("\\\\server\\share").driveLetter().isNull());
    EXPECT_EQ(WinPath("d:\\x\\y").driveRoot(), "D:\\");
    EXPECT_EQ(WinPath("Data").driveRoot(), "");
    EXPECT_EQ(WinPath::driveRootOf(u'e'), "E:\\");
}

TEST(WinPathTest, SeparatorsAndJoining)
{
    EXPECT_EQ(WinPath("C:\\Data").withTrailingSeparator().text(), "C:\\Data\\");
    EXPECT_EQ(WinPath("C:\\Data\\").withTrailingSeparator().text(), "C:\\Data\\");
    EXPECT_EQ(WinPath("C:\\Data\\\\").withoutTrailingSeparator().text(), "C:\\Data");
    EXPECT_EQ(WinPath("C:\\").withoutTrailingSeparator().text(), "C:\\");
    EXPECT_EQ((WinPath("C:\\Data") / "a.txt").text(), "C:\\Data\\a.txt");
    EXPECT_EQ((WinPath("C:\\Data\\") / "\\a.txt").text(), "C:\\Data\\a.txt");
    EXPECT_EQ((WinPath("C:\\") / "a").text(), "C:\\a");
    EXPECT_EQ((WinPath() / "a").text(), "a");
}

TEST(WinPathTest, PartsOfAPath)
{
    EXPECT_EQ(WinPath("C:\\Data\\fil.txt").fileName(), "fil.txt");
    EXPECT_EQ(WinPath("fil.txt").fileName(), "fil.txt");
    EXPECT_EQ(WinPath("C:\\Data\\").fileName(), "");
    EXPECT_EQ(WinPath::fileNameOf(u"C:\\Data\\fil.txt"), u"fil.txt");
    EXPECT_EQ(WinPath::fileNameOf(u"fil.txt"), u"fil.txt");
    EXPECT_EQ(WinPath("C:\\Data\\fil.txt").parent().text(), "C:\\Data\\");
    EXPECT_EQ(WinPath("fil.txt").parent().text(), "");
    EXPECT_EQ(WinPath("C:\\Data\\Bilder").lastFolder(), "Bilder");
    EXPECT_EQ(WinPath("C:\\Data\\Bilder\\").lastFolder(), "Bilder");
    EXPECT_EQ(WinPath("C:\\").lastFolder(), "C:");
    EXPECT_EQ(WinPath("Bilder").lastFolder(), "Bilder");
}

TEST(WinPathTest, ComparisonsIgnoreLetterCase)
{
    EXPECT_TRUE(WinPath("C:\\DATA\\Fil.TXT") == WinPath("c:\\data\\fil.txt"));
    EXPECT_TRUE(WinPath("C:\\Data\\ÆØÅ") == WinPath("c:\\data\\æøå"));
    EXPECT_FALSE(WinPath("C:\\Data\\a") == WinPath("C:\\Data\\b"));
    EXPECT_TRUE(WinPath("C:\\Data\\Dokumenter\\brev.doc").startsWith(WinPath("c:\\data\\")));
    EXPECT_FALSE(WinPath("C:\\Dat").startsWith(WinPath("C:\\Data")));
    EXPECT_EQ(WinPath("C:\\Data\\Dokumenter\\brev\\a.doc").relativeTo(WinPath("c:\\data\\dokumenter\\")),
              "brev\\a.doc");
    EXPECT_EQ(WinPath("C:\\Data\\a.doc").relativeTo(WinPath("C:\\Data")), "a.doc");
    EXPECT_EQ(WinPath("D:\\x").relativeTo(WinPath("C:\\Data")), "D:\\x");
}

TEST(WinPathTest, FolderChainGoesFromTheDriveRootDown)
{
    EXPECT_EQ(WinPath("C:\\Data\\Bilder\\").folderChain(),
              QStringList({"C:\\", "C:\\Data", "C:\\Data\\Bilder"}));
    EXPECT_EQ(WinPath("C:\\").folderChain(), QStringList({"C:\\"}));
    EXPECT_EQ(WinPath("C:").folderChain(), QStringList({"C:"}));
    EXPECT_EQ(WinPath("C:\\\\Data").folderChain(), QStringList({"C:\\", "C:\\\\Data"}));
    EXPECT_EQ(WinPath("Data\\x").folderChain(), QStringList({"Data", "Data\\x"}));
    EXPECT_TRUE(WinPath().folderChain().isEmpty());
}

TEST(WinPathTest, ResolvedNamesFoldDotsAndTakeSlashes)
{
    EXPECT_EQ(WinPath("C:\\a\\.\\b\\..\\c/d\\\\e\\").resolvedNames(), QStringList({"a", "c", "d", "e"}));
    EXPECT_EQ(WinPath("C:\\..\\a").resolvedNames(), QStringList({"a"}));
    EXPECT_EQ(WinPath("a\\b").resolvedNames(), QStringList({"a", "b"}));
    EXPECT_TRUE(WinPath("C:\\").resolvedNames().isEmpty());
    EXPECT_TRUE(WinPath("C:").resolvedNames().isEmpty());
}
