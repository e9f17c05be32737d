#include "engine_supply.h"

#include <chrono>
#include <new>
#include <system_error>

namespace {

// How often the builder looks for a finished recording and for engines to free.
constexpr std::chrono::milliseconds kBuilderPoll{5};

}  // namespace

EngineSupply::EngineSupply(HitCapture& capture,
                           std::array<std::atomic<bool>, transcriber::kDrumCount>& armed)
    : capture_(capture), armed_(armed) {
    try {
        builder_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // started() tells the owner.
    }
}

EngineSupply::~EngineSupply() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (builder_.joinable()) builder_.join();
    delete pending_.exchange(nullptr);
    freeRetired();
    delete active_;
}

int EngineSupply::configure(double sampleRate) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<Engine> engine = build(sampleRate);
    if (!engine) return 0;
    sampleRate_ = sampleRate;
    // Under the lock, so that the builder is not reading a recording meanwhile.
    capture_.configure(sampleRate);
    const int latency = engine->latency();
    publish(std::move(engine));
    return latency;
}

SavedTemplates EngineSupply::saved() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return saved_;
}

void EngineSupply::restore(const SavedTemplates& templates) {
    std::lock_guard<std::mutex> lock(mutex_);
    saved_ = templates;
    noteLearned();
    publish(build(sampleRate_));
}

void EngineSupply::noteLearned() {
    for (int d = 0; d < transcriber::kDrumCount; d++)
        learnedDrums_[d].store(!saved_.templates[d].empty(), std::memory_order_relaxed);
}

std::unique_ptr<EngineSupply::Engine> EngineSupply::build(double sampleRate) const {
    if (sampleRate <= 0.0) return nullptr;
    std::unique_ptr<Engine> engine(new (std::nothrow) Engine);
    if (!engine || engine->configure(sampleRate) != transcriber::Status::Ok) return nullptr;
    for (int d = 0; d < transcriber::kDrumCount; d++)
        if (engine->restoreTemplates(static_cast<transcriber::Drum>(d), saved_.templates[d], saved_.rates[d]) !=
            transcriber::Status::Ok)
            return nullptr;
    return engine;
}

// Only under the mutex. The engine not yet taken is replaced; the audio
// thread gives what it replaces to a retired slot, freed here later.
void EngineSupply::publish(std::unique_ptr<Engine> engine) {
    if (!engine) return;
    freeRetired();
    delete pending_.exchange(engine.release(), std::memory_order_acq_rel);
}

void EngineSupply::freeRetired() {
    for (std::atomic<Engine*>& slot : retired_) delete slot.exchange(nullptr, std::memory_order_acq_rel);
}

EngineSupply::Engine* EngineSupply::audioEngine(bool& fresh) {
    fresh = false;
    if (!pending_.load(std::memory_order_relaxed)) return active_;
    for (std::atomic<Engine*>& slot : retired_) {
        Engine* empty = nullptr;
        if (!slot.compare_exchange_strong(empty, active_, std::memory_order_acq_rel)) continue;
        Engine* taken = pending_.exchange(nullptr, std::memory_order_acq_rel);
        if (!taken) {  // the builder replaced it and freed nothing of ours: undo
            slot.store(nullptr, std::memory_order_relaxed);
            return active_;
        }
        active_ = taken;
        fresh = true;
        return active_;
    }
    return active_;  // every slot busy: take it next block
}

void EngineSupply::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, kBuilderPoll);
        freeRetired();
        if (capture_.full()) learnFromCapture();
    }
}

void EngineSupply::learnFromCapture() {
    const int drum = capture_.drum();
    if (!armed_[drum].load(std::memory_order_relaxed)) {
        capture_.release();
        return;
    }
    std::unique_ptr<Engine> engine = build(sampleRate_);
    if (!engine) {
        capture_.release();
        return;
    }
    const auto status = engine->learn(static_cast<transcriber::Drum>(drum), capture_.samples(),
                                      capture_.count(), sampleRate_);
    capture_.release();
    // A recording in which the engine finds no hit leaves the drum armed.
    if (status != transcriber::Status::Ok) return;
    saved_.templates[drum] = engine->templates(static_cast<transcriber::Drum>(drum));
    saved_.rates[drum] = sampleRate_;
    armed_[drum].store(false, std::memory_order_relaxed);
    disarmed_[drum].store(true, std::memory_order_relaxed);
    noteLearned();
    publish(std::move(engine));
}
