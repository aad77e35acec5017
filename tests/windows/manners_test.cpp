// Where the windows appear, how their boxes answer the keyboard, and which names
// they hand back.
#include "engine/BackupEngine.h"
#include "platform/base/Settings.h"
#include "support/TempTree.h"
#include "windows/QtUserDialog.h"
#include "windows/frmBackup.h"
#include "windows/frmKatalog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
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

QMessageBox *openBox()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    return nullptr;
}
} // namespace

TEST_F(MannersTest, TheMainWindowComesBackWhereItWasClosed)
{
    auto w = open();
    // First start: the whole window, frame included, on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry()))
        << w->frameGeometry().x() << "," << w->frameGeometry().y();

    w->move(w->pos() + QPoint(37, 23));
    QTest::qWait(20);
    const QRect placed = w->geometry();
    for (int cycle = 0; cycle < 3; ++cycle) {
        w->close();
        w = open();
        EXPECT_EQ(w->geometry(), placed) << "start " << cycle + 2;
    }
}

TEST_F(MannersTest, MessageBoxesAreCentredOnTheMainWindowAndAnswerTheirAccessKeys)
{
    auto w = open();
    w->move(40, 60);
    QTest::qWait(20);
    // Another window had the focus and is gone: no window of ours is active.
    {
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
    }
    QPoint boxCentre;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = openBox();
        ASSERT_NE(box, nullptr);
        boxCentre = box->frameGeometry().center();
        QAbstractButton *no = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            texts << b->text();
            if (QKeySequence::mnemonic(b->text()) == QKeySequence(Qt::ALT | Qt::Key_N))
                no = b;
        }
        if (no)
            QTest::mouseClick(no, Qt::LeftButton);
        else
            box->reject();
    });
    EXPECT_EQ(w->userDialog().messageBox("Lagre?", Buttons::YesNoCancel, Icon::Question, "Backup", 1),
              Answer::No);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"&Avbryt", "&Ja", "&Nei"}));
    const QPoint mainCentre = w->frameGeometry().center();
    EXPECT_LE((boxCentre - mainCentre).manhattanLength(), 2)
        << boxCentre.x() << "," << boxCentre.y() << " vs " << mainCentre.x() << "," << mainCentre.y();
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
