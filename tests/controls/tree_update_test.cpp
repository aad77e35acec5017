// The tree keeping in step with the disk and the drive table, and drags over it.
#include "tree_testutil.h"

#include "support/Timers.h"

#include <QDragMoveEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace
{

class TreeUpdate : public TreeTest
{
protected:
    void SetUp() override
    {
        drives.makeDir(u"C:\\Data\\Foto"_s);
        drives.makeDir(u"C:\\Data\\Musikk"_s);
        show();
        tree->setGoToPath(u"C:\\Data"_s);
        clickNode(u"c:\\data"_s);
        ASSERT_TRUE(isExpanded(u"c:\\data"_s));
    }
    // Ticks until the condition holds (the watch's notice comes through the event loop).
    bool tickUntil(const std::function<bool()> &done, int ms = 3000)
    {
        return QTest::qWaitFor(
            [&] {
                tree->runUpdateTick();
                return done();
            },
            ms);
    }
    void addDrive(QChar letter, const QString &extra = {})
    {
        const QString dir = drives.hostRoot(letter);
        QDir().mkpath(dir);
        qputenv("QVBACKUP_DRIVES", qgetenv("QVBACKUP_DRIVES") + ";" + QString(letter).toUtf8() + "=" +
                                       QFile::encodeName(dir) + extra.toUtf8());
    }
    void dropDrive(QChar letter)
    {
        QStringList kept;
        for (const QString &part : QString::fromUtf8(qgetenv("QVBACKUP_DRIVES")).split(u';'))
            if (!part.startsWith(QString(letter) + u'='))
                kept << part;
        qputenv("QVBACKUP_DRIVES", kept.join(u';').toUtf8());
    }
};

TEST_F(TreeUpdate, FoldersMadeAndRemovedOutsideAppearAndVanish)
{
    QList<long> counts;
    QObject::connect(tree.get(), &qvTree::SubFolderCountChange, tree.get(), [&](long &n) { counts << n; });
    drives.makeDir(u"C:\\Data\\Video"_s);
    ASSERT_TRUE(tickUntil([&] { return node(u"c:\\data\\video"_s) != nullptr; }));
    EXPECT_EQ(node(u"c:\\data\\video"_s)->text(), u"Video"_s);
    EXPECT_EQ(childKeys(u"c:\\data"_s).size(), 3);
    EXPECT_EQ(counts, QList<long>{3});
    EXPECT_EQ(tree->SubFolderCount(), 3);

    QDir(drives.host(u"C:\\Data\\Musikk"_s)).removeRecursively();
    ASSERT_TRUE(tickUntil([&] { return node(u"c:\\data\\musikk"_s) == nullptr; }));
    EXPECT_EQ(counts.last(), 2);
    EXPECT_EQ(tree->GetPath(), u"c:\\data"_s);

    // A child renamed outside rebuilds the tree around the current path.
    ASSERT_TRUE(QDir(drives.host(u"C:\\Data"_s)).rename(u"Foto"_s, u"Bilder"_s));
    ASSERT_TRUE(tickUntil([&] { return node(u"c:\\data\\bilder"_s) != nullptr; }));
    EXPECT_EQ(node(u"c:\\data\\foto"_s), nullptr);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\data"_s);
}

TEST_F(TreeUpdate, NewFoldersFoundByTheTickAreOrdinaryAndAClosedParentLoadsTheirLevel)
{
    tree->setShowHidden(true);
    clickNode(u"c:\\data"_s);
    drives.makeDir(u"C:\\Data\\.skjult"_s);
    ASSERT_TRUE(tickUntil([&] { return node(u"c:\\data\\.skjult"_s) != nullptr; }));
    EXPECT_EQ(qvTreeModel::image(node(u"c:\\data\\.skjult"_s)), u"ClosedFolder"_s);

    // A closed folder without children gets one: toggled open and shut, it loads
    // the level below, so the new child shows whether it has folders of its own.
    clickNode(u"c:\\data\\foto"_s);
    ASSERT_FALSE(isExpanded(u"c:\\data\\foto"_s));
    drives.makeDir(u"C:\\Data\\Foto\\Ny\\Under"_s);
    ASSERT_TRUE(tickUntil([&] { return node(u"c:\\data\\foto\\ny"_s) != nullptr; }));
    EXPECT_EQ(childKeys(u"c:\\data\\foto\\ny"_s), QStringList{u"c:\\data\\foto\\ny\\under"_s});
}

TEST_F(TreeUpdate, TheSelectedFolderRemovedOutsideMovesTheSelectionUp)
{
    clickNode(u"c:\\data\\foto"_s);
    QDir(drives.host(u"C:\\Data\\Foto"_s)).removeRecursively();
    tree->runUpdateTick();
    EXPECT_EQ(node(u"c:\\data\\foto"_s), nullptr);
    ASSERT_TRUE(tree->selectedNode());
    EXPECT_EQ(tree->GetPath(), qvTreeModel::key(tree->selectedNode()));
}

TEST_F(TreeUpdate, WithoutAutoUpdateTheTreeNeverChangesByItself)
{
    tree->setAutoUpdate(false);
    drives.makeDir(u"C:\\Data\\Video"_s);
    QDir(drives.host(u"C:\\Data\\Musikk"_s)).removeRecursively();
    addDrive(u'E');
    EXPECT_FALSE(tickUntil([&] { return node(u"c:\\data\\video"_s) != nullptr; }, 600));
    EXPECT_TRUE(node(u"c:\\data\\musikk"_s));
    EXPECT_EQ(node(u"e:\\"_s), nullptr);
    EXPECT_EQ(tree->DriveCount(), u"2"_s);
}

TEST_F(TreeUpdate, ANewDriveIsAddedOnePerTickAndARemovedOneGoes)
{
    int changes = 0;
    QObject::connect(tree.get(), &qvTree::DriveCountChange, tree.get(), [&] { ++changes; });
    addDrive(u'E', u":2:MINNE"_s);
    QDir().mkpath(drives.hostRoot(u'E') + u"/Bilder"_s);
    tree->runUpdateTick();
    QStandardItem *e = node(u"e:\\"_s);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text(), u"E: MINNE"_s);
    EXPECT_EQ(qvTreeModel::image(e), u"diskett"_s);
    EXPECT_EQ(qvTreeModel::tag(e), u"Root"_s);
    EXPECT_EQ(childKeys(u"e:\\"_s), QStringList{u"e:\\bilder"_s});
    EXPECT_EQ(tree->DriveLetters(), u"CDE"_s);
    EXPECT_EQ(tree->DriveCount(), u"3"_s);
    EXPECT_EQ(changes, 1);

    // Two at once: the first on this tick, and the second never, as the known
    // letters already equal the scan.
    addDrive(u'F');
    addDrive(u'G');
    tree->runUpdateTick();
    tree->runUpdateTick();
    EXPECT_TRUE(node(u"f:\\"_s));
    EXPECT_EQ(node(u"g:\\"_s), nullptr);
    EXPECT_EQ(tree->DriveCount(), u"5"_s);

    // Removing the drive of the current folder moves the tree to C:.
    tree->setGoToPath(u"E:\\Bilder"_s);
    ASSERT_EQ(tree->GetPath(), u"e:\\bilder"_s);
    dropDrive(u'E');
    tree->runUpdateTick();
    EXPECT_EQ(node(u"e:\\"_s), nullptr);
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
    EXPECT_EQ(qvTreeModel::key(tree->selectedNode()), u"c:\\"_s);
}

class TreeDrag : public TreeTest
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < 30; ++i)
            drives.makeDir(u"C:\\Mappe %1\\Under"_s.arg(i, 2, 10, QChar(u'0')));
        show();
        tree->resize(200, 160);
        clickExpander(u"c:\\"_s);
        tree->treeView()->scrollToTop();
        QObject::connect(tree.get(), &qvTree::OLEDragOver, tree.get(),
                         [this](const QMimeData *, int &effect, int, int, float, float, int state) {
                             overs << QPair<int, int>(effect, state);
                         });
    }
    // One drag-over at a point of the viewport with the left button held.
    bool dragOverAt(QPoint at)
    {
        mime.setText(u"x"_s);
        if (!entered) {
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport(), &enter);
            entered = true;
        }
        QDragMoveEvent e(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport(), &e);
        return e.isAccepted();
    }
    QPoint centreOf(const QString &key)
    {
        const QRect r = tree->treeView()->visualRect(node(key)->index());
        return QPoint(r.left() + 20, r.center().y());
    }
    QMimeData mime;
    bool entered = false;
    QList<QPair<int, int>> overs;
};

TEST_F(TreeDrag, OverTheComputerNoDropElsewhereACopyAndAHighlight)
{
    EXPECT_FALSE(dragOverAt(centreOf(u"R1"_s)));
    // Enter (state 0) and over (state 2), neither allowing a drop.
    EXPECT_EQ(overs, (QList<QPair<int, int>>{{0, 0}, {0, 2}}));
    EXPECT_EQ(tree->GetHighlightNode(), nullptr);

    EXPECT_TRUE(dragOverAt(centreOf(u"c:\\mappe 00"_s)));
    EXPECT_EQ(overs.last(), (QPair<int, int>(1, 2)));
    ASSERT_TRUE(tree->GetHighlightNode());
    EXPECT_EQ(qvTreeModel::key(tree->GetHighlightNode()), u"c:\\mappe 00"_s);

    QSignalSpy drops(tree.get(), &qvTree::OLEDragDrop);
    QDropEvent drop(centreOf(u"c:\\mappe 00"_s), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport(), &drop);
    EXPECT_EQ(tree->GetHighlightNode(), nullptr) << "the drop clears the highlight";
}

TEST_F(TreeDrag, HoveringOverAFolderWithChildrenOpensIt)
{
    const QPoint at = centreOf(u"c:\\mappe 01"_s);
    ASSERT_FALSE(isExpanded(u"c:\\mappe 01"_s));
    dragOverAt(at);
    qvtest::letTimersFire(500); // half the second a hover takes
    dragOverAt(at);             // the same node: the timer keeps running
    EXPECT_FALSE(isExpanded(u"c:\\mappe 01"_s));
    // Due a second after the first drag-over, before a timer started again now could be.
    EXPECT_TRUE(qvtest::comesBefore(900, [&] { return isExpanded(u"c:\\mappe 01"_s); }));
}

TEST_F(TreeDrag, ThePointerAtTheLowerEdgeScrollsOneLinePerStep)
{
    QScrollBar *bar = tree->treeView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const int before = bar->value();
    const int h = viewport()->height();
    dragOverAt(QPoint(40, h - 10));
    EXPECT_EQ(bar->value(), before) << "the step waits for its timer";
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == before + bar->singleStep(); }, 1000));
    qvtest::letTimersFire(200); // the step timer's interval
    EXPECT_EQ(bar->value(), before + bar->singleStep()) << "one step per drag-over";
}

} // namespace

namespace
{

class TreeCd : public TreeTest
{
protected:
    TreeCd() : TreeTest(QStringLiteral("C")) {}
};

TEST_F(TreeCd, ADiscInACdDriveIsReadOnceAndItsRemovalMovesTheTreeToC)
{
    const QString cdDir = drives.hostRoot(u'C') + u"/../E"_s;
    QDir().mkpath(cdDir + u"/Film"_s);
    qputenv("QVBACKUP_DRIVES", qgetenv("QVBACKUP_DRIVES") + ";E=" + QFile::encodeName(cdDir) + ":5:FILMER");
    show();
    tree->setAutoUpdate(true);
    int changes = 0;
    QObject::connect(tree.get(), &qvTree::DriveCountChange, tree.get(), [&] { ++changes; });
    ASSERT_TRUE(node(u"e:\\"_s));
    EXPECT_EQ(qvTreeModel::image(node(u"e:\\"_s)), u"cdrom"_s);

    // The first tick sees the disc and makes the drive anew with its label and folders.
    tree->runUpdateTick();
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(node(u"e:\\"_s));
    EXPECT_EQ(node(u"e:\\"_s)->text(), u"E: FILMER"_s);
    EXPECT_EQ(childKeys(u"e:\\"_s), QStringList{u"e:\\film"_s});
    tree->runUpdateTick();
    EXPECT_EQ(changes, 1) << "nothing new while the disc stays";

    tree->setGoToPath(u"E:\\Film"_s);
    ASSERT_EQ(tree->GetPath(), u"e:\\film"_s);
    QDir(cdDir).removeRecursively(); // the disc is taken out
    tree->runUpdateTick();
    EXPECT_EQ(changes, 2);
    ASSERT_TRUE(node(u"e:\\"_s));
    EXPECT_EQ(node(u"e:\\"_s)->text(), u"E:"_s);
    EXPECT_EQ(node(u"e:\\"_s)->rowCount(), 0);
    EXPECT_EQ(tree->GetPath(), u"c:\\"_s);
}

TEST_F(TreeCd, TheErrorLogWritesItsRecordAndShowsTheMessageUnlessSilent)
{
    show();
    const QString log = drives.programFolder() + u"\\ERROR_qvTree.txt"_s;
    tree->LogTreeError(u"tmr1"_s, 76, u"Path not found"_s, true);
    EXPECT_TRUE(dialog.messages().isEmpty());
    const QString first = QString::fromUtf8(drives.readFile(log));
    EXPECT_TRUE(first.contains(u"Modul: qvTree\r\n"_s));
    EXPECT_TRUE(first.contains(u"Prosedyre: tmr1\r\n"_s));

    dialog.queueAnswer(qv::Answer::OK);
    tree->LogTreeError(u"tvwDir_NodeClick"_s, 5, u"Invalid procedure call"_s, false);
    ASSERT_EQ(dialog.messages().size(), 1);
    const QString text = dialog.messages().at(0);
    EXPECT_TRUE(
        text.startsWith(u"Feil nr: 5\r\nBeskrivelse: Invalid procedure call\r\n\r\nModul: qvTree\r\n"_s));
    EXPECT_TRUE(text.contains(u"Feilmeldingene over er kopiert til filen ERROR_qvTree.txt,\r\n"_s));
    EXPECT_TRUE(text.contains(u"denne ligger i mappen til Kelvaro."_s));
    EXPECT_TRUE(
        dialog.transcript().join(u'\n').contains(u"En feil har oppstått. Programversion: 3.0.0003"_s));
    const QString both = QString::fromUtf8(drives.readFile(log));
    EXPECT_EQ(both.count(u"Modul: qvTree"_s), 2) << "records are appended";
}

} // namespace
