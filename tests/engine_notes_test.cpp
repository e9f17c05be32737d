// Notes as the host receives them: bytes, sample positions, note-off timing
// at the host's tempo, velocities, and the note-offs owed to sounding notes.
#include <cmath>
#include <limits>

#include "tools/drum_synth.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;

// Silence, then from `at` a steady tone at band 7's centre (640 Hz at
// 44.1 kHz): one hit whose level rises through the onset threshold within a
// few hundred samples and then stays far above the release threshold.
Stereo toneFrom(int64_t at, int64_t frames) {
    constexpr double kRadiansPerSample = 6.283185307179586 * 640.0 / 44100.0;
    Stereo s((size_t)frames);
    for (int64_t i = at; i < frames; i++)
        s.left[i] = s.right[i] = (float)(0.5 * std::sin(kRadiansPerSample * (double)(i - at)));
    return s;
}

// Plays a tone starting at sample 1000 in detection mode on the kick and
// returns the notes.
std::vector<host::MidiRecord> playTone(host::HostSettings settings, int64_t frames = 44100,
                                       Path path = Path::Single) {
    auto plugin = newInstance(settings);
    plugin->setParameter(kFunction, kDetectionMode);
    plugin->setParameter(kDrumSelect, kKick);
    plugin->setParameter(kHighThreshold, 0.3f);
    run(*plugin, toneFrom(1000, frames), kBlock, path);
    return plugin->midiEvents();
}

TEST(Notes, SustainedHitGivesOneNoteOffAnEighthBeatLater) {
    std::vector<host::MidiRecord> events = playTone({}, 2 * 44100);
    ASSERT_EQ(events.size(), 2u);
    const int64_t onset = events[0].samplePosition;
    EXPECT_GT(onset, 1050);  // the filters run 50 samples behind the input
    EXPECT_LT(onset, 2000);
    EXPECT_EQ(events[1].samplePosition, onset + kNoteOffAfter);
}

TEST(Notes, EventBytesAndSampleOffsetInTheBlock) {
    std::vector<host::MidiRecord> events = playTone({});
    ASSERT_EQ(events.size(), 2u);
    const int expectedStatus[] = {0x99, 0x89};
    for (int e = 0; e < 2; e++) {
        const VstMidiEvent& ev = events[e].event;
        EXPECT_EQ(ev.type, kVstMidiType);
        EXPECT_EQ(ev.byteSize, 24);
        // The offset of the event's sample from the start of its processing call.
        EXPECT_EQ(ev.deltaFrames, events[e].samplePosition % kBlock);
        EXPECT_EQ(events[e].blockStart % kBlock, 0);
        EXPECT_EQ(ev.flags, 0);
        EXPECT_EQ(ev.noteLength, 0);
        EXPECT_EQ(ev.noteOffset, 0);
        EXPECT_EQ(events[e].status(), expectedStatus[e]);
        EXPECT_EQ(events[e].data1(), 36);
        EXPECT_EQ(ev.midiData[3], 0);
        EXPECT_EQ(ev.detune, 0);
        EXPECT_EQ(ev.noteOffVelocity, 0);
        EXPECT_EQ(ev.reserved1, 0);
        EXPECT_EQ(ev.reserved2, 0);
    }
    EXPECT_EQ(events[0].data2(), events[1].data2());  // the note-off repeats the velocity
}

TEST(Notes, NoteLengthFollowsSampleRateAndTempo) {
    host::HostSettings settings;
    settings.sampleRate = 48000.0;
    settings.tempo = 100.0;
    std::vector<host::MidiRecord> events = playTone(settings);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].samplePosition - events[0].samplePosition, 3599);
}

// No time information, a tempo flagged invalid, and tempos that are no
// tempo at all (not a number, infinite, zero, negative) all mean 120 bpm.
TEST(Notes, UnusableTempoMeans120) {
    std::vector<host::HostSettings> hosts(6);
    hosts[0].timeInfoAvailable = false;
    hosts[1].tempoValid = false;
    hosts[1].tempo = 60.0;
    hosts[2].tempo = std::numeric_limits<double>::quiet_NaN();
    hosts[3].tempo = std::numeric_limits<double>::infinity();
    hosts[4].tempo = 0.0;
    hosts[5].tempo = -90.0;
    for (Path path : kBothPaths)
        for (size_t h = 0; h < hosts.size(); h++) {
            std::vector<host::MidiRecord> events = playTone(hosts[h], 44100, path);
            ASSERT_EQ(events.size(), 2u) << "host " << h;
            EXPECT_EQ(events[1].samplePosition - events[0].samplePosition, kNoteOffAfter) << "host " << h;
        }
}

TEST(Notes, ExtremeTempos) {
    host::HostSettings fast;
    fast.tempo = 1e7;  // less than a sample per eighth beat
    std::vector<host::MidiRecord> events = playTone(fast);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].samplePosition, events[0].samplePosition);
    EXPECT_TRUE(events[0].isNoteOn());  // the note-on first
    host::HostSettings slow;
    slow.tempo = 1e-300;  // an eighth beat longer than any 32-bit count
    EXPECT_EQ(playTone(slow).size(), 1u);
}

TEST(Notes, TemplateModeSendsNothing) {
    std::vector<float> drums = drums::render(drums::groove(44100, 4000), 44100);
    for (float function : {kTemplateMode, 0.5f, kDetectionMode}) {
        auto plugin = newInstance();
        plugin->setParameter(kFunction, function);
        plugin->setParameter(kHighThreshold, 0.2f);
        plugin->setParameter(kDrumSelect, kHiHat);
        run(*plugin, Stereo(drums, drums));
        if (function == kDetectionMode)
            EXPECT_GT(plugin->midiEvents().size(), 4u);  // the signal does have hits
        else
            EXPECT_TRUE(plugin->midiEvents().empty()) << function;
    }
}

TEST_F(NoteTest, DrumSelectChoosesTheNote) {
    const std::pair<float, int> choices[] = {{kKick, 36}, {0.26f, 36}, {kSnare, 38}, {0.75f, 38},
                                             {kHiHat, 42}, {5.0f, 42}};
    for (auto [select, note] : choices) {
        plugin->setParameter(kDrumSelect, select);
        startHit(*plugin);
        hold(*plugin, 1);
        ASSERT_FALSE(plugin->midiEvents().empty());
        EXPECT_EQ(plugin->midiEvents().back().data1(), note) << select;
    }
}

// Rings full of a constant c: the velocity is 127 * sqrt(0.99 c), the means
// running on from one hit to the next rather than starting at zero.
TEST_F(NoteTest, VelocityFromTheInputRings) {
    auto velocityOfHitOn = [&](float level) {
        hold(*plugin, 100, level);
        startHit(*plugin, level);
        hold(*plugin, 1);
        return (int)plugin->midiEvents().back().data2();
    };
    EXPECT_EQ(velocityOfHitOn(0.25f), 63);
    EXPECT_EQ(velocityOfHitOn(1.0f), 126);  // means (0.2475 + 99) / 100
    EXPECT_EQ(velocityOfHitOn(0.0f), 12);   // 0.9927 / 100 left from before, not 0
}

// Velocities past 127 are limited, not wrapped by the 7-bit mask (2.0 would
// give 178 and go out as 50), and so are infinite ones; means that cancel
// (on the 32-bit path as opposite infinities, which give NaN) give 0.
TEST(Notes, VelocityStaysWithinMidi) {
    const std::pair<float, float> rings[] = {{2.0f, 2.0f}, {3e38f, 3e38f}, {3e38f, -3e38f}};
    const int expected[] = {127, 127, 0};
    for (Path path : kBothPaths)
        for (int r = 0; r < 3; r++) {
            auto plugin = detectingInstance();
            auto ring = [&](size_t frames) {
                return Stereo(std::vector<float>(frames, rings[r].first),
                              std::vector<float>(frames, rings[r].second));
            };
            run(*plugin, ring(100), kBlock, path);
            plugin->setParameter(kHighThreshold, 0.0f);
            run(*plugin, ring(1), kBlock, path);
            ASSERT_FALSE(plugin->midiEvents().empty()) << r;
            EXPECT_EQ(plugin->midiEvents().front().data2(), expected[r]) << r;
        }
}

// A second hit of another drum inside the note length: the kick's note-off
// goes out right before the snare's note-on, in the same sample. Before, the
// single note-off that followed named the snare and the kick hung.
TEST(NoteOffs, NewDrumEndsTheSoundingNoteFirst) {
    for (Path path : kBothPaths) {
        auto plugin = detectingInstance();
        startHit(*plugin, 0.0f, path);  // sample 0: kick on, released in sample 1
        hold(*plugin, 1, 0.0f, path);
        plugin->setParameter(kDrumSelect, kSnare);
        startHit(*plugin, 0.0f, path);  // sample 2
        hold(*plugin, 3000, 0.0f, path);
        std::vector<Note> expected = {{0, kOn, 36, 0}, {2, kOff, 36, 0}, {2, kOn, 38, 0},
                                      {2 + kNoteOffAfter, kOff, 38, 0}};
        EXPECT_EQ(notesOf(*plugin), expected);
    }
}

TEST(NoteOffs, SameDrumAgainRestartsTheNoteLength) {
    for (Path path : kBothPaths) {
        auto plugin = detectingInstance();
        startHit(*plugin, 0.0f, path);
        hold(*plugin, 1, 0.0f, path);
        startHit(*plugin, 0.0f, path);
        hold(*plugin, 3000, 0.0f, path);
        std::vector<Note> expected = {{0, kOn, 36, 0}, {2, kOn, 36, 0},
                                      {2 + kNoteOffAfter, kOff, 36, 0}};
        EXPECT_EQ(notesOf(*plugin), expected);
    }
}

// A hit in template mode changes the note number while the kick's note-off
// waits; the note-off still names the kick, and its countdown stood still
// for the one template-mode sample.
TEST(NoteOffs, NoteOffAfterTemplateModeNamesTheSoundingNote) {
    for (Path path : kBothPaths) {
        auto plugin = detectingInstance();
        startHit(*plugin, 0.0f, path);
        hold(*plugin, 1, 0.0f, path);
        plugin->setParameter(kFunction, kTemplateMode);
        plugin->setParameter(kDrumSelect, kHiHat);
        startHit(*plugin, 0.0f, path);
        plugin->setParameter(kFunction, kDetectionMode);
        hold(*plugin, 3000, 0.0f, path);
        std::vector<Note> expected = {{0, kOn, 36, 0}, {1 + kNoteOffAfter, kOff, 36, 0}};
        EXPECT_EQ(notesOf(*plugin), expected);
    }
}

TEST_F(NoteTest, NoNewNoteUntilTheHitIsReleased) {
    plugin->setParameter(kLowThreshold, 0.0f);  // nothing is ever released
    startHit(*plugin);
    startHit(*plugin);
    hold(*plugin, 3000);
    std::vector<Note> expected = {{0, kOn, 36, 0}, {kNoteOffAfter, kOff, 36, 0}};
    EXPECT_EQ(notesOf(*plugin), expected);
}

// A ratio derives the release threshold from "High Threshold" and rewrites
// "Low Threshold" and "Ratio Divide" in every processed sample.
TEST_F(PluginTest, RatioSelectRewritesLowThreshold) {
    const std::pair<float, const char*> ratios[] = {
        {0.25f, "19.00000"}, {0.5f, "39.00000"}, {0.75f, "79.00000"}, {1.0f, "119.0000"}};
    const int divisors[] = {19, 39, 79, 119};
    plugin->setParameter(kHighThreshold, 0.5f);
    for (int r = 0; r < 4; r++) {
        plugin->setParameter(kRatioSelect, ratios[r].first);
        plugin->setParameter(kLowThreshold, 0.9f);  // stored as High / Ratio Divide until processed
        hold(*plugin, 1);
        EXPECT_EQ(plugin->getParameter(kLowThreshold), (float)((0.5 / divisors[r]) / (double)0.1f));
        EXPECT_EQ(plugin->getString(effGetParamDisplay, kRatioDivide), ratios[r].second);
    }
    EXPECT_NEAR(plugin->getParameter(kLowThreshold), 0.5 / 119 * 10, 1e-6);
    plugin->setParameter(kRatioSelect, 0.0f);
    plugin->setParameter(kLowThreshold, 0.3f);
    hold(*plugin, 1);
    EXPECT_EQ(plugin->getParameter(kLowThreshold), 0.3f);
}

}  // namespace
