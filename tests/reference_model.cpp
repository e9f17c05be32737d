#include "reference_model.h"

#include <climits>
#include <cmath>

namespace reference {

namespace {

// b0 b1 b2 a1 a2 per band, typed in again from the design table rather than
// taken from the engine, so that a slip on either side shows up.
constexpr float kCoefficients[11][5] = {
    {0.000171f, 0.0f, -0.000171f, -1.999911f, 0.999943f},
    {0.000342f, 0.0f, -0.000342f, -1.999756f, 0.999866f},
    {0.000513f, 0.0f, -0.000513f, -1.999537f, 0.999829f},
    {0.000684f, 0.0f, -0.000684f, -1.999253f, 0.999772f},
    {0.001025f, 0.0f, -0.001025f, -1.998489f, 0.999658f},
    {0.001367f, 0.0f, -0.001367f, -1.997467f, 0.999544f},
    {0.002049f, 0.0f, -0.002049f, -1.994643f, 0.999317f},
    {0.002731f, 0.0f, -0.002731f, -1.990785f, 0.999090f},
    {0.005436f, 0.0f, -0.005436f, -1.965052f, 0.998188f},
    {0.010682f, 0.0f, -0.010682f, -1.865108f, 0.996439f},
    {0.019928f, 0.0f, -0.019928f, -1.486095f, 0.993357f},
};

constexpr double kFilterOffset = 1e-25;
constexpr double kTenth = (double)0.1f;  // the single-precision 0.1, widened
constexpr int kVelocityPositions = 99;   // ring positions 0 to 98
constexpr double kVelocityDivisor = 100.0;
constexpr int32_t kSlotNote[3] = {36, 38, 42};
constexpr int32_t kFixedNote[4] = {0, 36, 38, 42};  // by drumSelectIndex
constexpr double kNoteLengthBeats = 0.125;
constexpr double kFallbackTempo = 120.0;
constexpr uint8_t kNoteOnStatus = 0x99;   // channel 10
constexpr uint8_t kNoteOffStatus = 0x89;
constexpr int32_t kMidiEventByteSize = 24;

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }
double finiteOrZero(double x) { return std::isfinite(x) ? x : 0.0; }

// 0 when "Ratio Select" is not one of the four ratio positions.
int32_t ratioDivisor(float ratioSelect) {
    if (ratioSelect == 0.25f) return 19;
    if (ratioSelect == 0.5f) return 39;
    if (ratioSelect == 0.75f) return 79;
    if (ratioSelect == 1.0f) return 119;
    return 0;
}

// The band level in dB of one band's two outputs, with its roundings.
float bandLevelDb(float left, float right) {
    float m = (float)(((double)left + (double)right) / 2.0);
    float level = std::fabs(m);
    float t = (float)((double)level / 1.0);
    float logarithm = (float)std::log10((double)t);
    return (float)(20.0 * (double)logarithm);
}

float matchWindow(float left, float right, float upper, float lower) {
    float levelDb = bandLevelDb(left, right);
    if (upper < levelDb || std::isnan(upper) || std::isnan(levelDb)) return 0.0f;
    if (levelDb >= lower) return 1.0f;
    return 0.0f;
}

// g x 127 truncated; out-of-range products are clamped before the conversion.
int32_t velocityFromGain(double gain) {
    double product = gain * 127.0;
    if (std::isnan(product)) return 0;
    if (product > 127.0) return 127;
    int32_t v = (int32_t)product;
    return v == 128 ? 127 : v;
}

}  // namespace

void Model::setParameter(int32_t index, float value) {
    auto store = [&] {
        switch (index) {
            case 0: highThreshold = value; break;
            case 1: lowThreshold = value; break;
            case 2: drumSelect = value; break;
            case 3: functionSelect = value; break;
            case 4: templateInst = value; break;
            case 5: ratioSelect = value; break;
            case 6: ratioDivideParam = value; break;
            default: break;
        }
    };
    if (!(ratioSelect >= 0.25f)) store();
    if (ratioSelect >= 0.25f) {
        if (index == 1)
            lowThreshold = (float)((double)highThreshold / (double)ratioDivideParam);
        else
            store();
    }
}

float Model::getParameter(int32_t index) const {
    switch (index) {
        case 0: return highThreshold;
        case 1: return lowThreshold;
        case 2: return drumSelect;
        case 3: return functionSelect;
        case 4: return templateInst;
        case 5: return ratioSelect;
        case 6: return 6.0f;
        default: return 0.0f;
    }
}

void Model::fetchHostValues(const HostAnswers& host) {
    if (host.sampleRate > 0) baseSampleRate = (float)host.sampleRate;
    currentSampleRate = baseSampleRate;
    currentTempo = kFallbackTempo;
    if (host.timeInfoAvailable && host.tempoValid) currentTempo = host.tempo;
    if (!std::isfinite(currentTempo) || currentTempo <= 0.0) currentTempo = kFallbackTempo;
}

void Model::process(const float* inL, const float* inR, float* outL, float* outR,
                    int32_t frames, const HostAnswers& host) {
    fetchHostValues(host);
    for (int32_t i = 0; i < frames; i++) sampleSingle(inL[i], inR[i], outL[i], outR[i], i);
    if (frames > 0) callStart += frames;
}

void Model::processDouble(const double* inL, const double* inR, double* outL, double* outR,
                          int32_t frames, const HostAnswers& host) {
    fetchHostValues(host);
    for (int32_t i = 0; i < frames; i++) sampleDouble(inL[i], inR[i], outL[i], outR[i], i);
    if (frames > 0) callStart += frames;
}

float Model::filterSample(int filter, int band, float x0, float x1, float x2) {
    Filter& f = filters[filter];
    const float* c = kCoefficients[band];
    float prevOutput1 = f.outputCell1;
    float prevOutput2 = f.outputCell2;
    double sum = (double)c[0] * (double)x0;
    sum = sum + (double)c[1] * (double)x1;
    sum = sum + (double)c[2] * (double)x2;
    sum = sum - (double)c[3] * (double)prevOutput1;
    sum = sum - (double)c[4] * (double)prevOutput2;
    sum = sum + kFilterOffset;
    float newOutput = (float)sum;
    if (!std::isfinite(newOutput)) {
        f.outputCell1 = 0.0f;
        f.outputCell2 = 0.0f;
        return 0.0f;
    }
    f.outputCell2 = f.outputCell1;
    f.outputCell1 = newOutput;
    return newOutput;
}

void Model::sampleSingle(float inL, float inR, float& outL, float& outR, int32_t offset) {
    // 1. Store the inputs.
    inputRingL[writeIndex] = finiteOrZero(inL);
    inputRingR[writeIndex] = finiteOrZero(inR);

    // 2. Take the filter inputs.
    inputL.take(inputRingL[readIndex]);
    inputR.take(inputRingR[readIndex]);

    // 3. Filter bank, band by band, left before right.
    for (int k = 0; k < kBands; k++) {
        bandOutputs[2 * k] =
            filterSample(2 * k, k, inputRingL[readIndex], inputL.prev1, inputL.prev2);
        bandOutputs[2 * k + 1] =
            filterSample(2 * k + 1, k, inputRingR[readIndex], inputR.prev1, inputR.prev2);
    }

    // 4. Outputs: band order, one rounding at the end.
    double sumL = bandOutputs[0];
    double sumR = bandOutputs[1];
    for (int k = 1; k < kBands; k++) {
        sumL = sumL + (double)bandOutputs[2 * k];
        sumR = sumR + (double)bandOutputs[2 * k + 1];
    }
    outL = (float)sumL;
    outR = (float)sumR;

    // 5. Level input and tempo.
    absOutL = std::fabs(outL);
    absOutR = std::fabs(outR);
    absOutSum = (float)((double)absOutL + (double)absOutR);
    levelSnapshots[0] = averageLevel;
    levelSnapshots[1] = levelSnapshots[0];
    levelSnapshots[2] = levelSnapshots[0];
    samplesPerBeat = currentSampleRate / (currentTempo / 60.0);

    // 6. Thresholds.
    int32_t divisor = ratioDivisor(ratioSelect);
    if (divisor != 0) {
        lowThreshold = (float)(((double)highThreshold / (double)divisor) / kTenth);
        ratioLowThreshold = lowThreshold;
        ratioDivideParam = (float)divisor;
    }
    float releaseBase = ratioSelect == 0.0f ? lowThreshold : ratioLowThreshold;
    effectiveLowThreshold = (float)((double)releaseBase * kTenth);

    // 7. Onset.
    if (hitActive == 0 && highThreshold <= levelSnapshots[1]) {
        hitActive = 1;
        measureVelocitySingle();
        chooseInstrument(bandOutputs.data(), templateWindows);
    }

    // 8, 9. Modes, then learning or notes.
    modeStage();
    bool released = levelSnapshots[2] <= effectiveLowThreshold;
    if (detectionMode == 0) {
        if (learningStarts()) learnTemplate(bandOutputs.data(), templateWindows[templateSlot]);
        templateRelease(released);
    } else {
        noteStage(released, offset);
    }

    // 10. Move on.
    moveOn();

    // 11. Level update.
    levelIndex = levelIndex >= kLevelWindow - 1 ? 0 : levelIndex + 1;
    levelHistory[levelIndex] = std::fabs(absOutSum);
    double sum = levelHistory[0];
    for (int i = 1; i < kLevelWindow; i++) sum = sum + (double)levelHistory[i];
    levelSum = (float)sum;
    averageLevel = (float)((double)levelSum / 20.0);
}

void Model::sampleDouble(double inL, double inR, double& outL, double& outR, int32_t offset) {
    // 1. Store the inputs, unrounded.
    inputRingLDouble[writeIndex] = finiteOrZero(inL);
    inputRingRDouble[writeIndex] = finiteOrZero(inR);

    // 2. Take the filter inputs from the 64-bit histories.
    inputLDouble.take(inputRingLDouble[readIndex]);
    inputRDouble.take(inputRingRDouble[readIndex]);

    // 3. The shared 32-bit filters get every input rounded to float.
    for (int k = 0; k < kBands; k++) {
        bandOutputsDouble[2 * k] =
            filterSample(2 * k, k, (float)inputRingLDouble[readIndex], (float)inputLDouble.prev1,
                         (float)inputLDouble.prev2);
        bandOutputsDouble[2 * k + 1] =
            filterSample(2 * k + 1, k, (float)inputRingRDouble[readIndex],
                         (float)inputRDouble.prev1, (float)inputRDouble.prev2);
    }

    // 4. Outputs: band order, no rounding.
    outL = bandOutputsDouble[0];
    outR = bandOutputsDouble[1];
    for (int k = 1; k < kBands; k++) {
        outL = outL + bandOutputsDouble[2 * k];
        outR = outR + bandOutputsDouble[2 * k + 1];
    }

    // 5. Level input and tempo, in 64 bits.
    absOutLDouble = std::fabs(outL);
    absOutRDouble = std::fabs(outR);
    absOutSumDouble = absOutLDouble + absOutRDouble;
    levelSnapshotsDouble[0] = averageLevelDouble;
    levelSnapshotsDouble[1] = levelSnapshotsDouble[0];
    levelSnapshotsDouble[2] = levelSnapshotsDouble[0];
    samplesPerBeat = currentSampleRate / (currentTempo / 60.0);

    // 6. Thresholds: the twins follow the 32-bit parameters at every sample.
    highThresholdDouble = (double)highThreshold;
    if (ratioSelect == 0.0f) lowThresholdDouble = (double)lowThreshold;
    int32_t divisor = ratioDivisor(ratioSelect);
    if (divisor != 0) {
        lowThresholdDouble = (highThresholdDouble / (double)divisor) / kTenth;
        ratioLowThresholdDouble = lowThresholdDouble;
        lowThreshold = (float)lowThresholdDouble;
        ratioDivideParam = (float)divisor;
    }
    double releaseBase = ratioSelect == 0.0f ? lowThresholdDouble : ratioLowThresholdDouble;
    effectiveLowThresholdDouble = releaseBase * kTenth;

    // 7. Onset, against the rounded band outputs and windows.
    float bands[kFilters];
    for (int j = 0; j < kFilters; j++) bands[j] = (float)bandOutputsDouble[j];
    if (hitActive == 0 && highThresholdDouble <= levelSnapshotsDouble[1]) {
        hitActive = 1;
        measureVelocityDouble();
        Windows<float> windows;
        for (int s = 0; s < kSlots; s++)
            for (int k = 0; k < kBands; k++)
                for (int b = 0; b < 2; b++) windows[s][k][b] = (float)templateWindowsDouble[s][k][b];
        chooseInstrument(bands, windows);
    }

    // 8, 9. Modes, then learning (widened into the 64-bit table) or notes.
    modeStage();
    bool released = levelSnapshotsDouble[2] <= effectiveLowThresholdDouble;
    if (detectionMode == 0) {
        if (learningStarts()) {
            std::array<std::array<float, 2>, kBands> learned;
            learnTemplate(bands, learned);
            for (int k = 0; k < kBands; k++)
                for (int b = 0; b < 2; b++)
                    templateWindowsDouble[templateSlot][k][b] = (double)learned[k][b];
        }
        templateRelease(released);
    } else {
        noteStage(released, offset);
    }

    // 10. Move on.
    moveOn();

    // 11. Level update in 64 bits; the index is shared.
    levelIndex = levelIndex >= kLevelWindow - 1 ? 0 : levelIndex + 1;
    levelHistoryDouble[levelIndex] = std::fabs(absOutSumDouble);
    levelSumDouble = levelHistoryDouble[0];
    for (int i = 1; i < kLevelWindow; i++) levelSumDouble = levelSumDouble + levelHistoryDouble[i];
    averageLevelDouble = levelSumDouble / 20.0;
}

void Model::measureVelocitySingle() {
    for (int i = 0; i < kVelocityPositions; i++) {
        meanLeft = (float)((double)meanLeft + (double)inputRingL[i]);
        meanRight = (float)((double)meanRight + (double)inputRingR[i]);
    }
    meanLeft = (float)((double)meanLeft / kVelocityDivisor);
    meanRight = (float)((double)meanRight / kVelocityDivisor);
    velocityMagnitude = (float)std::fabs(((double)meanLeft + (double)meanRight) / 2.0);
    float quotient = (float)((double)velocityMagnitude / 1.0);
    float logarithm = (float)std::log10((double)quotient);
    velocityDb = (float)(20.0 * (double)logarithm);
    velocityExponent = (float)((double)velocityDb / 40.0);
    velocityGain = (float)std::pow(10.0, (double)velocityExponent);
    velocity = velocityFromGain((double)velocityGain);
}

void Model::measureVelocityDouble() {
    for (int i = 0; i < kVelocityPositions; i++) {
        meanLeftDouble = meanLeftDouble + inputRingLDouble[i];
        meanRightDouble = meanRightDouble + inputRingRDouble[i];
    }
    meanLeftDouble = meanLeftDouble / kVelocityDivisor;
    meanRightDouble = meanRightDouble / kVelocityDivisor;
    velocityMagnitudeDouble = std::fabs((meanLeftDouble + meanRightDouble) / 2.0);
    float quotient = (float)(velocityMagnitudeDouble / 1.0);
    float logarithm = (float)std::log10((double)quotient);
    velocityDbDouble = 20.0 * (double)logarithm;
    velocityExponentDouble = velocityDbDouble / 40.0;
    velocityGainDouble = std::pow(10.0, velocityExponentDouble);
    velocity = velocityFromGain(velocityGainDouble);
}

void Model::chooseInstrument(const float* bands, const Windows<float>& windows) {
    float d = drumSelect;
    if (d <= 0.25f)
        drumSelectIndex = 0;
    else if (d <= 0.5f)
        drumSelectIndex = 1;
    else if (d <= 0.75f)
        drumSelectIndex = 2;
    else if (d <= 1.0f)
        drumSelectIndex = 3;
    if (drumSelectIndex == 0)
        matchTemplates(bands, windows);
    else
        noteNumber = kFixedNote[drumSelectIndex];
}

void Model::matchTemplates(const float* bands, const Windows<float>& windows) {
    for (int k = 0; k < kBands; k++) {
        float left = bands[2 * k];
        float right = bands[2 * k + 1];
        for (int s = 0; s < kSlots; s++)
            bandMatches[k][s] = matchWindow(left, right, windows[s][k][0], windows[s][k][1]);
        for (int s = 0; s < kSlots; s++)
            templateScores[s] = (float)((double)templateScores[s] + (double)bandMatches[k][s]);
    }
    scoreCopy = templateScores;
    const std::array<float, kSlots>& c = scoreCopy;
    if (c[1] < c[0] && c[2] < c[0]) bestTemplate = 0;
    if (c[0] < c[1] && c[2] < c[1]) bestTemplate = 1;
    if (c[1] < c[2] && c[0] < c[2]) bestTemplate = 2;
    templateScores = {0.0f, 0.0f, 0.0f};
    noteNumber = kSlotNote[bestTemplate];
}

void Model::learnTemplate(const float* bands, std::array<std::array<float, 2>, kBands>& slot) {
    for (int k = 0; k < kBands; k++) {
        float left = bands[2 * k];
        float right = bands[2 * k + 1];
        slot[k][0] = (float)((double)bandLevelDb(left, right) + 5.0);
        slot[k][1] = (float)((double)bandLevelDb(left, right) - 5.0);
    }
}

void Model::modeStage() {
    detectionMode = functionSelect > 0.5f ? 1 : 0;
    if (templateInst == 0.0f)
        templateSlot = 0;
    else if (templateInst == 0.5f)
        templateSlot = 1;
    else if (templateInst == 1.0f)
        templateSlot = 2;
}

bool Model::learningStarts() {
    if (hitActive == 1 && learnedThisHit == 0) {
        learnedThisHit = 1;
        return true;
    }
    return false;
}

void Model::templateRelease(bool released) {
    if (released) {
        hitActive = 0;
        learnedThisHit = 0;
    }
}

void Model::noteStage(bool released, int32_t offset) {
    if (noteActive == 0 && hitActive == 1) {
        noteActive = 1;
        // The note still waiting for its note-off ends before a new one starts.
        if (noteOffPending == 1 && soundingNote != noteNumber)
            sendNote(kNoteOffStatus, soundingNote, velocity, offset);
        sendNote(kNoteOnStatus, noteNumber, velocity, offset);
        soundingNote = noteNumber;
        noteOffCountdown = noteOffLength();
        noteOffPending = 1;
    } else if (noteActive == 1 && released) {
        hitActive = 0;
        noteActive = 0;
    }
    if (noteOffPending == 1) {
        if (noteOffCountdown > 0) noteOffCountdown--;
        if (noteOffCountdown == 0) {
            sendNote(kNoteOffStatus, soundingNote, velocity, offset);
            noteOffPending = 0;
            templateScores = {0.0f, 0.0f, 0.0f};
        }
    }
}

int32_t Model::noteOffLength() const {
    double length = std::floor(samplesPerBeat * kNoteLengthBeats);
    if (!(length >= 0.0)) return 0;
    if (length >= (double)INT32_MAX) return INT32_MAX;
    return (int32_t)length;
}

void Model::moveOn() {
    readIndex = readIndex >= kRing - 1 ? 0 : readIndex + 1;
    writeIndex = writeIndex >= kRing - 1 ? 0 : writeIndex + 1;
}

void Model::sendNote(uint8_t status, int32_t note, int32_t velocityValue, int32_t offset) {
    SentEvent e{};
    e.samplePosition = callStart + offset;
    e.event.type = kVstMidiType;
    e.event.byteSize = kMidiEventByteSize;
    e.event.deltaFrames = offset;
    e.event.midiData[0] = (char)status;
    e.event.midiData[1] = (char)(note & 0x7F);
    e.event.midiData[2] = (char)(velocityValue & 0x7F);
    sent.push_back(e);
}

}  // namespace reference
