#include "midi_output.h"

#include "audio_effect_x.h"

namespace midi_output {
namespace {

constexpr int32_t kPercussionChannel = 9;  // MIDI channel 10
constexpr int kDataByteMask = 0x7F;
// The size of the event without its type and byteSize fields.
constexpr int32_t kMidiEventByteSize = 24;

}  // namespace

void sendNote(AudioEffectX& effect, int status, int32_t note, int32_t velocity,
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

}  // namespace midi_output
