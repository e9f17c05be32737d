#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "drums.h"

namespace cli {

namespace {

constexpr int kEighthsPerBeat = 2;
constexpr int kBeatsPerBar = 4;
constexpr int kEighthsPerBar = kEighthsPerBeat * kBeatsPerBar;

std::string drumName(int note) {
    auto drum = drumOfNote(note);
    return drum ? kDrums[(size_t)*drum].name : "note " + std::to_string(note);
}

std::string printf1(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

double samplesPerEighth(int sampleRate, double tempo) { return sampleRate * 60.0 / tempo / kEighthsPerBeat; }

}  // namespace

const char* const kCsvHeader = "file,time,sample,note,velocity";

std::string summaryLine(const std::string& input, const std::string& midiOutput, const ConversionResult& result) {
    int counts[kNumDrums] = {};
    int others = 0;
    for (const Note& n : result.notes) {
        if (auto drum = drumOfNote(n.note)) counts[*drum]++;
        else others++;
    }
    std::ostringstream line;
    line << input << " -> " << midiOutput << ": " << result.notes.size() << " notes (";
    for (int d = 0; d < kNumDrums; d++) line << (d ? ", " : "") << kDrums[(size_t)d].name << " " << counts[d];
    if (others) line << ", other " << others;
    line << "), " << printf1("%.2f", (double)result.frames / result.sampleRate) << " s at " << result.sampleRate
         << " Hz " << (result.channels == 1 ? "mono" : "stereo");
    return line.str();
}

std::string csvRows(const std::string& input, const ConversionResult& result) {
    std::ostringstream rows;
    for (const Note& n : result.notes)
        rows << input << "," << printf1("%.6f", (double)n.sample / result.sampleRate) << "," << n.sample << ","
             << n.note << "," << n.velocity << "\n";
    return rows.str();
}

std::string noteTable(const std::vector<Note>& notes, int sampleRate, double tempo, int64_t firstBeatSample) {
    std::ostringstream table;
    table << "  time (s)  bar.beat.8th  drum    velocity\n";
    double eighth = samplesPerEighth(sampleRate, tempo);
    for (const Note& n : notes) {
        long position = std::max(0L, std::lround((double)(n.sample - firstBeatSample) / eighth));
        char row[96];
        std::snprintf(row, sizeof row, "  %8.3f  %4ld.%ld.%ld      %-7s %4d\n", (double)n.sample / sampleRate,
                      position / kEighthsPerBar + 1, position % kEighthsPerBar / kEighthsPerBeat + 1,
                      position % kEighthsPerBeat + 1, drumName(n.note).c_str(), n.velocity);
        table << row;
    }
    return table.str();
}

std::string drumGrid(const std::vector<Note>& notes, int sampleRate, double tempo, int bars, int64_t firstBeatSample) {
    int columns = bars * kEighthsPerBar;
    std::vector<std::string> rows(kNumDrums, std::string((size_t)columns, '.'));
    double eighth = samplesPerEighth(sampleRate, tempo);
    for (const Note& n : notes) {
        long column = std::lround((double)(n.sample - firstBeatSample) / eighth);
        auto drum = drumOfNote(n.note);
        if (drum && column >= 0 && column < columns) rows[(size_t)*drum][(size_t)column] = 'x';
    }
    std::ostringstream grid;
    for (int d = 0; d < kNumDrums; d++) {
        char label[16];
        std::snprintf(label, sizeof label, "%-7s|", kDrums[(size_t)d].name);
        grid << label;
        for (int c = 0; c < columns; c++) {
            grid << rows[(size_t)d][(size_t)c];
            if ((c + 1) % kEighthsPerBar == 0) grid << "|";
            else if ((c + 1) % kEighthsPerBeat == 0) grid << " ";
        }
        grid << "\n";
    }
    return grid.str();
}

}  // namespace cli
