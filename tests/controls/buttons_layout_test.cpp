#include "controls/buttons/qvIconLayout.h"

#include <gtest/gtest.h>

using namespace qv;

using qv::IconLayoutInput;
using qv::layoutIconAndCaption;

namespace
{

IconLayoutInput face(int W, int H, QSize icon, bool caption = true, int d = 0)
{
    IconLayoutInput in;
    in.face = {W, H};
    in.icon = icon;
    in.hasCaption = caption;
    in.downWidth = d;
    return in;
}

} // namespace

TEST(ButtonLayout, IconSidesWithCaption)
{
    IconLayoutInput in = face(100, 40, {24, 24}, true, 16);
    in.iconEdgeSpace = 4;

    in.iconAlign = 0;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(4, 8));
    in.iconAlign = 1; // centred over the part left of the down part
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(50 - 12 - 8, 4));
    in.iconAlign = 2;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(100 - 24 - 4 - 16, 8));
    in.iconAlign = 3;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(50 - 12 - 8, 40 - 24 - 4));
}

TEST(ButtonLayout, LoneIconFollowsAlign)
{
    IconLayoutInput in = face(80, 30, {16, 16}, false);
    in.alignSpace = 3;
    in.iconAlign = 0; // ignored without a caption
    in.align = 0;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(3, 7));
    in.align = 1;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(32, 7));
    in.align = 2;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(80 - 16 - 3, 7));
    // Right-aligned with a down part: AlignSpace from the down part, not from the edge.
    in.downWidth = 16;
    EXPECT_EQ(layoutIconAndCaption(in).iconPos, QPoint(80 - 16 - 3 - 16, 7));
}

TEST(ButtonLayout, CaptionRectangle)
{
    IconLayoutInput in = face(120, 30, {}, true, 16);
    in.alignSpace = 3;
    EXPECT_EQ(layoutIconAndCaption(in).captionRect,
              QRect(QPoint(3, 3), QPoint(120 - 3 - 16 - 1, 30 - 3 - 1)));

    in = face(120, 30, {20, 20}, true, 0);
    in.alignSpace = 3;
    in.iconEdgeSpace = 4;
    in.iconTextSpace = 2;
    in.iconAlign = 0;
    QRect r = layoutIconAndCaption(in).captionRect;
    EXPECT_EQ(r.left(), 20 + 4 + 2);
    EXPECT_EQ(r.right() + 1, 120 - 3);

    in.iconAlign = 2;
    in.downWidth = 16;
    r = layoutIconAndCaption(in).captionRect;
    EXPECT_EQ(r.left(), 3);
    EXPECT_EQ(r.right() + 1, 120 - 20 - 3 - 2 - 16);

    // Icon above: the caption starts below it.
    in.iconAlign = 1;
    in.downWidth = 0;
    r = layoutIconAndCaption(in).captionRect;
    EXPECT_EQ(r.top(), 4 + 20 + 2);
    EXPECT_EQ(r.bottom() + 1, 30 - 3);
}

TEST(ButtonLayout, TooSmallFaceGivesEmptyCaptionNotNegative)
{
    IconLayoutInput in = face(10, 4, {24, 24}, true);
    const auto out = layoutIconAndCaption(in);
    EXPECT_GE(out.captionRect.width(), 0);
    EXPECT_GE(out.captionRect.height(), 0);
}
