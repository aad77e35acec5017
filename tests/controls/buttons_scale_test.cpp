// On a screen with a scale factor the drawn buttons look as they do at 1: the same
// geometry in logical pixels, boxes, bands and pictures included.
#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace qv;

namespace
{

// Share of the logical pixels of one (drawn at ratio 1) whose device pixel under their
// centre in scaled (drawn at ratio) is within tolerance of them in every channel.
double sameShare(const QImage &one, const QImage &scaled, qreal ratio, int tolerance)
{
    int same = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y);
            const QRgb b = scaled.pixel(int((x + 0.5) * ratio), int((y + 0.5) * ratio));
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            same += d <= tolerance;
        }
    return double(same) / (one.width() * one.height());
}

void expectSameLook(qvButtonBase &b, const char *what)
{
    for (int pointer = 0; pointer <= 2; ++pointer) {
        const QImage one = b.renderFace(pointer, false, 1);
        for (const qreal ratio : {1.5, 2.0}) {
            const QImage scaled = b.renderFace(pointer, false, ratio);
            ASSERT_EQ(scaled.size(), (QSizeF(b.size()) * ratio).toSize());
            // Anti-aliased edges may differ; boxes, bands and pictures may not.
            EXPECT_GE(sameShare(one, scaled, ratio, 32), 0.88)
                << what << " state " << pointer << " at " << ratio;
        }
    }
}

// A picture with a different colour in each quarter, so that a lost or shifted picture shows.
QImage quarters(int side)
{
    QImage pic(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pic.setPixel(x, y,
                         x < side / 2 ? (y < side / 2 ? qRgb(200, 0, 0) : qRgb(0, 150, 0))
                                      : (y < side / 2 ? qRgb(0, 0, 220) : qRgb(20, 20, 20)));
    return pic;
}

} // namespace

TEST(ScaleFactor, ToolButtonWithPictureAboveItsCaptionSpot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Start.png"));
    ASSERT_TRUE(quarters(48).save(path));
    QWidget host;
    auto *b = new qvTButton(&host);
    b->setGeometry(0, 0, 74, 52);
    b->setStyle(9);
    b->setIconAlign(1);
    b->setCaption(QString());
    b->IconFromPNG(path, 24);
    expectSameLook(*b, "tool button");
    b->setEnabled(false);
    expectSameLook(*b, "disabled tool button");
}

TEST(ScaleFactor, FolderButtonWithItsPicture)
{
    QWidget host;
    auto *b = new qvCommand(&host);
    b->setGeometry(0, 0, 100, 28);
    b->setStyle(5);
    b->setCaption(QString());
    b->setIconDefault(QPixmap::fromImage(quarters(16)));
    expectSameLook(*b, "folder button");
}

TEST(ScaleFactor, CheckBoxesAndOptionButtons)
{
    QWidget host;
    for (const int style : {0, 2}) {
        for (const int align : {0, 2}) {
            auto b = std::make_unique<qvCheckBox>(&host);
            b->setGeometry(0, 0, 40, 17);
            b->setStyle(style);
            b->setIconAlign(align);
            b->setCaption(QString());
            b->setValue(true);
            expectSameLook(*b, style == 0 ? "check box" : "option button");
        }
    }
}
