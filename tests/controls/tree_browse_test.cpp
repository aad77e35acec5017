// The tree's browsing: drives and lazy folder levels, visibility of hidden folders,
// opening paths, clicks with both buttons, folders gone from under the tree, and a
// link loop that every walk must end.
#include "tree_testutil.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace
{

class TreeBrowse : public TreeTest
{
protected:
    void SetUp() override
    {
        drives.makeDir(u"C:\\Data\\Foto\\2020\\Sommer"_s);
        drives.makeDir(u"C:\\Data\\Musikk"_s);
        drives.makeDir(u"C:\\Tom"_s);
        drives.writeFile(u"C:\\Data\\notat.txt"_s, "x");
        drives.writeFile(u"C:\\Data\\.skjult.txt"_s, "x");
        drives.makeDir(u"D:\\Arkiv"_s);
    }
};

TEST_F(TreeBrowse, ShowsTheComputerWithItsDrivesAndOneLevelAhead)
{
    show();
    QStandardItem *computer = node(u"R1"_s);
    ASSERT_TRUE(computer);
    EXPECT_EQ(computer->text(), u"Min datamaskin"_s);
    EXPECT_EQ(qvTreeModel::tag(computer), u"R1"_s);
    EXPECT_EQ(childKeys(u"R1"_s), (QStringList{u"c:\\"_s, u"d:\\"_s}));
    EXPECT_EQ(node(u"c:\\"_s)->text(), u"C: "_s);
    EXPECT_EQ(qvTreeModel::tag(node(u"c:\\"_s)), u"Root"_s);
    EXPECT_EQ(qvTreeModel::image(node(u"c:\\"_s)), u"harddisk"_s);
    EXPECT_EQ(tree->DriveLetters(), u"CD"_s);
    EXPECT_EQ(tree->DriveCount(), u"2"_s);

    // The start selects C: and reads the first level of every drive only.
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\"_s);
    EXPECT_EQ(childKeys(u"c:\\"_s), (QStringList{u"c:\\data"_s, u"c:\\program"_s, u"c:\\tom"_s}));
    EXPECT_TRUE(childKeys(u"c:\\data"_s).isEmpty()) << "the level below an unopened drive is not read";
    EXPECT_FALSE(isExpanded(u"c:\\"_s));
    QSignalSpy expands(tree.get(), &qvTree::Expand);
    clickExpander(u"c:\\"_s);
    EXPECT_EQ(expands.count(), 1);
    EXPECT_EQ(childKeys(u"c:\\data"_s), (QStringList{u"c:\\data\\foto"_s, u"c:\\data\\musikk"_s}));
    EXPECT_TRUE(childKeys(u"c:\\data\\foto"_s).isEmpty());
    EXPECT_TRUE(childKeys(u"c:\\tom"_s).isEmpty());
    EXPECT_EQ(childKeys(u"d:\\"_s), QStringList{u"d:\\arkiv"_s});
}

TEST_F(TreeBrowse, ExpandingByClickLoadsTheNextLevelAndClickingAFolderMovesThePath)
{
    show();
    clickExpander(u"c:\\"_s);
    recordPaths();
    int clicks = 0;
    QObject::connect(tree.get(), &qvTree::NodeClick, tree.get(),
                     [&clicks](QStandardItem *, int &) { ++clicks; });
    clickExpander(u"c:\\data"_s);
    EXPECT_TRUE(isExpanded(u"c:\\data"_s));
    EXPECT_EQ(childKeys(u"c:\\data\\foto"_s), QStringList{u"c:\\data\\foto\\2020"_s});
    EXPECT_TRUE(childKeys(u"c:\\data\\foto\\2020"_s).isEmpty());
    EXPECT_EQ(pathChanges.size(), 0) << "expanding does not move the path";

    clickNode(u"c:\\data\\foto"_s);
    EXPECT_EQ(tree->Path(), u"c:\\data\\foto"_s);
    EXPECT_EQ(tree->GetPath(), u"c:\\data\\foto"_s);
    ASSERT_EQ(pathChanges.size(), 1);
    EXPECT_EQ(pathChanges.at(0), (QStringList{u"c:\\data\\foto"_s, u"c:\\"_s}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(tree->NodeText(), u"Foto"_s);
    EXPECT_EQ(tree->SubFolderCount(), 1);
    // The selected folder shows the open picture.
    EXPECT_EQ(tree->selectedNode()->data(qvTreeModel::SelectedImageRole).toString(), u"OpenFolder"_s);

    // Another drive: DriveChange with the new drive and its place among the letters.
    QSignalSpy driveChanges(tree.get(), &qvTree::DriveChange);
    clickNode(u"d:\\"_s);
    EXPECT_EQ(driveChanges.count(), 1);
    EXPECT_EQ(tree->Drive(), u"d:"_s);
    EXPECT_EQ(tree->DriveIndex(), 2);

    // Keys move the selection like a left click.
    QTest::keyClick(tree->treeView(), Qt::Key_Right);
    QTest::keyClick(tree->treeView(), Qt::Key_Down);
    EXPECT_EQ(tree->GetPath(), u"d:\\arkiv"_s);
}

TEST_F(TreeBrowse, RightClickLeavesSelectionAndPathWhereTheyWere)
{
    show();
    clickNode(u"c:\\tom"_s);
    ASSERT_EQ(tree->GetPath(), u"c:\\tom"_s);
    recordPaths();
    QSignalSpy ups(tree.get(), &qvTree::MouseUp);
    clickNode(u"c:\\data"_s, Qt::RightButton);
    EXPECT_EQ(pathChanges.size(), 0);
    EXPECT_EQ(tree->GetPath(), u"c:\\tom"_s);
    EXPECT_EQ(tree->Path(), u"c:\\tom"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\tom"_s);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).toInt(), 2);
}

TEST_F(TreeBrowse, OpeningAPathSelectsAndExpandsItWithItsAncestors)
{
    show();
    tree->setGoToPath(u"C:\\DATA\\Foto\\2020\\"_s);
    EXPECT_EQ(tree->Path(), u"c:\\data\\foto\\2020"_s);
    EXPECT_EQ(tree->GetPath(), u"c:\\data\\foto\\2020"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\data\\foto\\2020"_s);
    EXPECT_TRUE(isExpanded(u"c:\\data"_s));
    EXPECT_TRUE(isExpanded(u"c:\\data\\foto"_s));
    EXPECT_EQ(childKeys(u"c:\\data\\foto\\2020"_s), QStringList{u"c:\\data\\foto\\2020\\sommer"_s});

    // A path that is no folder keeps the current one.
    tree->setGoToPath(u"C:\\Finnes\\Ikke"_s);
    EXPECT_EQ(tree->Path(), u"c:\\data\\foto\\2020"_s);
    // A drive root keeps its backslash.
    tree->setGoToPath(u"D:\\"_s);
    EXPECT_EQ(tree->Path(), u"d:\\"_s);
    EXPECT_THROW(tree->GoToPath(), qv::PlatformError);
}

TEST_F(TreeBrowse, StartsOnTheGivenPath)
{
    show([](qvTree &t) { t.setGoToPath(u"C:\\Data\\Musikk"_s); });
    EXPECT_EQ(tree->GetPath(), u"c:\\data\\musikk"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\data\\musikk"_s);
}

TEST_F(TreeBrowse, ReopeningAPathWhosePartsAreGoneReportsTheMissingPrefix)
{
    show();
    tree->setGoToPath(u"C:\\Data\\Foto\\2020"_s);
    QDir(drives.host(u"C:\\Data\\Foto"_s)).removeRecursively();
    recordPaths();
    tree->Refresh();
    // The missing prefix as both texts, then the missing folder itself; the stored
    // path stays what it was.
    ASSERT_EQ(pathChanges.size(), 2);
    EXPECT_EQ(pathChanges.at(0), (QStringList{u"c:\\data\\foto"_s, u"c:\\data\\foto"_s}));
    EXPECT_EQ(pathChanges.at(1), (QStringList{u"c:\\data\\foto\\2020"_s, u"c:\\data\\foto\\2020"_s}));
    EXPECT_EQ(node(u"c:\\data\\foto"_s), nullptr);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\data"_s);
}

TEST_F(TreeBrowse, HiddenFoldersAndRecycleBins)
{
    drives.makeDir(u"C:\\.config\\sub"_s);
    drives.makeDir(u"C:\\$Recycle.Bin"_s);
    drives.makeDir(u"D:\\RECYCLED"_s);
    show();
    EXPECT_EQ(node(u"c:\\.config"_s), nullptr);
    QStandardItem *bin = node(u"c:\\$recycle.bin"_s);
    ASSERT_TRUE(bin);
    EXPECT_EQ(qvTreeModel::tag(bin), u"Bosskorg"_s);
    EXPECT_EQ(qvTreeModel::image(bin), u"bosskorg"_s);
    // The start-up runs the Enabled colouring, which knows no recycle bins.
    EXPECT_EQ(qvTreeModel::foreColor(bin), QColor(Qt::black));
    EXPECT_EQ(qvTreeModel::tag(node(u"d:\\recycled"_s)), u"Bosskorg"_s);

    clickNode(u"c:\\tom"_s);
    tree->setShowHidden(true);
    QStandardItem *hidden = node(u"c:\\.config"_s);
    ASSERT_TRUE(hidden) << "showing hidden folders rebuilds the tree";
    EXPECT_EQ(qvTreeModel::image(hidden), u"HiddenClosed"_s);
    EXPECT_EQ(qvTreeModel::foreColor(hidden), QColor(88, 113, 150));
    EXPECT_EQ(tree->GetPath(), u"c:\\tom"_s) << "the rebuild reopens the current path";

    // Disabled: every node grey; enabled again: hidden ones get their colour back.
    tree->setEnabled(false);
    EXPECT_EQ(qvTreeModel::foreColor(hidden), QColor(100, 100, 100));
    tree->setEnabled(true);
    EXPECT_EQ(qvTreeModel::foreColor(hidden), QColor(88, 113, 150));
    EXPECT_EQ(qvTreeModel::foreColor(node(u"c:\\$recycle.bin"_s)), QColor(Qt::black));
    EXPECT_EQ(qvTreeModel::foreColor(node(u"c:\\tom"_s)), QColor(Qt::black));
}

TEST_F(TreeBrowse, AFolderDeletedOutsideIsReportedAndRemovedOnClick)
{
    show();
    clickExpander(u"c:\\data"_s);
    QDir(drives.host(u"C:\\Data\\Musikk"_s)).removeRecursively();
    dialog.queueAnswer(qv::Answer::OK);
    clickNode(u"c:\\data\\musikk"_s);
    ASSERT_EQ(dialog.messages().size(), 1);
    EXPECT_EQ(dialog.messages().at(0), u"c:\\data\\musikk finnes ikke."_s);
    EXPECT_EQ(node(u"c:\\data\\musikk"_s), nullptr);
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\"_s);
}

TEST_F(TreeBrowse, CountsAndQueries)
{
    show();
    tree->setGoToPath(u"C:\\Data"_s);
    EXPECT_EQ(tree->CountElements(2), 2);
    EXPECT_EQ(tree->CountElements(1), 2) << "hidden files count too";
    EXPECT_EQ(tree->CountElements(0), 4);
    EXPECT_EQ(tree->CountElements(3), -1);
    EXPECT_EQ(tree->DriveName(u"d"_s), u" []"_s);
    EXPECT_EQ(tree->DriveName(u"Q"_s), QString());
}

TEST_F(TreeBrowse, RootFolderIsTheSingleTopNode)
{
    show([](qvTree &t) {
        t.setRootFolder(u" C:\\Data "_s);
        t.setRootFolderText(u"Mine data"_s);
    });
    ASSERT_EQ(tree->model()->rowCount(), 1);
    QStandardItem *top = node(u"c:\\data"_s);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->text(), u"Mine data"_s);
    EXPECT_EQ(qvTreeModel::tag(top), u"Root"_s);
    EXPECT_EQ(node(u"R1"_s), nullptr);
    EXPECT_EQ(tree->GetPath(), u"c:\\data"_s);
    EXPECT_EQ(childKeys(u"c:\\data"_s), (QStringList{u"c:\\data\\foto"_s, u"c:\\data\\musikk"_s}));

    dialog.queueAnswer(qv::Answer::OK);
    tree->setRootFolder(u"C:\\Ingen"_s);
    EXPECT_EQ(dialog.messages().value(0), u"Skriv inn en gyldig RootFolder."_s);
    EXPECT_EQ(tree->RootFolder(), u"c:\\data"_s);
}

TEST_F(TreeBrowse, ALinkLoopIsShownButNeverWalked)
{
    drives.makeDir(u"C:\\Loop\\Inne"_s);
    ASSERT_TRUE(makeLink(u"C:\\Loop\\Inne\\tilbake"_s, u"C:\\Loop"_s));
    show();
    tree->setGoToPath(u"C:\\Loop\\Inne"_s);
    QStandardItem *link = node(u"c:\\loop\\inne\\tilbake"_s);
    ASSERT_TRUE(link) << "a link to a folder is listed as a folder";
    EXPECT_EQ(link->rowCount(), 0);
    clickExpander(u"c:\\loop\\inne"_s);
    clickNode(u"c:\\loop\\inne\\tilbake"_s);
    EXPECT_EQ(tree->GetPath(), u"c:\\loop\\inne\\tilbake"_s);
    EXPECT_EQ(link->rowCount(), 0) << "nothing below a link is loaded";
    tree->treeView()->expandAll(); // ends
    EXPECT_LT(tree->model()->allNodes().size(), 40);
    // A path through the link has no nodes: the walk ends at the link.
    tree->setGoToPath(u"C:\\Loop\\Inne\\tilbake\\Inne\\tilbake"_s);
    EXPECT_EQ(node(u"c:\\loop\\inne\\tilbake\\inne"_s), nullptr);
}

TEST(TreePaths, FolderNameParentPathAndStrip)
{
    EXPECT_EQ(qvTree::FolderName(u"c:\\data\\Foto"_s), u"Foto"_s);
    EXPECT_EQ(qvTree::FolderName(u"c:\\data\\Foto\\"_s), u"Foto"_s);
    EXPECT_EQ(qvTree::FolderName(u"c:\\"_s), u"c:"_s);
    EXPECT_EQ(qvTree::ParentPath(u"c:\\data\\Foto"_s), u"c:\\data\\"_s);
    EXPECT_EQ(qvTree::ParentPath(u"c:\\data"_s), u"c:\\"_s);
    EXPECT_EQ(qvTree::StripTrailingBackslash(u"c:\\data\\"_s), u"c:\\data"_s);
    EXPECT_EQ(qvTree::StripTrailingBackslash(u"c:\\"_s), u"c:\\"_s);
}

} // namespace

namespace
{

TEST_F(TreeBrowse, ClickingTheSelectedFolderAgainFindsItGone)
{
    show();
    clickExpander(u"c:\\"_s);
    clickNode(u"c:\\tom"_s);
    ASSERT_EQ(tree->GetPath(), u"c:\\tom"_s);
    QDir(drives.host(u"C:\\Tom"_s)).removeRecursively();
    tree->setAutoUpdate(false);
    dialog.queueAnswer(qv::Answer::OK);
    clickNode(u"c:\\tom"_s);
    EXPECT_EQ(dialog.messages().value(0), u"c:\\tom finnes ikke."_s);
    EXPECT_EQ(node(u"c:\\tom"_s), nullptr);
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
}

TEST_F(TreeBrowse, MouseDownNodeAndTheLabelDuringMouseUp)
{
    show();
    clickExpander(u"c:\\"_s);
    QString textInMouseUp;
    QObject::connect(tree.get(), &qvTree::MouseUp, tree.get(),
                     [&](int, int, float, float) { textInMouseUp = tree->NodeText2(); });
    clickNode(u"c:\\data"_s);
    ASSERT_TRUE(tree->GetMouseDownNode());
    EXPECT_EQ(qvTreeModel::key(tree->GetMouseDownNode()), u"c:\\data"_s);
    EXPECT_EQ(textInMouseUp, u"Data"_s);
    clickNode(u"R1"_s);
    EXPECT_EQ(tree->GetMouseDownNode(), nullptr) << "the computer is no folder";
    EXPECT_EQ(tree->GetPath(), u"c:\\data"_s) << "a click on the computer keeps the path";
}

} // namespace

namespace
{

TEST_F(TreeBrowse, OpeningAPathBeforeTheTreeIsShownGivesItsPathAtOnce)
{
    qvTree t;
    t.setGoToPath(u"C:\\Data\\Foto\\"_s);
    EXPECT_EQ(t.Path(), u"c:\\data\\foto"_s);
    ASSERT_TRUE(t.node(u"c:\\data\\foto"_s));
    EXPECT_EQ(qvTreeModel::key(t.selectedNode()), u"c:\\data\\foto"_s);
    t.show();
    EXPECT_EQ(t.Path(), u"c:\\data\\foto"_s) << "showing it does not start it again";
}

TEST_F(TreeBrowse, CollapsingAllReopensThePath)
{
    show();
    tree->setGoToPath(u"C:\\Data\\Foto"_s);
    clickExpander(u"d:\\"_s);
    tree->CollapsAll();
    EXPECT_FALSE(isExpanded(u"d:\\"_s));
    EXPECT_TRUE(isExpanded(u"c:\\data"_s));
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\data\\foto"_s);
    EXPECT_EQ(tree->Path(), u"c:\\data\\foto"_s);
}

} // namespace

TEST_F(TreeBrowse, ChildrenSortAsTheUsersLanguageDoes)
{
    for (const char *name : {"Åse", "ære", "Ørn", "Zebra", "alfa"})
        drives.makeDir(u"C:\\Nordisk\\"_s + QString::fromUtf8(name));
    show();
    clickExpander(u"c:\\nordisk"_s);
    QStringList texts;
    for (const QString &key : childKeys(u"c:\\nordisk"_s))
        texts << node(key)->text();
    EXPECT_EQ(texts, QStringList({u"alfa"_s, u"Zebra"_s, u"ære"_s, u"Ørn"_s, u"Åse"_s}));
}
