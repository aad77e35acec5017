#include "controls/buttons/qvCommand.h"
#include "support/EngineFixture.h"
#include "windows/frmUtelat.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace qv;
using qvtest::EngineTest;

class UtelatWindowTest : public EngineTest
{
protected:
    void SetUp() override
    {
        writeProgramFile("BackupUtelat.txt", "\"bak\"\r\n\"swp\"\r\n\"log\"\r\n");
        window = std::make_unique<frmUtelat>(engine().exclusions);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void click(int button) { QTest::mouseClick(window->cmdKnapp(button), Qt::LeftButton); }
    void type(const QString &text)
    {
        window->txtFiltype()->clear();
        QTest::keyClicks(window->txtFiltype(), text);
    }
    void selectRow(int row)
    {
        QListWidget *l = window->lstFiltyper();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
    std::unique_ptr<frmUtelat> window;
};

TEST_F(UtelatWindowTest, ShowsTheStoredListInFileOrder)
{
    EXPECT_EQ(window->windowTitle(), "Utelat filtyper");
    EXPECT_EQ(window->entries(), (QStringList{"bak", "swp", "log"}));
    EXPECT_FALSE(window->cmdKnapp(0)->isEnabled());
}

TEST_F(UtelatWindowTest, AddTrimsLowersAndPutsTheEntryOnTop)
{
    type("  ");
    EXPECT_FALSE(window->cmdKnapp(0)->isEnabled());
    type(" TMP ");
    EXPECT_TRUE(window->cmdKnapp(0)->isEnabled());
    click(0);
    EXPECT_EQ(window->entries(), (QStringList{"tmp", "bak", "swp", "log"}));
    EXPECT_TRUE(window->txtFiltype()->text().isEmpty());
    EXPECT_FALSE(window->cmdKnapp(0)->isEnabled());

    type("SWP");
    click(0);
    EXPECT_EQ(window->entries().size(), 4);         // already there in another case
    EXPECT_EQ(window->txtFiltype()->text(), "SWP"); // the text stays
}

TEST_F(UtelatWindowTest, RemoveSelectsTheRowThatMovedUp)
{
    click(1); // nothing selected: nothing happens
    EXPECT_EQ(window->entries().size(), 3);
    selectRow(1);
    click(1);
    EXPECT_EQ(window->entries(), (QStringList{"bak", "log"}));
    EXPECT_EQ(window->lstFiltyper()->currentRow(), 1);
    click(1); // the last row: nothing is selected afterwards
    EXPECT_EQ(window->entries(), QStringList{"bak"});
    EXPECT_TRUE(window->lstFiltyper()->selectedItems().isEmpty());
}

TEST_F(UtelatWindowTest, OkWritesTheShownOrderAndCancelLeavesTheFile)
{
    type("tmp");
    click(0);
    selectRow(3);
    click(1);
    click(3);
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), "\"bak\"\r\n\"swp\"\r\n\"log\"\r\n");
    EXPECT_EQ(window->result(), QDialog::Rejected);

    window = std::make_unique<frmUtelat>(engine().exclusions);
    window->show();
    type("tmp");
    click(0);
    click(2);
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), "\"tmp\"\r\n\"bak\"\r\n\"swp\"\r\n\"log\"\r\n");
    EXPECT_EQ(state().UtelatListe, (QStringList{"tmp", "bak", "swp", "log"}));
}

TEST_F(UtelatWindowTest, AnAccessKeyOfADisabledButtonTypesNothing)
{
    window->txtFiltype()->setFocus();
    QTest::keyClick(window->txtFiltype(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(window->txtFiltype()->text(), "");
    QTest::keyClick(window->txtFiltype(), Qt::Key_T);
    EXPECT_EQ(window->txtFiltype()->text(), "t");
}

TEST_F(UtelatWindowTest, AQuoteIsRefusedAndAnUnchangedListIsWrittenBackAsItWas)
{
    type("a\"b");
    dialog.queueAnswer(Answer::OK);
    click(0);
    EXPECT_EQ(dialog.messages(),
              QStringList{QString::fromUtf8("Filtypen kan ikke inneholde anførselstegn (\").")});
    EXPECT_EQ(window->entries(), (QStringList{"bak", "swp", "log"}));
    EXPECT_EQ(window->txtFiltype()->text(), "a\"b"); // left for the user to mend

    // A quote the user put into the file by hand survives OK on an unchanged list.
    const QByteArray handEdited = "\"bak\"\r\nfil\"x\r\n";
    writeProgramFile("BackupUtelat.txt", handEdited);
    window = std::make_unique<frmUtelat>(engine().exclusions);
    window->show();
    click(2);
    EXPECT_EQ(programFileBytes("BackupUtelat.txt"), handEdited);
    EXPECT_EQ(state().UtelatListe, (QStringList{"bak", "fil\"x"}));
}
