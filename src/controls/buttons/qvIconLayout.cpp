#include "controls/buttons/qvIconLayout.h"

namespace qv
{

IconLayout layoutIconAndCaption(const IconLayoutInput &in)
{
    const int W = in.face.width(), H = in.face.height();
    const int w = in.icon.width(), h = in.icon.height();
    const int d = in.downWidth;
    const bool hasIcon = !in.icon.isEmpty();

    IconLayout out;
    if (hasIcon) {
        if (!in.hasCaption) {
            // A lone icon follows the caption alignment.
            const int y = H / 2 - h / 2;
            switch (in.align) {
            case 0:
                out.iconPos = {in.alignSpace, y};
                break;
            case 2:
                out.iconPos = {W - w - in.alignSpace - d, y};
                break;
            default:
                out.iconPos = {W / 2 - w / 2 - d / 2, y};
                break;
            }
        } else {
            switch (in.iconAlign) {
            case 1:
                out.iconPos = {W / 2 - w / 2 - d / 2, in.iconEdgeSpace};
                break;
            case 2:
                out.iconPos = {W - w - in.iconEdgeSpace - d, H / 2 - h / 2};
                break;
            case 3:
                out.iconPos = {W / 2 - w / 2 - d / 2, H - h - in.iconEdgeSpace};
                break;
            default:
                out.iconPos = {in.iconEdgeSpace, H / 2 - h / 2};
                break;
            }
        }
    }

    int left = in.alignSpace, top = in.alignSpace;
    int right = W - in.alignSpace - d, bottom = H - in.alignSpace;
    if (hasIcon) {
        switch (in.iconAlign) {
        case 0:
            left = w + in.iconEdgeSpace + in.iconTextSpace;
            break;
        case 2:
            right = W - w - in.alignSpace - in.iconTextSpace - d;
            break;
        // Above or below the caption: the caption takes the rest of the height.
        case 1:
            top = in.iconEdgeSpace + h + in.iconTextSpace;
            break;
        case 3:
            bottom = H - h - in.iconEdgeSpace - in.iconTextSpace;
            break;
        default:
            break;
        }
    }
    out.captionRect = QRect(left, top, qMax(0, right - left), qMax(0, bottom - top));
    return out;
}

} // namespace qv
