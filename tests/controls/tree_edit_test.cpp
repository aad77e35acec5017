// Making, renaming and deleting folders from the tree, with the keys and the mouse.
#include "tree_testutil.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace
{

class TreeEdit : public TreeTest
{
protected:
    void SetUp() override
    {
        drives.makeDir(u"C:\\Data\\Foto\\2020"_s);
        drives.makeDir(u"C:\\Tom"_s);
        show();
    }
    QLineEdit *editor() const
    {
        for (QLineEdit *e : tree->treeView()->findChildren<QLineEdit *>())
            if (e->isVisible())
                return e;
        return nullptr;
    }
    bool editing() const { return editor() && editor()->isVisible(); }
    void typeName(const QString &text)
    {
        QLineEdit *line = editor();
        ASSERT_TRUE(line);
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
        // The view commits on a queued call, and a rebuild may follow it.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    bool hostDir(const QString &windowsPath) const { return QFileInfo(drives.host(windowsPath)).isDir(); }
};

TEST_F(TreeEdit, NewFoldersTakeTheNextFreeNameAndStartALabelEdit)
{
    ASSERT_FALSE(tree->AllowRenaming());
    int clicks = 0;
    QObject::connect(tree.get(), &qvTree::NodeClick, tree.get(),
                     [&clicks](QStandardItem *, int &) { ++clicks; });
    EXPECT_EQ(tree->CreateNewFolder(), 1);
    EXPECT_TRUE(hostDir(u"C:\\Ny mappe"_s)) << "on a drive root directly below the root";
    QStandardItem *made = node(u"c:\\ny mappe"_s);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->text(), u"Ny mappe"_s);
    EXPECT_EQ(tree->GetPath(), u"c:\\ny mappe"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\ny mappe"_s);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(editing()) << "the edit starts even though renaming is off";
    EXPECT_FALSE(tree->AllowRenaming());
    QTest::keyClick(editor(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(editing());

    drives.makeDir(u"C:\\Data\\Ny mappe"_s);
    drives.makeDir(u"C:\\Data\\Ny mappe (1)"_s);
    clickNode(u"c:\\data"_s);
    EXPECT_EQ(tree->CreateNewFolder(), 1);
    EXPECT_TRUE(hostDir(u"C:\\Data\\Ny mappe (2)"_s));
    ASSERT_TRUE(node(u"c:\\data\\ny mappe (2)"_s));
    EXPECT_EQ(node(u"c:\\data\\ny mappe (2)"_s)->text(), u"Ny mappe (2)"_s);
    // Typing in the edit that started names the folder.
    typeName(u"Ferie"_s);
    EXPECT_TRUE(hostDir(u"C:\\Data\\Ferie"_s));
    EXPECT_FALSE(hostDir(u"C:\\Data\\Ny mappe (2)"_s));
    EXPECT_TRUE(node(u"c:\\data\\ferie"_s));
}

TEST_F(TreeEdit, NoNewFolderOnTheComputerOrARecycleBin)
{
    clickNode(u"R1"_s);
    EXPECT_EQ(tree->CreateNewFolder(), 0);
    drives.makeDir(u"C:\\$Recycle.Bin"_s);
    tree->Refresh();
    clickNode(u"c:\\$recycle.bin"_s);
    ASSERT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\$recycle.bin"_s);
    EXPECT_EQ(tree->CreateNewFolder(), 0);
    EXPECT_FALSE(hostDir(u"C:\\$Recycle.Bin\\Ny mappe"_s));
}

TEST_F(TreeEdit, AFolderThatCannotBeMadeOffersRetry)
{
    clickNode(u"c:\\tom"_s);
    QDir(drives.host(u"C:\\Tom"_s)).removeRecursively();
    dialog.queueAnswer(qv::Answer::Retry);
    dialog.queueAnswer(qv::Answer::Cancel);
    EXPECT_EQ(tree->CreateNewFolder(), -1);
    ASSERT_EQ(dialog.messages().size(), 2) << "Retry tries once more";
    EXPECT_EQ(dialog.messages().at(0), dialog.messages().at(1));
    EXPECT_TRUE(dialog.messages().at(0).startsWith(
        u"Får ingen tilgang til å opprette mappen. Mulig årsak kan være...\n\n"_s));
    EXPECT_TRUE(dialog.messages().at(0).contains(u"karakterene \\ / : * ? < > \" |\n"_s));
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Tom"_s)));
}

TEST_F(TreeEdit, RenameWithF2AndTyping)
{
    clickNode(u"c:\\tom"_s);
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    EXPECT_FALSE(editing()) << "renaming is off by default";

    tree->setAllowRenaming(true);
    QList<QString> afterNames;
    QObject::connect(tree.get(), &qvTree::AfterLabelEdit, tree.get(),
                     [&](int &cancel, QString &name) { afterNames << name + (cancel ? "/avbrutt" : ""); });
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    ASSERT_TRUE(editing());
    EXPECT_TRUE(tree->InRenameModus());
    typeName(u"  Fullt  "_s);
    EXPECT_FALSE(tree->InRenameModus());
    EXPECT_TRUE(hostDir(u"C:\\Fullt"_s));
    EXPECT_FALSE(hostDir(u"C:\\Tom"_s));
    EXPECT_EQ(afterNames, QList<QString>{u"Fullt"_s});
    EXPECT_EQ(tree->Path(), u"c:\\fullt"_s);
    EXPECT_EQ(tree->GetPath(), u"c:\\fullt"_s);
    ASSERT_TRUE(node(u"c:\\fullt"_s));
    EXPECT_EQ(node(u"c:\\fullt"_s)->text(), u"Fullt"_s);
    EXPECT_EQ(node(u"c:\\tom"_s), nullptr);

    // Only the letter case changes: still a rename.
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    typeName(u"FULLT"_s);
    EXPECT_TRUE(QDir(drives.host(u"C:"_s)).entryList().contains(u"FULLT"_s));

    // Blank: cancelled, the disk untouched.
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    typeName(u"   "_s);
    EXPECT_TRUE(QDir(drives.host(u"C:"_s)).entryList().contains(u"FULLT"_s));
    EXPECT_EQ(node(u"c:\\fullt"_s)->text(), u"FULLT"_s);
    EXPECT_EQ(afterNames.last(), u"/avbrutt"_s);
}

TEST_F(TreeEdit, RenamingOntoAnExistingFolderKeepsTheOldLabel)
{
    tree->setAllowRenaming(true);
    clickNode(u"c:\\tom"_s);
    dialog.queueAnswer(qv::Answer::OK);
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    typeName(u"data"_s);
    EXPECT_EQ(dialog.messages().size(), 1) << "the refusal is told";
    EXPECT_TRUE(hostDir(u"C:\\Tom"_s));
    EXPECT_TRUE(hostDir(u"C:\\Data\\Foto\\2020"_s)) << "the other folder is never replaced";
    EXPECT_EQ(node(u"c:\\tom"_s)->text(), u"Tom"_s);

    // A name with a separator would move the folder into another one.
    dialog.queueAnswer(qv::Answer::OK);
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    typeName(u"Data\\Tom"_s);
    EXPECT_EQ(dialog.messages().size(), 2);
    EXPECT_TRUE(hostDir(u"C:\\Tom"_s));
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Data\\Tom"_s)));
}

TEST_F(TreeEdit, DrivesAndRecycleBinsKeepTheirNames)
{
    tree->setAllowRenaming(true);
    clickNode(u"c:\\"_s);
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    EXPECT_FALSE(editing());
    EXPECT_FALSE(tree->InRenameModus());
    clickNode(u"R1"_s);
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    EXPECT_FALSE(editing());
}

TEST_F(TreeEdit, RenamingAFolderWithChildNodesRebuildsAndReopens)
{
    tree->setAllowRenaming(true);
    tree->setGoToPath(u"C:\\Data"_s);
    ASSERT_TRUE(node(u"c:\\data\\foto"_s));
    QTest::keyClick(tree->treeView(), Qt::Key_F2);
    typeName(u"Bilder"_s);
    EXPECT_TRUE(hostDir(u"C:\\Bilder\\Foto\\2020"_s));
    EXPECT_EQ(node(u"c:\\data\\foto"_s), nullptr);
    ASSERT_TRUE(node(u"c:\\bilder\\foto"_s)) << "children carry the new path";
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\bilder"_s);
    // RenameSelectedFolder starts the same edit.
    EXPECT_EQ(tree->RenameSelectedFolder(), 0);
    EXPECT_TRUE(editing());
    QTest::keyClick(editor(), Qt::Key_Escape);
    QCoreApplication::processEvents();
}

TEST_F(TreeEdit, DeleteAsksMovesToTheTrashOrDeletesForGood)
{
    drives.writeFile(u"C:\\Data\\Foto\\2020\\bilde.jpg"_s, "jpg");
    clickExpander(u"c:\\"_s);
    clickNode(u"c:\\tom"_s);
    // No: the shell's abort.
    dialog.queueAnswer(qv::Answer::No);
    dialog.queueAnswer(qv::Answer::OK);
    tree->DeleteSelectedFolder(false, false);
    ASSERT_EQ(dialog.messages().size(), 2);
    EXPECT_EQ(dialog.messages().at(1), u"Sletting avbrutt."_s);
    EXPECT_TRUE(hostDir(u"C:\\Tom"_s));
    EXPECT_TRUE(node(u"c:\\tom"_s));

    dialog.clearRecord();
    dialog.queueAnswer(qv::Answer::Yes);
    int clicks = 0;
    QObject::connect(tree.get(), &qvTree::NodeClick, tree.get(),
                     [&clicks](QStandardItem *, int &) { ++clicks; });
    tree->DeleteSelectedFolder(false, false);
    EXPECT_EQ(dialog.messages().size(), 1);
    EXPECT_FALSE(hostDir(u"C:\\Tom"_s));
    EXPECT_EQ(node(u"c:\\tom"_s), nullptr);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(tree->GetPath(), qvTreeModel::key(tree->selectedNode()));

    // No question, for good, with everything below.
    dialog.clearRecord();
    clickNode(u"c:\\data\\foto"_s);
    tree->DeleteSelectedFolder(true, true);
    EXPECT_TRUE(dialog.messages().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(drives.host(u"C:\\Data\\Foto"_s)));
    EXPECT_EQ(node(u"c:\\data\\foto"_s), nullptr);
}

TEST_F(TreeEdit, DrivesTheComputerAndRootFoldersAreNeverDeleted)
{
    clickNode(u"c:\\"_s);
    tree->DeleteSelectedFolder(true, true);
    EXPECT_TRUE(hostDir(u"C:\\Data"_s));
    EXPECT_TRUE(node(u"c:\\"_s));
    clickNode(u"R1"_s);
    tree->DeleteSelectedFolder(true, true);
    EXPECT_TRUE(node(u"R1"_s));
}

TEST_F(TreeEdit, DeletingALinkForGoodLeavesWhatItPointsTo)
{
    drives.writeFile(u"C:\\Data\\Foto\\2020\\bilde.jpg"_s, "jpg");
    ASSERT_TRUE(makeLink(u"C:\\Snarvei"_s, u"C:\\Data"_s));
    tree->Refresh();
    clickNode(u"c:\\snarvei"_s);
    ASSERT_EQ(tree->GetPath(), u"c:\\snarvei"_s);
    tree->DeleteSelectedFolder(true, true);
    EXPECT_FALSE(QFileInfo(drives.host(u"C:\\Snarvei"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(drives.host(u"C:\\Data\\Foto\\2020\\bilde.jpg"_s)));
    EXPECT_EQ(node(u"c:\\snarvei"_s), nullptr);
}

} // namespace

namespace
{

TEST_F(TreeEdit, DeleteTakesTheSelectedNodesFolderEvenWhenPathLiesBeyondALink)
{
    drives.writeFile(u"C:\\Loop\\Inne\\fil.txt"_s, "f");
    ASSERT_TRUE(makeLink(u"C:\\Loop\\Inne\\tilbake"_s, u"C:\\Loop"_s));
    tree->Refresh();
    tree->setGoToPath(u"C:\\Loop\\Inne\\tilbake\\Inne"_s);
    ASSERT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\loop\\inne\\tilbake"_s);
    tree->DeleteSelectedFolder(true, true);
    EXPECT_EQ(drives.readFile(u"C:\\Loop\\Inne\\fil.txt"_s), "f") << "the folder behind the link is kept";
    EXPECT_FALSE(QFileInfo(drives.host(u"C:\\Loop\\Inne\\tilbake"_s)).isSymLink());
}

TEST_F(TreeEdit, AFolderNewerThanItsParentsLevelComesWithARebuild)
{
    drives.makeDir(u"C:\\Senere\\Under"_s);
    clickExpander(u"c:\\"_s); // C:\Senere has no node yet: its level is asked for anyway
    QCoreApplication::processEvents();
    ASSERT_TRUE(node(u"c:\\senere"_s));
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
}

} // namespace
