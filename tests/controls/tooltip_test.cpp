// Tooltip: text with "#" breaks, title and icon rules, colours, shapes, centring and the
// timing with real pointer events.
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/CTooltip.h"
#include "controls/panels/TooltipWindow.h"
#include "support/Timers.h"

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;

using qvKontrollerFelles::RGB;

namespace
{

TooltipWindow *windowOf(const CTooltip &tip)
{
    return static_cast<TooltipWindow *>(tip.TTWindow());
}

struct Shown {
    QWidget tool;
    CTooltip tip;
    Shown()
    {
        tool.resize(80, 24);
        tool.move(100, 100);
        tool.show();
        if (!QTest::qWaitForWindowExposed(&tool))
            ADD_FAILURE() << "tool window not exposed";
    }
};

} // namespace

TEST(TooltipText, HashBecomesLineBreak)
{
    Shown s;
    s.tip.setTTTipText(QStringLiteral("Lag zip#av filene"));
    EXPECT_EQ(s.tip.TTTipText(), QStringLiteral("Lag zip\nav filene"));
    s.tip.TTCreate(&s.tool);
    ASSERT_NE(windowOf(s.tip), nullptr);
    EXPECT_EQ(windowOf(s.tip)->text(), QStringLiteral("Lag zip\nav filene"));
    const int twoLines = windowOf(s.tip)->height();
    s.tip.setTTTipText(QStringLiteral("Lag zip av filene"));
    EXPECT_EQ(windowOf(s.tip)->text(), QStringLiteral("Lag zip av filene"));
    EXPECT_LT(windowOf(s.tip)->height(), twoLines);
}

TEST(TooltipTitle, TitleWithoutIconShownAtCreationButNotUpdated)
{
    Shown s;
    s.tip.setTTTitle(QStringLiteral("Mal"));
    s.tip.TTCreate(&s.tool);
    EXPECT_EQ(windowOf(s.tip)->title(), QStringLiteral("Mal"));
    s.tip.setTTTitle(QStringLiteral("Ny"));
    EXPECT_EQ(s.tip.TTTitle(), QStringLiteral("Ny"));
    EXPECT_EQ(windowOf(s.tip)->title(), QStringLiteral("Mal"));
    s.tip.setTTIcon(CTooltip::IconWarning);
    EXPECT_EQ(windowOf(s.tip)->title(), QStringLiteral("Ny"));
    EXPECT_EQ(windowOf(s.tip)->icon(), int(CTooltip::IconWarning));
    // An icon alone also makes a title line at creation.
    CTooltip iconOnly;
    iconOnly.setTTIcon(CTooltip::IconInfo);
    iconOnly.TTCreate(&s.tool);
    EXPECT_EQ(windowOf(iconOnly)->icon(), int(CTooltip::IconInfo));
}

TEST(TooltipColours, OwnColoursZeroForThePlatformsAtCreationBlackOnALiveTip)
{
    Shown s;
    s.tip.setTTBackColor(RGB(200, 0, 0));
    s.tip.setTTTipText(QStringLiteral("X"));
    s.tip.TTCreate(&s.tool);
    TooltipWindow *w = windowOf(s.tip);
    EXPECT_EQ(w->backColor(), QColor(200, 0, 0));
    const QImage shot = w->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(w->width() / 2, w->height() - 3)), QColor(200, 0, 0));
    s.tip.setTTForeColor(RGB(0, 0, 255));
    EXPECT_EQ(w->foreColor(), QColor(0, 0, 255));
    // On a live tip 0 is sent as it is: black.
    s.tip.setTTBackColor(0);
    EXPECT_EQ(QColor(w->grab().toImage().pixel(w->width() / 2, w->height() - 3)), QColor(0, 0, 0));
    s.tip.setTTForeColor(0);
    EXPECT_EQ(w->foreColor(), QColor(0, 0, 0));
    // At creation 0 keeps the platform's colours.
    s.tip.TTCreate(&s.tool);
    EXPECT_EQ(windowOf(s.tip)->backColor(), QApplication::palette().color(QPalette::ToolTipBase));
}

TEST(TooltipShape, BalloonHasTransparentCornersAndAStem)
{
    Shown s;
    s.tip.setTTTipText(QStringLiteral("Ballong"));
    s.tip.setTTStyle(CTooltip::Balloon);
    s.tip.TTCreate(&s.tool);
    const QPoint pointer = s.tool.mapToGlobal(QPoint(30, 12));
    s.tip.TTShowAt(pointer);
    TooltipWindow *w = windowOf(s.tip);
    ASSERT_TRUE(w->isBalloon());
    EXPECT_EQ(w->anchor(), pointer);
    EXPECT_EQ(w->geometry().top(), pointer.y()); // the stem's tip at the pointer
    const QImage shot = w->grab().toImage();
    const QRect body = w->bodyRect();
    EXPECT_EQ(qAlpha(shot.pixel(0, body.top())), 0);
    EXPECT_EQ(qAlpha(shot.pixel(w->width() - 1, w->height() - 1)), 0);
    EXPECT_EQ(qAlpha(shot.pixel(w->width() / 2, body.center().y())), 255);
    EXPECT_GT(qAlpha(shot.pixel(pointer.x() - w->x() + 2, 4)), 0); // the stem

    CTooltip square;
    square.setTTTipText(QStringLiteral("Firkant"));
    square.TTCreate(&s.tool);
    square.TTShowAt(pointer);
    const QImage squareShot = windowOf(square)->grab().toImage();
    EXPECT_EQ(qAlpha(squareShot.pixel(0, 0)), 255);
    EXPECT_GT(windowOf(square)->y(), pointer.y()); // below the pointer
}

TEST(TooltipShape, CentredTipSitsBelowTheMiddleOfItsWidget)
{
    Shown s;
    s.tip.setTTTipText(QStringLiteral("Midt"));
    s.tip.setTTCentered(true);
    s.tip.TTCreate(&s.tool);
    s.tip.TTShowAt(s.tool.mapToGlobal(QPoint(5, 5)));
    const QRect g = windowOf(s.tip)->geometry();
    const QPoint bottomMiddle = s.tool.mapToGlobal(QPoint(40, 24));
    EXPECT_NEAR(g.center().x(), bottomMiddle.x(), 1);
    EXPECT_EQ(g.top(), bottomMiddle.y());
}

TEST(TooltipTiming, ShowsAfterTheDelayAndHidesAfterTheVisibleTime)
{
    Shown s;
    s.tip.setTTTipText(QStringLiteral("Tips"));
    s.tip.setTTDelayTime(150);
    s.tip.setTTVisibleTime(300);
    s.tip.TTCreate(&s.tool);
    QTest::mouseMove(&s.tool, QPoint(10, 10));
    EXPECT_FALSE(s.tip.TTWindow()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.tip.TTWindow()->isVisible(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !s.tip.TTWindow()->isVisible(); }, 5000));
    // Not again until the pointer has left.
    QTest::mouseMove(&s.tool, QPoint(12, 10));
    qvtest::letTimersFire(150); // the delay
    EXPECT_FALSE(s.tip.TTWindow()->isVisible());
}

TEST(TooltipTiming, PressHidesAndLeavingCancels)
{
    Shown s;
    s.tip.setTTTipText(QStringLiteral("Tips"));
    s.tip.setTTDelayTime(50);
    s.tip.TTCreate(&s.tool);
    QTest::mouseMove(&s.tool, QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.tip.TTWindow()->isVisible(); }, 5000));
    QTest::mousePress(&s.tool, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(s.tip.TTWindow()->isVisible());
    QTest::mouseRelease(&s.tool, Qt::LeftButton, {}, QPoint(10, 10));

    CTooltip other;
    QWidget second;
    second.resize(50, 20);
    second.move(300, 300);
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    other.setTTTipText(QStringLiteral("Andre"));
    other.setTTDelayTime(100);
    other.TTCreate(&second);
    QTest::mouseMove(&second, QPoint(5, 5));
    QTest::mouseMove(&s.tool, QPoint(20, 10)); // leaves before the delay
    qvtest::letTimersFire(100);
    EXPECT_FALSE(other.TTWindow()->isVisible());
}

TEST(TooltipLifetime, CreateReplacesAndDestroyRemoves)
{
    Shown s;
    s.tip.TTCreate(&s.tool);
    QPointer<QWidget> first = s.tip.TTWindow();
    s.tip.TTCreate(&s.tool);
    EXPECT_TRUE(first.isNull());
    QPointer<QWidget> second = s.tip.TTWindow();
    ASSERT_FALSE(second.isNull());
    s.tip.TTDestroy();
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(s.tip.TTWindow(), nullptr);
    QPointer<QWidget> third;
    {
        CTooltip scoped;
        scoped.TTCreate(&s.tool);
        third = scoped.TTWindow();
    }
    EXPECT_TRUE(third.isNull());
    EXPECT_EQ(s.tip.TTDelayTime(), 500);
    EXPECT_EQ(s.tip.TTVisibleTime(), 5000);
}
