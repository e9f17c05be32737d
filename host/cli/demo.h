// `tamboro demo`: the bundled groove through the plug-in as a user would do
// it in a host: teach the three drums from one hit each, convert the groove,
// and compare the notes with the pattern it was made from.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

struct DemoOptions {
    std::string folder;  // the demo material
    std::string output = "demo.mid";
    bool overwrite = false;
    Precision precision = Precision::Single;
    int blockSize = kDefaultBlockSize;
};

struct DemoScore {
    int right = 0;  // known hits found with the right drum
    int wrong = 0;  // found with another drum
    int missed = 0;
    int extra = 0;  // notes near no known hit
};

// A note counts for a known hit when it comes at most a little before it and
// less than half an eighth after it; each note counts for one hit at most.
DemoScore scoreDemo(const std::vector<Note>& notes);

// Prints the report to stdout; throws Failure.
void runDemo(const host::PluginLibrary& plugin, const DemoOptions& options);

}  // namespace cli
