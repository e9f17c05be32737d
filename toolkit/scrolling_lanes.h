// Rows of marks that scroll from right to left as time passes: a mark enters
// at the right edge when added and leaves at the left edge `span` later.
// Each mark is a bar whose height shows its strength (0 to 1).
//
// Fixed storage: each lane keeps its newest kMarksPerLane marks. Runs on the
// user-interface thread only; the owner passes the time (in milliseconds of
// any steady clock) with each call, so the view reads no clock itself.
#pragma once

#include <array>
#include <cstdint>

#include "view.h"

struct CScrollingLanesStyle {
    CColor background;
    CColor divider;
    CColor mark;
    CColor label;
    CFontDesc font;
    int32_t labelWidth;  // pixels at the left for the lane names
    int64_t spanMs;      // how long a mark takes to cross the lane
};

class CScrollingLanes : public CView {
public:
    static constexpr int32_t kMaxLanes = 8;
    static constexpr int32_t kMarksPerLane = 64;

    // labels: one name per lane (they must outlive the view); at most kMaxLanes.
    CScrollingLanes(const CRect& size, const char* const* labels, int32_t lanes,
                    const CScrollingLanesStyle& style);

    void addMark(int32_t lane, float strength, int64_t nowMs);
    // Moves the picture on to nowMs; the view needs a repaint while any mark
    // is still crossing.
    void advance(int64_t nowMs);
    // Marks still crossing lane at the last advance.
    int32_t visibleMarks(int32_t lane) const;

    void draw(CDrawContext& context) override;

private:
    struct Mark {
        int64_t atMs;
        float strength;
    };
    struct Lane {
        const char* label = "";
        std::array<Mark, kMarksPerLane> marks{};
        int32_t count = 0;  // marks stored, up to kMarksPerLane
        int32_t next = 0;   // where the next mark goes
    };

    CRect laneRect(int32_t lane) const;
    bool crossing(const Mark& mark) const;
    void drawLane(CDrawContext& context, int32_t lane);

    std::array<Lane, kMaxLanes> laneData;
    int32_t lanes;
    CScrollingLanesStyle style;
    int64_t nowMs = 0;
};
