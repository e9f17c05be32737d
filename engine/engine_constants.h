// Fixed sizes and numbers of the detection engine.
#pragma once

#include <cstdint>

#include "shell/product_facts.h"

constexpr int kNumBands = 11;
constexpr int kNumFilters = 2 * kNumBands;
constexpr int kNumCoefficients = 5;
// Order of a band's coefficients in the table.
enum Coefficient { kB0, kB1, kB2, kA1, kA2 };
constexpr int kNumSlots = 3;
constexpr int kNumBounds = 2;  // upper, then lower
constexpr int kUpperBound = 0;
constexpr int kLowerBound = 1;

constexpr int kInputRingSize = 100;
// The filters read the ring this many positions ahead of the write position,
// that is, the input that arrived this many samples earlier.
constexpr int kFilterReadOffset = 50;
// Room allocated for the level ring; only the first kLevelWindow are used.
constexpr int kLevelRingCapacity = 100;
using plugin_info::kLevelWindow;
constexpr int kNumLevelSnapshots = 3;
// Each sample copies the level into the first snapshot and from there into
// the one the onset test reads and the one the release tests read.
constexpr int kSourceSnapshot = 0;
constexpr int kOnsetSnapshot = 1;
constexpr int kReleaseSnapshot = 2;

// A template slot per drum, in the drums' order.
static_assert(kNumSlots == plugin_info::kNumDrums);
inline constexpr const int32_t (&kSlotNotes)[kNumSlots] = plugin_info::kDrumNotes;

constexpr double kNoteLengthBeats = 0.125;
using plugin_info::kDefaultTempo;
