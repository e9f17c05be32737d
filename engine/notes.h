// The note stage of detection mode: the note-on in a hit's onset sample, the
// release of the hit, and the single pending note-off one eighth of a beat
// after the note-on. The events go out through Tamboro::sendNoteOn/Off.
#pragma once

#include <cstdint>

#include "shell/tamboro.h"

namespace engine {

// Samples per beat at the tempo and sample rate fetched for this call.
void updateSamplesPerBeat(Tamboro& t);

// floor(length) as a countdown: a length that is not a number counts as 0,
// one too large for a 32-bit count as the largest count.
int32_t noteOffCountdownFor(double length);

// atReleaseLevel: the level of the previous sample is at or below the
// effective low threshold of this one.
void runNoteStage(Tamboro& t, bool atReleaseLevel);

}  // namespace engine
