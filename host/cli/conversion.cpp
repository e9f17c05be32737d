#include "conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "audio_file.h"
#include "auto_thresholds.h"
#include "failure.h"
#include "level_meter.h"
#include "midi_file.h"
#include "output_file.h"
#include "shell/plugin_info.h"

namespace cli {

namespace {

using plugin_info::Param;

// Silence after each taught hit, so that its ringing in the narrow low bands
// has died away before the next file begins.
constexpr double kLearnGapSeconds = 2.0;
constexpr const char* kTrackName = "Tamboro drums";
constexpr int kStereo = 2;
// More notes per second of audio than a drummer plays.
constexpr double kMostNotesPerSecond = 40.0;
// A handful of notes in a short file is no sign of re-triggering.
constexpr size_t kMinNotesToJudge = 8;

std::string fileName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A block as the plug-in saw it. start is the processing sample of its first frame.
template <typename Sample>
struct Block {
    const Sample* inL;
    const Sample* inR;
    const Sample* outL;
    const Sample* outR;
    int frames;
    int64_t start;
};

// One plug-in instance with its block buffers.
template <typename Sample>
class PluginRun {
public:
    PluginRun(const host::PluginLibrary& plugin, int sampleRate, const ConversionSettings& settings)
        : blockSize(settings.blockSize), buffers((size_t)(4 * settings.blockSize)) {
        host::HostSettings hostSettings;
        hostSettings.sampleRate = sampleRate;
        hostSettings.tempo = settings.tempo;
        std::string error;
        plugin_ = host::Instance::create(plugin, error, hostSettings);
        if (!plugin_) throw Failure("cannot start the plug-in: " + error);
        const AEffect& record = *plugin_->effect();
        if (record.numInputs != kStereo || record.numOutputs != kStereo)
            throw Failure("the plug-in has " + std::to_string(record.numInputs) + " inputs and " +
                          std::to_string(record.numOutputs) + " outputs; a stereo effect is needed");
        if constexpr (sizeof(Sample) == sizeof(double)) {
            if (!(record.flags & effFlagsCanDoubleReplacing))
                throw Failure("the plug-in cannot process 64-bit samples; use --precision 32");
        }
        plugin_->dispatch(effOpen);
        plugin_->dispatch(effSetSampleRate, 0, 0, nullptr, (float)sampleRate);
        plugin_->dispatch(effSetBlockSize, 0, blockSize);
        plugin_->dispatch(effMainsChanged, 0, 1);
    }

    host::Instance& instance() { return *plugin_; }
    int64_t latency() const { return plugin_->effect()->initialDelay; }

    template <typename Sink>
    void feedFile(AudioReader& reader, Sink&& sink) {
        for (;;) {
            int64_t n = reader.read(channel(0), channel(1), blockSize);
            if (n == 0) return;
            processBlock((int)n, sink);
        }
    }

    // One sample per call, until more(block) says to stop or the file ends:
    // nothing after the stopping sample reaches the plug-in.
    template <typename More>
    void feedFileUntil(AudioReader& reader, More&& more) {
        bool going = true;
        while (going && reader.read(channel(0), channel(1), 1) == 1)
            processBlock(1, [&](const Block<Sample>& b) { going = more(b); });
    }

    template <typename Sink>
    void feedSilence(int64_t frames, Sink&& sink) {
        while (frames > 0) {
            // Refilled each time: nothing promises that a plug-in leaves its inputs alone.
            std::fill(channel(0), channel(2), Sample(0));
            int n = (int)std::min<int64_t>(frames, blockSize);
            processBlock(n, sink);
            frames -= n;
        }
    }

    // Hands every event sent so far to add(processingSample, status, data1, data2).
    template <typename Add>
    void takeEvents(Add&& add) {
        for (const host::MidiRecord& r : plugin_->midiEvents())
            add(r.samplePosition, r.status(), r.data1(), r.data2());
        plugin_->clearRecords();
    }

private:
    Sample* channel(int i) { return buffers.data() + (size_t)i * blockSize; }

    template <typename Sink>
    void processBlock(int n, Sink&& sink) {
        Sample* inputs[kStereo] = {channel(0), channel(1)};
        Sample* outputs[kStereo] = {channel(2), channel(3)};
        int64_t start = plugin_->samplePosition();
        if constexpr (sizeof(Sample) == sizeof(double))
            plugin_->processDouble(inputs, outputs, n);
        else
            plugin_->process(inputs, outputs, n);
        sink(Block<Sample>{inputs[0], inputs[1], outputs[0], outputs[1], n, start});
    }

    int blockSize;
    std::vector<Sample> buffers;
    std::unique_ptr<host::Instance> plugin_;
};

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

void setThresholdParameters(host::Instance& plugin, const Thresholds& t, int ratioDivisor) {
    // "Ratio Select" last: while it is off, both thresholds are stored as given.
    plugin.setParameter(Param::kHighThreshold, t.high);
    plugin.setParameter(Param::kLowThreshold, t.low);
    for (const Ratio& ratio : kRatios)
        if (ratio.divisor == ratioDivisor) plugin.setParameter(Param::kRatioSelect, ratio.ratioSelect);
}

class Conversion {
public:
    Conversion(const host::PluginLibrary& plugin, const ConversionSettings& settings, const std::string& input,
               const ConversionOutputs& outputs, const ProgressCallback& progress)
        : plugin(plugin), settings(settings), outputs(outputs), reader(input), progress(progress) {
        result.sampleRate = reader.sampleRate();
        result.channels = reader.channels();
        result.frames = reader.frames();
        openLearnFiles();
        if (!outputs.audio.empty()) AudioWriter::checkFormatName(outputs.audio);
    }

    template <typename Sample>
    ConversionResult run() {
        WorkMeter work(plannedWork(), progress);
        chooseThresholds<Sample>(work);
        PluginRun<Sample> run(plugin, reader.sampleRate(), settings);
        setThresholdParameters(run.instance(), result.thresholds, settings.ratioDivisor);
        if (settings.learns()) learn(run, work);
        detect(run, work);
        return result;
    }

private:
    int64_t plannedWork() const {
        int64_t total = reader.frames();
        if (!settings.high || (!settings.low && !settings.ratioDivisor)) total += reader.frames();
        for (int drum = 0; drum < kNumDrums; drum++) {
            const AudioReader* example = learnReaders[(size_t)drum].get();
            if (!example) continue;
            bool measured = !settings.learnHigh[(size_t)drum] || !settings.learnLow[(size_t)drum];
            total += example->frames() * (measured ? 2 : 1);
        }
        return total;
    }

    void openLearnFiles() {
        for (int drum = 0; drum < kNumDrums; drum++) {
            const std::string& path = settings.learnFiles[(size_t)drum];
            if (path.empty()) continue;
            auto learnReader = std::make_unique<AudioReader>(path);
            if (learnReader->sampleRate() != reader.sampleRate())
                throw Failure(path + ": is at " + std::to_string(learnReader->sampleRate()) + " Hz but " +
                              reader.path() + " is at " + std::to_string(reader.sampleRate()) +
                              " Hz; the plug-in's bands move with the rate, so taught hits would not match");
            learnReaders[(size_t)drum] = std::move(learnReader);
        }
    }

    // The level the detector sees through a whole file, from a pass through
    // an instance of its own.
    template <typename Sample>
    LevelHistogram measureLevels(AudioReader& source, WorkMeter& work) {
        LevelHistogram levels;
        PluginRun<Sample> measure(plugin, source.sampleRate(), settings);
        LevelMeter meter;
        measure.feedFile(source, [&](const Block<Sample>& b) {
            for (int i = 0; i < b.frames; i++) levels.add(meter.add(b.outL[i], b.outR[i]));
            work.add(b.frames);
        });
        source.rewind();
        return levels;
    }

    template <typename Sample>
    void chooseThresholds(WorkMeter& work) {
        bool needHigh = !settings.high;
        bool needLow = !settings.low && !settings.ratioDivisor;
        Thresholds chosen{1.0f, 1.0f};
        if (needHigh || needLow) {
            AutoThresholds automatic = cli::chooseThresholds(measureLevels<Sample>(reader, work), settings.ratioDivisor);
            chosen = automatic.values;
            if (!automatic.warning.empty()) result.warnings.push_back("auto thresholds: " + automatic.warning);
        }
        result.highChosen = needHigh;
        result.lowChosen = needLow;
        result.thresholds.high = settings.high.value_or(chosen.high);
        if (settings.ratioDivisor)
            result.thresholds.low = lowForRatio(result.thresholds.high, settings.ratioDivisor);
        else
            result.thresholds.low = settings.low.value_or(chosen.low);
    }

    // An example that reaches the recording's High Threshold is played with
    // the recording's thresholds, so that its template is taken at the same
    // point of the attack as the recording's hits are detected. A quieter
    // one would teach nothing with them: it gets thresholds worked out from
    // its own level.
    template <typename Sample>
    Thresholds exampleThresholds(int drum, AudioReader& example, WorkMeter& work) {
        std::optional<float> high = settings.learnHigh[(size_t)drum], low = settings.learnLow[(size_t)drum];
        if (high && low) return {*high, *low};
        LevelHistogram levels = measureLevels<Sample>(example, work);
        Thresholds chosen = result.thresholds;
        if (levels.peak() < result.thresholds.high) {
            AutoThresholds automatic = cli::chooseThresholds(levels, 0);
            chosen = automatic.values;
            result.warnings.push_back(quietExampleWarning(drum, levels.peak(), chosen.high, automatic.warning));
        }
        return {high.value_or(chosen.high), low.value_or(chosen.low)};
    }

    std::string quietExampleWarning(int drum, double peak, float high, const std::string& autoWarning) const {
        const char* name = kDrums[(size_t)drum].name;
        std::string peakDb = std::to_string((int)std::lround(highToDb((float)peak)));
        std::string why = autoWarning.empty() ? "" : " (" + autoWarning + ")";
        return settings.learnFiles[(size_t)drum] + ": its loudest level, " + peakDb + " dB, stays under High " +
               "Threshold " + describeHigh(result.thresholds.high) + why + ", so it was played with High Threshold " +
               describeHigh(high) + " worked out from it, and the " + name + " template fits hits about as " +
               "loud as it; give a louder example, or set --learn-high " + name + "=DB";
    }

    // The template comes from the example's first hit, its attack: feeding
    // stops once that hit is released, so no wiggle of its decay that crosses
    // the thresholds again can replace it.
    template <typename Sample>
    void learn(PluginRun<Sample>& run, WorkMeter& work) {
        host::Instance& instance = run.instance();
        instance.setParameter(Param::kFunction, kFunctionTemplate);
        int64_t gap = (int64_t)(kLearnGapSeconds * reader.sampleRate());
        for (int drum = 0; drum < kNumDrums; drum++) {
            AudioReader* example = learnReaders[(size_t)drum].get();
            if (!example) continue;
            Thresholds thresholds = exampleThresholds<Sample>(drum, *example, work);
            setThresholdParameters(instance, thresholds, 0);
            instance.setParameter(Param::kTemplateInst, kDrums[(size_t)drum].templateInst);
            OnsetCounter onsets{thresholds.high, releaseLevel(thresholds, 0)};
            LevelMeter meter;
            int64_t fed = 0, firstHit = -1;
            run.feedFileUntil(*example, [&](const Block<Sample>& b) {
                onsets.add(meter.add(b.outL[0], b.outR[0]));
                if (onsets.count && firstHit < 0) firstHit = fed;
                fed++;
                work.add(b.frames);
                return !onsets.firstHitOver();
            });
            run.feedSilence(gap, [](const Block<Sample>&) {});
            run.takeEvents([](int64_t, uint8_t, uint8_t, uint8_t) {});
            // The level comes out of the plug-in with its delay; the time is the example's own.
            reportLearning(drum, thresholds, firstHit < 0 ? -1 : std::max<int64_t>(0, firstHit - run.latency()));
        }
        setThresholdParameters(instance, result.thresholds, settings.ratioDivisor);
    }

    // firstHit: the sample of the example at which its first hit began, or -1.
    void reportLearning(int drum, const Thresholds& thresholds, int64_t firstHit) {
        const std::string& path = settings.learnFiles[(size_t)drum];
        const char* name = kDrums[(size_t)drum].name;
        std::string with = "High Threshold " + describeHigh(thresholds.high) + ", Low Threshold " +
                           describeLow(thresholds.low);
        if (firstHit < 0) {
            result.details.push_back(path + ": no hit with " + with);
            result.warnings.push_back(path + ": no hit reached High Threshold " + describeHigh(thresholds.high) +
                                      ", so the " + name + " template stays empty; give a louder example, or a " +
                                      "lower --learn-high " + name + "=DB");
            return;
        }
        char at[32];
        std::snprintf(at, sizeof at, "%.3f s", (double)firstHit / reader.sampleRate());
        result.details.push_back(path + ": learned the " + name + " from its first hit, at " + at + ", with " + with);
    }

    template <typename Sample>
    void detect(PluginRun<Sample>& run, WorkMeter& work) {
        host::Instance& instance = run.instance();
        float drumSelect = settings.drum ? kDrums[(size_t)*settings.drum].drumSelect : kDrumSelectDynamic;
        instance.setParameter(Param::kDrumSelect, drumSelect);
        instance.setParameter(Param::kFunction, kFunctionDetection);

        int64_t shift = settings.latencyCompensation ? run.latency() : 0;
        int64_t origin = instance.samplePosition();  // after any taught files
        NoteTimeline timeline(shift);
        auto addEvent = [&](int64_t sample, uint8_t status, uint8_t d1, uint8_t d2) {
            timeline.add(sample - origin, status, d1, d2);
        };
        std::unique_ptr<PendingOutput> audioOut;
        std::unique_ptr<AudioWriter> audioWriter;
        if (!outputs.audio.empty()) {
            audioOut = std::make_unique<PendingOutput>(outputs.audio, settings.overwrite);
            audioWriter = std::make_unique<AudioWriter>(audioOut->tempPath(), outputs.audio, reader.sampleRate());
        }
        std::unique_ptr<PlotRecorder> plot;
        if (!outputs.plot.empty())
            plot = std::make_unique<PlotRecorder>(reader.frames(), reader.sampleRate(), outputs.plotSize,
                                                  result.thresholds.high,
                                                  releaseLevel(result.thresholds, settings.ratioDivisor));

        LevelMeter meter;
        int64_t frames = reader.frames();
        auto sink = [&](const Block<Sample>& b) {
            int64_t start = b.start - origin;
            for (int i = 0; i < b.frames; i++) {
                double level = meter.add(b.outL[i], b.outR[i]);
                // The detector compares this level in the next sample.
                if (plot) plot->addLevel(start + i + 1 - shift, level);
                if (plot && start + i < frames) plot->addInput(start + i, b.inL[i], b.inR[i]);
            }
            if (audioWriter) {
                int64_t from = std::max(start, shift), to = std::min(start + b.frames, shift + frames);
                if (from < to) audioWriter->write(b.outL + (from - start), b.outR + (from - start), to - from);
            }
            run.takeEvents(addEvent);
        };
        run.feedFile(reader, [&](const Block<Sample>& b) {
            sink(b);
            work.add(b.frames);
        });
        // Play on past the end, as a host does, so that the last hits come
        // through the plug-in's delay and their notes end.
        run.feedSilence(run.latency(), sink);
        int64_t tailLimit = (int64_t)(60.0 / settings.tempo * reader.sampleRate());
        for (int64_t fed = 0; timeline.anyNoteSounding() && fed < tailLimit; fed += settings.blockSize)
            run.feedSilence(settings.blockSize, sink);
        timeline.endAll(instance.samplePosition() - origin);
        result.notes = timeline.notes();
        warnOfTooManyNotes();
        writeOutputs(timeline, audioOut.get(), audioWriter.get(), plot.get());
    }

    // No drummer plays this fast: the detector is firing again inside hits.
    void warnOfTooManyNotes() {
        double seconds = (double)reader.frames() / reader.sampleRate();
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

    const host::PluginLibrary& plugin;
    const ConversionSettings& settings;
    const ConversionOutputs& outputs;
    AudioReader reader;
    std::array<std::unique_ptr<AudioReader>, kNumDrums> learnReaders;
    const ProgressCallback& progress;
    ConversionResult result;
};

}  // namespace

bool ConversionSettings::learns() const {
    return std::any_of(learnFiles.begin(), learnFiles.end(), [](const std::string& f) { return !f.empty(); });
}

ConversionResult convertFile(const host::PluginLibrary& plugin, const ConversionSettings& settings,
                             const std::string& input, const ConversionOutputs& outputs,
                             const ProgressCallback& progress) {
    for (const std::string* path : {&outputs.midi, &outputs.audio, &outputs.plot})
        if (!path->empty() && *path != kStandardStream) refuseExisting(*path, settings.overwrite);
    Conversion conversion(plugin, settings, input, outputs, progress);
    if (settings.precision == Precision::Double) return conversion.run<double>();
    return conversion.run<float>();
}

}  // namespace cli
