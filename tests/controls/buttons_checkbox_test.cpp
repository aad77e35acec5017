#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons_testutil.h"

#include <QSignalSpy>

using namespace qv;

using namespace buttonstest;

namespace
{

qvCheckBox *makeBox(QWidget *parent, QRect geometry, int style = 0)
{
    auto *b = new qvCheckBox(parent);
    b->setGeometry(geometry);
    b->setStyle(style);
    b->setCaption(QStringLiteral("In&kl. undermapper."));
    b->show();
    return b;
}

const QColor Green(33, 161, 33);
const QColor Rim(28, 81, 128);
const QColor Faded(182, 180, 167);

} // namespace

TEST(CheckBox, AsPlacedIsATransparentCheckBoxWithItsBoxAtTheLeft)
{
    ShownForm f;
    auto *b = new qvCheckBox(&f.form);
    b->setGeometry(10, 10, 150, 17);
    b->setCaption(QStringLiteral("MMMM"));
    b->setForeColor(0x000000);
    b->show();
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::mouseClick(b, Qt::LeftButton, {}, {5, 8});
    QTest::mouseClick(b, Qt::LeftButton, {}, {5, 8});
    EXPECT_EQ(click.count(), 2);
    EXPECT_FALSE(b->Value());
    b->setValue(true);
    const QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 0, 0), Rim));                      // square box at the left edge
    EXPECT_TRUE(colorNear(at(img, 5, 8), Green, 30));                // with its check mark
    EXPECT_EQ(at(img, 14, 16).alpha(), 0);                           // the form shows through
    EXPECT_FALSE(anyPixel(img, QRect(13, 0, 3, 17), Qt::black, 90)); // caption past 15 + 2
    EXPECT_TRUE(anyPixel(img, QRect(17, 0, 3, 17), Qt::black, 90));
    b->setEnabled(false);
    EXPECT_TRUE(anyPixel(b->renderFace(0), QRect(17, 0, 40, 17), Qt::black, 40)); // not greyed
}

TEST(CheckBox, ClickTogglesAndNotifiesBothWays)
{
    ShownForm f;
    qvCheckBox *b = makeBox(&f.form, {10, 10, 150, 17});
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy up(b, &qvButtonBase::MouseUp);
    QTest::mouseClick(b, Qt::LeftButton, {}, {5, 8});
    EXPECT_TRUE(b->Value());
    QTest::mouseClick(b, Qt::LeftButton, {}, {80, 8}); // the caption reacts too
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 2);
    EXPECT_EQ(up.count(), 2);
    // Right button: the window hears MouseUp, the value stays.
    QTest::mouseClick(b, Qt::RightButton, {}, {5, 8});
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 2);
    EXPECT_EQ(up.count(), 3);
}

TEST(CheckBox, ValueInCodeNotifiesOnChangeOnly)
{
    qvCheckBox b;
    QSignalSpy click(&b, &qvButtonBase::Click);
    b.setValue(true);
    b.setValue(true);
    EXPECT_EQ(click.count(), 1);
    EXPECT_TRUE(b.setProperty("Value", false));
    EXPECT_FALSE(b.Value());
    EXPECT_EQ(click.count(), 2);
}

TEST(CheckBox, KeysClickBeforeKeyDown)
{
    ShownForm f;
    qvCheckBox *b = makeBox(&f.form, {10, 10, 150, 17});
    b->setFocus();
    QStringList order;
    QObject::connect(b, &qvButtonBase::Click, [&] { order << QStringLiteral("Click"); });
    QObject::connect(b, &qvButtonBase::KeyDown,
                     [&](int code, int) { order << QStringLiteral("KeyDown %1").arg(code); });

    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_TRUE(b->Value());
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(order, (QStringList{"Click", "KeyDown 32", "Click", "KeyDown 13"}));

    // Mode 0: Enter notifies without a value change; Space does nothing.
    b->setMode(0);
    order.clear();
    QTest::keyClick(b, Qt::Key_Space);
    QTest::keyClick(b, Qt::Key_Enter);
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(order, (QStringList{"KeyDown 32", "Click", "KeyDown 13"}));
}

TEST(CheckBox, OptionGroupOfTheForm)
{
    ShownForm f;
    qvCheckBox *alle = makeBox(&f.form, {10, 10, 150, 17}, 2);
    qvCheckBox *endrede = makeBox(&f.form, {10, 30, 150, 17}, 2);
    qvCheckBox *chk = makeBox(&f.form, {10, 50, 150, 17}, 0); // a check box, same id below
    for (qvCheckBox *o : {alle, endrede})
        o->setMode(2), o->setGruppeID(QStringLiteral("Backup av"));
    alle->setValue(true);
    chk->setValue(true);
    chk->setGruppeID(QStringLiteral("Backup av"));
    QSignalSpy clickAlle(alle, &qvButtonBase::Click), clickEndrede(endrede, &qvButtonBase::Click);

    QTest::mouseClick(endrede, Qt::LeftButton, {}, {5, 8});
    EXPECT_TRUE(endrede->Value());
    EXPECT_FALSE(alle->Value());
    EXPECT_FALSE(chk->Value()); // every box of the form with the id goes up
    EXPECT_EQ(clickEndrede.count(), 1);
    EXPECT_EQ(clickAlle.count(), 0); // the one set up hears nothing

    // Space on the focused option selects it.
    alle->setFocus();
    QTest::keyClick(alle, Qt::Key_Space);
    EXPECT_TRUE(alle->Value());
    EXPECT_FALSE(endrede->Value());

    // Setting Value in code keeps the group exclusive.
    endrede->setValue(true);
    EXPECT_FALSE(alle->Value());
}

TEST(CheckBox, SelectedTabComesToTheFront)
{
    ShownForm f;
    qvCheckBox *a = makeBox(&f.form, {10, 10, 80, 24}, 4);
    qvCheckBox *b = makeBox(&f.form, {80, 10, 80, 24}, 4);
    for (qvCheckBox *t : {a, b})
        t->setMode(2);
    auto index = [&](QWidget *w) { return f.form.children().indexOf(w); };
    ASSERT_LT(index(a), index(b));
    a->setValue(true);
    EXPECT_GT(index(a), index(b)); // last child paints on top
    EXPECT_TRUE(a->Value());
}

TEST(CheckBoxPaint, SquareBox)
{
    QWidget host;
    qvCheckBox *b = makeBox(&host, {0, 0, 150, 17});
    QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 0, 0), Rim));
    EXPECT_TRUE(colorNear(at(img, 12, 12), Rim));
    EXPECT_EQ(at(img, 13, 6).alpha(), 0);
    EXPECT_EQ(at(img, 6, 13).alpha(), 0);
    EXPECT_TRUE(colorNear(at(img, 1, 1), QColor(215, 215, 210))); // four-corner gradient
    EXPECT_FALSE(anyPixel(img, QRect(1, 1, 11, 11), Green, 40));

    img = b->renderFace(1);
    EXPECT_TRUE(colorNear(at(img, 1, 1), QColor(255, 240, 207)));
    EXPECT_TRUE(colorNear(at(img, 3, 3), QColor(224, 224, 219))); // inner square
    EXPECT_TRUE(colorNear(at(b->renderFace(2), 1, 1), QColor(176, 176, 167)));

    b->setValue(true);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 5, 8), Green, 30)); // bottom of the check
    EXPECT_TRUE(colorNear(at(img, 9, 4), Green, 30)); // its right arm
    EXPECT_FALSE(anyPixel(img, QRect(1, 1, 2, 2), Green, 40));

    b->setEnabled(false);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 0, 0), Faded));
    EXPECT_TRUE(colorNear(at(img, 1, 1), QColor(255, 255, 255)));
    EXPECT_TRUE(colorNear(at(img, 5, 8), Faded, 30));
}

TEST(CheckBoxPaint, BoxAtTheRightEdge)
{
    QWidget host;
    qvCheckBox *b = makeBox(&host, {0, 0, 150, 17});
    b->setValue(true);
    // Any IconAlign other than 0 puts the box at the right.
    for (int align : {1, 2, 3}) {
        b->setIconAlign(align);
        const QImage img = b->renderFace(0);
        EXPECT_TRUE(colorNear(at(img, 149, 0), Rim)) << align;
        EXPECT_TRUE(colorNear(at(img, 150 - 13, 12), Rim)) << align;
        EXPECT_EQ(at(img, 150 - 14, 6).alpha(), 0) << align;
        EXPECT_TRUE(colorNear(at(img, 150 - 13 + 5, 8), Green, 30)) << align;
        EXPECT_FALSE(colorNear(at(img, 0, 0), Rim, 30)) << align;
    }
}

TEST(CheckBoxPaint, RoundBoxWithDot)
{
    QWidget host;
    qvCheckBox *b = makeBox(&host, {0, 0, 150, 17}, 2);
    b->setMode(2);
    QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 6, 0), Rim, 40)); // top of the circle
    EXPECT_EQ(at(img, 0, 0).alpha(), 0);            // corners stay clear
    EXPECT_FALSE(colorNear(at(img, 6, 6), Green, 60));
    b->setValue(true);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 6, 6), Green, 10));
    EXPECT_FALSE(colorNear(at(img, 2, 6), Green, 60));
    b->setIconAlign(3);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 150 - 8, 6), Green, 10));
}

TEST(CheckBoxPaint, CaptionStartsPastTheBoxAndGreysOnlyWhenAsked)
{
    QWidget host;
    qvCheckBox *b = makeBox(&host, {0, 0, 150, 17});
    b->setCaption(QStringLiteral("MMMM"));
    b->setForeColor(0x000000);
    QImage img = b->renderFace(0);
    const int left = 2 + 15;
    EXPECT_FALSE(anyPixel(img, QRect(13, 0, left - 13, 17), QColor(0, 0, 0), 90));
    EXPECT_TRUE(anyPixel(img, QRect(left, 0, 3, 17), QColor(0, 0, 0), 90));

    b->setEnabled(false);
    EXPECT_TRUE(anyPixel(b->renderFace(0), QRect(left, 0, 40, 17), QColor(0, 0, 0), 40));
    b->setGrayWhenDisabled(true);
    img = b->renderFace(0);
    EXPECT_FALSE(anyPixel(img, QRect(left, 0, 40, 17), QColor(0, 0, 0), 60));
}
