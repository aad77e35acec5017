// File list in automatic mode over a real folder under the test drive: the rows and
// their exact texts, patterns, hidden files, folders first, the automatic update,
// icons, and dragging over the list.
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"
#include "platform/base/ScriptedDialog.h"
#include "platform/files/FileSystem.h"
#include "support/TempTree.h"

#include <QDragMoveEvent>
#include <QFile>
#include <QHeaderView>
#include <QListView>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>

using qv::qvFileList;
using qv::qvFileListModel;
namespace qvFileListFormat = qv::qvFileListFormat;

namespace
{

const QDateTime When(QDate(2026, 3, 4), QTime(7, 5, 0));

struct FolderFixture : ::testing::Test {
    qvtest::TempDrives drives;
    qv::ScriptedDialog dialog;
    QStringList unexpected;
    std::unique_ptr<qvFileList> list;

    void SetUp() override
    {
        dialog.setOnUnexpected([this](const QString &what) { unexpected << what; });
        qv::setDialog(&dialog);
        drives.writeFile("C:\\Kilde\\a.txt", QByteArray(1536, 'x'), When);
        drives.writeFile("C:\\Kilde\\B.DOC", QByteArray(100, 'x'), When);
        drives.writeFile("C:\\Kilde\\LESMEG", QByteArray(2048, 'x'), When);
        drives.writeFile("C:\\Kilde\\.skjult.txt", QByteArray(10, 'x'), When);
        drives.makeDir("C:\\Kilde\\Under");
        drives.makeDir("C:\\Kilde\\arkiv");
        list = std::make_unique<qvFileList>();
        list->resize(600, 300);
    }
    void TearDown() override
    {
        list.reset();
        qv::setDialog(nullptr);
        EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();
    }
    QStringList column(int c)
    {
        QStringList out;
        for (int i = 1; i <= list->GetCount(); ++i)
            out << list->GetItem(c, i);
        return out;
    }
    QStringList row(int i)
    {
        QStringList out;
        for (int c = 0; c < 5; ++c)
            out << list->GetItem(c, i);
        return out;
    }
};

QString pad(const QString &size)
{
    return QString(16 - size.size(), ' ') + size;
}

} // namespace

TEST_F(FolderFixture, ListsTheFilesWithExactTextsSortedByName)
{
    QSignalSpy changed(list.get(), &qvFileList::PathChange);
    list->setPath("C:\\Kilde");
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(list->Path(), "C:\\Kilde\\");
    ASSERT_EQ(list->GetCount(), 3); // the hidden file and the folders are left out
    EXPECT_EQ(row(1), QStringList({"a.txt", "TXT", pad("1,50 kb."), "2026.03.04  07:05", "a"}));
    EXPECT_EQ(row(2), QStringList({"B.DOC", "DOC", pad("0,10 kb."), "2026.03.04  07:05", "a"}));
    EXPECT_EQ(row(3), QStringList({"LESMEG", "", pad("2,00 kb."), "2026.03.04  07:05", "a"}));
    EXPECT_EQ(list->GetFile(3), "C:\\Kilde\\LESMEG");
    // With more than one row none is selected and the first is current.
    EXPECT_EQ(list->GetSelectedCount(), 0);
    EXPECT_EQ(list->GetSelectedIndex(), 1);

    list->setFileDecimals(0);
    list->setShowFullPath(true);
    list->Refresh();
    EXPECT_EQ(row(1), QStringList({"C:\\Kilde\\a.txt", "TXT", pad("2 kb."), "2026.03.04  07:05", "a"}));
}

TEST_F(FolderFixture, HiddenAndReadOnlyFiles)
{
    qv::setFileAttributes("C:\\Kilde\\B.DOC", qv::Attr::ReadOnly | qv::Attr::Archive).orThrow();
    list->setShowHidden(true);
    list->setPath("C:\\Kilde\\");
    EXPECT_EQ(column(0), QStringList({".skjult.txt", "a.txt", "B.DOC", "LESMEG"}));
    EXPECT_EQ(list->GetItem(4, 1), "ah");
    EXPECT_EQ(list->ItemColor(1), qvFileListFormat::HiddenRowColor);
    EXPECT_EQ(list->GetItem(4, 3), "ar");
}

TEST_F(FolderFixture, PatternsJoinedBySemicolonOrEmptyForAll)
{
    list->setPattern("*.txt;*.doc");
    list->setPath("C:\\Kilde");
    EXPECT_EQ(column(0), QStringList({"a.txt", "B.DOC"}));
    // A file two patterns match is listed twice.
    list->setPattern("*.txt;a*");
    list->Refresh();
    EXPECT_EQ(column(0), QStringList({"a.txt", "a.txt"}));
    list->setPattern("");
    list->Refresh();
    EXPECT_EQ(list->GetCount(), 3);
    list->setPattern("*.zip");
    list->Refresh();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(FolderFixture, FoldersFirstWithTheirOwnTexts)
{
    list->setShowFolders(true);
    list->setPath("C:\\Kilde");
    EXPECT_EQ(column(0), QStringList({"arkiv", "Under", "a.txt", "B.DOC", "LESMEG"}));
    EXPECT_EQ(list->GetItem(1, 1), "Mappe");
    EXPECT_EQ(list->GetItem(2, 1), "");
    EXPECT_TRUE(list->GetItem(4, 1).contains('d'));
    EXPECT_TRUE(
        QRegularExpression("^\\d{4}\\.\\d\\d\\.\\d\\d  \\d\\d:\\d\\d$").match(list->GetItem(3, 2)).hasMatch())
        << list->GetItem(3, 2).toStdString();
    EXPECT_EQ(list->GetCount(1), 3);
    EXPECT_EQ(list->GetCount(2), 2);

    // Descending by name keeps the folders above the files.
    list->SortColumn(0, 1);
    EXPECT_EQ(column(0), QStringList({"Under", "arkiv", "LESMEG", "B.DOC", "a.txt"}));
    list->SortColumn(2, 0);
    EXPECT_EQ(column(0).mid(2), QStringList({"B.DOC", "a.txt", "LESMEG"}));

    list->setShowFileType(true);
    list->Refresh();
    EXPECT_EQ(list->GetItem(1, 1), "Filmappe");
}

TEST_F(FolderFixture, HeaderClickReadsTheShownRowsAgain)
{
    list->setHideColumnHeaders(false);
    list->setPath("C:\\Kilde");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    drives.writeFile("C:\\Kilde\\a.txt", QByteArray(4096, 'x'), When.addDays(1));
    qv::setFileAttributes("C:\\Kilde\\B.DOC", qv::Attr::ReadOnly | qv::Attr::Archive).orThrow();
    QHeaderView *h = list->reportView()->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(h->sectionViewportPosition(4) + 5, h->height() / 2));
    const int a = list->GetFileIndex("a.txt"), b = list->GetFileIndex("B.DOC");
    EXPECT_EQ(list->GetItem(2, a), pad("4,00 kb."));
    EXPECT_EQ(list->GetItem(3, a), "2026.03.05  07:05");
    EXPECT_EQ(list->GetItem(4, b), "ar");
}

TEST_F(FolderFixture, TypeNamesWithoutAShellNameEndInFil)
{
    drives.writeFile("C:\\Typer\\data.qqzx", "x", When);
    list->setShowFileType(true);
    list->setPath("C:\\Typer");
    EXPECT_EQ(list->GetItem(1, 1), "QQZX-fil");
}

TEST_F(FolderFixture, AMissingFolderGivesAnEmptyListQuietly)
{
    list->setPath("C:\\Kilde");
    EXPECT_EQ(list->GetCount(), 3);
    list->setPath("C:\\Finnes\\Ikke");
    EXPECT_EQ(list->GetCount(), 0);
    list->setPath("Q:\\Ingen\\Stasjon");
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_TRUE(dialog.messages().isEmpty());
    EXPECT_FALSE(drives.exists(drives.programFolder() + "\\ERROR_qvFileList.txt"));
    EXPECT_EQ(list->GetParentFolder(), ""); // C:\\Finnes does not exist either
}

TEST_F(FolderFixture, ParentFolderOnlyWhenItExists)
{
    list->setPath("C:\\Kilde\\Under");
    EXPECT_EQ(list->GetParentFolder(), "C:\\Kilde\\");
    list->setPath("C:\\");
    EXPECT_EQ(list->GetParentFolder(), "");
}

TEST_F(FolderFixture, FollowsNewAndRemovedFilesOfTheFolder)
{
    drives.writeFile("C:\\Kilde\\zz.txt", "z", When);
    list->setPath("C:\\Kilde");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    ASSERT_EQ(list->GetCount(), 4);
    drives.writeFile("C:\\Kilde\\ny.txt", QByteArray(3072, 'y'), When);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->GetFileIndex("ny.txt") > 0; }, 6000));
    // Placed in the name order the list keeps.
    EXPECT_EQ(column(0), QStringList({"a.txt", "B.DOC", "LESMEG", "ny.txt", "zz.txt"}));
    EXPECT_EQ(list->GetItem(2, list->GetFileIndex("ny.txt")), pad("3,00 kb."));

    QFile::remove(drives.host("C:\\Kilde\\B.DOC"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !list->ListItemExist("B.DOC"); }, 6000));
    EXPECT_EQ(list->GetCount(), 4);
}

TEST_F(FolderFixture, IconsPerTypeAndPerFileInEveryView)
{
    list->setShowFolders(true);
    list->setPath("C:\\Kilde");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    qvFileListModel *m = list->model();
    const auto icon = [&](int row) { return m->index(row - 1, 0).data(Qt::DecorationRole).value<QIcon>(); };
    EXPECT_EQ(m->row(2).iconKey, "#TXT#");
    EXPECT_EQ(m->row(4).iconKey, "%c:\\kilde\\lesmeg");
    EXPECT_EQ(m->row(0).iconKey, "%c:\\kilde\\arkiv");
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(icon(i).isNull()) << i;

    list->setLoadFileIcons(0);
    EXPECT_TRUE(icon(3).isNull());
    list->setLoadFileIcons(3);
    for (int view : {0, 1, 2}) {
        list->setView(view);
        EXPECT_TRUE(list->iconView()->isVisible());
        EXPECT_FALSE(list->reportView()->isVisible());
        EXPECT_FALSE(icon(3).isNull());
        EXPECT_EQ(list->GetVisibleCount(), 0);
    }
    list->setView(3);
    EXPECT_TRUE(list->reportView()->isVisible());
    EXPECT_GT(list->GetVisibleCount(), 5);
}

TEST_F(FolderFixture, AHiddenFileDoesNotGhostTheIconOfItsType)
{
    list->setShowHidden(true);
    list->setPath("C:\\Kilde");
    qvFileListModel *m = list->model();
    const int hidden = list->GetFileIndex(".skjult.txt") - 1, plain = list->GetFileIndex("a.txt") - 1;
    ASSERT_GE(hidden, 0);
    EXPECT_NE(m->row(hidden).iconKey, m->row(plain).iconKey);
    const auto image = [&](int row) {
        return m->index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    };
    EXPECT_NE(image(hidden), image(plain));
    // Half strength: the ghosted icon is lighter where the plain one is drawn.
    const QImage a = image(plain), h = image(hidden);
    int drawn = 0, lighter = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (qAlpha(a.pixel(x, y)) > 200) {
                ++drawn;
                lighter += qAlpha(h.pixel(x, y)) < qAlpha(a.pixel(x, y)) ? 1 : 0;
            }
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(lighter, drawn);
}

TEST_F(FolderFixture, DragInTheTopBandScrollsOneLineAtATime)
{
    list->setFillMode(1);
    for (int i = 0; i < 200; ++i)
        list->AddItem(QString("C:\\x\\fil%1.txt").arg(i, 3, 10, QChar('0')), "txt", " ", " ", "a");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    list->Refresh();
    QScrollBar *bar = list->reportView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    const int start = bar->value();
    ASSERT_GT(start, 10);
    QWidget *vp = list->reportView()->viewport();
    QMimeData data;
    data.setText("x");
    const auto dragAt = [&](int y) {
        QDragMoveEvent move(QPoint(30, y), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &move);
    };
    // Drags reach a widget that accepted their entry.
    QDragEnterEvent enter(QPoint(30, vp->height() / 2), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &enter);
    ASSERT_TRUE(enter.isAccepted());
    const auto scrollsTo = [&](int value) {
        return QTest::qWaitFor([&] { return bar->value() == value; }, 3000);
    };
    // One line per drag-over: once it has scrolled, no step of the list's is left to come.
    const auto stepPending = [&] {
        const auto timers = list->findChildren<QTimer *>(Qt::FindDirectChildrenOnly);
        return std::any_of(timers.begin(), timers.end(),
                           [](const QTimer *t) { return t->isActive() && t->isSingleShot(); });
    };
    dragAt(10);
    EXPECT_TRUE(scrollsTo(start - 1));
    EXPECT_FALSE(stepPending());
    dragAt(10);
    EXPECT_TRUE(scrollsTo(start - 2));
    dragAt(vp->height() / 2);
    EXPECT_FALSE(stepPending()); // the middle does not scroll
    EXPECT_EQ(bar->value(), start - 2);
    dragAt(vp->height() - 5);
    EXPECT_TRUE(scrollsTo(start - 1));
}

TEST_F(FolderFixture, DragOverAFolderRowHighlightsIt)
{
    list->setShowFolders(true);
    list->setPath("C:\\Kilde");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    QWidget *vp = list->reportView()->viewport();
    QMimeData data;
    data.setText("x");
    int lastEffect = -1;
    QObject::connect(list.get(), &qvFileList::OLEDragOver, list.get(),
                     [&](const QMimeData *, int *effect, int, int, int, int, int) { lastEffect = *effect; });
    const auto centreOf = [&](int row) {
        return list->reportView()->visualRect(list->model()->index(row - 1, 0)).center();
    };
    QDragEnterEvent enter(centreOf(4), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent overFolder(centreOf(2), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &overFolder);
    EXPECT_EQ(list->GetHighlightItem(), 2);
    EXPECT_EQ(lastEffect, 1);
    EXPECT_TRUE(overFolder.isAccepted());
    QDragMoveEvent overFile(centreOf(4), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &overFile);
    EXPECT_EQ(list->GetHighlightItem(), 0);
    EXPECT_EQ(lastEffect, 1); // a drag from elsewhere may drop anywhere

    int drops = 0;
    QObject::connect(list.get(), &qvFileList::OLEDragDrop, list.get(), [&] { ++drops; });
    QDropEvent drop(QPointF(centreOf(1)), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &drop);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(list->GetHighlightItem(), 0);

    // Leaving is heard as State 1, with no effect.
    QList<int> states;
    QObject::connect(list.get(), &qvFileList::OLEDragOver, list.get(),
                     [&](const QMimeData *, int *effect, int, int, int, int, int state) {
                         states << state;
                         lastEffect = *effect;
                     });
    QCoreApplication::sendEvent(vp, &enter);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(vp, &leave);
    EXPECT_EQ(states, QList<int>({0, 1}));
    EXPECT_EQ(lastEffect, 0);
}

TEST_F(FolderFixture, AFolderNamedLikeAFileNeverLendsItsIconToFiles)
{
    drives.makeDir("C:\\Kilde\\Notater.txt");
    list->setShowFolders(true);
    list->setPath("C:\\Kilde");
    qvFileListModel *m = list->model();
    const int folder = list->GetFileIndex("Notater.txt") - 1, file = list->GetFileIndex("a.txt") - 1;
    ASSERT_GE(folder, 0);
    EXPECT_NE(m->row(folder).iconKey, m->row(file).iconKey);
    // The folder's picture, not the text file's, whichever was fetched first.
    const auto image = [&](int row) {
        return m->index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    };
    EXPECT_EQ(image(folder), image(list->GetFileIndex("Under") - 1));
    EXPECT_NE(image(file), image(folder));
}

TEST_F(FolderFixture, PathChangeOnlyForAnotherFolder)
{
    QSignalSpy changed(list.get(), &qvFileList::PathChange);
    list->setPath("C:\\Kilde");
    list->setPath("c:\\kilde\\");
    list->setPath("C:\\Kilde\\Under");
    EXPECT_EQ(changed.size(), 2);
}

TEST_F(FolderFixture, FontAndFlatHeaderAreProperties)
{
    list->setHideColumnHeaders(false);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    QFont big = list->font();
    big.setPointSize(big.pointSize() + 6);
    EXPECT_TRUE(list->setProperty("Font", big));
    EXPECT_EQ(list->reportView()->font().pointSize(), big.pointSize());

    QHeaderView *header = list->reportView()->header();
    const QImage raised = header->grab().toImage();
    EXPECT_TRUE(list->setProperty("FlatHeader", 1));
    EXPECT_NE(header->grab().toImage(), raised);
}

TEST_F(FolderFixture, IconsOfLongReportListsLoadAroundTheVisibleRows)
{
    for (int i = 0; i < 450; ++i)
        drives.writeFile(QString("C:\\Mange\\fil%1.q%2").arg(i, 3, 10, QChar('0')).arg(i), "x", When);
    list->setPath("C:\\Mange");
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    qvFileListModel *m = list->model();
    ASSERT_EQ(m->count(), 450);
    const auto loaded = [&](int row) { return !m->row(row).iconKey.isEmpty(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded(0); }, 2000));
    const int page = list->GetVisibleCount();
    EXPECT_TRUE(loaded(page + 20));
    EXPECT_FALSE(loaded(page + 30));
    EXPECT_FALSE(loaded(449));

    list->reportView()->scrollToBottom();
    EXPECT_TRUE(QTest::qWaitFor([&] { return loaded(449); }, 2000));
    EXPECT_FALSE(loaded(200));
}
