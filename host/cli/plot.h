// The picture users check their triggers with: the input waveform, the level
// the detector sees with the high threshold and the release level, and a
// marker per note coloured by drum, over a time axis in seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    PlotRecorder(int64_t frames, int sampleRate, PlotSize size);

    void addInput(int64_t sample, double left, double right);
    void addLevel(int64_t sample, double level);

    // Writes a PNG to path; throws Failure when cairo cannot.
    void render(const std::string& path, const std::string& title, const std::vector<Note>& notes,
                float high, float release) const;

private:
    int columnOf(int64_t sample) const;

    int64_t frames;
    int sampleRate;
    PlotSize size;
    int columns;
    std::vector<float> waveMin, waveMax, levelMax;
};

}  // namespace cli
