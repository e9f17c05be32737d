// The seven parameters: storage with the "Ratio Select" coupling, read-back,
// names, labels, displays, and the single program's name.
#include <cmath>

#include "float_to_string.h"
#include "plugin_info.h"
#include "string_copy.h"
#include "tamboro.h"
#include "toolkit/aeff_gui_editor.h"

namespace {

using namespace plugin_info;

struct ParamText {
    const char* name;
    const char* label;
};

constexpr ParamText kParamTexts[kNumParams] = {
    {"High Threshold", "High Thresh"},  {"Low Threshold", "Low Thresh"},
    {"Drum Select", "Drum Select"},      {"Function", "Function"},
    {"Template Inst", "Template Ins"},  {"Ratio Select", "Ratio Select"},
    {"Ratio Divide", "Ratio Divide"},
};

// Long enough for every name and label; the names are the longest.
constexpr size_t kParamTextMax = 14;
constexpr size_t kDisplayChars = kVstMaxParamStrLen;
constexpr float kSwitchDisplayScale = 100.0f;
// The host reads parameter 6 back as this constant, not the stored divisor.
constexpr float kRatioDivideReadBack = 6.0f;
// From this position up "Ratio Select" selects a ratio.
constexpr float kFirstRatio = kRatioPositions[1].ratioSelect;

bool validIndex(int32_t index) { return index >= 0 && index < kNumParams; }

}  // namespace

void Tamboro::setParameter(int32_t index, float value) {
    std::atomic<float>* members[kNumParams] = {&highThreshold, &lowThreshold, &drumSelect,
                                               &functionSelect, &templateInst, &ratioSelect,
                                               &ratioDivide};
    // Step 1 stores whenever no ratio is selected. Any "Ratio Select" that is
    // not a ratio (between 0 and 0.25, or NaN) counts as none, so a stray
    // value cannot lock every parameter for good.
    if (validIndex(index) && !(ratioSelect.load() >= kFirstRatio))
        members[index]->store(value);
    if (validIndex(index) && ratioSelect.load() >= kFirstRatio) {
        if (index == kLowThreshold)
            lowThreshold = (float)((double)highThreshold.load() / (double)ratioDivide.load());
        else
            members[index]->store(value);
    }
    if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

float Tamboro::getParameter(int32_t index) {
    switch (index) {
        case kHighThreshold: return highThreshold;
        case kLowThreshold: return lowThreshold;
        case kDrumSelect: return drumSelect;
        case kFunction: return functionSelect;
        case kTemplateInst: return templateInst;
        case kRatioSelect: return ratioSelect;
        case kRatioDivide: return kRatioDivideReadBack;
    }
    return 0.0f;
}

void Tamboro::getParameterName(int32_t index, char* text) {
    if (validIndex(index)) copyString(text, kParamTexts[index].name, kParamTextMax);
}

void Tamboro::getParameterLabel(int32_t index, char* label) {
    if (validIndex(index)) copyString(label, kParamTexts[index].label, kParamTextMax);
}

void Tamboro::getParameterDisplay(int32_t index, char* text) {
    switch (index) {
        case kHighThreshold: float2string(highThreshold, text, kDisplayChars); return;
        case kLowThreshold: float2string(lowThreshold, text, kDisplayChars); return;
        case kRatioDivide: float2string(ratioDivide, text, kDisplayChars); return;
    }
    std::atomic<float>* switches[] = {&drumSelect, &functionSelect, &templateInst, &ratioSelect};
    if (index >= kDrumSelect && index <= kRatioSelect) {
        float scaled = (float)(switches[index - kDrumSelect]->load() * kSwitchDisplayScale);
        float2string((float)std::floor(scaled), text, kDisplayChars);
    }
}

void Tamboro::setProgramName(char* name) { copyString(programName, name, kVstMaxProgNameLen); }

void Tamboro::getProgramName(char* name) { copyString(name, programName, kVstMaxProgNameLen); }
