#include "scrolling_lanes.h"

#include <algorithm>

#include "draw_context.h"

namespace {

constexpr int32_t kMarkWidth = 3;
// Between a bar and its lane's edges.
constexpr int32_t kLanePadding = 3;

}  // namespace

CScrollingLanes::CScrollingLanes(const CRect& size, const char* const* labels, int32_t lanes,
                                 const CScrollingLanesStyle& style)
    : CView(size), lanes(std::clamp(lanes, 0, kMaxLanes)), style(style) {
    for (int32_t lane = 0; lane < this->lanes; lane++) laneData[lane].label = labels[lane];
}

void CScrollingLanes::addMark(int32_t lane, float strength, int64_t now) {
    if (lane < 0 || lane >= lanes) return;
    Lane& data = laneData[lane];
    data.marks[data.next] = {now, std::clamp(strength, 0.0f, 1.0f)};
    data.next = (data.next + 1) % kMarksPerLane;
    data.count = std::min(data.count + 1, kMarksPerLane);
    advance(now);
}

bool CScrollingLanes::crossing(const Mark& mark) const {
    return mark.atMs <= nowMs && nowMs - mark.atMs < style.spanMs;
}

void CScrollingLanes::advance(int64_t now) {
    if (now < nowMs) return;
    bool moving = false;
    for (int32_t lane = 0; lane < lanes && !moving; lane++) moving = visibleMarks(lane) > 0;
    nowMs = now;
    // Also the step that carries the last mark out must be painted.
    for (int32_t lane = 0; lane < lanes && !moving; lane++) moving = visibleMarks(lane) > 0;
    if (moving) setDirty();
}

int32_t CScrollingLanes::visibleMarks(int32_t lane) const {
    if (lane < 0 || lane >= lanes) return 0;
    const Lane& data = laneData[lane];
    return (int32_t)std::count_if(data.marks.begin(), data.marks.begin() + data.count,
                                  [this](const Mark& mark) { return crossing(mark); });
}

CRect CScrollingLanes::laneRect(int32_t lane) const {
    const CRect& size = getViewSize();
    int32_t top = size.top + size.height() * lane / lanes;
    int32_t bottom = size.top + size.height() * (lane + 1) / lanes;
    return {size.left, top, size.right, bottom};
}

void CScrollingLanes::draw(CDrawContext& context) {
    context.fillRect(getViewSize(), style.background);
    for (int32_t lane = 0; lane < lanes; lane++) drawLane(context, lane);
    context.frameRect(getViewSize(), style.divider);
}

void CScrollingLanes::drawLane(CDrawContext& context, int32_t lane) {
    CRect row = laneRect(lane);
    CRect label{row.left, row.top, row.left + style.labelWidth, row.bottom};
    context.drawString(laneData[lane].label, label, style.font, style.label);
    context.fillRect({row.left, row.bottom - 1, row.right, row.bottom}, style.divider);
    CRect track{label.right, row.top + kLanePadding, row.right - kMarkWidth,
                row.bottom - kLanePadding};
    if (track.isEmpty() || style.spanMs <= 0) return;
    const Lane& data = laneData[lane];
    for (int32_t i = 0; i < data.count; i++) {
        const Mark& mark = data.marks[i];
        if (!crossing(mark)) continue;
        int64_t age = nowMs - mark.atMs;
        int32_t x = track.right - (int32_t)(age * track.width() / style.spanMs);
        int32_t height = std::max(1, (int32_t)(mark.strength * (float)track.height()));
        context.fillRect({x, track.bottom - height, x + kMarkWidth, track.bottom}, style.mark);
    }
}
