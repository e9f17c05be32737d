#include "demo.h"

#include <cstdio>

#include "report.h"
#include "tools/demo_pattern.h"

namespace cli {

namespace {

// The plug-in reports twice the delay it has, so compensated notes may come
// this much before the hit itself.
constexpr int64_t kEarliestBeforeHit = 100;
constexpr int64_t kLatestAfterHit = demo::kSamplesPerStep / 2;

ConversionSettings demoSettings(const DemoOptions& options) {
    ConversionSettings settings;
    settings.high = demo::kHighThreshold;
    settings.low = demo::kLowThreshold;
    settings.tempo = demo::kTempo;
    settings.precision = options.precision;
    settings.blockSize = options.blockSize;
    settings.overwrite = options.overwrite;
    for (int d = 0; d < kNumDrums; d++) settings.learnFiles[(size_t)d] = options.folder + "/" + demo::kHitFiles[d];
    return settings;
}

std::vector<Note> patternNotes() {
    std::vector<Note> notes;
    for (const demo::Hit& hit : demo::kPattern) notes.push_back({demo::hitSample(hit), kDrums[(size_t)hit.kind].note, 0});
    return notes;
}

}  // namespace

DemoScore scoreDemo(const std::vector<Note>& notes) {
    DemoScore score;
    std::vector<bool> used(notes.size(), false);
    for (const demo::Hit& hit : demo::kPattern) {
        int64_t at = demo::hitSample(hit);
        int found = -1;
        for (size_t i = 0; i < notes.size() && found < 0; i++)
            if (!used[i] && notes[i].sample >= at - kEarliestBeforeHit && notes[i].sample < at + kLatestAfterHit)
                found = (int)i;
        if (found < 0) {
            score.missed++;
            continue;
        }
        used[(size_t)found] = true;
        if (notes[(size_t)found].note == kDrums[(size_t)hit.kind].note) score.right++;
        else score.wrong++;
    }
    for (bool u : used) score.extra += u ? 0 : 1;
    return score;
}

void runDemo(const host::PluginLibrary& plugin, const DemoOptions& options) {
    ConversionSettings settings = demoSettings(options);
    ConversionOutputs outputs;
    outputs.midi = options.output;
    std::string loop = options.folder + "/" + demo::kLoopFile;
    ConversionResult result = convertFile(plugin, settings, loop, outputs);

    std::printf("Tamboro demo: taught kick, snare and hihat from one hit each (%s, %s, %s),\n"
                "then converted %s (%.2f s, %d known hits at %.0f beats per minute).\n\n",
                demo::kHitFiles[0], demo::kHitFiles[1], demo::kHitFiles[2], loop.c_str(),
                (double)result.frames / result.sampleRate, demo::kNumHits, demo::kTempo);
    for (const std::string& warning : result.warnings) std::printf("warning: %s\n", warning.c_str());
    std::printf("%s\n\n", result.settingsLine.c_str());
    std::printf("%s\n", noteTable(result.notes, result.sampleRate, demo::kTempo, demo::kLeadIn).c_str());
    std::printf("Played:\n%s\nFound:\n%s\n",
                drumGrid(patternNotes(), result.sampleRate, demo::kTempo, demo::kBars, demo::kLeadIn).c_str(),
                drumGrid(result.notes, result.sampleRate, demo::kTempo, demo::kBars, demo::kLeadIn).c_str());
    DemoScore score = scoreDemo(result.notes);
    std::printf("Found %d of %d known hits with the right drum (%d with the wrong drum, %d missed, %d extra notes).\n",
                score.right, demo::kNumHits, score.wrong, score.missed, score.extra);
    std::printf("Wrote %s\n", options.output.c_str());
}

}  // namespace cli
