// Progress bar: percentage and clamping, the no-repaint rule, the looks' geometry and
// mouse events.
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/qvProgress.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;

using qvKontrollerFelles::RGB;

namespace
{

QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b);
}

QRgb at(const qvProgress &bar, int x, int y)
{
    return bar.Surface().pixel(x, y) | 0xFF000000u;
}

} // namespace

TEST(ProgressPercent, HalvesToEvenAndZeroMaximum)
{
    EXPECT_EQ(qvProgress::PercentFor(37, 100), 37);
    EXPECT_EQ(qvProgress::PercentFor(1, 8), 12); // 12.5
    EXPECT_EQ(qvProgress::PercentFor(3, 8), 38); // 37.5
    EXPECT_EQ(qvProgress::PercentFor(1, 3), 33);
    EXPECT_EQ(qvProgress::PercentFor(2, 3), 67);
    EXPECT_EQ(qvProgress::PercentFor(100, 100), 100);
    EXPECT_EQ(qvProgress::PercentFor(5, 0), 0);
}

TEST(ProgressValue, ClampedToZeroAndMaximum)
{
    qvProgress bar;
    bar.resize(100, 15);
    bar.setValue(150);
    EXPECT_EQ(bar.Value(), 100);
    bar.setValue(-5);
    EXPECT_EQ(bar.Value(), 0);
    bar.setMaxValue(10);
    bar.setValue(7);
    EXPECT_EQ(bar.Value(), 7);
    // A lower maximum takes the value with it.
    bar.setMaxValue(5);
    EXPECT_EQ(bar.Value(), 5);
    EXPECT_EQ(bar.property("Value").toInt(), 5);
    bar.setProperty("Value", 3);
    EXPECT_EQ(bar.Value(), 3);
}

TEST(ProgressPaint, UnchangedPercentageIsNotRepainted)
{
    qvProgress bar;
    bar.resize(200, 15);
    bar.setMaxValue(1000);
    bar.setValue(100);
    const int afterTen = bar.PaintCount();
    bar.setValue(104); // still 10 %
    bar.setValue(105); // 10.5 % shows as 10 %
    EXPECT_EQ(bar.PaintCount(), afterTen);
    bar.setValue(106);
    EXPECT_EQ(bar.PaintCount(), afterTen + 1);
    // Other properties follow the same rule.
    bar.setStyle(1);
    EXPECT_EQ(bar.PaintCount(), afterTen + 1);
    bar.Refresh();
    EXPECT_EQ(bar.PaintCount(), afterTen + 2);
    bar.resize(220, 15);
    QSignalSpy resized(&bar, &qvProgress::Resize);
    bar.show();
    QApplication::processEvents();
    EXPECT_GE(bar.PaintCount(), afterTen + 3);
    EXPECT_EQ(resized.count(), 1);
}

TEST(ProgressPaint, ZeroPercentAlwaysPaints)
{
    qvProgress bar;
    bar.resize(100, 15);
    const int before = bar.PaintCount();
    bar.setValue(0);
    bar.setValue(0);
    EXPECT_EQ(bar.PaintCount(), before + 2);
}

TEST(ProgressLook, StyleZeroBlocksAreOnePixelApart)
{
    qvProgress bar;
    bar.resize(200, 15); // block width 15 / 3 = 5
    bar.setValue(37);    // filled width 74
    bar.Refresh();
    const QRgb a = rgb(171, 237, 172), b = rgb(46, 211, 49), white = rgb(255, 255, 255);
    for (int start : {2, 8, 14, 74}) {
        EXPECT_EQ(at(bar, start, 7), a) << start;     // outline left
        EXPECT_EQ(at(bar, start + 2, 7), b) << start; // fill
        EXPECT_EQ(at(bar, start + 4, 7), a) << start; // outline right
        EXPECT_EQ(at(bar, start + 5, 7), white) << start;
        EXPECT_EQ(at(bar, start + 2, 2), a) << start;  // top outline on row 2
        EXPECT_EQ(at(bar, start + 2, 12), a) << start; // bottom outline on row H - 3
        EXPECT_EQ(at(bar, start + 2, 13), white) << start;
    }
    EXPECT_EQ(at(bar, 82, 7), white);       // no block past the filled width
    EXPECT_EQ(at(bar, 0, 0), rgb(0, 0, 0)); // border
    EXPECT_EQ(at(bar, 1, 7), white);
}

TEST(ProgressLook, StyleTwoStartsInsideTheBorderOnlyWithBorder)
{
    qvProgress bar;
    bar.resize(100, 20);
    bar.setStyle(2);
    bar.setBorder(false);
    bar.setValue(50);
    bar.Refresh();
    EXPECT_EQ(at(bar, 0, 0), rgb(171, 237, 172));
    EXPECT_EQ(at(bar, 0, 10), rgb(46, 211, 49)); // the mirror point at half the height
    EXPECT_EQ(at(bar, 50, 5), rgb(255, 255, 255));

    bar.setBorder(true);
    bar.Refresh();
    EXPECT_EQ(at(bar, 0, 0), rgb(0, 0, 0));
    EXPECT_EQ(at(bar, 1, 1), rgb(171, 237, 172));
    EXPECT_EQ(at(bar, 48, 5) != rgb(255, 255, 255), true);
    EXPECT_EQ(at(bar, 49, 5), rgb(255, 255, 255)); // the band ends at f - 1
}

TEST(ProgressLook, StyleOneFillsTheShareLeftToRight)
{
    qvProgress bar;
    bar.resize(100, 10);
    bar.setStyle(1);
    bar.setValue(0);
    bar.Refresh();
    for (int x = 1; x < 99; ++x)
        ASSERT_EQ(at(bar, x, 5), rgb(255, 255, 255)) << x;
    bar.setValue(100);
    bar.Refresh();
    EXPECT_EQ(at(bar, 1, 5), rgb(171, 237, 172));
    EXPECT_NE(at(bar, 97, 5), rgb(255, 255, 255));
    EXPECT_EQ(at(bar, 99, 5), rgb(0, 0, 0));
}

TEST(ProgressLook, SegmentsOfStylesThreeToSixEverySevenPixels)
{
    qvProgress bar;
    bar.resize(100, 16);
    bar.setStyle(4);
    bar.setValue(30); // f = 30: segments at 4, 11, 18, 25
    bar.Refresh();
    const QRgb line = rgb(192, 64, 0);
    for (int x : {4, 11, 18, 25}) {
        EXPECT_EQ(at(bar, x, 3), line) << x;
        EXPECT_EQ(at(bar, x + 5, 12), line) << x;
        EXPECT_EQ(at(bar, x + 3, 4) != rgb(255, 255, 255), true) << x;
        EXPECT_EQ(at(bar, x + 6, 8), rgb(255, 255, 255)) << x; // one white column between
    }
    EXPECT_EQ(at(bar, 33, 8), rgb(255, 255, 255));
    EXPECT_EQ(at(bar, 1, 8), rgb(190, 190, 190)); // the frame
}

TEST(ProgressLook, PercentageTextOnlyWhenAsked)
{
    auto darkInMiddle = [](const qvProgress &bar) {
        int dark = 0;
        for (int y = 0; y < bar.height(); ++y)
            for (int x = bar.width() / 2 - 14; x < bar.width() / 2 + 19; ++x)
                dark += qGray(bar.Surface().pixel(x, y)) < 100;
        return dark;
    };
    qvProgress bar;
    bar.resize(200, 18);
    bar.setStyle(1);
    bar.setBorder(false);
    bar.setValue(10);
    bar.Refresh();
    EXPECT_EQ(darkInMiddle(bar), 0);
    bar.setViewPercent(true);
    bar.Refresh();
    EXPECT_GT(darkInMiddle(bar), 10);
}

TEST(ProgressMouse, ClickAndButtonEvents)
{
    qvProgress bar;
    bar.resize(100, 15);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy clicks(&bar, &qvProgress::Click);
    QSignalSpy downs(&bar, &qvProgress::MouseDown);
    QSignalSpy ups(&bar, &qvProgress::MouseUp);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 7));
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 1);
    EXPECT_EQ(downs.at(0).at(1).toInt(), 1);
    EXPECT_FLOAT_EQ(downs.at(0).at(2).toFloat(), 30.0f);
    EXPECT_FLOAT_EQ(downs.at(0).at(3).toFloat(), 7.0f);
    EXPECT_EQ(ups.count(), 1);
    QTest::mouseClick(&bar, Qt::RightButton, {}, QPoint(30, 7));
    EXPECT_EQ(downs.at(1).at(0).toInt(), 2);
}
