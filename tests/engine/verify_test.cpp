// A backup read back against its source: what passes, and that each kind of damage
// is named with the right status.
#include "engine/Verify.h"
#include "engine/Versions.h"
#include "support/RunFixture.h"

#include <QFile>

using namespace qv;
using qvtest::RunTest;

namespace
{
const QString kSource = "C:\\Data\\Dokumenter\\";
const QString kMirror = "D:\\Sikring\\Backup av Dokumenter\\";
} // namespace

class VerifyTest : public RunTest
{
protected:
    void SetUp() override
    {
        drives.writeFile(kSource + "a.txt", "innhold a");
        drives.writeFile(kSource + "brev\\b.doc", QByteArray(300000, 'b'));
        drives.writeFile(kSource + "c.txt", "ccc");
        drives.writeFile(kSource + "utelatt.tmp", "ikke tatt med");
    }
    void backUp(bool zip)
    {
        writeProgramFile("BackupUtelat.txt", "tmp\r\n");
        useTemplates({{"Dok", kSource, "D:\\Sikring\\", true, zip, zip}});
        select("Dok");
        startAndConfirm();
    }
    VerifyResult verify() { return verifyTemplate(state().lsv1.row(1), state().UtelatListe); }
};

TEST_F(VerifyTest, TheMirrorPassesAndEachDamageIsNamed)
{
    backUp(false);
    VerifyResult r = verify();
    EXPECT_EQ(r.status, 0) << r.lines.join('\n').toStdString();
    EXPECT_EQ(r.lines.last(), "3 fil(er) sammenlignet, 0 avvik.");

    // One flipped byte (size and time as they were), one missing, one truncated.
    const QString b = drives.host(kMirror + "brev\\b.doc");
    QFile f(b);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime mtime = f.fileTime(QFileDevice::FileModificationTime);
    f.seek(123456);
    f.write("B");
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(mtime, QFileDevice::FileModificationTime);
    f.close();
    QFile::remove(drives.host(kMirror + "a.txt"));
    QFile::resize(drives.host(kMirror + "c.txt"), 1);

    r = verify();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.lines.mid(1),
        (QStringList{"Mangler i backupen: " + kSource + "a.txt", "Annet innhold: " + kSource + "brev\\b.doc",
                     "Annen størrelse: " + kSource + "c.txt (kilden 3 byte, backupen 1 byte)",
                     "2 fil(er) sammenlignet, 3 avvik."}));
}

TEST_F(VerifyTest, NoBackupToReadIsAReadError)
{
    useTemplates({{"Dok", kSource, "D:\\Sikring\\"}});
    EXPECT_EQ(verify().status, 2);
}

TEST_F(VerifyTest, TheNewestArchivePassesAndAChangedSourceIsNamed)
{
    backUp(true);
    VerifyResult r = verify();
    EXPECT_EQ(r.status, 0) << r.lines.join('\n').toStdString();
    EXPECT_EQ(r.lines.last(), "3 fil(er) sammenlignet, 0 avvik.");

    drives.writeFile(kSource + "a.txt", "innhold A");
    r = verify();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines.value(1), "Annet innhold: " + kSource + "a.txt") << r.lines.join('\n').toStdString();

    // A damaged archive cannot be read back.
    const QString archive = archivesOf(kSource, "D:\\Sikring\\").last();
    QFile z(drives.host(archive));
    ASSERT_TRUE(z.open(QIODevice::ReadWrite));
    z.resize(z.size() / 2);
    z.close();
    EXPECT_EQ(verify().status, 2);
}
