// Marks per destination, earlier versions of replaced files, kept zip archives and
// the read-back of copies.
#include "engine/Versions.h"
#include "platform/base/PlatformError.h"
#include "support/RunFixture.h"

#include <QDir>

using namespace qv;
using qvtest::RunTest;

namespace
{
const QString kSource = "C:\\Data\\Dokumenter\\";
const QString kVersions = "D:\\Sikring\\Eldre versjoner av Dokumenter\\";
} // namespace

class VersionsTest : public RunTest
{
protected:
    void SetUp() override
    {
        setVersionDays(30);
        setReadBackCopies(false);
        drives.writeFile(kSource + "a.txt", "først", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    }
    void TearDown() override { setReadBackCopies(false); }
    // The file changed as an edit changes it: other content, a later time.
    void edit(const QString &path, const QByteArray &content)
    {
        drives.writeFile(path, content, QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)).addSecs(++m_edits));
    }
    QStringList stamps() const
    {
        return QDir(drives.host(kVersions)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    int m_edits = 0;
};

TEST_F(VersionsTest, TwoTemplatesOnOneSourceEachTakeEveryChangeSinceTheirOwnRun)
{
    drives.writeFile(kSource + "b.txt", "uendret");
    useTemplates({{"A", kSource, "D:\\A\\", true, true}, {"B", kSource, "D:\\B\\", true, true}});
    for (const QString name : {"A", "B"}) {
        select(name);
        startAndConfirm();
    }
    edit(kSource + "a.txt", "andre");
    // Each finds the one change, A's rows written before its folder existed included.
    const auto runFindsOne = [&](const QString &name) {
        select(name);
        const qsizetype before = dialog.messages().size();
        startAndConfirm();
        ASSERT_GT(dialog.messages().size(), before);
        EXPECT_TRUE(dialog.messages()[before].startsWith("Fant 1 fil(er)"))
            << dialog.messages()[before].toStdString();
    };
    runFindsOne("A");
    // B has not taken the change yet: the attribute the window shows stays set.
    EXPECT_TRUE(fileAttributes(kSource + "a.txt").orThrow() & Attr::Archive);
    runFindsOne("B");
    EXPECT_EQ(drives.readFile("D:\\A\\Backup av Dokumenter\\a.txt"), "andre");
    EXPECT_EQ(drives.readFile("D:\\B\\Backup av Dokumenter\\a.txt"), "andre");
    EXPECT_FALSE(fileAttributes(kSource + "a.txt").orThrow() & Attr::Archive);
}

TEST_F(VersionsTest, AReplacedFileKeepsItsOldCopyUnderTheRunsStampAndTheLogCountsIt)
{
    useTemplates({{"Dok", kSource, "D:\\Sikring\\"}});
    select("Dok");
    startAndConfirm();
    EXPECT_FALSE(drives.exists(kVersions)); // nothing was replaced
    edit(kSource + "a.txt", "andre");
    drives.writeFile(kSource + "ny.txt", "ny");
    clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 5)));
    startAndConfirm();
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\a.txt"), "andre");
    EXPECT_EQ(drives.readFile(kVersions + "2026_12_08  kl_0905\\a.txt"), "først");
    EXPECT_EQ(stamps(), QStringList{"2026_12_08  kl_0905"});
    EXPECT_TRUE(log().contains("Eldre versjoner: \t1 tatt vare på, 0 fjernet.\r\n"));

    // An unchanged file copied again (all files) is the same version: none kept.
    clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 6)));
    startAndConfirm();
    EXPECT_EQ(stamps().size(), 1);
    EXPECT_FALSE(log().contains("Eldre versjoner"));
}

TEST_F(VersionsTest, VersionsPastTheirDaysGoAtTheStartOfARunAndZeroKeepsNone)
{
    useTemplates({{"Dok", kSource, "D:\\Sikring\\"}});
    select("Dok");
    drives.writeFile(kVersions + "2026_10_01  kl_1200\\gammel\\x.txt", "x");
    drives.writeFile(kVersions + "2026_11_20  kl_1200\\y.txt", "y");
    drives.writeFile(kVersions + "brukerens egen.txt", "z"); // not the program's: stays
    startAndConfirm(); // 7 December: 1 October is past 30 days, 20 November is not
    EXPECT_EQ(stamps(), QStringList{"2026_11_20  kl_1200"});
    EXPECT_TRUE(log().contains("Eldre versjoner: \t0 tatt vare på, 1 fjernet.\r\n"));

    setVersionDays(0);
    edit(kSource + "a.txt", "andre");
    startAndConfirm();
    EXPECT_TRUE(stamps().isEmpty());
    EXPECT_TRUE(drives.exists(kVersions + "brukerens egen.txt"));
    EXPECT_EQ(drives.readFile("D:\\Sikring\\Backup av Dokumenter\\a.txt"), "andre");
}

TEST_F(VersionsTest, ZipKeepsTheLastArchivesOfTheTemplateWhenAsked)
{
    useTemplates({{"Dok", kSource, "D:\\Sikring\\", true, true, true}});
    select("Dok");
    for (int minute = 0; minute < 3; ++minute) {
        edit(kSource + "a.txt", QByteArray::number(minute));
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, minute)));
        if (minute == 2)
            setArchivesKept("dok", 2); // the name as the user types it
        startAndConfirm();
    }
    const QStringList left = archivesOf(kSource, "D:\\Sikring\\");
    ASSERT_EQ(left.size(), 2);
    EXPECT_TRUE(left[0].endsWith("2026_12_08  kl_1001.zip"));
    setArchivesKept("Dok", 0);
}

TEST_F(VersionsTest, ACopyThatDoesNotReadBackAsTheSourceKeepsItsMarkAndIsNamed)
{
    setReadBackCopies(true);
    useTemplates({{"Dok", kSource, "D:\\Sikring\\", true, true}});
    select("Dok");
    const QString big = kSource + "stor.bin";
    drives.writeFile(big, QByteArray(8 << 20, 'x'));
    // The source changes in place while it is copied: the copy holds some of each.
    bool changed = false;
    setCopyFaultHook([&](const QString &destination, quint64 written) {
        if (!changed && written > 0 && destination.endsWith("stor.bin")) {
            changed = true;
            QFile f(drives.host(big));
            if (f.open(QIODevice::ReadWrite))
                f.write(QByteArray(8 << 20, 'y'));
        }
    });
    startAndConfirm();
    ASSERT_TRUE(changed);
    EXPECT_TRUE(log().contains("Kopien stemmer ikke med kilden: " + big));
    EXPECT_TRUE(
        dialog.messages().last().startsWith("Backup fullført, men en eller flere filer ble ikke kopiert"));
    EXPECT_TRUE(fileAttributes(big).orThrow() & Attr::Archive);
    EXPECT_FALSE(fileAttributes(kSource + "a.txt").orThrow() & Attr::Archive); // read back whole
}
