// The share of a file's work done so far, for the progress bar.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace cli {

// Called now and then with the share of the work done, 0 to 1.
using ProgressCallback = std::function<void(double)>;

// Counts samples done and reports the share of the whole job.
class WorkMeter {
public:
    WorkMeter(int64_t total, const ProgressCallback& callback) : total(std::max<int64_t>(total, 1)), callback(callback) {}
    void add(int64_t frames) {
        done += frames;
        if (callback) callback(std::min(1.0, (double)done / (double)total));
    }

private:
    int64_t total;
    int64_t done = 0;
    const ProgressCallback& callback;
};

}  // namespace cli
