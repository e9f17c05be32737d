// An independent model of the plug-in's signal processing, written as plain
// per-sample code so that every rounding and every order of operations can be
// checked line by line. Tests run it beside the built library and demand
// identical output samples, MIDI events and parameter read-backs.
//
// It models what a host can observe: the seven parameters, both processing
// calls and the events they send. Single-threaded; parameters are set between
// processing calls.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "shell/vst_abi.h"

namespace reference {

// What the host answers to the two questions every processing call asks.
struct HostAnswers {
    intptr_t sampleRate = 44100;  // answer to audioMasterGetSampleRate
    bool timeInfoAvailable = true;
    bool tempoValid = true;
    double tempo = 120.0;
};

struct SentEvent {
    int64_t samplePosition;  // from the first processed sample
    VstMidiEvent event;
};

class Model {
public:
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index) const;
    float ratioDivide() const { return ratioDivideParam; }
    // effSetSampleRate: the rate used while the host answers 0.
    void setSampleRate(float rate) { baseSampleRate = rate; }

    void process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                 const HostAnswers& host);
    void processDouble(const double* inL, const double* inR, double* outL, double* outR,
                       int32_t frames, const HostAnswers& host);

    const std::vector<SentEvent>& events() const { return sent; }

private:
    static constexpr int kBands = 11;
    static constexpr int kFilters = 22;
    static constexpr int kSlots = 3;
    static constexpr int kRing = 100;
    static constexpr int kLevelWindow = 20;

    // One channel's filter input history and the copies taken from it.
    template <typename T>
    struct FilterInput {
        T history1 = 0, history2 = 0;  // x[n-1], x[n-2] for the next sample
        T prev1 = 0, prev2 = 0;        // x[n-1], x[n-2] of this sample
        void take(T current) {
            prev1 = history1;
            prev2 = history2;
            history2 = history1;
            history1 = current;
        }
    };
    struct Filter {
        float outputCell1 = 0.0f;  // y[n-1]
        float outputCell2 = 0.0f;  // y[n-2]
    };
    // [slot][band][0 upper, 1 lower]
    template <typename T>
    using Windows = std::array<std::array<std::array<T, 2>, kBands>, kSlots>;

    void fetchHostValues(const HostAnswers& host);
    void sampleSingle(float inL, float inR, float& outL, float& outR, int32_t offset);
    void sampleDouble(double inL, double inR, double& outL, double& outR, int32_t offset);

    float filterSample(int filter, int band, float x0, float x1, float x2);
    void measureVelocitySingle();
    void measureVelocityDouble();
    void chooseInstrument(const float* bands, const Windows<float>& windows);
    void matchTemplates(const float* bands, const Windows<float>& windows);
    void learnTemplate(const float* bands, std::array<std::array<float, 2>, kBands>& slot);
    void modeStage();
    bool learningStarts();
    void templateRelease(bool released);
    void noteStage(bool released, int32_t offset);
    void moveOn();
    void sendNote(uint8_t status, int32_t note, int32_t velocity, int32_t offset);
    int32_t noteOffLength() const;

    // Parameters.
    float highThreshold = 1.0f;
    float lowThreshold = 1.0f;
    float drumSelect = 0.0f;
    float functionSelect = 0.0f;
    float templateInst = 0.0f;
    float ratioSelect = 0.0f;
    float ratioDivideParam = 0.0f;

    // Host values.
    float baseSampleRate = 44100.0f;
    double currentSampleRate = 0.0;
    double currentTempo = 0.0;
    double samplesPerBeat = 0.0;

    // Rings and filter inputs.
    std::array<float, kRing> inputRingL{}, inputRingR{};
    std::array<double, kRing> inputRingLDouble{}, inputRingRDouble{};
    int32_t writeIndex = 0;
    int32_t readIndex = 50;
    FilterInput<float> inputL, inputR;
    FilterInput<double> inputLDouble, inputRDouble;
    std::array<Filter, kFilters> filters{};
    std::array<float, kFilters> bandOutputs{};
    std::array<double, kFilters> bandOutputsDouble{};

    // Level.
    float absOutL = 0, absOutR = 0, absOutSum = 0;
    double absOutLDouble = 0, absOutRDouble = 0, absOutSumDouble = 0;
    std::array<float, kLevelWindow> levelHistory{};
    std::array<double, kLevelWindow> levelHistoryDouble{};
    int32_t levelIndex = 0;
    float levelSum = 0, averageLevel = 0;
    double levelSumDouble = 0, averageLevelDouble = 0;
    std::array<float, 3> levelSnapshots{0.0f, 0.1f, 0.0f};
    std::array<double, 3> levelSnapshotsDouble{0.0, (double)0.1f, 0.0};

    // Thresholds.
    float ratioLowThreshold = 1.0f, effectiveLowThreshold = 1.0f;
    double highThresholdDouble = 1.0, lowThresholdDouble = 1.0;
    double ratioLowThresholdDouble = 1.0, effectiveLowThresholdDouble = 1.0;

    // Hit, velocity and instrument.
    int32_t hitActive = 0;
    float meanLeft = 0, meanRight = 0;
    double meanLeftDouble = 0, meanRightDouble = 0;
    float velocityMagnitude = 0, velocityDb = 0, velocityExponent = 0, velocityGain = 0;
    double velocityMagnitudeDouble = 0, velocityDbDouble = 0;
    double velocityExponentDouble = 0, velocityGainDouble = 0;
    int32_t velocity = 0;
    int32_t noteNumber = 0;
    int32_t drumSelectIndex = 0;

    // Templates.
    int32_t detectionMode = 0;
    int32_t templateSlot = 0;
    int32_t learnedThisHit = 0;
    Windows<float> templateWindows{};
    Windows<double> templateWindowsDouble{};
    std::array<std::array<float, kSlots>, kBands> bandMatches{};
    std::array<float, kSlots> templateScores{};
    std::array<float, kSlots> scoreCopy{};
    int32_t bestTemplate = 0;

    // Notes.
    int32_t noteActive = 0;
    int32_t noteOffPending = 0;
    int32_t noteOffCountdown = 0;
    int32_t soundingNote = 0;  // the number the pending note-off is for

    int64_t callStart = 0;
    std::vector<SentEvent> sent;
};

}  // namespace reference
