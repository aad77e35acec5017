#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"

#include "support/ErrorOf.h"
#include "support/TempTree.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;
using qvtest::errorOf;

namespace
{

const QByteArray kBom("\xEF\xBB\xBF");

QStringList readAllFields(const QString &text)
{
    FieldReader r(text);
    QStringList out;
    while (!r.atEnd())
        out << r.next();
    return out;
}

} // namespace

TEST(CodePageTest, Windows1252RoundTrip)
{
    const QString text = QString::fromUtf8("æøåÆØÅ€ – “sitat” ‰ Œ ž ÿ é\r\n");
    ASSERT_TRUE(fitsWindows1252(text));
    const QByteArray bytes = encodeCodePage(text);
    EXPECT_EQ(bytes,
              QByteArray("\xE6\xF8\xE5\xC6\xD8\xC5\x80 \x96 \x93sitat\x94 \x89 \x8C \x9E \xFF \xE9\r\n"));
    EXPECT_EQ(decodeCodePage(bytes), text);

    QByteArray every(256, 0);
    for (int i = 0; i < 256; ++i)
        every[i] = char(i);
    const QString decoded = decodeCodePage(every);
    EXPECT_EQ(decoded.size(), 256);
    EXPECT_EQ(decoded.at(0x81), QChar(0x81)); // unassigned bytes keep their value
    EXPECT_EQ(decoded.at(0x9D), QChar(0x9D));
    EXPECT_EQ(decoded.at(0x80), QChar(0x20AC));
    EXPECT_EQ(encodeCodePage(decoded), every);
}

TEST(CodePageTest, TextOutsideTheCodePageGoesToUtf8WithBom)
{
    const QString text = QString::fromUtf8("C:\\Data\\Ελληνικά\\файл — 日本.txt");
    EXPECT_FALSE(fitsWindows1252(text));
    const QByteArray bytes = encodeCodePage(text);
    EXPECT_EQ(bytes, kBom + text.toUtf8());
    EXPECT_EQ(decodeCodePage(bytes), text);
    EXPECT_FALSE(fitsWindows1252(QString(QChar(0x80)))); // a C1 control that 1252 has not got
    EXPECT_TRUE(fitsWindows1252(QString(QChar(0x8D))));
    // Without a BOM, UTF-8 bytes are read as Windows-1252, as the platform does.
    EXPECT_EQ(decodeCodePage("bl\xC3\xA5"), QString::fromUtf8("blÃ¥"));
}

class TextFileTest : public ::testing::Test
{
protected:
    qvtest::TempDrives drives{"C"};
};

TEST_F(TextFileTest, WriteReadAndReplace)
{
    ASSERT_TRUE(
        writeTextFile("C:\\Program\\Backup\\BackupMal.txt", QString::fromUtf8("\"Mal æøå\",\"C:\\\"\r\n"))
            .ok());
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\BackupMal.txt"),
              QByteArray("\"Mal \xE6\xF8\xE5\",\"C:\\\"\r\n"));
    EXPECT_EQ(readTextFile("c:\\program\\backup\\backupmal.TXT").value(),
              QString::fromUtf8("\"Mal æøå\",\"C:\\\"\r\n"));

    const QString host = drives.host("C:\\Program\\Backup\\BackupMal.txt");
    ::chmod(QFile::encodeName(host).constData(), 0640);
    ASSERT_TRUE(writeTextFile("C:\\Program\\Backup\\BackupMal.txt", QString::fromUtf8("ny\r\n")).ok());
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\BackupMal.txt"), "ny\r\n");
    struct stat st {
    };
    ::stat(QFile::encodeName(host).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // a rewrite keeps the file's mode

    // Nothing but the file itself is left in the folder.
    QStringList left;
    for (QDirIterator it(QFileInfo(host).absolutePath(), QDir::Files | QDir::Hidden); it.hasNext();)
        left << QFileInfo(it.next()).fileName();
    EXPECT_EQ(left, QStringList{"BackupMal.txt"});

    ASSERT_TRUE(writeTextFile("C:\\Program\\Backup\\u.txt", QString::fromUtf8("Ωmega\r\n")).ok());
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\u.txt"), kBom + QByteArray("\xCE\xA9mega\r\n"));
    EXPECT_EQ(readTextFile("C:\\Program\\Backup\\u.txt").value(), QString::fromUtf8("Ωmega\r\n"));
}

TEST_F(TextFileTest, ErrorsOfReadAndWrite)
{
    EXPECT_EQ(errorOf(readTextFile("C:\\Program\\Backup\\mangler.txt")), 53);
    EXPECT_EQ(errorOf(readTextFile("C:\\Mangler\\mangler.txt")), 76);
    EXPECT_EQ(errorOf(readTextFile("C:\\Program")), 75);
    EXPECT_EQ(errorOf(readTextFile("Q:\\x.txt")), 76);
    EXPECT_EQ(errorOf(writeTextFile("C:\\Mangler\\x.txt", "x")), 76);
    const QString ro = drives.writeFile("C:\\Program\\Backup\\ro.txt", "gammel");
    ::chmod(QFile::encodeName(ro).constData(), 0444);
    EXPECT_EQ(errorOf(writeTextFile("C:\\Program\\Backup\\ro.txt", "ny")), 70);
    EXPECT_EQ(errorOf(appendTextFile("C:\\Program\\Backup\\ro.txt", "ny")), 70);
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\ro.txt"), "gammel");
}

TEST_F(TextFileTest, AppendKeepsOrConvertsTheEncoding)
{
    const QString log = "C:\\Program\\Backup\\Error_Backup.txt";
    ASSERT_TRUE(appendTextFile(log, QString::fromUtf8("første æ\r\n")).ok());
    ASSERT_TRUE(appendTextFile(log, QString::fromUtf8("andre ø\r\n")).ok());
    EXPECT_EQ(drives.readFile(log), QByteArray("f\xF8rste \xE6\r\nandre \xF8\r\n"));

    ASSERT_TRUE(appendTextFile(log, QString::fromUtf8("tredje Ж\r\n")).ok());
    EXPECT_EQ(drives.readFile(log), kBom + QString::fromUtf8("første æ\r\nandre ø\r\ntredje Ж\r\n").toUtf8());
    ASSERT_TRUE(appendTextFile(log, QString::fromUtf8("fjerde å\r\n")).ok());
    EXPECT_EQ(readTextFile(log).value(),
              QString::fromUtf8("første æ\r\nandre ø\r\ntredje Ж\r\nfjerde å\r\n"));

    ASSERT_TRUE(appendTextFile("C:\\Program\\Backup\\ny.txt", QString::fromUtf8("Ж")).ok());
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\ny.txt"), kBom + QByteArray("\xD0\x96"));
    EXPECT_EQ(errorOf(appendTextFile("C:\\Mangler\\x.txt", "x")), 76);
}

TEST(FieldReaderTest, FieldsAcrossLinesQuotedAndBare)
{
    const QString text = "\"Min mal\",\"C:\\Data, gamle\\\",\"D:\\\",-1,0,\"\",\"-1\"\r\n"
                         "  \"Neste\"  ,  bar tekst   ,\"x\"etter,\r\n"
                         "a\tb\t ,,\"\"\r\n\r\n  \r\n";
    EXPECT_EQ(readAllFields(text), (QStringList{"Min mal", "C:\\Data, gamle\\", "D:\\", "-1", "0", "", "-1",
                                                "Neste", "bar tekst", "x", "a\tb", "", ""}));
    // Line ends alone, LF alone and CR alone separate fields too.
    EXPECT_EQ(readAllFields("a\nb\rc\r\nd"), (QStringList{"a", "b", "c", "d"}));
}

TEST(FieldReaderTest, EndOfInput)
{
    FieldReader r("\"a\",b\r\n \r\n\t");
    EXPECT_FALSE(r.atEnd());
    EXPECT_EQ(r.next(), "a");
    EXPECT_EQ(r.next(), "b");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(errorOf([&] { r.next(); }), 62);
    EXPECT_EQ(errorOf([&] { r.next(); }), 62);

    FieldReader empty("");
    EXPECT_TRUE(empty.atEnd());
    EXPECT_EQ(errorOf([&] { empty.next(); }), 62);

    // A file cut in the middle of a quoted field: the field runs to the end.
    FieldReader cut("\"Mal\",\"C:\\Da");
    EXPECT_EQ(cut.next(), "Mal");
    EXPECT_EQ(cut.next(), "C:\\Da");
    EXPECT_TRUE(cut.atEnd());
    EXPECT_EQ(errorOf([&] { cut.next(); }), 62);
}

TEST(FieldReaderTest, SurvivesGarbageAndLongLines)
{
    QByteArray junk(100000, 0);
    for (char &c : junk)
        c = char(QRandomGenerator::global()->bounded(256));
    FieldReader g(decodeCodePage(junk));
    int fields = 0;
    while (!g.atEnd() && fields < 200000) {
        g.next();
        ++fields;
    }
    EXPECT_TRUE(g.atEnd());

    QString line(10 * 1024 * 1024, QChar('x'));
    line[5 * 1024 * 1024] = ',';
    line.prepend('"');
    line[1000] = '"';
    // A reader that looked at the rest of the line again per character would not end
    // within the test's time limit.
    FieldReader r(line);
    EXPECT_EQ(r.next().size(), 999);
    EXPECT_EQ(r.next().size(), 5 * 1024 * 1024 - 1); // after the comma, to the end
    EXPECT_TRUE(r.atEnd());
}

TEST(CodePageTest, WhatIsReadIsWrittenBackByteForByte)
{
    // Bytes that are not UTF-8 in a UTF-8 file are carried as host names are.
    const QByteArray utf8 = kBom + QByteArray("\"D:\\Bilder \xFF\xE5\",\"C:\\bl\xC3\xA5\"\r\n");
    EXPECT_EQ(encodeCodePage(decodeCodePage(utf8)), utf8);
    EXPECT_TRUE(decodeCodePage(utf8).contains(QChar(0xDCFF)));
    // Text that begins as the BOM does in the code page must not turn into UTF-8.
    const QString bomLike = QString::fromUtf8("ï»¿x");
    EXPECT_EQ(decodeCodePage(encodeCodePage(bomLike)), bomLike);
}

TEST(FieldReaderTest, EveryFieldTheWriterPutsReadsBackTheSame)
{
    const QStringList held = {"",
                              "plain",
                              " lead and trail ",
                              "a,b",
                              "a\"b",
                              "x\"",
                              "line\r\nend",
                              "Ødelagt ✓",
                              QString(QChar(0xDCFF)) + "\xE5"};
    for (const QString &f : held) {
        const auto text = fieldText(f);
        ASSERT_TRUE(text) << f.toStdString();
        EXPECT_EQ(readAllFields(*text + ",\"neste\"\r\n"), (QStringList{f, "neste"})) << text->toStdString();
    }
    // A quote with a separator or blanks at an end, and text the file cannot encode.
    for (const QString &f :
         {QString("\"x"), QString("a\"b,c"), QString("a\"b "), QString(" a\"b"), QString("a\"\nb"),
          QString(QChar(0xD800)), QString(QChar(0xDCC3)) + QChar(0xDCA5)})
        EXPECT_FALSE(fieldText(f)) << f.toStdString();
}

TEST_F(TextFileTest, AppendEndsAnUnendedLastLineFirst)
{
    const QString path = "C:\\Program\\Backup\\BackupMal.txt";
    drives.writeFile(path, "\"A\",1");
    ASSERT_TRUE(appendTextFile(path, "\"B\",2\r\n").ok());
    EXPECT_EQ(drives.readFile(path), "\"A\",1\r\n\"B\",2\r\n");
    drives.writeFile(path, "\"A\",1\r");
    ASSERT_TRUE(appendTextFile(path, "\"B\"\r\n").ok());
    EXPECT_EQ(drives.readFile(path), "\"A\",1\r\"B\"\r\n");
    drives.writeFile(path, kBom);
    ASSERT_TRUE(appendTextFile(path, QString::fromUtf8("Ж\r\n")).ok());
    EXPECT_EQ(drives.readFile(path), kBom + "\xD0\x96\r\n");
}

TEST_F(TextFileTest, ARewriteKeepsWhatKindOfFileItIsAndItsOwner)
{
    const QString path = "C:\\Program\\Backup\\BackupMal.txt";
    const QByteArray host = QFile::encodeName(drives.host(path));
    const QByteArray real = QFile::encodeName(drives.writeFile("C:\\Ekte\\maler.txt", "gammel"));
    ASSERT_EQ(::symlink("../../Ekte/maler.txt", host.constData()), 0);
    ASSERT_TRUE(writeTextFile(path, "ny\r\n").ok());
    struct stat st {
    };
    ASSERT_EQ(::lstat(host.constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(drives.readFile("C:\\Ekte\\maler.txt"), "ny\r\n");

    // A second name of the file sees the new text.
    ::unlink(host.constData());
    ASSERT_EQ(::link(real.constData(), host.constData()), 0);
    ASSERT_TRUE(writeTextFile(path, "tredje\r\n").ok());
    EXPECT_EQ(drives.readFile("C:\\Ekte\\maler.txt"), "tredje\r\n");

    if (::geteuid() == 0) {
        ::unlink(host.constData());
        drives.writeFile(path, "x");
        ASSERT_EQ(::chown(host.constData(), 65534, 65534), 0);
        ASSERT_TRUE(writeTextFile(path, "root skrev\r\n").ok());
        ASSERT_EQ(::stat(host.constData(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // A FIFO in the file's place is refused at once, never waited on, and stays.
    ::unlink(host.constData());
    ASSERT_EQ(::mkfifo(host.constData(), 0600), 0);
    EXPECT_EQ(errorOf(readTextFile(path)), 75);
    EXPECT_EQ(errorOf(writeTextFile(path, "x")), 75);
    EXPECT_EQ(errorOf(appendTextFile(path, "x")), 75);
    ASSERT_EQ(::lstat(host.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
