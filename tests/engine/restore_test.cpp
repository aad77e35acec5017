#include "engine/Restore.h"
#include "support/RunFixture.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <zip.h>

using namespace qv;

namespace
{
const QString kMirror = "D:\\Sikring\\Backup av Dok";
const QString kVersions = "D:\\Sikring\\Eldre versjoner av Dok";
const qint64 kNs = 1000000000LL;

struct Look {
    unsigned mode = 0;
    qint64 mtimeNs = 0;
};
Look lookOf(const QByteArray &host)
{
    struct stat st {
    };
    if (::stat(host.constData(), &st) != 0)
        return {};
    return {unsigned(st.st_mode & 07777), qint64(st.st_mtim.tv_sec) * kNs + st.st_mtim.tv_nsec};
}
void setLook(const QByteArray &host, unsigned mode, qint64 mtimeNs)
{
    ::chmod(host.constData(), mode);
    const struct timespec t[2] = {{time_t(mtimeNs / kNs), long(mtimeNs % kNs)},
                                  {time_t(mtimeNs / kNs), long(mtimeNs % kNs)}};
    ::utimensat(AT_FDCWD, host.constData(), t, 0);
}
// By bytes: QFile would turn a name that is not UTF-8 into another name.
QByteArray readHost(const QByteArray &host)
{
    const int fd = ::open(host.constData(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    QByteArray content(1 << 16, '\0');
    const ssize_t n = ::read(fd, content.data(), size_t(content.size()));
    ::close(fd);
    return content.left(n < 0 ? 0 : n);
}
bool existsHost(const QByteArray &host)
{
    struct stat st;
    return ::lstat(host.constData(), &st) == 0;
}
void writeHost(const QByteArray &host, const QByteArray &content)
{
    for (qsizetype slash = host.indexOf('/', 1); slash > 0; slash = host.indexOf('/', slash + 1))
        ::mkdir(host.left(slash).constData(), 0755);
    const int fd = ::open(host.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << host.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}
qint64 at(int h, int m, int s = 0)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s)).toMSecsSinceEpoch() / 1000 * kNs;
}
} // namespace

class RestoreTest : public qvtest::RunTest
{
protected:
    void SetUp() override
    {
        useTemplates({{"Dok", "C:\\Data\\Dok\\", "D:\\Sikring\\"}});
        source = host("C:\\Data\\Dok");
        mirror = host(kMirror);
    }
    QByteArray host(const QString &windowsPath) const { return QFile::encodeName(drives.host(windowsPath)); }
    BackupMal mal() { return state().lsv1.rows().front(); }
    // A file in the mirror with its look, as a run would have left it.
    void stored(const QByteArray &rel, const QByteArray &content, unsigned mode, qint64 mtimeNs,
                const QByteArray &root = {})
    {
        const QByteArray path = (root.isEmpty() ? mirror : root) + '/' + rel;
        writeHost(path, content);
        setLook(path, mode, mtimeNs);
    }
    RestoreOutcome restoreAll(const QDateTime &when = {}, const QString &to = {})
    {
        Restore r(mal());
        EXPECT_TRUE(r.load(when)) << r.failure().toStdString();
        return r.run(r.all(), to);
    }
    QByteArray source, mirror;
};

TEST_F(RestoreTest, NewestFromTheMirrorWithNamesModesAndTimesExact)
{
    // Names a Windows path cannot carry come back by their host bytes.
    const QList<QByteArray> names{"Brev æøå/søknad.txt", "back\\slash.txt", "ugyldig \xff\xfe.bin", "a.txt"};
    for (int i = 0; i < names.size(); ++i)
        stored(names[i], "innhold " + names[i], i % 2 ? 0640 : 0600, at(12, i) + 123456789);
    setLook(mirror + "/Brev æøå", 0750, at(11, 0) + 5);
    if (::setxattr((mirror + "/a.txt").constData(), "user.merke", "x", 1, 0) != 0)
        GTEST_LOG_(INFO) << "no user extended attributes here";

    const RestoreOutcome o = restoreAll();
    EXPECT_EQ(o.exitStatus(), 0) << o.message().toStdString();
    EXPECT_EQ(o.restored, 4);
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(readHost(source + '/' + names[i]), "innhold " + names[i]);
        const Look l = lookOf(source + '/' + names[i]);
        EXPECT_EQ(l.mode, i % 2 ? 0640u : 0600u) << names[i].constData();
        EXPECT_EQ(l.mtimeNs, at(12, i) + 123456789) << names[i].constData();
    }
    // A folder the restore made has the stored one's mode and time.
    EXPECT_EQ(lookOf(source + "/Brev æøå").mode, 0750u);
    EXPECT_EQ(lookOf(source + "/Brev æøå").mtimeNs, at(11, 0) + 5);
    char value[4] = {};
    if (::getxattr((mirror + "/a.txt").constData(), "user.merke", value, sizeof value) == 1) {
        EXPECT_EQ(::getxattr((source + "/a.txt").constData(), "user.merke", value, sizeof value), 1);
    }
    EXPECT_TRUE(log(Restore::kLogFile).contains("Gjenoppretting fra mal: \tDok"));
    EXPECT_EQ(o.message(), "Gjenoppretting fullført.\n4 filer ble hentet tilbake.");
}

TEST_F(RestoreTest, DifferingFileIsKeptBesideAndAnEqualOneIsNot)
{
    stored("a.txt", "fra kopien", 0644, at(12, 0));
    stored("b.txt", "lik", 0644, at(12, 0));
    writeHost(source + "/a.txt", "endret siden");
    writeHost(source + "/b.txt", "lik");
    RestoreOutcome o = restoreAll();
    EXPECT_EQ(readHost(source + "/a.txt"), "fra kopien");
    EXPECT_EQ(readHost(source + "/a.txt (før gjenoppretting)"), "endret siden");
    EXPECT_FALSE(existsHost(source + "/b.txt (før gjenoppretting)"));
    EXPECT_EQ(lookOf(source + "/b.txt").mtimeNs, at(12, 0));
    ASSERT_EQ(o.keptBeside.size(), 1);
    EXPECT_TRUE(o.message().contains("1 fil som lå der fra før, var annerledes"));
    // A second restore over another change never overwrites the first kept copy.
    writeHost(source + "/a.txt", "endret igjen");
    o = restoreAll();
    EXPECT_EQ(readHost(source + "/a.txt (før gjenoppretting)"), "endret siden");
    EXPECT_EQ(readHost(source + "/a.txt (før gjenoppretting 2)"), "endret igjen");
}

TEST_F(RestoreTest, AnEarlierTimeTakesTheVersionAndLeavesOutLaterFiles)
{
    stored("a.txt", "ny", 0644, at(17, 55));
    stored("sub/gammel.txt", "uendret", 0644, at(9, 0));
    stored("sub/senere.txt", "laget etterpå", 0644, at(18, 30));
    // The run at 18:00 replaced a.txt: the old copy lies under that run's stamp.
    stored("a.txt", "gammel", 0600, at(10, 0) + 42, host(kVersions + "\\2026_12_07  kl_1800"));
    Restore r(mal());
    const auto points = r.points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_FALSE(points[0].at.isValid());
    EXPECT_EQ(points[1].label, "Før kjøringen 07.12.2026 kl. 18:00");

    const QString to = "C:\\Gjenopprettet";
    ASSERT_TRUE(r.load(points[1].at));
    RestoreOutcome o = r.run(r.all(), to);
    EXPECT_EQ(o.restored, 2);
    const QByteArray target = host(to);
    EXPECT_EQ(readHost(target + "/a.txt"), "gammel");
    EXPECT_EQ(lookOf(target + "/a.txt").mtimeNs, at(10, 0) + 42);
    EXPECT_EQ(readHost(target + "/sub/gammel.txt"), "uendret");
    EXPECT_FALSE(existsHost(target + "/sub/senere.txt"));
    EXPECT_FALSE(existsHost(source)); // the source was not touched

    // At the newest the mirror's copy wins; a time before anything was backed up has nothing.
    ASSERT_TRUE(r.load({}));
    EXPECT_EQ(r.files().size(), 3u);
    EXPECT_FALSE(r.load(QDateTime(QDate(2026, 12, 7), QTime(8, 0))));
    EXPECT_EQ(
        r.failure(),
        "Finner ingen sikkerhetskopi av «Dok» i D:\\Sikring\\ fra 07.12.2026 kl. 08:00 eller tidligere.");
}

TEST_F(RestoreTest, PathsSelectFilesAndFoldersAndUnknownOnesAreNamed)
{
    stored("sub/a.txt", "a", 0644, at(12, 0));
    stored("sub/b.txt", "b", 0644, at(12, 0));
    stored("Annet/c.txt", "c", 0644, at(12, 0));
    Restore r(mal());
    ASSERT_TRUE(r.load({}));
    QStringList missing;
    const auto chosen = r.select({"SUB", "C:\\Data\\Dok\\Annet\\c.txt", "borte.txt"}, missing);
    EXPECT_EQ(chosen.size(), 3u);
    EXPECT_EQ(missing, QStringList{"borte.txt"});
    const RestoreOutcome o = r.run(chosen, {}, missing);
    EXPECT_EQ(o.exitStatus(), 1);
    EXPECT_TRUE(
        o.message().endsWith("Ikke hentet tilbake (1):\n  borte.txt: finnes ikke i sikkerhetskopien"));
    EXPECT_TRUE(log(Restore::kLogFile).contains("Filer som ikke ble gjenopprettet."));
}

TEST_F(RestoreTest, FromTheArchivesOfAZipTemplate)
{
    drives.writeFile("C:\\Data\\Dok\\a.txt", "første");
    drives.writeFile("C:\\Data\\Dok\\Brev æøå\\b.txt", "brev");
    setLook(source + "/a.txt", 0640, at(9, 0));
    useTemplates({{"Dok", "C:\\Data\\Dok\\", "D:\\Sikring\\", true, true, true}});
    select("Dok");
    startAndConfirm();
    // Only what changed goes into the next archive.
    clock.set(clock.now().addSecs(3600));
    drives.writeFile("C:\\Data\\Dok\\a.txt", "andre");
    setLook(source + "/a.txt", 0600, at(18, 0));
    select("Dok");
    startAndConfirm();

    Restore r(mal());
    ASSERT_EQ(r.points().size(), 2u);
    ASSERT_TRUE(r.load({}));
    EXPECT_EQ(r.files().size(), 2u);
    RestoreOutcome o = r.run(r.all(), "C:\\Ut");
    EXPECT_EQ(o.exitStatus(), 0) << o.message().toStdString();
    EXPECT_EQ(drives.readFile("C:\\Ut\\a.txt"), "andre");
    EXPECT_EQ(drives.readFile("C:\\Ut\\Brev æøå\\b.txt"), "brev");
    EXPECT_EQ(lookOf(host("C:\\Ut\\a.txt")).mode, 0600u);
    EXPECT_EQ(lookOf(host("C:\\Ut\\a.txt")).mtimeNs, at(18, 0));

    ASSERT_TRUE(r.load(r.points()[1].at));
    o = r.run(r.all(), "C:\\Før");
    EXPECT_EQ(drives.readFile("C:\\Før\\a.txt"), "første");
    EXPECT_EQ(lookOf(host("C:\\Før\\a.txt")).mode, 0640u);
}

TEST_F(RestoreTest, ArchiveEntriesThatWouldLeaveTheTargetAreLeftOut)
{
    drives.makeDir("D:\\Sikring");
    const QByteArray archive = host("D:\\Sikring\\Backup av Dok 2026_12_07  kl_1747.zip");
    int error = 0;
    zip_t *za = zip_open(archive.constData(), ZIP_CREATE, &error);
    ASSERT_TRUE(za);
    for (const char *name :
         {"Data/Dok/ok.txt", "Data/Dok/../../../utenfor.txt", "/etc/x.txt", "Data/Dok/./y"}) {
        zip_source_t *src = zip_source_buffer(za, "data", 4, 0);
        ASSERT_GE(zip_file_add(za, name, src, ZIP_FL_ENC_RAW), 0);
    }
    ASSERT_EQ(zip_close(za), 0);
    useTemplates({{"Dok", "C:\\Data\\Dok\\", "D:\\Sikring\\", true, true, true}});
    Restore r(mal());
    ASSERT_TRUE(r.load({}));
    ASSERT_EQ(r.files().size(), 1u);
    EXPECT_EQ(r.files()[0].rel.text(), "ok.txt");
}
