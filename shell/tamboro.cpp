#include "tamboro.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "editor/sd_editor.h"
#include "midi_output.h"
#include "engine/band_coefficients.h"
#include "plugin_info.h"
#include "string_copy.h"

namespace {

template <typename T>
T* allocateZeroed(size_t count) {
    T* block = new (std::nothrow) T[count];
    if (block) std::fill(block, block + count, T(0));
    return block;
}

}  // namespace

Tamboro::Tamboro(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, plugin_info::kNumPrograms, plugin_info::kNumAnnouncedParams) {
    setNumInputs(plugin_info::kNumInputs);
    setNumOutputs(plugin_info::kNumOutputs);
    setUniqueID(plugin_info::kUniqueId);
    canProcessReplacing(true);
    canDoubleReplacing(true);
    setInitialDelay(plugin_info::kInitialDelay);

    // The editor registers itself with this object, which sets the has-editor flag.
    SDEditor* newEditor = new (std::nothrow) SDEditor(this);
    if (!newEditor || !newEditor->constructed()) allocationsSucceeded = false;

    allocateBlocks();
    initialiseMembers();
    copyString(programName, plugin_info::kDefaultProgramName, kVstMaxProgNameLen);
    setCanMono(true);
    resume();
}

Tamboro::~Tamboro() {
    // A host may destroy the plug-in with the editor still open. Closing it
    // here, while the whole object still answers, lets a drag in progress end
    // its edit gesture with the host.
    if (editor) editor->close();
    freeBlocks();
}

void Tamboro::allocateBlocks() {
    scoreCopy = allocateZeroed<float>(kNumSlots);
    inputRingL = allocateZeroed<float>(kInputRingSize);
    inputRingR = allocateZeroed<float>(kInputRingSize);
    inputRingLDouble = allocateZeroed<double>(kInputRingSize);
    inputRingRDouble = allocateZeroed<double>(kInputRingSize);
    levelHistory = allocateZeroed<float>(kLevelRingCapacity);
    levelHistoryDouble = allocateZeroed<double>(kLevelRingCapacity);
    inputHistory1L = allocateZeroed<float>(1);
    inputHistory1R = allocateZeroed<float>(1);
    inputHistory2L = allocateZeroed<float>(1);
    inputHistory2R = allocateZeroed<float>(1);
    inputHistory1LDouble = allocateZeroed<double>(1);
    inputHistory1RDouble = allocateZeroed<double>(1);
    inputHistory2LDouble = allocateZeroed<double>(1);
    inputHistory2RDouble = allocateZeroed<double>(1);

    const void* blocks[] = {scoreCopy,         inputRingL,         inputRingR,
                            inputRingLDouble,  inputRingRDouble,   levelHistory,
                            levelHistoryDouble, inputHistory1L,     inputHistory1R,
                            inputHistory2L,    inputHistory2R,     inputHistory1LDouble,
                            inputHistory1RDouble, inputHistory2LDouble, inputHistory2RDouble};
    for (const void* block : blocks)
        if (!block) allocationsSucceeded = false;
    for (const BandFilterPair& pair : bandFilters)
        if (!pair.left.allocated() || !pair.right.allocated()) allocationsSucceeded = false;
}

void Tamboro::freeBlocks() {
    delete[] levelHistory;
    delete[] levelHistoryDouble;
    delete[] inputRingL;
    delete[] inputRingR;
    delete[] inputRingLDouble;
    delete[] inputRingRDouble;
    delete[] scoreCopy;
    delete[] inputHistory1L;
    delete[] inputHistory1R;
    delete[] inputHistory2L;
    delete[] inputHistory2R;
    delete[] inputHistory1LDouble;
    delete[] inputHistory1RDouble;
    delete[] inputHistory2LDouble;
    delete[] inputHistory2RDouble;
}

void Tamboro::initialiseMembers() {
    std::fill(std::begin(templateScores), std::end(templateScores), 0.0f);
    std::fill(&bandMatches[0][0], &bandMatches[0][0] + kNumBands * kNumSlots, 0.0f);
    velocityExponent = 0.0f;
    velocityExponentDouble = 0.0;
    velocityGain = 0.0f;
    velocityGainDouble = 0.0;
    bestTemplate = 0;
    functionSelect = 0.0f;
    templateInst = 0.0f;
    detectionMode = 0;
    templateSlot = 0;
    writeIndex = 0;
    readIndex = kFilterReadOffset;
    meanLeft = meanRight = 0.0f;
    meanLeftDouble = meanRightDouble = 0.0;
    velocityMagnitude = 0.0f;
    velocityMagnitudeDouble = 0.0;
    velocityDb = 0.0f;
    velocityDbDouble = 0.0;
    highThreshold = 1.0f;
    highThresholdDouble = 1.0;
    lowThreshold = 1.0f;
    lowThresholdDouble = 1.0;
    effectiveLowThreshold = 1.0f;
    effectiveLowThresholdDouble = 1.0;
    ratioLowThreshold = 1.0f;
    ratioLowThresholdDouble = 1.0;
    ratioSelect = 0.0f;
    ratioDivide = 0.0f;
    drumSelect = 0.0f;
    drumSelectIndex = 0;
    noteOffCountdown = 0;
    noteLengthBeats = kNoteLengthBeats;
    // Written by every processing call before use; zero keeps them defined.
    samplesPerBeat = currentSampleRate = currentTempo = 0.0;
    noteOffPending = 0;
    learnedThisHit = 0;
    levelIndex = 0;
    averageLevel = levelSum = 0.0f;
    averageLevelDouble = levelSumDouble = 0.0;
    absOutL = absOutR = absOutSum = 0.0f;
    absOutLDouble = absOutRDouble = absOutSumDouble = 0.0;
    // Overwritten by every sample before they are read.
    const float snapshots[kNumLevelSnapshots] = {0.0f, 0.1f, 0.0f};
    std::copy(snapshots, snapshots + kNumLevelSnapshots, levelSnapshots);
    std::copy(snapshots, snapshots + kNumLevelSnapshots, levelSnapshotsDouble);
    hitActive = noteActive = velocity = noteNumber = 0;
    std::fill(std::begin(bandOutputs), std::end(bandOutputs), 0.0f);
    std::fill(std::begin(bandOutputsDouble), std::end(bandOutputsDouble), 0.0);
    prevInput1L = prevInput1R = prevInput2L = prevInput2R = 0.0f;
    prevInput1LDouble = prevInput1RDouble = prevInput2LDouble = prevInput2RDouble = 0.0;
    std::memcpy(bandCoefficients, kBandCoefficients, sizeof bandCoefficients);
    std::fill(&templateWindows[0][0][0], &templateWindows[0][0][0] + sizeof templateWindows / sizeof(float), 0.0f);
    std::fill(&templateWindowsDouble[0][0][0],
              &templateWindowsDouble[0][0][0] + sizeof templateWindowsDouble / sizeof(double), 0.0);
}

bool Tamboro::getEffectName(char* name) {
    copyString(name, plugin_info::kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Tamboro::getVendorString(char* text) {
    copyString(text, plugin_info::kVendorName, kVstMaxVendorStrLen);
    return true;
}

bool Tamboro::getProductString(char* text) {
    copyString(text, plugin_info::kProductName, kVstMaxProductStrLen);
    return true;
}

int32_t Tamboro::getVendorVersion() { return plugin_info::kVendorVersion; }

int32_t Tamboro::canDo(char* text) {
    if (strcmp(text, plugin_info::kCanDoSendEvents) == 0) return 1;
    if (strcmp(text, plugin_info::kCanDoSendMidiEvent) == 0) return 1;
    return -1;
}

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return createConstructed<Tamboro>(audioMaster);
}

void Tamboro::sendNoteOn(int32_t note, int32_t velocity) {
    midi_output::sendNote(*this, midi_output::kNoteOnStatus, note, velocity, eventDeltaFrames);
}

void Tamboro::sendNoteOff(int32_t note, int32_t velocity) {
    midi_output::sendNote(*this, midi_output::kNoteOffStatus, note, velocity, eventDeltaFrames);
}
