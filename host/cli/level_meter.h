// The level Tamboro's detector compares with its thresholds, measured from
// the plug-in's audio output as a host sees it: the mean of |left| + |right|
// over the last 20 samples.
#pragma once

#include <array>
#include <cmath>

#include "shell/product_facts.h"

namespace cli {

class LevelMeter {
public:
    static constexpr int kWindow = plugin_info::kLevelWindow;

    // Takes one output sample and returns the level including it.
    double add(double left, double right) {
        double magnitude = std::fabs(left) + std::fabs(right);
        sum += magnitude - window[next];
        window[next] = magnitude;
        next = (next + 1) % kWindow;
        // A running sum drifts; a fresh one each round keeps it exact enough.
        if (next == 0) {
            sum = 0.0;
            for (double v : window) sum += v;
        }
        return sum / kWindow;
    }

private:
    std::array<double, kWindow> window{};
    int next = 0;
    double sum = 0.0;
};

// Hits as the detector sees them, counted from the level by the same
// hysteresis: a hit begins at High Threshold and is released at or below the
// release level.
struct OnsetCounter {
    double high;
    double release;
    bool active = false;
    int count = 0;
    bool firstHitOver() const { return count > 0 && !active; }
    // Returns true when this level releases a hit.
    bool add(double level) {
        if (!active && level >= high) {
            active = true;
            count++;
        } else if (active && level <= release) {
            active = false;
            return true;
        }
        return false;
    }
};

}  // namespace cli
