#include "transcriber_engine.h"

#include <algorithm>
#include <cmath>

#include "default_hits.h"
#include "failure.h"
#include "read_ahead.h"
#include "transcriber/note_schedule.h"
#include "transcriber/transcriber.h"

namespace cli {

namespace {

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kDrumChannel = 9;  // channel 10, counted from 0
// The built-in hits are played as loud as this share of the recording's
// peak: the transcriber measures hits against its examples, so hits of a
// quiet recording would otherwise fall under its thresholds.
constexpr float kDefaultPeakShareOfRecording = 1.0f;
// Frames decoded at a time on the reading thread; the engine still gets
// blocks of the chosen size.
constexpr int64_t kReadFrames = 1 << 14;

// Sensitivity of a drum learned from the built-in hits, before the user's
// factor. Tuned on the development set without examples (so its figures
// flatter these values): the built-in kick explains the low body of other
// kits' snares, so it must be held back; other kits' snares and hi-hats fit
// the built-in ones less well than they fit each other.
constexpr float kBuiltInSensitivity[kNumDrums] = {0.14f, 1.7f, 1.2f};

float peakOf(const float* samples, size_t count) {
    float peak = 0.0f;
    for (size_t i = 0; i < count; i++)
        if (std::isfinite(samples[i])) peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

// The largest magnitude of the recording's mono mix, read block by block.
float recordingPeak(AudioReader& reader, WorkMeter& work) {
    constexpr int64_t kBlock = 1 << 16;
    std::vector<float> left((size_t)kBlock), right((size_t)kBlock);
    float peak = 0.0f;
    for (int64_t n; (n = reader.read(left.data(), right.data(), kBlock)) > 0; work.add(n)) {
        for (int64_t i = 0; i < n; i++) left[(size_t)i] = 0.5f * (left[(size_t)i] + right[(size_t)i]);
        peak = std::max(peak, peakOf(left.data(), (size_t)n));
    }
    reader.rewind();
    return peak;
}

transcriber::Drum drumOf(int index) { return static_cast<transcriber::Drum>(index); }

// Both channels, or the one of a mono file (the reader duplicates it), as
// their mean: the transcriber hears one signal. Read block by block, not
// sized by the header: a file may claim far more audio than it holds.
std::vector<float> readMono(AudioReader& reader) {
    std::vector<float> mono, left((size_t)kReadFrames), right((size_t)kReadFrames);
    for (int64_t n; (n = reader.read(left.data(), right.data(), kReadFrames)) > 0;)
        for (int64_t i = 0; i < n; i++) mono.push_back(0.5f * (left[(size_t)i] + right[(size_t)i]));
    reader.rewind();
    return mono;
}

std::string learnFailure(const std::string& path, const char* drum, transcriber::Status status) {
    using transcriber::Status;
    switch (status) {
    case Status::SilentExample:
        return path + ": is silent, so it cannot teach the " + drum + "; give a recording of " + drum + " hits";
    case Status::NoHitInExample:
        return path + ": no " + drum + " hit found in it; give a file that holds at least one clear hit";
    case Status::NonFiniteExample:
        return path + ": holds samples that are not numbers (NaN) or infinite; it cannot teach the " + drum;
    case Status::UnsupportedSampleRate:
        return path + ": its sample rate is outside 22050-192000 Hz";
    default: return path + ": cannot teach the " + drum + ": " + transcriber::statusText(status);
    }
}

// The transcriber's hits become notes on the timeline as the plug-in sends
// them live: a hit is known latency() samples after its onset, and its note
// ends as the plug-in's notes end (the same schedule).
class NoteCollector : public transcriber::HitSink, public transcriber::FrameObserver {
public:
    NoteCollector(NoteTimeline& timeline, int64_t latency, int64_t noteLength, DetectionObserver* observer)
        : timeline(timeline), latency(latency), noteLength(noteLength), observer(observer) {}

    void onHit(const transcriber::Hit& hit) override { hits.push_back(hit); }

    void onFrame(int64_t position, const float* strength, const float* threshold) override {
        if (observer)
            for (int d = 0; d < kNumDrums; d++) observer->activation(position, d, strength[d], threshold[d]);
    }

    // Hits of one frame come drum by drum, a few samples out of order. Each
    // note is scheduled once the events before it are out, as the plug-in
    // schedules a hit before its note-on is due.
    void finish() {
        std::stable_sort(hits.begin(), hits.end(), [](const transcriber::Hit& a, const transcriber::Hit& b) {
            return a.position < b.position;
        });
        for (const transcriber::Hit& hit : hits) {
            int64_t at = hit.position + latency;
            sendBefore(at);
            schedule.add(at, at + noteLength, kDrums[(size_t)hit.drum].note, hit.velocity);
        }
        sendBefore(INT64_MAX);
    }

private:
    void sendBefore(int64_t end) {
        schedule.sendBefore(end, [this](const NoteSchedule::Event& e) {
            if (e.on)
                timeline.add(e.position, kNoteOn | kDrumChannel, (uint8_t)e.note, (uint8_t)e.velocity);
            else
                timeline.endOne(e.position, kNoteOff | kDrumChannel, (uint8_t)e.note);
        });
    }

    NoteTimeline& timeline;
    int64_t latency, noteLength;
    DetectionObserver* observer;
    std::vector<transcriber::Hit> hits;
    NoteSchedule schedule;
};

class TranscriberEngine : public DetectionEngine {
public:
    TranscriberEngine(const ConversionSettings& settings, int sampleRate)
        : settings(settings), sampleRate(sampleRate) {}

    int64_t plannedWork(const AudioReader& recording, const Examples&) const override {
        return (anyUntaught() ? 3 : 1) * recording.frames();
    }

    void prepare(AudioReader& recording, ConversionResult& result, WorkMeter& work) override {
        transcriber::Settings engineSettings;
        for (int d = 0; d < kNumDrums; d++)
            engineSettings.sensitivity[(size_t)d] = settings.sensitivity[(size_t)d].value_or(1.0f);
        transcriber::Status status = engine.configure(sampleRate, engineSettings);
        if (status != transcriber::Status::Ok)
            throw Failure(recording.path() + ": the transcriber cannot run at " + std::to_string(sampleRate) +
                          " Hz: " + transcriber::statusText(status) + "; resample it or use --engine plugin");
        // Drums taught from examples need neither the built-in hits nor the
        // pass that measures the recording's peak for them.
        if (anyUntaught()) {
            float peak = recordingPeak(recording, work);
            for (int d = 0; d < kNumDrums; d++)
                if (!taughtByExample(d)) teachDefault(d, kDefaultPeakShareOfRecording * peak);
        }
        recording_ = &recording;
        if (!settings.learns()) learnFromRecording(work);
        applySensitivities();
        describe(result);
    }

    void learn(const Examples& examples, ConversionResult& result, WorkMeter& work) override {
        for (int d = 0; d < kNumDrums; d++) {
            AudioReader* example = examples[(size_t)d];
            if (!example) continue;
            std::vector<float> samples = readMono(*example);
            transcriber::Status status = engine.learn(drumOf(d), samples.data(), samples.size(), example->sampleRate());
            if (status != transcriber::Status::Ok) throw Failure(learnFailure(example->path(), kDrums[(size_t)d].name, status));
            taughtFrom[(size_t)d] = example->path();
            result.details.push_back(example->path() + ": learned the " + kDrums[(size_t)d].name + " from " +
                                     std::to_string(engine.templateCount(drumOf(d))) + " of its hits");
        }
        learnFromRecording(work);
        applySensitivities();
        describe(result);
    }

    int64_t latency() const override { return engine.latency(); }

    NoteTimeline detect(AudioReader& recording, int64_t shift, DetectionObserver* observer, WorkMeter& work) override {
        NoteTimeline timeline(shift);
        NoteCollector notes(timeline, latency(), (int64_t)std::llround(NoteSchedule::kNoteSeconds * sampleRate), observer);
        if (observer) engine.setFrameObserver(&notes);
        // The engine hears the blocks' means, as readMono makes them.
        ReadAhead input(recording, kReadFrames);
        int64_t at = 0;
        for (const ReadAhead::Block* block; (block = input.next()); at += block->frames) {
            if (observer)
                for (size_t i = 0; i < (size_t)block->frames; i++)
                    observer->input(at + (int64_t)i, block->left[i], block->right[i]);
            for (int64_t done = 0, step; done < block->frames; done += step) {
                step = std::min<int64_t>(settings.blockSize, block->frames - done);
                engine.process(block->mean.data() + done, (size_t)step, notes);
                work.add(step);
            }
        }
        engine.flush(notes);
        engine.setFrameObserver(nullptr);
        notes.finish();
        return timeline;
    }

    LevelLines levelLines() const override { return {0.0f, 0.0f}; }
    bool showsActivations() const override { return true; }

private:
    bool taughtByExample(int d) const { return !settings.learnFiles[(size_t)d].empty(); }
    bool anyUntaught() const {
        return std::any_of(settings.learnFiles.begin(), settings.learnFiles.end(),
                           [](const std::string& f) { return f.empty(); });
    }

    // Drums taught no example take on the timbre of the recording's own
    // clearest hits, found with the built-in hits and the examples given:
    // another kit's drum fits this kit's only roughly.
    void learnFromRecording(WorkMeter& work) {
        if (!anyUntaught()) return;
        // The first pass with the sensitivities the built-in hits were tuned with.
        applySensitivities();
        std::array<bool, transcriber::kDrumCount> which{};
        for (int d = 0; d < kNumDrums; d++) which[(size_t)d] = taughtFrom[(size_t)d].empty();
        std::vector<float> samples = readMono(*recording_);
        learnedFromRecording = engine.learnFromRecording(samples.data(), samples.size(), which);
        work.add((int64_t)samples.size());
    }

    // peak: the loudest built-in hit's peak; 0 leaves them as they are.
    void teachDefault(int d, float peak) {
        static const std::array<std::string, kNumDrums> bytes = [] {
            std::array<std::string, kNumDrums> all;
            for (int i = 0; i < kNumDrums; i++)
                all[(size_t)i].assign((const char*)kDefaultHits[(size_t)i].bytes, kDefaultHits[(size_t)i].size);
            return all;
        }();
        AudioReader reader(std::string("built-in ") + kDrums[(size_t)d].name, &bytes[(size_t)d]);
        std::vector<float> samples = readMono(reader);
        if (peak > 0.0f) {
            float gain = peak / peakOf(samples.data(), samples.size());
            for (float& v : samples) v *= gain;
        }
        transcriber::Status status = engine.learn(drumOf(d), samples.data(), samples.size(), reader.sampleRate());
        if (status != transcriber::Status::Ok)
            throw Failure(std::string("the built-in ") + kDrums[(size_t)d].name + " hits do not teach: " +
                          transcriber::statusText(status));
    }

    void applySensitivities() {
        for (int d = 0; d < kNumDrums; d++) {
            float factor = taughtFrom[(size_t)d].empty() ? kBuiltInSensitivity[d] : 1.0f;
            engine.setSensitivity(drumOf(d), factor * settings.sensitivity[(size_t)d].value_or(1.0f));
        }
    }

    void describe(ConversionResult& result) const {
        std::string line = "transcriber engine;";
        bool anyDefault = false;
        for (int d = 0; d < kNumDrums; d++) {
            const std::string& from = taughtFrom[(size_t)d];
            anyDefault = anyDefault || from.empty();
            const int own = learnedFromRecording[(size_t)d];
            line += std::string(d ? "," : "") + " " + kDrums[(size_t)d].name + " from " +
                    (!from.empty() ? from
                     : own > 0     ? "built-in hits fitted to " + std::to_string(own) + " of the recording's"
                                   : "built-in hits");
            float s = settings.sensitivity[(size_t)d].value_or(1.0f);
            if (s != 1.0f) line += " (sensitivity " + formatSensitivity(s) + ")";
        }
        if (anyDefault) line += std::string("; built-in hits: ") + kDefaultHitsSource;
        result.settingsLine = line;
        // Without taught hits the drums are guessed from other kits: say so.
        result.settingsChosen = anyDefault;
    }

    static std::string formatSensitivity(float s) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", (double)s);
        return text;
    }

    const ConversionSettings& settings;
    int sampleRate;
    transcriber::Transcriber engine;
    std::array<std::string, kNumDrums> taughtFrom;
    std::array<int, transcriber::kDrumCount> learnedFromRecording{};
    AudioReader* recording_ = nullptr;  // prepare()'s, alive until detect() ends
};

}  // namespace

std::unique_ptr<DetectionEngine> makeTranscriberEngine(const ConversionSettings& settings, int sampleRate) {
    return std::make_unique<TranscriberEngine>(settings, sampleRate);
}

}  // namespace cli
