// The engine's notes as the host hears them: one MIDI event per note-on and
// note-off, on the percussion channel, in the sample that sent it.
#include "tamboro.h"

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
