#include "engine/RunState.h"

#include <gtest/gtest.h>

using namespace qv;

namespace
{
RunState withTemplates(int count)
{
    RunState s;
    s.cboMal.insertAt(0, TemplateBox::kNyMal);
    for (int i = 1; i < count; ++i)
        s.cboMal.addSorted(QString("Mal %1").arg(i));
    return s;
}
} // namespace

TEST(RunState, BusyDisablesEverythingAndIdleEnablesByTheRules)
{
    RunState s = withTemplates(3);
    s.cboMal.setListIndexQuietly(1);
    s.Fra = "C:\\Data\\";
    s.Til = "D:\\Sikring\\";
    s.setOptEndrede(true);
    s.General_Opptatt(true);
    EXPECT_FALSE(s.cboMal.enabled);
    EXPECT_FALSE(s.qvbStart.enabled);
    EXPECT_FALSE(s.qvbAvslutt.enabled);
    EXPECT_FALSE(s.mnuFil.enabled);
    EXPECT_FALSE(s.chkZip.enabled);
    EXPECT_FALSE(s.lvw1().Enabled());
    EXPECT_TRUE(s.mnuFilStart.enabled); // items keep their own flags under a disabled menu

    s.General_Opptatt(false);
    EXPECT_TRUE(s.qvbStart.enabled);
    EXPECT_TRUE(s.qvbSlett.enabled);
    EXPECT_TRUE(s.chkAlleMaler.enabled);
    EXPECT_TRUE(s.chkZip.enabled);
    EXPECT_TRUE(s.lvw1().Enabled());
    EXPECT_FALSE(s.qvbLagre.enabled); // MalEndret false: stays as the busy phase left it
}

TEST(RunState, IdleLeavesFlagsWhoseConditionIsFalseAsTheyWere)
{
    RunState s = withTemplates(1);
    s.mnuRedigerLagreMal.enabled = true;
    s.qvbLagre.enabled = false;
    s.chkAlleMaler.enabled = false;
    s.General_Opptatt(false);
    EXPECT_TRUE(s.mnuRedigerLagreMal.enabled);
    EXPECT_FALSE(s.qvbLagre.enabled);
    EXPECT_FALSE(s.chkAlleMaler.enabled); // only the new-template entry
    s.setOptAlle(true);
    s.chkZip.enabled = true;
    s.General_Opptatt(false);
    EXPECT_FALSE(s.chkZip.enabled); // the one flag idle can turn off
}

TEST(RunState, DestinationCheckRejectsEitherFolderInsideTheOther)
{
    struct Case {
        const char *fra, *til;
        bool ok;
    };
    const Case cases[] = {{"C:\\Data\\", "C:\\Data\\Sikring\\", false},
                          {"C:\\Data\\Sikring\\", "C:\\Data\\", false},
                          {"c:\\data\\", "C:\\DATA\\Sikring\\", false},
                          {"C:\\Data\\", "D:\\Data\\", true}};
    for (const Case &c : cases) {
        RunState s = withTemplates(2);
        s.Fra = c.fra;
        s.Til = c.til;
        s.showTil(s.Til);
        s.qvbStart.enabled = false;
        s.General_SjekkMottaker();
        EXPECT_EQ(s.qvbStart.enabled, c.ok) << c.fra << " " << c.til;
        EXPECT_EQ(s.txtTil.text == "Finn en gyldig mottaker-mappe.", !c.ok) << c.fra << " " << c.til;
        EXPECT_EQ(s.Til, c.til);
    }
    RunState empty = withTemplates(2);
    empty.Fra = "C:\\Data\\";
    empty.qvbStart.enabled = false;
    empty.General_SjekkMottaker();
    EXPECT_FALSE(empty.qvbStart.enabled); // only a source: nothing happens
}

TEST(RunState, EscSetsBothAbortRequestsWhateverTheState)
{
    RunState s;
    s.General_Opptatt(true);
    s.escPressed();
    EXPECT_TRUE(s.EscTrykket);
    EXPECT_EQ(s.ZipAvbryt, 1);
}

TEST(RunState, FoundFileListAnswersMinusOneOutsideItsRows)
{
    RunState s;
    s.found.enterFolder("C:\\", "/c");
    s.found.add("a.txt", 1, 0, 0);
    s.lvw1().Show(s.found);
    EXPECT_EQ(s.lvw1().GetFile(1), "C:\\a.txt");
    EXPECT_EQ(s.lvw1().GetFile(0), "-1");
    EXPECT_EQ(s.lvw1().GetFile(2), "-1");
}

TEST(RunState, TemplateBoxKeepsEntriesSortedWithoutRegardToCase)
{
    RunState s;
    for (const char *n : {"b", "C", "a", "B2"})
        s.cboMal.addSorted(n);
    EXPECT_EQ(s.cboMal.items(), (QStringList{"a", "b", "B2", "C"}));
    int clicks = 0;
    s.cboMal.onClick = [&] { ++clicks; };
    s.cboMal.setListIndex(2);
    s.cboMal.setListIndexQuietly(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(s.cboMal.text(), "b");
    s.cboMal.removeAt(1);
    EXPECT_EQ(s.cboMal.listIndex(), -1);
}
