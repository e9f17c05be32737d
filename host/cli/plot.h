// The picture users check their triggers with: the input waveform, the level
// the detector sees with the high threshold and the release level (or, for
// the transcriber, each drum's activation with its threshold), and a marker
// per note coloured by drum, over a time axis in seconds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drums.h"
#include "level_meter.h"
#include "note_timeline.h"

namespace cli {

struct PlotSize {
    int width = 1600;
    int height = 600;
};

constexpr int kMinPlotWidth = 320;
constexpr int kMinPlotHeight = 200;
constexpr int kMaxPlotSide = 16384;

// Collects, per pixel column, what the picture shows; memory follows the
// picture's width, not the recording's length.
class PlotRecorder {
public:
    // high and release: the levels at which the detector begins and releases a hit.
    // activations: the lower panel shows each drum's activation and
    // threshold (addActivation) instead of one level (addLevel).
    PlotRecorder(int64_t frames, int sampleRate, PlotSize size, float high, float release, bool activations = false);

    void addInput(int64_t sample, double left, double right);
    // Levels arrive in sample order.
    void addLevel(int64_t sample, double level);
    void addActivation(int64_t sample, int drum, float strength, float threshold);

    // Writes a PNG to path; throws Failure when cairo cannot.
    void render(const std::string& path, const std::string& title, const std::vector<Note>& notes) const;

private:
    int columnOf(int64_t sample) const;

    int64_t frames;
    int sampleRate;
    PlotSize size;
    int columns;
    float high, release;
    // Each column shows the level's whole range, so that a dip to the release
    // level between two notes of one hit shows; released marks the columns
    // where the detector released a hit.
    std::vector<float> waveMin, waveMax, levelMin, levelMax;
    std::vector<bool> released;
    OnsetCounter hits;
    bool activations;
    // Per drum, per column: the largest activation and threshold.
    std::array<std::vector<float>, kNumDrums> strengthMax, thresholdMax;
};

}  // namespace cli
