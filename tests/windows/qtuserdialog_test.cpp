#include "support/TempTree.h"
#include "windows/QtUserDialog.h"
#include "windows/frmBackup.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace qv;

namespace
{
// Presses the button with the given text on the message box that is about to open.
void pressLater(const QString &buttonText)
{
    QTimer::singleShot(0, [buttonText] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(u'&') == buttonText)
                    QTest::mouseClick(b, Qt::LeftButton);
        }
    });
}

QMessageBox *openBox()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    return nullptr;
}
} // namespace

TEST(QtUserDialog, NorwegianButtonsAnswerWhatWasPressed)
{
    QtUserDialog d;
    pressLater("Nei");
    EXPECT_EQ(d.messageBox("Vil du?", Buttons::YesNo, Icon::Question, "Backup", 1), Answer::No);
    pressLater("Avbryt");
    EXPECT_EQ(d.messageBox("Full", Buttons::OKCancel, Icon::Exclamation, "Backup", 1), Answer::Cancel);
    pressLater("Ja");
    EXPECT_EQ(d.messageBox("Lagre?", Buttons::YesNoCancel, Icon::Question, "Backup", 1), Answer::Yes);
}

TEST(QtUserDialog, TitleIconDefaultButtonAndEnterTakesTheDefault)
{
    QtUserDialog d;
    QString title, defaultText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = openBox();
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(d.messageBox("Tekst", Buttons::YesNo, Icon::Critical, "Kopiering avbrutt", 2), Answer::No);
    EXPECT_EQ(title, "Kopiering avbrutt");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(defaultText, "&Nei");
}

TEST(QtUserDialog, PromptGivesTheTypedTextOrEmptyOnCancel)
{
    QtUserDialog d;
    QTimer::singleShot(0, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dlg = qobject_cast<QInputDialog *>(w); dlg && dlg->isVisible()) {
                QLineEdit *edit = dlg->findChild<QLineEdit *>();
                edit->selectAll();
                QTest::keyClicks(edit, "Bilder");
                QTest::keyClick(edit, Qt::Key_Return);
            }
    });
    EXPECT_EQ(d.prompt("Skriv navn på den nye backupmalen.", "Backup", "[ Ny mal ]"), "Bilder");
    QTimer::singleShot(0, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dlg = qobject_cast<QInputDialog *>(w); dlg && dlg->isVisible())
                QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(d.prompt("Skriv navn", "Backup", "x"), "");
}

TEST(QtUserDialog, ScreenRefreshIsLimitedWhileEveryCallTakesInput)
{
    QtUserDialog d;
    qint64 now = 1000;
    d.setClock([&] { return now; });
    int refreshes = 0, taken = 0;
    d.setBeforeProcessEvents([&] { ++refreshes; });
    QObject input;
    const auto calls = [&](int n) {
        for (int i = 0; i < n; ++i) {
            QMetaObject::invokeMethod(
                &input, [&] { ++taken; }, Qt::QueuedConnection);
            d.processEvents();
        }
    };
    calls(100);
    EXPECT_EQ(refreshes, 1);
    now += QtUserDialog::kRefreshIntervalMs - 1;
    calls(100);
    EXPECT_EQ(refreshes, 1);
    now += 1;
    calls(100);
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(taken, 300);
}

TEST(QtUserDialog, TheScreenIsBroughtUpToDateBeforeEveryQuestion)
{
    QtUserDialog d;
    int refreshes = 0;
    d.setBeforeProcessEvents([&] { ++refreshes; });
    d.processEvents(); // refreshes, and starts the interval
    pressLater("OK");
    d.messageBox("Tekst", Buttons::OK, Icon::Information, "Backup",
                 1); // within the interval, still refreshed
    EXPECT_EQ(refreshes, 2);
}

TEST(QtUserDialog, BoxesAreCentredOnTheMainWindowAndHaveAccessLetters)
{
    qvtest::TempDrives drives;
    auto w = std::make_unique<frmBackup>();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QSignalSpy moved(w->windowHandle(), &QWindow::xChanged);
    w->move(40, 60);
    ASSERT_TRUE(moved.count() > 0 || moved.wait());
    // Another window had the focus and is gone: no window of ours is active.
    {
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
    }
    QPoint boxCentre;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = openBox();
        ASSERT_NE(box, nullptr);
        boxCentre = box->frameGeometry().center();
        QAbstractButton *no = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            texts << b->text();
            if (QKeySequence::mnemonic(b->text()) == QKeySequence(Qt::ALT | Qt::Key_N))
                no = b;
        }
        if (no)
            QTest::mouseClick(no, Qt::LeftButton);
        else
            box->reject();
    });
    EXPECT_EQ(w->userDialog().messageBox("Lagre?", Buttons::YesNoCancel, Icon::Question, "Backup", 1),
              Answer::No);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"&Avbryt", "&Ja", "&Nei"}));
    const QPoint mainCentre = w->frameGeometry().center();
    EXPECT_LE((boxCentre - mainCentre).manhattanLength(), 2)
        << boxCentre.x() << "," << boxCentre.y() << " vs " << mainCentre.x() << "," << mainCentre.y();
}
