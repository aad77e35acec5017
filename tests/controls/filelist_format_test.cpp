// File list row texts: type, padded size, time, attributes, and the totals' reading
// of the size texts back.
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListIcons.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace qv::qvFileListFormat;

namespace
{
const QChar Nbsp(0x00A0);
}

TEST(FileListFormat, ExtensionOnlyAfterTheLastBackslash)
{
    EXPECT_EQ(extensionOf("rapport.txt"), "TXT");
    EXPECT_EQ(extensionOf("arkiv.tar.Gz"), "GZ");
    EXPECT_EQ(extensionOf("arkiv.tar.Gz", true), "Gz");
    EXPECT_EQ(extensionOf("C:\\mappe.d\\LESMEG"), "");
    EXPECT_EQ(extensionOf("LESMEG"), "");
    EXPECT_EQ(extensionOf("C:\\a\\slutt."), "");
    EXPECT_EQ(extensionOf(QStringLiteral("x.ab") + QChar(0) + "cd"), "AB");
}

TEST(FileListFormat, SizePaddedToSixteenWithLocaleSeparators)
{
    EXPECT_EQ(sizeText(1536, 2), QString(8, ' ') + "1,50 kb.");
    EXPECT_EQ(sizeText(1536, 2).size(), 16);
    EXPECT_EQ(sizeText(1536, 0), QString(11, ' ') + "2 kb.");
    EXPECT_EQ(sizeText(1536, 1), QString(9, ' ') + "1,5 kb.");
    EXPECT_EQ(sizeText(1536, 7), QString(7, ' ') + "1,500 kb.");
    EXPECT_EQ(sizeText(0, 2), QString(8, ' ') + "0,00 kb.");
    // 1 234 567 kb: grouped with the no-break space; longer texts are not cut.
    EXPECT_EQ(sizeText(quint64(1234567) * 1024, 2), QString("1") + Nbsp + "234" + Nbsp + "567,00 kb.");
    // Padding makes a plain text comparison order by magnitude.
    EXPECT_LT(sizeText(9 * 1024, 2), sizeText(10 * 1024, 2));
}

TEST(FileListFormat, TimeAndAttributeTexts)
{
    const QDateTime local(QDate(2026, 3, 4), QTime(7, 5, 59));
    EXPECT_EQ(timeText(local.toUTC()), "2026.03.04  07:05");
    EXPECT_EQ(timeText(QDateTime()), " ");

    EXPECT_EQ(attributeText(0), " ");
    EXPECT_EQ(attributeText(128), " ");
    EXPECT_EQ(attributeText(32 | 2), "ah");
    EXPECT_EQ(attributeText(16 | 1), "rd");
    EXPECT_EQ(attributeText(1 | 2 | 4 | 16 | 32), "ahrsd");
}

TEST(FileListFormat, TypeNamesFromTheHost)
{
    EXPECT_EQ(typeText("C:\\a\\b.txt", false, false), "TXT");
    EXPECT_EQ(typeText("C:\\a\\b", true, false), "");
    EXPECT_EQ(typeText("C:\\a\\b", true, true), "Filmappe");
    EXPECT_EQ(typeText("C:\\a\\b.qqzx", false, true), "QQZX-fil");
    const QString known = typeText("C:\\a\\b.png", false, true);
    EXPECT_FALSE(known.isEmpty());
    EXPECT_NE(known, "PNG-fil");
}

TEST(FileListFormat, SizeTextsReadBackForTotals)
{
    EXPECT_DOUBLE_EQ(kilobytesOf(sizeText(1536, 2)), 1.5);
    EXPECT_DOUBLE_EQ(kilobytesOf(sizeText(quint64(1234567) * 1024, 2)), 1234567.0);
    EXPECT_DOUBLE_EQ(kilobytesOf("   "), 0.0);
    EXPECT_DOUBLE_EQ(kilobytesOf(""), 0.0);

    EXPECT_EQ(shortByteSize(532), "532 byte");
    EXPECT_EQ(shortByteSize(1536), "1,50 KB");
    EXPECT_EQ(shortByteSize(quint64(15) * 1024 * 1024 + 400 * 1024), "15,3 MB");
    EXPECT_EQ(shortByteSize(quint64(117) * 1024 * 1024 * 1024), "117 GB");
    // 1000 KB and above is shown in the next unit.
    EXPECT_EQ(shortByteSize(1000 * 1024), "0,97 MB");
}

TEST(FileListIcons, KeysSharedByTypeOrOwnPerFile)
{
    using qv::qvFileListIcons::keyFor;
    EXPECT_EQ(keyFor("C:\\a\\b.txt", "TXT"), "#TXT#");
    EXPECT_EQ(keyFor("C:\\a\\c.TXT", "TXT"), "#TXT#");
    EXPECT_EQ(keyFor("C:\\A\\Prog.exe", "EXE"), "%c:\\a\\prog.exe");
    EXPECT_EQ(keyFor("C:\\A\\Pakke.Zip", "ZIP"), "%c:\\a\\pakke.zip");
    EXPECT_EQ(keyFor("C:\\A\\LESMEG", ""), "%c:\\a\\lesmeg");
    EXPECT_EQ(keyFor("C:\\A\\Mappe.d", "Filmappe"), "%c:\\a\\mappe.d");
}
