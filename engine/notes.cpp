#include "notes.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace engine {

// Sends the owed note-off. It carries the sounding note, which noteNumber may
// no longer name, with the velocity as it stands.
void sendPendingNoteOff(Tamboro& t) {
    t.sendNoteOff(t.soundingNote, t.velocity);
    t.noteOffPending = 0;
    std::fill(std::begin(t.templateScores), std::end(t.templateScores), 0.0f);
}

void startNote(Tamboro& t) {
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

namespace {

constexpr int32_t kPercussionChannel = 9;  // MIDI channel 10
constexpr int kNoteOnStatus = 0x90;
constexpr int kNoteOffStatus = 0x80;
constexpr int kDataByteMask = 0x7F;
// The size of the event without its type and byteSize fields.
constexpr int32_t kMidiEventByteSize = 24;

// One event in a one-entry list, built on the stack: the host copies what it
// needs during the call. Note and velocity are masked, not clamped.
void sendMidiNote(AudioEffectX& effect, int status, int32_t note, int32_t velocity,
                  int32_t deltaFrames) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = kMidiEventByteSize;
    event.deltaFrames = deltaFrames;
    event.midiData[0] = (char)(status + kPercussionChannel);
    event.midiData[1] = (char)(note & kDataByteMask);
    event.midiData[2] = (char)(velocity & kDataByteMask);
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    effect.sendVstEventsToHost(&list);
}

}  // namespace

void Tamboro::sendNoteOn(int32_t note, int32_t velocity) {
    sendMidiNote(*this, kNoteOnStatus, note, velocity, eventDeltaFrames);
}

void Tamboro::sendNoteOff(int32_t note, int32_t velocity) {
    sendMidiNote(*this, kNoteOffStatus, note, velocity, eventDeltaFrames);
}
