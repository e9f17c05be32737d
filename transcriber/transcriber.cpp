#include "transcriber/transcriber.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "transcriber/analysis_grid.h"
#include "transcriber/recording_templates.h"

namespace transcriber {
namespace {

// Below this an example counts as silence (about -140 dBFS).
constexpr float kSilence = 1e-7f;
// The velocity of a hit as strong as the drum's loudest example hit.
constexpr float kVelocityOfLoudestExample = 100.0f;
constexpr int kMaxVelocity = 127;
// Samples beyond this (80 dB over full scale) are clipped, so that squared
// magnitudes cannot overflow into infinities that would stay in the state.
constexpr float kLargestSample = 1e4f;
constexpr float kLeastSensitivity = 1e-3f;
constexpr float kMostSensitivity = 1e3f;
// The onset lies on average this far (in frames) before the end of the
// window of the frame whose activation peaks: template frame 0 is the
// first frame ending after the onset.
constexpr double kOnsetBeforeFrameEnd = 0.5;
constexpr int kNoveltyProfileFrames = 2;

}  // namespace

const char* drumName(Drum drum) {
    switch (drum) {
    case Drum::Kick: return "kick";
    case Drum::Snare: return "snare";
    case Drum::HiHat: return "hihat";
    }
    return "?";
}

const char* statusText(Status status) {
    switch (status) {
    case Status::Ok: return "ok";
    case Status::UnsupportedSampleRate: return "sample rate outside 22050-192000 Hz";
    case Status::NotConfigured: return "the transcriber is not configured";
    case Status::EmptyExample: return "the example holds no samples";
    case Status::NonFiniteExample: return "the example holds samples that are not numbers or infinite";
    case Status::SilentExample: return "the example is silent";
    case Status::NoHitInExample: return "no hit found in the example";
    case Status::OutOfMemory: return "out of memory";
    case Status::InvalidTemplates: return "the saved templates do not fit this transcriber";
    }
    return "?";
}

Status Transcriber::configure(double sampleRate, const Settings& settings) {
    if (!sampleRateSupported(sampleRate)) return Status::UnsupportedSampleRate;
    try {
        if (!spectrum_.configure(sampleRate) || !novelty_.configure(sampleRate)) return Status::OutOfMemory;
        sampleRate_ = sampleRate;
        settings_ = settings;
        const AnalysisGrid grid = analysisGrid(sampleRate);
        hop_ = grid.hop;
        window_ = grid.windowLength;
        ring_ = window_ + (kLanes - 1) * hop_;
        input_.assign(2 * static_cast<size_t>(ring_), 0.0f);
        bands_.assign(static_cast<size_t>(kLanes) * bandCount(), 0.0f);
        rebuild();
    } catch (const std::bad_alloc&) {
        sampleRate_ = 0.0;
        return Status::OutOfMemory;
    }
    return Status::Ok;
}

Status Transcriber::learn(Drum drum, const float* samples, size_t count, double exampleRate) {
    if (sampleRate_ == 0.0) return Status::NotConfigured;
    if (!sampleRateSupported(exampleRate)) return Status::UnsupportedSampleRate;
    if (count == 0 || !samples) return Status::EmptyExample;
    float peak = 0.0f;
    for (size_t i = 0; i < count; i++) {
        if (!std::isfinite(samples[i])) return Status::NonFiniteExample;
        peak = std::max(peak, std::fabs(samples[i]));
    }
    if (peak < kSilence) return Status::SilentExample;
    try {
        const std::vector<int64_t> onsets = findExampleOnsets(samples, count, exampleRate);
        if (onsets.empty()) return Status::NoHitInExample;
        std::vector<DrumTemplate> all;
        for (size_t i = 0; i < onsets.size(); i++) {
            const int64_t next = i + 1 < onsets.size() ? onsets[i + 1] : INT64_MAX;
            all.push_back(buildTemplate(samples, count, exampleRate, onsets[i], next));
        }
        std::sort(all.begin(), all.end(),
                  [](const DrumTemplate& a, const DrumTemplate& b) { return a.strength < b.strength; });
        std::vector<DrumTemplate>& kept = templates_[static_cast<int>(drum)];
        kept.clear();
        const size_t n = std::min<size_t>(all.size(), kMaxTemplatesPerDrum);
        for (size_t i = 0; i < n; i++)
            kept.push_back(all[n == 1 ? all.size() - 1 : i * (all.size() - 1) / (n - 1)]);
        exampleRates_[static_cast<int>(drum)] = exampleRate;
        fromAnotherKit_[static_cast<int>(drum)] = false;
        rebuild();
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    return Status::Ok;
}

namespace {

bool validTemplate(const DrumTemplate& t) {
    if (t.frames.size() != static_cast<size_t>(kTemplateFrames) * bandCount()) return false;
    if (!std::isfinite(t.strength) || t.strength < 0.0f) return false;
    return std::all_of(t.frames.begin(), t.frames.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; });
}

}  // namespace

Status Transcriber::restoreTemplates(Drum drum, const std::vector<DrumTemplate>& saved, double exampleRate) {
    if (sampleRate_ == 0.0) return Status::NotConfigured;
    if (!saved.empty() && !sampleRateSupported(exampleRate)) return Status::UnsupportedSampleRate;
    if (saved.size() > static_cast<size_t>(kMaxTemplatesPerDrum) || !std::all_of(saved.begin(), saved.end(), validTemplate))
        return Status::InvalidTemplates;
    try {
        templates_[static_cast<int>(drum)] = saved;
        exampleRates_[static_cast<int>(drum)] = saved.empty() ? 0.0 : exampleRate;
        fromAnotherKit_[static_cast<int>(drum)] = false;
        rebuild();
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    return Status::Ok;
}

namespace {

class HitList : public HitSink {
public:
    void onHit(const Hit& hit) override { hits.push_back(hit); }
    std::vector<Hit> hits;
};

}  // namespace

std::array<int, kDrumCount> Transcriber::learnFromRecording(const float* samples, size_t count,
                                                            const std::array<bool, kDrumCount>& which) {
    std::array<int, kDrumCount> learned{};
    // No samples at all is an empty recording: the stream restarts as for any.
    if (sampleRate_ == 0.0 || (!samples && count > 0)) return learned;
    try {
        // The heard hits are cut from these samples as process() reads them.
        std::vector<float> clean(samples, samples + count);
        for (int d = 0; d < kDrumCount; d++) {
            fromAnotherKit_[d] = fromAnotherKit_[d] || which[d];
            picker_.setFromAnotherKit(static_cast<Drum>(d), fromAnotherKit_[d]);
        }
        for (float& x : clean) x = std::isfinite(x) ? std::clamp(x, -kLargestSample, kLargestSample) : 0.0f;
        HitList first;
        restart();
        process(clean.data(), count, first);
        flush(first);
        // Hits of one frame come drum by drum, a few samples out of order.
        std::stable_sort(first.hits.begin(), first.hits.end(),
                         [](const Hit& a, const Hit& b) { return a.position < b.position; });
        std::array<std::vector<DrumTemplate>, kDrumCount> learnedTemplates = templates_;
        for (int d = 0; d < kDrumCount; d++) {
            if (!which[d]) continue;
            const Drum drum = static_cast<Drum>(d);
            const std::vector<Hit> near = hitsInBandsOf(first.hits, drum, decomposition_.similarities());
            const std::vector<int64_t> onsets = clearHits(near, drum, sampleRate_);
            if (onsets.empty()) continue;
            reshape(learnedTemplates[d], heardTemplate(clean.data(), count, sampleRate_, onsets, near));
            learned[d] = static_cast<int>(onsets.size());
        }
        templates_ = std::move(learnedTemplates);
        rebuild();
    } catch (const std::bad_alloc&) {
        return {};
    }
    return learned;
}

void Transcriber::setSensitivity(Drum drum, float sensitivity) {
    // Not a number keeps the default.
    const float s = std::isnan(sensitivity) ? 1.0f : std::clamp(sensitivity, kLeastSensitivity, kMostSensitivity);
    settings_.sensitivity[static_cast<int>(drum)] = s;
    picker_.setSensitivity(drum, s);
}

void Transcriber::rebuild() {
    int usable = usableBandCount(sampleRate_);
    for (int d = 0; d < kDrumCount; d++)
        if (!templates_[d].empty()) usable = std::min(usable, usableBandCount(exampleRates_[d]));
    decomposition_.reset(bandCount(), usable);
    for (int d = 0; d < kDrumCount; d++)
        for (const DrumTemplate& t : templates_[d]) decomposition_.addTemplate(static_cast<Drum>(d), t);
    decomposition_.prepare();
    picker_.setSimilarities(decomposition_.similarities());
    for (int d = 0; d < kDrumCount; d++) picker_.setFromAnotherKit(static_cast<Drum>(d), fromAnotherKit_[d]);
    for (int d = 0; d < kDrumCount; d++) {
        if (templates_[d].empty()) continue;
        // The loudest template's opening frames: where the drum's attack is.
        const std::vector<float>& frames = templates_[d].back().frames;
        std::vector<float> profile(bandCount(), 0.0f);
        for (int f = 0; f < kNoveltyProfileFrames; f++)
            for (int b = 0; b < usable; b++) profile[b] += frames[f * bandCount() + b];
        novelty_.setProfile(static_cast<Drum>(d), profile.data());
    }
    for (int d = 0; d < kDrumCount; d++) setSensitivity(static_cast<Drum>(d), settings_.sensitivity[d]);
    restart();
}

int Transcriber::latency() const { return (Decomposition::kLookAhead + 2) * hop_; }

void Transcriber::restart() {
    std::fill(input_.begin(), input_.end(), 0.0f);
    decomposition_.restart();
    picker_.restart();
    novelty_.restart();
    samples_ = 0;
    streamEnd_ = -1;
    pending_ = 0;
}

void Transcriber::process(const float* samples, size_t count, HitSink& sink) {
    if (sampleRate_ == 0.0) return;
    while (count > 0) {
        const size_t taken = take(samples, count);
        if (samples) samples += taken;
        count -= taken;
        if (samples_ % hop_ != 0) continue;
        pendingEnds_[pending_++] = samples_;
        if (pending_ == kLanes) analysePending(sink);
    }
    // Hits are due within the call that completes their frame.
    analysePending(sink);
}

size_t Transcriber::take(const float* samples, size_t count) {
    const int n = ring_;
    const int at = static_cast<int>(samples_ % n);
    const size_t toFrame = static_cast<size_t>(hop_ - samples_ % hop_);
    const size_t taken = std::min({count, toFrame, static_cast<size_t>(n - at)});
    float* out = &input_[at];
    for (size_t i = 0; i < taken; i++)
        out[i] = out[i + n] = samples && std::isfinite(samples[i])
                                  ? std::clamp(samples[i], -kLargestSample, kLargestSample)
                                  : 0.0f;
    samples_ += static_cast<int64_t>(taken);
    return taken;
}

void Transcriber::flush(HitSink& sink) {
    if (sampleRate_ == 0.0) return;
    streamEnd_ = samples_;
    // Silence pushes the held-back frames through; null reads as silence.
    process(nullptr, static_cast<size_t>(Decomposition::kLookAhead + 3) * hop_, sink);
    restart();
}

void Transcriber::analysePending(HitSink& sink) {
    if (pending_ == 0) return;
    const float* windows[kLanes];  // the oldest sample first
    float* bands[kLanes];
    for (int i = 0; i < pending_; i++) {
        windows[i] = &input_[(pendingEnds_[i] + ring_ - window_) % ring_];
        bands[i] = &bands_[static_cast<size_t>(i) * bandCount()];
    }
    spectrum_.analyse(windows, bands, pending_);
    const int64_t first = pendingEnds_[0] / hop_ - 1;
    novelty_.analyse(first, windows, pending_, window_);
    for (int i = 0; i < pending_; i++) {
        novelty_.push(first + i);
        pickFrame(pendingEnds_[i], bands[i], sink);
    }
    pending_ = 0;
}

// Frame f's window ends at sample (f + 1) * hop.
int64_t Transcriber::onsetPosition(double frame, int64_t end) const {
    return std::clamp<int64_t>(std::llround((frame + 1.0 - kOnsetBeforeFrameEnd) * hop_), end - latency(), end);
}

void Transcriber::pickFrame(int64_t end, const float* bands, HitSink& sink) {
    FrameActivations activations;
    int64_t frame = 0;
    if (!decomposition_.push(bands, activations, frame)) return;
    PickedOnset onsets[kDrumCount];
    const int found = picker_.push(frame, activations, novelty_, onsets);
    if (observer_) {
        float strength[kDrumCount], threshold[kDrumCount];
        picker_.levels(frame, novelty_, strength, threshold);
        observer_->onFrame(std::llround((frame - kOnsetBeforeFrameEnd) * hop_), strength, threshold);
        int weighed = 0;
        const Candidate* candidates = picker_.weighed(weighed);
        for (int i = 0; i < weighed; i++)
            observer_->onCandidate(onsetPosition(candidates[i].frame, end), candidates[i]);
    }
    for (int i = 0; i < found; i++) {
        const PickedOnset& onset = onsets[i];
        const int64_t position = onsetPosition(onset.frame, end);
        if (streamEnd_ >= 0 && position >= streamEnd_) continue;
        const long velocity = std::lround(kVelocityOfLoudestExample * onset.strength);
        sink.onHit({std::max<int64_t>(0, position), onset.drum,
                    static_cast<uint8_t>(std::clamp<long>(velocity, 1, kMaxVelocity))});
    }
}

}  // namespace transcriber
