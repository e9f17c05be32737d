#include "transcriber/decomposition.h"

#include <algorithm>
#include "transcriber/tuning.h"
#include <cmath>
#include <cstdio>

#include "transcriber/analysis_grid.h"

namespace transcriber {
namespace {

constexpr int kWindow = Decomposition::kLookAhead + 1;
// The frames kept: the window and the frame before it.
constexpr int kKept = kWindow + 1;
const float kBeforeShare = tune("T_PREV", 0.9f);
const int kIterations = tune("T_ITER", 20);
const float kStep = tune("T_EXP", 1.8f);
const bool kLeastSquares = tune("T_LS", 1) != 0;
const float kWeightPower = tune("T_WPOW", 0.5f);
const int kSweeps = tune("T_SWEEPS", 30);
const float kOvershootTolerance = tune("T_TOL", 1.0f);
const bool kCorrect = tune("T_CORR", 0) != 0;
const int kFreeComponents = tune("T_FREE", 6);
const float kFreeWidthInSpacings = tune("T_FREEW", 0.7f);
// The floor follows falling levels at once and rising ones by this factor
// per frame (about 6 dB per half second).
const float kFloorRise = tune("T_FLOORRISE", 0.05f);
const float kFloorFall = tune("T_FLOORFALL", 0.02f);
constexpr float kTiny = 1e-12f;
// New energy below this share of what is observed is left to the floor and
// the prediction without fitting.
const float kNothingNewShare = tune("T_NEW", 0.0f);
// Activations too small to matter are not carried forward.
constexpr float kSmallestCarried = 1e-3f;

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

void Decomposition::prepare() {
    const int components = static_cast<int>(drumOf_.size());
    float loudest[kDrumCount] = {};
    for (int k = 0; k < components; k++) {
        float& l = loudest[static_cast<int>(drumOf_[k])];
        l = std::max(l, strength_[k]);
    }
    scale_.assign(components, 0.0f);
    templateSum_.assign(components, 0.0f);
    for (int k = 0; k < components; k++) {
        scale_[k] = strength_[k] / loudest[static_cast<int>(drumOf_[k])];
        const float* w = &templates_[static_cast<size_t>(k) * kTemplateFrames * bands_];
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++) templateSum_[k] += w[f * bands_ + b];
        templateSum_[k] = std::max(templateSum_[k], kTiny);
    }
    freeShapes_.assign(static_cast<size_t>(kFreeComponents) * bands_, 0.0f);
    freeSum_.assign(kFreeComponents, 0.0f);
    const float spacing = static_cast<float>(usable_) / kFreeComponents;
    for (int j = 0; j < kFreeComponents; j++) {
        const float centre = (j + 0.5f) * spacing;
        for (int b = 0; b < usable_; b++) {
            const float d = (b - centre) / (kFreeWidthInSpacings * spacing);
            freeShapes_[j * bands_ + b] = std::exp(-0.5f * d * d);
            freeSum_[j] += kWindow * freeShapes_[j * bands_ + b];
        }
    }
    predictionFrames_ = kTemplateFrames + kWindow;
    recent_.assign(static_cast<size_t>(kKept) * bands_, 0.0f);
    prediction_.assign(static_cast<size_t>(predictionFrames_) * bands_, 0.0f);
    floor_.assign(bands_, 0.0f);
    base_.assign(static_cast<size_t>(kWindow) * bands_, 0.0f);
    observed_.assign(base_.size(), 0.0f);
    model_.assign(base_.size(), 0.0f);
    ratio_.assign(base_.size(), 0.0f);
    activation_.assign(components, 0.0f);
    freeActivation_.assign(kFreeComponents, 0.0f);
    prepareLeastSquares();
    restart();
}

void Decomposition::restart() {
    std::fill(recent_.begin(), recent_.end(), 0.0f);
    std::fill(prediction_.begin(), prediction_.end(), 0.0f);
    std::fill(floor_.begin(), floor_.end(), 0.0f);
    frames_ = 0;
}

bool Decomposition::push(const float* bands, float* drumActivation, int64_t& frame) {
    // The floor follows what the earlier hits' continuations leave
    // unexplained; the newest frame already holds most of them.
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
    estimate(frame);
    commit(frame);
    std::fill(drumActivation, drumActivation + kDrumCount, 0.0f);
    for (size_t k = 0; k < activation_.size(); k++)
        drumActivation[static_cast<int>(drumOf_[k])] += activation_[k] * scale_[k];
    return true;
}

void Decomposition::correctPrediction(int64_t frame) {
    const float* v = &recent_[(frame % kKept) * bands_];
    const float* p = &prediction_[(frame % predictionFrames_) * bands_];
    for (int b = 0; b < usable_; b++) {
        const float allowed = kOvershootTolerance * (v[b] + kTiny);
        scaleBy_[b] = p[b] > allowed ? allowed / p[b] : 1.0f;
    }
    for (int f = 0; f < kTemplateFrames; f++) {
        float* q = &prediction_[((frame + f) % predictionFrames_) * bands_];
        for (int b = 0; b < usable_; b++) q[b] *= scaleBy_[b];
    }
}

void Decomposition::estimate(int64_t frame) {
    if (kCorrect) correctPrediction(frame);
    const int components = static_cast<int>(activation_.size());
    float total = 0.0f, fresh = 0.0f;
    // A level already there in the frame before the window is not new,
    // whatever the templates predict (reverberation, a ringing cymbal).
    const float* before = &recent_[((frame + kKept - 1) % kKept) * bands_];
    for (int f = 0; f < kWindow; f++) {
        const float* v = &recent_[((frame + f) % kKept) * bands_];
        const float* p = &prediction_[((frame + f) % predictionFrames_) * bands_];
        for (int b = 0; b < usable_; b++) {
            const int i = f * bands_ + b;
            observed_[i] = v[b];
            base_[i] = std::max(p[b] + floor_[b], kBeforeShare * before[b]) + kTiny;
            total += v[b];
            fresh += std::max(0.0f, v[b] - base_[i]);
        }
    }
    std::fill(activation_.begin(), activation_.end(), 0.0f);
    static const float dbg = tune("T_DBG", -1);
    if (dbg >= 0 && frame >= dbg && frame < dbg + 6) {
        std::fprintf(stderr, "frame %ld fresh %g total %g\n", (long)frame, fresh, total);
        for (int b = 0; b < usable_; b++) std::fprintf(stderr, " %d:%.2g/%.2g/%.2g", b, observed_[b], prediction_[(frame % predictionFrames_) * bands_ + b], floor_[b]);
        std::fprintf(stderr, "\n");
    }
    if (components == 0 || fresh <= kNothingNewShare * total) return;
    if (kLeastSquares) {
        solveLeastSquares();
        return;
    }
    const float share = fresh / (components + kFreeComponents);
    for (int k = 0; k < components; k++) activation_[k] = share / templateSum_[k];
    for (int j = 0; j < kFreeComponents; j++) freeActivation_[j] = share / freeSum_[j];

    for (int it = 0; it < kIterations; it++) {
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++) model_[f * bands_ + b] = base_[f * bands_ + b];
        for (int k = 0; k < components; k++) {
            const float* w = &templates_[static_cast<size_t>(k) * kTemplateFrames * bands_];
            const float h = activation_[k];
            for (int i = 0; i < kWindow * bands_; i++) model_[i] += h * w[i];
        }
        for (int j = 0; j < kFreeComponents; j++) {
            const float* s = &freeShapes_[j * bands_];
            for (int f = 0; f < kWindow; f++)
                for (int b = 0; b < usable_; b++) model_[f * bands_ + b] += freeActivation_[j] * s[b];
        }
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++) {
                const int i = f * bands_ + b;
                ratio_[i] = observed_[i] / model_[i];
            }
        for (int k = 0; k < components; k++) {
            const float* w = &templates_[static_cast<size_t>(k) * kTemplateFrames * bands_];
            float num = 0.0f;
            for (int f = 0; f < kWindow; f++)
                for (int b = 0; b < usable_; b++) num += w[f * bands_ + b] * ratio_[f * bands_ + b];
            activation_[k] *= std::pow(num / templateSum_[k], kStep);
        }
        for (int j = 0; j < kFreeComponents; j++) {
            const float* s = &freeShapes_[j * bands_];
            float num = 0.0f;
            for (int f = 0; f < kWindow; f++)
                for (int b = 0; b < usable_; b++) num += s[b] * ratio_[f * bands_ + b];
            freeActivation_[j] *= std::pow(num / freeSum_[j], kStep);
        }
    }
}

void Decomposition::prepareLeastSquares() {
    const int components = static_cast<int>(activation_.size());
    const int all = components + kFreeComponents;
    const int length = kWindow * bands_;
    bandWeight_.assign(bands_, 0.0f);
    float loudest = kTiny;
    for (int b = 0; b < usable_; b++) {
        float mean = 0.0f;
        for (int k = 0; k < components; k++)
            for (int f = 0; f < kWindow; f++)
                mean += templates_[static_cast<size_t>(k) * kTemplateFrames * bands_ + f * bands_ + b];
        bandWeight_[b] = mean;
        loudest = std::max(loudest, mean);
    }
    for (int b = 0; b < usable_; b++)
        bandWeight_[b] = std::pow(std::max(bandWeight_[b], 1e-3f * loudest), -kWeightPower);
    // Weighted components over the look-ahead window: drums, then free shapes
    // (already in the weighted domain, equal over the window).
    weighted_.assign(static_cast<size_t>(all) * length, 0.0f);
    for (int k = 0; k < components; k++)
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++)
                weighted_[static_cast<size_t>(k) * length + f * bands_ + b] =
                    bandWeight_[b] * templates_[static_cast<size_t>(k) * kTemplateFrames * bands_ + f * bands_ + b];
    for (int j = 0; j < kFreeComponents; j++) {
        float norm = 0.0f;
        for (int b = 0; b < usable_; b++) norm += freeShapes_[j * bands_ + b];
        for (int f = 0; f < kWindow; f++)
            for (int b = 0; b < usable_; b++)
                weighted_[static_cast<size_t>(components + j) * length + f * bands_ + b] =
                    freeShapes_[j * bands_ + b] / norm;
    }
    gram_.assign(static_cast<size_t>(all) * all, 0.0f);
    for (int a = 0; a < all; a++)
        for (int c = 0; c < all; c++) {
            float sum = 0.0f;
            for (int i = 0; i < length; i++) sum += weighted_[static_cast<size_t>(a) * length + i] * weighted_[static_cast<size_t>(c) * length + i];
            gram_[a * all + c] = sum;
        }
    gradient_.assign(all, 0.0f);
    scaleBy_.assign(bands_, 1.0f);
}

void Decomposition::solveLeastSquares() {
    const int components = static_cast<int>(activation_.size());
    const int all = components + kFreeComponents;
    const int length = kWindow * bands_;
    for (int f = 0; f < kWindow; f++)
        for (int b = 0; b < usable_; b++) {
            const int i = f * bands_ + b;
            ratio_[i] = bandWeight_[b] * (observed_[i] - base_[i]);
        }
    for (int a = 0; a < all; a++) {
        const float* w = &weighted_[static_cast<size_t>(a) * length];
        float sum = 0.0f;
        for (int i = 0; i < length; i++) sum += w[i] * ratio_[i];
        gradient_[a] = sum;
    }
    for (int j = 0; j < kFreeComponents; j++) freeActivation_[j] = 0.0f;
    for (int sweep = 0; sweep < kSweeps; sweep++) {
        for (int a = 0; a < all; a++) {
            float& h = a < components ? activation_[a] : freeActivation_[a - components];
            const float diagonal = gram_[a * all + a];
            if (diagonal <= kTiny) continue;
            const float updated = std::max(0.0f, h + gradient_[a] / diagonal);
            const float delta = updated - h;
            if (delta == 0.0f) continue;
            h = updated;
            for (int c = 0; c < all; c++) gradient_[c] -= delta * gram_[c * all + a];
        }
    }
}

void Decomposition::commit(int64_t frame) {
    for (size_t k = 0; k < activation_.size(); k++) {
        const float h = activation_[k];
        if (h < kSmallestCarried) continue;
        const float* w = &templates_[k * kTemplateFrames * bands_];
        for (int f = 1; f < kTemplateFrames; f++) {
            float* p = &prediction_[((frame + f) % predictionFrames_) * bands_];
            for (int b = 0; b < usable_; b++) p[b] += h * w[f * bands_ + b];
        }
    }
    float* done = &prediction_[(frame % predictionFrames_) * bands_];
    std::fill(done, done + bands_, 0.0f);
}

}  // namespace transcriber
