#include "notes.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace engine {

// Sends the owed note-off. It carries the sounding note, which noteNumber may
// no longer name, with the velocity as it stands.
void sendPendingNoteOff(DetectorState& t) {
    t.sendNoteOff(t.soundingNote, t.velocity);
    t.noteOffPending = 0;
    std::fill(std::begin(t.templateScores), std::end(t.templateScores), 0.0f);
}

void startNote(DetectorState& t) {
    t.noteActive = 1;
    // Restarting the countdown would otherwise leave another drum's note hanging.
    if (t.noteOffPending && t.soundingNote != t.noteNumber) sendPendingNoteOff(t);
    t.sendNoteOn(t.noteNumber, t.velocity);
    t.soundingNote = t.noteNumber;
    t.noteOffCountdown = noteOffCountdownFor(t.samplesPerBeat * t.noteLengthBeats);
    t.noteOffPending = 1;
}

int32_t noteOffCountdownFor(double length) {
    const double samples = std::floor(length);
    if (!(samples > 0.0)) return 0;
    if (samples >= (double)std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return (int32_t)samples;
}

}  // namespace engine
