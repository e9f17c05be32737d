// One instance of Tamboro Transcriber: the shared frame facing the host, the
// streaming transcriber on a stereo bus (audio passed through), its notes on
// a schedule, learning from live hits, and the saved state.
//
// Threads: the host constructs, configures (sample rate, suspend, resume),
// saves and restores on its dispatcher thread. processReplacing and
// processDoubleReplacing run on the audio thread, one at a time; they own the
// schedule, the stream position and the engine in use, and take new engines
// from the supply without locking. setParameter may come from any thread:
// parameters and the bypass are relaxed atomics read once per block. The
// supply's builder thread does everything that allocates while audio runs.
// The editor runs on the host's user-interface thread and hears of hits
// through the lock-free hit feed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine_supply.h"
#include "hit_capture.h"
#include "hit_feed.h"
#include "transcriber/note_schedule.h"
#include "shell/audio_effect_x.h"
#include "transcriber_plugin_info.h"

class TranscriberEffect : public AudioEffectX {
public:
    explicit TranscriberEffect(audioMasterCallback audioMaster);
    ~TranscriberEffect() override;

    // False when memory or the builder thread could not be had.
    bool constructed() const { return constructed_; }
    // Whether the drum has templates (any thread).
    bool learned(int drum) const { return supply_.learned(drum); }

    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) override;
    void suspend() override;
    void resume() override;
    void close() override;
    bool setBypass(bool bypass) override;

    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    void getProgramName(char* name) override;
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t size, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t canDo(char* text) override;

private:
    // The mono mix is handed over in pieces of up to this many samples: four
    // hops at 44.1 and 48 kHz, so that a large block's frames share their
    // transforms.
    static constexpr int kMonoBlock = 1024;
    class HitsToNotes;

    template <typename T>
    void process(T** inputs, T** outputs, int32_t frames);
    template <typename T>
    void transcribe(T** inputs, T** outputs, int32_t frames, transcriber::Transcriber* engine);
    void applySensitivities(transcriber::Transcriber& engine);
    int armedDrum() const;
    void sendScheduled(int64_t blockEnd);
    void endSoundingNotes();
    void reportDisarmed();

    bool constructed_ = true;
    std::array<std::atomic<float>, transcriber_plugin_info::kNumDrums> sensitivity_;
    std::array<std::atomic<bool>, transcriber_plugin_info::kNumDrums> armed_{};
    std::atomic<bool> bypassed_{false};
    std::atomic<bool> rateUnsupported_{false};
    std::atomic<bool> restartStream_{false};

    // The audio thread's.
    NoteSchedule schedule_;
    int64_t streamPosition_ = 0;  // samples since the last resume
    int64_t engineOrigin_ = 0;    // stream sample of the engine's first sample
    int64_t blockStart_ = 0;
    bool wasBypassed_ = false;
    float mono_[kMonoBlock];

    // The dispatcher thread's.
    bool announced_ = false;  // the host has seen the record
    double configuredRate_ = 0.0;
    int latency_ = 0;
    int64_t noteLength_ = 0;  // samples
    std::vector<uint8_t> savedChunk_;

    HitFeed hitFeed_;  // to the editor
    HitCapture capture_;
    EngineSupply supply_;  // last: its builder thread uses the members above
};
