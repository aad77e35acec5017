#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/filelist/qvFileList.h"
#include "controls/tree/qvTree.h"
#include "engine/Restore.h"
#include "platform/base/ScriptedDialog.h"
#include "support/TempTree.h"
#include "windows/frmGjenopprett.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItem>
#include <QTest>
#include <QTreeView>
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
    void clickFolder(const QString &folder)
    {
        QTreeView *view = window->tvwMapper()->treeView();
        QStandardItem *node = window->tvwMapper()->givenNode(folder);
        ASSERT_TRUE(node);
        const QRect r = view->visualRect(node->index());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 24, r.center().y()));
    }
    void clickFile(const QString &rel, Qt::KeyboardModifiers keys = {})
    {
        const int row = window->fileRow(rel);
        ASSERT_GT(row, 0) << rel.toStdString();
        QTreeView *view = window->lvwFiler()->reportView();
        const QRect r = view->visualRect(view->model()->index(row - 1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys, QPoint(r.left() + 30, r.center().y()));
    }
    QStringList shownFiles() const
    {
        QStringList out;
        for (int r = 1; r <= window->lvwFiler()->GetCount(); ++r)
            out << window->lvwFiler()->GetFile(r);
        return out;
    }

    qvtest::TempDrives drives;
    ScriptedDialog dialog;
    BackupMal mal;
    QString chosen;
    std::unique_ptr<frmGjenopprett> window;
};

TEST_F(RestoreWindowTest, PickATimeChooseFilesAndRestoreToAnotherFolder)
{
    open();
    ASSERT_EQ(window->cboTidspunkt()->count(), 2);
    EXPECT_EQ(window->cboTidspunkt()->itemText(1), "Før kjøringen 07.12.2026 kl. 18:00");
    QStandardItem *top = window->tvwMapper()->givenNode("");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->text(), "C:\\Data\\Dok");
    ASSERT_EQ(top->rowCount(), 1);
    EXPECT_EQ(top->child(0)->text(), "Brev");
    // The top folder lists every file, folders first, and chooses them all.
    EXPECT_EQ(shownFiles(), QStringList({"Brev\\b.txt", "a.txt"}));
    EXPECT_EQ(window->lblValgt()->text(), "2 av 2 fil(er) valgt, 1 KB.");

    window->cboTidspunkt()->setFocus();
    QTest::keyClick(window->cboTidspunkt(), Qt::Key_Down);
    clickFile("a.txt");
    EXPECT_EQ(window->lblValgt()->text(), "1 av 2 fil(er) valgt, 1 KB.");

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

    // A folder in the tree chooses what is below it, named from there.
    clickFolder("Brev");
    EXPECT_EQ(shownFiles(), QStringList({"b.txt"}));
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    EXPECT_EQ(drives.readFile("C:\\Ut\\Brev\\b.txt"), "brev");
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

    // Nothing chosen: the window says so and restores nothing.
    clickFile("a.txt", Qt::ControlModifier);
    clickFile("Brev/b.txt", Qt::ControlModifier);
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    EXPECT_EQ(dialog.messages().last(), "Velg filene som skal hentes tilbake.");
}

TEST_F(RestoreWindowTest, EscStopsARestoreAndTheWindowStays)
{
    drives.writeFile("D:\\Sikring\\Backup av Dok\\c.txt", "c");
    open();
    // Esc as the first file comes back, pressed on the window as a user would.
    dialog.setOnProcessEvents([this](int count) {
        if (count == 1)
            QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    dialog.queueAnswer(Answer::OK);
    click(window->qvbGjenopprett());
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_TRUE(dialog.messages().front().startsWith("Gjenoppretting avbrutt."))
        << dialog.messages().front().toStdString();
    EXPECT_FALSE(drives.exists("C:\\Data\\Dok\\c.txt"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->qvbGjenopprett()->isEnabled());
}
