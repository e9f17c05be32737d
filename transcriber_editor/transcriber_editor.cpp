#include "transcriber_editor.h"

#include <chrono>
#include <cstdio>
#include <new>

#include "toolkit/bar_slider.h"
#include "toolkit/frame.h"
#include "toolkit/param_display.h"
#include "toolkit/scrolling_lanes.h"
#include "toolkit/text_button.h"
#include "toolkit/text_label.h"
#include "transcriber_editor_layout.h"
#include "transcriber_shell/hit_feed.h"
#include "transcriber_shell/transcriber_effect.h"

using namespace transcriber_editor_layout;
using namespace transcriber_plugin_info;

namespace {

constexpr const char* kDrumNames[kNumDrums] = {"Kick", "Snare", "Hi-hat"};
constexpr int32_t kMaxVelocity = 127;

uint32_t bit(int32_t index) { return 1u << index; }

void sensitivityText(float value, char* text, size_t size) {
    std::snprintf(text, size, "Sensitivity %+.1f dB", sensitivityDb(value));
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TranscriberEditor::TranscriberEditor(TranscriberEffect* effect, HitFeed& hits)
    : AEffGUIEditor(effect), plugin(effect), hits(hits) {
    rect.bottom = (int16_t)kHeight;
    rect.right = (int16_t)kWidth;
}

TranscriberEditor::~TranscriberEditor() { close(); }

float TranscriberEditor::parameter(int32_t index) const { return plugin->getParameter(index); }

bool TranscriberEditor::open(void* ptr) {
    // A host that opens twice must not get a second window beside the first.
    if (frame) close();
    // Every control reads its value below; earlier changes need no replay.
    changedParameters = 0;
    if (!AEffGUIEditor::open(ptr)) return false;
    CFrame* newFrame = new (std::nothrow) CFrame({0, 0, kWidth, kHeight}, ptr, this);
    if (!newFrame || !newFrame->isValid()) {
        delete newFrame;
        AEffGUIEditor::close();
        return false;
    }
    newFrame->setBackgroundColor(kBackground);
    newFrame->addView(new (std::nothrow) CTextLabel(kTitle, kEffectName, kTitleFont, kText));
    for (int32_t drum = 0; drum < kDrums; drum++) addColumn(newFrame, drum);
    addLanes(newFrame);
    // Hits from while the editor was closed are old news.
    hits.clear();
    // Last: until now setParameter has nothing to show its changes in.
    frame = newFrame;
    showLearnStates();
    return true;
}

void TranscriberEditor::addColumn(CFrame* newFrame, int32_t drum) {
    const CTextButtonColors buttonColors{kUnlearnt, kArmed, kFrame, kText};
    auto* button = new (std::nothrow) CTextButton(columnRect(drum, kLearnTop, kLearnHeight), this,
                                                  kFirstLearn + drum, buttonColors, kTextFont);
    if (button) {
        button->setValue(parameter(kFirstLearn + drum));
        newFrame->addView(button);
        learnButtons[drum] = button;
    }
    const CBarSliderColors sliderColors{kSliderTrack, kSliderFill, kFrame};
    auto* slider = new (std::nothrow) CBarSlider(columnRect(drum, kSliderTop, kSliderHeight), this,
                                                 drum, kDefaultSensitivityParam, sliderColors);
    if (slider) {
        slider->setValue(parameter(drum));
        newFrame->addView(slider);
        sliders[drum] = slider;
    }
    auto* readout = new (std::nothrow) CParamDisplay(columnRect(drum, kReadoutTop, kReadoutHeight));
    if (readout) {
        readout->setFont(kTextFont);
        readout->setFontColor(kText);
        readout->setBackColor(kBackground);
        readout->setFrameColor(kBackground);
        readout->setStringConvert(sensitivityText);
        readout->setValue(parameter(drum));
        newFrame->addView(readout);
        readouts[drum] = readout;
    }
}

void TranscriberEditor::addLanes(CFrame* newFrame) {
    const CScrollingLanesStyle style{kLaneBackground, kFrame,          kHitMark, kText,
                                     kTextFont,       kLaneLabelWidth, kLaneSpanMs};
    lanes = new (std::nothrow) CScrollingLanes(kLanes, kDrumNames, kDrums, style);
    newFrame->addView(lanes);
}

void TranscriberEditor::close() {
    AEffGUIEditor::close();
    learnButtons = {};
    sliders = {};
    readouts = {};
    lanes = nullptr;
}

void TranscriberEditor::idle() {
    if (frame) {
        showChangedParameters();
        showLearnStates();
        showNewHits();
    }
    AEffGUIEditor::idle();
}

void TranscriberEditor::setParameter(int32_t index, float) {
    if (index >= 0 && index < kNumParams) changedParameters.fetch_or(bit(index), std::memory_order_relaxed);
}

void TranscriberEditor::valueChanged(CDrawContext*, CControl* control) {
    int32_t tag = control->getTag();
    if (tag < 0 || tag >= kNumParams) return;
    plugin->setParameterAutomated(tag, control->getValue());
    showChangedParameters();
    showLearnStates();
}

void TranscriberEditor::showChangedParameters() {
    if (!frame) return;
    uint32_t changed = changedParameters.exchange(0);
    for (int32_t drum = 0; drum < kDrums; drum++) {
        if (!(changed & bit(drum))) continue;
        if (sliders[drum]) sliders[drum]->setValue(parameter(drum));
        if (readouts[drum]) readouts[drum]->setValue(parameter(drum));
    }
}

// Read at every idle: a drum disarms itself on the plug-in's builder thread.
void TranscriberEditor::showLearnStates() {
    char title[CTextButton::kTitleSize];
    for (int32_t drum = 0; drum < kDrums; drum++) {
        CTextButton* button = learnButtons[drum];
        if (!button) continue;
        const bool armed = parameter(kFirstLearn + drum) >= kArmedFrom;
        const bool learned = plugin->learned(drum);
        button->setValue(armed ? 1.0f : 0.0f);
        std::snprintf(title, sizeof title, "%s: %s", kDrumNames[drum],
                      armed ? "armed, play it" : learned ? "learned" : "learn");
        button->setTitle(title);
        button->setColors({learned ? kLearned : kUnlearnt, kArmed, kFrame, kText});
    }
}

void TranscriberEditor::showNewHits() {
    if (!lanes) return;
    const int64_t now = nowMs();
    FedHit hit;
    for (uint32_t i = 0; i < HitFeed::kCapacity && hits.take(hit); i++)
        lanes->addMark(hit.drum, (float)hit.velocity / (float)kMaxVelocity, now);
    lanes->advance(now);
}
