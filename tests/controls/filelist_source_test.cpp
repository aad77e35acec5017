// Rows a program keeps itself (ShowRows) against the same rows added one by one: the
// same texts, colours and, for every column in both directions, the same order.
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListModel.h"
#include "support/TempTree.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <vector>

using qv::qvFileList;

namespace
{

struct Texts {
    QString path, ext, size, date, attr;
};

class VectorSource : public qv::qvFileListSource
{
public:
    std::vector<Texts> rows;
    int count() const override { return int(rows.size()); }
    QString path(int i) const override { return rows[size_t(i)].path; }
    QString text(int i, int column) const override
    {
        const Texts &t = rows[size_t(i)];
        return column == 1 ? t.ext : column == 2 ? t.size : column == 3 ? t.date : t.attr;
    }
};

struct SourceFixture : ::testing::Test {
    qvFileList added, shown;
    VectorSource source;

    void SetUp() override
    {
        for (qvFileList *l : {&added, &shown}) {
            l->setFillMode(1);
            l->setHideColumnHeaders(false);
            l->resize(560, 300);
            l->show();
        }
        // Names the user's language orders its own way, case, digits, blanks, equal keys.
        const QStringList names = {"Øl.txt", "ål.txt", "Zebra.txt", "zebra.TXT", "æble.doc", "Æble2.doc",
                                   "10.txt", "9.txt",  "a b.txt",   "a-b.txt",   "Å.txt",    "aa.txt",
                                   "b.txt",  "É.txt",  "e.txt",     "README"};
        const QStringList sizes = {"        0,00 kb.", "        1,00 kb.", "       10,50 kb.",
                                   "    1 024,00 kb.", "        1,00 kb.", "      999,99 kb."};
        const QStringList dates = {"2026.01.02  10:00", "2015.12.31  23:59", "2026.01.02  09:59",
                                   "2024.06.30  00:00"};
        const QStringList attrs = {"a", "ah", "r", "ahrs", " ", "a"};
        for (int i = 0; i < names.size(); ++i) {
            const QString &n = names[i];
            const qsizetype dot = n.lastIndexOf('.');
            source.rows.push_back({"C:\\Data\\Mappe " + QString::number(i % 3) + "\\" + n,
                                   dot < 0 ? QString() : n.mid(dot + 1).toLower(), sizes[i % sizes.size()],
                                   dates[i % dates.size()], attrs[i % attrs.size()]});
        }
        for (const Texts &t : source.rows)
            added.AddItem(t.path, t.ext, t.size, t.date, t.attr);
        shown.ShowRows(&source);
        added.Refresh();
        shown.Refresh();
    }
    static QStringList rowsOf(const qvFileList &l)
    {
        QStringList out;
        for (int i = 1; i <= l.GetCount(); ++i) {
            QStringList cells{l.GetFile(i)};
            for (int c = 0; c < qv::qvFileListModel::Columns; ++c)
                cells << l.GetItem(c, i);
            cells << QString::number(l.ItemColor(i));
            out << cells.join(" | ");
        }
        return out;
    }
    static void clickHeader(qvFileList &l, int column)
    {
        QHeaderView *h = l.reportView()->header();
        QTest::mouseClick(
            h->viewport(), Qt::LeftButton, Qt::NoModifier,
            QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
    }
};

} // namespace

TEST_F(SourceFixture, ShownRowsMatchAddedRowsInTextAndEveryOrder)
{
    ASSERT_EQ(rowsOf(shown), rowsOf(added));
    for (int column = 0; column < qv::qvFileListModel::Columns; ++column)
        for (int twice = 0; twice < 2; ++twice) {
            clickHeader(added, column);
            clickHeader(shown, column);
            ASSERT_EQ(rowsOf(shown), rowsOf(added)) << "column " << column << (twice ? " descending" : "");
        }
    added.setShowFullPath(true);
    shown.setShowFullPath(true);
    clickHeader(added, 0);
    clickHeader(shown, 0);
    EXPECT_EQ(rowsOf(shown), rowsOf(added));
}

TEST_F(SourceFixture, EditsAndRemovalsKeepToTheirRows)
{
    shown.ChangeItem(2, 3, "   77,00 kb.");
    shown.RemoveFile(1);
    added.ChangeItem(2, 3, "   77,00 kb.");
    added.RemoveFile(1);
    EXPECT_EQ(rowsOf(shown), rowsOf(added));
    clickHeader(shown, 2);
    clickHeader(added, 2);
    EXPECT_EQ(rowsOf(shown), rowsOf(added));
    shown.Clear();
    EXPECT_EQ(shown.GetCount(), 0);
}

// Rows that stand for files elsewhere keep the texts their source gives, even where a
// file of that path is on disk, and a sort tells which source row each shown row is.
TEST(FileListElsewhere, SortKeepsTheSourceTextsAndMapsRowsBack)
{
    struct Elsewhere : VectorSource {
        bool onDisk() const override { return false; }
    } source;
    qvtest::TempDrives drives("C");
    drives.writeFile("C:\\Data\\b.txt", QByteArray(5000, 'b'));
    source.rows = {{"C:\\Data\\b.txt", "txt", "        1,00 kb.", "2020.01.01  10:00", " "},
                   {"C:\\Data\\a.txt", "txt", "        2,00 kb.", "2020.01.02  10:00", " "}};
    qvFileList list;
    list.setFillMode(1);
    list.setHideColumnHeaders(false);
    list.resize(560, 200);
    list.show();
    list.ShowRows(&source);
    list.Refresh();
    EXPECT_EQ(list.SourceRow(1), 0);
    SourceFixture::clickHeader(list, 0);
    ASSERT_EQ(list.GetFileName(1), "a.txt");
    EXPECT_EQ(list.SourceRow(1), 1);
    EXPECT_EQ(list.SourceRow(2), 0);
    EXPECT_EQ(list.SourceRow(3), -1);
    EXPECT_EQ(list.GetItem(2, 2), "        1,00 kb.");
    EXPECT_EQ(list.GetItem(3, 2), "2020.01.01  10:00");
}
