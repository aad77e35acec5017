#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/filelist/qvFileList.h"
#include "controls/panels/qvShadeBox.h"
#include "platform/ScriptedDialog.h"
#include "platform/Settings.h"
#include "support/TempTree.h"
#include "windows/frmBackup.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;

// The main window over a temporary drive table; message boxes are answered by
// pressing their buttons for real.
class BackupWindowTest : public ::testing::Test
{
protected:
    BackupWindowTest() : drives("CD")
    {
        drives.writeFile("C:\\Data\\a.txt", "a");
        drives.writeFile("C:\\Data\\Under\\b.txt", "bb");
    }
    void open()
    {
        window = std::make_unique<frmBackup>();
        window->setFolderChooser([this](const QString &title, const QString &, bool) {
            chooserTitles << title;
            return chosen.isEmpty() ? QString() : chosen.takeFirst();
        });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // Presses the named button of the next message boxes, in order.
    void answerBoxes(const QStringList &buttons)
    {
        pending = buttons;
        QTimer::singleShot(0, window.get(), [this] { pressPending(); });
    }
    void pressPending()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || pending.isEmpty())
                continue;
            seenBoxes << box->text();
            const QString want = pending.takeFirst();
            for (QAbstractButton *b : box->buttons())
                if (b->text() == want) {
                    QTest::mouseClick(b, Qt::LeftButton);
                    break;
                }
        }
        if (!pending.isEmpty())
            QTimer::singleShot(10, window.get(), [this] { pressPending(); });
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); }

    qvtest::TempDrives drives;
    std::unique_ptr<frmBackup> window;
    QStringList chosen, chooserTitles, pending, seenBoxes;
};

TEST_F(BackupWindowTest, FirstStartShowsTheNewEntryWithCommandsOff)
{
    open();
    EXPECT_EQ(window->windowTitle(), "QV Backup");
    EXPECT_EQ(window->cboMal()->count(), 1);
    EXPECT_EQ(window->cboMal()->currentText(), "[ Ny mal ]");
    EXPECT_FALSE(window->qvbStart()->isEnabled());
    EXPECT_FALSE(window->qvbLagre()->isEnabled());
    EXPECT_FALSE(window->qvbSlett()->isEnabled());
    EXPECT_FALSE(window->chkAlleMaler()->isEnabled());
    EXPECT_FALSE(window->action("mnuFilStart")->isEnabled());
    EXPECT_EQ(window->pos(), QPoint(0, 0));
}

TEST_F(BackupWindowTest, ChoosingFoldersEnablesStartAndOptionsGateZip)
{
    open();
    chosen = {"C:\\Data\\"};
    click(window->qvbFra());
    EXPECT_EQ(chooserTitles, QStringList{"Velg FRA-mappe"});
    EXPECT_EQ(window->txtFra()->text(), "C:\\Data\\");
    EXPECT_FALSE(window->qvbStart()->isEnabled()); // only a source
    chosen = {"D:\\Sikring\\"};
    click(window->qvbTil());
    EXPECT_TRUE(window->qvbStart()->isEnabled());
    EXPECT_TRUE(window->qvbLagre()->isEnabled());

    click(window->optEndrede());
    EXPECT_TRUE(window->chkZip()->isEnabled());
    click(window->optAlle());
    EXPECT_FALSE(window->chkZip()->isEnabled());

    chosen = {"C:\\Data\\Sikring\\"};
    click(window->qvbTil());
    EXPECT_EQ(window->txtTil()->text(), "Finn en gyldig mottaker-mappe.");
    EXPECT_FALSE(window->qvbStart()->isEnabled());
}

TEST_F(BackupWindowTest, CancelledChooserLeavesPathAndChangeFlag)
{
    open();
    click(window->qvbFra());
    EXPECT_TRUE(window->txtFra()->text().isEmpty());
    EXPECT_FALSE(window->engine().state.MalEndret);
}

TEST_F(BackupWindowTest, StartRunsTheBackupAndShowsWhatWasFound)
{
    open();
    chosen = {"C:\\Data\\", "D:\\Sikring\\"};
    click(window->qvbFra());
    click(window->qvbTil());
    answerBoxes({"Ja", "Nei"});
    click(window->qvbStart());
    EXPECT_EQ(seenBoxes.value(0),
              "Fant 2 fil(er) som det bør tas backup av.\nVil du starte sikkerhetskopiering nå?");
    EXPECT_EQ(seenBoxes.value(1), "Backup fullført.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(window->lvw1()->GetCount(), 2);
    EXPECT_EQ(window->shbStatus()->Text(), "Sikkerhetskopiering fullført. ");
    EXPECT_TRUE(drives.exists("D:\\Sikring\\Backup av Data\\Under\\b.txt"));
    EXPECT_TRUE(window->qvbStart()->isEnabled());
}

TEST_F(BackupWindowTest, SaveSelectAndTheAllTemplatesBox)
{
    drives.writeFile(
        "C:\\Program\\Backup\\BackupMal.txt",
        "\"A\",\"C:\\Data\\\",\"D:\\A\\\",-1,0,\"\",0\r\n\"B\",\"C:\\Data\\\",\"D:\\B\\\",-1,-1,\"\",-1\r\n");
    open();
    ASSERT_EQ(window->cboMal()->count(), 3);
    click(window->chkAlleMaler());
    EXPECT_EQ(window->cboMal()->currentText(), "A"); // the first template is selected
    EXPECT_FALSE(window->optAlle()->isVisible());
    EXPECT_FALSE(window->lblTaMed()->isVisible());
    click(window->chkAlleMaler());
    EXPECT_TRUE(window->optAlle()->isVisible());

    window->cboMal()->setFocus();
    QTest::keyClick(window->cboMal(), Qt::Key_Down);
    EXPECT_EQ(window->cboMal()->currentText(), "B");
    EXPECT_EQ(window->txtTil()->text(), "D:\\B\\");
    EXPECT_TRUE(window->optEndrede()->Value());
    EXPECT_TRUE(window->qvbSlett()->isEnabled());
    EXPECT_FALSE(window->qvbLagre()->isEnabled());
}

TEST_F(BackupWindowTest, EscIsSeenByTheWindowWhateverHasFocus)
{
    open();
    window->txtFra()->setFocus();
    QTest::keyClick(window->txtFra(), Qt::Key_Escape);
    EXPECT_TRUE(window->engine().state.EscTrykket);
    EXPECT_EQ(window->engine().state.ZipAvbryt, 1);
}

TEST_F(BackupWindowTest, CloseStoresPositionAndSelection)
{
    drives.writeFile("C:\\Program\\Backup\\BackupMal.txt",
                     "\"A\",\"C:\\Data\\\",\"D:\\A\\\",-1,0,\"\",0\r\n");
    saveSetting("Vindu", "Venstre", "1500");
    saveSetting("Vindu", "Topp", "750");
    saveSetting("Tilpass", "BackupIndex", "1");
    open();
    EXPECT_EQ(window->cboMal()->currentText(), "A");
    EXPECT_EQ(window->pos(), QPoint(100, 50));
    window->move(200, 60);
    window->close();
    EXPECT_EQ(getSetting("Vindu", "Venstre"), "3000");
    EXPECT_EQ(getSetting("Vindu", "Topp"), "900");
    EXPECT_EQ(getSetting("Tilpass", "BackupIndex"), "1");
}
