// Many recordings at once: one engine per file, several files in
// parallel, a summary line per file in input order, and a progress bar on
// stderr when it is a terminal.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

struct BatchJob {
    std::string input;
    ConversionOutputs outputs;
};

enum class Verbosity { Quiet, Normal, Verbose };

struct BatchOptions {
    int threads = 1;
    bool csv = false;  // notes as CSV on stdout; summaries move to stderr
    // Quiet: errors only. Verbose: also the thresholds used and what learning did.
    Verbosity verbosity = Verbosity::Normal;
};

// Returns the number of files that failed; each failure is reported on one line.
int runBatch(const EngineFactory& makeEngine, const ConversionSettings& settings, const std::vector<BatchJob>& jobs,
             const BatchOptions& options);

}  // namespace cli
