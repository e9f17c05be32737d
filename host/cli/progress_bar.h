// A one-line progress bar redrawn in place on a terminal. Not thread-safe:
// callers serialise.
#pragma once

#include <chrono>
#include <cstdio>

namespace cli {

class ProgressBar {
public:
    // Draws nothing unless stream is a terminal.
    // A null stream, or one that is not a terminal, shows nothing.
    explicit ProgressBar(FILE* stream);
    // fraction of all work, 0 to 1; redraws at most a few times a second.
    void update(double fraction, int filesDone, int filesTotal);
    // Removes the bar so that other lines can be printed; the next update draws it again.
    void clear();

private:
    FILE* stream;
    bool enabled;
    bool shown = false;
    std::chrono::steady_clock::time_point lastDraw{};
};

}  // namespace cli
