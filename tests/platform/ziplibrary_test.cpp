#include "platform/base/FileIdentity.h"
#include "platform/zip/ZipLibrary.h"
#include "platform/zip/ZipPipeline.h"
#include "support/ChildProcess.h"
#include "support/OtherUser.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace
{

// What the callbacks saw; the interface has no context pointer, so it is global.
struct Recorder {
    std::vector<std::string> printed;
    int serviceCalls = 0;
    int abortAtServiceCall = 0; // 0: never
    std::function<void(const std::string &)> onPrint;
} g_rec;

int recordPrint(const char *text, unsigned long length)
{
    const std::string line(text, length);
    EXPECT_EQ(std::strlen(text), length);
    g_rec.printed.push_back(line);
    if (g_rec.onPrint)
        g_rec.onPrint(line);
    return 0;
}

int recordService(const char *, unsigned long)
{
    ++g_rec.serviceCalls;
    return g_rec.abortAtServiceCall != 0 && g_rec.serviceCalls >= g_rec.abortAtServiceCall ? 1 : 0;
}

int unexpectedComment(char *)
{
    ADD_FAILURE() << "comment callback called";
    return 1;
}

int unexpectedPassword(char *, int, const char *, const char *)
{
    ADD_FAILURE() << "password callback called";
    return 1;
}

// The record exactly as the program fills it.
ZipOptions programOptions(char level = '5')
{
    ZipOptions o{};
    o.date = "";
    o.rootFolder = "";
    o.tempFolder = "";
    o.values[ZipOptionSystemAndHidden] = 1;
    o.values[ZipOptionRecurse] = 1;
    o.level = level;
    return o;
}

int archive(const QString &zipName, const QStringList &names)
{
    std::vector<QByteArray> utf8;
    for (const QString &n : names)
        utf8.push_back(n.toUtf8());
    std::vector<const char *> pointers;
    for (const QByteArray &n : utf8)
        pointers.push_back(n.isNull() ? nullptr : n.constData());
    return ZpArchive(int(pointers.size()), zipName.toUtf8().constData(), pointers.data());
}

struct Entry {
    std::string name;
    QByteArray data;
    zip_stat_t stat{};
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
};

// Every entry of an archive, in order, read back through libzip.
std::vector<Entry> readArchive(const QString &hostPath)
{
    std::vector<Entry> entries;
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(hostPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za) {
        ADD_FAILURE() << "cannot open " << hostPath.toStdString() << ": libzip error " << err;
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        Entry e;
        e.name = zip_get_name(za, zip_uint64_t(i), 0);
        zip_stat_index(za, zip_uint64_t(i), 0, &e.stat);
        zip_file_get_external_attributes(za, zip_uint64_t(i), 0, &e.opsys, &e.attributes);
        if (zip_file_t *f = zip_fopen_index(za, zip_uint64_t(i), 0)) {
            char buffer[65536];
            zip_int64_t n;
            while ((n = zip_fread(f, buffer, sizeof buffer)) > 0)
                e.data.append(buffer, int(n));
            EXPECT_EQ(n, 0) << e.name;
            zip_fclose(f);
        }
        entries.push_back(e);
    }
    zip_discard(za);
    return entries;
}

// The file entries only (the folders above named files have entries of their own).
std::vector<Entry> withoutFolders(std::vector<Entry> entries)
{
    std::erase_if(entries, [](const Entry &e) { return e.name.ends_with('/'); });
    return entries;
}

std::vector<std::string> namesOf(const std::vector<Entry> &entries)
{
    std::vector<std::string> names;
    for (const Entry &e : entries)
        names.push_back(e.name);
    return names;
}

QStringList folderContent(const QString &hostFolder)
{
    return QDir(hostFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Opened without writing, so no buffered write lands after the time is set.
void setModified(const QString &hostPath, const QDateTime &time)
{
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(time, QFileDevice::FileModificationTime));
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(4711);
    gen.fillRange(reinterpret_cast<quint32 *>(b.data()), size / 4);
    return b;
}

struct UnzipRun {
    int exitCode = -1;
    QString output;
};

UnzipRun unzip(const QStringList &args)
{
    const qvtest::ProgramRun run = qvtest::runProgram("unzip", args);
    return {run.exitCode, QString::fromUtf8(run.output + run.errors)};
}

class ZipLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_rec = Recorder{};
        const ZipUserFunctions callbacks{recordPrint, unexpectedComment, unexpectedPassword, recordService};
        ZpInit(&callbacks);
        const ZipOptions options = programOptions();
        ASSERT_EQ(ZpSetOptions(&options), ZpOk);
        drives.makeDir("D:\\Sikring");
    }

    void setLevel(char level)
    {
        const ZipOptions options = programOptions(level);
        ASSERT_EQ(ZpSetOptions(&options), ZpOk);
    }

    // The destination folder holds nothing but what is listed: no temporary file.
    void expectDestination(const QStringList &expected)
    {
        EXPECT_EQ(folderContent(drives.host("D:\\Sikring")), expected);
    }

    qvtest::TempDrives drives{"CD"};
    const QString zipName = "D:\\Sikring\\Backup av Data 2026_12_07  kl_1747.zip";
};

TEST_F(ZipLibraryTest, PacksFilesUnderDrivelessNamesWithContentTimesAndAttributes)
{
    const QDateTime stamp(QDate(2026, 12, 7), QTime(17, 47, 12));
    const QByteArray binary = randomBytes(300 * 1024);
    setModified(drives.writeFile("C:\\Data\\a.txt", "hei på deg\r\n"), stamp);
    drives.writeFile("C:\\Data\\Under mappe\\b.bin", binary);
    drives.writeFile("C:\\Data\\.skjult", "skjult");
    drives.writeFile("C:\\Data\\tom.txt", "");
    const QString readOnly = drives.writeFile("C:\\Data\\æøå.txt", "norsk");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);

    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\Under mappe\\b.bin", "C:\\Data\\.skjult",
                                "C:\\Data\\tom.txt", "C:\\Data\\æøå.txt"}),
              ZpOk);

    const std::vector<Entry> all = readArchive(drives.host(zipName));
    ASSERT_THAT(namesOf(all),
                ElementsAre("Data/", "Data/a.txt", "Data/Under mappe/", "Data/Under mappe/b.bin",
                            "Data/.skjult", "Data/tom.txt", "Data/æøå.txt"));
    const std::vector<Entry> entries = withoutFolders(all);
    EXPECT_EQ(entries[0].data, "hei på deg\r\n");
    EXPECT_EQ(entries[1].data, binary);
    EXPECT_EQ(entries[2].data, "skjult");
    EXPECT_EQ(entries[3].data, "");
    EXPECT_EQ(entries[4].data, "norsk");
    EXPECT_EQ(entries[0].stat.mtime, stamp.toSecsSinceEpoch());
    EXPECT_EQ(entries[1].stat.comp_method, ZIP_CM_DEFLATE);

    EXPECT_EQ(entries[4].opsys, ZIP_OPSYS_UNIX);
    EXPECT_EQ((entries[4].attributes >> 16) & 0777, 0440u);
    EXPECT_EQ(entries[4].attributes & 0xFF, 0x01u) << "read-only";
    EXPECT_EQ(entries[2].attributes & 0xFF, 0x02u) << "hidden";
    EXPECT_EQ(entries[0].attributes & 0xFF, 0x00u);

    EXPECT_THAT(g_rec.printed,
                ElementsAre("  adding: Data/a.txt", "  adding: Data/Under mappe/b.bin",
                            "  adding: Data/.skjult", "  adding: Data/tom.txt", "  adding: Data/æøå.txt"));
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(g_rec.printed[i].substr(10), entries[i].name);
    EXPECT_GE(g_rec.serviceCalls, 5) << "at least once per file";
    expectDestination({"Backup av Data 2026_12_07  kl_1747.zip"});
}

TEST_F(ZipLibraryTest, UnzipTestsAndListsTheArchive)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    drives.writeFile("C:\\Data\\a.txt", QByteArray(100000, 'a'));
    drives.writeFile("C:\\Data\\Dokumenter\\brev.doc", randomBytes(70000));
    drives.writeFile("C:\\Data\\tom.txt", "");
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\Dokumenter\\brev.doc", "C:\\Data\\tom.txt"}),
              ZpOk);

    const QString host = drives.host(zipName);
    const UnzipRun test = unzip({"-t", host});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    const UnzipRun list = unzip({"-Z1", host});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(
        list.output.split('\n', Qt::SkipEmptyParts),
        QStringList({"Data/", "Data/a.txt", "Data/Dokumenter/", "Data/Dokumenter/brev.doc", "Data/tom.txt"}));
}

TEST_F(ZipLibraryTest, LevelZeroStoresAndHigherLevelsDeflate)
{
    const QByteArray text = QByteArray("Sikkerhetskopi av dokumenter\r\n").repeated(4000);
    drives.writeFile("C:\\Data\\a.txt", text);

    setLevel('0');
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpOk);
    std::vector<Entry> stored = withoutFolders(readArchive(drives.host(zipName)));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].stat.comp_method, ZIP_CM_STORE);
    EXPECT_EQ(stored[0].stat.comp_size, zip_uint64_t(text.size()));
    EXPECT_EQ(stored[0].data, text);

    setLevel('9');
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpOk);
    std::vector<Entry> deflated = withoutFolders(readArchive(drives.host(zipName)));
    ASSERT_EQ(deflated.size(), 1u);
    EXPECT_EQ(deflated[0].stat.comp_method, ZIP_CM_DEFLATE);
    EXPECT_LT(deflated[0].stat.comp_size, zip_uint64_t(text.size() / 20));
    EXPECT_EQ(deflated[0].data, text);
}

TEST_F(ZipLibraryTest, ServiceAbortStopsAtOnceAndLeavesNoArchive)
{
    drives.writeFile("C:\\Data\\a.txt", "liten");
    drives.writeFile("C:\\Data\\stor.bin", randomBytes(8 * 1024 * 1024));
    // An earlier archive of the same name is left as it was.
    drives.writeFile(zipName, "gammel");

    // 1: Esc pressed before the call; 4: in the middle of the large file (its open
    // is the second service call, its first 256 KiB block the third).
    for (const int abortAt : {1, 4}) {
        SCOPED_TRACE(abortAt);
        g_rec = Recorder{};
        g_rec.abortAtServiceCall = abortAt;
        EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\stor.bin"}), ZpAborted);
        EXPECT_EQ(g_rec.serviceCalls, abortAt) << "asked again after it said stop";
        EXPECT_EQ(g_rec.printed.size(), abortAt == 1 ? 1u : 2u);
        expectDestination({"Backup av Data 2026_12_07  kl_1747.zip"});
        EXPECT_EQ(drives.readFile(zipName), "gammel");
    }

    // Without Esc the large file is asked about block by block.
    g_rec = Recorder{};
    EXPECT_EQ(archive(zipName, {"C:\\Data\\stor.bin"}), ZpOk);
    EXPECT_GE(g_rec.serviceCalls, 8 * 4);
}

TEST_F(ZipLibraryTest, NothingToPack)
{
    EXPECT_EQ(archive(zipName, {}), ZpNothingToDo);
    EXPECT_EQ(ZpArchive(0, zipName.toUtf8().constData(), nullptr), ZpNothingToDo);
    EXPECT_EQ(ZpArchive(3, zipName.toUtf8().constData(), nullptr), ZpNothingToDo);
    const char *const empty[] = {nullptr, "", nullptr};
    EXPECT_EQ(ZpArchive(3, zipName.toUtf8().constData(), empty), ZpNothingToDo);
    // Only the count is read, not what lies past it.
    drives.writeFile("C:\\Data\\a.txt", "a");
    const char *const beyond[] = {nullptr, "C:\\Data\\a.txt"};
    EXPECT_EQ(ZpArchive(1, zipName.toUtf8().constData(), beyond), ZpNothingToDo);
    EXPECT_THAT(g_rec.printed, IsEmpty());
    expectDestination({});
}

// A large file first keeps the workers from reading far ahead, so that what happens
// while it is packed reaches the files after it.
QString writeSparse(qvtest::TempDrives &drives, const QString &name, qint64 size)
{
    const QString host = drives.writeFile(name, "");
    EXPECT_TRUE(QFile::resize(host, size));
    return host;
}

std::vector<std::string> skippedNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < ZpSkippedCount(); ++i)
        names.emplace_back(ZpSkippedName(i));
    EXPECT_EQ(ZpSkippedName(ZpSkippedCount()), nullptr);
    return names;
}

TEST_F(ZipLibraryTest, AFileIsPackedFromTheHostPathGivenWithItsName)
{
    // No drive Q: the file is taken where the caller found it. Without a host path the
    // name is looked up: gone.
    const QByteArray found = QFile::encodeName(drives.writeFile("C:\\Data\\a.txt", "funnet"));
    const char *names[] = {"Q:\\Data\\a.txt", "C:\\Data\\borte.txt"};
    const char *hosts[] = {found.constData(), nullptr};
    const ZipHostNameOf hostOf = [](int i, void *given) { return static_cast<const char **>(given)[i]; };
    ASSERT_EQ(ZpArchiveFound(2, zipName.toUtf8().constData(), names, hostOf, hosts), ZpOk);
    const std::vector<Entry> packed = readArchive(drives.host(zipName));
    EXPECT_THAT(namesOf(packed), ElementsAre("Data/", "Data/a.txt"));
    EXPECT_EQ(packed.back().data, "funnet");
    EXPECT_THAT(skippedNames(), ElementsAre("C:\\Data\\borte.txt"));
}

TEST_F(ZipLibraryTest, FilesGoneOrUnreadableAreLeftOutAndNamed)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\borte.txt", "Q:\\Data\\a.txt"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))), ElementsAre("Data/", "Data/a.txt"));
    EXPECT_THAT(skippedNames(), ElementsAre("C:\\Data\\borte.txt", "Q:\\Data\\a.txt"));
    EXPECT_EQ(archive(zipName, {"C:\\Data\\borte.txt"}), ZpNothingToDo);
    EXPECT_THAT(skippedNames(), ElementsAre("C:\\Data\\borte.txt"));

    // While the large file is packed: b.txt goes, c.txt turns into a folder.
    setLevel('1');
    writeSparse(drives, "C:\\Data\\stor.img", qint64(qv::zip::Budget) + (8 << 20));
    const QString b = drives.writeFile("C:\\Data\\b.txt", "b");
    const QString c = drives.writeFile("C:\\Data\\c.txt", "c");
    drives.writeFile("C:\\Data\\d.txt", "d");
    g_rec = Recorder{};
    g_rec.onPrint = [&](const std::string &line) {
        if (line == "  adding: Data/stor.img") {
            QFile::remove(b);
            QFile::remove(c);
            QDir().mkdir(c);
        }
    };
    EXPECT_EQ(
        archive(zipName, {"C:\\Data\\stor.img", "C:\\Data\\b.txt", "C:\\Data\\c.txt", "C:\\Data\\d.txt"}),
        ZpOk);
    EXPECT_THAT(skippedNames(), ElementsAre("C:\\Data\\b.txt", "C:\\Data\\c.txt"));
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))),
                ElementsAre("Data/", "Data/stor.img", "Data/d.txt"));
    EXPECT_THAT(g_rec.printed, ElementsAre("  adding: Data/stor.img", "  adding: Data/d.txt"));
    expectDestination({"Backup av Data 2026_12_07  kl_1747.zip"});
}

TEST_F(ZipLibraryTest, ArchiveIsOwnerOnlyAndRestoresExactTimes)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    // An odd second, which the DOS time cannot hold.
    const QDateTime stamp(QDate(2026, 7, 1), QTime(9, 30, 13));
    setModified(drives.writeFile("C:\\Data\\a.txt", "a"), stamp);
    const QString b = drives.writeFile("C:\\Data\\b.txt", "b");
    setModified(b, stamp.addSecs(1));
    QFile::setPermissions(b, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                 QFileDevice::ReadOther);
    mode_t tempMode = 0;
    g_rec.onPrint = [&](const std::string &) {
        for (const QString &name : folderContent(drives.host("D:\\Sikring"))) {
            struct stat st {
            };
            if (::stat(QFile::encodeName(drives.host("D:\\Sikring\\" + name)).constData(), &st) == 0)
                tempMode = st.st_mode & 0777;
        }
    };
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\b.txt"}), ZpOk);
    EXPECT_EQ(tempMode, 0600u) << "the temporary file";
    EXPECT_EQ(QFileInfo(drives.host(zipName)).permissions() & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QString out = drives.host("D:\\Ut");
    QDir().mkpath(out);
    const UnzipRun run = unzip({"-q", drives.host(zipName), "-d", out});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(QFileInfo(out + "/Data/a.txt").lastModified(), stamp);
    EXPECT_EQ(QFileInfo(out + "/Data/b.txt").lastModified(), stamp.addSecs(1));
    EXPECT_EQ(QFileInfo(out + "/Data/b.txt").permissions() & 0x7077, QFileInfo(b).permissions() & 0x7077);
}

TEST_F(ZipLibraryTest, NotesTheIdentityEachFileWasReadWith)
{
    const QString a = drives.writeFile("C:\\Data\\a.txt", "a");
    setLevel('1');
    const QString big = writeSparse(drives, "C:\\Data\\stor.img", 8 << 20);
    struct stat before {
    };
    ASSERT_EQ(::stat(QFile::encodeName(a).constData(), &before), 0);
    // The large file is read in pieces; it is changed while they are written.
    g_rec.onPrint = [&](const std::string &line) {
        if (line == "  adding: Data/stor.img") {
            QFile f(big);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("endret");
        }
    };
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data\\stor.img"}), ZpOk);
    qv::NotedRead read;
    ASSERT_TRUE(qv::takeReadIdentity(QFile::encodeName(a), read));
    EXPECT_EQ(read.before, qv::FileIdentity::of(before));
    EXPECT_TRUE(read.unchangedAfter);
    ASSERT_TRUE(qv::takeReadIdentity(QFile::encodeName(big), read));
    EXPECT_EQ(read.before.size, 8 << 20);
    EXPECT_FALSE(read.unchangedAfter);
}

TEST_F(ZipLibraryTest, ExistingArchiveIsReplacedNotExtended)
{
    drives.writeFile("C:\\Data\\gammel.txt", "gammel");
    drives.writeFile("C:\\Data\\ny.txt", "ny");
    ASSERT_EQ(archive(zipName, {"C:\\Data\\gammel.txt"}), ZpOk);
    ASSERT_EQ(archive(zipName, {"C:\\Data\\ny.txt"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))), ElementsAre("Data/", "Data/ny.txt"));

    drives.writeFile(zipName, "ikke en zip-fil");
    ASSERT_EQ(archive(zipName, {"C:\\Data\\ny.txt"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))), ElementsAre("Data/", "Data/ny.txt"));
    expectDestination({"Backup av Data 2026_12_07  kl_1747.zip"});
}

TEST_F(ZipLibraryTest, BadOptionsAreRefusedUntilReplaced)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    ZipOptions options = programOptions('x');
    EXPECT_EQ(ZpSetOptions(&options), ZpBadOption);
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpBadOption);

    options = programOptions();
    options.date = "12072026";
    EXPECT_EQ(ZpSetOptions(&options), ZpBadOption) << "a date filter is not offered";
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpBadOption);
    EXPECT_EQ(ZpSetOptions(nullptr), ZpBadOption);
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpBadOption);
    expectDestination({});

    options = programOptions();
    options.date = nullptr; // null texts count as empty
    options.rootFolder = nullptr;
    options.tempFolder = nullptr;
    EXPECT_EQ(ZpSetOptions(&options), ZpOk);
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpOk);
    EXPECT_EQ(ZpArchive(1, "", nullptr), ZpNothingToDo) << "no names outranks no archive name";
    const char *const names[] = {"C:\\Data\\a.txt"};
    EXPECT_EQ(ZpArchive(1, "", names), ZpBadOption);
    EXPECT_EQ(ZpArchive(1, nullptr, names), ZpBadOption);
}

TEST_F(ZipLibraryTest, ArchiveThatCannotBeCreated)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    EXPECT_EQ(archive("D:\\Finnes ikke\\x.zip", {"C:\\Data\\a.txt"}), ZpCreateError);
    EXPECT_EQ(archive("D:\\Sikring", {"C:\\Data\\a.txt"}), ZpCreateError) << "a folder of that name";
    EXPECT_EQ(archive("Q:\\x.zip", {"C:\\Data\\a.txt"}), ZpCreateError) << "no such drive";
    EXPECT_THAT(g_rec.printed, IsEmpty());
    expectDestination({});

    if (::geteuid() == 0)
        return; // root writes into read-only folders
    QFile::setPermissions(drives.host("D:\\Sikring"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpCreateError);
    QFile::setPermissions(drives.host("D:\\Sikring"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    expectDestination({});
}

TEST_F(ZipLibraryTest, FoldersFollowTheRecurseAndHiddenValues)
{
    drives.writeFile("C:\\Data\\b.txt", "b");
    drives.writeFile("C:\\Data\\.skjult", "s");
    drives.writeFile("C:\\Data\\Under\\c.txt", "c");
    drives.makeDir("C:\\Data\\Tom");

    ASSERT_EQ(archive(zipName, {"C:\\Data"}), ZpOk);
    EXPECT_THAT(
        namesOf(readArchive(drives.host(zipName))),
        ElementsAre("Data/", "Data/.skjult", "Data/Tom/", "Data/Under/", "Data/Under/c.txt", "Data/b.txt"));
    EXPECT_EQ(g_rec.printed.size(), 6u);

    ZipOptions options = programOptions();
    options.values[ZipOptionSystemAndHidden] = 0;
    ASSERT_EQ(ZpSetOptions(&options), ZpOk);
    ASSERT_EQ(archive(zipName, {"C:\\Data\\"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))),
                ElementsAre("Data/", "Data/Tom/", "Data/Under/", "Data/Under/c.txt", "Data/b.txt"));

    options.values[ZipOptionRecurse] = 0;
    ASSERT_EQ(ZpSetOptions(&options), ZpOk);
    ASSERT_EQ(archive(zipName, {"C:\\Data", "C:\\Data\\.skjult"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))), ElementsAre("Data/", "Data/.skjult"))
        << "named hidden files always go in";
}

TEST_F(ZipLibraryTest, RepeatedEntryNames)
{
    drives.writeFile("C:\\Data\\a.txt", "c");
    drives.writeFile("D:\\Data\\a.txt", "d");

    // The same file twice, also through a folder: one entry.
    ASSERT_EQ(archive(zipName, {"C:\\Data\\a.txt", "C:\\Data", "C:\\Data\\a.txt"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))), ElementsAre("Data/", "Data/a.txt"));

    // Two different files under one name: packing either would lose the other.
    g_rec = Recorder{};
    EXPECT_EQ(archive("D:\\Sikring\\ny.zip", {"C:\\Data\\a.txt", "D:\\Data\\a.txt"}), ZpBadOption);
    EXPECT_FALSE(drives.exists("D:\\Sikring\\ny.zip"));
    EXPECT_THAT(g_rec.printed, IsEmpty());
}

TEST_F(ZipLibraryTest, RootFolderMakesNamesRelative)
{
    drives.writeFile("C:\\Data\\Under\\c.txt", "c");
    drives.writeFile("C:\\Annet\\x.txt", "x");
    ZipOptions options = programOptions();
    options.rootFolder = "c:\\data";
    ASSERT_EQ(ZpSetOptions(&options), ZpOk);
    ASSERT_EQ(archive(zipName, {"C:\\Data\\Under\\c.txt", "C:\\Annet\\x.txt"}), ZpOk);
    EXPECT_THAT(namesOf(readArchive(drives.host(zipName))),
                ElementsAre("Under/", "Under/c.txt", "Annet/", "Annet/x.txt"));
}

TEST_F(ZipLibraryTest, CallbacksAreOptionalAndReentryIsRefused)
{
    drives.writeFile("C:\\Data\\a.txt", "a");
    ZpInit(nullptr);
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpOk);
    EXPECT_THAT(g_rec.printed, IsEmpty());

    const ZipUserFunctions callbacks{recordPrint, nullptr, nullptr, nullptr};
    ZpInit(&callbacks);
    int inner = -1;
    g_rec.onPrint = [&](const std::string &) {
        inner = archive("D:\\Sikring\\indre.zip", {"C:\\Data\\a.txt"});
    };
    EXPECT_EQ(archive(zipName, {"C:\\Data\\a.txt"}), ZpOk);
    EXPECT_EQ(inner, ZpLogicError);
    EXPECT_FALSE(drives.exists("D:\\Sikring\\indre.zip"));
}

// "Slow": labelled so in CTest (ctest -LE slow leaves it out), and still run by default.
TEST_F(ZipLibraryTest, SlowFileOver4GiBGivesZip64Archive)
{
    const qint64 size = (qint64(4) << 30) + 4096;
    const QString host = drives.writeFile("C:\\Data\\stor.img", "");
    const int fd = ::open(QFile::encodeName(host).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const bool made = ::ftruncate(fd, size - 5) == 0 && ::pwrite(fd, "slutt", 5, size - 5) == 5;
    struct stat st {
    };
    ::fstat(fd, &st);
    ::close(fd);
    if (!made || qint64(st.st_blocks) * 512 > 64 * 1024 * 1024)
        GTEST_SKIP() << "no sparse files here";

    setLevel('1'); // zeros deflate fastest at level 1
    ASSERT_EQ(archive(zipName, {"C:\\Data\\stor.img"}), ZpOk);
    QFile::remove(host);

    const QString zipHost = drives.host(zipName);
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(zipHost).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    ASSERT_NE(za, nullptr);
    const zip_int64_t index = zip_name_locate(za, "Data/stor.img", 0);
    ASSERT_GE(index, 0);
    zip_stat_t zs;
    ASSERT_EQ(zip_stat_index(za, zip_uint64_t(index), 0, &zs), 0);
    EXPECT_EQ(zs.size, zip_uint64_t(size));
    EXPECT_LT(zs.comp_size, zip_uint64_t(64 * 1024 * 1024));
    if (QStandardPaths::findExecutable("unzip").isEmpty()) {
        // Without unzip, libzip checks the CRC while reading to the end.
        zip_file_t *f = zip_fopen_index(za, zip_uint64_t(index), 0);
        ASSERT_NE(f, nullptr);
        std::vector<char> buffer(1 << 20);
        zip_int64_t n, total = 0;
        char tail[5] = {};
        while ((n = zip_fread(f, buffer.data(), buffer.size())) > 0) {
            total += n;
            if (n >= 5)
                std::memcpy(tail, buffer.data() + n - 5, 5);
        }
        EXPECT_EQ(n, 0);
        EXPECT_EQ(total, size);
        EXPECT_EQ(std::string(tail, 5), "slutt");
        zip_fclose(f);
    }
    zip_discard(za);
    if (!QStandardPaths::findExecutable("unzip").isEmpty()) {
        const UnzipRun test = unzip({"-t", zipHost});
        EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    }
}

TEST_F(ZipLibraryTest, SlowMoreThan65535EntriesGiveZip64Archive)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    // Hard links: many names at the cost of two files (a file system may cap the links
    // to one file below 65,535).
    const QByteArray folder = QFile::encodeName(drives.host("C:\\Data\\Mange"));
    drives.writeFile("C:\\Data\\Mange\\f0", "x");
    drives.writeFile("C:\\Data\\Mange\\f1", "y");
    const int count = 65536 + 10;
    for (int i = 2; i < count; ++i)
        ASSERT_EQ(::link(folder + "/f" + QByteArray::number(i % 2), folder + "/f" + QByteArray::number(i)),
                  0);
    ASSERT_EQ(archive(zipName, {"C:\\Data\\Mange"}), ZpOk);
    const UnzipRun test = unzip({"-tq", drives.host(zipName)});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(drives.host(zipName)).constData(), ZIP_RDONLY, &err);
    ASSERT_NE(za, nullptr);
    EXPECT_EQ(zip_get_num_entries(za, 0), count + 2); // and "Data/", "Data/Mange/"
    zip_discard(za);
}

// Writes more than 4 GiB of real data: run with QVTEST_LARGE_ZIP=1.
TEST_F(ZipLibraryTest, ArchiveOver4GiBKeepsLaterEntriesReachable)
{
    if (qEnvironmentVariableIsEmpty("QVTEST_LARGE_ZIP"))
        GTEST_SKIP() << "set QVTEST_LARGE_ZIP=1 to write a 4 GiB archive";
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    const qint64 size = (qint64(4) << 30) + 4096;
    const QString host = drives.writeFile("C:\\Data\\stor.img", "");
    ASSERT_TRUE(QFile::resize(host, size));
    drives.writeFile("C:\\Data\\etter.txt", "etter");

    setLevel('0'); // stored: the archive itself passes 4 GiB
    ASSERT_EQ(archive(zipName, {"C:\\Data\\stor.img", "C:\\Data\\etter.txt"}), ZpOk);
    QFile::remove(host);
    const QString zipHost = drives.host(zipName);
    EXPECT_GT(QFileInfo(zipHost).size(), size);
    const UnzipRun test = unzip({"-t", zipHost});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    const UnzipRun last = unzip({"-p", zipHost, "Data/etter.txt"});
    EXPECT_EQ(last.output, "etter");
    QFile::remove(zipHost);
}

} // namespace

TEST_F(ZipLibraryTest, PipesAreLeftOutByNameAndAnAccessListNarrowsTheMode)
{
    const QString shared = drives.writeFile("C:\\Data\\delt.txt", "delt");
    const bool lists = qvtest::shareWithNobody(shared);
    ASSERT_EQ(::mkfifo(QFile::encodeName(drives.host("C:\\Data\\rør")).constData(), 0600), 0);
    ASSERT_EQ(archive(zipName, {"C:\\Data\\delt.txt", "C:\\Data\\rør"}), ZpOk);
    ASSERT_EQ(ZpSkippedCount(), 1);
    EXPECT_STREQ(ZpSkippedName(0), "C:\\Data\\rør");
    const std::vector<Entry> entries = readArchive(drives.host(zipName));
    ASSERT_THAT(namesOf(entries), ElementsAre("Data/", "Data/delt.txt"));
    EXPECT_THAT(g_rec.printed, ElementsAre("  adding: Data/delt.txt"));
    if (lists) { // the list gives the owning group nothing, whatever its mask shows
        EXPECT_EQ((entries[1].attributes >> 16) & 0777, 0600u);
    }
}
