// Tamboro Transcriber through the real boundary: what the host is told, audio
// passed through, notes equal to the transcriber's own hits one latency
// later, no note left sounding, learning from live hits, and the saved state.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/transcriber_plugin_support.h"
#include "tests/transcriber_test_support.h"
#include "transcriber_shell/state_chunk.h"

namespace {

using namespace transcriber_plugin_test;
using namespace transcriber_plugin_info;
using transcriber::Drum;
using transcriber::Hit;

constexpr int64_t kNoteLength = 2205;  // 50 ms at 44.1 kHz
constexpr double kGrooveSeconds = 6.5;

int engineLatency(double rate) {
    transcriber::Transcriber engine;
    EXPECT_EQ(engine.configure(rate), transcriber::Status::Ok);
    return engine.latency();
}

std::vector<float> groove() { return drums::any_rate::render(drums::any_rate::groove(12), kGrooveSeconds, kRate); }

std::vector<float> withSilence(std::vector<float> audio, size_t frames) {
    audio.resize(audio.size() + frames, 0.0f);
    return audio;
}

// The engine reports a hit when its look-ahead is complete, so hits of
// different drums may come out of time order.
std::vector<Hit> inTimeOrder(std::vector<Hit> hits) {
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return a.position != b.position ? a.position < b.position : a.drum < b.drum;
    });
    return hits;
}

// The engine driven directly with the templates the plug-in saved.
std::vector<Hit> engineHits(const std::vector<uint8_t>& chunk, const std::vector<float>& audio) {
    PluginState state;
    EXPECT_TRUE(readChunk(chunk.data(), chunk.size(), state));
    transcriber::Transcriber engine;
    EXPECT_EQ(engine.configure(kRate), transcriber::Status::Ok);
    for (int d = 0; d < transcriber::kDrumCount; d++)
        EXPECT_EQ(engine.restoreTemplates(static_cast<Drum>(d), state.templates.templates[d], state.templates.rates[d]),
                  transcriber::Status::Ok);
    return inTimeOrder(transcriber_test::transcribe(engine, audio));
}

// In time order; at one sample, by note (kick, snare, hi-hat).
std::vector<host::MidiRecord> noteOns(const host::Instance& plugin) {
    std::vector<host::MidiRecord> ons;
    for (const host::MidiRecord& r : plugin.midiEvents())
        if (r.isNoteOn()) ons.push_back(r);
    std::stable_sort(ons.begin(), ons.end(), [](const host::MidiRecord& a, const host::MidiRecord& b) {
        return a.samplePosition != b.samplePosition ? a.samplePosition < b.samplePosition : a.data1() < b.data1();
    });
    return ons;
}


// Notes whose last event is a note-on.
std::vector<int> sounding(const host::Instance& plugin) {
    std::array<bool, 128> on{};
    for (const host::MidiRecord& r : plugin.midiEvents()) on[r.data1()] = r.isNoteOn();
    std::vector<int> notes;
    for (int n = 0; n < 128; n++)
        if (on[n]) notes.push_back(n);
    return notes;
}

class TaughtTranscriber : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto teacher = newTranscriber();
        teachAllLive(*teacher);
        taught = new std::vector<uint8_t>(chunkOf(*teacher));
    }
    static void TearDownTestSuite() { delete taught; }
    void SetUp() override {
        ASSERT_FALSE(taught->empty());
        plugin = newTranscriber();
        ASSERT_EQ(setChunk(*plugin, *taught), 1);
        restartStream(*plugin);
    }
    // The audio played in blocks of 512: its note-ons, with positions from
    // where it started; the stream then starts again.
    std::vector<host::MidiRecord> referenceRun(const std::vector<float>& audio) {
        const int64_t start = plugin->samplePosition();
        play(*plugin, audio, 512);
        std::vector<host::MidiRecord> ons = noteOns(*plugin);
        for (host::MidiRecord& on : ons) on.samplePosition -= start;
        restartStream(*plugin);
        return ons;
    }

    static std::vector<uint8_t>* taught;
    std::unique_ptr<host::Instance> plugin;
};
std::vector<uint8_t>* TaughtTranscriber::taught = nullptr;

TEST(TranscriberRecord, TellsTheHostItsOwnFacts) {
    auto plugin = newTranscriber();
    AEffect* e = plugin->effect();
    EXPECT_EQ(e->uniqueID, kUniqueId);
    EXPECT_NE(e->uniqueID, plugin_info::kUniqueId);
    EXPECT_EQ(e->flags, kFlags);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numParams, kNumParams);
    EXPECT_EQ(e->initialDelay, engineLatency(kRate));
    EXPECT_EQ(plugin->getString(effGetEffectName), "Tamboro Transcriber");
    EXPECT_EQ(plugin->getString(effGetVendorString), "Quillon");
    for (const char* yes : {"sendVstEvents", "sendVstMidiEvent", "bypass"}) EXPECT_EQ(plugin->canDo(yes), 1) << yes;
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), -1);
}

TEST(TranscriberRecord, ANewRateReportsTheEnginesLatencyAtThatRate) {
    auto plugin = newTranscriber();
    plugin->dispatch(effMainsChanged, 0, 0);
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    plugin->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(plugin->effect()->initialDelay, engineLatency(96000.0));
    EXPECT_EQ(plugin->countCalls(audioMasterIOChanged), 1u);
}

TEST(TranscriberParameters, DisplaysForMusicians) {
    auto plugin = newTranscriber();
    EXPECT_EQ(display(*plugin, kKickSensitivity), "+0.0");
    EXPECT_EQ(plugin->getString(effGetParamLabel, kKickSensitivity), "dB");
    plugin->setParameter(kSnareSensitivity, 0.75f);
    EXPECT_EQ(display(*plugin, kSnareSensitivity), "+12.0");
    plugin->setParameter(kHiHatSensitivity, 0.0f);
    EXPECT_EQ(display(*plugin, kHiHatSensitivity), "-24.0");
    EXPECT_EQ(display(*plugin, kKickLearn), "unlearnt");
    plugin->setParameter(kKickLearn, 1.0f);
    EXPECT_EQ(display(*plugin, kKickLearn), "armed");
    plugin->setParameter(kKickLearn, 0.0f);
    EXPECT_EQ(plugin->getParameter(kKickLearn), 0.0f);
    plugin->setParameter(kSnareSensitivity, NAN);
    EXPECT_EQ(plugin->getParameter(kSnareSensitivity), 0.75f);
}

TEST_F(TaughtTranscriber, NotesEqualTheEnginesHitsOneLatencyLaterAtEveryBlockSize) {
    const std::vector<float> audio = groove();
    const std::vector<Hit> hits = engineHits(*taught, audio);
    ASSERT_GT(hits.size(), 20u);
    const int64_t latency = plugin->effect()->initialDelay;
    for (int32_t block : {64, 441, 4096}) {
        SetUp();
        const int64_t start = plugin->samplePosition();
        play(*plugin, withSilence(audio, (size_t)(latency + kNoteLength)), block);
        const std::vector<host::MidiRecord> ons = noteOns(*plugin);
        ASSERT_EQ(ons.size(), hits.size()) << "blocks of " << block;
        for (size_t i = 0; i < hits.size(); i++) {
            EXPECT_EQ(ons[i].samplePosition - start - latency, hits[i].position) << "blocks of " << block;
            EXPECT_EQ(ons[i].data1(), plugin_info::kDrumNotes[static_cast<int>(hits[i].drum)]);
            EXPECT_EQ(ons[i].data2(), hits[i].velocity);
            EXPECT_EQ(ons[i].status(), 0x99);
        }
        EXPECT_TRUE(sounding(*plugin).empty()) << "blocks of " << block;
    }
}

TEST_F(TaughtTranscriber, EachNoteEndsFiftyMillisecondsLaterOrWhenStruckAgain) {
    play(*plugin, withSilence(groove(), 8192), 256);
    const std::vector<host::MidiRecord> events = plugin->midiEvents();
    for (size_t i = 0; i < events.size(); i++) {
        if (!events[i].isNoteOn()) continue;
        size_t off = i + 1;
        while (off < events.size() && events[off].data1() != events[i].data1()) off++;
        ASSERT_LT(off, events.size());
        EXPECT_TRUE(events[off].isNoteOff());
        EXPECT_LE(events[off].samplePosition - events[i].samplePosition, kNoteLength);
        if (events[off].samplePosition - events[i].samplePosition < kNoteLength) {
            ASSERT_LT(off + 1, events.size());
            EXPECT_TRUE(events[off + 1].isNoteOn());
            EXPECT_EQ(events[off + 1].samplePosition, events[off].samplePosition);
        }
    }
}

TEST_F(TaughtTranscriber, DoublePrecisionGivesTheSameNotes) {
    const std::vector<float> audio = withSilence(groove(), 8192);
    const std::vector<host::MidiRecord> floats = referenceRun(audio);
    const int64_t start = plugin->samplePosition();
    std::vector<double> in(audio.begin(), audio.end()), out(audio.size());
    std::vector<double> outR(audio.size());
    plugin->processStereoDouble(in.data(), in.data(), out.data(), outR.data(), (int64_t)in.size(), 512);
    EXPECT_EQ(out, in);
    const std::vector<host::MidiRecord> doubles = noteOns(*plugin);
    ASSERT_EQ(doubles.size(), floats.size());
    for (size_t i = 0; i < floats.size(); i++) {
        EXPECT_EQ(doubles[i].samplePosition - start, floats[i].samplePosition);
        EXPECT_EQ(doubles[i].data1(), floats[i].data1());
    }
}

TEST_F(TaughtTranscriber, MissingBuffersProcessNothingAndSendNothing) {
    const std::vector<float> audio = withSilence(groove(), 8192);
    const std::vector<host::MidiRecord> reference = referenceRun(audio);
    const int64_t start = plugin->samplePosition();
    float* none[2] = {nullptr, nullptr};
    std::vector<float> out(512);
    float* half[2] = {out.data(), nullptr};
    for (size_t at = 0; at < audio.size(); at += 512) {
        plugin->process(none, none, 512);
        plugin->process(half, half, 512);
        std::vector<float> block(audio.begin() + at, audio.begin() + std::min(audio.size(), at + 512));
        play(*plugin, block, 512);
    }
    const std::vector<host::MidiRecord> ons = noteOns(*plugin);
    ASSERT_EQ(ons.size(), reference.size());
    // Each block played is preceded by 1024 samples the plug-in never took.
    for (size_t i = 0; i < ons.size(); i++) {
        const int64_t played = ons[i].blockStart - start;
        EXPECT_EQ(played / 1536 * 512 + played % 1536 + ons[i].event.deltaFrames - 1024,
                  reference[i].samplePosition);
    }
}

TEST_F(TaughtTranscriber, AudioPassesThroughUnchangedInPlaceToo) {
    const std::vector<float> audio = groove();
    std::vector<float> out;
    play(*plugin, audio, 333, &out);
    EXPECT_EQ(out, audio);
    std::vector<float> left = audio, right = audio;
    float* channels[2] = {left.data(), right.data()};
    plugin->process(channels, channels, (int32_t)left.size());
    EXPECT_EQ(left, audio);
    EXPECT_EQ(right, audio);
}

// Suspending, bypassing and closing in the middle of a note each end it.
TEST_F(TaughtTranscriber, NoNoteHangsOnSuspendBypassOrClose) {
    const std::vector<float> audio = groove();
    // Up to the first note-on and a few samples into it.
    auto untilANoteSounds = [&](host::Instance& p) {
        for (size_t at = 0; at < audio.size() && sounding(p).empty(); at += 64)
            play(p, std::vector<float>(audio.begin() + at, audio.begin() + at + 64), 64);
        ASSERT_FALSE(sounding(p).empty());
    };
    untilANoteSounds(*plugin);
    plugin->dispatch(effMainsChanged, 0, 0);
    EXPECT_TRUE(sounding(*plugin).empty()) << "suspend";

    plugin->dispatch(effMainsChanged, 0, 1);
    untilANoteSounds(*plugin);
    const size_t before = noteOns(*plugin).size();
    EXPECT_EQ(plugin->dispatch(effSetBypass, 0, 1), 1);
    play(*plugin, audio, 512);
    EXPECT_TRUE(sounding(*plugin).empty()) << "bypass";
    EXPECT_EQ(noteOns(*plugin).size(), before) << "notes while bypassed";

    plugin->dispatch(effSetBypass, 0, 0);
    plugin->clearRecords();
    untilANoteSounds(*plugin);
    plugin->dispatch(effClose);
    EXPECT_TRUE(sounding(*plugin).empty()) << "close";
}

// Outside 22.05 to 192 kHz the audio passes through and no notes are made;
// back at a usable rate the notes come again.
TEST_F(TaughtTranscriber, AnUnusableRateMakesNoNotes) {
    auto atRate = [&](float rate) {
        plugin->dispatch(effMainsChanged, 0, 0);
        plugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        plugin->dispatch(effMainsChanged, 0, 1);
        plugin->clearRecords();
        std::vector<float> out;
        play(*plugin, withSilence(groove(), 8192), 512, &out);
        EXPECT_EQ(out, withSilence(groove(), 8192));
    };
    atRate(8000.0f);
    EXPECT_TRUE(noteOns(*plugin).empty());
    atRate(44100.0f);
    EXPECT_FALSE(noteOns(*plugin).empty());
}

TEST_F(TaughtTranscriber, SensitivityTakesEffect) {
    plugin->setParameter(kHiHatSensitivity, 0.0f);
    plugin->setParameter(kKickSensitivity, 0.0f);
    plugin->setParameter(kSnareSensitivity, 0.0f);
    play(*plugin, withSilence(groove(), 8192), 512);
    const size_t fewer = noteOns(*plugin).size();
    restartStream(*plugin);
    for (int32_t p : {kKickSensitivity, kSnareSensitivity, kHiHatSensitivity}) plugin->setParameter(p, 0.5f);
    play(*plugin, withSilence(groove(), 8192), 512);
    EXPECT_LT(fewer, noteOns(*plugin).size());
}

TEST_F(TaughtTranscriber, AChunkCarriesTemplatesAndParameters) {
    plugin->setParameter(kSnareSensitivity, 0.625f);
    const std::vector<uint8_t> chunk = chunkOf(*plugin);
    auto copy = newTranscriber();
    ASSERT_EQ(setChunk(*copy, chunk), 1);
    EXPECT_EQ(copy->getParameter(kSnareSensitivity), 0.625f);
    EXPECT_EQ(display(*copy, kHiHatLearn), "ready");
    EXPECT_EQ(chunkOf(*copy), chunk);
    restartStream(*copy);
    restartStream(*plugin);
    const std::vector<float> audio = withSilence(groove(), 8192);
    play(*plugin, audio, 512);
    play(*copy, audio, 512);
    ASSERT_FALSE(noteOns(*copy).empty());
    EXPECT_EQ(noteOns(*copy).size(), noteOns(*plugin).size());
}

// Refused chunks change nothing: the state saved afterwards is the state before.
TEST_F(TaughtTranscriber, BadChunksAreRefusedAndChangeNothing) {
    const std::vector<uint8_t> good = chunkOf(*plugin);
    auto resealed = [](std::vector<uint8_t> c) {
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), c.data(), (uInt)(c.size() - 4));
        for (int i = 0; i < 4; i++) c[c.size() - 4 + i] = (uint8_t)(crc >> (8 * i));
        return c;
    };
    std::vector<std::vector<uint8_t>> bad;
    for (size_t size : {size_t(0), size_t(3), size_t(16), good.size() / 2, good.size() - 1})
        bad.emplace_back(good.begin(), good.begin() + size);
    for (size_t at : {size_t(0), size_t(5), size_t(13), good.size() / 2, good.size() - 1}) {
        bad.push_back(good);
        bad.back()[at] ^= 0x10;
    }
    std::vector<uint8_t> newer = good;
    newer[4] = 2;
    bad.push_back(resealed(newer));
    std::vector<uint8_t> other = good;
    std::memcpy(other.data(), "0604", 4);
    bad.push_back(resealed(other));
    std::vector<uint8_t> nan = good;
    std::memset(nan.data() + 12, 0xFF, 4);  // the kick's sensitivity
    bad.push_back(resealed(nan));
    for (size_t i = 0; i < bad.size(); i++) {
        EXPECT_EQ(setChunk(*plugin, bad[i]), 0) << "chunk " << i;
        EXPECT_EQ(chunkOf(*plugin), good) << "chunk " << i;
    }
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 100, nullptr), 0);
}

TEST(TranscriberLearning, AHitTeachesOnlyTheArmedDrumAndDisarmsIt) {
    auto plugin = newTranscriber();
    teachLive(*plugin, Drum::Snare);
    EXPECT_EQ(display(*plugin, kKickLearn), "unlearnt");
    EXPECT_EQ(display(*plugin, kHiHatLearn), "unlearnt");
    restartStream(*plugin);
    play(*plugin, withSilence(drums::any_rate::example(Drum::Snare, kRate), 8192), 512);
    const std::vector<host::MidiRecord> ons = noteOns(*plugin);
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0].data1(), plugin_info::kNoteSnare);
}

}  // namespace
