// The detection engine's whole state, and the one thing the engine needs
// from the host: a way to send its notes. The shell's Tamboro holds this
// state and answers sendNoteOn/Off; the engine reaches nothing else of it.
//
// Threads: as Tamboro (shell/tamboro.h) describes. The parameters here are
// relaxed atomics written from any thread; everything else belongs to the
// audio thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "band_filters.h"
#include "engine_constants.h"

class DetectorState {
public:
    // Band filters: a direct-form-I biquad step with the coefficients and the
    // input history passed in; each object keeps only its own output history.
    // Left and right behave identically; two classes keep the bank's layout.
    class aFilterL {
    public:
        aFilterL();
        ~aFilterL();
        aFilterL(const aFilterL&) = delete;
        aFilterL& operator=(const aFilterL&) = delete;
        virtual float filterSample(float b0, float b1, float b2, float a1, float a2, float x0,
                                   float x1, float x2) {
            return engine::stepFilter(*this, b0, b1, b2, a1, a2, x0, x1, x2);
        }
        bool allocated() const { return outputCell1 && outputCell2; }

        float lastOutput = 0.0f;
        float newOutput = 0.0f;
        float prevOutput1 = 0.0f;
        float prevOutput2 = 0.0f;
        float* outputCell1;
        float* outputCell2;
    };

    class aFilterR {
    public:
        aFilterR();
        ~aFilterR();
        aFilterR(const aFilterR&) = delete;
        aFilterR& operator=(const aFilterR&) = delete;
        virtual float filterSample(float b0, float b1, float b2, float a1, float a2, float x0,
                                   float x1, float x2) {
            return engine::stepFilter(*this, b0, b1, b2, a1, a2, x0, x1, x2);
        }
        bool allocated() const { return outputCell1 && outputCell2; }

        float lastOutput = 0.0f;
        float newOutput = 0.0f;
        float prevOutput1 = 0.0f;
        float prevOutput2 = 0.0f;
        float* outputCell1;
        float* outputCell2;
    };

    // Per-band matcher: is this band's level in dB inside a slot's window?
    class InstDefine {
    public:
        virtual float matchSlot0(float left, float right, float upper, float lower);
        virtual float matchSlot1(float left, float right, float upper, float lower);
        virtual float matchSlot2(float left, float right, float upper, float lower);

        float level = 0.0f;
        float levelDb = 0.0f;
        float match0 = 0.0f;
        float match1 = 0.0f;
        float match2 = 0.0f;
    };

    // Per-band recorder: a +-5 dB window around this band's level in dB.
    class InstTemplate {
    public:
        virtual float learnUpper0(float left, float right);
        virtual float learnLower0(float left, float right);
        virtual float learnUpper1(float left, float right);
        virtual float learnLower1(float left, float right);
        virtual float learnUpper2(float left, float right);
        virtual float learnLower2(float left, float right);

        float upper0 = 0.0f;
        float lower0 = 0.0f;
        float upper1 = 0.0f;
        float lower1 = 0.0f;
        float upper2 = 0.0f;
        float lower2 = 0.0f;
        float level = 0.0f;
        float levelDb = 0.0f;
    };

    struct BandFilterPair {
        aFilterL left;
        aFilterR right;
    };

    virtual ~DetectorState() = default;

    // A note-on or note-off in the sample being processed; the shell builds
    // the host's event record.
    virtual void sendNoteOn(int32_t note, int32_t velocity) = 0;
    virtual void sendNoteOff(int32_t note, int32_t velocity) = 0;

    // The engine's state. Declaration order is part of the design; the engine
    // files document what each member means.
    float templateScores[kNumSlots];
    float bandMatches[kNumBands][kNumSlots];
    float velocityExponent;
    double velocityExponentDouble;
    float velocityGain;
    double velocityGainDouble;
    float* scoreCopy = nullptr;
    int32_t bestTemplate;
    std::atomic<float> functionSelect;
    std::atomic<float> templateInst;
    int32_t detectionMode;
    int32_t templateSlot;
    float* inputRingL = nullptr;
    float* inputRingR = nullptr;
    double* inputRingLDouble = nullptr;
    double* inputRingRDouble = nullptr;
    int32_t writeIndex;
    int32_t readIndex;
    float meanLeft, meanRight;
    double meanLeftDouble, meanRightDouble;
    float velocityMagnitude;
    double velocityMagnitudeDouble;
    float velocityDb;
    double velocityDbDouble;
    std::atomic<float> highThreshold;
    double highThresholdDouble;
    std::atomic<float> lowThreshold;
    double lowThresholdDouble;
    float effectiveLowThreshold;
    double effectiveLowThresholdDouble;
    float ratioLowThreshold;
    double ratioLowThresholdDouble;
    std::atomic<float> ratioSelect;
    std::atomic<float> ratioDivide;
    std::atomic<float> drumSelect;
    int32_t drumSelectIndex;
    int32_t noteOffCountdown;
    double noteLengthBeats;
    double samplesPerBeat;
    double currentSampleRate;
    double currentTempo;
    int32_t noteOffPending;
    int32_t learnedThisHit;
    float* levelHistory = nullptr;
    double* levelHistoryDouble = nullptr;
    int32_t levelIndex;
    float averageLevel;
    double averageLevelDouble;
    float levelSum;
    double levelSumDouble;
    float absOutL, absOutR, absOutSum;
    double absOutLDouble, absOutRDouble, absOutSumDouble;
    float levelSnapshots[kNumLevelSnapshots];
    double levelSnapshotsDouble[kNumLevelSnapshots];
    int32_t hitActive;
    int32_t noteActive;
    int32_t velocity;
    int32_t noteNumber;
    // The note whose note-off is still owed: noteNumber may change (a new
    // onset, a fixed drum chosen in template mode) before that note-off goes out.
    int32_t soundingNote = 0;
    // Index of the sample being processed within the current processing call;
    // the events of that sample carry it as their deltaFrames.
    int32_t eventDeltaFrames = 0;
    // Whether processing steps two bands per vector instruction (the
    // processor has 256-bit vectors) or one; the results are the same.
    bool wideVectors = engine::wideVectorsAvailable();
    float bandOutputs[kNumFilters];
    double bandOutputsDouble[kNumFilters];
    float prevInput1L, prevInput1R, prevInput2L, prevInput2R;
    double prevInput1LDouble, prevInput1RDouble, prevInput2LDouble, prevInput2RDouble;
    float* inputHistory1L = nullptr;
    float* inputHistory1R = nullptr;
    float* inputHistory2L = nullptr;
    float* inputHistory2R = nullptr;
    double* inputHistory1LDouble = nullptr;
    double* inputHistory1RDouble = nullptr;
    double* inputHistory2LDouble = nullptr;
    double* inputHistory2RDouble = nullptr;
    float bandCoefficients[kNumBands][kNumCoefficients];
    float templateWindows[kNumSlots][kNumBands][kNumBounds];
    double templateWindowsDouble[kNumSlots][kNumBands][kNumBounds];
    BandFilterPair bandFilters[kNumBands];
    InstDefine instDefines[kNumBands];
    InstTemplate instTemplates[kNumBands];
};
