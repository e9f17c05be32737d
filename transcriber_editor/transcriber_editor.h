// Tamboro Transcriber's editor: a learn button per drum that shows whether
// the drum is armed or taught, a sensitivity bar per drum with its decibel
// read-out, and a strip where the hits the engine reports scroll past.
//
// Threads: the plug-in calls setParameter from whatever thread changed the
// parameter; it only marks the parameter in an atomic set. Hits arrive from
// the audio thread through the plug-in's hit feed. Everything else runs on
// the host's user-interface thread: at idle the editor copies the marked
// parameters, the learn states (learning disarms a drum on the plug-in's
// own builder thread, with no setParameter call) and the new hits into its
// controls, which then paint.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "toolkit/aeff_gui_editor.h"
#include "toolkit/control.h"
#include "transcriber_shell/transcriber_plugin_info.h"

class CBarSlider;
class CFrame;
class CParamDisplay;
class CScrollingLanes;
class CTextButton;
class HitFeed;
class TranscriberEffect;

class TranscriberEditor : public AEffGUIEditor, public CControlListener {
public:
    TranscriberEditor(TranscriberEffect* effect, HitFeed& hits);
    ~TranscriberEditor() override;

    // Builds the window from the plug-in's values and learn states, with an
    // empty hit strip; false without a window system or a usable host window.
    bool open(void* ptr) override;
    void close() override;
    void idle() override;

    void setParameter(int32_t index, float value) override;
    void valueChanged(CDrawContext* context, CControl* control) override;

private:
    static constexpr int32_t kDrums = transcriber_plugin_info::kNumDrums;

    void addColumn(CFrame* newFrame, int32_t drum);
    void addLanes(CFrame* newFrame);
    void showChangedParameters();
    void showLearnStates();
    void showNewHits();
    float parameter(int32_t index) const;

    TranscriberEffect* plugin;
    HitFeed& hits;
    std::array<CTextButton*, kDrums> learnButtons{};
    std::array<CBarSlider*, kDrums> sliders{};
    std::array<CParamDisplay*, kDrums> readouts{};
    CScrollingLanes* lanes = nullptr;
    // One bit per parameter index changed since the controls last showed it.
    std::atomic<uint32_t> changedParameters{0};
};
