// A tree of folders the program names: built from the list alone, browsed with the
// mouse, and never touched by the disk.
#include "tree_testutil.h"

namespace
{
class TreeGiven : public TreeTest
{
protected:
    QStringList childTexts(const QString &folder) const
    {
        QStringList out;
        if (QStandardItem *n = tree->givenNode(folder))
            for (int r = 0; r < n->rowCount(); ++r)
                out << n->child(r)->text();
        return out;
    }
    void clickGiven(const QString &folder)
    {
        QStandardItem *n = tree->givenNode(folder);
        ASSERT_TRUE(n) << folder.toStdString();
        const QRect r = tree->treeView()->visualRect(n->index());
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(r.left() + 24, r.center().y()));
    }
};
} // namespace

TEST_F(TreeGiven, ShowsTheNamedFoldersSortedWithTheirParentsAndNoDisk)
{
    // C:\Brev exists on disk, but only the given folders are shown.
    drives.makeDir("C:\\Brev\\Gamle");
    show([](qvTree &t) { t.ShowFolders("C:\\Data\\Dok", {"Brev/Gamle/2025", "bilder", "Brev", "brev"}); });
    ASSERT_TRUE(tree->givenNode(""));
    EXPECT_EQ(tree->givenNode("")->text(), "C:\\Data\\Dok");
    EXPECT_EQ(tree->model()->rowCount(), 1);
    EXPECT_EQ(childTexts(""), QStringList({"bilder", "Brev", "brev"}));
    EXPECT_EQ(childTexts("Brev/Gamle"), QStringList({"2025"}));
    EXPECT_TRUE(childTexts("brev").isEmpty());
    EXPECT_EQ(tree->Path(), "");

    recordPaths();
    clickGiven("Brev");
    clickExpander(qvTreeModel::key(tree->givenNode("Brev")));
    clickGiven("Brev/Gamle");
    EXPECT_EQ(tree->Path(), "Brev/Gamle");
    EXPECT_EQ(pathChanges, QList<QStringList>({{"Brev", ""}, {"Brev/Gamle", "Brev"}}));

    // The disk's tick and a refresh leave folders that are on no disk alone.
    tree->runUpdateTick();
    tree->Refresh();
    EXPECT_TRUE(tree->givenNode("Brev/Gamle/2025"));
    EXPECT_EQ(tree->Path(), "Brev/Gamle");

    // Collapsing a parent of the selection moves the path to it.
    clickExpander(qvTreeModel::key(tree->givenNode("Brev")));
    EXPECT_EQ(tree->Path(), "Brev");
    EXPECT_EQ(pathChanges.last(), QStringList({"Brev", "Brev/Gamle"}));

    tree->ShowFolders("Tom", {});
    EXPECT_EQ(tree->model()->rowCount(), 1);
    EXPECT_FALSE(tree->givenNode("Brev"));
    EXPECT_FALSE(dialog.sawUnexpected());
}
