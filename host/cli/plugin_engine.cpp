#include "plugin_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "auto_thresholds.h"
#include "failure.h"
#include "level_meter.h"
#include "shell/plugin_info.h"

namespace cli {

namespace {

using plugin_info::Param;

// Silence after each taught hit, so that its ringing in the narrow low bands
// has died away before the next file begins.
constexpr double kLearnGapSeconds = 2.0;
constexpr int kStereo = 2;

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

void setThresholdParameters(host::Instance& plugin, const Thresholds& t, int ratioDivisor) {
    // "Ratio Select" last: while it is off, both thresholds are stored as given.
    plugin.setParameter(Param::kHighThreshold, t.high);
    plugin.setParameter(Param::kLowThreshold, t.low);
    for (const Ratio& ratio : kRatios)
        if (ratio.divisor == ratioDivisor) plugin.setParameter(Param::kRatioSelect, ratio.ratioSelect);
}

std::string thresholdLine(const Thresholds& t, bool highChosen, bool lowChosen, int ratioDivisor) {
    std::string line = "High Threshold " + describeHigh(t.high) + (highChosen ? " (auto)" : "");
    line += ", Low Threshold " + describeLow(t.low);
    if (ratioDivisor) line += " (from ratio " + std::to_string(ratioDivisor) + ":1)";
    else if (lowChosen) line += " (auto)";
    return line;
}

// The Tamboro plug-in, one instance for the examples and the recording (and
// one more for each measuring pass), driven as a DAW drives it.
template <typename Sample>
class PluginEngine : public DetectionEngine {
public:
    PluginEngine(const host::PluginLibrary& plugin, const ConversionSettings& settings, int sampleRate)
        : plugin(plugin), settings(settings), sampleRate(sampleRate) {}

    int64_t plannedWork(const AudioReader& recording, const Examples& examples) const override {
        int64_t total = recording.frames();
        if (!settings.high || (!settings.low && !settings.ratioDivisor)) total += recording.frames();
        for (int drum = 0; drum < kNumDrums; drum++) {
            const AudioReader* example = examples[(size_t)drum];
            if (!example) continue;
            bool measured = !settings.learnHigh[(size_t)drum] || !settings.learnLow[(size_t)drum];
            total += example->frames() * (measured ? 2 : 1);
        }
        return total;
    }

    void prepare(AudioReader& recording, ConversionResult& result, WorkMeter& work) override {
        bool needHigh = !settings.high;
        bool needLow = !settings.low && !settings.ratioDivisor;
        Thresholds chosen{1.0f, 1.0f};
        if (needHigh || needLow) {
            AutoThresholds automatic = cli::chooseThresholds(measureLevels(recording, work), settings.ratioDivisor);
            chosen = automatic.values;
            if (!automatic.warning.empty()) result.warnings.push_back("auto thresholds: " + automatic.warning);
        }
        thresholds.high = settings.high.value_or(chosen.high);
        if (settings.ratioDivisor)
            thresholds.low = lowForRatio(thresholds.high, settings.ratioDivisor);
        else
            thresholds.low = settings.low.value_or(chosen.low);
        result.settingsLine = thresholdLine(thresholds, needHigh, needLow, settings.ratioDivisor);
        result.settingsChosen = needHigh || needLow;
        run = std::make_unique<PluginRun<Sample>>(plugin, sampleRate, settings);
        setThresholdParameters(run->instance(), thresholds, settings.ratioDivisor);
    }

    // The template comes from the example's first hit, its attack: feeding
    // stops once that hit is released, so no wiggle of its decay that crosses
    // the thresholds again can replace it.
    void learn(const Examples& examples, ConversionResult& result, WorkMeter& work) override {
        refuseOtherRates(examples);
        host::Instance& instance = run->instance();
        instance.setParameter(Param::kFunction, kFunctionTemplate);
        int64_t gap = (int64_t)(kLearnGapSeconds * sampleRate);
        for (int drum = 0; drum < kNumDrums; drum++) {
            AudioReader* example = examples[(size_t)drum];
            if (!example) continue;
            Thresholds exampleSettings = exampleThresholds(drum, *example, result, work);
            setThresholdParameters(instance, exampleSettings, 0);
            instance.setParameter(Param::kTemplateInst, kDrums[(size_t)drum].templateInst);
            OnsetCounter onsets{exampleSettings.high, releaseLevel(exampleSettings, 0)};
            LevelMeter meter;
            int64_t fed = 0, firstHit = -1;
            run->feedFileUntil(*example, [&](const Block<Sample>& b) {
                onsets.add(meter.add(b.outL[0], b.outR[0]));
                if (onsets.count && firstHit < 0) firstHit = fed;
                fed++;
                work.add(b.frames);
                return !onsets.firstHitOver();
            });
            run->feedSilence(gap, [](const Block<Sample>&) {});
            run->takeEvents([](int64_t, uint8_t, uint8_t, uint8_t) {});
            // The level comes out of the plug-in with its delay; the time is the example's own.
            reportLearning(drum, exampleSettings, firstHit < 0 ? -1 : std::max<int64_t>(0, firstHit - run->latency()),
                           result);
        }
        setThresholdParameters(instance, thresholds, settings.ratioDivisor);
    }

    int64_t latency() const override { return run->latency(); }

    NoteTimeline detect(AudioReader& recording, int64_t shift, DetectionObserver* observer, WorkMeter& work) override {
        host::Instance& instance = run->instance();
        float drumSelect = settings.drum ? kDrums[(size_t)*settings.drum].drumSelect : kDrumSelectDynamic;
        instance.setParameter(Param::kDrumSelect, drumSelect);
        instance.setParameter(Param::kFunction, kFunctionDetection);

        int64_t origin = instance.samplePosition();  // after any taught files
        NoteTimeline timeline(shift);
        auto addEvent = [&](int64_t sample, uint8_t status, uint8_t d1, uint8_t d2) {
            timeline.add(sample - origin, status, d1, d2);
        };
        LevelMeter meter;
        int64_t frames = recording.frames();
        auto sink = [&](const Block<Sample>& b) {
            if (observer) observe(*observer, meter, b, b.start - origin, shift, frames);
            run->takeEvents(addEvent);
        };
        run->feedFile(recording, [&](const Block<Sample>& b) {
            sink(b);
            work.add(b.frames);
        });
        // Play on past the end, as a host does, so that the last hits come
        // through the plug-in's delay and their notes end.
        run->feedSilence(run->latency(), sink);
        int64_t tailLimit = (int64_t)(60.0 / settings.tempo * sampleRate);
        for (int64_t fed = 0; timeline.anyNoteSounding() && fed < tailLimit; fed += settings.blockSize)
            run->feedSilence(settings.blockSize, sink);
        timeline.endAll(instance.samplePosition() - origin);
        return timeline;
    }

    LevelLines levelLines() const override { return {thresholds.high, releaseLevel(thresholds, settings.ratioDivisor)}; }

private:
    void refuseOtherRates(const Examples& examples) const {
        for (const AudioReader* example : examples)
            if (example && example->sampleRate() != sampleRate)
                throw Failure(example->path() + ": is at " + std::to_string(example->sampleRate()) + " Hz but the " +
                              "recording is at " + std::to_string(sampleRate) + " Hz; the plug-in's bands move " +
                              "with the rate, so taught hits would not match");
    }

    // firstHit: the sample of the example at which its first hit began, or -1.
    void reportLearning(int drum, const Thresholds& used, int64_t firstHit, ConversionResult& result) {
        const std::string& path = settings.learnFiles[(size_t)drum];
        const char* name = kDrums[(size_t)drum].name;
        std::string with = "High Threshold " + describeHigh(used.high) + ", Low Threshold " + describeLow(used.low);
        if (firstHit < 0) {
            result.details.push_back(path + ": no hit with " + with);
            result.warnings.push_back(path + ": no hit reached High Threshold " + describeHigh(used.high) +
                                      ", so the " + name + " template stays empty; give a louder example, or a " +
                                      "lower --learn-high " + name + "=DB");
            return;
        }
        char at[32];
        std::snprintf(at, sizeof at, "%.3f s", (double)firstHit / sampleRate);
        result.details.push_back(path + ": learned the " + name + " from its first hit, at " + at + ", with " + with);
    }

    // start: the block's first sample counted from the recording's first.
    static void observe(DetectionObserver& observer, LevelMeter& meter, const Block<Sample>& b, int64_t start,
                        int64_t shift, int64_t frames) {
        for (int i = 0; i < b.frames; i++) {
            double level = meter.add(b.outL[i], b.outR[i]);
            // The detector compares this level in the next sample.
            observer.level(start + i + 1 - shift, level);
            if (start + i < frames) observer.input(start + i, b.inL[i], b.inR[i]);
        }
        int64_t from = std::max(start, shift), to = std::min(start + b.frames, shift + frames);
        if (from < to) observer.output(b.outL + (from - start), b.outR + (from - start), to - from);
    }

    // The level the detector sees through a whole file, from a pass through
    // an instance of its own.
    LevelHistogram measureLevels(AudioReader& source, WorkMeter& work) {
        LevelHistogram levels;
        PluginRun<Sample> measure(plugin, sampleRate, settings);
        LevelMeter meter;
        measure.feedFile(source, [&](const Block<Sample>& b) {
            for (int i = 0; i < b.frames; i++) levels.add(meter.add(b.outL[i], b.outR[i]));
            work.add(b.frames);
        });
        source.rewind();
        return levels;
    }

    // An example that reaches the recording's High Threshold is played with
    // the recording's thresholds, so that its template is taken at the same
    // point of the attack as the recording's hits are detected. A quieter
    // one would teach nothing with them: it gets thresholds worked out from
    // its own level.
    Thresholds exampleThresholds(int drum, AudioReader& example, ConversionResult& result, WorkMeter& work) {
        std::optional<float> high = settings.learnHigh[(size_t)drum], low = settings.learnLow[(size_t)drum];
        if (high && low) return {*high, *low};
        LevelHistogram levels = measureLevels(example, work);
        Thresholds chosen = thresholds;
        if (levels.peak() < thresholds.high) {
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
               "Threshold " + describeHigh(thresholds.high) + why + ", so it was played with High Threshold " +
               describeHigh(high) + " worked out from it, and the " + name + " template fits hits about as " +
               "loud as it; give a louder example, or set --learn-high " + name + "=DB";
    }

    const host::PluginLibrary& plugin;
    const ConversionSettings& settings;
    int sampleRate;
    Thresholds thresholds{1.0f, 1.0f};
    std::unique_ptr<PluginRun<Sample>> run;
};

}  // namespace

std::unique_ptr<DetectionEngine> makePluginEngine(const host::PluginLibrary& plugin, const ConversionSettings& settings,
                                                  int sampleRate) {
    if (settings.precision == Precision::Double)
        return std::make_unique<PluginEngine<double>>(plugin, settings, sampleRate);
    return std::make_unique<PluginEngine<float>>(plugin, settings, sampleRate);
}

}  // namespace cli
