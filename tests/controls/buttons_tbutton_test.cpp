#include "controls/buttons/qvTButton.h"
#include "controls/buttons_testutil.h"
#include "support/TempTree.h"
#include "support/Timers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>

using namespace qv;

using namespace buttonstest;

namespace
{

qvTButton *makeButton(QWidget *parent, QRect geometry, int style = 9)
{
    auto *b = new qvTButton(parent);
    b->setGeometry(geometry);
    b->setStyle(style);
    b->setCaption(QStringLiteral("Start"));
    b->show();
    return b;
}

// Swallows the leave notices of a widget, so that only the pointer poll can see it go.
struct EatLeave : QObject {
    bool eventFilter(QObject *, QEvent *e) override { return e->type() == QEvent::Leave; }
};

// Runs the event loop for ms milliseconds without the 10 ms naps of QTest::qWait.
// How often a button looks where the pointer is.
constexpr int kPointerPoll = 100;

double median(std::vector<qint64> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return double(v[v.size() / 2]);
}

QString writePng(const QString &path, QSize size, QColor color)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(color);
    EXPECT_TRUE(img.save(path));
    return path;
}

} // namespace

// ---- pointer tracking ------------------------------------------------------------

TEST(TButtonPointer, HoverShowsAndLeavingRaisesMouseLeaveOnce)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    QSignalSpy leave(b, &qvButtonBase::MouseLeave);

    QTest::mouseMove(b, {40, 20});
    EXPECT_EQ(b->pointerState(), 1);
    const QImage hover = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(hover, 5, 2), QColor(255, 251, 213), 4));

    QTest::mouseMove(&f.form, {250, 120});
    EXPECT_TRUE(leave.count() == 1 || leave.wait(400));
    EXPECT_EQ(b->pointerState(), 0);
    qvtest::letTimersFire(2 * kPointerPoll);
    EXPECT_EQ(leave.count(), 1);
    // Back at rest style 9 paints no face.
    EXPECT_EQ(b->renderFace(b->pointerState()).pixelColor(40, 1).alpha(), 0);
}

TEST(TButtonPointer, PollSeesThePointerGoWithoutALeaveNotice)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    EatLeave eat;
    b->installEventFilter(&eat);
    QSignalSpy leave(b, &qvButtonBase::MouseLeave);

    QTest::mouseMove(b, {40, 20});
    ASSERT_EQ(b->pointerState(), 1);
    QTest::mouseMove(&f.form, {250, 120});
    // Seen by the poll, not at once.
    EXPECT_EQ(leave.count(), 0);
    EXPECT_EQ(b->pointerState(), 1);
    ASSERT_TRUE(leave.wait(5000));
    EXPECT_EQ(b->pointerState(), 0);
}

TEST(TButtonPointer, PressAndReleaseInsideClicksOnce)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy down(b, &qvButtonBase::MouseDown);
    QSignalSpy up(b, &qvButtonBase::MouseUp);

    QTest::mouseMove(b, {30, 20});
    QTest::mousePress(b, Qt::LeftButton, Qt::ShiftModifier, {30, 20});
    EXPECT_EQ(b->pointerState(), 2);
    EXPECT_EQ(qvButtonBase::pressedButton(), b);
    // Pressed style 9: the first shaded top line.
    EXPECT_TRUE(colorNear(at(b->grab().toImage(), 40, 1), QColor(182, 154, 120)));
    EXPECT_EQ(click.count(), 0);

    QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, {30, 20});
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(b->pointerState(), 1);
    EXPECT_EQ(qvButtonBase::pressedButton(), nullptr);
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down.at(0), (QVariantList{1, 1, 30, 20}));
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.at(0).at(0).toInt(), 1);
}

TEST(TButtonPointer, ReleaseOutsideDoesNotClickButComingBackDoes)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    QSignalSpy click(b, &qvButtonBase::Click);

    QTest::mousePress(b, Qt::LeftButton, {}, {30, 20});
    QTest::mouseMove(b, {200, 20}); // held: the move reaches the button
    EXPECT_EQ(b->pointerState(), 0);
    QTest::mouseRelease(b, Qt::LeftButton, {}, {200, 20});
    EXPECT_EQ(click.count(), 0);

    QTest::mousePress(b, Qt::LeftButton, {}, {30, 20});
    QTest::mouseMove(b, {200, 20});
    QTest::mouseMove(b, {35, 25});
    EXPECT_EQ(b->pointerState(), 2);
    QTest::mouseRelease(b, Qt::LeftButton, {}, {35, 25});
    EXPECT_EQ(click.count(), 1);
}

TEST(TButtonPointer, OtherButtonsAndDisabledButtonsDoNotClick)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy up(b, &qvButtonBase::MouseUp);

    QTest::mouseClick(b, Qt::RightButton, {}, {30, 20});
    EXPECT_EQ(click.count(), 0);
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.at(0).at(0).toInt(), 2);

    QTest::mouseMove(b, {30, 20});
    ASSERT_EQ(b->pointerState(), 1);
    b->setEnabled(false);
    EXPECT_EQ(b->pointerState(), 0); // no hover look left behind
    QTest::mouseClick(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_EQ(click.count(), 0);
}

TEST(TButtonPointer, DoubleClickIsASecondPress)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::mouseClick(b, Qt::LeftButton, {}, {30, 20});
    QTest::mouseDClick(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_EQ(b->pointerState(), 2);
    QTest::mouseRelease(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_EQ(click.count(), 2);
}

TEST(TButtonPointer, TooltipShowsAfterTheDelayAndGoesWithThePointer)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    qvTButton *plain = makeButton(&f.form, {100, 10, 80, 40}); // no tooltip text
    b->setQvToolTip(QStringLiteral("Start backup."));
    b->setQvToolTipHeader(QStringLiteral("Start"));
    b->setQvToolTipDelayTime(60);
    auto shownTips = [&] {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += w != &f.form && w->isVisible() ? 1 : 0;
        return n;
    };
    QTest::mouseMove(b, {20, 15});
    EXPECT_EQ(shownTips(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownTips() == 1; }, 2000));
    QTest::mouseMove(&f.form, {250, 120});
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownTips() == 0; }, 1000));

    QTest::mouseMove(plain, {20, 15});
    qvtest::letTimersFire(plain->qvToolTipDelayTime());
    EXPECT_EQ(shownTips(), 0);
}

// ---- modes ---------------------------------------------------------------------------

TEST(TButtonModes, ToggleButtonClicksGoingDownOnly)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setMode(1);
    QSignalSpy click(b, &qvButtonBase::Click);

    QTest::mouseClick(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_TRUE(b->Value());
    EXPECT_EQ(click.count(), 1);
    // Down shows state 2 also at rest.
    QTest::mouseMove(&f.form, {250, 120});
    EXPECT_TRUE(colorNear(at(b->grab().toImage(), 40, 1), QColor(182, 154, 120)));

    QTest::mouseClick(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 1);
}

TEST(TButtonModes, OptionGroupStaysExclusive)
{
    ShownForm f;
    QWidget *panel = new QWidget(&f.form); // groups reach into containers of the form
    panel->setGeometry(0, 60, 320, 50);
    panel->show();
    qvTButton *a = makeButton(&f.form, {10, 10, 60, 30});
    qvTButton *b = makeButton(&f.form, {80, 10, 60, 30});
    qvTButton *c = makeButton(panel, {10, 10, 60, 30});
    qvTButton *other = makeButton(&f.form, {150, 10, 60, 30});  // other group
    qvTButton *toggle = makeButton(&f.form, {220, 10, 60, 30}); // same id, a toggle
    for (qvTButton *x : {a, b, c})
        x->setMode(2), x->setGruppeID("Vis");
    other->setMode(2);
    other->setGruppeID("Annet");
    toggle->setMode(1);
    toggle->setGruppeID("Vis");
    QWidget otherForm; // same id on another form
    qvTButton *elsewhere = makeButton(&otherForm, {0, 0, 60, 30});
    elsewhere->setMode(2);
    elsewhere->setGruppeID("Vis");

    other->setValue(true);
    toggle->setValue(true);
    elsewhere->setValue(true);
    QSignalSpy clickA(a, &qvButtonBase::Click), clickB(b, &qvButtonBase::Click),
        clickC(c, &qvButtonBase::Click);

    QTest::mouseClick(a, Qt::LeftButton, {}, {20, 15});
    EXPECT_TRUE(a->Value());
    QTest::mouseClick(c, Qt::LeftButton, {}, {20, 15});
    EXPECT_TRUE(c->Value());
    EXPECT_FALSE(a->Value());
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(clickA.count(), 1);
    EXPECT_EQ(clickC.count(), 1);

    // Clicking the one that is down changes nothing.
    QTest::mouseClick(c, Qt::LeftButton, {}, {20, 15});
    EXPECT_TRUE(c->Value());
    EXPECT_EQ(clickC.count(), 1);

    // Setting Value in code keeps the group exclusive and clicks.
    b->setValue(true);
    EXPECT_TRUE(b->Value());
    EXPECT_FALSE(c->Value());
    EXPECT_EQ(clickB.count(), 1);
    // Letting an option button up in code raises nothing.
    b->setValue(false);
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(clickB.count(), 1);

    EXPECT_TRUE(other->Value());
    EXPECT_TRUE(elsewhere->Value());
    // Every button of the form with the group id goes up, a toggle button too.
    EXPECT_FALSE(toggle->Value());
}

TEST(TButtonModes, ValueInCode)
{
    QWidget form;
    qvTButton *b = makeButton(&form, {0, 0, 60, 30});
    QSignalSpy click(b, &qvButtonBase::Click);

    b->setValue(true); // mode 0: a click, no down state
    EXPECT_EQ(click.count(), 1);
    EXPECT_FALSE(b->Value());

    b->setMode(1);
    b->setValue(true);
    EXPECT_TRUE(b->Value());
    EXPECT_EQ(click.count(), 2);
    b->setValue(true); // down: a left click lets it up, without a Click
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 2);
    b->setValue(true);
    b->setValue(false);
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 4);
    b->setValue(false); // up already: Click all the same
    EXPECT_FALSE(b->Value());
    EXPECT_EQ(click.count(), 5);

    // By name, as a window sets its properties.
    EXPECT_TRUE(b->setProperty("Value", true));
    EXPECT_TRUE(b->property("Value").toBool());
}

// ---- repeat ------------------------------------------------------------------------

TEST(TButtonRepeat, Schedule)
{
    EXPECT_EQ(qvTButton::repeatInterval(0), 400);
    EXPECT_EQ(qvTButton::repeatInterval(1), 100);
    EXPECT_EQ(qvTButton::repeatInterval(9), 100);
    EXPECT_EQ(qvTButton::repeatInterval(10), 50);
    EXPECT_EQ(qvTButton::repeatInterval(24), 50);
    EXPECT_EQ(qvTButton::repeatInterval(25), 25);
    EXPECT_EQ(qvTButton::repeatInterval(49), 25);
    EXPECT_EQ(qvTButton::repeatInterval(50), 5);
    EXPECT_EQ(qvTButton::repeatInterval(500), 5);
}

TEST(TButtonRepeat, HeldButtonClicksFasterAndFaster)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setRepeat(true);
    QElapsedTimer t;
    std::vector<qint64> times;
    QObject::connect(b, &qvButtonBase::Click, [&] { times.push_back(t.elapsed()); });

    QTest::mousePress(b, Qt::LeftButton, {}, {30, 20});
    t.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return times.size() >= 60; }, 30000));
    const size_t held = times.size();
    QTest::mouseRelease(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_EQ(times.size(), held + 1); // the ordinary click on release
    qvtest::letTimersFire(qvTButton::repeatInterval(0));
    EXPECT_EQ(times.size(), held + 1); // and nothing after it

    // The steps of the schedule (TButtonRepeat.Schedule) come one after another; how
    // close the timers keep to it is the machine's affair, not a test's.
    auto gaps = [&](size_t from, size_t to) {
        std::vector<qint64> g;
        for (size_t i = from; i < to; ++i)
            g.push_back(times[i] - times[i - 1]);
        return g;
    };
    EXPECT_GT(median(gaps(1, 10)), median(gaps(10, 25)));
    EXPECT_GT(median(gaps(10, 25)), median(gaps(25, 50)));
    EXPECT_GT(median(gaps(25, 50)), median(gaps(50, held)));
}

TEST(TButtonRepeat, LeavingWhileHeldStopsTheRepeat)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setRepeat(true);
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::mousePress(b, Qt::LeftButton, {}, {30, 20});
    ASSERT_TRUE(click.wait(5000));
    const int before = click.count();
    QTest::mouseMove(b, {200, 20});
    qvtest::letTimersFire(qvTButton::repeatInterval(0)); // the longest step
    EXPECT_EQ(click.count(), before);
    QTest::mouseRelease(b, Qt::LeftButton, {}, {200, 20});
    EXPECT_EQ(click.count(), before);
}

TEST(TButtonRepeat, OnlyInModeZero)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setRepeat(true);
    b->setMode(1);
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::mousePress(b, Qt::LeftButton, {}, {30, 20});
    qvtest::letTimersFire(qvTButton::repeatInterval(0));
    EXPECT_EQ(click.count(), 0);
    QTest::mouseRelease(b, Qt::LeftButton, {}, {30, 20});
    EXPECT_EQ(click.count(), 1);
}

// ---- two-part button -----------------------------------------------------------------

TEST(TButtonDownPart, PressInTheRightSixteenPixelsRaisesDownClickOnly)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setDownButton(true);
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy downClick(b, &qvTButton::DownClick);

    // The down part is x > W - 16.
    for (int x : {79, 65}) {
        QTest::mousePress(b, Qt::LeftButton, Qt::ControlModifier, {x, 20});
        QTest::mouseRelease(b, Qt::LeftButton, {}, {x, 20});
    }
    EXPECT_EQ(click.count(), 0);
    ASSERT_EQ(downClick.count(), 2);
    EXPECT_EQ(downClick.at(0), (QVariantList{1, 2, 79, 20}));
    EXPECT_EQ(downClick.at(1).at(2).toInt(), 65);

    QTest::mouseClick(b, Qt::LeftButton, {}, {64, 20});
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(downClick.count(), 2);
}

TEST(TButtonDownPart, DrawnArrowAloneReportsDownClickAndStillClicks)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setDrawDownIcon(true);
    QSignalSpy click(b, &qvButtonBase::Click);
    QSignalSpy downClick(b, &qvTButton::DownClick);
    QTest::mouseClick(b, Qt::LeftButton, {}, {75, 20});
    EXPECT_EQ(downClick.count(), 1);
    EXPECT_EQ(click.count(), 1);
}

TEST(TButtonDownPart, HoverLightsThePartUnderThePointer)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setDownButton(true);
    QTest::mouseMove(b, {75, 20});
    ASSERT_TRUE(b->isOverDownPart());
    QImage img = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(img, 70, 2), QColor(255, 251, 213), 4)); // down part: hover band
    EXPECT_TRUE(colorNear(at(img, 5, 2), QColor(255, 254, 246), 4));  // main part: pale band

    QTest::mouseMove(b, {64, 20}); // x = W - D is still the main part
    EXPECT_FALSE(b->isOverDownPart());
    QTest::mouseMove(b, {30, 20});
    EXPECT_FALSE(b->isOverDownPart());
    img = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(img, 5, 2), QColor(255, 251, 213), 4));
    EXPECT_TRUE(colorNear(at(img, 70, 2), QColor(255, 254, 246), 4));
}

// ---- access key ----------------------------------------------------------------------

TEST(TButtonKeys, AccessKeyAndKeysClick)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 40});
    b->setCaption(QStringLiteral("F&ra mappe"));
    f.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    QSignalSpy click(b, &qvButtonBase::Click);
    QTest::keyClick(&f.form, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(click.count(), 1);
    QTest::keyClick(&f.form, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(click.count(), 1);

    b->setFocus();
    QSignalSpy keyDown(b, &qvButtonBase::KeyDown);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(click.count(), 2);
    QTest::keyClick(b, Qt::Key_Escape);
    EXPECT_EQ(click.count(), 2);
    ASSERT_EQ(keyDown.count(), 2);
    EXPECT_EQ(keyDown.at(0).at(0).toInt(), 32);
    EXPECT_EQ(keyDown.at(1).at(0).toInt(), 27);
}

// ---- pictures ------------------------------------------------------------------------

TEST(TButtonPaint, Style9Looks)
{
    QWidget host;
    qvTButton *b = makeButton(&host, {0, 0, 80, 40});
    const int W = 80, H = 40, h = 20;

    QImage img = b->renderFace(1);
    EXPECT_TRUE(colorNear(at(img, 5, 2), QColor(255, 251, 213), 4));
    EXPECT_TRUE(colorNear(at(img, 5, h), QColor(255, 215, 76)));
    EXPECT_TRUE(colorNear(at(img, 5, h - 1), QColor(255, 231, 141), 6));
    EXPECT_TRUE(colorNear(at(img, 40, 0), QColor(192, 167, 118, 155), 3)); // outer outline
    EXPECT_TRUE(colorNear(at(img, W - 2, H / 2), QColor(255, 255, 255)));  // inner outline

    img = b->renderFace(2);
    EXPECT_TRUE(colorNear(at(img, 40, 0), QColor(142, 129, 101)));
    EXPECT_TRUE(colorNear(at(img, 40, 1), QColor(182, 154, 120)));
    EXPECT_TRUE(colorNear(at(img, 40, 2), QColor(222, 183, 136)));
    EXPECT_TRUE(colorNear(at(img, 40, 3), QColor(245, 203, 155)));
    EXPECT_TRUE(colorNear(at(img, 1, H / 2), QColor(250, 191, 98)));
    EXPECT_TRUE(colorNear(at(img, W - 2, H / 2), QColor(250, 191, 98)));
    EXPECT_TRUE(colorNear(at(img, 40, H - 2), QColor(250, 191, 98)));
    // Corner gradients start deep orange at the top of the lower half.
    EXPECT_TRUE(colorNear(at(img, 2, h), QColor(249, 146, 45), 3));

    // Disabled and down: grey bands and outline.
    b->setMode(1);
    b->setValue(true);
    b->setEnabled(false);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 40, 0), QColor(140, 140, 140)));
    EXPECT_TRUE(colorNear(at(img, 40, 2), QColor(250, 250, 250)));
    // Disabled and up: no face at all.
    b->setValue(false);
    img = b->renderFace(0);
    EXPECT_EQ(at(img, 40, 1).alpha(), 0);
}

TEST(TButtonPaint, Style8FramesAndArrow)
{
    QWidget host;
    qvTButton *b = makeButton(&host, {0, 0, 80, 30}, 8);
    b->setCaption(QString());

    QImage img = b->renderFace(0);
    EXPECT_EQ(at(img, 0, 15).alpha(), 0); // rest: nothing

    img = b->renderFace(1);
    EXPECT_TRUE(colorNear(at(img, 0, 15), QColor(0, 0, 128)));
    EXPECT_TRUE(colorNear(at(img, 79, 15), QColor(0, 0, 128)));
    EXPECT_TRUE(colorNear(at(img, 40, 1), QColor(255, 241, 198)));

    img = b->renderFace(2);
    EXPECT_TRUE(colorNear(at(img, 40, 1), QColor(255, 175, 88)));

    b->setMode(1);
    b->setValue(true);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 0, 15), QColor(0, 0, 128)));
    EXPECT_TRUE(colorNear(at(img, 1, 15), QColor(255, 255, 255))); // white inner rectangle
    EXPECT_TRUE(colorNear(at(img, 40, 2), QColor(255, 211, 138)));

    // Two-part button, pointer over the down part: a frame around that part too.
    b->setValue(false);
    b->setDownButton(true);
    img = b->renderFace(1, true);
    EXPECT_TRUE(colorNear(at(img, 80 - 16, 15), QColor(0, 0, 128)));
    EXPECT_TRUE(colorNear(at(img, 30, 1), QColor(255, 241, 248)));
    EXPECT_TRUE(colorNear(at(img, 70, 1), QColor(255, 241, 198)));
    // The arrow sits in the middle of the down part.
    EXPECT_TRUE(anyPixel(img, QRect(80 - 16, 11, 16, 8), QColor(21, 66, 139), 2));
    EXPECT_FALSE(anyPixel(img, QRect(2, 2, 60, 26), QColor(21, 66, 139), 2));

    b->setEnabled(false);
    img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 0, 15), QColor(182, 182, 182)));
    EXPECT_TRUE(anyPixel(img, QRect(80 - 16, 11, 16, 8), QColor(150, 150, 150), 2));
}

TEST(TButtonPaint, PngIconPlacedFadedAndMissing)
{
    qvtest::TempDrives drives;
    drives.makeDir(QStringLiteral("C:\\Prog\\Res"));
    writePng(drives.host(QStringLiteral("C:\\Prog\\Res")) + "/Start.png", {32, 32}, QColor(200, 0, 0));

    QWidget host;
    qvTButton *b = makeButton(&host, {0, 0, 60, 40});
    b->setCaption(QString());
    b->setAlign(2);
    b->setDownButton(true);
    b->IconFromPNG(QStringLiteral("C:\\Prog\\Res\\Start.png"), 24);
    ASSERT_EQ(b->iconExtent(), QSize(24, 24));

    // Without a caption, Align 2: AlignSpace (3) left of the down part.
    QImage img = b->renderFace(0);
    const int right = 60 - 16 - 3 - 1;
    EXPECT_TRUE(colorNear(at(img, right, 20), QColor(200, 0, 0)));
    EXPECT_EQ(at(img, right + 1, 20).alpha(), 0);
    EXPECT_TRUE(colorNear(at(img, right - 23, 20), QColor(200, 0, 0)));
    EXPECT_EQ(at(img, right - 24, 20).alpha(), 0);

    b->setEnabled(false);
    img = b->renderFace(0);
    EXPECT_EQ(at(img, right - 10, 20).alpha(), 128);

    // A picture that is not there leaves the button without an icon, silently.
    b->setEnabled(true);
    b->IconFromPNG(QStringLiteral("C:\\Prog\\Res\\Mangler.png"), 24);
    EXPECT_TRUE(b->iconExtent().isEmpty());
    img = b->renderFace(0);
    EXPECT_FALSE(anyPixel(img, QRect(0, 0, 44, 40), QColor(200, 0, 0), 10));
}

TEST(TButtonPaint, CaptionMovesAsideForTheIcon)
{
    QTemporaryDir dir;
    const QString png = writePng(dir.path() + "/i.png", {16, 16}, QColor(0, 0, 200));
    QWidget host;
    qvTButton *b = makeButton(&host, {0, 0, 120, 30}, 1);
    b->setCaption(QStringLiteral("MMMM"));
    b->setForeColor(0x000000);
    b->setAlign(0);
    QImage img = b->renderFace(0);
    EXPECT_TRUE(anyPixel(img, QRect(3, 0, 3, 30), QColor(0, 0, 0), 90));

    b->IconFromPNG(png, 16);
    img = b->renderFace(0);
    // Icon at IconEdgeSpace on the left, caption from icon + edge + IconTextSpace on.
    EXPECT_TRUE(colorNear(at(img, 4, 15), QColor(0, 0, 200)));
    EXPECT_TRUE(colorNear(at(img, 19, 15), QColor(0, 0, 200)));
    EXPECT_FALSE(anyPixel(img, QRect(0, 0, 4 + 16 + 3, 30), QColor(0, 0, 0), 90));
    EXPECT_TRUE(anyPixel(img, QRect(23, 0, 3, 30), QColor(0, 0, 0), 90));
}

TEST(TButtonPaint, KeptLooksFollowEveryChange)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 80, 30}, 9);
    b->setCaption(QString());
    QTest::mouseMove(b, {20, 15});
    ASSERT_EQ(b->pointerState(), 1);
    EXPECT_TRUE(colorNear(at(b->grab().toImage(), 40, 3), QColor(255, 250, 208), 6));

    b->setStyle(8); // same look key, other painter
    QImage img = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(img, 40, 0), QColor(0, 0, 128)));

    b->resize(120, 30); // a kept face of the old size must not come back
    img = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(img, 119, 15), QColor(0, 0, 128)));

    b->setTransparentBG(false);
    b->setBackColor(0x00FF00); // green
    QTest::mouseMove(&f.form, {300, 150});
    img = b->grab().toImage();
    EXPECT_TRUE(colorNear(at(img, 60, 15), QColor(0, 255, 0)));
    b->setBackColor(0x0000FF);
    EXPECT_TRUE(colorNear(at(b->grab().toImage(), 60, 15), QColor(255, 0, 0)));

    b->setForeColor(0x000000);
    b->setCaption(QStringLiteral("MMMM"));
    img = b->grab().toImage();
    EXPECT_TRUE(anyPixel(img, QRect(30, 5, 60, 20), QColor(0, 0, 0), 90));
    b->setCaption(QStringLiteral("."));
    img = b->grab().toImage();
    EXPECT_FALSE(anyPixel(img, QRect(30, 5, 25, 20), QColor(0, 0, 0), 90));
}

TEST(TButtonPaint, IconFileSources)
{
    QTemporaryDir dir;
    QImage pic(32, 32, QImage::Format_ARGB32);
    pic.fill(QColor(0, 160, 0));
    ASSERT_TRUE(pic.save(dir.path() + "/a.ico"));
    ASSERT_TRUE(pic.save(dir.path() + "/a.bmp"));
    QWidget host;
    qvTButton *b = makeButton(&host, {0, 0, 40, 40}, 1);
    b->setCaption(QString());

    b->IconFromICO(dir.path() + "/a.ico", 16); // scaled to the size asked for
    EXPECT_EQ(b->iconExtent(), QSize(16, 16));
    QImage img = b->renderFace(0);
    EXPECT_TRUE(colorNear(at(img, 12, 12), QColor(0, 160, 0)));
    EXPECT_EQ(at(img, 11, 11).alpha(), 0);
    b->setEnabled(false); // the platform's disabled look: no longer green
    EXPECT_FALSE(colorNear(at(b->renderFace(0), 20, 20), QColor(0, 160, 0), 30));

    b->setEnabled(true);
    b->IconFromFile(dir.path() + "/a.bmp", 24);
    EXPECT_EQ(b->iconExtent(), QSize(24, 24));
    EXPECT_TRUE(colorNear(at(b->renderFace(0), 8, 8), QColor(0, 160, 0)));

    b->IconFromDLL(dir.path() + "/a.ico", 0, 20);
    EXPECT_EQ(b->iconExtent(), QSize(20, 20));
    b->IconFromDLL(dir.path() + "/a.ico", 5, 20); // no such icon number
    EXPECT_TRUE(b->iconExtent().isEmpty());

    // Without a source the default picture shows at its own size.
    QPixmap def(10, 6);
    def.fill(Qt::blue);
    b->setIconDefault(def);
    EXPECT_EQ(b->iconExtent(), QSize(10, 6));
    EXPECT_TRUE(colorNear(at(b->renderFace(0), 20, 20), QColor(0, 0, 255)));
}

TEST(TButtonPaint, UnderlinedCaptionLineRunsUnderTheText)
{
    ShownForm f;
    qvTButton *b = makeButton(&f.form, {10, 10, 90, 28}, 0);
    b->setCaption(QStringLiteral("&Avslutt"));
    QTemporaryDir dir;
    b->IconFromPNG(writePng(dir.path() + "/x.png", {16, 16}, Qt::red), 16); // style 0 leaves it out
    b->setTransparentBG(false);
    b->setBackColor(0xFFFFFF);
    b->grab();                   // at rest first, as on screen
    QTest::mouseMove(b, {5, 5}); // style 0 underlines its caption on hover
    ASSERT_EQ(b->pointerState(), 1);
    const QImage img = b->grab().toImage();
    auto ink = [&](int x, int y) { return img.pixelColor(x, y).blue() - img.pixelColor(x, y).red() > 100; };
    // The underline is the row with the most ink; the glyphs are the ink above it.
    int lineRow = -1, most = 0;
    for (int y = 0; y < img.height(); ++y) {
        int n = 0;
        for (int x = 0; x < img.width(); ++x)
            n += ink(x, y) ? 1 : 0;
        if (n > most)
            most = n, lineRow = y;
    }
    ASSERT_GT(most, 20);
    auto firstInk = [&](int fromRow, int toRow) {
        for (int x = 0; x < img.width(); ++x)
            for (int y = fromRow; y < toRow; ++y)
                if (ink(x, y))
                    return x;
        return -1;
    };
    EXPECT_NEAR(firstInk(lineRow, lineRow + 1), firstInk(0, lineRow - 1), 1);
}
