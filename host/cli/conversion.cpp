#include "conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "audio_file.h"
#include "failure.h"
#include "midi_file.h"
#include "output_file.h"

namespace cli {

namespace {

constexpr const char* kTrackName = "Tamboro drums";
// More notes per second of audio than a drummer plays.
constexpr double kMostNotesPerSecond = 40.0;
// A handful of notes in a short file is no sign of re-triggering.
constexpr size_t kMinNotesToJudge = 8;

std::string fileName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The picture and the audio output, fed by the engine's detection pass.
class OutputRecorder : public DetectionObserver {
public:
    OutputRecorder(PlotRecorder* plot, AudioWriter* audio) : plot(plot), audio(audio) {}
    void input(int64_t sample, double left, double right) override {
        if (plot) plot->addInput(sample, left, right);
    }
    void level(int64_t sample, double level) override {
        if (plot) plot->addLevel(sample, level);
    }
    void output(const float* left, const float* right, int64_t frames) override { write(left, right, frames); }
    void output(const double* left, const double* right, int64_t frames) override { write(left, right, frames); }
    void activation(int64_t sample, int drum, float strength, float threshold) override {
        if (plot) plot->addActivation(sample, drum, strength, threshold);
    }

private:
    template <typename Sample>
    void write(const Sample* left, const Sample* right, int64_t frames) {
        if (audio) audio->write(left, right, frames);
    }

    PlotRecorder* plot;
    AudioWriter* audio;
};

class Conversion {
public:
    Conversion(const EngineFactory& makeEngine, const ConversionSettings& settings, const std::string& input,
               const ConversionOutputs& outputs, const ProgressCallback& progress)
        : settings(settings), outputs(outputs), reader(input), progress(progress),
          engine(makeEngine(reader.sampleRate())) {
        result.sampleRate = reader.sampleRate();
        result.channels = reader.channels();
        result.frames = reader.frames();
        openLearnFiles();
        if (!outputs.audio.empty()) AudioWriter::checkFormatName(outputs.audio);
    }

    ConversionResult run() {
        Examples examples{};
        for (int drum = 0; drum < kNumDrums; drum++) examples[(size_t)drum] = learnReaders[(size_t)drum].get();
        WorkMeter work(engine->plannedWork(reader, examples), progress);
        engine->prepare(reader, result, work);
        if (settings.learns()) engine->learn(examples, result, work);
        detect(work);
        return result;
    }

private:
    void openLearnFiles() {
        for (int drum = 0; drum < kNumDrums; drum++) {
            const std::string& path = settings.learnFiles[(size_t)drum];
            if (path.empty()) continue;
            learnReaders[(size_t)drum] = std::make_unique<AudioReader>(path);
        }
    }

    void detect(WorkMeter& work) {
        std::unique_ptr<PendingOutput> audioOut;
        std::unique_ptr<AudioWriter> audioWriter;
        if (!outputs.audio.empty()) {
            audioOut = std::make_unique<PendingOutput>(outputs.audio, settings.overwrite);
            audioWriter = std::make_unique<AudioWriter>(audioOut->tempPath(), outputs.audio, reader.sampleRate());
        }
        std::unique_ptr<PlotRecorder> plot;
        if (!outputs.plot.empty()) {
            LevelLines lines = engine->levelLines();
            plot = std::make_unique<PlotRecorder>(reader.frames(), reader.sampleRate(), outputs.plotSize, lines.onset,
                                                  lines.release, engine->showsActivations());
        }
        OutputRecorder recorder(plot.get(), audioWriter.get());
        int64_t shift = settings.latencyCompensation ? engine->latency() : 0;
        NoteTimeline timeline = engine->detect(reader, shift, plot || audioWriter ? &recorder : nullptr, work);
        // Detection reads to the end: the length the recording really has.
        result.frames = reader.framesRead();
        result.notes = timeline.notes();
        // The transcriber explains a decay by the hit before it instead.
        if (!engine->showsActivations()) warnOfTooManyNotes();
        warnOfNonFiniteSamples();
        writeOutputs(timeline, audioOut.get(), audioWriter.get(), plot.get());
    }

    // Left unsaid, a damaged stretch would pass for silence without hits.
    void warnOfNonFiniteSamples() {
        const int64_t frames = reader.nonFiniteFramesRead();
        if (frames == 0) return;
        result.warnings.push_back(reader.path() + ": " + std::to_string(frames) + " sample frame" +
                                  (frames == 1 ? " holds" : "s hold") +
                                  " values that are not numbers (NaN) or infinite; the file is damaged there, " +
                                  "and hits near them may be missing");
    }

    // No drummer plays this fast: the detector is firing again inside hits.
    void warnOfTooManyNotes() {
        double seconds = (double)result.frames / reader.sampleRate();
        double perSecond = (double)result.notes.size() / seconds;
        if (perSecond <= kMostNotesPerSecond || result.notes.size() < kMinNotesToJudge) return;
        result.warnings.push_back(reader.path() + ": " + std::to_string((int)std::lround(perSecond)) +
                                  " notes per second of audio; the detector probably re-triggers inside each hit " +
                                  "(High Threshold too low, or the release level too close to it): look at --plot, " +
                                  "raise --high or lower --low");
    }

    void writeOutputs(const NoteTimeline& timeline, PendingOutput* audioOut, AudioWriter* audioWriter,
                      const PlotRecorder* plot) {
        std::unique_ptr<PendingOutput> midiOut, plotOut;
        std::vector<uint8_t> midi;
        if (!outputs.midi.empty())
            midi = encodeMidiFile(timeline.events(), MidiTimeBase::forTempo(settings.tempo, reader.sampleRate()),
                                  kTrackName);
        bool midiToStdout = outputs.midi == kStandardStream;
        if (!outputs.midi.empty() && !midiToStdout) {
            midiOut = std::make_unique<PendingOutput>(outputs.midi, settings.overwrite);
            midiOut->writeAll(midi);
        }
        if (plot) {
            plotOut = std::make_unique<PendingOutput>(outputs.plot, settings.overwrite);
            plot->render(plotOut->tempPath(), fileName(reader.path()), result.notes);
        }
        if (audioWriter) audioWriter->close();
        // Only now that every file is complete does any of them appear.
        for (PendingOutput* out : {midiOut.get(), audioOut, plotOut.get()})
            if (out) out->commit();
        if (midiToStdout && (std::fwrite(midi.data(), 1, midi.size(), stdout) != midi.size() || std::fflush(stdout)))
            throw Failure("-: cannot write the MIDI file to standard output");
    }

    const ConversionSettings& settings;
    const ConversionOutputs& outputs;
    AudioReader reader;
    std::array<std::unique_ptr<AudioReader>, kNumDrums> learnReaders;
    const ProgressCallback& progress;
    std::unique_ptr<DetectionEngine> engine;
    ConversionResult result;
};

}  // namespace

bool ConversionSettings::learns() const {
    return std::any_of(learnFiles.begin(), learnFiles.end(), [](const std::string& f) { return !f.empty(); });
}

ConversionResult convertFile(const EngineFactory& makeEngine, const ConversionSettings& settings,
                             const std::string& input, const ConversionOutputs& outputs,
                             const ProgressCallback& progress) {
    for (const std::string* path : {&outputs.midi, &outputs.audio, &outputs.plot})
        if (!path->empty() && *path != kStandardStream) refuseExisting(*path, settings.overwrite);
    return Conversion(makeEngine, settings, input, outputs, progress).run();
}

}  // namespace cli
