// Single-tone drum hits that trigger the plug-in exactly once each: for the
// validator suites, which count notes per hit. Deterministic at 44.1 kHz.
//
// Each drum is a decaying tone whose period divides 20 samples, so that the
// detector's 20-sample level follows the envelope smoothly and never dips
// back under the threshold mid-hit; the snare adds some noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drum_synth.h"

namespace drums::tones {

constexpr size_t kHitFrames = 6615;  // 0.15 s

// One hit of `kind` at unit gain; `seed` varies the snare's noise.
std::vector<float> hit(Kind kind, uint32_t seed);

}  // namespace drums::tones
