#include "ScriptRunner.h"
#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/filelist/qvFileList.h"
#include "controls/panels/qvShadeBox.h"
#include "engine/Versions.h"
#include "platform/base/ScriptedDialog.h"
#include "platform/base/Settings.h"
#include "support/TempTree.h"
#include "windows/frmBackup.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
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
                if (b->text().remove(u'&') == want) {
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
    // No stored place: the whole window, title bar included, is on the screen.
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
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

TEST_F(BackupWindowTest, TheEditMenuSetsTheDaysVersionsAreKeptAndTheReadBack)
{
    setVersionDays(30);
    setReadBackCopies(false);
    open();
    QMenu *menu = window->findChild<QMenu *>();
    for (QMenu *m : window->menuBar()->findChildren<QMenu *>())
        if (m->title() == "&Rediger")
            menu = m;
    const auto choose = [&](const QString &name) {
        QTest::mouseClick(window->menuBar(), Qt::LeftButton, {},
                          window->menuBar()->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(window->action(name)).center());
    };
    QString asked;
    QTimer::singleShot(50, window.get(), [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *input = qobject_cast<QInputDialog *>(w); input && input->isVisible()) {
                asked = input->textValue();
                input->setTextValue("7");
                QTest::keyClick(input, Qt::Key_Return);
            }
    });
    choose("mnuRedigerVersjoner");
    EXPECT_EQ(asked, "30");
    EXPECT_EQ(versionDays(), 7);

    choose("mnuRedigerLesTilbake");
    EXPECT_TRUE(readBackCopies());
    EXPECT_TRUE(window->action("mnuRedigerLesTilbake")->isChecked());
    setVersionDays(30);
    setReadBackCopies(false);
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
    // An Esc to leave a menu while idle is not meant for the next run.
    QTest::keyClick(window->txtFra(), Qt::Key_Escape);
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

// The window's list makes its texts from the found files when it draws them: the same
// texts the headless list gives, and the files stay with the engine for the copy.
TEST_F(BackupWindowTest, FoundFilesShowWithTheHeadlessTextsAndSortBySize)
{
    drives.writeFile("C:\\Data\\stor.bin", QByteArray(1234567, 's'));
    drives.writeFile("C:\\Data\\Under\\tom", {});
    open();
    chosen = {"C:\\Data\\", "D:\\Sikring\\"};
    click(window->qvbFra());
    click(window->qvbTil());
    answerBoxes({"Nei"});
    click(window->qvbStart());
    qv::InMemoryFileList headless;
    headless.Show(window->engine().state.found);
    const QList<qv::InMemoryFileList::Row> rows = headless.rows();
    qvFileList *list = window->lvw1();
    ASSERT_EQ(list->GetCount(), 4);
    for (int i = 1; i <= 4; ++i) {
        const qv::InMemoryFileList::Row &r = rows[i - 1];
        EXPECT_EQ(list->GetFile(i), r.path);
        EXPECT_EQ(
            QStringList({list->GetItem(1, i), list->GetItem(2, i), list->GetItem(3, i), list->GetItem(4, i)}),
            QStringList({r.ext, r.size, r.date, r.attributes}));
    }
    list->setEnabled(true);
    list->SortColumn(2, 1);
    EXPECT_EQ(list->GetItem(0, 1), "stor.bin");
    EXPECT_TRUE(list->GetItem(2, 1).endsWith("205,63 kb.")) << list->GetItem(2, 1).toStdString();
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
    // The stored place is the inside of the window, saved and restored alike.
    EXPECT_EQ(window->geometry().topLeft(), QPoint(100, 50));
    window->move(200, 60);
    const QPoint inside = window->geometry().topLeft();
    window->close();
    EXPECT_EQ(getSetting("Vindu", "Venstre"), QString::number(inside.x() * 15));
    EXPECT_EQ(getSetting("Vindu", "Topp"), QString::number(inside.y() * 15));
    EXPECT_EQ(getSetting("Tilpass", "BackupIndex"), "1");
}

TEST_F(BackupWindowTest, TheWindowHasOneSizeAndItsToolbarThreeVerticalLines)
{
    open();
    const QSize size = window->size();
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    window->resize(size + QSize(200, 100));
    EXPECT_EQ(window->size(), size);

    // Blue lines at x = 124, 358 and 431 of the top panel, the whole panel down.
    const QImage shot = window->grab().toImage();
    const QPoint origin = window->centralWidget()->mapTo(window.get(), QPoint(0, 0));
    for (int x : {124, 358, 431})
        for (int y : {8, 28, 48}) {
            const QColor line = shot.pixelColor(origin + QPoint(x, y));
            const QColor beside = shot.pixelColor(origin + QPoint(x - 2, y));
            EXPECT_GT(beside.red() - line.red(), 30) << x << "," << y;
        }
}

TEST_F(BackupWindowTest, TheFileListShowsEveryTitleWholeAtStartUp)
{
    open();
    const QHeaderView *header = window->lvw1()->reportView()->header();
    EXPECT_LE(header->sectionViewportPosition(4) + header->sectionSize(4), header->viewport()->width());
}

TEST_F(BackupWindowTest, TemplatesSortAsTheUsersLanguageDoes)
{
    QString file;
    for (const char *name : {"Åse", "ære", "Ørn", "Zebra", "alfa"})
        file += "\"" + QString::fromUtf8(name) + "\",\"C:\\Data\\\",\"D:\\A\\\",-1,0,\"\",0\r\n";
    drives.writeFile("C:\\Program\\Backup\\BackupMal.txt", file.toLatin1()); // the 8-bit code page
    open();
    QStringList items;
    for (int i = 1; i < window->cboMal()->count(); ++i)
        items << window->cboMal()->itemText(i);
    EXPECT_EQ(items, QStringList({"alfa", "Zebra", "ære", "Ørn", "Åse"}));
}

// The same clicks through the scripting driver leave the same state, also where
// the box is out of reach (disabled with no templates; the options hidden by it).
TEST_F(BackupWindowTest, TheAllTemplatesBoxAndWhatItHidesEndAsInTheScriptDriver)
{
    const QByteArray twoTemplates =
        "\"A\",\"C:\\Data\\\",\"D:\\A\\\",-1,0,\"\",0\r\n\"B\",\"C:\\Data\\\",\"D:\\B\\\",-1,-1,\"\",-1\r\n";
    for (const QByteArray &templates : {QByteArray(), twoTemplates}) {
        drives.writeFile("C:\\Program\\Backup\\BackupMal.txt", templates);
        open();
        for (QWidget *w :
             std::initializer_list<QWidget *>{window->chkAlleMaler(), window->optEndrede(), window->chkZip()})
            click(w);
        const QString clicked = ScriptRunner::stateText(window->engine().state);
        window.reset();

        QString transcript;
        QTextStream out(&transcript);
        ScriptRunner script(out);
        ASSERT_EQ(script.run({"startup", "check alle on", "option endrede", "check zip on"}),
                  ScriptRunner::Ok);
        EXPECT_EQ(ScriptRunner::stateText(script.engine().state), clicked) << transcript.toStdString();
        EXPECT_TRUE(clicked.contains(templates.isEmpty() ? "chkAlleMaler: value=0 enabled=0"
                                                         : "chkAlleMaler: value=1 enabled=1"))
            << clicked.toStdString();
        EXPECT_TRUE(clicked.contains(templates.isEmpty() ? "chkZip: value=1 enabled=1 visible=1"
                                                         : "chkZip: value=0 enabled=0 visible=0"))
            << clicked.toStdString();
    }
}

// A close request while files are being copied, as the window manager sends it.
class CloseDuringRun : public BackupWindowTest
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < 40; ++i)
            drives.writeFile(QString("C:\\Data\\Mange\\f%1.txt").arg(i), "x");
        drives.writeFile("C:\\Program\\Backup\\BackupMal.txt",
                         "\"A\",\"C:\\Data\\\",\"D:\\A\\\",-1,0,\"\",0\r\n");
        saveSetting("Tilpass", "BackupIndex", "1");
        open();
        // Once the run's question is answered and the copy is under way.
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (seenBoxes.size() == 1 && !QApplication::activeModalWidget()) {
                closer.stop();
                window->windowHandle()->close();
            }
        });
        closer.start(0);
    }
    int copied() const
    {
        return int(QDir(drives.host("D:\\A\\Backup av Data\\Mange")).entryList(QDir::Files).size());
    }
    QTimer closer;
};

TEST_F(CloseDuringRun, YesStopsTheRunAndThenClosesTheWindow)
{
    answerBoxes({"Ja", "Ja", "Nei"});
    click(window->qvbStart());
    EXPECT_EQ(seenBoxes.value(1), "Vil du avbryte kopieringen?");
    EXPECT_EQ(seenBoxes.value(2), "Backup avbrutt av bruker.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(seenBoxes.size(), 3); // the run's own question is not asked again
    EXPECT_TRUE(drives.readFile("C:\\Program\\Backup\\BackupLoggEnkel.txt").contains("Manuelt avbrutt"));
    EXPECT_LT(copied(), 40);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->shbStatus()->Text(), "Sikkerhetskopiering avbrutt.");
    EXPECT_TRUE(window->txtSistKjort()->text().isEmpty());
}

TEST_F(CloseDuringRun, NoLetsTheRunFinishWithItsWindow)
{
    answerBoxes({"Ja", "Nei", "Nei"});
    click(window->qvbStart());
    EXPECT_EQ(seenBoxes.value(1), "Vil du avbryte kopieringen?");
    EXPECT_EQ(seenBoxes.value(2), "Backup fullført.\nVil du se loggfilen for detaljer?");
    EXPECT_EQ(copied(), 40);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(CloseDuringRun, TheScriptDriverAsksTheSameAndStopsAlike)
{
    answerBoxes({"Ja", "Ja", "Nei"});
    click(window->qvbStart());
    ASSERT_FALSE(window->isVisible());
    window.reset();

    QString transcript;
    QTextStream out(&transcript);
    ScriptRunner script(out);
    ASSERT_EQ(script.run({"startup", "answer Yes Yes No", "close after-file 1", "start"}), ScriptRunner::Ok)
        << transcript.toStdString();
    EXPECT_EQ(script.dialogue().messages(), seenBoxes);
    EXPECT_TRUE(transcript.endsWith("  close accepted\n")) << transcript.toStdString();
    EXPECT_TRUE(
        drives.readFile("C:\\Program\\Backup\\BackupLoggEnkel.txt").contains("Manuelt avbrutt: \t1 "));
}

TEST_F(BackupWindowTest, OnlyAMissingViewerIsReported)
{
    drives.writeFile("C:\\Program\\Backup\\BackupLoggEnkel.txt", "logg");
    // A viewer that is there but will not start: not a program.
    const QString notAProgram = drives.host("C:\\Program\\viewer");
    drives.writeFile("C:\\Program\\viewer", "\x01\x02 no program");
    QFile::setPermissions(notAProgram, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("QVBACKUP_TEXT_VIEWER", QFile::encodeName(notAProgram));
    open();
    answerBoxes({"OK"});
    window->action("mnuFilVisLoggEn")->trigger();
    EXPECT_TRUE(seenBoxes.isEmpty()) << seenBoxes.value(0).toStdString();

    qputenv("QVBACKUP_TEXT_VIEWER", QFile::encodeName(drives.host("C:\\Program\\missing")));
    window->action("mnuFilVisLoggEn")->trigger();
    EXPECT_EQ(seenBoxes.value(0),
              "Finner ikke filen Notepad.exe.\n\nSjekk at programmet finnes i Windows mappen.");
    qunsetenv("QVBACKUP_TEXT_VIEWER");
}

// Letters that two targets share: each press moves on to the next target, and a
// target reached this way is not worked; a menu opens.
TEST_F(BackupWindowTest, AnAccessLetterUsedTwiceMovesBetweenItsTargets)
{
    open();
    QApplication::setActiveWindow(window.get());
    QWidget *cboMal = window->cboMal(), *chkFullSti = window->chkFullSti(), *qvbFra = window->qvbFra(),
            *optAlle = window->optAlle();
    const auto press = [&](Qt::Key key) {
        QWidget *to = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                        : QApplication::focusWidget();
        QTest::keyClick(to ? to : window.get(), key, Qt::AltModifier);
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
            return static_cast<QObject *>(menu->menuAction());
        return static_cast<QObject *>(QApplication::focusWidget());
    };
    QObject *fil = window->menuBar()->actions().at(0), *rediger = window->menuBar()->actions().at(1);
    EXPECT_EQ(press(Qt::Key_V), cboMal);
    EXPECT_EQ(press(Qt::Key_V), chkFullSti);
    EXPECT_EQ(press(Qt::Key_V), cboMal);
    EXPECT_EQ(press(Qt::Key_R), qvbFra);
    EXPECT_EQ(press(Qt::Key_R), rediger);
    EXPECT_EQ(press(Qt::Key_R), qvbFra);
    EXPECT_EQ(press(Qt::Key_F), optAlle);
    EXPECT_EQ(press(Qt::Key_F), fil);
    EXPECT_EQ(press(Qt::Key_F), optAlle);
    EXPECT_FALSE(window->chkFullSti()->Value());
    EXPECT_TRUE(chooserTitles.isEmpty());
}
