#include "controls/buttons/qvCommand.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/tree/qvTree.h"
#include "engine/modBackup.h"
#include "platform/base/ScriptedDialog.h"
#include "platform/base/Settings.h"
#include "support/TempTree.h"
#include "windows/frmKatalog.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;

class KatalogWindowTest : public ::testing::Test
{
protected:
    KatalogWindowTest() : drives("CD")
    {
        setDialog(&dialog);
        drives.makeDir("C:\\Data\\Bilder");
        drives.makeDir("D:\\Sikring");
    }
    ~KatalogWindowTest() override { setDialog(nullptr); }
    std::unique_ptr<frmKatalog> open(const QString &start)
    {
        auto w = std::make_unique<frmKatalog>(start);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
    qvtest::TempDrives drives;
    ScriptedDialog dialog;
};

TEST_F(KatalogWindowTest, EmptyStartOpensTheProgramFolder)
{
    auto w = open("");
    EXPECT_EQ(w->windowTitle(), "Velg mappe");
    EXPECT_EQ(w->qvTree1()->Path().toLower(), QString("C:\\Program\\Backup").toLower());
}

TEST_F(KatalogWindowTest, OkHandsBackTheFolderAndTellsWhetherItChanged)
{
    auto w = open("C:\\Data\\");
    QTest::mouseClick(w->qvbOk(), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(w->ValgtMappe().toLower(), QString("c:\\data\\"));
    EXPECT_FALSE(w->folderChanged()) << w->ValgtMappe().toStdString();

    w = open("C:\\Data\\");
    w->qvTree1()->setGoToPath("C:\\data\\bilder");
    QTest::mouseClick(w->qvbOk(), Qt::LeftButton);
    EXPECT_TRUE(w->ValgtMappe().endsWith("\\"));
    EXPECT_TRUE(w->folderChanged());

    w = open("D:\\");
    QTest::mouseClick(w->qvbOk(), Qt::LeftButton);
    EXPECT_EQ(w->ValgtMappe().toUpper(), "D:\\"); // a drive root keeps a single backslash
}

TEST_F(KatalogWindowTest, CancelAndTheCloseBoxChooseNothing)
{
    auto w = open("C:\\Data\\");
    QTest::mouseClick(w->qvbAvbryt(), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(w->ValgtMappe().isEmpty());
    w = open("C:\\Data\\");
    w->close();
    EXPECT_TRUE(w->ValgtMappe().isEmpty());
}

TEST_F(KatalogWindowTest, SizeAndPlaceAreRememberedInTwipsHoweverTheWindowCloses)
{
    auto w = open("C:\\Data\\");
    w->resize(300, 400);
    w->close();
    EXPECT_EQ(getSetting("KatalogVindu", "Bredde"), "4500");
    EXPECT_EQ(getSetting("KatalogVindu", "Hoyde"), "6000");
    w = open("C:\\Data\\");
    EXPECT_EQ(w->size(), QSize(300, 400));

    w->resize(320, 410);
    QTest::mouseClick(w->qvbOk(), Qt::LeftButton);
    EXPECT_EQ(getSetting("KatalogVindu", "Bredde"), "4800");
    w = open("C:\\Data\\");
    w->resize(340, 420);
    QTest::mouseClick(w->qvbAvbryt(), Qt::LeftButton);
    EXPECT_EQ(getSetting("KatalogVindu", "Hoyde"), "6300");
}

TEST_F(KatalogWindowTest, StatusTextKeepsClearOfTheRightBorder)
{
    drives.makeDir("C:\\Data\\Bilder\\Ferie med familien\\Sommeren for lenge siden");
    auto w = open("C:\\Data\\Bilder\\Ferie med familien\\Sommeren for lenge siden");
    const QImage shot = w->shbStatus()->grab().toImage();
    int rightmostText = -1;
    // Inside the frame and above the size grip.
    for (int x = 1; x < shot.width() - 1; ++x)
        for (int y = 1; y < shot.height() - 12; ++y) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() < 90 && c.green() < 90 && c.blue() < 90)
                rightmostText = x;
        }
    ASSERT_GT(rightmostText, 0);
    EXPECT_LT(rightmostText, shot.width() - 12);
}

TEST_F(KatalogWindowTest, FavouritesGroupedWithHeadingsAndSeparators)
{
    const QString user = General_BrukerNavn();
    const QString file = user.isEmpty() ? "Favoritter.krt" : user + ".krt";
    drives.writeFile("C:\\Program\\Backup\\" + file,
                     "\"2\",\"Bilder\",\"C:\\Data\\Bilder\\\",\"C:\\Data\\Bilder\\\"\r\n"
                     "\"2\",\"Arbeid\",\"C:\\Data\\\",\"C:\\Data\\\"\r\n"
                     "\"1\",\"Arbeid\",\"C:\\Skjult\\\",\"C:\\Data\\\"\r\n"
                     "\"2\",\"Arbeid\",\"D:\\Sikring\\\",\"D:\\Sikring\\\"\r\n"
                     "\"2\",\"Borte\",\"C:\\Finnes ikke\\\",\"C:\\Finnes ikke\\\"\r\n");
    auto w = open("C:\\Data\\");
    QMenu *menu = w->buildFavouritesMenu(1);
    QStringList items;
    for (QAction *a : menu->actions())
        items << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : " (heading)"));
    EXPECT_EQ(items, (QStringList{"Arbeid (heading)", "    Data", "    Sikring", "-", "Bilder (heading)",
                                  "    Bilder"}));
    menu->actions()[2]->trigger();
    EXPECT_EQ(w->qvTree1()->Path().toLower(), QString("d:\\sikring"));
    EXPECT_TRUE(w->shbStatus()->Text().toLower().contains("sikring"));

    QMenu *right = w->buildFavouritesMenu(2);
    EXPECT_EQ(right->actions()[1]->text(), "    C:\\Data\\");
}

TEST_F(KatalogWindowTest, NoFavouritesFileSaysSo)
{
    auto w = open("C:\\Data\\");
    dialog.queueAnswer(Answer::OK);
    QMenu *menu = w->buildFavouritesMenu(1);
    EXPECT_TRUE(menu->isEmpty());
    EXPECT_EQ(dialog.messages(),
              QStringList{"Det er ikke opprettet noen favorittmapper ennå, dette gjøres i Kelvaro."});
}
