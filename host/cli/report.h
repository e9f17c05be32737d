// What the command prints about a conversion: a one-line summary, the notes
// as CSV, a table and a text drum grid.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

// "in.wav -> in.mid: 16 notes (kick 4, snare 6, hihat 6), 4.75 s at 44100 Hz"
std::string summaryLine(const std::string& input, const std::string& midiOutput, const ConversionResult& result);

extern const char* const kCsvHeader;  // "file,time,sample,note,velocity"
std::string csvRows(const std::string& input, const ConversionResult& result);

// One row per note: time, bar.beat.eighth (counted from firstBeatSample), drum, velocity.
std::string noteTable(const std::vector<Note>& notes, int sampleRate, double tempo, int64_t firstBeatSample);

// One row per drum, one column per eighth note ("x" hit, "." none), bars
// separated by "|". A note belongs to the nearest eighth.
std::string drumGrid(const std::vector<Note>& notes, int sampleRate, double tempo, int bars, int64_t firstBeatSample);

}  // namespace cli
