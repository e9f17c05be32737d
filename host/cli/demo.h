// `tamboro demo`: the bundled groove of recorded drums through the
// transcriber as a user would do it: teach the three drums from one hit
// each, convert the groove, and compare the notes with the hits it holds.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

struct DemoOptions {
    std::string folder;  // the demo material
    std::string output = "demo.mid";
    bool overwrite = false;
    int blockSize = kTranscriberBlockSize;
};

struct DemoScore {
    int right = 0;  // known hits found with the right drum
    int wrong = 0;  // found with another drum
    int missed = 0;
    int extra = 0;  // notes near no known hit
};

// A note counts for a known hit when it comes at most `before` samples
// before it and less than `after` samples after it; each note counts for one
// hit at most, and a hit takes a note of its own drum first.
DemoScore scoreHits(const std::vector<Note>& known, const std::vector<Note>& found, int64_t before, int64_t after);

// The groove of a demo folder (groove.txt): its tempo, bars, first beat and hits.
struct Groove {
    double tempo = 0;
    int bars = 0;
    int64_t firstBeat = 0;
    std::vector<Note> hits;
};
// Throws Failure when the file is missing or malformed.
Groove readGroove(const std::string& path);

// Prints the report to stdout; throws Failure.
void runDemo(const DemoOptions& options);

}  // namespace cli
