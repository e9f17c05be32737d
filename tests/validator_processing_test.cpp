// Processing as hosts really call it: every block size from 0 to 65536,
// negative counts, sample rates and tempos changing between blocks (none, 0,
// negative, not a number), 32- and 64-bit calls mixed in one stream, and
// hostile input (not a number, infinite, subnormal, full-scale square, DC)
// followed by normal audio. Every event is checked as it arrives.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "plugin_fixture.h"
#include "shell/plugin_info.h"
#include "validator_detecting.h"
#include "validator_support.h"

namespace {

using namespace plugin_info;
using validator::MidiFaults;
using validator::Stereo;

constexpr double kRate = 44100.0;
constexpr size_t kOneSecond = 44100;
constexpr float kSentinel = 12345.0f;

Stereo constant(size_t frames, float left, float right) {
    return Stereo{std::vector<float>(frames, left), std::vector<float>(frames, right)};
}

Stereo square(size_t frames, float amplitude, size_t halfPeriod) {
    Stereo s = constant(frames, 0.0f, 0.0f);
    for (size_t i = 0; i < frames; i++)
        s.left[i] = s.right[i] = (i / halfPeriod) % 2 ? -amplitude : amplitude;
    return s;
}

struct Stream {
    Stereo output;
    std::vector<host::MidiRecord> events;
};

Stream runInBlocks(const Stereo& input, int32_t blockSize, bool interleaveEmptyCalls = false) {
    auto plugin = newInstance();
    validator::setDetection(*plugin, validator::kDrumSnare);
    MidiFaults faults;
    Stream run;
    if (!interleaveEmptyCalls) {
        validator::processChecked(*plugin, input, blockSize, faults, &run.output);
    } else {
        for (size_t start = 0; start < input.size(); start += blockSize) {
            Stereo block;
            size_t end = std::min(input.size(), start + blockSize);
            block.left.assign(input.left.begin() + start, input.left.begin() + end);
            block.right.assign(input.right.begin() + start, input.right.begin() + end);
            float* none[2] = {nullptr, nullptr};
            plugin->process(none, none, 0);
            validator::processChecked(*plugin, block, blockSize, faults, &run.output);
        }
    }
    EXPECT_TRUE(faults.empty()) << "blocks of " << blockSize << "\n" << faults.text();
    run.events = plugin->midiEvents();
    return run;
}

// The stream is the same whatever the block size: outputs bit for bit, and
// each event in the same sample.
TEST(Processing, EveryBlockSizeGivesTheSameStream) {
    Stereo input = validator::drumPattern(7);
    Stream reference = runInBlocks(input, 512);
    for (int32_t blockSize : {1, 2, 3, 37, 511, 1023, 4096, 8192, 65536}) {
        Stream run = runInBlocks(input, blockSize, blockSize == 37);
        EXPECT_EQ(run.output.left, reference.output.left) << "blocks of " << blockSize;
        EXPECT_EQ(run.output.right, reference.output.right) << "blocks of " << blockSize;
        ASSERT_EQ(run.events.size(), reference.events.size()) << "blocks of " << blockSize;
        for (size_t i = 0; i < run.events.size(); i++) {
            EXPECT_EQ(run.events[i].samplePosition, reference.events[i].samplePosition);
            EXPECT_EQ(memcmp(run.events[i].event.midiData, reference.events[i].event.midiData, 4), 0);
        }
    }
}

// A zero or negative count processes nothing and touches no buffer, not even
// null ones, in either precision.
class EveryPluginProcessing : public EveryPlugin {};

TEST_P(EveryPluginProcessing, ZeroAndNegativeCountsTouchNothing) {
    const validator::Detecting detecting =
        validator::detectingWith(GetParam(), validator::drumPattern(2, 3000), validator::kDrumSnare);
    auto reference = newInstanceOf(GetParam());
    detecting.prepare(*reference);
    Stream expected;
    MidiFaults faults;
    validator::processChecked(*reference, detecting.signal, 256, faults, &expected.output);
    ASSERT_FALSE(reference->midiEvents().empty());

    auto plugin = newInstanceOf(GetParam());
    detecting.prepare(*plugin);
    float sentinelL[16], sentinelR[16];
    double sentinelDL[16], sentinelDR[16];
    for (int i = 0; i < 16; i++) sentinelL[i] = sentinelR[i] = kSentinel, sentinelDL[i] = sentinelDR[i] = kSentinel;
    for (int32_t count : {0, -1, -2, -1024, -65536, INT32_MIN}) {
        float* in[2] = {sentinelL, sentinelR};
        float* out[2] = {sentinelL, sentinelR};
        plugin->process(in, out, count);
        double* inD[2] = {sentinelDL, sentinelDR};
        double* outD[2] = {sentinelDL, sentinelDR};
        plugin->processDouble(inD, outD, count);
        float* none[2] = {nullptr, nullptr};
        plugin->process(none, none, count);
        double* noneD[2] = {nullptr, nullptr};
        plugin->processDouble(noneD, noneD, count);
    }
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(sentinelL[i], kSentinel);
        EXPECT_EQ(sentinelR[i], kSentinel);
        EXPECT_EQ(sentinelDL[i], kSentinel);
        EXPECT_EQ(sentinelDR[i], kSentinel);
    }
    Stereo output;
    validator::processChecked(*plugin, detecting.signal, 256, faults, &output);
    EXPECT_TRUE(faults.empty()) << faults.text();
    EXPECT_EQ(output.left, expected.output.left) << "empty calls changed the state";
    EXPECT_EQ(plugin->midiEvents().size(), reference->midiEvents().size());
}

INSTANTIATE_FOR_EVERY_PLUGIN(EveryPluginProcessing);

// A call with a missing buffer (either array, or any one of the four
// channels) asks the host for the rate and time as every call does, then
// writes nothing and sends nothing, on either path; the stream after it is
// the stream without it.
template <typename T>
void callWithOneBufferMissing(host::Instance& plugin, int missing) {
    constexpr int32_t kFrames = 16;
    T buffers[4][kFrames];
    for (auto& channel : buffers) std::fill(std::begin(channel), std::end(channel), T(kSentinel));
    T* in[2] = {buffers[0], buffers[1]};
    T* out[2] = {buffers[2], buffers[3]};
    if (missing < 4) (missing < 2 ? in : out)[missing % 2] = nullptr;
    T** inputs = missing == 4 ? nullptr : in;
    T** outputs = missing == 5 ? nullptr : out;
    if constexpr (std::is_same_v<T, float>)
        plugin.process(inputs, outputs, kFrames);
    else
        plugin.processDouble(inputs, outputs, kFrames);
    for (auto& channel : buffers)
        for (T sample : channel) ASSERT_EQ(sample, T(kSentinel));
}

TEST(Processing, AMissingBufferChangesNothing) {
    Stereo pattern = validator::drumPattern(4, 3000);
    const size_t half = pattern.size() / 2;
    Stereo first, second;
    first.left.assign(pattern.left.begin(), pattern.left.begin() + half);
    first.right.assign(pattern.right.begin(), pattern.right.begin() + half);
    second.left.assign(pattern.left.begin() + half, pattern.left.end());
    second.right.assign(pattern.right.begin() + half, pattern.right.end());
    // 0 to 3: input left, input right, output left, output right; 4: the
    // input array, 5: the output array.
    for (bool doublePath : {false, true})
        for (int missing = 0; missing < 6; missing++) {
            SCOPED_TRACE(testing::Message() << "double " << doublePath << ", missing " << missing);
            Stream runs[2];
            for (bool withMissingCall : {false, true}) {
                auto plugin = newInstance();
                validator::setDetection(*plugin, validator::kDrumSnare);
                MidiFaults faults;
                Stream& run = runs[withMissingCall];
                validator::processChecked(*plugin, first, 256, faults, &run.output, doublePath);
                if (withMissingCall) {
                    plugin->clearRecords();
                    if (doublePath)
                        callWithOneBufferMissing<double>(*plugin, missing);
                    else
                        callWithOneBufferMissing<float>(*plugin, missing);
                    EXPECT_EQ(plugin->countCalls(audioMasterGetSampleRate), 1u);
                    EXPECT_EQ(plugin->countCalls(audioMasterGetTime), 1u);
                    EXPECT_TRUE(plugin->midiEvents().empty());
                }
                validator::processChecked(*plugin, second, 256, faults, &run.output, doublePath);
                run.events = plugin->midiEvents();
                EXPECT_TRUE(faults.empty()) << faults.text();
            }
            EXPECT_EQ(runs[1].output.left, runs[0].output.left);
            EXPECT_EQ(runs[1].output.right, runs[0].output.right);
            // The reference keeps the first half's events; compare the second's.
            ASSERT_LE(runs[1].events.size(), runs[0].events.size());
            const size_t skipped = runs[0].events.size() - runs[1].events.size();
            for (size_t i = 0; i < runs[1].events.size(); i++) {
                const VstMidiEvent& a = runs[1].events[i].event;
                const VstMidiEvent& b = runs[0].events[i + skipped].event;
                EXPECT_EQ(a.deltaFrames, b.deltaFrames);
                EXPECT_EQ(memcmp(a.midiData, b.midiData, 4), 0);
            }
        }
}

struct HostChange {
    double sampleRate;       // audioMasterGetSampleRate's answer
    float setSampleRate;     // effSetSampleRate before the block; 0 = not sent
    bool timeInfo, tempoValid;
    double tempo;
};

const HostChange kHostChanges[] = {
    {44100, 0, true, true, 120},         {48000, 0, true, true, 100},
    {0, 0, true, true, 120},             {-44100, 0, true, true, 120},
    {0, NAN, true, true, 120},           {0, INFINITY, true, true, 120},
    {0, -1.0f, true, true, 120},         {0, 0.0f, true, true, 120},
    {1e9, 0, true, true, 120},           {96000, 0, true, true, 0},
    {22050, 0, true, true, -120},        {44100, 0, true, true, NAN},
    {44100, 0, true, true, INFINITY},    {44100, 0, true, true, -INFINITY},
    {44100, 0, true, true, 1e-300},      {44100, 0, true, true, 1e300},
    {44100, 0, true, true, 999999},      {44100, 0, true, false, 120},
    {44100, 0, false, false, 120},       {8000, 0, true, true, 30},
};

void apply(host::Instance& plugin, const HostChange& change) {
    plugin.settings.sampleRate = change.sampleRate;
    plugin.settings.timeInfoAvailable = change.timeInfo;
    plugin.settings.tempoValid = change.tempoValid;
    plugin.settings.tempo = change.tempo;
    if (change.setSampleRate != 0.0f || std::isnan(change.setSampleRate))
        plugin.dispatch(effSetSampleRate, 0, 0, nullptr, change.setSampleRate);
}

// Plays the three drums, each as a fixed choice, close together, then enough
// silence for every note-off, at a normal rate and tempo.
void finishNormally(host::Instance& plugin, MidiFaults& faults, bool doublePath = false) {
    plugin.settings = host::HostSettings{};
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, (float)kRate);
    for (float drum : {validator::kDrumKick, validator::kDrumSnare, validator::kDrumHiHat}) {
        validator::setDetection(plugin, drum);
        Stereo hit = validator::drumHit(validator::Drum::Snare);
        hit.appendSilence(kOneSecond / 2);
        validator::processChecked(plugin, hit, 300, faults, nullptr, doublePath);
    }
    validator::processChecked(plugin, constant(kOneSecond, 0.0f, 0.0f), 1000, faults, nullptr,
                              doublePath);
}

void expectNoHangingNotes(const host::Instance& plugin) {
    auto hanging = validator::hangingNotes(plugin.midiEvents());
    EXPECT_TRUE(hanging.empty()) << hanging.size() << " hanging notes, first " << hanging[0];
}

TEST(Processing, SampleRateAndTempoChangesBetweenBlocks) {
    auto plugin = newInstance();
    MidiFaults faults;
    Stereo pattern = validator::drumPattern(3, 2000);
    int blocks = 0;
    for (int round = 0; round < 2; round++)
        for (const HostChange& change : kHostChanges) {
            validator::setDetection(*plugin, blocks % 2 ? validator::kDrumKick : validator::kDrumHiHat);
            apply(*plugin, change);
            validator::processChecked(*plugin, pattern, round ? 4096 : 333, faults, nullptr,
                                      round == 1);
            blocks++;
        }
    finishNormally(*plugin, faults);
    EXPECT_TRUE(faults.empty()) << faults.text();
    expectNoHangingNotes(*plugin);
}

// 32- and 64-bit calls alternate in one stream, as a host switching its
// engine precision might; the two paths share indices, filters and note state.
TEST(Processing, SwitchingPrecisionMidStream) {
    auto plugin = newInstance();
    validator::setDetection(*plugin);
    MidiFaults faults;
    Stereo pattern = validator::drumPattern(6, 3000);
    size_t half = 700;
    for (size_t start = 0, n = 0; start < pattern.size(); start += half, n++) {
        Stereo block;
        size_t end = std::min(pattern.size(), start + half);
        block.left.assign(pattern.left.begin() + start, pattern.left.begin() + end);
        block.right.assign(pattern.right.begin() + start, pattern.right.begin() + end);
        validator::processChecked(*plugin, block, 700, faults, nullptr, n % 3 == 1);
    }
    finishNormally(*plugin, faults, true);
    finishNormally(*plugin, faults, false);
    EXPECT_TRUE(faults.empty()) << faults.text();
    expectNoHangingNotes(*plugin);
}

struct Hostile {
    const char* name;
    Stereo signal;
    bool finiteWhileInside;  // outputs must stay finite during the signal too
};

// What a broken source or a careless host sends; the instance recovers.
std::vector<Hostile> hostileInputs() {
    return {
        {"not a number", constant(kOneSecond, NAN, NAN), true},
        {"NaN on the left only", constant(kOneSecond, NAN, 0.5f), true},
        {"+infinity", constant(kOneSecond, INFINITY, INFINITY), true},
        {"-infinity", constant(kOneSecond, -INFINITY, INFINITY), true},
        {"subnormal", constant(kOneSecond, 1e-40f, -1e-42f), true},
        {"full-scale square", square(kOneSecond, 1.0f, 220), true},
        {"DC", constant(kOneSecond, 1.0f, 1.0f), true},
        {"negative DC", constant(kOneSecond, -1.0f, -1.0f), true},
    };
}

// Finite but absurd: the band filters take it as it is, and the lowest band
// rings down from it for a long time (about 75 s from the largest float),
// so only survival is asked of these.
std::vector<Hostile> extremeInputs() {
    return {
        {"largest floats", square(kOneSecond, FLT_MAX, 50), false},
        {"1e30", constant(kOneSecond / 4, 1e30f, -1e30f), false},
    };
}

// After any of these and two seconds of silence (a step such as the end of a
// DC stretch is a hit of its own, and the lowest band rings for a while), the
// test pattern gives the notes of a fresh instance: same count, same drums,
// each within a sample or two of the fresh one's (the ringing still adds a
// trace of level).
constexpr int64_t kOnsetTolerance = 2;

void expectRecovery(bool doublePath) {
    Stereo pattern = validator::drumPattern(3);
    auto reference = newInstance();
    validator::setDetection(*reference);
    MidiFaults faults;
    validator::processChecked(*reference, pattern, 512, faults, nullptr, doublePath);
    auto expected = validator::noteOns(reference->midiEvents());
    ASSERT_FALSE(expected.empty());

    for (const Hostile& hostile : hostileInputs()) {
        auto plugin = newInstance();
        validator::setDetection(*plugin);
        MidiFaults inside;
        validator::processChecked(*plugin, hostile.signal, 512, inside, nullptr, doublePath);
        for (const std::string& line : inside.lines)
            if (hostile.finiteWhileInside || line.find("non-finite") == std::string::npos)
                ADD_FAILURE() << hostile.name << ": " << line;
        MidiFaults recovered;
        validator::processChecked(*plugin, constant(2 * kOneSecond, 0.0f, 0.0f), 512, recovered,
                                  nullptr, doublePath);
        plugin->clearRecords();
        int64_t start = plugin->samplePosition();
        validator::processChecked(*plugin, pattern, 512, recovered, nullptr, doublePath);
        EXPECT_TRUE(recovered.empty()) << hostile.name << "\n" << recovered.text();
        auto got = validator::noteOns(plugin->midiEvents());
        ASSERT_EQ(got.size(), expected.size()) << "after " << hostile.name;
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_NEAR(got[i].samplePosition - start, expected[i].samplePosition, kOnsetTolerance)
                << hostile.name;
            EXPECT_EQ(got[i].data1(), expected[i].data1()) << hostile.name;
        }
    }
}

TEST(Processing, RecoversFromHostileInput32) { expectRecovery(false); }
TEST(Processing, RecoversFromHostileInput64) { expectRecovery(true); }

// Hostile input with no engine: nothing crashes and nothing is sent malformed.
TEST(Processing, HostileInputIsSurvived) {
    for (bool doublePath : {false, true}) {
        auto plugin = newInstance();
        validator::setDetection(*plugin);
        MidiFaults faults;
        std::vector<Hostile> inputs = hostileInputs();
        for (Hostile& extreme : extremeInputs()) inputs.push_back(std::move(extreme));
        for (const Hostile& hostile : inputs) {
            MidiFaults inside;
            validator::processChecked(*plugin, hostile.signal, 1024, inside, nullptr, doublePath);
            for (const std::string& line : inside.lines)
                if (hostile.finiteWhileInside || line.find("non-finite") == std::string::npos)
                    faults.lines.push_back(std::string(hostile.name) + ": " + line);
        }
        finishNormally(*plugin, faults, doublePath);
        EXPECT_TRUE(faults.empty()) << faults.text();
        expectNoHangingNotes(*plugin);
    }
}

// Drums switched between hits that come faster than a note lasts, the mode
// switched while a note-off waits, and back: every note is switched off.
TEST(Processing, NoHangingNotesWhenDrumsAndModesChange) {
    auto plugin = newInstance();
    MidiFaults faults;
    const float drums[] = {validator::kDrumKick, validator::kDrumSnare, validator::kDrumHiHat,
                           0.0f /* Dynamic */};
    for (int i = 0; i < 24; i++) {
        validator::setDetection(*plugin, drums[i % 4]);
        Stereo hit = validator::drumHit((validator::Drum)(i % 3), 0.9f, (uint32_t)i);
        hit.appendSilence(i % 5 == 0 ? 30000 : 900);  // mostly shorter than a note
        validator::processChecked(*plugin, hit, 128, faults);
        if (i % 7 == 3) {
            plugin->setParameter(kFunction, validator::kTemplateMode);
            validator::processChecked(*plugin, validator::drumHit(validator::Drum::Kick), 128, faults);
            plugin->setParameter(kFunction, validator::kDetectionMode);
        }
    }
    finishNormally(*plugin, faults);
    EXPECT_TRUE(faults.empty()) << faults.text();
    expectNoHangingNotes(*plugin);
}

}  // namespace
