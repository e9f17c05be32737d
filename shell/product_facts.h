// The product's facts that need no host interface: the parameters and the
// positions of their switches, the detector's fixed numbers, the notes, the
// default tempo and the editor's size. The engine, the editor, the command,
// the tools and the tests read them from here; plugin_info.h adds what the
// host is told through the interface.
#pragma once

#include <cstdint>

namespace plugin_info {

// Parameter indices.
enum Param : int32_t {
    kHighThreshold = 0,
    kLowThreshold,
    kDrumSelect,
    kFunction,
    kTemplateInst,
    kRatioSelect,
    kRatioDivide,
};
constexpr int32_t kNumParams = 7;

// Switch positions: the values the editor's buttons give, which the plug-in
// decodes by exact comparison, so they must be passed exactly as written.
constexpr int32_t kNumDrums = 3;  // kick, snare, hi-hat, in this order everywhere
constexpr int32_t kDrumSelectPositions = kNumDrums + 1;  // Dynamic, then each drum
constexpr float kDrumSelectDynamic = 0.0f;
constexpr float kDrumSelectFixed[kNumDrums] = {1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
constexpr int32_t kFunctionPositions = 2;
constexpr float kFunctionTemplate = 0.0f;
constexpr float kFunctionDetection = 1.0f;
constexpr int32_t kTemplateInstPositions = kNumDrums;
constexpr float kTemplateInstOf[kNumDrums] = {0.0f, 0.5f, 1.0f};

// "Ratio Select": off, or Low Threshold = High Threshold / divisor.
struct RatioPosition {
    float ratioSelect;
    int32_t divisor;  // 0: off
};
constexpr int32_t kRatioSelectPositions = 5;
constexpr RatioPosition kRatioPositions[kRatioSelectPositions] = {
    {0.0f, 0}, {0.25f, 19}, {0.5f, 39}, {0.75f, 79}, {1.0f, 119}};

// Without a ratio a hit is released at this share of "Low Threshold", in
// single precision.
constexpr float kReleaseFactor = 0.1f;

// The detector's level: the mean of this many samples' |left| + |right|.
constexpr int32_t kLevelWindow = 20;

// MIDI notes of the drums, on channel 10.
constexpr int32_t kNoteKick = 36;
constexpr int32_t kNoteSnare = 38;
constexpr int32_t kNoteHiHat = 42;
constexpr int32_t kDrumNotes[kNumDrums] = {kNoteKick, kNoteSnare, kNoteHiHat};

// Beats per minute when the host tells none.
constexpr double kDefaultTempo = 120.0;

constexpr int32_t kEditorWidth = 812;
constexpr int32_t kEditorHeight = 650;

}  // namespace plugin_info
