// The synthesised groove (the demo's material before it became recorded
// drums, now the plug-in engine's test input in tests/data/synth_demo): two
// bars of kick, snare and hi-hat at 120 beats per minute, one drum per eighth
// note, and where each hit lies. The generator renders it; the tests score
// what the plug-in finds against it.
#pragma once

#include <cstdint>

#include "drum_synth.h"

namespace demo {

constexpr int kSampleRate = 44100;
constexpr double kTempo = 120.0;
constexpr int kStepsPerBeat = 2;  // eighth notes
constexpr int kBeatsPerBar = 4;
constexpr int kBars = 2;
constexpr int kSteps = kStepsPerBeat * kBeatsPerBar * kBars;
constexpr int64_t kSamplesPerStep = (int64_t)(kSampleRate * 60.0 / kTempo) / kStepsPerBeat;
// Silence before the first hit and after the last step, so that every hit,
// the first and last included, is heard whole.
constexpr int64_t kLeadIn = kSampleRate / 4;
constexpr int64_t kTail = kSampleRate / 2;
constexpr int64_t kLoopFrames = kLeadIn + kSteps * kSamplesPerStep + kTail;

struct Hit {
    int step;
    drums::Kind kind;
};

using drums::Kind;
constexpr Hit kPattern[] = {
    {0, Kind::Kick},  {1, Kind::HiHat},  {2, Kind::Snare},  {3, Kind::HiHat},
    {4, Kind::Kick},  {5, Kind::HiHat},  {6, Kind::Snare},  {7, Kind::HiHat},
    {8, Kind::Kick},  {9, Kind::HiHat},  {10, Kind::Snare}, {11, Kind::HiHat},
    {12, Kind::Kick}, {13, Kind::HiHat}, {14, Kind::Snare}, {15, Kind::Snare},
};
// Every hit of a drum is played alike, as its single hit is: the templates
// hold one sample's band levels, which only the same stroke reproduces.
constexpr float kGains[drums::kNumKinds] = {0.9f, 0.8f, 0.5f};
constexpr int kNumHits = sizeof kPattern / sizeof kPattern[0];

constexpr int64_t hitSample(const Hit& hit) { return kLeadIn + hit.step * kSamplesPerStep; }

// The thresholds the demo converts with. With the reference model of the
// detector every known hit is found with the right drum for any "High
// Threshold" from 0.2 to 0.7 and "Low Threshold" from 0.02 to 1; these sit in
// the middle.
constexpr float kHighThreshold = 0.4f;
constexpr float kLowThreshold = 0.2f;

// File names inside the demo folder; the single hits in Kind order.
constexpr const char* kLoopFile = "loop.flac";
constexpr const char* kHitFiles[drums::kNumKinds] = {"kick.flac", "snare.flac", "hihat.flac"};
// A single hit's file: the hit after a short silence, and room to ring out.
constexpr int64_t kHitLeadIn = kSampleRate / 10;
constexpr int64_t kHitFrames = kSampleRate / 2;

}  // namespace demo
