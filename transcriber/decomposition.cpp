#include "transcriber/decomposition.h"

#include <algorithm>
#include <cmath>

#include "transcriber/analysis_grid.h"

namespace transcriber {
namespace {

constexpr int kWindow = Decomposition::kLookAhead + 1;
constexpr int kIterations = 12;
constexpr int kFreeComponents = 6;
constexpr float kFreeWidthInSpacings = 0.7f;
// The floor follows falling levels at once and rising ones by this factor
// per frame (about 6 dB per half second).
constexpr float kFloorRise = 1.0081f;
constexpr float kTiny = 1e-12f;
// New energy below this share of what is observed is left to the floor and
// the prediction without fitting.
constexpr float kNothingNewShare = 0.02f;
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
    recent_.assign(static_cast<size_t>(kWindow) * bands_, 0.0f);
    prediction_.assign(static_cast<size_t>(predictionFrames_) * bands_, 0.0f);
    floor_.assign(bands_, 0.0f);
    base_.assign(static_cast<size_t>(kWindow) * bands_, 0.0f);
    observed_.assign(base_.size(), 0.0f);
    model_.assign(base_.size(), 0.0f);
    ratio_.assign(base_.size(), 0.0f);
    activation_.assign(components, 0.0f);
    freeActivation_.assign(kFreeComponents, 0.0f);
    restart();
}

void Decomposition::restart() {
    std::fill(recent_.begin(), recent_.end(), 0.0f);
    std::fill(prediction_.begin(), prediction_.end(), 0.0f);
    std::fill(floor_.begin(), floor_.end(), 0.0f);
    frames_ = 0;
}

bool Decomposition::push(const float* bands, float* drumActivation, int64_t& frame) {
    float* slot = &recent_[(frames_ % kWindow) * bands_];
    for (int b = 0; b < bands_; b++) {
        slot[b] = bands[b];
        floor_[b] = frames_ == 0 ? bands[b] : std::min(bands[b], floor_[b] * kFloorRise);
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

void Decomposition::estimate(int64_t frame) {
    const int components = static_cast<int>(activation_.size());
    float total = 0.0f, fresh = 0.0f;
    for (int f = 0; f < kWindow; f++) {
        const float* v = &recent_[((frame + f) % kWindow) * bands_];
        const float* p = &prediction_[((frame + f) % predictionFrames_) * bands_];
        for (int b = 0; b < usable_; b++) {
            const int i = f * bands_ + b;
            observed_[i] = v[b];
            base_[i] = p[b] + floor_[b] + kTiny;
            total += v[b];
            fresh += std::max(0.0f, v[b] - base_[i]);
        }
    }
    std::fill(activation_.begin(), activation_.end(), 0.0f);
    if (components == 0 || fresh <= kNothingNewShare * total) return;
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
            activation_[k] *= num / templateSum_[k];
        }
        for (int j = 0; j < kFreeComponents; j++) {
            const float* s = &freeShapes_[j * bands_];
            float num = 0.0f;
            for (int f = 0; f < kWindow; f++)
                for (int b = 0; b < usable_; b++) num += s[b] * ratio_[f * bands_ + b];
            freeActivation_[j] *= num / freeSum_[j];
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
