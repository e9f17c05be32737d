// Notes as the host hears them: one MIDI event per note-on and note-off, on
// the percussion channel, at an offset into the current processing call.
#pragma once

#include <cstdint>

class AudioEffectX;

namespace midi_output {

constexpr int kNoteOnStatus = 0x90;
constexpr int kNoteOffStatus = 0x80;

// One event in a one-entry list, built on the stack: the host copies what it
// needs during the call. Note and velocity are masked, not clamped.
void sendNote(AudioEffectX& effect, int status, int32_t note, int32_t velocity,
              int32_t deltaFrames);

}  // namespace midi_output
