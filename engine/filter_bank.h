// The 22 band filters as the processing call steps them. The left and right
// filters of a band, and of two neighbouring bands, run side by side in the
// lanes of one vector. Each lane does exactly what a filter's own step does,
// operation for operation, so the results are those of stepping the objects
// one by one; only the number of instructions changes.
//
// During a call the filters' histories live here instead of going through
// the objects' cells and members 22 times a sample; storeHistories puts them
// back at the end of the call, so between calls every filter member holds
// what stepping the objects would have left there.
#pragma once

#include <array>
#include <cstring>
#include <type_traits>

#include "band_filters.h"
#include "lane.h"
#include "vector_lanes.h"

namespace engine {

// Wide is ChannelPair (one band per vector) or BandPair (two bands per
// vector, and the last band of an odd count on its own).
template <typename Wide>
class FilterBank {
public:
    explicit FilterBank(const DetectorState& t) {
        for (int g = 0; g < kNumGroups; g++) loadGroup(groups[g], t, g * kBandsPerGroup);
        for (Group<ChannelPair>& last : lastBand) loadGroup(last, t, kLastBand);
    }

    // Steps every band with the rounded inputs x[n], x[n-1], x[n-2], stores
    // the band outputs (left of band k at 2k, right at 2k+1) and returns the
    // two channels' sums of them, added in band order and not yet rounded.
    ChannelPair step(ChannelPair x0, ChannelPair x1, ChannelPair x2, double* bandOutputs) {
        const int before = latest;
        latest ^= 1;
        const ChannelPair sum = stepBands<kFiniteOutputs>(x0, x1, x2, before, bandOutputs);
        // The sum is a double of at most 11 floats: it is finite exactly when
        // every band output is, so one test covers the rare overflow.
        if ((sum - sum)[0] == 0.0 && (sum - sum)[1] == 0.0) return sum;
        return stepBands<kAnyOutputs>(x0, x1, x2, before, bandOutputs);
    }

    // After at least one step: the filters' cells and members as the latest
    // step left them.
    void storeHistories(DetectorState& t) const {
        for (int g = 0; g < kNumGroups; g++) storeGroup(groups[g], t, g * kBandsPerGroup);
        for (const Group<ChannelPair>& last : lastBand) storeGroup(last, t, kLastBand);
    }

private:
    static constexpr int kBandsPerGroup = sizeof(Wide) / sizeof(ChannelPair);
    static constexpr int kNumGroups = kNumBands / kBandsPerGroup;
    static constexpr int kLastBand = kNumBands - 1;
    static_assert(kNumBands % kBandsPerGroup <= 1, "at most one band runs on its own");

    enum Outputs { kFiniteOutputs, kAnyOutputs };

    // A group's y[n-1] and y[n-2], widened from float.
    template <typename Lanes>
    struct History {
        Lanes y1, y2;
    };
    // One or two bands: their coefficients, and two histories used in turn.
    // A step reads one and writes the other, so the history before the latest
    // step is still there for prevOutput1/2, and for a step taken again.
    template <typename Lanes>
    struct Group {
        Lanes b0, b1, b2, a1, a2;
        History<Lanes> histories[2];
    };

    // x[n], x[n-1] and x[n-2] in every lane of a group.
    template <typename Lanes>
    struct Inputs {
        Inputs(const ChannelPair& x0, const ChannelPair& x1, const ChannelPair& x2) {
            spread(x0, this->x0);
            spread(x1, this->x1);
            spread(x2, this->x2);
        }
        static void spread(const ChannelPair& pair, Lanes& lanes) {
            if constexpr (std::is_same_v<Lanes, ChannelPair>)
                lanes = pair;
            else
                lanes = __builtin_shufflevector(pair, pair, 0, 1, 0, 1);
        }
        Lanes x0, x1, x2;
    };

    // The lanes are gathered in plain arrays and each vector is loaded once:
    // writing a vector one lane at a time stalls on every write, which cost
    // more than the step itself in calls of a few samples.
    template <typename Lanes>
    static void loadGroup(Group<Lanes>& group, const DetectorState& t, int firstBand) {
        constexpr int kLanes = sizeof(Lanes) / sizeof(double);
        double b0[kLanes], b1[kLanes], b2[kLanes], a1[kLanes], a2[kLanes], y1[kLanes], y2[kLanes];
        for (int lane = 0; lane < kLanes; lane++) {
            const int band = firstBand + lane / 2;
            const float* c = t.bandCoefficients[band];
            b0[lane] = c[kB0];
            b1[lane] = c[kB1];
            b2[lane] = c[kB2];
            a1[lane] = c[kA1];
            a2[lane] = c[kA2];
            const DetectorState::BandFilterPair& pair = t.bandFilters[band];
            const bool left = lane % 2 == 0;
            y1[lane] = left ? *pair.left.outputCell1 : *pair.right.outputCell1;
            y2[lane] = left ? *pair.left.outputCell2 : *pair.right.outputCell2;
        }
        std::memcpy(&group.b0, b0, sizeof b0);
        std::memcpy(&group.b1, b1, sizeof b1);
        std::memcpy(&group.b2, b2, sizeof b2);
        std::memcpy(&group.a1, a1, sizeof a1);
        std::memcpy(&group.a2, a2, sizeof a2);
        std::memcpy(&group.histories[0].y1, y1, sizeof y1);
        std::memcpy(&group.histories[0].y2, y2, sizeof y2);
    }

    template <typename Lanes>
    void storeGroup(const Group<Lanes>& group, DetectorState& t, int firstBand) const {
        constexpr int kLanes = sizeof(Lanes) / sizeof(double);
        for (int lane = 0; lane < kLanes; lane++) {
            DetectorState::BandFilterPair& pair = t.bandFilters[firstBand + lane / 2];
            if (lane % 2 == 0)
                storeHistory(pair.left, group, lane);
            else
                storeHistory(pair.right, group, lane);
        }
    }

    template <typename Filter, typename Lanes>
    void storeHistory(Filter& f, const Group<Lanes>& group, int lane) const {
        const History<Lanes>& before = group.histories[latest ^ 1];
        const History<Lanes>& after = group.histories[latest];
        f.prevOutput1 = (float)before.y1[lane];
        f.prevOutput2 = (float)before.y2[lane];
        f.newOutput = f.lastOutput = (float)after.y1[lane];
        *f.outputCell1 = (float)after.y1[lane];
        *f.outputCell2 = (float)after.y2[lane];
    }

    // All bands from history `before` into the other one.
    template <Outputs outputs>
    ChannelPair stepBands(ChannelPair x0, ChannelPair x1, ChannelPair x2, int before,
                          double* bandOutputs) {
        const Inputs<Wide> wide(x0, x1, x2);
        ChannelPair sum = {kSumStart, kSumStart};
        for (int g = 0; g < kNumGroups; g++) {
            const Wide& y = stepGroup<outputs>(groups[g], wide, before,
                                               bandOutputs + g * 2 * kBandsPerGroup);
            addBands(sum, y);
        }
        for (Group<ChannelPair>& last : lastBand)
            addBands(sum, stepGroup<outputs>(last, Inputs<ChannelPair>(x0, x1, x2), before,
                                             bandOutputs + 2 * kLastBand));
        return sum;
    }

    // With kAnyOutputs, a lane whose output is not finite forgets its history
    // and returns 0.0, as the filter's own step does; kFiniteOutputs leaves
    // that test out, for a step whose outputs all turn out finite.
    // Returns the group's new y[n-1], the band outputs.
    template <Outputs outputs, typename Lanes>
    static const Lanes& stepGroup(Group<Lanes>& g, const Inputs<Lanes>& x, int before,
                                  double* bandOutputs) {
        const History<Lanes>& from = g.histories[before];
        Lanes y;
        biquadSum(g.b0, g.b1, g.b2, g.a1, g.a2, x.x0, x.x1, x.x2, from.y1, from.y2, y);
        roundToFloat(y);
        Lanes y2 = from.y1;
        if constexpr (outputs == kAnyOutputs) {
            const auto finite = (y - y) == 0.0;
            y = finite ? y : Lanes{};
            y2 = finite ? y2 : Lanes{};
        }
        std::memcpy(bandOutputs, &y, sizeof y);
        History<Lanes>& to = g.histories[before ^ 1];
        to = {y, y2};
        return to.y1;
    }

    Group<Wide> groups[kNumGroups];
    std::array<Group<ChannelPair>, kNumBands % kBandsPerGroup> lastBand;
    int latest = 0;
};

}  // namespace engine
