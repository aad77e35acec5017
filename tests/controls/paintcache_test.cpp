// The stepped gradient fills against exact arithmetic, the pixel spans of the plain
// primitives, pictures read again when their file changes, and every control's painted
// surface against the property changes that must repaint it.
#include "controls/drawing/GDIPlusPicture.h"
#include "controls/drawing/GDIplusDraw.h"
#include "controls/drawing/GdiPrimitives.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/TooltipWindow.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

using namespace qv;

using namespace qvKontrollerFelles;
using namespace GDIplusDraw;

namespace
{

// The channel value the gradient fill gives at (x, y) inside triangle t: the exactly
// interpolated value, rounded down, kept to 0..255.
int exactChannel(const TriVertex *t, quint16 TriVertex::*channel, qint64 x, qint64 y)
{
    const qint64 det =
        qint64(t[1].x - t[0].x) * (t[2].y - t[0].y) - qint64(t[2].x - t[0].x) * (t[1].y - t[0].y);
    const qint64 n1 = (x - t[0].x) * (t[2].y - t[0].y) - qint64(t[2].x - t[0].x) * (y - t[0].y);
    const qint64 n2 = qint64(t[1].x - t[0].x) * (y - t[0].y) - (x - t[0].x) * (t[1].y - t[0].y);
    const __int128 n = __int128(t[0].*channel) * (det - n1 - n2) + __int128(t[1].*channel) * n1 +
                       __int128(t[2].*channel) * n2;
    const __int128 d = __int128(det) * 256;
    __int128 q = n / d;
    if ((n % d != 0) && ((n < 0) != (d < 0)))
        --q;
    return int(std::clamp<__int128>(q, 0, 255));
}

QRgb exactPixel(const TriVertex *t, int x, int y)
{
    return qRgb(exactChannel(t, &TriVertex::Red, x, y), exactChannel(t, &TriVertex::Green, x, y),
                exactChannel(t, &TriVertex::Blue, x, y));
}

QImage drawn(const QImage &ground, const std::function<void(QPainter &)> &draw, bool clip = false)
{
    QImage img = ground.copy();
    QPainter p(&img);
    // A clip that hides nothing keeps every outcome from being kept or reused.
    if (clip)
        p.setClipRect(img.rect());
    draw(p);
    return img;
}

QString writePng(const QString &path, QColor colour, QSize size)
{
    QImage pic(size, QImage::Format_ARGB32);
    pic.fill(colour);
    EXPECT_TRUE(pic.save(path, "PNG"));
    return path;
}

} // namespace

TEST(SteppedGradients, CornerFillsGiveTheExactlyInterpolatedColours)
{
    QRandomGenerator rng(20241208);
    for (int round = 0; round < 60; ++round) {
        // The last rounds reach far beyond the image: the fill is clipped to it and the
        // triangles are too large for the quicker arithmetic.
        const bool huge = round >= 55;
        const int w = 1 + int(rng.bounded(huge ? 40 : 220)), h = 1 + int(rng.bounded(huge ? 40 : 90));
        const int left = huge ? -40000 : 0, top = huge ? -30000 : 0;
        const int right = huge ? 41000 : w, bottom = huge ? 29000 : h;
        OleColor c[4];
        for (OleColor &colour : c)
            colour = RGB(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)));
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        if (round % 3 == 1)
            p.setClipRect(0, 0, w, h); // drawn through a buffer instead of straight in
        GradientCorners(p, c[0], c[1], c[2], c[3], left, top, right, bottom);
        p.end();
        const TriVertex v[4] = {MakeVertex(left, top, c[0]), MakeVertex(right, top, c[1]),
                                MakeVertex(right, bottom, c[3]), MakeVertex(left, bottom, c[2])};
        const TriVertex lower[3] = {v[1], v[2], v[3]}, upper[3] = {v[0], v[1], v[3]};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb px = img.pixel(x, y);
                // Along the diagonal either triangle may have the pixel.
                ASSERT_TRUE(px == exactPixel(lower, x, y) || px == exactPixel(upper, x, y))
                    << "round " << round << " pixel (" << x << ", " << y << ") " << std::hex << px;
            }
    }
}

TEST(SteppedGradients, RectangleFillsGiveTheExactlyInterpolatedColours)
{
    QRandomGenerator rng(7);
    for (int round = 0; round < 80; ++round) {
        const bool horizontal = round % 2 == 0;
        const int w = 1 + int(rng.bounded(300)), h = 1 + int(rng.bounded(40));
        const int from = -int(rng.bounded(50)), to = (horizontal ? w : h) + int(rng.bounded(50));
        const OleColor a = RGB(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)));
        const OleColor b = RGB(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)));
        const QImage img = drawn(
            QImage(w, h, QImage::Format_ARGB32_Premultiplied),
            [&](QPainter &p) {
                if (horizontal)
                    GradientRect(p, a, b, from, 0, to, h, true);
                else
                    GradientRect(p, a, b, 0, from, w, to, false);
            },
            round % 4 == 1);
        const qint64 len = to - from;
        auto channel = [&](int c0, int c1, qint64 pos) {
            return int((c0 * 256 * (len - pos) + c1 * 256 * pos) / len / 256);
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const qint64 pos = (horizontal ? x : y) - from;
                const QRgb expected =
                    qRgb(channel(a & 0xFF, b & 0xFF, pos), channel((a >> 8) & 0xFF, (b >> 8) & 0xFF, pos),
                         channel((a >> 16) & 0xFF, (b >> 16) & 0xFF, pos));
                ASSERT_EQ(img.pixel(x, y), expected)
                    << "round " << round << " pixel (" << x << ", " << y << ")";
            }
    }
}

TEST(PixelSpans, FrameAndRectangleCoverEachEdgePixelOnce)
{
    const QColor halfRed(255, 0, 0, 128);
    QImage once(12, 9, QImage::Format_ARGB32_Premultiplied);
    once.fill(Qt::white);
    const QImage framed = drawn(once, [&](QPainter &p) { GdiPrimitives::Frame(p, 12, 9, halfRed); });
    const QImage single = drawn(once, [&](QPainter &p) { p.fillRect(0, 0, 1, 1, halfRed); });
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool edge = x == 0 || y == 0 || x == 11 || y == 8;
            EXPECT_EQ(framed.pixel(x, y), edge ? single.pixel(0, 0) : qRgb(255, 255, 255)) << x << "," << y;
        }
    // Right column and bottom row of the rectangle are left out; the pen outlines the rest.
    const QImage rect =
        drawn(once, [](QPainter &p) { GdiPrimitives::Rectangle(p, 2, 1, 8, 6, Qt::blue, Qt::green); });
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x <= 7 && y >= 1 && y <= 5;
            const bool outline = inside && (x == 2 || x == 7 || y == 1 || y == 5);
            const QRgb expected = outline ? qRgb(0, 0, 255) : inside ? qRgb(0, 255, 0) : qRgb(255, 255, 255);
            EXPECT_EQ(rect.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(DecodedPictures, AChangedFileIsReadAgain)
{
    QTemporaryDir dir;
    const QString path = writePng(dir.filePath("ikon.png"), QColor(200, 0, 0), {6, 6});
    auto drawFile = [&] {
        QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        int w = -1, h = -1;
        GDIPlusPicture::DrawPictureFile(p, path, 0, 0, w, h, true, false);
        return img.pixel(2, 2);
    };
    EXPECT_EQ(drawFile(), qRgb(200, 0, 0));
    EXPECT_EQ(drawFile(), qRgb(200, 0, 0));
    // Same size, later modification time.
    QFile file(path);
    const QDateTime first = QFileInfo(path).lastModified();
    writePng(path, QColor(0, 0, 200), {6, 6});
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(first.addSecs(10), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(drawFile(), qRgb(0, 0, 200));
    // Same modification time, another file size.
    writePng(path, QColor(0, 150, 0), {8, 8});
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(first.addSecs(10), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(drawFile(), qRgb(0, 150, 0));
}

TEST(KeptLayers, PanelBackgroundAndTextFollowTheirProperties)
{
    qvShadeBox box;
    box.resize(120, 24);
    box.setTextAlign(0);
    box.setText(QStringLiteral("Status"));
    box.Refresh();
    const QImage first = box.Surface().copy();
    const QImage handedOut = box.Surface();

    box.setColorB(RGB(200, 40, 40));
    box.Refresh();
    EXPECT_NE(box.Surface().pixel(100, 20), first.pixel(100, 20));
    EXPECT_EQ(handedOut, first); // a copy handed out keeps its pixels

    const QImage beforeStyle = box.Surface().copy();
    box.setStyle(3);
    box.Refresh();
    EXPECT_NE(box.Surface().pixel(60, 12), beforeStyle.pixel(60, 12));

    // A system colour follows the palette it is read from.
    box.setStyle(0);
    box.setColorA(SysColor::ButtonFace);
    box.setColorB(SysColor::ButtonFace);
    QPalette pal = box.palette();
    pal.setColor(QPalette::Button, QColor(10, 200, 10));
    box.setPalette(pal);
    box.Refresh();
    EXPECT_EQ(box.Surface().pixel(60, 20), qRgb(10, 200, 10));
    pal.setColor(QPalette::Button, QColor(10, 10, 200));
    box.setPalette(pal);
    box.Refresh();
    EXPECT_EQ(box.Surface().pixel(60, 20), qRgb(10, 10, 200));

    const QImage black = box.Surface().copy();
    box.setTextColor(RGB(255, 255, 0));
    box.Refresh();
    EXPECT_NE(box.Surface(), black);
    const QImage yellow = box.Surface().copy();
    QFont big = box.Font();
    big.setPointSize(big.pointSize() + 4);
    box.setFontProperty(big);
    box.Refresh();
    EXPECT_NE(box.Surface(), yellow);

    box.resize(80, 30);
    box.Refresh();
    EXPECT_EQ(box.Surface().size(), QSize(80, 30));
    EXPECT_EQ(box.Surface().pixel(79, 29), qRgb(0, 0, 0)); // the border at the new size
}

TEST(KeptLayers, PanelTextLeavesNothingOfTheLastText)
{
    auto panel = [](qvShadeBox &box, int align) {
        box.resize(300, 24);
        box.setTextAlign(align);
    };
    const QStringList texts = {QStringLiteral("Legger til i zip: C:\\Data\\Bilder\\2024\\ferie.jpg"),
                               QStringLiteral("Ferdig"),
                               QStringLiteral("Søker etter nye og endrede filer i alle "
                                              "undermapper av mappen som tas med"),
                               QStringLiteral("3 filer")};
    for (int align = 0; align <= 2; ++align) {
        qvShadeBox reused;
        panel(reused, align);
        for (const QString &text : texts) {
            reused.setText(text);
            qvShadeBox fresh;
            panel(fresh, align);
            fresh.setText(text);
            ASSERT_EQ(reused.Surface(), fresh.Surface()) << text.toStdString() << " alignment " << align;
        }
    }
}

TEST(KeptLayers, PanelRepaintedInPartsMatchesOnePaintedAfresh)
{
    // Each step changes one thing about a plain panel; after each the panel must look
    // as a new panel set up the same way.
    struct Setup {
        QString text;
        bool lines = false, freeText = false, enabled = true;
        OleColor colourB = RGB(83, 136, 215);
    };
    auto apply = [](qvShadeBox &box, const Setup &s) {
        box.setTextAlign(0);
        box.setColorB(s.colourB);
        box.setEnabledProperty(s.enabled);
        box.Lines(s.lines ? QList<qint32>{40, 90} : QList<qint32>{}, RGB(200, 0, 0), 255, false);
        box.PrintText(0, 150, 2, 60, 20, s.freeText ? QStringLiteral("Mal") : QString(),
                      QStringLiteral("Arial"), 9, 0, 0, MakeArgb(255, 0, 0, 0), 4, true);
        box.setText(s.text);
        box.Refresh();
    };
    const Setup steps[] = {{QStringLiteral("1 fil")},
                           {QStringLiteral("2 filer funnet")},
                           {QStringLiteral("2 filer funnet"), true},
                           {QStringLiteral("3 filer"), false},
                           {QStringLiteral("3 filer"), false, true},
                           {QStringLiteral("4 filer"), false, false},
                           {QStringLiteral("4 filer"), false, false, false},
                           {QString(), false, false, true},
                           {QStringLiteral("5"), false, false, true, RGB(10, 200, 10)},
                           {QStringLiteral("6 filer"), false, false, true, RGB(10, 200, 10)}};
    qvShadeBox kept;
    kept.resize(240, 24);
    for (const Setup &step : steps) {
        apply(kept, step);
        qvShadeBox fresh;
        fresh.resize(240, 24);
        apply(fresh, step);
        ASSERT_EQ(kept.Surface(), fresh.Surface()) << step.text.toStdString();
    }
}

TEST(KeptLayers, ProgressBandsAndFrameFollowBorderSizeAndWindow)
{
    QWidget window;
    window.resize(220, 40);
    qvProgress bar(&window);
    bar.resize(200, 15);
    bar.setStyle(7);
    bar.setValue(60);
    const QRgb withBorder = bar.Surface().pixel(100, 0);
    bar.setBorder(false);
    bar.Refresh();
    EXPECT_NE(bar.Surface().pixel(100, 0), withBorder);
    bar.resize(200, 21);
    bar.Refresh();
    EXPECT_EQ(bar.Surface().size(), QSize(200, 21));
    const QRgb lowBand = bar.Surface().pixel(150, 19);
    bar.resize(200, 15);
    bar.Refresh();
    EXPECT_NE(bar.Surface().pixel(150, 13), lowBand);

    // The segmented looks show the window's colour in their rounded corners.
    bar.setStyle(4);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(20, 120, 220));
    window.setPalette(pal);
    bar.Refresh();
    EXPECT_EQ(bar.Surface().pixel(0, 0), qRgb(20, 120, 220));
}

TEST(KeptLayers, FormBackgroundFollowsColoursAndTargetSize)
{
    QWidget window;
    window.resize(100, 60);
    qvShadeForm form(&window);
    form.setColorA(RGB(255, 0, 0));
    form.setColorB(RGB(255, 0, 0));
    form.PaintTarget();
    EXPECT_EQ(form.Background().pixel(50, 30), qRgb(255, 0, 0));
    form.PaintTarget();
    EXPECT_EQ(form.PaintCount(), 2);
    form.setColorB(RGB(0, 0, 255));
    form.PaintTarget();
    EXPECT_NE(form.Background().pixel(99, 30), qRgb(255, 0, 0));
    window.resize(140, 70);
    form.PaintTarget();
    EXPECT_EQ(form.Background().size(), QSize(140, 70));
    EXPECT_EQ(window.grab().toImage().pixel(0, 5) | 0xFF000000u, qRgb(255, 0, 0));
}

TEST(KeptLayers, TooltipPictureFollowsColoursAndText)
{
    TooltipWindow tip(false, false);
    tip.setText(QStringLiteral("Lag en zip-fil"));
    tip.setBackColor(QColor(255, 255, 225));
    const QImage first = tip.grab().toImage();
    EXPECT_EQ(first.pixel(2, 2) | 0xFF000000u, qRgb(255, 255, 225));
    EXPECT_EQ(tip.grab().toImage(), first);
    tip.setBackColor(QColor(200, 230, 255));
    EXPECT_EQ(tip.grab().toImage().pixel(2, 2) | 0xFF000000u, qRgb(200, 230, 255));
    const QImage blue = tip.grab().toImage();
    tip.setForeColor(QColor(200, 0, 0));
    EXPECT_NE(tip.grab().toImage(), blue);
    const QSize before = tip.size();
    tip.setText(QStringLiteral("Lag en zip-fil av alle filene i mappen"));
    EXPECT_GT(tip.width(), before.width());
    EXPECT_EQ(tip.grab().toImage().size(), tip.size());
}
