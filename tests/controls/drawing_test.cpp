// Drawing helpers: colours, gradient fills, percentages, text placement, shapes and
// pictures, checked on the pixels they produce.
#include "controls/drawing/GDIPlusPicture.h"
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "platform/base/PlatformError.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;

using namespace qvKontrollerFelles;
using namespace GDIplusDraw;

namespace
{

QImage canvas(int w, int h, QColor fill = Qt::white)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// Channels of a pixel as (r, g, b).
std::tuple<int, int, int> rgbAt(const QImage &img, int x, int y)
{
    const QRgb px = img.pixel(x, y);
    return {qRed(px), qGreen(px), qBlue(px)};
}

std::tuple<int, int, int> rgbOf(OleColor c)
{
    return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
}

::testing::AssertionResult near(const QImage &img, int x, int y, OleColor expected, int tolerance)
{
    const auto [r, g, b] = rgbAt(img, x, y);
    const auto [er, eg, eb] = rgbOf(expected);
    if (std::abs(r - er) <= tolerance && std::abs(g - eg) <= tolerance && std::abs(b - eb) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is (" << r << ", " << g << ", " << b << "), expected about ("
           << er << ", " << eg << ", " << eb << ")";
}

// Bounding box of the pixels clearly darker than white.
QRect inkBox(const QImage &img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

QString writePng(const QString &path, const QImage &img)
{
    EXPECT_TRUE(img.save(path, "PNG")) << path.toStdString();
    return path;
}

} // namespace

TEST(Colours, PackingAndChannelsFollowTheStoredLayouts)
{
    const OleColor c = RGB(0x12, 0x34, 0x56);
    EXPECT_EQ(c, 0x00563412u);
    EXPECT_EQ(ColorToArgb(c, 0x80), 0x80123456u);
    EXPECT_EQ(MakeArgb(0xFF, 0x12, 0x34, 0x56), 0xFF123456u);
    const ArgbQuad q = ArgbToQuad(0x80123456u);
    EXPECT_EQ(q.Blue, 0x56);
    EXPECT_EQ(q.Green, 0x34);
    EXPECT_EQ(q.Red, 0x12);
    EXPECT_EQ(q.Alpha, 0x80);
    EXPECT_EQ(RedOf(c), 0x12);
    EXPECT_EQ(GreenOf(c), 0x34);
    EXPECT_EQ(BlueOf(c), 0x56);
    // Green's mask keeps the top byte, which overflows a byte: it reads as 0. Blue's
    // mask drops it.
    EXPECT_EQ(GreenOf(0x80000F00u), 0);
    EXPECT_EQ(BlueOf(0x01FF0000u), 255);
    EXPECT_EQ(GDIPlusPicture::SetArgbAlpha(0xFF123456u, 0x40), 0x40123456u);
}

TEST(Colours, TranslateResolvesSystemColoursThroughThePalette)
{
    QPalette pal;
    pal.setColor(QPalette::Active, QPalette::Button, QColor(10, 20, 30));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(99, 98, 97));
    EXPECT_EQ(TranslateColor(SysColor::ButtonFace, pal), RGB(10, 20, 30));
    EXPECT_EQ(TranslateColor(SysColor::GrayText, pal), RGB(99, 98, 97));
    EXPECT_EQ(TranslateColor(RGB(1, 2, 3), pal), RGB(1, 2, 3));
    EXPECT_EQ(TranslateColor(0x02010203u, pal), 0x010203u);
    EXPECT_EQ(TranslateColor(SystemColorFlag | 200, pal), 0u);
}

TEST(GradientRect, VerticesStoreChannelsInTheHighByte)
{
    const TriVertex a = MakeVertex(0, 0, RGB(255, 0, 0)), b = MakeVertex(10, 10, RGB(0, 0, 255));
    EXPECT_EQ(a.Red, 0xFF00);
    EXPECT_EQ(a.Green, 0);
    EXPECT_EQ(a.Blue, 0);
    EXPECT_EQ(b.Red, 0);
    EXPECT_EQ(b.Green, 0);
    EXPECT_EQ(b.Blue, 0xFF00);
    EXPECT_EQ(a.Alpha, 0);
}

TEST(GradientRect, StartColourAtTheFirstPixelAndRightEdgeLeftOut)
{
    QImage img = canvas(120, 20);
    QPainter p(&img);
    GradientRect(p, RGB(255, 0, 0), RGB(0, 0, 255), 10, 2, 110, 12, true);
    p.end();
    EXPECT_TRUE(near(img, 10, 2, RGB(255, 0, 0), 0));
    // pos 99 of 100: red 255 * 1 / 100 = 2, blue 255 * 99 / 100 = 252 (truncated).
    EXPECT_TRUE(near(img, 109, 11, RGB(2, 0, 252), 0));
    // Halfway: 127 of each.
    EXPECT_TRUE(near(img, 60, 5, RGB(127, 0, 127), 0));
    // Right column, bottom row and everything outside stay.
    EXPECT_TRUE(near(img, 110, 5, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 50, 12, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 9, 5, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 50, 1, RGB(255, 255, 255), 0));
    // Every row of a horizontal fill is the same.
    for (int y = 3; y < 12; ++y)
        EXPECT_EQ(img.pixel(37, y), img.pixel(37, 2));
}

TEST(GradientRect, VerticalAndReversedRectangles)
{
    QImage img = canvas(20, 60);
    QPainter p(&img);
    GradientRect(p, RGB(0, 0, 0), RGB(200, 100, 50), 0, 0, 10, 50, false);
    // Given right to left: the vertex at the smaller x keeps its own (end) colour.
    GradientRect(p, RGB(255, 255, 255), RGB(0, 0, 0), 20, 50, 10, 60, true);
    p.end();
    EXPECT_TRUE(near(img, 5, 0, RGB(0, 0, 0), 0));
    EXPECT_TRUE(near(img, 5, 25, RGB(100, 50, 25), 0));
    EXPECT_TRUE(near(img, 5, 49, RGB(196, 98, 49), 0));
    EXPECT_TRUE(near(img, 10, 55, RGB(0, 0, 0), 0));
    EXPECT_TRUE(near(img, 19, 55, RGB(229, 229, 229), 0));
}

TEST(GradientCorners, EachCornerTakesItsColour)
{
    const OleColor tl = RGB(171, 254, 237), tr = RGB(83, 136, 215), bl = RGB(200, 10, 10),
                   br = RGB(10, 200, 10);
    QImage img = canvas(260, 260);
    QPainter p(&img);
    GradientCorners(p, tl, tr, bl, br, 2, 2, 258, 258);
    p.end();
    EXPECT_TRUE(near(img, 2, 2, tl, 0));
    EXPECT_TRUE(near(img, 257, 2, tr, 1));
    EXPECT_TRUE(near(img, 2, 257, bl, 1));
    EXPECT_TRUE(near(img, 257, 257, br, 2));
    // The last two triangles meet along the top-right to bottom-left diagonal: the
    // middle is the mean of those two corners.
    EXPECT_TRUE(near(img, 130, 130, RGB((83 + 200) / 2, (136 + 10) / 2, (215 + 10) / 2), 2));
    // Nothing outside the rectangle; its right column and bottom row left out.
    EXPECT_TRUE(near(img, 1, 1, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 258, 100, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 100, 258, RGB(255, 255, 255), 0));
}

TEST(GradientCorners, WholeRectangleCoveredWithoutGaps)
{
    QImage img = canvas(31, 17, Qt::transparent);
    QPainter p(&img);
    GradientCorners(p, RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), 0, 0, 31, 17);
    p.end();
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 31; ++x)
            ASSERT_EQ(qAlpha(img.pixel(x, y)), 255) << x << "," << y;
}

TEST(PercentOf, RoundsHalvesToEven)
{
    EXPECT_EQ(PercentOf(50, 5), 2);
    EXPECT_EQ(PercentOf(50, 7), 4);
    EXPECT_EQ(PercentOf(70, 200), 140);
    EXPECT_EQ(PercentOf(50, 3), 2);
    EXPECT_EQ(PercentOf(25, 10), 2);
    EXPECT_EQ(PercentOf(35, 10), 4);
    EXPECT_EQ(PercentOf(45, 15), 7);  // 6.75
    EXPECT_EQ(PercentOf(-50, 5), -2); // -2.5
    EXPECT_EQ(PercentOf(50, 5, true), 2);
    EXPECT_EQ(PercentOf(100000, 100000), 100000000); // no overflow in the product
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
}

// Where DrawTextPlus puts a short text in a 150 x 90 box for an alignment code.
QRect textBox(int code, bool grid)
{
    QImage img = canvas(150, 90);
    QPainter p(&img);
    DrawTextPlus(p, 0, 0, 150, 90, QStringLiteral("XX"), QStringLiteral("Sans"), 12, 0, code, 0xFF000000u, 4,
                 grid, 4);
    p.end();
    return inkBox(img);
}

TEST(DrawTextPlus, AlignmentCodesPlaceTheText)
{
    auto centreX = [](const QRect &r) { return r.center().x(); };
    auto centreY = [](const QRect &r) { return r.center().y(); };
    const QRect c4 = textBox(4, true), c8 = textBox(8, true), c1 = textBox(1, false), c0 = textBox(0, true);
    const QRect c2 = textBox(2, false), c3 = textBox(3, true), c5 = textBox(5, false);
    ASSERT_FALSE(c4.isEmpty());
    EXPECT_NEAR(centreX(c4), 75, 3);
    EXPECT_NEAR(centreY(c4), 45, 4);
    EXPECT_GT(c8.right(), 140);
    EXPECT_GT(c8.bottom(), 80);
    EXPECT_NEAR(centreX(c1), 75, 3);
    EXPECT_NEAR(centreY(c1), 45, 4);
    EXPECT_LT(c0.left(), 5);
    EXPECT_LT(c0.top(), 10);
    // Without the grid the code itself is the vertical alignment: 2 is bottom right.
    EXPECT_GT(c2.right(), 140);
    EXPECT_GT(c2.bottom(), 80);
    // With the grid 3 is the middle row at the left.
    EXPECT_LT(c3.left(), 5);
    EXPECT_NEAR(centreY(c3), 45, 4);
    // No vertical alignment 5: top, horizontally 5 % 3 = right.
    EXPECT_GT(c5.right(), 140);
    EXPECT_LT(c5.top(), 10);
}

TEST(DrawTextPlus, WrapsInsideTheBoxAndClipsToIt)
{
    QImage img = canvas(200, 200);
    QPainter p(&img);
    DrawTextPlus(p, 10, 10, 80, 150, QStringLiteral("ord ord ord ord ord ord"), QStringLiteral("Sans"), 10, 0,
                 0, 0xFF000000u, 4, true, 4);
    p.end();
    const QRect ink = inkBox(img);
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 90);
    const QFontMetrics fm(QFont(QStringLiteral("Sans"), 10));
    EXPECT_GT(ink.height(), fm.ascent() + fm.height() / 2); // more than one line
}

TEST(Shapes, RadiusZeroIsThePlainRectangleWithoutSecondPass)
{
    QImage img = canvas(40, 30);
    QPainter p(&img);
    DrawRoundRectPlus(p, 5, 5, 30, 20, 0, -1, 1, LineSolid, MakeArgb(255, 0, 0, 255), 0, 0, 0, 0);
    p.end();
    for (const QPoint pt : {QPoint(5, 5), QPoint(30, 5), QPoint(5, 20), QPoint(30, 20), QPoint(17, 5),
                            QPoint(30, 12), QPoint(17, 20), QPoint(5, 12)})
        EXPECT_TRUE(near(img, pt.x(), pt.y(), RGB(0, 0, 255), 0)) << pt.x() << "," << pt.y();
    EXPECT_TRUE(near(img, 17, 12, RGB(255, 255, 255), 0)); // no fill
    EXPECT_TRUE(near(img, 31, 12, RGB(255, 255, 255), 0)); // one pixel wide
    EXPECT_TRUE(near(img, 4, 12, RGB(255, 255, 255), 0));
}

TEST(Shapes, SeeThroughOutlineCoversEveryEdgePixelOnce)
{
    QImage img = canvas(40, 30);
    QPainter p(&img);
    DrawRoundRectPlus(p, 5, 5, 30, 20, 0, -1, 1, LineSolid, MakeArgb(128, 0, 0, 0), 0, 0, 0, 0);
    p.end();
    for (const QPoint pt : {QPoint(5, 5), QPoint(30, 20), QPoint(17, 5), QPoint(30, 12), QPoint(5, 20)})
        EXPECT_TRUE(near(img, pt.x(), pt.y(), RGB(127, 127, 127), 1)) << pt.x() << "," << pt.y();
    EXPECT_TRUE(near(img, 17, 12, RGB(255, 255, 255), 0));
}

TEST(Shapes, LowerRightLineRedrawsRightAndBottomSides)
{
    QImage img = canvas(40, 30);
    QPainter p(&img);
    DrawRoundRectPlus(p, 5, 5, 30, 20, 0, FillSolid, 1, LineSolid, MakeArgb(255, 0, 0, 255),
                      MakeArgb(255, 255, 0, 0), MakeArgb(255, 0, 255, 0), 0, 0);
    p.end();
    EXPECT_TRUE(near(img, 30, 12, RGB(255, 0, 0), 0));
    EXPECT_TRUE(near(img, 17, 20, RGB(255, 0, 0), 0));
    EXPECT_TRUE(near(img, 5, 12, RGB(0, 0, 255), 0));
    EXPECT_TRUE(near(img, 17, 5, RGB(0, 0, 255), 0));
    EXPECT_TRUE(near(img, 17, 12, RGB(0, 255, 0), 0));
}

TEST(Shapes, RoundedCornersLeaveTheCornerPixelAndFillKinds)
{
    QImage img = canvas(120, 40);
    QPainter p(&img);
    const Argb red = MakeArgb(255, 255, 0, 0), blue = MakeArgb(255, 0, 0, 255);
    DrawRoundRectPlus(p, 0, 0, 39, 39, 8, FillSolid, 1, LineSolid, blue, 0, red, 0, 0);
    DrawRoundRectPlus(p, 40, 0, 79, 39, 0, FillLinearGradient, 1, LineKind(-1), 0, 0, red, blue,
                      GradientHorizontal);
    DrawRoundRectPlus(p, 80, 0, 119, 39, 0, FillLinearGradient, 1, LineKind(-1), 0, 0, red, blue,
                      GradientVertical);
    p.end();
    EXPECT_TRUE(near(img, 0, 0, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 20, 20, RGB(255, 0, 0), 0));
    EXPECT_TRUE(near(img, 20, 0, RGB(0, 0, 255), 0));
    EXPECT_TRUE(near(img, 41, 20, RGB(255, 0, 0), 12));
    EXPECT_TRUE(near(img, 78, 20, RGB(0, 0, 255), 12));
    EXPECT_TRUE(near(img, 100, 1, RGB(255, 0, 0), 12));
    EXPECT_TRUE(near(img, 100, 38, RGB(0, 0, 255), 12));
}

TEST(Shapes, CentreGradientRunsFromCentreToOutline)
{
    QImage img = canvas(200, 60);
    QPainter p(&img);
    DrawEllipsePlus(p, 0, 0, 100, 60, FillCentreGradient, 1, LineKind(-1), 0, 0, 0, MakeArgb(255, 255, 0, 0),
                    MakeArgb(255, 0, 0, 255), 0);
    // Centred on a point of its own.
    DrawEllipsePlus(p, 100, 0, 100, 60, FillCentreGradient, 1, LineKind(-1), 0, 125, 30,
                    MakeArgb(255, 255, 0, 0), MakeArgb(255, 0, 0, 255), 0);
    p.end();
    EXPECT_TRUE(near(img, 50, 30, RGB(255, 0, 0), 8));
    EXPECT_TRUE(near(img, 50, 1, RGB(0, 0, 255), 25));
    EXPECT_TRUE(near(img, 2, 30, RGB(0, 0, 255), 25));
    EXPECT_TRUE(near(img, 0, 0, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 125, 30, RGB(255, 0, 0), 8));
    EXPECT_TRUE(near(img, 150, 30, RGB(170, 0, 85), 8)); // a third of the way to the right edge
}

TEST(Shapes, MissingTexturePictureMeansNoFill)
{
    QImage img = canvas(20, 20);
    QPainter p(&img);
    DrawRoundRectPlus(p, 2, 2, 17, 17, 0, FillTexture, 1, LineTexture, MakeArgb(255, 0, 0, 0), 0, 0, 0, 0,
                      QStringLiteral("/no/such/picture.png"), QStringLiteral("/no/such/picture.png"));
    p.end();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_TRUE(near(img, x, y, RGB(255, 255, 255), 0));
}

TEST(Shapes, TextureFillTilesThePicture)
{
    QTemporaryDir dir;
    QImage tile(2, 2, QImage::Format_ARGB32);
    tile.fill(QColor(0, 128, 0));
    const QString path = writePng(dir.filePath("tile.png"), tile);
    QImage img = canvas(20, 20);
    QPainter p(&img);
    DrawRoundRectPlus(p, 2, 2, 17, 17, 0, FillTexture, 1, -1, 0, 0, 0, 0, 0, path);
    p.end();
    EXPECT_TRUE(near(img, 10, 10, RGB(0, 128, 0), 0));
    EXPECT_TRUE(near(img, 0, 0, RGB(255, 255, 255), 0));
}

TEST(DrawLinePlus, AliasedOnePixelLineCoversItsColumnExactly)
{
    QImage img = canvas(20, 30);
    QPainter p(&img);
    DrawLinePlus(p, 10, 2, 10, 20, 1, MakeArgb(255, 0, 0, 0), 0, 0, false);
    p.end();
    for (int y = 2; y <= 20; ++y)
        EXPECT_TRUE(near(img, 10, y, RGB(0, 0, 0), 0)) << y;
    EXPECT_TRUE(near(img, 10, 1, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 10, 21, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 9, 10, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 11, 10, RGB(255, 255, 255), 0));
}

TEST(Pictures, MinusOneSizeDrawsAtOwnSizeAndHandsItBack)
{
    QTemporaryDir dir;
    QImage pic(7, 5, QImage::Format_ARGB32);
    pic.fill(QColor(200, 0, 0));
    const QString path = writePng(dir.filePath("p.png"), pic);
    QImage img = canvas(30, 30);
    QPainter p(&img);
    int w = -1, h = -1;
    GDIPlusPicture::DrawPictureFile(p, path, 3, 4, w, h, true, false);
    p.end();
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 5);
    EXPECT_TRUE(near(img, 3, 4, RGB(200, 0, 0), 0));
    EXPECT_TRUE(near(img, 9, 8, RGB(200, 0, 0), 0));
    EXPECT_TRUE(near(img, 10, 8, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 9, 9, RGB(255, 255, 255), 0));
}

TEST(Pictures, DisabledPictureHalvesEveryAlphaHalvesToEven)
{
    QTemporaryDir dir;
    QImage pic(5, 1, QImage::Format_ARGB32);
    const int alphas[5] = {255, 1, 3, 0, 100};
    for (int i = 0; i < 5; ++i)
        pic.setPixel(i, 0, qRgba(250, 100, 50, alphas[i]));
    const QString path = writePng(dir.filePath("a.png"), pic);
    QImage img = canvas(5, 1, Qt::transparent);
    QPainter p(&img);
    int w = -1, h = -1;
    GDIPlusPicture::DrawPictureFile(p, path, 0, 0, w, h, false, false);
    p.end();
    const int expected[5] = {128, 0, 2, 0, 50};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(qAlpha(img.pixel(i, 0)), expected[i]) << "alpha " << alphas[i];
    // The colour bytes of the faded copy are the picture's own.
    const QImage faded = GDIPlusPicture::FadedImage(pic);
    EXPECT_EQ(faded.pixel(0, 0), qRgba(250, 100, 50, 128));
    EXPECT_EQ(faded.pixel(2, 0), qRgba(250, 100, 50, 2));
}

TEST(Pictures, KeepAspectFitsAndAnchorsTopLeft)
{
    QImage pic(32, 16, QImage::Format_ARGB32);
    pic.fill(QColor(0, 0, 200));
    QImage img = canvas(40, 40);
    QPainter p(&img);
    GDIPlusPicture::DrawPictureImage(pic, p, 10, 10, 16, 16, true, true);
    p.end();
    EXPECT_EQ(GDIPlusPicture::KeepAspectSize(32, 16, 16, 16), QSize(16, 8));
    EXPECT_EQ(GDIPlusPicture::KeepAspectSize(16, 32, 16, 16), QSize(8, 16));
    EXPECT_EQ(GDIPlusPicture::KeepAspectSize(3, 2, 5, 5), QSize(5, 3)); // 3.33 -> 3
    EXPECT_TRUE(near(img, 10, 10, RGB(0, 0, 200), 0));
    EXPECT_TRUE(near(img, 25, 17, RGB(0, 0, 200), 0));
    EXPECT_TRUE(near(img, 25, 18, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 26, 12, RGB(255, 255, 255), 0));
    EXPECT_TRUE(near(img, 9, 12, RGB(255, 255, 255), 0));
}

TEST(Pictures, EmptyBoxDrawsNothing)
{
    QImage pic(4, 4, QImage::Format_ARGB32);
    pic.fill(Qt::black);
    QImage img = canvas(10, 10);
    QPainter p(&img);
    GDIPlusPicture::DrawPictureImage(pic, p, 0, 0, 5, 0, true, true);
    GDIPlusPicture::DrawPictureImage(QImage(), p, 0, 0, 5, 5, true, false);
    p.end();
    EXPECT_TRUE(near(img, 1, 1, RGB(255, 255, 255), 0));
}

TEST(Pictures, PictureThatDoesNotLoadRaises999WithThePath)
{
    QImage img = canvas(10, 10);
    QPainter p(&img);
    const QString path = QStringLiteral("C:\\Res\\Finnes.png");
    int w = -1, h = -1;
    try {
        GDIPlusPicture::DrawPictureFile(p, path, 0, 0, w, h, true, false);
        FAIL() << "no error raised";
    } catch (const qv::PlatformError &e) {
        EXPECT_EQ(e.number(), 999);
        EXPECT_EQ(e.description(), QStringLiteral("Feil ved lasting av bilde C:\\Res\\Finnes.png"));
    }
    EXPECT_EQ(w, -1);
    p.end();
    EXPECT_TRUE(near(img, 5, 5, RGB(255, 255, 255), 0));

    // Not a picture at all.
    QTemporaryDir dir;
    QFile f(dir.filePath("x.png"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    QPainter p2(&img);
    EXPECT_THROW(GDIPlusPicture::DrawPictureFile(p2, f.fileName(), 0, 0, w, h, true, false),
                 qv::PlatformError);
}

TEST(Pictures, WindowsPathsGoThroughTheDriveTable)
{
    qvtest::TempDrives drives("C");
    QDir().mkpath(drives.host("C:\\Res"));
    QImage pic(3, 3, QImage::Format_ARGB32);
    pic.fill(QColor(0, 100, 0));
    writePng(drives.host("C:\\Res\\Start.png"), pic);
    EXPECT_TRUE(PictureFileExists(QStringLiteral("C:\\Res\\Start.png")));
    EXPECT_TRUE(PictureFileExists(QStringLiteral("c:\\res\\start.png")));
    EXPECT_FALSE(PictureFileExists(QStringLiteral("C:\\Res")));
    EXPECT_FALSE(PictureFileExists(QStringLiteral("C:\\Res\\Borte.png")));
    QImage img = canvas(5, 5);
    QPainter p(&img);
    int w = -1, h = -1;
    GDIPlusPicture::DrawPictureFile(p, QStringLiteral("C:\\Res\\Start.png"), 1, 1, w, h, true, false);
    p.end();
    EXPECT_TRUE(near(img, 2, 2, RGB(0, 100, 0), 0));
}
