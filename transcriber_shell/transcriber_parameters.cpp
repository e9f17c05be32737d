// Six parameters: a sensitivity per drum (shown in dB) and a learn switch per
// drum (armed until the next hit has taught it).
#include <cmath>
#include <cstdio>

#include "shell/string_copy.h"
#include "toolkit/aeff_gui_editor.h"
#include "transcriber_effect.h"

using namespace transcriber_plugin_info;

namespace {

struct ParamText {
    const char* name;
    const char* label;
};

constexpr ParamText kParamTexts[kNumParams] = {
    {"Kick Sens", "dB"}, {"Snare Sens", "dB"}, {"HiHat Sens", "dB"},
    {"Kick Learn", ""},  {"Snare Learn", ""}, {"HiHat Learn", ""},
};
// Within what the first plug-in's names already ask of a host's buffer.
constexpr size_t kParamTextMax = 14;

bool validIndex(int32_t index) { return index >= 0 && index < kNumParams; }
bool isLearn(int32_t index) { return index >= kFirstLearn && index < kNumParams; }

}  // namespace

void TranscriberEffect::setParameter(int32_t index, float value) {
    if (!validIndex(index) || std::isnan(value)) return;
    const float clamped = std::fmin(std::fmax(value, 0.0f), 1.0f);
    if (isLearn(index))
        armed_[index - kFirstLearn].store(clamped >= kArmedFrom);
    else
        sensitivity_[index].store(clamped);
    if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

float TranscriberEffect::getParameter(int32_t index) {
    if (!validIndex(index)) return 0.0f;
    if (isLearn(index)) return armed_[index - kFirstLearn].load() ? 1.0f : 0.0f;
    return sensitivity_[index].load();
}

void TranscriberEffect::getParameterName(int32_t index, char* text) {
    if (validIndex(index)) copyString(text, kParamTexts[index].name, kParamTextMax);
}

void TranscriberEffect::getParameterLabel(int32_t index, char* label) {
    if (validIndex(index)) copyString(label, kParamTexts[index].label, kParamTextMax);
}

void TranscriberEffect::getParameterDisplay(int32_t index, char* text) {
    if (!validIndex(index)) return;
    char shown[kVstMaxParamStrLen + 1];
    if (!isLearn(index)) {
        std::snprintf(shown, sizeof shown, "%+.1f", sensitivityDb(sensitivity_[index].load()));
    } else {
        const int drum = index - kFirstLearn;
        copyString(shown, armed_[drum].load() ? "armed" : supply_.learned(drum) ? "ready" : "unlearnt",
                   kVstMaxParamStrLen);
    }
    copyString(text, shown, kVstMaxParamStrLen);
}

void TranscriberEffect::getProgramName(char* name) {
    copyString(name, kDefaultProgramName, kVstMaxProgNameLen);
}
