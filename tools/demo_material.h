// Renders the demo groove and its single hits, and writes them as 16-bit
// FLAC (small enough to ship) or WAV.
#pragma once

#include <string>

#include "demo_pattern.h"
#include "drum_synth.h"

namespace demo {

drums::Stereo renderLoop();
drums::Stereo renderHit(drums::Kind kind);
// The groove repeated until seconds are filled, for speed measurements.
drums::Stereo renderLong(double seconds);

// Writes 16-bit stereo FLAC when path ends in .flac, else WAV; returns false
// with a reason in error.
bool writeAudio(const std::string& path, const drums::Stereo& audio, int sampleRate, std::string& error);
// Writes the loop and the three single hits into folder.
bool writeDemoMaterial(const std::string& folder, std::string& error);

}  // namespace demo
