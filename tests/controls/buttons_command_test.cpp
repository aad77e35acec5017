#include "controls/buttons/qvCommand.h"
#include "controls/buttons_testutil.h"

#include <QKeyEvent>
#include <QSignalSpy>

using namespace qv;

using namespace buttonstest;

namespace
{

qvCommand *makeCommand(QWidget *parent, QRect geometry, int style = 5)
{
    auto *b = new qvCommand(parent);
    b->setGeometry(geometry);
    b->setStyle(style);
    b->setCaption(QStringLiteral("&Ok"));
    b->show();
    return b;
}

// Records the keys that reach the window behind a button.
struct KeyWindow : QWidget {
    QList<int> keys;
    void keyPressEvent(QKeyEvent *e) override { keys.append(e->key()); }
};

} // namespace

TEST(Command, DefaultsAndPropertiesByName)
{
    qvCommand b;
    EXPECT_EQ(b.Style(), 1);
    EXPECT_EQ(b.IconSpace(), 2);
    EXPECT_TRUE(b.FocusRectangle());
    EXPECT_TRUE(b.DefaultView());
    EXPECT_FALSE(b.SoftStyle());
    EXPECT_EQ(b.BackColor(), 0x8000000Fu);
    EXPECT_EQ(b.ForeColor(), 0x80000012u);
    EXPECT_EQ(b.qvToolTipTime(), 5000);
    EXPECT_EQ(b.font().family(), QStringLiteral("Tahoma"));
    // No mode, value, group or delay on a command button.
    EXPECT_EQ(b.metaObject()->indexOfProperty("Mode"), -1);
    EXPECT_EQ(b.metaObject()->indexOfProperty("qvToolTipDelayTime"), -1);

    EXPECT_TRUE(b.setProperty("Style", 5));
    EXPECT_TRUE(b.setProperty("Caption", QStringLiteral("&Tilføy")));
    EXPECT_TRUE(b.setProperty("Tooltip", QStringLiteral("Legg til")));
    EXPECT_EQ(b.Style(), 5);
    EXPECT_EQ(b.Caption(), QStringLiteral("&Tilføy"));
    EXPECT_EQ(b.qvToolTip(), QStringLiteral("Legg til"));
}

TEST(Command, CaptionFollowsTheNameUntilSet)
{
    qvCommand b;
    b.setObjectName(QStringLiteral("cmdKnapp"));
    EXPECT_EQ(b.Caption(), QStringLiteral("cmdKnapp"));
    b.setCaption(QString());
    b.setObjectName(QStringLiteral("annet"));
    EXPECT_EQ(b.Caption(), QString());
}

TEST(Command, EnterAndSpaceClickOtherKeysGoToTheWindow)
{
    KeyWindow w;
    w.setGeometry(100, 100, 200, 80);
    qvCommand *b = makeCommand(&w, {10, 10, 90, 25});
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    b->setFocus();
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy keyDown(b, &qvButtonBase::KeyDown);
    QSignalSpy keyPress(b, &qvButtonBase::KeyPress);

    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(click.count(), 2);
    QTest::keyClick(b, Qt::Key_Escape);
    QTest::keyClick(b, Qt::Key_A);
    EXPECT_EQ(click.count(), 2);
    EXPECT_EQ(w.keys, (QList<int>{Qt::Key_Escape, Qt::Key_A}));
    ASSERT_EQ(keyDown.count(), 4);
    EXPECT_EQ(keyDown.at(0).at(0).toInt(), 13);
    EXPECT_EQ(keyDown.at(3).at(0).toInt(), 65);
    // KeyPress carries the character.
    ASSERT_GE(keyPress.count(), 1);
    EXPECT_EQ(keyPress.last().at(0).toInt(), int('a'));
}

TEST(Command, ClickOnlyForAPressThatEndsInside)
{
    ShownForm f;
    qvCommand *b = makeCommand(&f.form, {10, 10, 90, 25});
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::mouseClick(b, Qt::LeftButton, {}, {45, 12});
    EXPECT_EQ(click.count(), 1);
    QTest::mousePress(b, Qt::LeftButton, {}, {45, 12});
    QTest::mouseMove(b, {45, 60});
    QTest::mouseRelease(b, Qt::LeftButton, {}, {45, 60});
    EXPECT_EQ(click.count(), 1);
}

TEST(CommandPaint, Style5States)
{
    QWidget host;
    qvCommand *b = makeCommand(&host, {0, 0, 100, 26});
    b->setCaption(QString());
    const int W = 100, H = 26, h = 13;

    QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 50, 0), QColor(107, 151, 202)));
    EXPECT_TRUE(colorNear(at(img, 0, 13), QColor(107, 151, 202)));
    EXPECT_TRUE(colorNear(at(img, 50, 1), QColor(229, 240, 255)));
    EXPECT_TRUE(colorNear(at(img, 50, h), QColor(207, 223, 243)));
    EXPECT_TRUE(colorNear(at(img, 50, H - 1), QColor(107, 151, 202)));

    img = b->renderFace(1);
    EXPECT_TRUE(colorNear(at(img, 50, 0), QColor(219, 206, 153)));
    EXPECT_TRUE(colorNear(at(img, 50, 1), QColor(255, 253, 243))); // inner outline
    EXPECT_TRUE(colorNear(at(img, 50, 2), QColor(255, 251, 210), 6));
    EXPECT_TRUE(colorNear(at(img, 50, h), QColor(255, 215, 76)));

    img = b->renderFace(2);
    EXPECT_TRUE(colorNear(at(img, 50, 2), QColor(222, 183, 136)));
    // Side lines under the translucent inner outline.
    EXPECT_TRUE(colorNear(at(img, 1, h + 3), QColor(252, 215, 155), 3));
    EXPECT_TRUE(colorNear(at(img, W - 2, h + 3), QColor(252, 215, 155), 3));
    EXPECT_TRUE(colorNear(at(img, W / 2, H - 2), QColor(252, 215, 155), 3));

    b->setEnabled(false);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 50, 0), QColor(182, 180, 167)));
    EXPECT_TRUE(colorNear(at(img, 50, 1), QColor(252, 252, 252)));
}

TEST(CommandPaint, DefaultLookOnlyWhenMarkedAndShown)
{
    QWidget host;
    qvCommand *b = makeCommand(&host, {0, 0, 100, 28});
    b->setCaption(QString());
    const QColor restTop(229, 240, 255);
    EXPECT_TRUE(colorNear(at(b->renderFace(0), 50, 1), restTop));

    b->setDefault(true);
    QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 50, 1), QColor(255, 252, 217)));
    // The band ends at H / 7 = 4.
    EXPECT_FALSE(colorNear(at(img, 50, 4), QColor(255, 215, 76), 30));
    EXPECT_FALSE(colorNear(at(img, 1, 1), QColor(255, 252, 217), 10)); // not over the corner
    EXPECT_TRUE(colorNear(at(b->renderFace(2), 50, 1), QColor(252, 211, 167)));

    b->setEnabled(false);
    EXPECT_TRUE(colorNear(at(b->renderFace(0), 50, 1), QColor(255, 255, 255)));

    b->setEnabled(true);
    b->setDefaultView(false);
    EXPECT_TRUE(colorNear(at(b->renderFace(0), 50, 1), restTop));
}

TEST(CommandPaint, PressedCaptionMovesOnePixel)
{
    QWidget host;
    qvCommand *b = makeCommand(&host, {0, 0, 100, 26}, 0); // a flat face: only the ink differs
    b->setBackColor(0xFFFFFF);
    b->setCaption(QStringLiteral("MMMM"));
    b->setForeColor(0x000000);
    auto inkBox = [](const QImage &img) {
        QRect box;
        for (int y = 4; y < img.height() - 4; ++y)
            for (int x = 4; x < img.width() - 4; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.red() + c.green() + c.blue() < 300)
                    box |= QRect(x, y, 1, 1);
            }
        return box;
    };
    const QRect rest = inkBox(b->renderFace(0));
    const QRect pressed = inkBox(b->renderFace(2));
    ASSERT_FALSE(rest.isEmpty());
    EXPECT_EQ(pressed, rest.translated(1, 1));
}

TEST(CommandPaint, DisabledCaptionIsEmbossedGrey)
{
    QWidget host;
    qvCommand *b = makeCommand(&host, {0, 0, 100, 26});
    b->setCaption(QStringLiteral("MMMM"));
    b->setForeColor(0x000000);
    EXPECT_TRUE(anyPixel(b->renderFace(0), QRect(20, 4, 60, 18), QColor(0, 0, 0), 40));
    b->setEnabled(false);
    const QImage img = b->renderFace(0);
    EXPECT_FALSE(anyPixel(img, QRect(20, 4, 60, 18), QColor(0, 0, 0), 60));
    EXPECT_TRUE(anyPixel(img, QRect(20, 4, 60, 18), QColor(160, 160, 160), 12));
}
