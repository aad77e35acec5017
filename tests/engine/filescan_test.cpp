#include "engine/FileScan.h"
#include "platform/base/Locale.h"
#include "platform/files/FileSystem.h"
#include "support/EngineFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using qvtest::EngineTest;

namespace
{
const QString nbsp = QString(QChar(0x00A0));

QDateTime localTime(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, 7));
}

QString rowText(const InMemoryFileList::Row &r)
{
    return QStringList{r.path, r.ext, r.size, r.date, r.attributes}.join(" | ");
}
} // namespace

class FileScanTest : public EngineTest
{
protected:
    void scan(const QString &fra, bool subfolders = true, bool onlyChanged = false)
    {
        state().Fra = fra;
        state().chkUnderkat.value = subfolders;
        if (onlyChanged)
            state().setOptEndrede(true);
        else
            state().setOptAlle(true);
        engine().scan.General_SokFiler();
    }
    QList<InMemoryFileList::Row> rows() { return state().memoryFileList().rows(); }
    QStringList rowTexts()
    {
        QStringList out;
        for (const auto &r : rows())
            out << rowText(r);
        return out;
    }
};

TEST_F(FileScanTest, RowsCarryTheExactTextsOfEachFile)
{
    drives.writeFile("C:\\Data\\Rapport.DOCX", QByteArray(1536, 'r'), localTime(2026, 3, 4, 5, 6));
    drives.writeFile("C:\\Data\\.skjult", {}, localTime(2025, 12, 31, 23, 59));
    drives.writeFile("C:\\Data\\README", QByteArray(100, 'x'), localTime(2024, 1, 2, 13, 0));
    const QString ro =
        drives.writeFile("C:\\Data\\les meg.v2.txt", QByteArray(2048, 'l'), localTime(2026, 7, 8, 9, 10));
    ::chmod(QFile::encodeName(ro).constData(), 0444);

    scan("C:\\Data\\");
    QStringList texts = rowTexts();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{
                         "C:\\Data\\.skjult | skjult |         0,00 kb. | 2025.12.31  23:59 | ah",
                         "C:\\Data\\README |  |         0,10 kb. | 2024.01.02  13:00 | a",
                         "C:\\Data\\Rapport.DOCX | docx |         1,50 kb. | 2026.03.04  05:06 | a",
                         "C:\\Data\\les meg.v2.txt | txt |         2,00 kb. | 2026.07.08  09:10 | ar",
                     }));
    EXPECT_EQ(state().shbStatus, "4 filer funnet (4 kb).  1 mapper gjennomsøkt.");
    EXPECT_FALSE(dialog.busyPointer());
}

TEST_F(FileScanTest, OwnFilesComeBeforeEachSubfolderDepthFirst)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    drives.writeFile("C:\\Data\\Under.mappe\\b.txt", "b");
    drives.writeFile("C:\\Data\\Under.mappe\\Dypere\\c.txt", "c");
    drives.writeFile("C:\\Data\\Annen\\d", "d");
    drives.makeDir("C:\\Data\\Tom");
    drives.makeDir("C:\\Data\\.skjult mappe");
    drives.writeFile("C:\\Data\\.skjult mappe\\e.txt", "e");

    scan("C:\\Data"); // a missing trailing backslash is added
    ASSERT_EQ(rows().size(), 5u);
    EXPECT_EQ(rows()[0].path, "C:\\Data\\a.txt");
    const auto pos = [&](const QString &p) {
        for (qsizetype i = 0; i < rows().size(); ++i)
            if (rows()[i].path == p)
                return int(i);
        return -1;
    };
    EXPECT_EQ(pos("C:\\Data\\Under.mappe\\Dypere\\c.txt"), pos("C:\\Data\\Under.mappe\\b.txt") + 1);
    EXPECT_GE(pos("C:\\Data\\.skjult mappe\\e.txt"), 1);
    EXPECT_EQ(state().shbStatus, "5 filer funnet (0 kb).  6 mapper gjennomsøkt.");

    scan("C:\\Data\\", false);
    EXPECT_EQ(rowTexts().size(), 1);
    EXPECT_EQ(state().shbStatus, "1 filer funnet (0 kb).  1 mapper gjennomsøkt.");
}

TEST_F(FileScanTest, ExclusionsMatchTheLastExtensionWithoutRegardToCase)
{
    for (const char *n : {"a.tmp", "b.TMP", "arkiv.tar.gz", "backup.tar", "uten", "c.txt"})
        drives.writeFile(QString("C:\\Data\\") + n, "x");
    state().UtelatListe = QStringList{"TMP", "tar.gz", ".txt"};
    scan("C:\\Data\\");
    QStringList names;
    for (const auto &r : rows())
        names << r.path.mid(8);
    names.sort();
    EXPECT_EQ(names, (QStringList{"arkiv.tar.gz", "backup.tar", "c.txt", "uten"}));

    state().UtelatListe = QStringList{"gz", ""};
    scan("C:\\Data\\");
    names.clear();
    for (const auto &r : rows())
        names << r.path.mid(8);
    names.sort();
    EXPECT_EQ(names, (QStringList{"a.tmp", "b.TMP", "backup.tar", "c.txt"}));
}

TEST_F(FileScanTest, NewAndChangedModeTakesOnlyFilesWithTheArchiveAttribute)
{
    drives.writeFile("C:\\Data\\ny.txt", "1");
    drives.writeFile("C:\\Data\\.skjult.txt", "2");
    drives.writeFile("C:\\Data\\tatt.txt", "3");
    ASSERT_TRUE(clearArchive("C:\\Data\\tatt.txt").ok());
    if (fileAttributes("C:\\Data\\tatt.txt").orThrow() & Attr::Archive)
        GTEST_SKIP() << "the test folder's file system keeps no extended attributes";
    scan("C:\\Data\\", true, true);
    QStringList texts;
    for (const auto &r : rows())
        texts << r.path + " " + r.attributes;
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"C:\\Data\\.skjult.txt ah", "C:\\Data\\ny.txt a"}));
    scan("C:\\Data\\", true, false);
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(FileScanTest, StatusTextsDuringTheScan)
{
    QStringList seen;
    dialog.setOnProcessEvents([&](int) { seen << state().shbStatus; });
    drives.makeDir("C:\\Data");
    scan("C:\\Data\\");
    scan("C:\\Data\\", true, true);
    EXPECT_EQ(seen, (QStringList{"Søker etter alle filer...", "Søker etter nye og endrede filer..."}));
}

TEST_F(FileScanTest, TotalIsRoundedHalfToEvenOnceOverTheExactSizes)
{
    drives.writeFile("C:\\Halv\\a", QByteArray(512, 'a'));
    scan("C:\\Halv\\");
    EXPECT_EQ(state().shbStatus, "1 filer funnet (0 kb).  1 mapper gjennomsøkt.");
    drives.writeFile("C:\\Halv\\b", QByteArray(512, 'b'));
    scan("C:\\Halv\\");
    EXPECT_EQ(state().shbStatus, "2 filer funnet (1 kb).  1 mapper gjennomsøkt.");
    drives.writeFile("C:\\Halv\\c", QByteArray(512, 'c'));
    scan("C:\\Halv\\");
    EXPECT_EQ(state().shbStatus, "3 filer funnet (2 kb).  1 mapper gjennomsøkt.");
}

TEST_F(FileScanTest, HugeFilesShowTheirFullSizeAndLongTextsStillGetBlanks)
{
    const QString big = drives.writeFile("C:\\Stor\\stor.img", {});
    QFile f(big);
    if (!f.resize(qint64(10'240'000'000)))
        GTEST_SKIP() << "no sparse files here";
    drives.writeFile("C:\\Stor\\fem.img", {});
    QFile five(drives.host("C:\\Stor\\fem.img"));
    ASSERT_TRUE(five.resize(qint64(5) << 30));
    scan("C:\\Stor\\");
    QStringList sizes;
    for (const auto &r : rows())
        sizes << r.size;
    sizes.sort();
    EXPECT_TRUE(sizes.contains(" 10" + nbsp + "000" + nbsp + "000,00 kb.")) << sizes.join('|').toStdString();
    EXPECT_TRUE(sizes.contains("5" + nbsp + "242" + nbsp + "880,00 kb.")) << sizes.join('|').toStdString();
    EXPECT_EQ(state().shbStatus,
              "2 filer funnet (15" + nbsp + "242" + nbsp + "880 kb).  1 mapper gjennomsøkt.");
}

TEST_F(FileScanTest, MissingSourceGivesAnEmptyListAndOneFolder)
{
    scan("C:\\Finnes\\ikke\\");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(state().shbStatus, "0 filer funnet (0 kb).  1 mapper gjennomsøkt.");
}

TEST_F(FileScanTest, LinksToFoldersAreNeverWalkedAndLinksToFilesAreListed)
{
    drives.writeFile("C:\\Data\\Nede\\fil.txt", QByteArray(3000, 'f'));
    const QString data = drives.host("C:\\Data");
    ASSERT_EQ(::symlink("..", QFile::encodeName(data + "/Nede/løkke").constData()), 0);
    ASSERT_EQ(::symlink("Nede/fil.txt", QFile::encodeName(data + "/lenke.txt").constData()), 0);
    scan("C:\\Data\\");
    QStringList texts;
    for (const auto &r : rows())
        texts << r.path + " " + r.size.trimmed();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"C:\\Data\\Nede\\fil.txt 2,93 kb.", "C:\\Data\\lenke.txt 2,93 kb."}));
}

// A list that removes a folder the first time a row comes in, as when a folder
// vanishes while the scan runs.
class VanishingList : public InMemoryFileList
{
public:
    QString toRemove;
    void Added(const FoundFiles &, int) override
    {
        if (!toRemove.isEmpty()) {
            QDir(toRemove).removeRecursively();
            toRemove.clear();
        }
    }
};

TEST_F(FileScanTest, FolderVanishingDuringTheScanContributesNothing)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    drives.writeFile("C:\\Data\\Borte\\b.txt", "b");
    drives.writeFile("C:\\Data\\Borte\\Under\\c.txt", "c");
    VanishingList list;
    list.toRemove = drives.host("C:\\Data\\Borte");
    state().setFileList(&list);
    scan("C:\\Data\\");
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_EQ(list.rows()[0].path, "C:\\Data\\a.txt");
    EXPECT_EQ(state().shbStatus, "1 filer funnet (0 kb).  2 mapper gjennomsøkt.");
    state().setFileList(nullptr);
}

TEST_F(FileScanTest, UnusualNamesAreListedWithTheirExtension)
{
    const QStringList names{QString::fromUtf8("Årsrapport ÆØÅ æøå.docx"),
                            "med  to  mellomrom.txt",
                            "a.b.c.d",
                            "ingenpunktum",
                            ".profile",
                            "slutter.med.punktum."};
    for (const QString &n : names)
        drives.writeFile("C:\\Navn\\" + n, "x");
    const QByteArray invalid = QFile::encodeName(drives.host("C:\\Navn")) + "/ugyldig\xff\xfe.txt";
    {
        FILE *fp = fopen(invalid.constData(), "w");
        ASSERT_NE(fp, nullptr);
        fputs("x", fp);
        fclose(fp);
    }
    scan("C:\\Navn\\");
    QMap<QString, QString> ext;
    for (const auto &r : rows())
        ext[r.path.mid(8)] = r.ext;
    EXPECT_EQ(ext.size(), 7);
    EXPECT_EQ(ext.value(QString::fromUtf8("Årsrapport ÆØÅ æøå.docx")), "docx");
    EXPECT_EQ(ext.value("a.b.c.d"), "d");
    EXPECT_EQ(ext.value("ingenpunktum"), "");
    EXPECT_EQ(ext.value(".profile"), "profile");
    EXPECT_EQ(ext.value("slutter.med.punktum."), "");
    int txtCount = 0;
    for (const auto &r : rows())
        if (r.path.contains("ugyldig")) {
            EXPECT_EQ(r.ext, "txt");
            ++txtCount;
        }
    EXPECT_EQ(txtCount, 1);
    ::unlink(invalid.constData()); // the temporary folder's clean-up cannot name it
}

TEST(FileScanTexts, SizeTextIsPaddedToSixteenAndBeyondByTheExcess)
{
    EXPECT_EQ(FileScan::sizeText(1536), "        1,50 kb.");
    EXPECT_EQ(FileScan::sizeText(0), "        0,00 kb.");
    EXPECT_EQ(FileScan::sizeText(5), "        0,00 kb.");
    // The whole-number path agrees with the general formatting, halves and grouping included.
    for (quint64 b :
         {1ull, 5ull, 6ull, 511ull, 512ull, 1535ull, 10245ull, 1048571ull, 123456789ull, 99999999999ull}) {
        const QString general = formatGrouped(double(b) / 1024.0, 2) + " kb.";
        EXPECT_EQ(FileScan::sizeText(b), QString(std::abs(int(general.size()) - 16), ' ') + general) << b;
    }
    EXPECT_EQ(FileScan::attributeLetters(0), " ");
    EXPECT_EQ(FileScan::attributeLetters(Attr::Archive | Attr::Hidden | Attr::ReadOnly | Attr::System),
              "ahrs");
    EXPECT_EQ(FileScan::summaryText(12, 1234, 2),
              "12 filer funnet (1" + nbsp + "234 kb).  3 mapper gjennomsøkt.");
}
