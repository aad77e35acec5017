// File list events and the row operations that read the disk: label editing, keys
// and mouse events with the platform's codes, AddFile and UpdateItem.
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"
#include "controls/panels/TooltipWindow.h"
#include "platform/files/FileSystem.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

using qv::qvFileList;
using qv::qvFileListModel;
namespace qvFileListFormat = qv::qvFileListFormat;

namespace
{

const QDateTime When(QDate(2026, 5, 17), QTime(23, 59, 0));

struct EventFixture : ::testing::Test {
    qvtest::TempDrives drives;
    qvFileList list;

    void SetUp() override
    {
        list.setFillMode(1);
        list.resize(500, 200);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        for (const char *n : {"en.txt", "to.txt", "tre.txt"})
            list.AddItem(QString("C:\\d\\") + n, "txt", qvFileListFormat::sizeText(1, 2), " ", "a");
        list.Refresh();
    }
    QPoint rowPoint(int row)
    {
        const QRect r = list.reportView()->visualRect(list.model()->index(row - 1, 0));
        return QPoint(r.left() + 10, r.center().y());
    }
    QLineEdit *editor() { return list.reportView()->viewport()->findChild<QLineEdit *>(); }
};

} // namespace

TEST_F(EventFixture, LabelEditAsksBeforeAndAfterAndKeepsTheTag)
{
    QTest::mouseClick(list.reportView()->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(2));
    bool refuseStart = true, refuseEnd = false;
    QString seen;
    QObject::connect(&list, &qvFileList::BeforeLabelEdit, &list,
                     [&](bool *cancel) { *cancel = refuseStart; });
    QObject::connect(&list, &qvFileList::AfterLabelEdit, &list, [&](bool *cancel, QString *text) {
        seen = *text;
        *cancel = refuseEnd;
    });
    list.StartLabelEdit();
    QApplication::processEvents();
    EXPECT_EQ(editor(), nullptr);

    refuseStart = false;
    list.StartLabelEdit();
    QApplication::processEvents();
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    QTest::keyClicks(editor(), "nytt.txt");
    QTest::keyClick(editor(), Qt::Key_Return);
    QApplication::processEvents(); // the editor commits on the next turn
    EXPECT_EQ(seen, "nytt.txt");
    EXPECT_EQ(list.GetItem(0, 2), "nytt.txt");
    EXPECT_EQ(list.GetFile(2), "C:\\d\\to.txt");

    refuseEnd = true;
    list.StartLabelEdit();
    QApplication::processEvents();
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    QTest::keyClicks(editor(), "avvist.txt");
    QTest::keyClick(editor(), Qt::Key_Return);
    QApplication::processEvents(); // the editor commits on the next turn
    EXPECT_EQ(seen, "avvist.txt");
    EXPECT_EQ(list.GetItem(0, 2), "nytt.txt");
}

TEST_F(EventFixture, KeysAndMouseWithPlatformCodes)
{
    QSignalSpy down(&list, &qvFileList::KeyDown), press(&list, &qvFileList::KeyPress),
        up(&list, &qvFileList::KeyUp);
    QSignalSpy mouseDown(&list, &qvFileList::MouseDown), mouseUp(&list, &qvFileList::MouseUp);
    QSignalSpy click(&list, &qvFileList::Click), dbl(&list, &qvFileList::DblClick);
    list.reportView()->setFocus();
    QTest::keyClick(list.reportView(), Qt::Key_Delete);
    ASSERT_EQ(down.size(), 1);
    EXPECT_EQ(down.at(0).at(0).toInt(), 46);
    EXPECT_EQ(up.at(0).at(0).toInt(), 46);
    EXPECT_EQ(press.size(), 0);
    QTest::keyClick(list.reportView(), Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(down.last().at(0).toInt(), 65);
    EXPECT_EQ(down.last().at(1).toInt(), 1);

    const QPoint at = rowPoint(3);
    QTest::mouseClick(list.reportView()->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    ASSERT_EQ(mouseDown.size(), 1);
    EXPECT_EQ(mouseDown.at(0).at(0).toInt(), 1);
    EXPECT_EQ(mouseDown.at(0).at(1).toInt(), 2);
    const QPoint inList = list.reportView()->viewport()->mapTo(&list, at);
    EXPECT_EQ(mouseDown.at(0).at(2).toInt(), inList.x());
    EXPECT_EQ(mouseDown.at(0).at(3).toInt(), inList.y());
    EXPECT_EQ(mouseUp.size(), 1);
    QApplication::processEvents();
    EXPECT_EQ(click.size(), 1);
    EXPECT_EQ(list.HitTest(inList.x(), inList.y()), 3);
    EXPECT_EQ(list.HitTest(inList.x(), list.height() - 3), 0);
    QTest::mouseDClick(list.reportView()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(dbl.size(), 1);
}

TEST(FileListAddFile, ReadsTheEntryOrDoesNothing)
{
    qvtest::TempDrives drives;
    drives.writeFile("C:\\Ny\\rapport.txt", QByteArray(1536, 'r'), When);
    drives.makeDir("C:\\Ny\\Mappe");
    qvFileList list;
    list.setFillMode(1);
    list.AddFile("C:\\Ny\\finnes-ikke.txt");
    EXPECT_EQ(list.GetCount(), 0);
    list.AddFile("C:\\Ny\\rapport.txt");
    list.AddFile("C:\\Ny\\Mappe");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetItem(0, 1), "rapport.txt");
    EXPECT_EQ(list.GetItem(1, 1), "TXT");
    EXPECT_EQ(list.GetItem(2, 1), QString(8, ' ') + "1,50 kb.");
    EXPECT_EQ(list.GetItem(3, 1), "2026.05.17  23:59");
    EXPECT_EQ(list.GetItem(4, 1), "a");
    EXPECT_EQ(list.GetItem(1, 2), "Mappe");
    EXPECT_EQ(list.GetItem(2, 2), "");
    EXPECT_EQ(list.GetCount(1), 1);
    // The icon came with the row.
    EXPECT_FALSE(list.model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    drives.writeFile("C:\\Ny\\rapport.txt", QByteArray(3072, 'r'), When);
    qv::setFileAttributes("C:\\Ny\\rapport.txt", qv::Attr::ReadOnly | qv::Attr::Archive).orThrow();
    list.UpdateItem(1);
    EXPECT_EQ(list.GetItem(2, 1), QString(8, ' ') + "3,00 kb.");
    EXPECT_EQ(list.GetItem(4, 1), "ar");
}

TEST(FileListOwnDrag, OwnRowsDropOnlyOntoFolderRows)
{
    qvtest::TempDrives drives;
    drives.makeDir("C:\\Dra\\Mappe");
    drives.writeFile("C:\\Dra\\a.txt", "a", When);
    drives.writeFile("C:\\Dra\\b.txt", "b", When);
    qvFileList list;
    list.setOLEDragMode(1);
    list.setShowFolders(true);
    list.resize(400, 200);
    list.setPath("C:\\Dra");
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_EQ(list.GetItem(0, 1), "Mappe");
    QWidget *vp = list.reportView()->viewport();
    const auto centreOf = [&](int row) {
        return list.reportView()->visualRect(list.model()->index(row - 1, 0)).center();
    };

    std::vector<int> effects;
    std::vector<int> highlights;
    bool activeDuring = false;
    int completed = -1;
    QObject::connect(
        &list, &qvFileList::OLEDragOver, &list,
        [&](const QMimeData *, int *effect, int, int, int, int, int) { effects.push_back(*effect); });
    QObject::connect(&list, &qvFileList::OLECompleteDrag, &list, [&](int effect) { completed = effect; });
    // The drag is under way while its start is announced: hover over the list then.
    QObject::connect(&list, &qvFileList::OLEStartDrag, &list, [&](QMimeData *data, int *) {
        activeDuring = list.IsDragActive();
        QDragEnterEvent overFolder(centreOf(1), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &overFolder);
        highlights.push_back(list.GetHighlightItem());
        QDragMoveEvent overFile(centreOf(3), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &overFile);
        highlights.push_back(list.GetHighlightItem());
    });
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, centreOf(2));
    QTest::mouseMove(vp, centreOf(2) + QPoint(30, 0));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, centreOf(2) + QPoint(30, 0));

    EXPECT_TRUE(activeDuring);
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0], 1); // over a folder row: copy
    EXPECT_EQ(effects[1], 0); // over one of its own file rows: no drop
    EXPECT_EQ(highlights, std::vector<int>({1, 0}));
    EXPECT_GE(completed, 0);
    EXPECT_FALSE(list.IsDragActive());
}

TEST_F(EventFixture, TooltipOnTheListUntilDestroyed)
{
    const auto tipWindow = [](bool shown) -> qv::TooltipWindow * {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *tip = dynamic_cast<qv::TooltipWindow *>(w); tip && (tip->isVisible() || !shown))
                return tip;
        return nullptr;
    };
    list.setQvToolTipDelayTime(50);
    list.setQvToolTipHeader("Funnet");
    list.setQvToolTip("Filene som blir tatt backup av");
    QTest::mouseMove(list.reportView()->viewport(), rowPoint(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tipWindow(true); }, 5000));
    qv::TooltipWindow *tip = tipWindow(true);
    EXPECT_EQ(tip->title(), "Funnet");
    EXPECT_EQ(tip->text(), "Filene som blir tatt backup av");

    // Gone, and not made again by the pointer: no tip can show.
    list.qvToolTipDestroy();
    QTest::mouseMove(list.reportView()->viewport(), rowPoint(2));
    EXPECT_EQ(tipWindow(false), nullptr);
}
