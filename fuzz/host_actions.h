// Reads a byte string as a sequence of host actions and plays it against one
// plug-in instance: dispatcher opcodes with arguments, parameter writes and
// reads, blocks of audio in either precision with arbitrary floats or
// synthetic drum hits, host sample-rate and tempo changes, editor calls and
// text reads. Shared by the fuzzer and by the test that replays its corpus
// and every past finding.
//
// Any breach of the host interface that a sanitizer cannot see (a malformed
// MIDI event, an event outside its block, a text longer than its limit or
// written past its terminator) is reported through the Fault callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/vst_abi.h"

namespace fuzzing {

using Fault = void (*)(const std::string& what);

// The callback to create the instance with, and the host state it answers from.
intptr_t hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                      float opt);
// Restores the host's answers to their defaults and sets where faults go.
void resetHost(Fault fault);

// Plays the actions against `effect` (created with hostCallback) and closes
// it. `parentWindow` is an X11 window for the editor, or null.
void playActions(AEffect* effect, const uint8_t* data, size_t size, void* parentWindow);

}  // namespace fuzzing
