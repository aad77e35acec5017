// Where the windows appear, how their boxes answer the keyboard, and which names
// they hand back.
#include "engine/BackupEngine.h"
#include "platform/base/Settings.h"
#include "support/TempTree.h"
#include "windows/QtUserDialog.h"
#include "windows/frmBackup.h"
#include "windows/frmKatalog.h"

#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace qv;

namespace
{
class MannersTest : public ::testing::Test
{
protected:
    MannersTest() : drives("CD")
    {
        for (const char *key : {"Venstre", "Topp", "Bredde", "Hoyde"})
            saveSetting("Vindu", key, "0");
    }
    std::unique_ptr<frmBackup> open()
    {
        auto w = std::make_unique<frmBackup>();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
    qvtest::TempDrives drives;
};

} // namespace

TEST_F(MannersTest, TheMainWindowComesBackWhereItWasClosed)
{
    auto w = open();
    // First start: the whole window, frame included, on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry()))
        << w->frameGeometry().x() << "," << w->frameGeometry().y();

    QSignalSpy moved(w->windowHandle(), &QWindow::xChanged);
    w->move(w->pos() + QPoint(37, 23));
    ASSERT_TRUE(moved.count() > 0 || moved.wait());
    const QRect placed = w->geometry();
    for (int cycle = 0; cycle < 3; ++cycle) {
        w->close();
        w = open();
        EXPECT_EQ(w->geometry(), placed) << "start " << cycle + 2;
    }
}

TEST_F(MannersTest, PathFieldsShowTheHostFolderInTheirTooltip)
{
    drives.makeDir("C:\\Data\\Dokumenter");
    auto w = open();
    w->engine().state.showFra("C:\\Data\\Dokumenter\\");
    w->showState();
    EXPECT_EQ(w->txtFra()->toolTip(), "C:\\Data\\Dokumenter\\ (" + drives.host("C:\\Data\\Dokumenter") + ")");
}

TEST_F(MannersTest, TheFolderChooserKeepsTheFoldersSpelling)
{
    drives.makeDir("C:\\Data\\Dokumenter");
    frmKatalog chooser("c:\\data\\dokumenter\\");
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    QTest::mouseClick(chooser.qvbOk(), Qt::LeftButton);
    EXPECT_EQ(chooser.ValgtMappe(), "C:\\Data\\Dokumenter\\");
}
