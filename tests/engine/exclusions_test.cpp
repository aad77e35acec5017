#include "support/EngineFixture.h"

using namespace qv;
using qvtest::EngineTest;

using ExclusionsTest = EngineTest;

TEST_F(ExclusionsTest, HandEditedFileWithBlankLinesDotsQuotesAndCommas)
{
    writeProgramFile("BackupUtelat.txt",
                     "\"tmp\"\r\n\r\n  \"bak\"\r\n.log\r\n\"a,b\"\r\nTMP,swp\r\n\"\"\r\n");
    QStringList editor;
    engine().exclusions.General_LesUtelat(true, &editor);
    const QStringList expected{"tmp", "bak", ".log", "a,b", "TMP", "swp", ""};
    EXPECT_EQ(state().UtelatListe, expected);
    EXPECT_EQ(editor, expected);
    // Reading twice leaves each entry once; without the flag the editor gets nothing.
    QStringList untouched;
    engine().exclusions.General_LesUtelat(false, &untouched);
    EXPECT_EQ(state().UtelatListe, expected);
    EXPECT_TRUE(untouched.isEmpty());
}

TEST_F(ExclusionsTest, MissingFileGivesAnEmptyListQuietly)
{
    state().UtelatListe = QStringList{"old"};
    engine().exclusions.General_LesUtelat(false);
    EXPECT_TRUE(state().UtelatListe.isEmpty());
    EXPECT_TRUE(dialog.messages().isEmpty());
}

TEST_F(ExclusionsTest, SavingWritesOneQuotedLinePerEntryAndReadsBack)
{
    engine().exclusions.General_LagreUtelat({"tmp", QString::fromUtf8("æøå"), "a,b"});
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), "\"tmp\"\r\n\"\xE6\xF8\xE5\"\r\n\"a,b\"\r\n");
    engine().exclusions.General_LesUtelat(false);
    EXPECT_EQ(state().UtelatListe, (QStringList{"tmp", QString::fromUtf8("æøå"), "a,b"}));
    engine().exclusions.General_LagreUtelat({});
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), "");
}

TEST_F(ExclusionsTest, UnwritableFileKeepsTheChosenListInMemory)
{
    qputenv("QVBACKUP_PROGRAM_DIR", "Q:\\Ingen");
    dialog.queueAnswer(Answer::OK);
    engine().exclusions.General_LagreUtelat({"tmp"});
    EXPECT_EQ(state().UtelatListe, QStringList{"tmp"});
    EXPECT_EQ(dialog.messages().size(), 1);
}

TEST(ExclusionMatching, ExactLowerCaseComparison)
{
    const QStringList list = Exclusions::lowerCased({"TMP", ".log", "gz"});
    EXPECT_TRUE(Exclusions::isExcluded("tmp", list));
    EXPECT_FALSE(Exclusions::isExcluded("log", list)); // typed with the dot: never matches
    EXPECT_FALSE(Exclusions::isExcluded("tm", list));
    EXPECT_FALSE(Exclusions::isExcluded("", list));
    EXPECT_TRUE(Exclusions::isExcluded("", Exclusions::lowerCased({""})));
    EXPECT_FALSE(Exclusions::isExcluded("tmp", {}));
}

TEST_F(ExclusionsTest, AnEntryTheFileCannotHoldLeavesTheFileAsItWas)
{
    writeProgramFile("BackupUtelat.txt", "\"tmp\"\r\n");
    dialog.queueAnswer(Answer::OK);
    engine().exclusions.General_LagreUtelat({"bak", "\"a,b"});
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), "\"tmp\"\r\n");
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_TRUE(dialog.messages()[0].contains(QString::fromUtf8("«\"a,b»")));
}
