// File list in manual mode, as the backup scan fills it: rows by AddItem, queries by
// row number, the batched announcement to the views, sorting by header clicks, the
// selection by mouse, totals and the speed of a large fill.
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"
#include "support/OtherUser.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <vector>

using qv::qvFileList;
using qv::qvFileListModel;
namespace qvFileListFormat = qv::qvFileListFormat;

using qvFileListFormat::sizeText;

namespace
{

struct ListFixture : ::testing::Test {
    qvtest::TempDrives drives;
    qvFileList list;

    void SetUp() override
    {
        list.setFillMode(1);
        list.setHideColumnHeaders(false);
        list.resize(560, 300);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    void add(const QString &path, quint64 bytes, const QString &attr = "a",
             const QString &date = "2026.01.02  10:00")
    {
        const QString name = path.mid(path.lastIndexOf('\\') + 1);
        list.AddItem(path, qvFileListFormat::extensionOf(name, true).toLower(), sizeText(bytes, 2), date,
                     attr);
    }
    QWidget *viewport() { return list.reportView()->viewport(); }
    void clickRow(int row, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        list.Refresh();
        const QRect r = list.reportView()->visualRect(list.model()->index(row - 1, 0));
        QTest::mouseClick(viewport(), Qt::LeftButton, mods, QPoint(r.left() + 8, r.center().y()));
    }
    void clickHeader(int column)
    {
        QHeaderView *h = list.reportView()->header();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    QStringList names()
    {
        QStringList out;
        for (int i = 1; i <= list.GetCount(); ++i)
            out << list.GetItem(0, i);
        return out;
    }
};

} // namespace

TEST_F(ListFixture, RowsAnswerAtOnceAndReachTheViewsInOneInsert)
{
    QSignalSpy inserts(list.model(), &QAbstractItemModel::rowsInserted);
    add("C:\\Data\\a.txt", 10);
    add("C:\\Data\\Under\\b.doc", 2048);
    add("C:\\Data\\c", 0);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetFile(2), "C:\\Data\\Under\\b.doc");
    EXPECT_EQ(list.model()->rowCount(), 0); // not yet announced
    QCoreApplication::processEvents();
    EXPECT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(inserts.size(), 1);

    add("C:\\Data\\d.txt", 1);
    list.Refresh(); // the engine's Refresh shows the rows at once
    EXPECT_EQ(list.model()->rowCount(), 4);
    EXPECT_EQ(inserts.size(), 2);
}

TEST_F(ListFixture, GetFileIsOneBasedWithMinusOneOutside)
{
    add("C:\\Data\\a.txt", 10);
    add("C:\\Data\\b.txt", 10);
    EXPECT_EQ(list.GetFile(1), "C:\\Data\\a.txt");
    EXPECT_EQ(list.GetFile(2), "C:\\Data\\b.txt");
    EXPECT_EQ(list.GetFile(3), "-1");
    EXPECT_EQ(list.GetFile(-1), "-1");
    EXPECT_EQ(list.GetFile(0), ""); // no current row
    EXPECT_EQ(list.GetFileName(2), "b.txt");
    EXPECT_EQ(list.GetFilePath(2), "C:\\Data\\");
    EXPECT_EQ(list.GetFileName(3), "");
    EXPECT_EQ(list.GetItem(2, 1), sizeText(10, 2));
    EXPECT_EQ(list.GetItem(5, 1), "");

    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetFile(1), "-1");
}

TEST_F(ListFixture, NameOrFullPathShownAndTheTagKept)
{
    add("C:\\Data\\Under\\b.doc", 2048, "ah");
    list.Refresh();
    const QModelIndex first = list.model()->index(0, 0);
    EXPECT_EQ(first.data().toString(), "b.doc");
    list.setShowFullPath(true);
    EXPECT_EQ(first.data().toString(), "C:\\Data\\Under\\b.doc");
    list.setShowFullPath(false);
    EXPECT_EQ(first.data().toString(), "b.doc");
    EXPECT_EQ(list.GetFile(1), "C:\\Data\\Under\\b.doc");
    // The other texts are kept as given.
    EXPECT_EQ(list.model()->index(0, 1).data().toString(), "doc");
    EXPECT_EQ(list.model()->index(0, 4).data().toString(), "ah");
}

TEST_F(ListFixture, HiddenRowsAreGreyBlueWhateverColourWasPassed)
{
    list.AddItem("C:\\x\\skjult", "", sizeText(1, 2), " ", "h", 0x0000FF);
    list.AddItem("C:\\x\\rod", "", sizeText(1, 2), " ", "a", 0x0000FF);
    list.AddItem("C:\\x\\vanlig", "", sizeText(1, 2), " ", "a");
    list.Refresh();
    EXPECT_EQ(list.ItemColor(1), qvFileListFormat::HiddenRowColor);
    EXPECT_EQ(list.model()->index(0, 3).data(Qt::ForegroundRole).value<QColor>(), QColor(88, 113, 150));
    EXPECT_EQ(list.model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(list.model()->index(2, 0).data(Qt::ForegroundRole).isValid());
}

TEST_F(ListFixture, CountsFilesAndFoldersBySizeTextAndSumsSizes)
{
    add("C:\\a\\en.txt", 1536);
    add("C:\\a\\to.txt", 2560);
    list.AddItem("C:\\a\\Mappe", "Mappe", "", " ", "d");
    list.AddItem("C:\\a\\Tom", "Mappe", "   ", " ", "d");
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetCount(1), 2);
    EXPECT_EQ(list.GetCount(2), 2);
    EXPECT_EQ(list.GetCount(3), -1);

    QString total;
    EXPECT_EQ(list.GetCount(0, &total, true), 4);
    EXPECT_EQ(total, " 4096");
    EXPECT_EQ(list.GetCount(0, &total, false), 4);
    EXPECT_EQ(total, "4,00 KB");
    QString blank = " ";
    EXPECT_EQ(list.GetCount(1, &blank, true), 2);
    EXPECT_EQ(blank, " "); // only counted

    clickRow(2);
    QString selected;
    EXPECT_EQ(list.GetSelectedCount(&selected, true), 1);
    EXPECT_EQ(selected, " 2560");
}

TEST_F(ListFixture, SizeColumnClicksToggleAscendingDescendingAscending)
{
    add("C:\\a\\mellom.txt", 10 * 1024);
    add("C:\\a\\stor.txt", 200 * 1024);
    add("C:\\a\\liten.txt", 9 * 1024);
    QSignalSpy clicks(&list, &qvFileList::ColumnClick);
    clickHeader(2);
    EXPECT_EQ(names(), QStringList({"liten.txt", "mellom.txt", "stor.txt"}));
    EXPECT_EQ(list.sortDirection(), 0);
    EXPECT_EQ(list.arrowColumn(), 2);
    EXPECT_TRUE(list.arrowUp());
    clickHeader(2);
    EXPECT_EQ(names(), QStringList({"stor.txt", "mellom.txt", "liten.txt"}));
    EXPECT_EQ(list.sortDirection(), 1);
    EXPECT_FALSE(list.arrowUp());
    clickHeader(2);
    EXPECT_EQ(names(), QStringList({"liten.txt", "mellom.txt", "stor.txt"}));
    ASSERT_EQ(clicks.size(), 3);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 2);
    // Paths follow the rows.
    EXPECT_EQ(list.GetFile(1), "C:\\a\\liten.txt");
    // Files that are not there keep the texts the scan gave them.
    EXPECT_EQ(list.GetItem(3, 1), "2026.01.02  10:00");
    EXPECT_EQ(list.GetItem(4, 1), "a");
}

TEST_F(ListFixture, NameClickPutsExistingFoldersFirstEachGroupSorted)
{
    drives.makeDir("C:\\Kilde\\beta");
    drives.makeDir("C:\\Kilde\\Alfa");
    drives.writeFile("C:\\Kilde\\abc.txt", "x");
    add("C:\\Kilde\\zulu.txt", 1);
    list.AddItem("C:\\Kilde\\beta", "", "", " ", "d");
    add("C:\\Kilde\\abc.txt", 1);
    list.AddItem("C:\\Kilde\\Alfa", "", "", " ", "d");
    add("C:\\Kilde\\Borte", 1); // no such folder: a file row
    clickHeader(0);
    EXPECT_EQ(names(), QStringList({"Alfa", "beta", "abc.txt", "Borte", "zulu.txt"}));
    clickHeader(0);
    EXPECT_EQ(names(), QStringList({"beta", "Alfa", "zulu.txt", "Borte", "abc.txt"}));
}

TEST_F(ListFixture, SortKeepsTheSelectionOnItsRows)
{
    add("C:\\a\\c.txt", 3);
    add("C:\\a\\a.txt", 1);
    add("C:\\a\\b.txt", 2);
    clickRow(1); // c.txt
    clickHeader(0);
    EXPECT_EQ(names(), QStringList({"a.txt", "b.txt", "c.txt"}));
    EXPECT_TRUE(list.IsSelected(3));
    EXPECT_FALSE(list.IsSelected(1));
    EXPECT_EQ(list.GetSelectedCount(), 1);
}

TEST_F(ListFixture, ClicksWithShiftAndCtrlSelectRows)
{
    for (const char *n : {"a", "b", "c", "d", "e"})
        add(QString("C:\\s\\") + n + ".txt", 1);
    QSignalSpy itemClicks(&list, &qvFileList::ItemClick);
    clickRow(2);
    EXPECT_EQ(list.GetSelectedIndex(), 2);
    EXPECT_EQ(list.GetFile(0), "C:\\s\\b.txt");
    clickRow(4, Qt::ShiftModifier);
    EXPECT_EQ(list.GetSelectedCount(), 3);
    clickRow(3, Qt::ControlModifier);
    EXPECT_FALSE(list.IsSelected(3));
    EXPECT_TRUE(list.IsSelected(2));
    EXPECT_TRUE(list.IsSelected(4));
    ASSERT_GE(itemClicks.size(), 3);
    EXPECT_EQ(itemClicks.last().at(0).toInt(), 3);

    QString s = "";
    EXPECT_EQ(list.GetSelectedFilesString(s), 1);
    EXPECT_EQ(s, QString("C:\\s\\b.txt") + QChar(0) + "C:\\s\\d.txt" + QChar(0) + QChar(0));
    QStringList names;
    list.GetSelectedFilesCollection(names, true);
    EXPECT_EQ(names, QStringList({"b.txt", "d.txt"}));

    list.ListSelectClear();
    QString none;
    EXPECT_EQ(list.GetSelectedFilesString(none), -1);
    EXPECT_EQ(list.GetSelectedCount(), 0);
}

TEST_F(ListFixture, SelectionOperationsAndRemovals)
{
    for (const char *n : {"a", "b", "c", "d", "e"})
        add(QString("C:\\s\\") + n + ".txt", 1);
    EXPECT_TRUE(list.ListSelectAll());
    EXPECT_EQ(list.GetSelectedCount(), 5);
    EXPECT_TRUE(list.ListSelect(2, false));
    EXPECT_TRUE(list.ListSelectAll(true)); // inverts
    EXPECT_EQ(list.GetSelectedCount(), 1);
    EXPECT_TRUE(list.IsSelected(2));
    EXPECT_FALSE(list.ListSelect(6));

    // Remove b and d: the row that followed d (e) is selected.
    list.ListSelectClear();
    list.ListSelect(2);
    list.ListSelect(4);
    list.RemoveSelectedFiles();
    EXPECT_EQ(names(), QStringList({"a.txt", "c.txt", "e.txt"}));
    EXPECT_EQ(list.GetSelectedIndex(), 3);
    EXPECT_TRUE(list.IsSelected(3));

    // Removing the last row with SelectNextFile selects the new last row.
    list.ListSelectClear();
    list.RemoveFile(3, true);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_TRUE(list.IsSelected(2));

    EXPECT_TRUE(list.ListFind("A.TXT"));
    EXPECT_EQ(list.GetSelectedIndex(), 1);
    EXPECT_EQ(list.GetFileIndex("c.txt"), 2);
    EXPECT_EQ(list.GetFileIndex("borte.txt"), 0);
    EXPECT_FALSE(list.ListItemExist("borte.txt"));

    list.setMultiSelect(false);
    EXPECT_FALSE(list.ListSelectAll());
}

TEST_F(ListFixture, ChangeItemRefusesAnEmptyPathForTheName)
{
    add("C:\\a\\gammel.txt", 1);
    EXPECT_FALSE(list.ChangeItem(0, 1, "ny.txt", ""));
    EXPECT_TRUE(list.ChangeItem(0, 1, "ny.txt", "C:\\a\\ny.txt"));
    EXPECT_EQ(list.GetFile(1), "C:\\a\\ny.txt");
    EXPECT_TRUE(list.ChangeItem(4, 1, "ar", ""));
    EXPECT_EQ(list.GetItem(4, 1), "ar");
    EXPECT_FALSE(list.ChangeItem(1, 2, "x", ""));
}

TEST_F(ListFixture, AutoColWidthFitsAndFillsTheWidth)
{
    add("C:\\a\\kort.txt", 1, "a");
    list.AutoColWidth();
    EXPECT_GE(list.ColumnWidth5(), 40);
    EXPECT_GE(list.ColumnWidth2(), 40);
    int sum = 0;
    for (const char *k : {"filnavn", "egen", "størrelse", "dato", "attr"})
        sum += list.GetColumnWidth(QString::fromUtf8(k));
    // Columns fill the width less the room for the scroll bar.
    EXPECT_EQ(sum, list.width() - 26);
    list.SetColumnWidth("dato", 77);
    EXPECT_EQ(list.ColumnWidth4(), 77);
}

TEST(FileListSpeed, HundredThousandRowsReachTheViewsInOneGo)
{
    qvFileList list;
    list.setFillMode(1);
    list.resize(500, 300);
    list.show();
    const int n = 100000;
    std::vector<QString> paths;
    paths.reserve(n);
    for (int i = 0; i < n; ++i)
        paths.push_back(QStringLiteral("C:\\Kilde\\Mappe %1\\fil%2.txt").arg(i / 100).arg(i));
    const QString ext = "txt", size = sizeText(1234, 2), date = "2026.01.02  10:00", attr = "a";

    // The views hear of the rows in one go, not one at a time.
    QAbstractItemModel *model = list.model();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted),
        reset(model, &QAbstractItemModel::modelReset);
    for (const QString &p : paths)
        list.AddItem(p, ext, size, date, attr);
    list.Refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.GetCount(), n);
    EXPECT_EQ(list.GetFile(n), paths.back());
    EXPECT_EQ(model->rowCount(), n);
    EXPECT_LE(inserted.count() + reset.count(), 2);

    // The main window's full-path box re-texts every row at once.
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    reset.clear();
    list.setShowFullPath(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(model->index(n - 1, 0).data().toString(), paths.back());
    EXPECT_EQ(changed.count() + reset.count(), 1);
}

TEST_F(ListFixture, NamesSortAsTheUsersLanguageDoes)
{
    for (const char *name : {"Åse.txt", "ære.txt", "Ørn.txt", "Zebra.txt", "alfa.txt"})
        add("C:\\N\\" + QString::fromUtf8(name), 1);
    clickHeader(0);
    EXPECT_EQ(names(), QStringList({"alfa.txt", "Zebra.txt", "ære.txt", "Ørn.txt", "Åse.txt"}));
}

TEST_F(ListFixture, AfterAScanColumnsFitEveryRowAndNoArrowClaimsAnOrder)
{
    add("C:\\data\\a.txt", 1);
    clickHeader(2);
    ASSERT_GE(list.arrowColumn(), 0);
    list.Clear();
    list.setShowFullPath(true);
    // The longest path far from the rows on screen.
    const QString longest = "C:\\data\\mange\\" + QString(60, 'x') + ".txt";
    for (int i = 0; i < 3000; ++i)
        add(i == 1500 ? longest : QString("C:\\data\\f%1.txt").arg(i), 10);
    EXPECT_EQ(list.arrowColumn(), -1);
    list.Refresh();
    list.AutoColWidth();
    EXPECT_GE(list.ColumnWidth1(), list.reportView()->fontMetrics().horizontalAdvance(longest));
}

TEST_F(ListFixture, ARowWhoseFolderWillNotListTakesThePathsOwnDate)
{
    const QString host =
        drives.writeFile("C:\\Lukket\\a.txt", "x", QDateTime(QDate(2024, 5, 6), QTime(7, 8)));
    add("C:\\Lukket\\a.txt", 1, "a", "2020.01.01  00:00");
    list.Refresh();
    // Passable but not readable for another account: the file is there, its folder
    // gives no listing.
    qvtest::openUpToRoot(host);
    QFile::setPermissions(drives.host("C:\\Lukket"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ExeGroup | QFile::ExeOther);
    const int rc = qvtest::asNobody([&] {
        clickHeader(1);
        return list.GetItem(3, 1) == "2024.05.06  07:08" ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
}
