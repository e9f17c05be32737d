// The 22 band filters as the processing call steps them: the left and right
// filter of a band run side by side in the two lanes of one vector. Each lane
// does exactly what the filter's own step does, operation for operation, so
// the results are those of stepping the objects one by one.
//
// During a call the filters' histories live here, in registers and on the
// stack, instead of going through the objects' cells and members 22 times a
// sample; storeHistories puts them back at the end of the call, so between
// calls every filter member holds what stepping the object would leave there.
#pragma once

#include <cstring>

#include "band_filters.h"
#include "lane.h"

namespace engine {

// Left in lane 0, right in lane 1.
using ChannelPair = double __attribute__((vector_size(2 * sizeof(double))));
using FloatChannelPair = float __attribute__((vector_size(2 * sizeof(float))));

inline ChannelPair roundedToFloat(ChannelPair v) {
    return __builtin_convertvector(__builtin_convertvector(v, FloatChannelPair), ChannelPair);
}

class FilterBank {
public:
    explicit FilterBank(const Tamboro& t) {
        for (int k = 0; k < kNumBands; k++) {
            const float* c = t.bandCoefficients[k];
            coefficients[k] = {both(c[kB0]), both(c[kB1]), both(c[kB2]), both(c[kA1]), both(c[kA2])};
            const Tamboro::BandFilterPair& pair = t.bandFilters[k];
            histories[latest][k] = {ChannelPair{*pair.left.outputCell1, *pair.right.outputCell1},
                                    ChannelPair{*pair.left.outputCell2, *pair.right.outputCell2}};
        }
    }

    // Steps every band with the rounded inputs x[n], x[n-1], x[n-2], stores
    // the band outputs (left of band k at 2k, right at 2k+1) and returns the
    // two channels' sums of them, added in band order and not yet rounded.
    template <typename T>
    ChannelPair step(ChannelPair x0, ChannelPair x1, ChannelPair x2, T* bandOutputs) {
        const History* before = histories[latest];
        latest ^= 1;
        History* after = histories[latest];
        ChannelPair sum = {kSumStart, kSumStart};
        for (int k = 0; k < kNumBands; k++) {
            const Coefficients& c = coefficients[k];
            const ChannelPair y = roundedToFloat(biquadSum(c.b0, c.b1, c.b2, c.a1, c.a2, x0, x1, x2,
                                                           before[k].y1, before[k].y2));
            // A lane whose output is not finite forgets its history and
            // returns 0.0, as the filter's own step does.
            const auto finite = (y - y) == 0.0;
            after[k].y1 = finite ? y : ChannelPair{};
            after[k].y2 = finite ? before[k].y1 : ChannelPair{};
            storePair(bandOutputs + 2 * k, after[k].y1);
            sum += after[k].y1;
        }
        return sum;
    }

    // After at least one step: the filters' cells and members as the latest
    // step left them.
    void storeHistories(Tamboro& t) const {
        for (int k = 0; k < kNumBands; k++) {
            Tamboro::BandFilterPair& pair = t.bandFilters[k];
            storeHistory(pair.left, k, 0);
            storeHistory(pair.right, k, 1);
        }
    }

private:
    struct Coefficients {
        ChannelPair b0, b1, b2, a1, a2;
    };
    // A band's y[n-1] and y[n-2], widened from float.
    struct History {
        ChannelPair y1, y2;
    };

    static ChannelPair both(float value) { return ChannelPair{value, value}; }

    static void storePair(float* destination, ChannelPair values) {
        const FloatChannelPair rounded = __builtin_convertvector(values, FloatChannelPair);
        std::memcpy(destination, &rounded, sizeof rounded);
    }
    static void storePair(double* destination, ChannelPair values) {
        std::memcpy(destination, &values, sizeof values);
    }

    template <typename Filter>
    void storeHistory(Filter& f, int band, int lane) const {
        const History& before = histories[latest ^ 1][band];
        const History& after = histories[latest][band];
        f.prevOutput1 = (float)before.y1[lane];
        f.prevOutput2 = (float)before.y2[lane];
        f.newOutput = f.lastOutput = (float)after.y1[lane];
        *f.outputCell1 = (float)after.y1[lane];
        *f.outputCell2 = (float)after.y2[lane];
    }

    Coefficients coefficients[kNumBands];
    // Two sets, used in turn: a step reads one and writes the other, so the
    // history before the latest step is still there for prevOutput1/2.
    History histories[2][kNumBands];
    int latest = 0;
};

}  // namespace engine
