#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/Settings.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "support/EngineFixture.h"
#include <sys/stat.h>

using namespace qv;
using qvtest::EngineTest;

namespace
{
QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}
} // namespace

class TemplatesTest : public EngineTest
{
protected:
    // A window state with both folders chosen, as the user leaves it before saving.
    void chooseFolders(const QString &fra = "C:\\Data\\", const QString &til = "D:\\Sikring\\")
    {
        engine().actions.chooseFolder(UserActions::FolderField::Fra, fra);
        engine().actions.chooseFolder(UserActions::FolderField::Til, til);
    }
    void saveAs(const QString &name)
    {
        dialog.queuePromptText(name);
        engine().templates.General_LagreMal();
    }
    QStringList fileLines() { return QString::fromLatin1(programFileBytes("BackupMal.txt")).split("\r\n"); }
};

TEST_F(TemplatesTest, FirstStartHasOnlyTheNewEntryAndCommandsOff)
{
    engine().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), QStringList{"[ Ny mal ]"});
    EXPECT_EQ(state().cboMal.listIndex(), 0);
    EXPECT_FALSE(state().qvbStart.enabled);
    EXPECT_FALSE(state().qvbLagre.enabled);
    EXPECT_FALSE(state().qvbSlett.enabled);
    EXPECT_FALSE(state().chkAlleMaler.enabled);
    EXPECT_TRUE(dialog.messages().isEmpty());
}

TEST_F(TemplatesTest, FirstSaveAppendsOneLineWithBareFlagsAndSelectsIt)
{
    engine().actions.startUp();
    chooseFolders();
    EXPECT_TRUE(state().qvbStart.enabled);
    EXPECT_TRUE(state().MalEndret);
    engine().actions.optionEndrede();
    saveAs("  Dokumenter  ");
    EXPECT_EQ(programFileBytes("BackupMal.txt"),
              "\"Dokumenter\",\"C:\\Data\\\",\"D:\\Sikring\\\",-1,-1,\"\",0\r\n");
    EXPECT_EQ(state().cboMal.text(), "Dokumenter");
    EXPECT_EQ(state().cboMal.listIndex(), 1);
    EXPECT_FALSE(state().MalEndret);
    EXPECT_TRUE(state().qvbSlett.enabled);
    EXPECT_TRUE(state().chkZip.enabled); // new-and-changed offers zip
}

TEST_F(TemplatesTest, NewEntryNameIsRefusedInAnyCaseAndThePromptComesBack)
{
    engine().actions.startUp();
    chooseFolders();
    dialog.queuePromptText("[ NY MAL ]");
    dialog.queueAnswer(Answer::OK);
    dialog.queuePromptText(""); // then cancelled
    engine().templates.General_LagreMal();
    ASSERT_EQ(dialog.messages(), QStringList{"Oppgi et annet navn enn standerverdien."});
    EXPECT_TRUE(dialog.transcript()[0].startsWith("PROMPT title=\"Backup\" default=\"[ Ny mal ]\""));
    EXPECT_TRUE(dialog.transcript()[2].contains("[OK] [Exclamation]"));
    EXPECT_FALSE(drives.exists("C:\\Program\\Backup\\BackupMal.txt"));
}

TEST_F(TemplatesTest, NamesAndFoldersWithADoubleQuoteAreRefused)
{
    engine().actions.startUp();
    chooseFolders();
    dialog.queuePromptText("Mal \"A\"");
    dialog.queueAnswer(Answer::OK);
    dialog.queuePromptText("Mal A");
    engine().templates.General_LagreMal();
    EXPECT_EQ(dialog.messages(),
              QStringList{QString::fromUtf8("Navn og mapper kan ikke inneholde anførselstegn (\").")});
    EXPECT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "Mal A"}));

    engine().actions.chooseFolder(UserActions::FolderField::Fra, "C:\\Rar\"mappe\\");
    dialog.queuePromptText("Mal B");
    dialog.queueAnswer(Answer::OK);
    dialog.queuePromptText("");
    engine().templates.General_LagreMal();
    EXPECT_EQ(state().cboMal.count(), 2);
    EXPECT_FALSE(programFileBytes("BackupMal.txt").contains("Rar"));
}

TEST_F(TemplatesTest, ExistingNameInOtherCaseAsksToOverwrite)
{
    engine().actions.startUp();
    chooseFolders();
    saveAs("Dokumenter");
    saveAs("Bilder");
    ASSERT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "Bilder", "Dokumenter"}));

    // No asks for another name; Cancel then does nothing.
    dialog.queuePromptText("DOKUMENTER");
    dialog.queueAnswer(Answer::No);
    dialog.queuePromptText("dokumenter");
    dialog.queueAnswer(Answer::Cancel);
    engine().templates.General_LagreMal();
    EXPECT_EQ(dialog.messages().count("Malen finnes allerede i listen, vil du overskrive den?"), 2);
    EXPECT_TRUE(dialog.transcript().join('\n').contains("[YesNoCancel] [Information]"));

    // Yes overwrites fields 2 to 7 and keeps the row's name; the file is rewritten all quoted.
    engine().actions.chooseFolder(UserActions::FolderField::Til, "D:\\Ny\\");
    dialog.queuePromptText("dokumenter");
    dialog.queueAnswer(Answer::Yes);
    engine().templates.General_LagreMal();
    EXPECT_EQ(fileLines(),
              (QStringList{"\"Bilder\",\"C:\\Data\\\",\"D:\\Sikring\\\",\"-1\",\"0\",\"\",\"0\"",
                           "\"Dokumenter\",\"C:\\Data\\\",\"D:\\Ny\\\",\"-1\",\"0\",\"\",\"0\"", ""}));
    EXPECT_FALSE(state().MalEndret);
}

TEST_F(TemplatesTest, SelectingLoadsTheTemplateAndTheDestinationCheckRuns)
{
    writeProgramFile("BackupMal.txt",
                     crlf({R"("Alle","C:\Data\","D:\Sikring\",0,0,"01.02.2026   kl. 10:00:00",-1)",
                           R"("Inni","C:\Data\","C:\data\Sikring\",-1,-1,"",-1)"}));
    engine().actions.startUp();
    state().cboMal.setListIndex(1);
    EXPECT_EQ(state().Fra, "C:\\Data\\");
    EXPECT_EQ(state().txtTil.tooltip, "D:\\Sikring\\");
    EXPECT_EQ(state().txtSistKjort.text, "01.02.2026   kl. 10:00:00");
    EXPECT_TRUE(state().optAlle.value);
    EXPECT_FALSE(state().optEndrede.value);
    EXPECT_FALSE(state().chkUnderkat.value);
    EXPECT_FALSE(state().chkZip.enabled); // zip only with new-and-changed files
    EXPECT_TRUE(state().qvbStart.enabled);
    EXPECT_TRUE(state().chkAlleMaler.enabled);

    state().cboMal.setListIndex(2); // destination inside the source, other case
    EXPECT_EQ(state().txtTil.text, "Finn en gyldig mottaker-mappe.");
    EXPECT_EQ(state().Til, "C:\\data\\Sikring\\");
    EXPECT_FALSE(state().qvbStart.enabled);
    EXPECT_FALSE(state().mnuFilStart.enabled);
    EXPECT_TRUE(state().chkZip.enabled);
}

TEST_F(TemplatesTest, DeleteAsksAndRewritesEveryLineQuoted)
{
    writeProgramFile("BackupMal.txt",
                     crlf({R"("A","C:\A\","D:\A\",-1,0,"",0)", R"("B","C:\B\","D:\B\",-1,-1,"",-1)"}));
    engine().actions.startUp();
    state().cboMal.setListIndex(1);
    dialog.queueAnswer(Answer::No);
    engine().templates.qvbSlett_Click();
    EXPECT_EQ(state().cboMal.count(), 3);
    dialog.queueAnswer(Answer::Yes);
    engine().templates.qvbSlett_Click();
    EXPECT_EQ(dialog.messages().last(), "Vil du slette malen (A) fra listen?");
    EXPECT_EQ(programFileBytes("BackupMal.txt"),
              "\"B\",\"C:\\B\\\",\"D:\\B\\\",\"-1\",\"-1\",\"\",\"-1\"\r\n");
    EXPECT_EQ(state().cboMal.listIndex(), 0);
    EXPECT_TRUE(state().Fra.isEmpty());
    EXPECT_FALSE(state().qvbStart.enabled);
    EXPECT_FALSE(state().qvbSlett.enabled);
}

TEST_F(TemplatesTest, DeletingTheOnlyTemplateLeavesTheNewEntryAndTheAllBoxOff)
{
    writeProgramFile("BackupMal.txt", crlf({R"("A","C:\A\","D:\A\",-1,0,"",0)"}));
    engine().actions.startUp();
    state().cboMal.setListIndex(1);
    dialog.queueAnswer(Answer::Yes);
    engine().templates.qvbSlett_Click();
    EXPECT_EQ(state().cboMal.items(), QStringList{"[ Ny mal ]"});
    EXPECT_EQ(state().cboMal.listIndex(), 0);
    EXPECT_FALSE(state().chkAlleMaler.enabled);
    EXPECT_EQ(programFileBytes("BackupMal.txt"), "");
}

TEST_F(TemplatesTest, RememberedIndexNoEntryHasSelectsTheNewEntry)
{
    writeProgramFile("BackupMal.txt",
                     crlf({R"("C","C:\C\","D:\C\",-1,0,"",0)", R"("a","C:\A\","D:\A\",-1,0,"",0)",
                           R"("B","C:\B\","D:\B\",-1,0,"",0)"}));
    saveSetting("Tilpass", "BackupIndex", "3");
    engine().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "a", "B", "C"}));
    EXPECT_EQ(state().cboMal.listIndex(), 3);
    EXPECT_EQ(state().Fra, "C:\\C\\");
    // Table rows follow the box order, so entry i and row i are one template.
    EXPECT_EQ(state().lsv1.row(1).Malnavn, "a");
    EXPECT_EQ(state().lsv1.row(3).Malnavn, "C");

    for (const char *stale : {"-1", "4", "-7", "x"}) {
        saveSetting("Tilpass", "BackupIndex", stale);
        restart().actions.startUp();
        EXPECT_EQ(state().cboMal.listIndex(), 0) << stale;
        EXPECT_FALSE(state().qvbSlett.enabled || state().qvbStart.enabled || state().qvbLagre.enabled);
    }

    state().cboMal.setListIndex(2);
    EXPECT_TRUE(engine().actions.close());
    EXPECT_EQ(getSetting("Tilpass", "BackupIndex"), "2");
}

TEST_F(TemplatesTest, ListIndexOutOfRangeRaisesInvalidValue)
{
    engine().actions.startUp();
    try {
        state().cboMal.setListIndex(1);
        FAIL() << "no error";
    } catch (const PlatformError &e) {
        EXPECT_EQ(e.number(), 380);
    }
}

TEST_F(TemplatesTest, SixFieldFileIsConvertedAndRewritten)
{
    writeProgramFile("BackupMal.txt",
                     crlf({R"("To","C:\To\","D:\To\",-1,0,"")", R"("En","C:\En\","D:\En\","0","-1","x")"}));
    engine().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "En", "To"}));
    EXPECT_EQ(state().lsv1.row(1).LagZip, "0");
    // Rewritten in the order read, seven quoted fields.
    EXPECT_EQ(fileLines(), (QStringList{R"("To","C:\To\","D:\To\","-1","0","","0")",
                                        R"("En","C:\En\","D:\En\","0","-1","x","0")", ""}));
    EXPECT_TRUE(dialog.messages().isEmpty());
}

TEST_F(TemplatesTest, MixedOldAndNewLinesConvertWithoutShiftingFields)
{
    writeProgramFile("BackupMal.txt",
                     crlf({R"("Ny","C:\Ny\","D:\Ny\",-1,-1,"",-1)", R"("Gammel","C:\G\","D:\G\",0,0,"")",
                           R"("Ny2","C:\N2\","D:\N2\",-1,0,"",0)"}));
    engine().actions.startUp();
    ASSERT_EQ(state().lsv1.count(), 3);
    EXPECT_EQ(state().lsv1.row(1).Malnavn, "Gammel");
    EXPECT_EQ(state().lsv1.row(1).LagZip, "0");
    EXPECT_EQ(state().lsv1.row(2).LagZip, "-1");
    EXPECT_EQ(state().lsv1.row(3).Til, "D:\\N2\\");
    EXPECT_TRUE(dialog.messages().isEmpty());
}

TEST_F(TemplatesTest, QuotedCommasUtf8BomAndNorwegianNamesReadBack)
{
    QByteArray bytes = "\xEF\xBB\xBF";
    bytes +=
        QString::fromUtf8("\"Bilder, ferie ÆØÅ\",\"C:\\Bilder, 2026\\\",\"D:\\Sikring\\\",-1,0,\"\",0\r\n")
            .toUtf8();
    writeProgramFile("BackupMal.txt", bytes);
    engine().actions.startUp();
    ASSERT_EQ(state().cboMal.count(), 2);
    EXPECT_EQ(state().cboMal.item(1), QString::fromUtf8("Bilder, ferie ÆØÅ"));
    EXPECT_EQ(state().lsv1.row(1).Fra, "C:\\Bilder, 2026\\");
}

TEST_F(TemplatesTest, NamesOutsideTheCodePageAreStoredAsUtf8AndReadBack)
{
    engine().actions.startUp();
    chooseFolders();
    saveAs(QString::fromUtf8("Κόπια ✓"));
    saveAs(QString::fromUtf8("Årlig"));
    restart().actions.startUp();
    EXPECT_EQ(state().cboMal.items().mid(1),
              (QStringList{QString::fromUtf8("Årlig"), QString::fromUtf8("Κόπια ✓")}));
    EXPECT_FALSE(programFileBytes("BackupMal.txt").contains('?'));
}

TEST_F(TemplatesTest, EmptyFileGivesNoTemplatesAndNoError)
{
    writeProgramFile("BackupMal.txt", "");
    engine().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), QStringList{"[ Ny mal ]"});
    EXPECT_TRUE(dialog.messages().isEmpty());
}

// A file that fits neither format: the error is logged once, the rows read so far
// are shown, and the file is neither rewritten nor lost.
TEST_F(TemplatesTest, UnreadableFilesAreReportedAndKept)
{
    const QList<QByteArray> bad = {
        crlf({R"("A","C:\A\","D:\A\",-1,0,"",0)"}) + "\"B\",\"C:\\B\\\",\"D:\\", // truncated mid-field
        QByteArray("\x00\x01\xff\xfe garbage \x80\x81,,,\"\x02\r\n\x7f", 24),    // binary garbage
        "\"" + QByteArray(10 * 1024 * 1024, 'x') + "\"\r\n",                     // 10 MB of one line
    };
    for (const QByteArray &bytes : bad) {
        writeProgramFile("BackupMal.txt", bytes);
        dialog.clearRecord();
        dialog.queueAnswer(Answer::OK);
        restart().actions.startUp();
        EXPECT_EQ(dialog.messages().size(), 1);
        EXPECT_TRUE(dialog.messages().value(0).contains("Prosedyre: General_LesMalOld"));
        EXPECT_EQ(state().cboMal.item(0), "[ Ny mal ]");
        EXPECT_EQ(programFileBytes("BackupMal.txt"), bytes);
        EXPECT_EQ(programFileBytes("BackupMal (uleselig).txt"), bytes);
    }
    // The truncated file's complete first template is shown.
    writeProgramFile("BackupMal.txt", bad[0]);
    dialog.queueAnswer(Answer::OK);
    restart().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "A"}));
}

TEST_F(TemplatesTest, NewTemplateResetsTheWindow)
{
    writeProgramFile("BackupMal.txt", crlf({R"("A","C:\A\","D:\A\",0,-1,"x",-1)"}));
    engine().actions.startUp();
    state().cboMal.setListIndex(1);
    engine().templates.qvbNy_Click();
    EXPECT_EQ(state().cboMal.listIndex(), 0);
    EXPECT_TRUE(state().Fra.isEmpty());
    EXPECT_TRUE(state().txtSistKjort.text.isEmpty());
    EXPECT_TRUE(state().chkUnderkat.value);
    EXPECT_TRUE(state().optAlle.value);
    EXPECT_FALSE(state().chkZip.value);
    EXPECT_FALSE(state().chkZip.enabled);
    EXPECT_FALSE(state().qvbStart.enabled);
    EXPECT_FALSE(state().mnuRedigerSlettMal.enabled);
}

TEST_F(TemplatesTest, UnsavedChangesAreOfferedAtClose)
{
    writeProgramFile("BackupMal.txt", crlf({R"("A","C:\A\","D:\A\",0,-1,"",0)"}));
    engine().actions.startUp();
    state().cboMal.setListIndex(1);
    EXPECT_TRUE(engine().actions.close()); // nothing changed: no question
    EXPECT_TRUE(dialog.messages().isEmpty());

    engine().actions.checkUnderkat(true);
    EXPECT_TRUE(state().qvbLagre.enabled);
    dialog.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(engine().actions.close());
    dialog.queueAnswer(Answer::Yes);
    dialog.queuePromptText("A");
    dialog.queueAnswer(Answer::Yes);
    EXPECT_TRUE(engine().actions.close());
    EXPECT_EQ(dialog.messages()[0], QString::fromUtf8("Vil du lagre endringene som er gjort på aktiv mal?"));
    EXPECT_TRUE(programFileBytes("BackupMal.txt").startsWith("\"A\",\"C:\\A\\\",\"D:\\A\\\",\"-1\""));
}

// What a hand-edited file holds survives every rewrite: a quote inside a bare field,
// a damaged line, a last line without a line end.
TEST_F(TemplatesTest, HandEditedFileKeepsEverythingItHeldThroughRewrites)
{
    const QByteArray damaged = R"("Skadet","C:\X\")";
    const QByteArray quoted = R"(D:\Kopi av "gamle" bilder\)";
    writeProgramFile("BackupMal.txt", crlf({R"("A",)" + quoted + R"(,"E:\",-1,0,"",0)", damaged}) +
                                          R"("B","C:\B\","D:\B\",-1,0,"",0)");
    dialog.queueAnswer(Answer::OK);
    engine().actions.startUp();
    EXPECT_EQ(dialog.messages().size(), 1); // the damaged line is reported
    ASSERT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "A", "B"}));
    EXPECT_EQ(state().lsv1.row(1).Fra, quoted);

    chooseFolders();
    dialog.queueAnswer(Answer::OK);
    saveAs("C");
    ASSERT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "A", "B", "C"}));
    state().cboMal.setListIndex(2);
    dialog.queueAnswer(Answer::Yes);
    engine().templates.qvbSlett_Click();
    const QByteArray file = programFileBytes("BackupMal.txt");
    EXPECT_TRUE(file.contains("," + quoted + ",")) << file.constData();
    EXPECT_TRUE(file.contains("\r\n" + damaged + "\r\n")) << file.constData();

    dialog.queueAnswer(Answer::OK);
    restart().actions.startUp();
    EXPECT_EQ(state().cboMal.items(), (QStringList{"[ Ny mal ]", "A", "C"}));
    EXPECT_EQ(state().lsv1.row(1).Fra, quoted);
}

TEST_F(TemplatesTest, FolderNamesThatAreNotUtf8AreSavedAsTheirBytes)
{
    const QByteArray host = hostPathBytes(drives.hostRoot(u'C')) + "/Bilder \xFF\xE5";
    ASSERT_EQ(::mkdir(host.constData(), 0700), 0);
    const QString fra = DriveTable::current().toWindows(HostPath(host)).value().text() + "\\";
    engine().actions.startUp();
    chooseFolders(fra);
    saveAs(QString::fromUtf8("Ødelagt navn ✓")); // outside the code page: the file is UTF-8
    EXPECT_TRUE(programFileBytes("BackupMal.txt").contains("Bilder \xFF\xE5"));
    restart().actions.startUp();
    state().cboMal.setListIndex(1);
    EXPECT_EQ(state().Fra, fra);
    EXPECT_TRUE(folderExists(state().Fra));
}
