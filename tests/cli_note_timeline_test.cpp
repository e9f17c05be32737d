// From what the plug-in sent to what the file holds.
#include <gtest/gtest.h>

#include "host/cli/note_timeline.h"

namespace {

using cli::NoteTimeline;

TEST(NoteTimeline, MovesEventsBackByTheLatencyButNotBeforeTheStart) {
    NoteTimeline timeline(100);
    timeline.add(50, 0x99, 36, 90);
    timeline.add(1150, 0x89, 36, 90);
    timeline.add(2000, 0x99, 38, 80);
    ASSERT_EQ(timeline.events().size(), 3u);
    EXPECT_EQ(timeline.events()[0].sample, 0);
    EXPECT_EQ(timeline.events()[1].sample, 1050);
    EXPECT_EQ(timeline.events()[2].sample, 1900);
    ASSERT_EQ(timeline.notes().size(), 2u);
    EXPECT_EQ(timeline.notes()[1].sample, 1900);
    EXPECT_EQ(timeline.notes()[1].note, 38);
    EXPECT_EQ(timeline.notes()[1].velocity, 80);
}

TEST(NoteTimeline, AHitOfVelocityZeroStaysANote) {
    NoteTimeline timeline(0);
    timeline.add(10, 0x99, 42, 0);
    EXPECT_EQ(timeline.events()[0].data2, 1);
    EXPECT_EQ(timeline.notes()[0].velocity, 1);
}

TEST(NoteTimeline, ANoteThatLostItsNoteOffEndsWithTheNextOne) {
    // The plug-in's single note-off schedule: kick, snare, then only the snare's note-off.
    NoteTimeline timeline(0);
    timeline.add(0, 0x99, 36, 100);
    timeline.add(1000, 0x99, 38, 90);
    EXPECT_TRUE(timeline.anyNoteSounding());
    timeline.add(3755, 0x89, 38, 90);
    EXPECT_FALSE(timeline.anyNoteSounding());
    const auto& e = timeline.events();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[2].status, 0x89);
    EXPECT_EQ(e[2].data1, 38);
    EXPECT_EQ(e[3].status, 0x89);
    EXPECT_EQ(e[3].data1, 36);
    EXPECT_EQ(e[3].sample, 3755);
}

TEST(NoteTimeline, EndAllClosesWhatIsStillSounding) {
    NoteTimeline timeline(100);
    timeline.add(500, 0x99, 42, 70);
    timeline.add(600, 0x99, 42, 71);
    timeline.endAll(900);
    EXPECT_FALSE(timeline.anyNoteSounding());
    ASSERT_EQ(timeline.events().size(), 4u);
    EXPECT_EQ(timeline.events()[2].sample, 800);
    EXPECT_EQ(timeline.events()[3].status, 0x89);
}

}  // namespace
