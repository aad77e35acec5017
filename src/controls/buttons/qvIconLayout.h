#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

namespace qv
{

// Where a button face puts its icon and its caption. All sizes in pixels.
struct IconLayoutInput {
    QSize face; // W x H
    QSize icon; // w x h; empty when there is no icon
    bool hasCaption = true;
    int downWidth = 0; // d: the drop-down part at the right, left out of the layout
    int iconAlign = 0; // 0 left, 1 top, 2 right, 3 bottom
    int iconEdgeSpace = 4;
    int iconTextSpace = 3;
    int align = 1; // 0 left, 1 centre, 2 right
    int alignSpace = 3;
};

struct IconLayout {
    QPoint iconPos;    // meaningful only when there is an icon
    QRect captionRect; // meaningful only when there is a caption
};

IconLayout layoutIconAndCaption(const IconLayoutInput &in);

} // namespace qv
