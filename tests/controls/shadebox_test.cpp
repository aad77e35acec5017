// Gradient panel and form background: stored properties, paint steps on the pixels,
// repaint rules, text placement, lines, free texts, the size grip and mouse input.
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "platform/base/PlatformError.h"
#include "support/Timers.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;

using namespace qvKontrollerFelles;
using GDIplusDraw::MakeArgb;

namespace
{

QRgb rgbOf(OleColor c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QRgb at(const QImage &img, int x, int y)
{
    return img.pixel(x, y) | 0xFF000000u;
}

bool close(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A plain white panel: both gradient colours white, no border.
void makePlain(qvShadeBox &box)
{
    box.setColorA(RGB(255, 255, 255));
    box.setColorB(RGB(255, 255, 255));
    box.setBorder(false);
}

// Rightmost and lowest columns/rows with text-dark pixels.
QRect ink(const QImage &img, int maxGray = 128)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < maxGray)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(ShadeBoxProperties, StoredNamesAndDefaults)
{
    qvShadeBox box;
    const QList<std::pair<const char *, QVariant>> expected = {{"FadeType", 1},
                                                               {"ColorA", RGB(255, 255, 255)},
                                                               {"ColorB", RGB(83, 136, 215)},
                                                               {"TriColorTL", RGB(171, 254, 237)},
                                                               {"TriColorTR", RGB(83, 136, 215)},
                                                               {"TriColorBL", RGB(83, 136, 215)},
                                                               {"TriColorBR", RGB(171, 254, 237)},
                                                               {"FadeDouble", false},
                                                               {"FadeDoublePoint", 50},
                                                               {"Border", true},
                                                               {"BorderColor", 0u},
                                                               {"BorderTopBottom", true},
                                                               {"Enabled", true},
                                                               {"Style", 0},
                                                               {"StatusBar", false},
                                                               {"Text", QString()},
                                                               {"TextColor", 0u},
                                                               {"TextAlign", 2},
                                                               {"TextFromTop", 3},
                                                               {"TextFromEdge", 3},
                                                               {"TextAlpha", false},
                                                               {"TextHoldAtTop", false},
                                                               {"Shadow", false},
                                                               {"ShadowSize", 4},
                                                               {"ShadowPressure", 6},
                                                               {"AlphaValue", 1},
                                                               {"PrintTextAmount", 1},
                                                               {"MousePointer", 0},
                                                               {"OLEDropMode", 0}};
    for (const auto &[name, value] : expected) {
        const QVariant actual = box.property(name);
        ASSERT_TRUE(actual.isValid()) << name;
        EXPECT_EQ(actual.toString(), value.toString()) << name;
    }
    EXPECT_EQ(box.Font(), box.QWidget::font());
}

TEST(ShadeBoxPaint, FadeDoubleMirrorsAtTheSplitPoint)
{
    qvShadeBox box;
    box.resize(200, 20);
    box.setFadeType(0);
    box.setFadeDouble(true);
    box.setBorder(false);
    box.Refresh();
    const QImage &img = box.Surface();
    EXPECT_EQ(at(img, 0, 10), rgbOf(box.ColorA()));
    EXPECT_EQ(at(img, 100, 10), rgbOf(box.ColorB()));
    EXPECT_TRUE(close(at(img, 199, 10), rgbOf(box.ColorA()), 3));
    EXPECT_TRUE(close(at(img, 99, 10), rgbOf(box.ColorB()), 3));

    box.setFadeDoublePoint(25);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 50, 10), rgbOf(box.ColorB()));

    box.setFadeType(1);
    box.setFadeDoublePoint(50);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 50, 0), rgbOf(box.ColorA()));
    EXPECT_EQ(at(box.Surface(), 50, 10), rgbOf(box.ColorB()));
}

TEST(ShadeBoxPaint, FourCornerDefaultsMintAndBlue)
{
    qvShadeBox box;
    box.resize(200, 100);
    box.setFadeType(2);
    box.setBorder(false);
    box.Refresh();
    const QImage &img = box.Surface();
    const QRgb mint = rgbOf(RGB(171, 254, 237)), blue = rgbOf(RGB(83, 136, 215));
    EXPECT_EQ(at(img, 0, 0), mint);
    EXPECT_TRUE(close(at(img, 199, 99), mint, 2));
    EXPECT_TRUE(close(at(img, 199, 0), blue, 2));
    EXPECT_TRUE(close(at(img, 0, 99), blue, 2));
}

TEST(ShadeBoxPaint, BorderOnTheOuterPixels)
{
    qvShadeBox box;
    box.resize(50, 20);
    makePlain(box);
    box.setBorder(true);
    box.setBorderColor(RGB(200, 0, 0));
    box.Refresh();
    const QImage &img = box.Surface();
    for (const QPoint p :
         {QPoint(0, 0), QPoint(49, 0), QPoint(49, 19), QPoint(0, 19), QPoint(25, 0), QPoint(0, 10)})
        EXPECT_EQ(at(img, p.x(), p.y()), qRgb(200, 0, 0));
    EXPECT_EQ(at(img, 1, 1), qRgb(255, 255, 255));
}

TEST(ShadeBoxPaint, OnlyTextChangesRepaintAtOnce)
{
    qvShadeBox box;
    box.resize(100, 20);
    box.setFadeType(0);
    box.setBorder(false);
    box.Refresh();
    const int count = box.PaintCount();
    const QRgb before = at(box.Surface(), 0, 10);
    box.setColorA(RGB(255, 0, 0));
    EXPECT_EQ(box.PaintCount(), count);
    EXPECT_EQ(at(box.Surface(), 0, 10), before);
    QSignalSpy changed(&box, &qvShadeBox::PropertyChanged);
    box.setText(QStringLiteral("Søker etter alle filer..."));
    EXPECT_EQ(box.PaintCount(), count + 1);
    EXPECT_EQ(at(box.Surface(), 0, 10), qRgb(255, 0, 0));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Text"));
}

TEST(ShadeBoxPaint, EveryNewTextIsLaidOutAgain)
{
    qvShadeBox box;
    box.resize(300, 24);
    makePlain(box);
    box.setTextAlign(0);
    box.setText(QStringLiteral("Mal"));
    const int shortText = ink(box.Surface()).width();
    box.setText(QStringLiteral("Sikkerhetskopiering fullført."));
    EXPECT_GT(ink(box.Surface()).width(), 2 * shortText);
    box.setTextColor(RGB(255, 0, 0));
    box.Refresh();
    const QRect text = ink(box.Surface(), 200);
    bool red = false;
    for (int x = text.left(); x <= text.right() && !red; ++x)
        for (int y = text.top(); y <= text.bottom() && !red; ++y) {
            const QRgb px = box.Surface().pixel(x, y);
            red = qRed(px) > 200 && qGreen(px) < 60;
        }
    EXPECT_TRUE(red);
    box.setText(QString());
    EXPECT_TRUE(ink(box.Surface(), 250).isEmpty());
}

TEST(ShadeBoxPaint, RefreshingRepaintsOnceAfterTheDelay)
{
    qvShadeBox box;
    box.resize(100, 20);
    QSignalSpy resized(&box, &qvShadeBox::Resize);
    const int count = box.PaintCount();
    box.Refreshing(30);
    EXPECT_EQ(box.PaintCount(), count);
    ASSERT_TRUE(resized.wait(5000));
    EXPECT_EQ(box.PaintCount(), count + 1);
    qvtest::letTimersFire(30); // once, not again
    EXPECT_EQ(resized.count(), 1);
}

TEST(ShadeBoxText, LongTextWrapsAtWords)
{
    qvShadeBox box;
    box.resize(120, 80);
    makePlain(box);
    box.setTextAlign(0);
    box.setText(QStringLiteral("Sikkerhetskopiering til zip-fil avbrutt nå"));
    const QRect text = ink(box.Surface());
    const QFontMetrics fm(box.Font());
    EXPECT_GE(text.left(), 3);
    EXPECT_LE(text.right(), 120 - 3);
    EXPECT_GT(text.height(), fm.height());
}

TEST(ShadeBoxText, RightAlignedStatusBarTextClearsTheGrip)
{
    for (const bool alpha : {false, true}) {
        QWidget window;
        window.resize(300, 100);
        qvShadeBox box(&window);
        box.resize(300, 24);
        box.setAlign(qvShadeBox::AlignBottom);
        box.setStatusBar(true);
        ASSERT_TRUE(box.StatusBar());
        makePlain(box);
        box.setTextAlpha(alpha);
        box.setTextColor(RGB(0, 0, 0));
        box.setText(QStringLiteral("Sikkerhetskopiering fullført. ..."));
        // The grip's dark strokes are left out of the text box: look left of it.
        QImage img = box.Surface().copy(0, 0, 300 - 12, 24);
        const QRect text = ink(img);
        ASSERT_FALSE(text.isEmpty()) << alpha;
        EXPECT_LE(text.right(), 300 - 3 - 12 - 1) << alpha;
        EXPECT_GE(text.right(), 300 - 3 - 12 - 4) << alpha;
        EXPECT_EQ(box.geometry(), QRect(0, 76, 300, 24));
    }
}

TEST(ShadeBoxText, DisabledTextIsGrey)
{
    qvShadeBox box;
    box.resize(200, 24);
    makePlain(box);
    box.setTextAlign(0);
    box.setEnabledProperty(false);
    box.setText(QStringLiteral("XXXX"));
    const QRect text = ink(box.Surface(), 250);
    ASSERT_FALSE(text.isEmpty());
    int darkest = 255;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            darkest = std::min(darkest, qGray(box.Surface().pixel(x, y)));
    EXPECT_GT(darkest, 40); // grey, not black
}

TEST(ShadeBoxStatusBar, OnlyKeptOnAPanelDockedAtTheBottom)
{
    QWidget window;
    window.resize(200, 100);
    qvShadeBox box(&window);
    box.setStatusBar(true);
    EXPECT_FALSE(box.StatusBar());
    box.setAlign(qvShadeBox::AlignTop);
    box.setStatusBar(true);
    EXPECT_FALSE(box.StatusBar());
    box.setAlign(qvShadeBox::AlignBottom);
    box.setStatusBar(true);
    EXPECT_TRUE(box.StatusBar());
    // Docked panels follow their window.
    window.show();
    window.resize(240, 120);
    EXPECT_EQ(box.geometry().bottom(), 119);
    EXPECT_EQ(box.width(), 240);
}

TEST(ShadeBoxStatusBar, GripStrokesWhiteThenDarkenedColourB)
{
    QWidget window;
    window.resize(100, 60);
    qvShadeBox box(&window);
    box.resize(100, 20);
    box.setAlign(qvShadeBox::AlignBottom);
    box.setStatusBar(true);
    box.setColorB(RGB(30, 100, 200));
    box.Refresh();
    const QImage &img = box.Surface();
    const QRgb dark = qRgb(0, 60, 160);
    EXPECT_EQ(at(img, 98, 18), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 97, 17), dark);
    EXPECT_EQ(at(img, 94, 18), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 93, 17), dark);
    EXPECT_EQ(at(img, 98, 10), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 97, 9), dark);
}

TEST(ShadeBoxStatusBar, DraggingTheGripResizesTheWindow)
{
    QWidget window;
    window.resize(300, 200);
    qvShadeBox box(&window);
    box.resize(300, 20);
    box.setAlign(qvShadeBox::AlignBottom);
    box.setStatusBar(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QTest::mouseMove(&box, QPoint(295, 15));
    EXPECT_EQ(box.cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(&box, QPoint(100, 10));
    EXPECT_EQ(box.cursor().shape(), Qt::ArrowCursor);

    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(295, 15));
    QTest::mouseMove(&box, QPoint(325, 35));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, box.mapFromGlobal(window.mapToGlobal(QPoint(320, 220))));
    EXPECT_EQ(window.size(), QSize(330, 220));
    // Released: moving on no longer resizes.
    QTest::mouseMove(&box, QPoint(100, 10));
    EXPECT_EQ(window.size(), QSize(330, 220));
}

TEST(ShadeBoxMouse, ClickAndButtonEvents)
{
    qvShadeBox box;
    box.resize(100, 20);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clicks(&box, &qvShadeBox::Click);
    QSignalSpy doubles(&box, &qvShadeBox::DblClick);
    QSignalSpy downs(&box, &qvShadeBox::MouseDown);
    QTest::mouseClick(&box, Qt::LeftButton, Qt::ControlModifier, QPoint(12, 5));
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 1);
    EXPECT_EQ(downs.at(0).at(1).toInt(), 2);
    EXPECT_FLOAT_EQ(downs.at(0).at(2).toFloat(), 12.0f);
    QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(12, 5));
    EXPECT_EQ(doubles.count(), 1);
}

TEST(ShadeBoxMouse, TakesTheMouseAndDropsWhenAsked)
{
    qvShadeBox box;
    box.resize(100, 20);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.AllowMove(false);
    EXPECT_EQ(QWidget::mouseGrabber(), &box);
    box.releaseMouse();

    QMimeData mime;
    mime.setText(QStringLiteral("C:\\Data"));
    QSignalSpy drops(&box, &qvShadeBox::OLEDragDrop);
    auto dragAndDrop = [&](QPointF at, Qt::KeyboardModifiers modifiers) {
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
        QApplication::sendEvent(&box, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
        if (accepted)
            QApplication::sendEvent(&box, &drop);
        return accepted;
    };
    EXPECT_FALSE(dragAndDrop(QPointF(5, 5), {}));
    box.setOLEDropMode(1);
    EXPECT_TRUE(dragAndDrop(QPointF(7, 9), Qt::ShiftModifier));
    ASSERT_EQ(drops.count(), 1);
    EXPECT_EQ(drops.at(0).at(2).toInt(), 1);
    EXPECT_EQ(drops.at(0).at(3).toInt(), 1);
    EXPECT_FLOAT_EQ(drops.at(0).at(4).toFloat(), 7.0f);
}

TEST(ShadeBoxLines, AlphaAboveRangeIsCutAndPositionsAreColumns)
{
    qvShadeBox box;
    box.resize(60, 30);
    makePlain(box);
    box.Lines({10, 20}, RGB(0, 0, 0), 300, false);
    box.Refresh();
    const QImage &img = box.Surface();
    EXPECT_EQ(at(img, 10, 2), qRgb(0, 0, 0));
    EXPECT_EQ(at(img, 20, 26), qRgb(0, 0, 0)); // down to H - 4
    EXPECT_EQ(at(img, 10, 1), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 10, 27), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 15, 10), qRgb(255, 255, 255));
    EXPECT_EQ(at(img, 11, 10), qRgb(255, 255, 255));

    box.Lines({10}, RGB(0, 0, 0), 128, false);
    box.Refresh();
    EXPECT_NEAR(qRed(at(box.Surface(), 10, 10)), 127, 2);
    EXPECT_EQ(at(box.Surface(), 20, 10), qRgb(255, 255, 255)); // the list was replaced

    box.Lines({5}, RGB(0, 0, 255), 255, true);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 2, 5), qRgb(0, 0, 255));
    EXPECT_EQ(at(box.Surface(), 56, 5), qRgb(0, 0, 255)); // to W - 4
    EXPECT_EQ(at(box.Surface(), 57, 5), qRgb(255, 255, 255));
}

TEST(ShadeBoxFreeText, SlotsAndSubscriptError)
{
    qvShadeBox box;
    box.resize(200, 40);
    makePlain(box);
    try {
        box.PrintText(1, 0, 0, 100, 20, QStringLiteral("X"), QStringLiteral("Sans"), 10, 0, 0, 0xFF000000u, 4,
                      true);
        FAIL() << "slot 1 of 1 accepted";
    } catch (const qv::PlatformError &e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_THROW(box.PrintText(-1, 0, 0, 1, 1, {}, {}, 10, 0, 0, 0, 0, false), qv::PlatformError);

    box.setPrintTextAmount(7);
    box.PrintText(0, 0, 0, 60, 40, QStringLiteral("0"), QStringLiteral("Sans"), 14, 1, 0, 0xFF000000u, 4,
                  true);
    box.PrintText(6, 100, 0, 100, 40, QStringLiteral("XX"), QStringLiteral("Sans"), 14, 1, 0, 0xFF000000u, 4,
                  true);
    box.Refresh();
    const QImage &img = box.Surface();
    EXPECT_TRUE(ink(img.copy(0, 0, 100, 40)).isEmpty()); // a slot reading as 0 is left out
    EXPECT_FALSE(ink(img.copy(100, 0, 100, 40)).isEmpty());
}

TEST(ShadeBoxLooks, FixedSchemeLines)
{
    qvShadeBox box;
    box.resize(80, 30);
    box.setStyle(3);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 40, 0), qRgb(41, 132, 230));
    EXPECT_EQ(at(box.Surface(), 40, 1), qRgb(255, 255, 255));
    EXPECT_EQ(at(box.Surface(), 40, 29), qRgb(109, 169, 238));
    EXPECT_EQ(at(box.Surface(), 0, 10), qRgb(118, 179, 240));
    EXPECT_EQ(at(box.Surface(), 40, 15), qRgb(118, 179, 240)); // second band starts at 50 %
    box.setBorderTopBottom(false);
    box.setBorder(false);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 40, 0), qRgb(218, 238, 255));
    EXPECT_EQ(at(box.Surface(), 0, 10) != qRgb(118, 179, 240), true);

    box.setStyle(6); // left to right
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 0, 15), qRgb(239, 239, 239));
    EXPECT_TRUE(close(at(box.Surface(), 79, 15), qRgb(202, 202, 202), 1));
}

TEST(ShadeBoxLooks, NestedOutlinesOfStylesNineAndTen)
{
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 10));
    parent.setPalette(pal);
    parent.resize(120, 60);
    qvShadeBox box(&parent);
    box.resize(100, 40);
    box.setStyle(9);
    box.Refresh();
    // The second outline shares the sides and the bottom of the first: only the top
    // row keeps the outermost colour.
    EXPECT_EQ(at(box.Surface(), 50, 0), qRgb(49, 81, 102));
    EXPECT_EQ(at(box.Surface(), 50, 1), qRgb(66, 110, 138));
    EXPECT_EQ(at(box.Surface(), 0, 20), qRgb(66, 110, 138));
    EXPECT_EQ(at(box.Surface(), 50, 39), qRgb(66, 110, 138));
    EXPECT_EQ(at(box.Surface(), 1, 20), qRgb(79, 131, 165));
    EXPECT_EQ(at(box.Surface(), 50, 3), qRgb(88, 145, 183));
    EXPECT_EQ(at(box.Surface(), 50, 20), qRgb(92, 152, 191));
    box.setStyle(10);
    box.Refresh();
    EXPECT_EQ(at(box.Surface(), 0, 0), qRgb(10, 200, 10)); // the window shows in the round corner
    EXPECT_EQ(at(box.Surface(), 50, 20), qRgb(92, 152, 191));
}

TEST(ShadeBoxLooks, ShadowRightOfAndBelowThePanel)
{
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    parent.setPalette(pal);
    parent.resize(120, 60);
    qvShadeBox box(&parent);
    box.resize(100, 40);
    makePlain(box);
    box.setShadow(true);
    box.Refresh();
    EXPECT_EQ(box.PanelSize(), QSize(96, 36));
    const QImage &img = box.Surface();
    EXPECT_EQ(at(img, 95, 20), qRgb(255, 255, 255)); // the panel
    const int next = qGray(at(img, 96, 20)), outer = qGray(at(img, 98, 20));
    EXPECT_LT(next, 200);
    EXPECT_LT(next, outer); // darkest next to the panel
    EXPECT_LT(qGray(at(img, 50, 36)), 200);
    EXPECT_EQ(at(img, 99, 1), qRgb(255, 255, 255)); // above the shadow: the background
}

TEST(ShadeBoxLooks, SeeThroughBlendsTheContainingPanel)
{
    qvShadeBox outer;
    outer.resize(100, 60);
    outer.setFadeType(0);
    outer.setColorA(RGB(255, 0, 0));
    outer.setColorB(RGB(0, 0, 255));
    outer.setBorder(false);
    outer.Refresh();
    qvShadeBox inner(&outer);
    inner.setGeometry(10, 10, 50, 30);
    makePlain(inner);
    inner.setAlphaValue(255);
    inner.Refresh();
    EXPECT_EQ(at(inner.Surface(), 5, 5), at(outer.Surface(), 15, 15));
    inner.setAlphaValue(128);
    inner.Refresh();
    const QRgb half = at(inner.Surface(), 5, 5), behind = at(outer.Surface(), 15, 15);
    EXPECT_NEAR(qRed(half), (qRed(behind) + 255) / 2, 3);
    EXPECT_NEAR(qGreen(half), 128, 3);
    inner.setAlphaValue(1);
    inner.Refresh();
    EXPECT_EQ(at(inner.Surface(), 5, 5), qRgb(255, 255, 255));
}

TEST(ShadeForm, StoredNamesAndDefaults)
{
    QWidget window;
    qvShadeForm form(&window);
    EXPECT_EQ(form.property("FadeType").toInt(), 0);
    EXPECT_EQ(form.property("ColorA").toUInt(), RGB(255, 255, 255));
    EXPECT_EQ(form.property("ColorB").toUInt(), RGB(255, 255, 0));
    EXPECT_EQ(form.property("TriColorTL").toUInt(), RGB(255, 224, 192));
    EXPECT_EQ(form.property("TriColorTR").toUInt(), RGB(255, 255, 192));
    EXPECT_EQ(form.property("TriColorBL").toUInt(), RGB(255, 192, 128));
    EXPECT_EQ(form.property("TriColorBR").toUInt(), RGB(255, 255, 128));
    EXPECT_EQ(form.property("Destinasjon").toInt(), 0);
    EXPECT_FALSE(form.property("FadeDouble").toBool());
    EXPECT_FALSE(form.property("Border").toBool());
    EXPECT_EQ(form.property("BorderColor").toUInt(), 0u);
    EXPECT_TRUE(form.property("Enabled").toBool());
    form.resize(200, 200);
    EXPECT_EQ(form.size(), QSize(29, 29));
    window.show();
    EXPECT_FALSE(form.isVisible());
}

TEST(ShadeForm, RefreshPaintsTheWindowOnceOnTheNextTurn)
{
    QWidget window;
    window.resize(201, 50);
    qvShadeForm form(&window);
    form.setFadeDouble(true);
    form.setColorA(RGB(255, 0, 0));
    form.setColorB(RGB(0, 0, 255));
    form.Refresh();
    form.Refresh();
    form.Refresh();
    EXPECT_EQ(form.PaintCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PaintCount() > 0; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(form.PaintCount(), 1);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(at(shot, 0, 10), qRgb(255, 0, 0));
    EXPECT_EQ(at(shot, 100, 10), qRgb(0, 0, 255)); // 100.5 rounds to the even 100
    EXPECT_TRUE(close(at(shot, 200, 10), qRgb(255, 0, 0), 3));

    form.setEnabledProperty(false);
    form.PaintTarget();
    const QImage cleared = window.grab().toImage();
    EXPECT_EQ(at(cleared, 0, 10), window.palette().color(QPalette::Window).rgb());
}

TEST(ShadeForm, PictureBoxTargetWithBorder)
{
    QWidget window;
    window.resize(200, 100);
    QWidget box(&window);
    box.setGeometry(20, 20, 100, 50);
    qvShadeForm form(&window);
    form.setDestinasjon(1);
    form.setBoxName(&box);
    form.setFadeType(2);
    form.setBorder(true);
    form.setBorderColor(RGB(0, 0, 200));
    form.PaintTarget();
    EXPECT_EQ(form.Target(), &box);
    const QImage shot = box.grab().toImage();
    EXPECT_EQ(at(shot, 0, 0), qRgb(0, 0, 200));
    EXPECT_EQ(at(shot, 99, 49), qRgb(0, 0, 200));
    EXPECT_TRUE(close(at(shot, 1, 1), rgbOf(RGB(255, 224, 192)), 3));
    // The window itself is left alone.
    EXPECT_EQ(at(window.grab().toImage(), 5, 5), window.palette().color(QPalette::Window).rgb());
}
