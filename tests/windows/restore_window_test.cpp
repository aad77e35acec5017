#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "engine/Restore.h"
#include "platform/base/ScriptedDialog.h"
#include "support/TempTree.h"
#include "windows/frmGjenopprett.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;

// The restore window over a mirror and one earlier version made by hand; clicks and
// keys are real input events, message boxes are answered by a script.
class RestoreWindowTest : public ::testing::Test
{
protected:
    RestoreWindowTest() : drives("CD")
    {
        setDialog(&dialog);
        const QDateTime morning(QDate(2026, 12, 7), QTime(10, 0));
        drives.writeFile("D:\\Sikring\\Backup av Dok\\a.txt", "ny");
        drives.writeFile("D:\\Sikring\\Backup av Dok\\Brev\\b.txt", "brev", morning);
        drives.writeFile("D:\\Sikring\\Eldre versjoner av Dok\\2026_12_07  kl_1800\\a.txt", "gammel",
                         morning);
        mal = {"Dok", "C:\\Data\\Dok\\", "D:\\Sikring\\", "-1", "0", "07.12.2026   kl. 18:00:00", "0"};
    }
    ~RestoreWindowTest() override { setDialog(nullptr); }

    void open()
    {
        window = std::make_unique<frmGjenopprett>(std::vector<BackupMal>{mal}, "Dok");
        window->setFolderChooser([this](const QString &, const QString &) { return chosen; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); }
    // Space on the current item toggles its box, as a user would untick it.
    void toggle(const QString &rel)
    {
        QTreeWidgetItem *item = window->fileItem(rel);
        ASSERT_TRUE(item);
        window->tvwFiler()->setFocus();
        window->tvwFiler()->setCurrentItem(item);
        QTest::keyClick(window->tvwFiler(), Qt::Key_Space);
    }

    qvtest::TempDrives drives;
    ScriptedDialog dialog;
    BackupMal mal;
    QString chosen;
    std::unique_ptr<frmGjenopprett> window;
};

TEST_F(RestoreWindowTest, PickATimeUntickAFileAndRestoreToAnotherFolder)
{
    open();
    ASSERT_EQ(window->cboTidspunkt()->count(), 2);
    EXPECT_EQ(window->cboTidspunkt()->itemText(1), "Før kjøringen 07.12.2026 kl. 18:00");
    EXPECT_EQ(window->tvwFiler()->topLevelItemCount(), 2); // "Brev" and a.txt

    window->cboTidspunkt()->setFocus();
    QTest::keyClick(window->cboTidspunkt(), Qt::Key_Down);
    toggle("Brev/b.txt");
    EXPECT_EQ(window->fileItem("Brev/b.txt")->checkState(0), Qt::Unchecked);
    EXPECT_EQ(window->fileItem("Brev/b.txt")->parent()->checkState(0), Qt::Unchecked);

    chosen = "C:\\Ut\\";
    click(window->qvbVelg());
    EXPECT_TRUE(window->optAnnenMappe()->Value());
    EXPECT_EQ(window->txtMappe()->text(), "C:\\Ut\\");
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    EXPECT_EQ(drives.readFile("C:\\Ut\\a.txt"), "gammel");
    EXPECT_FALSE(drives.exists("C:\\Ut\\Brev\\b.txt"));
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_EQ(dialog.messages().front(), "Gjenoppretting fullført.\n1 fil ble hentet tilbake.");
    EXPECT_FALSE(dialog.sawUnexpected());
}

TEST_F(RestoreWindowTest, BackToTheSourceKeepsAChangedFileBeside)
{
    drives.writeFile("C:\\Data\\Dok\\a.txt", "endret");
    open();
    EXPECT_TRUE(window->optDerDeVar()->Value());
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    EXPECT_EQ(drives.readFile("C:\\Data\\Dok\\a.txt"), "ny");
    EXPECT_EQ(drives.readFile("C:\\Data\\Dok\\a.txt (før gjenoppretting)"), "endret");
    EXPECT_EQ(drives.readFile("C:\\Data\\Dok\\Brev\\b.txt"), "brev");
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_TRUE(
        dialog.messages().front().startsWith("Gjenoppretting fullført.\n2 filer ble hentet tilbake.\n1 fil"));

    // Nothing ticked: the window says so and restores nothing.
    toggle("a.txt");
    toggle("Brev/b.txt");
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    EXPECT_EQ(dialog.messages().last(), "Kryss av filene som skal hentes tilbake.");
}
