// The filter bank as the processing calls step it: two bands per vector and
// one give the same results, the filters' members after each call are those
// of stepping every filter object on its own, and a host may process in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

#include "engine/band_coefficients.h"
#include "engine_test_support.h"
#include "tools/drum_synth.h"
#include "engine_unit_support.h"
#include "shell/plugin_info.h"

namespace {

using namespace enginetest;
using namespace plugin_info;

constexpr int64_t kFrames = 24000;
constexpr int64_t kLoudStart = 20000, kLoudEnd = 21000;

// Drums and noise with what takes the bank off its usual path: a burst loud
// enough to overflow the filters, NaN and infinite samples, subnormals.
std::vector<float> hostileSignal(float noiseGain) {
    std::vector<float> s = drums::render(drums::groove(kFrames, 1500), kFrames);
    testsignal::WhiteNoise noise;
    for (float& v : s) v += noiseGain * noise.next();
    for (int64_t i = kLoudStart; i < kLoudEnd; i++) s[i] = (float)(3e38 * std::sin(i * 0.0912));
    for (int64_t at : {900, 901, 12000, 15555}) s[at] = at % 2 ? NAN : INFINITY;
    for (int64_t i = 16000; i < 16100; i++) s[i] = 1e-40f;
    return s;
}

// Block sizes from 0 to 700, with single samples over the loud burst so that
// calls end right after overflowing steps.
std::vector<int32_t> blockSizes() {
    std::mt19937 random(7);
    std::vector<int32_t> sizes;
    for (int64_t done = 0; done < kFrames;) {
        const bool loud = done >= kLoudStart - 50 && done < kLoudEnd + 50;
        const int32_t n = loud ? 1 : (int32_t)std::min<int64_t>(random() % 701, kFrames - done);
        sizes.push_back(n);
        done += n;
    }
    return sizes;
}

template <typename T>
void process(Tamboro& t, T* left, T* right, T* outLeft, T* outRight, int32_t n) {
    T* inputs[2] = {left, right};
    T* outputs[2] = {outLeft, outRight};
    if constexpr (std::is_same_v<T, float>)
        t.processReplacing(inputs, outputs, n);
    else
        t.processDoubleReplacing(inputs, outputs, n);
}

template <typename Filter>
void expectSameFilter(const Filter& a, const Filter& b, int index) {
    EXPECT_EQ(bitsOf(a.lastOutput), bitsOf(b.lastOutput)) << index;
    EXPECT_EQ(bitsOf(a.newOutput), bitsOf(b.newOutput)) << index;
    EXPECT_EQ(bitsOf(a.prevOutput1), bitsOf(b.prevOutput1)) << index;
    EXPECT_EQ(bitsOf(a.prevOutput2), bitsOf(b.prevOutput2)) << index;
    EXPECT_EQ(bitsOf(*a.outputCell1), bitsOf(*b.outputCell1)) << index;
    EXPECT_EQ(bitsOf(*a.outputCell2), bitsOf(*b.outputCell2)) << index;
}

template <typename T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename T>
bool sameValue(T a, T b) {
    return sameBytes(a, b);
}

struct Run {
    std::vector<double> left, right;
    std::vector<VstMidiEvent> events;
};

// Teaches three hits of the signal, then detects on "Dynamic".
template <typename T>
Run teachAndDetect(Tamboro& t) {
    const std::vector<float> l = hostileSignal(0.001f), r = hostileSignal(0.002f);
    std::vector<T> left(l.begin(), l.end()), right(r.begin(), r.end()), outL(kFrames), outR(kFrames);
    t.setParameter(kHighThreshold, 0.02f);
    t.setParameter(kLowThreshold, 30.0f);  // released at once: an onset every other sample
    int64_t done = 0;
    for (int32_t n : blockSizes()) {
        const int64_t learning = 4500;
        t.setParameter(kFunction, done < learning ? 0.0f : 1.0f);
        t.setParameter(kTemplateInst, (float)(done * 3 / learning) * 0.5f);
        process(t, &left[done], &right[done], &outL[done], &outR[done], n);
        done += n;
    }
    Run run{{outL.begin(), outL.end()}, {outR.begin(), outR.end()}, receivedEvents()};
    receivedEvents().clear();
    return run;
}

template <typename T>
void expectSameResultsAtBothWidths() {
    if (!engine::wideVectorsAvailable()) GTEST_SKIP() << "no 256-bit vectors here";
    auto wide = newTamboro(keepEvents);
    const Run a = teachAndDetect<T>(*wide);
    auto narrow = newTamboro(keepEvents);
    narrow->wideVectors = false;
    const Run b = teachAndDetect<T>(*narrow);

    ASSERT_GT(a.events.size(), 20u);
    ASSERT_EQ(a.events.size(), b.events.size());
    for (size_t i = 0; i < a.events.size(); i++) EXPECT_TRUE(sameBytes(a.events[i], b.events[i])) << i;
    EXPECT_EQ(std::memcmp(a.left.data(), b.left.data(), kFrames * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.right.data(), b.right.data(), kFrames * sizeof(double)), 0);
    for (int k = 0; k < kNumBands; k++) {
        expectSameFilter(wide->bandFilters[k].left, narrow->bandFilters[k].left, 2 * k);
        expectSameFilter(wide->bandFilters[k].right, narrow->bandFilters[k].right, 2 * k + 1);
    }
    EXPECT_TRUE(sameBytes(wide->bandOutputs, narrow->bandOutputs));
    EXPECT_TRUE(sameBytes(wide->bandOutputsDouble, narrow->bandOutputsDouble));
    EXPECT_TRUE(sameBytes(wide->templateWindows, narrow->templateWindows));
    EXPECT_TRUE(sameBytes(wide->templateWindowsDouble, narrow->templateWindowsDouble));
}

TEST(FilterBank, BothVectorWidthsGiveTheSameResults32) { expectSameResultsAtBothWidths<float>(); }
TEST(FilterBank, BothVectorWidthsGiveTheSameResults64) { expectSameResultsAtBothWidths<double>(); }

// 22 filter objects stepped one by one, as the bank's lanes must behave.
struct LoneFilters {
    Tamboro::aFilterL left[kNumBands];
    Tamboro::aFilterR right[kNumBands];
    float x1[2] = {0, 0}, x2[2] = {0, 0};
    int overflows = 0;
    // Samples whose right sum would differ with neighbouring bands added the
    // other way round.
    int orderMatters = 0;

    // Each channel's band outputs added in band order, not yet rounded.
    std::array<double, 2> step(const float (&x0)[2]) {
        double sum[2] = {-0.0, -0.0}, swapped = -0.0;
        float bands[kNumBands];
        for (int k = 0; k < kNumBands; k++) {
            const float* c = kBandCoefficients[k];
            const float l = left[k].filterSample(c[kB0], c[kB1], c[kB2], c[kA1], c[kA2], x0[0], x1[0], x2[0]);
            bands[k] = right[k].filterSample(c[kB0], c[kB1], c[kB2], c[kA1], c[kA2], x0[1], x1[1], x2[1]);
            overflows += l == 0.0f && *left[k].outputCell2 == 0.0f;
            sum[0] += l;
            sum[1] += bands[k];
        }
        for (int k = 0; k < kNumBands; k++) swapped += bands[k % 2 ? k - 1 : std::min(k + 1, kNumBands - 1)];
        orderMatters += swapped != sum[1];
        for (int c = 0; c < 2; c++) {
            x2[c] = x1[c];
            x1[c] = x0[c];
        }
        return {sum[0], sum[1]};
    }
};

template <typename T>
void expectFiltersLikeLoneOnes(bool wideVectors) {
    auto t = newTamboro();
    t->wideVectors = t->wideVectors && wideVectors;
    LoneFilters lone;
    // On the right bursts of noise, each followed by silence.
    const std::vector<float> hostile = hostileSignal(0.0f);
    std::vector<float> noiseBurst(kFrames);
    testsignal::WhiteNoise noise;
    for (int64_t i = 0; i < kFrames; i++) noiseBurst[i] = i % 4000 < 1000 ? noise.next() : 0.0f;
    std::vector<T> left(hostile.begin(), hostile.end()), right(noiseBurst.begin(), noiseBurst.end());
    std::vector<T> outL(kFrames), outR(kFrames);
    std::vector<float> delayedL(kFilterReadOffset, 0.0f), delayedR(kFilterReadOffset, 0.0f);
    for (float v : hostile) delayedL.push_back(std::isfinite(v) ? v : 0.0f);
    for (float v : noiseBurst) delayedR.push_back(v);
    int64_t done = 0;
    for (int32_t n : blockSizes()) {
        process(*t, &left[done], &right[done], &outL[done], &outR[done], n);
        for (int64_t i = done; i < done + n; i++) {
            const std::array<double, 2> sum = lone.step({delayedL[i], delayedR[i]});
            EXPECT_TRUE(sameValue(outL[i], (T)sum[0])) << i;
            EXPECT_TRUE(sameValue(outR[i], (T)sum[1])) << i;
        }
        done += n;
        for (int k = 0; k < kNumBands; k++) {
            expectSameFilter(t->bandFilters[k].left, lone.left[k], 2 * k);
            expectSameFilter(t->bandFilters[k].right, lone.right[k], 2 * k + 1);
        }
        if constexpr (std::is_same_v<T, float>) {
            EXPECT_EQ(bitsOf(*t->inputHistory1L), bitsOf(lone.x1[0]));
            EXPECT_EQ(bitsOf(*t->inputHistory2R), bitsOf(lone.x2[1]));
        }
        if (::testing::Test::HasFailure()) FAIL() << "after sample " << done;
    }
    EXPECT_GT(lone.overflows, 0);
}

TEST(FilterBank, OutputsAndMembersAreThoseOfSteppingEachFilter) {
    for (bool wideVectors : {true, false}) {
        expectFiltersLikeLoneOnes<float>(wideVectors);
        expectFiltersLikeLoneOnes<double>(wideVectors);
    }
}

// Band outputs of magnitudes far apart: their sum rounds, and its order shows
// in the 64-bit outputs, which keep the sum whole.
TEST(FilterBank, BandsAreAddedInBandOrder) {
    for (bool wideVectors : {true, false}) {
        auto t = newTamboro();
        t->wideVectors = t->wideVectors && wideVectors;
        LoneFilters lone;
        std::mt19937 random(3);
        for (int trial = 0; trial < 2000; trial++) {
            for (int k = 0; k < kNumBands; k++) {
                float* cells[] = {t->bandFilters[k].left.outputCell1, t->bandFilters[k].right.outputCell1,
                                  lone.left[k].outputCell1, lone.right[k].outputCell1};
                const float value = std::ldexp(random() % 2 ? 1.0f : -1.0f, -(int)(random() % 90));
                for (float* cell : cells) *cell = value;
            }
            double in[2] = {0.0, 0.0}, out[2];
            process<double>(*t, &in[0], &in[1], &out[0], &out[1], 1);
            const std::array<double, 2> sum = lone.step({0.0f, 0.0f});
            ASSERT_TRUE(sameValue(out[0], sum[0]) && sameValue(out[1], sum[1])) << trial;
        }
        EXPECT_GT(lone.orderMatters, 100);
    }
}

// Hosts may pass the input buffers as the output buffers.
TEST(FilterBank, ProcessingInPlaceGivesTheSameOutputs) {
    for (bool wideVectors : {true, false}) {
        auto separate = newTamboro(), inPlace = newTamboro();
        separate->wideVectors = inPlace->wideVectors = separate->wideVectors && wideVectors;
        std::vector<float> left = hostileSignal(0.01f), right = hostileSignal(0.1f);
        std::vector<float> outL(kFrames), outR(kFrames);
        int64_t done = 0;
        for (int32_t n : blockSizes()) {
            process(*separate, &left[done], &right[done], &outL[done], &outR[done], n);
            process(*inPlace, &left[done], &right[done], &left[done], &right[done], n);
            done += n;
        }
        EXPECT_EQ(std::memcmp(left.data(), outL.data(), kFrames * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(right.data(), outR.data(), kFrames * sizeof(float)), 0);
    }
}

}  // namespace
