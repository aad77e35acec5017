#include "ScriptRunner.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using namespace qv;

namespace
{
struct ScriptRun {
    int code;
    QString out;
};

ScriptRun runScript(const QString &script)
{
    QString out;
    QTextStream stream(&out);
    int code;
    {
        ScriptRunner runner(stream);
        code = runner.run(script.split('\n'));
    }
    return {code, out};
}
} // namespace

TEST(ScriptDriver, SavesScansAndPrintsTheTranscript)
{
    qvtest::TempDrives drives("CD");
    drives.writeFile("C:\\Data\\a.txt", QByteArray(1536, 'a'));
    drives.writeFile("C:\\Data\\b.tmp", "b");
    const ScriptRun r = runScript("startup\n"
                                  "exclude tmp\n"
                                  "source C:\\Data\\\n"
                                  "dest D:\\Sikring\\\n"
                                  "text Dokumenter\n"
                                  "save\n"
                                  "scan\n"
                                  "print files\n"
                                  "print state\n"
                                  "print templates\n");
    EXPECT_EQ(r.code, ScriptRunner::Ok) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(
        "  PROMPT title=\"Backup\" default=\"[ Ny mal ]\": Skriv navn på den nye backupmalen.\n"
        "    -> \"Dokumenter\"\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("  STATUS: 1 filer funnet (2 kb).  1 mapper gjennomsøkt.\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("  | C:\\Data\\a.txt | txt |         1,50 kb. | ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("cboMal: index=1 text=\"Dokumenter\"")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("  | Dokumenter | C:\\Data\\ | D:\\Sikring\\ | -1 | 0 |  | 0 |"))
        << r.out.toStdString();
    EXPECT_EQ(drives.readFile("C:\\Program\\Backup\\BackupMal.txt"),
              "\"Dokumenter\",\"C:\\Data\\\",\"D:\\Sikring\\\",-1,0,\"\",0\r\n");
}

TEST(ScriptDriver, UnansweredDialogueEndsTheRunWithCodeThree)
{
    qvtest::TempDrives drives("CD");
    drives.writeFile("C:\\Program\\Backup\\BackupMal.txt", "\"A\",\"C:\\A\\\",\"D:\\A\\\",-1,0,\"\",0\r\n");
    const ScriptRun r = runScript("startup\nselect A\ndelete\nprint state\n");
    EXPECT_EQ(r.code, ScriptRunner::UnexpectedDialogue);
    EXPECT_TRUE(r.out.contains(
        "MSGBOX [YesNo] [Question] default=1 title=\"Backup\": Vil du slette malen (A) fra listen?"))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("> print state"));
}

TEST(ScriptDriver, BadScriptLinesAreReportedWithTheirNumber)
{
    qvtest::TempDrives drives("C");
    const ScriptRun r = runScript("startup\n\nfrobnicate\n");
    EXPECT_EQ(r.code, ScriptRunner::ScriptError);
    EXPECT_TRUE(r.out.contains("ERROR: line 3: unknown command \"frobnicate\"")) << r.out.toStdString();
}
