// The widget tree on the stub window system: controls' geometry, gestures,
// keys and repainting, with the edit brackets and idle calls a host sees.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "editor_stub_platform.h"
#include "shell/audio_effect_x.h"
#include "toolkit/aeff_gui_editor.h"
#include "toolkit/horizontal_switch.h"
#include "toolkit/param_display.h"
#include "toolkit/vertical_slider.h"

namespace {

constexpr int32_t kWidth = 812, kHeight = 650;
void* const kParent = reinterpret_cast<void*>(uintptr_t{0x1234});

// The editor's own geometry: slider 0 and the 4-position strip with tag 2.
constexpr CRect kSliderRect{65, 150, 129, 473};
constexpr int32_t kHandleLeft = 65 + 19, kHandleHeight = 35, kTravel = 287;
constexpr CRect kSwitchRect{395, 150, 708, 212};
constexpr float kZoneWidth = 313.0f / 4.0f;
constexpr CRect kReadoutRect{62, 495, 132, 515};
constexpr CColor kFill{59, 110, 163};

struct HostCall {
    int32_t opcode;
    int32_t index;
};

struct HostLog {
    std::vector<HostCall> calls;
    // A host that closes the editor when it gets idle time.
    AEffEditor* closeOnIdle = nullptr;
};

intptr_t recordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float) {
    if (!effect || !effect->user) return 0;
    HostLog* log = static_cast<HostLog*>(effect->user);
    log->calls.push_back({opcode, index});
    if (opcode == audioMasterIdle && log->closeOnIdle) log->closeOnIdle->close();
    return 0;
}

class ToolkitEffect : public AudioEffectX {
public:
    explicit ToolkitEffect(HostLog* log) : AudioEffectX(recordingHost, 1, 1) {
        getAeffect()->user = log;
    }
};

class ToolkitEditor : public AEffGUIEditor, public CControlListener {
public:
    explicit ToolkitEditor(AudioEffectX* effect) : AEffGUIEditor(effect, openStubDisplay) {
        rect = {0, 0, kHeight, kWidth};
    }
    bool open(void* ptr) override {
        if (!AEffGUIEditor::open(ptr)) return false;
        frame = new CFrame({0, 0, kWidth, kHeight}, ptr, this);
        return true;
    }
    CFrame* getFrame() const { return frame; }
    StubDisplay& stub() { return *static_cast<StubDisplay*>(getDisplay()); }
    std::vector<CRect>& presented() { return stub().presented; }

    void valueChanged(CDrawContext*, CControl* control) override {
        changes.push_back({control->getTag(), control->getValue()});
    }
    int32_t controlModifierClicked(CControl*, int32_t buttons) override {
        offered.push_back(buttons);
        return takeModifierClicks;
    }

    std::vector<std::pair<int32_t, float>> changes;
    std::vector<int32_t> offered;
    int32_t takeModifierClicks = 0;
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = std::make_unique<ToolkitEffect>(&host);
        editor = new ToolkitEditor(effect.get());  // the effect owns it
        ASSERT_TRUE(editor->open(kParent));
        frame = editor->getFrame();
        ASSERT_TRUE(frame->isValid());
        CBitmap* track = new CBitmap(102);
        CBitmap* handle = new CBitmap(103);
        CBitmap* strip = new CBitmap(104);
        slider = new CVerticalSlider(kSliderRect, editor, 0, 150, 437, handle, track, {0, 0});
        slider->setOffsetHandle({19, 0});
        buttons = new CHorizontalSwitch(kSwitchRect, editor, 2, 4, 62, 4, strip, {0, 0});
        readout = new CParamDisplay(kReadoutRect);
        readout->setBackColor(kFill);
        for (CView* view : std::initializer_list<CView*>{slider, buttons, readout}) frame->addView(view);
        for (CBitmap* bitmap : {track, handle, strip}) bitmap->forget();
        frame->idle();
        editor->presented().clear();
    }

    void mouse(PlatformEvent::Type type, int32_t x, int32_t y, int32_t held = kLButton) {
        PlatformEvent event{type};
        event.where = {x, y};
        event.buttons = held;
        frame->handleEvent(event);
    }
    void click(int32_t x, int32_t y, int32_t held = kLButton) {
        mouse(PlatformEvent::kMouseDown, x, y, held);
        mouse(PlatformEvent::kMouseUp, x, y, held);
    }
    bool key(unsigned char virt, unsigned char modifier = 0) {
        VstKeyCode code{0, virt, modifier};
        return editor->onKeyDown(code);
    }
    size_t count(int32_t opcode) const {
        size_t n = 0;
        for (const HostCall& call : host.calls) n += call.opcode == opcode;
        return n;
    }
    // The opcodes of the edit brackets, in order.
    std::vector<int32_t> brackets() const {
        std::vector<int32_t> result;
        for (const HostCall& call : host.calls)
            if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit)
                result.push_back(call.opcode);
        return result;
    }
    int32_t handleTopFor(float value) const { return 150 + (int32_t)(kTravel * (1.0f - value)); }
    // True when the handle is drawn with its top on this row.
    bool handleAt(int32_t top) const {
        CBitmap* handle = new CBitmap(103);
        bool same = true;
        for (int y = 0; y < handle->getHeight() && same; y++)
            for (int x = 0; x < handle->getWidth() && same; x++)
                same = pixelAt(*frame, kHandleLeft + x, top + y) == opaquePixel(*handle, x, y);
        handle->forget();
        return same;
    }
    int32_t shownImage() const {
        CBitmap* strip = new CBitmap(104);
        int32_t shown = -1;
        for (int32_t image = 0; image < 4 && shown < 0; image++) {
            bool same = true;
            for (int y = 0; y < 62 && same; y += 3)
                for (int x = 0; x < 313 && same; x += 3)
                    same = pixelAt(*frame, 395 + x, 150 + y) == opaquePixel(*strip, x, image * 62 + y);
            if (same) shown = image;
        }
        strip->forget();
        return shown;
    }
    int32_t zoneCentre(int32_t zone) const { return 395 + (int32_t)(kZoneWidth * (zone + 0.5f)); }

    HostLog host;
    std::unique_ptr<ToolkitEffect> effect;
    ToolkitEditor* editor = nullptr;
    CFrame* frame = nullptr;
    CVerticalSlider* slider = nullptr;
    CHorizontalSwitch* buttons = nullptr;
    CParamDisplay* readout = nullptr;
};

TEST_F(ToolkitTest, SliderHandleRowFollowsTheValue) {
    for (float value : {0.0f, 0.5f, 1.0f, 0.25f}) {
        slider->setValue(value);
        frame->idle();
        EXPECT_TRUE(handleAt(handleTopFor(value))) << value;
    }
    EXPECT_EQ(handleTopFor(0.0f), 437);
    EXPECT_EQ(handleTopFor(0.5f), 293);
    EXPECT_EQ(handleTopFor(1.0f), 150);
}

TEST_F(ToolkitTest, SliderValuesOutsideTheRangeDrawAtTheEnds) {
    const std::pair<float, int32_t> cases[] = {
        {2.0f, 150}, {-1.0f, 437}, {NAN, 437}, {INFINITY, 150}};
    for (auto [value, top] : cases) {
        slider->setValue(value);
        frame->idle();
        EXPECT_TRUE(handleAt(top)) << value;
    }
}

TEST_F(ToolkitTest, ClickPutsTheHandleCentreUnderThePointerInOneGesture) {
    constexpr int32_t kRow = 300;
    mouse(PlatformEvent::kMouseDown, 90, kRow);
    EXPECT_EQ(brackets(), std::vector<int32_t>{audioMasterBeginEdit});
    mouse(PlatformEvent::kMouseUp, 90, kRow);
    EXPECT_EQ(brackets(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
    ASSERT_EQ(editor->changes.size(), 1u);
    EXPECT_EQ(editor->changes[0].first, 0);
    frame->idle();
    int32_t top = handleTopFor(slider->getValue());
    EXPECT_TRUE(handleAt(top));
    EXPECT_NEAR(top + kHandleHeight / 2.0, kRow, 1.0);
}

TEST_F(ToolkitTest, ClicksBeyondTheTravelGiveTheEnds) {
    click(90, 151);
    EXPECT_EQ(slider->getValue(), 1.0f);
    click(90, 472);
    EXPECT_EQ(slider->getValue(), 0.0f);
}

TEST_F(ToolkitTest, DragFollowsThePointerAndReportsEachChange) {
    mouse(PlatformEvent::kMouseDown, 90, 300);
    mouse(PlatformEvent::kMouseMove, 90, 250);
    mouse(PlatformEvent::kMouseMove, 90, 250);  // no change, no report
    mouse(PlatformEvent::kMouseMove, 90, 50);   // far above: the top
    mouse(PlatformEvent::kMouseUp, 90, 50);
    ASSERT_EQ(editor->changes.size(), 3u);
    EXPECT_NEAR(editor->changes[1].second, 1.0f - (250 - 150 - 17.5f) / kTravel, 1e-6);
    EXPECT_EQ(editor->changes[2].second, 1.0f);
    EXPECT_EQ(brackets(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
}

TEST_F(ToolkitTest, ShiftDragMovesTheValueATenthAsFast) {
    mouse(PlatformEvent::kMouseDown, 90, 300);
    float start = slider->getValue();
    mouse(PlatformEvent::kMouseMove, 90, 200, kLButton | kShift);
    EXPECT_NEAR(slider->getValue() - start, 100.0f / kTravel / 10.0f, 1e-6);
    mouse(PlatformEvent::kMouseUp, 90, 200, kLButton | kShift);
}

TEST_F(ToolkitTest, CtrlClickSetsTheDefaultInOneGesture) {
    slider->setValue(0.1f);
    buttons->setValue(1.0f);
    click(90, 200, kLButton | kControl);
    click(zoneCentre(2), 180, kLButton | kControl);
    EXPECT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(buttons->getValue(), 0.0f);
    ASSERT_EQ(editor->changes.size(), 2u);
    EXPECT_EQ(brackets(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit,
                                                audioMasterBeginEdit, audioMasterEndEdit}));
    // Ctrl with Shift is not the default click.
    click(90, 200, kLButton | kControl | kShift);
    EXPECT_NE(slider->getValue(), 0.5f);
}

TEST_F(ToolkitTest, ArrowKeysStepTheFocusedSlider) {
    EXPECT_FALSE(key(VKEY_UP));  // nothing has the focus yet
    click(90, 293 + 17);         // focus, value near 0.5
    slider->setValue(0.5f);
    host.calls.clear();
    editor->changes.clear();
    const std::pair<unsigned char, unsigned char> presses[] = {
        {VKEY_UP, 0}, {VKEY_RIGHT, 0}, {VKEY_DOWN, MODIFIER_SHIFT}, {VKEY_LEFT, 0}};
    float expected[] = {0.5f + 0.1f, 0.5f + 0.1f + 0.1f, 0.5f + 0.1f + 0.1f - 0.01f,
                        0.5f + 0.1f + 0.1f - 0.01f - 0.1f};
    for (int i = 0; i < 4; i++) {
        EXPECT_TRUE(key(presses[i].first, presses[i].second));
        EXPECT_EQ(slider->getValue(), expected[i]) << i;
    }
    EXPECT_EQ(editor->changes.size(), 4u);
    EXPECT_EQ(count(audioMasterBeginEdit), 4u);
    EXPECT_EQ(count(audioMasterEndEdit), 4u);
    EXPECT_FALSE(key(0));  // not an arrow
    for (int i = 0; i < 20; i++) key(VKEY_UP);
    EXPECT_EQ(slider->getValue(), 1.0f);
    click(zoneCentre(0), 180);  // the switch takes the focus; it has no keys
    EXPECT_FALSE(key(VKEY_UP));
}

TEST_F(ToolkitTest, SwitchZonesGivePositionValues) {
    for (int32_t zone = 0; zone < 4; zone++) {
        click(zoneCentre(zone), 180);
        EXPECT_EQ(buttons->getValue(), (float)zone / 3.0f) << zone;
    }
    EXPECT_EQ((float)1 / 3.0f, 0.33333334f);
    click(kSwitchRect.right - 1, 180);
    EXPECT_EQ(buttons->getValue(), 1.0f);
}

TEST_F(ToolkitTest, SwitchDragReportsEachNewPositionWhileHeld) {
    mouse(PlatformEvent::kMouseDown, zoneCentre(0), 180);
    for (int32_t x = zoneCentre(0); x <= zoneCentre(3); x += 5)
        mouse(PlatformEvent::kMouseMove, x, 180);
    mouse(PlatformEvent::kMouseMove, 2000, 180);  // beyond the strip: the last position
    mouse(PlatformEvent::kMouseUp, 2000, 180);
    std::vector<float> values;
    for (auto& change : editor->changes) values.push_back(change.second);
    EXPECT_EQ(values, (std::vector<float>{0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f}));
    EXPECT_EQ(brackets(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
}

TEST_F(ToolkitTest, SwitchShowsTheNearestImageHalvesRoundingUp) {
    const std::pair<float, int32_t> cases[] = {{0.0f, 0}, {0.4f, 1},  {0.5f, 2}, {1.0f, 3},
                                               {7.0f, 3}, {-2.0f, 0}, {NAN, 0}};
    for (auto [value, image] : cases) {
        buttons->setValue(value);
        frame->idle();
        EXPECT_EQ(shownImage(), image) << value;
    }
}

TEST_F(ToolkitTest, ReadoutIsFilledFramedAndCentred) {
    readout->setValue(0.5f);  // "0.50" with the default conversion
    frame->idle();
    EXPECT_EQ(pixelAt(*frame, kReadoutRect.left, kReadoutRect.top), 0x000000u);
    EXPECT_EQ(pixelAt(*frame, kReadoutRect.right - 1, kReadoutRect.bottom - 1), 0x000000u);
    EXPECT_EQ(pixelAt(*frame, kReadoutRect.left + 2, kReadoutRect.top + 2), 0x3B6EA3u);
    int left = kReadoutRect.right, right = kReadoutRect.left;
    for (int y = kReadoutRect.top + 1; y < kReadoutRect.bottom - 1; y++)
        for (int x = kReadoutRect.left + 1; x < kReadoutRect.right - 1; x++)
            if (pixelAt(*frame, x, y) != 0x3B6EA3u) left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(left, right) << "no text drawn";
    int centre = (kReadoutRect.left + kReadoutRect.right) / 2;
    EXPECT_NEAR((left + right) / 2.0, centre, 2.0);
}

TEST_F(ToolkitTest, ReadoutIgnoresTheMouse) {
    click(97, 505);
    click(97, 505, kLButton | kControl);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(editor->changes.empty());
}

TEST_F(ToolkitTest, IdlePaintsOnlyWhatChanged) {
    frame->idle();
    EXPECT_TRUE(editor->presented().empty());
    slider->setValue(0.3f);
    frame->idle();
    EXPECT_EQ(editor->presented(), std::vector<CRect>{kSliderRect});
    editor->presented().clear();
    slider->setValue(0.3f);  // same value: nothing to paint
    readout->setDirty();
    frame->idle();
    EXPECT_EQ(editor->presented(), std::vector<CRect>{kReadoutRect});
}

TEST_F(ToolkitTest, AnExposeRepaintsItsArea) {
    PlatformEvent expose{PlatformEvent::kExpose};
    expose.area = {0, 0, 10, 10};
    frame->handleEvent(expose);
    frame->idle();
    EXPECT_EQ(editor->presented(), (std::vector<CRect>{{0, 0, 10, 10}}));
}

TEST_F(ToolkitTest, TrackingRepaintsAndLetsTheHostIdleAtMostEvery50Ms) {
    mouse(PlatformEvent::kMouseDown, 90, 300);
    auto start = std::chrono::steady_clock::now();
    mouse(PlatformEvent::kMouseMove, 90, 290);
    EXPECT_EQ(count(audioMasterIdle), 1u);
    EXPECT_FALSE(editor->presented().empty()) << "the drag was not repainted";
    for (int y = 289; y > 200; y--) mouse(PlatformEvent::kMouseMove, 90, y);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_LE(count(audioMasterIdle), 1u + (size_t)(elapsed.count() / 50));
    mouse(PlatformEvent::kMouseUp, 90, 200);
}

TEST_F(ToolkitTest, TheHostGetsIdleTimeOnlyAfterTheEventsAreRead) {
    auto queue = [this](PlatformEvent::Type type, int32_t y) {
        PlatformEvent event{type};
        event.where = {90, y};
        event.buttons = kLButton;
        editor->stub().queued.push_back(event);
    };
    queue(PlatformEvent::kMouseDown, 300);
    queue(PlatformEvent::kMouseMove, 290);
    queue(PlatformEvent::kMouseMove, 280);
    host.closeOnIdle = editor;  // the frame must not be in use when this happens
    editor->idle();
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(editor->changes.size(), 3u) << "not every event was read before the host's idle";
    std::vector<int32_t> opcodes;
    for (const HostCall& call : host.calls) opcodes.push_back(call.opcode);
    // The closing host ends the drag's gesture.
    EXPECT_EQ(opcodes, (std::vector<int32_t>{audioMasterBeginEdit, audioMasterIdle,
                                             audioMasterEndEdit}));
}

TEST_F(ToolkitTest, ClosingDuringADragEndsTheGesture) {
    mouse(PlatformEvent::kMouseDown, 90, 300);
    editor->close();
    EXPECT_EQ(brackets(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
    EXPECT_FALSE(editor->isOpen());
}

TEST_F(ToolkitTest, ModifierAndOtherButtonClicksAreOfferedToTheListenerFirst) {
    editor->takeModifierClicks = 1;
    click(90, 300, kLButton | kShift);
    EXPECT_EQ(editor->offered, std::vector<int32_t>{kLButton | kShift});
    EXPECT_TRUE(editor->changes.empty());
    editor->takeModifierClicks = 0;
    click(90, 300, kRButton);  // offered, declined, and still not a gesture
    EXPECT_EQ(editor->offered.size(), 2u);
    EXPECT_TRUE(editor->changes.empty());
    EXPECT_TRUE(host.calls.empty());
}

}  // namespace
