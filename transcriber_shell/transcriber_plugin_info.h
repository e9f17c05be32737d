// Tamboro Transcriber's facts: what the host is told, its parameters, the
// timing of its notes and the shape of its learning. Tests read them here.
#pragma once

#include <cmath>
#include <cstdint>

#include "shell/plugin_info.h"
#include "shell/vst_abi.h"
#include "transcriber/note_schedule.h"

namespace transcriber_plugin_info {

constexpr const char* kEffectName = "Tamboro Transcriber";
constexpr const char* kProductName = "Tamboro Transcriber";
constexpr const char* kVendorName = plugin_info::kVendorName;
constexpr int32_t kVendorVersion = 1000;
constexpr int32_t kUniqueId = fourChars('T', 'b', 'T', 'r');
static_assert(kUniqueId != plugin_info::kUniqueId);
constexpr int32_t kVersion = 1;

constexpr int32_t kNumInputs = 2;
constexpr int32_t kNumOutputs = 2;
constexpr int32_t kNumPrograms = 1;
constexpr const char* kDefaultProgramName = "Default";

constexpr int32_t kFlags =
    effFlagsHasEditor | effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;

enum Param : int32_t {
    kKickSensitivity = 0,
    kSnareSensitivity,
    kHiHatSensitivity,
    kKickLearn,
    kSnareLearn,
    kHiHatLearn,
};
constexpr int32_t kNumDrums = plugin_info::kNumDrums;
constexpr int32_t kNumParams = 2 * kNumDrums;
constexpr int32_t kFirstLearn = kKickLearn;

// A sensitivity parameter spans this many dB either side of the engine's
// default (0.5 = 0 dB); +6 dB reports hits half as strong.
constexpr float kSensitivityRangeDb = 24.0f;
constexpr float kDefaultSensitivityParam = 0.5f;
inline float sensitivityDb(float parameter) { return (2.0f * parameter - 1.0f) * kSensitivityRangeDb; }
// The engine's sensitivity: 1 at 0 dB.
inline float sensitivityOf(float parameter) { return std::pow(10.0f, sensitivityDb(parameter) / 20.0f); }
// A learn parameter at or above this arms its drum.
constexpr float kArmedFrom = 0.5f;

constexpr double kNoteLengthSeconds = NoteSchedule::kNoteSeconds;

// Learning: while a drum is armed, the first sample whose magnitude passes
// the gate (-40 dBFS) starts a recording of the hit, with a short lead-in,
// long enough for a whole template (half a second) and a little more.
constexpr float kLearnGate = 0.01f;
constexpr double kLearnLeadInSeconds = 0.02;
constexpr double kLearnSeconds = 0.75;

// The sample rate the instance is configured for before the host tells one.
constexpr double kDefaultSampleRate = 44100.0;

}  // namespace transcriber_plugin_info
