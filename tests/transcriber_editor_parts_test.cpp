// The parts of Tamboro Transcriber's editor that need no window: the hit
// feed between the audio and user-interface threads, and the drawn widgets.
#include <gtest/gtest.h>

#include <thread>

#include "toolkit/draw_context.h"
#include "toolkit/scrolling_lanes.h"
#include "toolkit/text_button.h"
#include "transcriber_shell/hit_feed.h"

namespace {

TEST(HitFeed, HandsHitsOverInOrderAndDropsWhatDoesNotFit) {
    HitFeed feed;
    for (uint32_t i = 0; i < HitFeed::kCapacity; i++) EXPECT_TRUE(feed.push((int32_t)i % 3, 1 + (int32_t)i));
    EXPECT_FALSE(feed.push(0, 127));
    FedHit hit{};
    ASSERT_TRUE(feed.take(hit));
    EXPECT_EQ(hit.drum, 0);
    EXPECT_EQ(hit.velocity, 1);
    EXPECT_TRUE(feed.push(2, 127));  // room again
    feed.clear();
    EXPECT_FALSE(feed.take(hit));
}

TEST(HitFeed, AReaderOnAnotherThreadSeesEveryHitOnceAndInOrder) {
    constexpr int kHits = 20000;
    HitFeed feed;
    std::thread audio([&feed] {
        for (int i = 0; i < kHits;)
            if (feed.push(i % 3, 1 + i % 127)) i++;
    });
    FedHit hit{};
    for (int expected = 0; expected < kHits;) {
        if (!feed.take(hit)) continue;
        ASSERT_EQ(hit.drum, expected % 3);
        ASSERT_EQ(hit.velocity, 1 + expected % 127);
        expected++;
    }
    audio.join();
}

constexpr CColor kMark{250, 200, 50};
constexpr CScrollingLanesStyle kStyle{{0, 0, 0}, {9, 9, 9}, kMark, {255, 255, 255},
                                      kNormalFontSmall, 0, 1000};
const char* const kNames[] = {"a", "b"};

int markColumns(const CDrawContext& picture, int y) {
    const auto* row = reinterpret_cast<const uint32_t*>(picture.pixelRows() + (size_t)y * picture.rowBytes());
    int count = 0;
    for (int x = 0; x < picture.getWidth(); x++) count += (row[x] & 0xFFFFFFu) == 0xFAC832u;
    return count;
}

TEST(ScrollingLanes, MarksCrossTheirLaneInTheSpanThenLeave) {
    CScrollingLanes lanes({0, 0, 203, 40}, kNames, 2, kStyle);
    CDrawContext picture(203, 40);
    lanes.addMark(1, 1.0f, 5000);
    EXPECT_EQ(lanes.visibleMarks(0), 0);
    EXPECT_EQ(lanes.visibleMarks(1), 1);
    EXPECT_TRUE(lanes.isDirty());
    lanes.advance(5500);
    lanes.redraw(picture);
    EXPECT_EQ(markColumns(picture, 10), 0);  // lane 0 is empty
    EXPECT_EQ(markColumns(picture, 35), 3);  // one bar, in the middle
    lanes.advance(6000);
    EXPECT_EQ(lanes.visibleMarks(1), 0);
    EXPECT_TRUE(lanes.isDirty());  // the step that carries it out
    lanes.redraw(picture);
    lanes.advance(6100);
    EXPECT_FALSE(lanes.isDirty());  // nothing left to move
}

TEST(ScrollingLanes, KeepsTheNewestMarksOfALane) {
    CScrollingLanes lanes({0, 0, 100, 20}, kNames, 1, kStyle);
    for (int i = 0; i < 3 * CScrollingLanes::kMarksPerLane; i++) lanes.addMark(0, 0.5f, 100 + i);
    EXPECT_EQ(lanes.visibleMarks(0), CScrollingLanes::kMarksPerLane);
    lanes.addMark(7, 1.0f, 400);  // no such lane
}

struct CountingListener : CControlListener {
    int changes = 0;
    void valueChanged(CDrawContext*, CControl*) override { changes++; }
};

TEST(TextButton, EachClickFlipsItOnceEvenWhenDragged) {
    CountingListener listener;
    CTextButton button({0, 0, 50, 20}, &listener, 4, {}, kNormalFontSmall);
    button.onMouseDown({5, 5}, kLButton);
    button.onMouseMoved({40, 5}, kLButton);
    button.onMouseUp({40, 5}, kLButton);
    EXPECT_TRUE(button.isOn());
    EXPECT_EQ(listener.changes, 1);
    button.onMouseDown({5, 5}, kLButton);
    button.onMouseUp({5, 5}, kLButton);
    EXPECT_FALSE(button.isOn());
    button.setTitle("a title longer than the button keeps, cut short");
    EXPECT_EQ(std::string(button.getTitle()).size(), CTextButton::kTitleSize - 1);
}

}  // namespace
