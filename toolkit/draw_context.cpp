// What every window system's picture draws the same way.
#include "draw_context.h"

#include "bitmap.h"

void CDrawContext::frameRect(const CRect& area, CColor color) {
    // Four filled edges rather than a stroke: no half-covered pixels.
    const CRect edges[] = {
        {area.left, area.top, area.right, area.top + 1},
        {area.left, area.bottom - 1, area.right, area.bottom},
        {area.left, area.top, area.left + 1, area.bottom},
        {area.right - 1, area.top, area.right, area.bottom},
    };
    for (const CRect& edge : edges) fillRect(edge.intersected(area), color);
}

CRect CDrawContext::placedBitmap(const CBitmap& bitmap, const CRect& dest, CPoint source) {
    return rectOfSize({dest.left - source.x, dest.top - source.y}, bitmap.getWidth(),
                      bitmap.getHeight());
}
