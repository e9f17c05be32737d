// The note stage of detection mode: the note-on in a hit's onset sample, the
// release of the hit, and the single pending note-off one eighth of a beat
// after the note-on. The events go out through DetectorState::sendNoteOn/Off, which
// the shell provides.
#pragma once

#include <cstdint>

#include "detector_state.h"

namespace engine {

constexpr double kSecondsPerMinute = 60.0;

// Samples per beat at the tempo and sample rate fetched for this call.
inline void updateSamplesPerBeat(DetectorState& t) {
    t.samplesPerBeat = t.currentSampleRate / (t.currentTempo / kSecondsPerMinute);
}

// floor(length) as a countdown: a length that is not a number counts as 0,
// one too large for a 32-bit count as the largest count.
int32_t noteOffCountdownFor(double length);

// The note-on of a new hit, and the owed note-off.
void startNote(DetectorState& t);
void sendPendingNoteOff(DetectorState& t);

// atReleaseLevel: the level of the previous sample is at or below the
// effective low threshold of this one.
inline void runNoteStage(DetectorState& t, bool atReleaseLevel) {
    if (!t.noteActive && t.hitActive) {
        startNote(t);
    } else if (t.noteActive && atReleaseLevel) {
        t.hitActive = 0;
        t.noteActive = 0;
    }
    if (t.noteOffPending) {
        // First counted in the note-on sample itself.
        if (t.noteOffCountdown > 0) t.noteOffCountdown--;
        if (t.noteOffCountdown == 0) sendPendingNoteOff(t);
    }
}

}  // namespace engine
