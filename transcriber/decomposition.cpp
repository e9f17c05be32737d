#include "transcriber/decomposition.h"

#include <algorithm>
#include <cmath>

#include "transcriber/analysis_grid.h"

namespace transcriber {
namespace {

constexpr int kWindow = Decomposition::kLookAhead + 1;
// The frames kept: the window and the frame before it.
constexpr int kKept = kWindow + 1;
// The background: a level already there in the frame before the window
// (this share of it) or the floor, beyond what the templates predict:
// reverberation, a ringing cymbal, noise, a hit louder than its template.
// It is one more component of the fit, not subtracted first, so that a
// hit's first frames, rising above it in the drum's own shape, go to the
// drum on time (subtracting it first measured 95th-percentile timing
// errors of 10 ms instead of 6).
constexpr float kBeforeShare = 0.9f;
// How much of the background counts as unexplained for the thresholds.
constexpr float kBackgroundUnexplained = 0.5f;
// Gaussian bumps in band index spread over the usable bands.
constexpr int kFreeComponents = 6;
constexpr float kFreeWidthInSpacings = 0.7f;
// Band weights: the templates' mean level to this power, inverted; 0 would
// compare plain magnitudes, where the low bands dominate.
constexpr float kWeightPower = 0.5f;
constexpr float kQuietestWeightedBand = 1e-3f;  // of the loudest
// Eight sweeps measured the same accuracy as thirty, in a fifth of the time.
constexpr int kSweeps = 8;
// The floor follows the energy that the prediction leaves unexplained:
// rising by this share of the difference per frame, falling more slowly,
// so it settles on sustained sound but not on single hits.
constexpr float kFloorRise = 0.05f;
constexpr float kFloorFall = 0.02f;
constexpr float kTiny = 1e-12f;
// Keeps the tilt finite where one half holds none of what the drum predicts.
constexpr float kTiltFloor = 1e-4f;
// A new stroke stops a closed hi-hat's ring (and the recordings' hi-hats
// are choked so); kicks and snares ring on. Cutting their predictions too
// measured worse: their overshoots come from timbre, not from a choke.
constexpr Drum kChokedDrum = Drum::HiHat;
// Only where the hi-hat is most of what the prediction holds.
constexpr float kChokedShare = 0.5f;
// Activations too small to matter (-60 dB) are not carried forward.
constexpr float kSmallestCarried = 1e-3f;
// Where the prediction lies above the recording, this share of the
// difference counts against a new hit: an example's ring often outlasts the
// recording's in some bands (a snare's wires), and a soft stroke there
// would otherwise be held back. (Measured with the snare's settling below:
// drum F 0.936 instead of 0.933, onset F 0.942 instead of 0.943, without
// examples 0.851 instead of 0.847; the whole difference or none measured
// worse.)
constexpr float kOvershootWeight = 0.5f;
// A snare's ring in the recording often dies sooner than its example's.
// Once the drum has had no activation for this many frames (its stroke is
// over), its share of the prediction is scaled to the share of it that the
// recording holds: the median over the bands where that share is most of
// the prediction, so that a soft stroke rising in a few bands does not stop
// the scaling. Kicks and hi-hats measured no better.
constexpr Drum kSettledDrum = Drum::Snare;
constexpr int kSettleAfterFrames = 3;
constexpr float kSettledShare = 0.5f;
constexpr int kFewestSettlingBands = 4;
// At least this much is kept per frame, so that one odd frame cannot erase
// a ring.
constexpr float kLeastKeptPerFrame = 0.5f;
constexpr int64_t kLongAgo = -1000;

// Only the drums whose share may be cut keep it apart (it costs time).
bool sharesKeptApart(Drum drum) { return drum == kChokedDrum || drum == kSettledDrum; }

}  // namespace

void Decomposition::reset(int bands, int usableBands) {
    bands_ = bands;
    usable_ = usableBands;
    templates_.clear();
    drumOf_.clear();
    strength_.clear();
}

void Decomposition::addTemplate(Drum drum, const DrumTemplate& t) {
    templates_.insert(templates_.end(), t.frames.begin(), t.frames.end());
    drumOf_.push_back(drum);
    strength_.push_back(t.strength);
}

int Decomposition::templateCount(Drum drum) const {
    return static_cast<int>(std::count(drumOf_.begin(), drumOf_.end(), drum));
}

const float* Decomposition::templateOf(size_t k) const {
    return &templates_[k * kTemplateFrames * bands_];
}

void Decomposition::prepare() {
    const size_t drums = drumOf_.size();
    float loudest[kDrumCount] = {};
    for (size_t k = 0; k < drums; k++) {
        float& l = loudest[static_cast<int>(drumOf_[k])];
        l = std::max(l, strength_[k]);
    }
    scale_.assign(drums, 0.0f);
    for (size_t k = 0; k < drums; k++) scale_[k] = strength_[k] / loudest[static_cast<int>(drumOf_[k])];
    prepareFreeShapes();
    prepareWeightedComponents();
    predictionFrames_ = kTemplateFrames + kWindow;
    recent_.assign(static_cast<size_t>(kKept) * bands_, 0.0f);
    prediction_.assign(static_cast<size_t>(predictionFrames_) * bands_, 0.0f);
    own_.assign(kDrumCount * prediction_.size(), 0.0f);
    ratios_.assign(bands_, 0.0f);
    floor_.assign(bands_, 0.0f);
    residual_.assign(static_cast<size_t>(kWindow) * bands_, 0.0f);
    background_.assign(residual_.size(), 0.0f);
    fit_.assign(residual_.size(), 0.0f);
    drumFit_.assign(kDrumCount * residual_.size(), 0.0f);
    backgroundGram_.assign(drumOf_.size() + kFreeComponents, 0.0f);
    cut_.assign(bands_, 0.0f);
    restart();
}

void Decomposition::prepareFreeShapes() {
    freeShapes_.assign(static_cast<size_t>(kFreeComponents) * bands_, 0.0f);
    const float spacing = static_cast<float>(usable_) / kFreeComponents;
    for (int j = 0; j < kFreeComponents; j++) {
        const float centre = (j + 0.5f) * spacing;
        float sum = 0.0f;
        for (int b = 0; b < usable_; b++) {
            const float d = (b - centre) / (kFreeWidthInSpacings * spacing);
            sum += freeShapes_[j * bands_ + b] = std::exp(-0.5f * d * d);
        }
        for (int b = 0; b < usable_; b++) freeShapes_[j * bands_ + b] /= sum;
    }
}

void Decomposition::prepareWeightedComponents() {
    const size_t drums = drumOf_.size();
    const size_t all = drums + kFreeComponents;
    const int length = kWindow * bands_;
    bandWeight_.assign(bands_, 0.0f);
    float loudest = kTiny;
    for (int b = 0; b < usable_; b++) {
        for (size_t k = 0; k < drums; k++)
            for (int f = 0; f < kWindow; f++) bandWeight_[b] += templateOf(k)[f * bands_ + b];
        loudest = std::max(loudest, bandWeight_[b]);
    }
    for (int b = 0; b < usable_; b++)
        bandWeight_[b] = std::pow(std::max(bandWeight_[b], kQuietestWeightedBand * loudest), -kWeightPower);

    // The free shapes are defined in the weighted domain and stay the same
    // over the window.
    weighted_.assign(all * length, 0.0f);
    for (size_t c = 0; c < all; c++)
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++)
                weighted_[c * length + f * bands_ + b] =
                    c < drums ? bandWeight_[b] * templateOf(c)[f * bands_ + b]
                              : freeShapes_[(c - drums) * bands_ + b];
    loudestEnergy_.fill(0.0f);
    for (size_t k = 0; k < drums; k++) {
        if (scale_[k] < 1.0f) continue;
        float sum = 0.0f;
        for (int i = 0; i < length; i++) sum += weighted_[k * length + i];
        loudestEnergy_[static_cast<int>(drumOf_[k])] = sum;
    }
    gram_.assign(all * all, 0.0f);
    for (size_t a = 0; a < all; a++)
        for (size_t c = 0; c < all; c++) {
            float sum = 0.0f;
            for (int i = 0; i < length; i++) sum += weighted_[a * length + i] * weighted_[c * length + i];
            gram_[a * all + c] = sum;
        }
    gradient_.assign(all, 0.0f);
    activation_.assign(all, 0.0f);
    prepareSimilarities();
}

void Decomposition::prepareSimilarities() {
    const size_t all = drumOf_.size() + kFreeComponents;
    std::array<int, kDrumCount> loudest;
    loudest.fill(-1);
    for (size_t k = 0; k < drumOf_.size(); k++)
        if (scale_[k] >= 1.0f) loudest[static_cast<int>(drumOf_[k])] = static_cast<int>(k);
    for (int a = 0; a < kDrumCount; a++)
        for (int c = 0; c < kDrumCount; c++) {
            similarities_[a][c] = 1.0f;
            if (a == c || loudest[a] < 0 || loudest[c] < 0) continue;
            const size_t x = loudest[a], y = loudest[c];
            const float norms = std::sqrt(gram_[x * all + x] * gram_[y * all + y]);
            if (norms > kTiny) similarities_[a][c] = gram_[x * all + y] / norms;
        }
}

void Decomposition::restart() {
    std::fill(recent_.begin(), recent_.end(), 0.0f);
    std::fill(prediction_.begin(), prediction_.end(), 0.0f);
    std::fill(own_.begin(), own_.end(), 0.0f);
    lastActive_.fill(kLongAgo);
    std::fill(floor_.begin(), floor_.end(), 0.0f);
    frames_ = 0;
}

bool Decomposition::push(const float* bands, FrameActivations& out, int64_t& frame) {
    float* slot = &recent_[(frames_ % kKept) * bands_];
    const float* predicted = &prediction_[(frames_ % predictionFrames_) * bands_];
    for (int b = 0; b < bands_; b++) {
        slot[b] = bands[b];
        const float unexplained = std::max(0.0f, bands[b] - predicted[b]);
        floor_[b] += (unexplained - floor_[b]) * (unexplained < floor_[b] ? kFloorFall : kFloorRise);
    }
    frames_++;
    if (frames_ < kWindow) return false;
    frame = frames_ - kWindow;
    std::fill(activation_.begin(), activation_.end(), 0.0f);
    backgroundActivation_ = 0.0f;
    std::fill(background_.begin(), background_.end(), 0.0f);
    choke(frame);
    settleDecay(frame);
    bool solved = false;
    if (!drumOf_.empty()) {
        solved = gatherNewEnergy(frame);
        if (solved)
            solve();
        else
            backgroundActivation_ = 1.0f;
    }
    carryForward(frame);
    for (size_t k = 0; k < drumOf_.size(); k++)
        if (activation_[k] >= kSmallestCarried) lastActive_[static_cast<int>(drumOf_[k])] = frame;
    out = {};
    for (size_t k = 0; k < drumOf_.size(); k++) out.drum[static_cast<int>(drumOf_[k])] += activation_[k] * scale_[k];
    // Each free shape sums to 1 per frame.
    float free = 0.0f;
    for (size_t j = drumOf_.size(); j < activation_.size(); j++) free += activation_[j] * kWindow;
    float background = 0.0f;
    for (float x : background_) background += x;
    free += kBackgroundUnexplained * backgroundActivation_ * background;
    for (int d = 0; d < kDrumCount; d++)
        out.unexplained[d] = loudestEnergy_[d] > 0.0f ? free / loudestEnergy_[d] : 0.0f;
    // Only where a drum took part: onsets lie there, and the measure costs
    // time. Without a fit the background explains the whole window.
    bool struck = false;
    for (int d = 0; d < kDrumCount; d++) struck = struck || out.drum[d] > 0.0f;
    if (solved && struck) {
        measureLeftOver(out);
        measureTilt(out);
    }
    return true;
}

void Decomposition::measureLeftOver(FrameActivations& out) {
    const int length = kWindow * bands_;
    for (int i = 0; i < length; i++) fit_[i] = backgroundActivation_ * background_[i];
    for (size_t a = 0; a < activation_.size(); a++) {
        if (activation_[a] <= 0.0f) continue;
        const float* w = &weighted_[a * length];
        for (int i = 0; i < length; i++) fit_[i] += activation_[a] * w[i];
    }
    out.rose = out.leftOver = 0.0f;
    for (int i = 0; i < length; i++) {
        out.rose += std::max(0.0f, residual_[i] - backgroundActivation_ * background_[i]);
        out.leftOver += std::max(0.0f, residual_[i] - fit_[i]);
    }
}

// Splits each drum's predicted energy at the band that halves it. Uses the
// fit measureLeftOver() summed.
void Decomposition::measureTilt(FrameActivations& out) {
    const int length = kWindow * bands_;
    std::fill(drumFit_.begin(), drumFit_.end(), 0.0f);
    for (size_t k = 0; k < drumOf_.size(); k++) {
        if (activation_[k] <= 0.0f) continue;
        const float* w = &weighted_[k * length];
        float* own = &drumFit_[static_cast<int>(drumOf_[k]) * length];
        for (int i = 0; i < length; i++) own[i] += activation_[k] * w[i];
    }
    for (int d = 0; d < kDrumCount; d++) {
        const float* own = &drumFit_[d * length];
        float total = 0.0f;
        for (int i = 0; i < length; i++) total += own[i];
        if (total <= kTiny) continue;
        float below = 0.0f;
        int split = 0;
        for (; split < usable_ && below < 0.5f * total; split++)
            for (int f = 0; f < kWindow; f++) below += own[f * bands_ + split];
        std::array<float, 2> predicted{}, held{};
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++) {
                const int i = f * bands_ + b;
                const int upper = b < split ? 0 : 1;
                predicted[upper] += own[i];
                held[upper] += std::max(0.0f, residual_[i] - (fit_[i] - own[i]));
            }
        if (predicted[0] <= kTiny || predicted[1] <= kTiny) continue;
        out.tilt[d] = std::log((held[1] / predicted[1] + kTiltFloor) / (held[0] / predicted[0] + kTiltFloor));
    }
}

// The window's energy beyond the prediction, and the background, both
// weighted; false when nothing exceeds the background (then the background
// explains the window and there is nothing to fit).
bool Decomposition::gatherNewEnergy(int64_t frame) {
    const float* before = &recent_[((frame + kKept - 1) % kKept) * bands_];
    bool any = false;
    for (int f = 0; f < kWindow; f++) {
        const float* v = &recent_[((frame + f) % kKept) * bands_];
        const float* p = &prediction_[((frame + f) % predictionFrames_) * bands_];
        for (int b = 0; b < usable_; b++) {
            const float known = std::max(p[b] + floor_[b], kBeforeShare * before[b]);
            const float beyond = v[b] - p[b];
            residual_[f * bands_ + b] = bandWeight_[b] * std::max(beyond, kOvershootWeight * beyond);
            background_[f * bands_ + b] = bandWeight_[b] * (known - p[b]);
            any = any || v[b] > known;
        }
    }
    return any;
}

// Coordinate descent over the components and the background. Only the
// background's products change from frame to frame.
void Decomposition::solve() {
    const size_t all = activation_.size();
    const int length = kWindow * bands_;
    float backgroundGradient = 0.0f, backgroundSquare = 0.0f;
    for (int i = 0; i < length; i++) {
        backgroundGradient += background_[i] * residual_[i];
        backgroundSquare += background_[i] * background_[i];
    }
    for (size_t a = 0; a < all; a++) {
        const float* w = &weighted_[a * length];
        float toResidual = 0.0f, toBackground = 0.0f;
        for (int i = 0; i < length; i++) {
            toResidual += w[i] * residual_[i];
            toBackground += w[i] * background_[i];
        }
        gradient_[a] = toResidual;
        backgroundGram_[a] = toBackground;
    }
    float& background = backgroundActivation_;
    for (int sweep = 0; sweep < kSweeps; sweep++) {
        if (backgroundSquare > kTiny) {
            const float updated = std::max(0.0f, background + backgroundGradient / backgroundSquare);
            const float delta = updated - background;
            background = updated;
            backgroundGradient -= delta * backgroundSquare;
            for (size_t c = 0; c < all; c++) gradient_[c] -= delta * backgroundGram_[c];
        }
        for (size_t a = 0; a < all; a++) {
            const float diagonal = gram_[a * all + a];
            if (diagonal <= kTiny) continue;
            const float updated = std::max(0.0f, activation_[a] + gradient_[a] / diagonal);
            const float delta = updated - activation_[a];
            if (delta == 0.0f) continue;
            activation_[a] = updated;
            for (size_t c = 0; c < all; c++) gradient_[c] -= delta * gram_[c * all + a];
            backgroundGradient -= delta * backgroundGram_[a];
        }
    }
}

void Decomposition::carryForward(int64_t frame) {
    for (size_t k = 0; k < drumOf_.size(); k++) {
        const float h = activation_[k];
        if (h < kSmallestCarried) continue;
        const float* w = templateOf(k);
        if (!sharesKeptApart(drumOf_[k])) {
            for (int f = 1; f < kTemplateFrames; f++) {
                const size_t at = ((frame + f) % predictionFrames_) * bands_;
                for (int b = 0; b < usable_; b++) prediction_[at + b] += h * w[f * bands_ + b];
            }
            continue;
        }
        float* own = ownOf(static_cast<int>(drumOf_[k]));
        for (int f = 1; f < kTemplateFrames; f++) {
            const size_t at = ((frame + f) % predictionFrames_) * bands_;
            for (int b = 0; b < usable_; b++) {
                const float carried = h * w[f * bands_ + b];
                prediction_[at + b] += carried;
                own[at + b] += carried;
            }
        }
    }
    const size_t done = (frame % predictionFrames_) * bands_;
    std::fill(prediction_.begin() + done, prediction_.begin() + done + bands_, 0.0f);
    for (int d = 0; d < kDrumCount; d++) std::fill(ownOf(d) + done, ownOf(d) + done + bands_, 0.0f);
}

// Where the observed frame falls below the prediction, the hi-hat's share
// of the prediction is cut back by the difference, from this frame on: its
// ring was stopped, and a soft stroke after it must not hide under it.
void Decomposition::choke(int64_t frame) {
    const float* v = &recent_[(frame % kKept) * bands_];
    const size_t now = (frame % predictionFrames_) * bands_;
    float* hat = ownOf(static_cast<int>(kChokedDrum));
    bool any = false;
    for (int b = 0; b < usable_; b++) {
        const float over = prediction_[now + b] - v[b];
        const float share = hat[now + b];
        cut_[b] = over > 0.0f && share > kChokedShare * prediction_[now + b] ? std::min(1.0f, over / share) : 0.0f;
        any = any || cut_[b] > 0.0f;
    }
    if (!any) return;
    for (int f = 0; f < kTemplateFrames; f++) {
        const size_t at = ((frame + f) % predictionFrames_) * bands_;
        for (int b = 0; b < usable_; b++) {
            const float removed = hat[at + b] * cut_[b];
            hat[at + b] -= removed;
            prediction_[at + b] = std::max(0.0f, prediction_[at + b] - removed);
        }
    }
}

void Decomposition::settleDecay(int64_t frame) {
    const int d = static_cast<int>(kSettledDrum);
    // The frames the drum's last activation still reaches.
    const int64_t left = lastActive_[d] + kTemplateFrames - frame;
    if (frame - lastActive_[d] <= kSettleAfterFrames || left <= 0) return;
    const float keep = observedShare(d, frame);
    if (keep >= 1.0f) return;
    float* own = ownOf(d);
    for (int f = 0; f < left; f++) {
        const size_t at = ((frame + f) % predictionFrames_) * bands_;
        for (int b = 0; b < usable_; b++) {
            const float removed = own[at + b] * (1.0f - keep);
            own[at + b] -= removed;
            prediction_[at + b] = std::max(0.0f, prediction_[at + b] - removed);
        }
    }
}

// What the recording leaves for the drum's share of the prediction, beyond
// the others' shares, relative to that share: the median over the bands
// where the share is most of the prediction (1 where there are too few).
float Decomposition::observedShare(int d, int64_t frame) {
    const float* v = &recent_[(frame % kKept) * bands_];
    const size_t now = (frame % predictionFrames_) * bands_;
    const float* own = ownOf(d) + now;
    const float* p = &prediction_[now];
    int n = 0, below = 0;
    for (int b = 0; b < usable_; b++)
        if (own[b] > kTiny && own[b] > kSettledShare * p[b]) {
            ratios_[n++] = std::max(0.0f, v[b] - (p[b] - own[b])) / own[b];
            below += v[b] < p[b];
        }
    // The median is 1 or more unless most bands lie below the prediction.
    if (n < kFewestSettlingBands || 2 * below <= n) return 1.0f;
    std::nth_element(ratios_.begin(), ratios_.begin() + n / 2, ratios_.begin() + n);
    return std::clamp(ratios_[n / 2], kLeastKeptPerFrame, 1.0f);
}

}  // namespace transcriber
