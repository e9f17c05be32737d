#include "demo.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "failure.h"
#include "report.h"
#include "transcriber_engine.h"

namespace cli {

namespace {

constexpr const char* kLoopFile = "loop.flac";
constexpr const char* kGrooveFile = "groove.txt";
constexpr const char* kHitFiles[kNumDrums] = {"kick.flac", "snare.flac", "hihat.flac"};
// The benchmark's window for a note to match a hit.
constexpr double kToleranceSeconds = 0.03;

ConversionSettings demoSettings(const DemoOptions& options, double tempo) {
    ConversionSettings settings;
    settings.engine = EngineKind::Transcriber;
    settings.tempo = tempo;
    settings.blockSize = options.blockSize;
    settings.overwrite = options.overwrite;
    for (int d = 0; d < kNumDrums; d++) settings.learnFiles[(size_t)d] = options.folder + "/" + kHitFiles[d];
    return settings;
}

// The nearest unused note within the window, preferring the hit's own drum.
int matchFor(const Note& hit, const std::vector<Note>& found, const std::vector<bool>& used, int64_t before,
             int64_t after) {
    int best = -1;
    for (size_t i = 0; i < found.size(); i++) {
        const Note& n = found[i];
        if (used[i] || n.sample < hit.sample - before || n.sample >= hit.sample + after) continue;
        bool better = best < 0 || (n.note == hit.note && found[(size_t)best].note != hit.note);
        if (better) best = (int)i;
    }
    return best;
}

}  // namespace

DemoScore scoreHits(const std::vector<Note>& known, const std::vector<Note>& found, int64_t before, int64_t after) {
    DemoScore score;
    std::vector<bool> used(found.size(), false);
    for (const Note& hit : known) {
        int match = matchFor(hit, found, used, before, after);
        if (match < 0) {
            score.missed++;
            continue;
        }
        used[(size_t)match] = true;
        if (found[(size_t)match].note == hit.note) score.right++;
        else score.wrong++;
    }
    for (bool u : used) score.extra += u ? 0 : 1;
    return score;
}

Groove readGroove(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw Failure(path + ": cannot read the demo's groove");
    Groove groove;
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        std::istringstream words(line);
        std::string key, drum;
        if (!(words >> key) || key[0] == '#') continue;
        bool ok = key == "tempo"        ? bool(words >> groove.tempo)
                  : key == "bars"       ? bool(words >> groove.bars)
                  : key == "first_beat" ? bool(words >> groove.firstBeat)
                                        : false;
        if (key == "hit") {
            int64_t at = 0;
            auto index = (words >> at >> drum) ? drumByName(drum) : std::nullopt;
            if (index) groove.hits.push_back({at, kDrums[(size_t)*index].note, 0});
            ok = index.has_value();
        }
        if (!ok) throw Failure(path + ":" + std::to_string(number) + ": cannot read '" + line + "'");
    }
    if (groove.tempo <= 0 || groove.bars <= 0 || groove.hits.empty())
        throw Failure(path + ": needs a tempo, bars and hits");
    return groove;
}

void runDemo(const DemoOptions& options) {
    Groove groove = readGroove(options.folder + "/" + kGrooveFile);
    ConversionSettings settings = demoSettings(options, groove.tempo);
    ConversionOutputs outputs;
    outputs.midi = options.output;
    std::string loop = options.folder + "/" + kLoopFile;
    EngineFactory makeEngine = [&](int rate) { return makeTranscriberEngine(settings, rate); };
    ConversionResult result = convertFile(makeEngine, settings, loop, outputs);

    int64_t tolerance = (int64_t)std::lround(kToleranceSeconds * result.sampleRate);
    int known = (int)groove.hits.size();
    std::printf("Tamboro demo: taught the transcriber kick, snare and hihat from one recorded hit each\n"
                "(%s, %s, %s), then converted %s\n(%.2f s of recorded drums, %d known hits at %.0f beats per minute).\n\n",
                kHitFiles[0], kHitFiles[1], kHitFiles[2], loop.c_str(), (double)result.frames / result.sampleRate,
                known, groove.tempo);
    for (const std::string& warning : result.warnings) std::printf("warning: %s\n", warning.c_str());
    std::printf("%s\n\n", result.settingsLine.c_str());
    std::printf("%s\n", noteTable(result.notes, result.sampleRate, groove.tempo, groove.firstBeat).c_str());
    std::printf("Played:\n%s\nFound:\n%s\n",
                drumGrid(groove.hits, result.sampleRate, groove.tempo, groove.bars, groove.firstBeat).c_str(),
                drumGrid(result.notes, result.sampleRate, groove.tempo, groove.bars, groove.firstBeat).c_str());
    DemoScore score = scoreHits(groove.hits, result.notes, tolerance, tolerance);
    std::printf("Found %d of %d known hits with the right drum (%d with the wrong drum, %d missed, %d extra notes).\n",
                score.right, known, score.wrong, score.missed, score.extra);
    std::printf("Wrote %s\n", options.output.c_str());
}

}  // namespace cli
