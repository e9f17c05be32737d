// Templates fitted to the recording itself, for drums whose templates came
// from another kit (the built-in hits): a first pass with those finds each
// drum's clearest hits, and the templates take on their timbre. Another
// kit's snare explains this kit's snare only roughly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "transcriber/decomposition.h"
#include "transcriber/example_hits.h"
#include "transcriber/hit.h"

namespace transcriber {

// The hits of the drum and of the drums whose templates are alike enough
// to cover its bands: only those can spoil a heard hit of it (a hi-hat
// struck with a kick leaves the kick's low bands to the kick, and in most
// grooves every kick comes with a hi-hat).
std::vector<Hit> hitsInBandsOf(const std::vector<Hit>& hits, Drum drum,
                               const Decomposition::Similarities& similarities);

// The onsets of the drum's hits that stand alone (no other hit of any drum
// close before or after) and are among its strongest; at most a few, and
// none when too few stand alone to be trusted. hits: in onset order.
std::vector<int64_t> clearHits(const std::vector<Hit>& hits, Drum drum, double sampleRate);

// The mean of those hits' templates, each cut off where the next of `hits`
// begins.
DrumTemplate heardTemplate(const float* samples, size_t count, double sampleRate,
                           const std::vector<int64_t>& onsets, const std::vector<Hit>& hits);

// Scales each template's bands by how the heard hits' opening spectrum
// differs in shape from the loudest template's, in the bands where that
// template has energy: the recording's timbre, with the clean onset and
// decay of the taught hits (the heard ones hold other drums' rings too).
void reshape(std::vector<DrumTemplate>& templates, const DrumTemplate& heard);

}  // namespace transcriber
