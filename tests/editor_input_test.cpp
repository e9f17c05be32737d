// The user's mouse and keys on the real editor, injected through XTest: what
// the plug-in stores, what the host is told, and how the threshold controls
// follow each other when a ratio is selected.
#include "editor_x11_fixture.h"
#include "private_x_server.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <utility>

using namespace editor_test;

namespace {

::testing::Environment* const xServer =
    ::testing::AddGlobalTestEnvironment(new PrivateXServer);

constexpr int kSliderColumn = 97;  // the high slider's middle; the low one is 164 further
constexpr int kLowColumn = kSliderColumn + 164;

struct Edit {
    int32_t opcode;
    int32_t index;
    float value;
    bool operator==(const Edit& e) const {
        return opcode == e.opcode && index == e.index && value == e.value;
    }
};

std::ostream& operator<<(std::ostream& out, const Edit& e) {
    return out << "{" << e.opcode << ", " << e.index << ", " << e.value << "}";
}

class InputTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_EQ(openEditor(), 1);
        ASSERT_TRUE(waitUntilDrawn());
        input = std::make_unique<FakeInput>(*parent);
        plugin->clearRecords();
    }
    void TearDown() override {
        input.reset();
        EditorTest::TearDown();
    }

    // Begin, automate and end calls the host has seen, in order.
    std::vector<Edit> edits() const {
        std::vector<Edit> result;
        for (const host::CallbackRecord& call : plugin->calls()) {
            if (call.opcode == audioMasterAutomate)
                result.push_back({call.opcode, call.index, call.opt});
            else if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit)
                result.push_back({call.opcode, call.index, 0.0f});
        }
        return result;
    }
    // The last value automated for index.
    float lastAutomated(int32_t index) const {
        float value = -1.0f;
        for (const Edit& edit : edits())
            if (edit.opcode == audioMasterAutomate && edit.index == index) value = edit.value;
        return value;
    }
    // Idles until the host has seen this many gestures end.
    bool gesturesEnded(size_t total) {
        return idleUntil([&] { return count(audioMasterEndEdit) >= total; });
    }
    // One click, waited for.
    void clickAt(int x, int y) {
        size_t ended = count(audioMasterEndEdit);
        input->click(x, y);
        ASSERT_TRUE(gesturesEnded(ended + 1)) << "no gesture at " << x << ", " << y;
    }
    void keyAndWait(unsigned long keysym) {
        size_t ended = count(audioMasterEndEdit);
        input->tapKey(keysym);
        ASSERT_TRUE(gesturesEnded(ended + 1));
    }

    std::unique_ptr<FakeInput> input;
};

TEST_F(InputTest, ClickingEachButtonAutomatesItsPositionValue) {
    for (const Strip& strip : kStrips) {
        for (int k = 0; k < strip.positions; k++) {
            plugin->clearRecords();
            clickAt(zoneCentre(strip, k), strip.place.top + 31);
            float value = (float)k / (float)(strip.positions - 1);
            EXPECT_EQ(edits(), (std::vector<Edit>{{audioMasterBeginEdit, strip.tag, 0.0f},
                                                  {audioMasterAutomate, strip.tag, value},
                                                  {audioMasterEndEdit, strip.tag, 0.0f}}));
            EXPECT_EQ(plugin->getParameter(strip.tag), value);
            EXPECT_EQ(shownImage(picture(), strip), k) << "tag " << strip.tag;
        }
    }
    EXPECT_EQ(plugin->getParameter(2), 1.0f);
    EXPECT_EQ((float)1 / 3.0f, 0.33333334f);
}

TEST_F(InputTest, DraggingASliderAutomatesEveryStepInOneGesture) {
    input->moveTo(kSliderColumn, rowForValue(kHighSlider, 1.0f));
    input->press();
    for (int y = 200; y <= 350; y += 50) input->moveTo(kSliderColumn, y);
    input->release();
    ASSERT_TRUE(gesturesEnded(1));
    std::vector<Edit> seen = edits();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), (Edit{audioMasterBeginEdit, 0, 0.0f}));
    EXPECT_EQ(seen.back(), (Edit{audioMasterEndEdit, 0, 0.0f}));
    for (size_t i = 1; i + 1 < seen.size(); i++) {
        EXPECT_EQ(seen[i].opcode, audioMasterAutomate);
        EXPECT_EQ(seen[i].index, 0);
        if (i > 1) {
            EXPECT_LT(seen[i].value, seen[i - 1].value);
        }
    }
    float last = seen[seen.size() - 2].value;
    EXPECT_NEAR(last, 1.0f - (350 - 150 - 17.5f) / kTravel, 1e-6);
    EXPECT_EQ(plugin->getParameter(0), last);
    EXPECT_GE(count(audioMasterIdle), 1u) << "the drag never let the host idle";
    EXPECT_TRUE(showsHandleAt(picture(), kHighSlider, handleTop(kHighSlider, last)));
}

TEST_F(InputTest, ShiftDragMovesATenthAsFast) {
    input->moveTo(kSliderColumn, 310);
    input->press();
    ASSERT_TRUE(idleUntil([&] { return count(audioMasterAutomate) == 1; }));
    float start = lastAutomated(0);
    input->holdKey(XK_Shift_L);
    input->moveTo(kSliderColumn, 210);
    input->release();
    input->releaseKey(XK_Shift_L);
    ASSERT_TRUE(gesturesEnded(1));
    EXPECT_NEAR(lastAutomated(0) - start, 100.0f / kTravel / 10.0f, 1e-5);
}

TEST_F(InputTest, CtrlClickSetsDefaults) {
    plugin->setParameter(0, 0.1f);
    plugin->setParameter(2, 1.0f);
    input->holdKey(XK_Control_L);
    clickAt(kSliderColumn, 400);
    clickAt(zoneCentre(kStrips[0], 2), 180);
    input->releaseKey(XK_Control_L);
    EXPECT_EQ(edits(), (std::vector<Edit>{{audioMasterBeginEdit, 0, 0.0f},
                                          {audioMasterAutomate, 0, 0.5f},
                                          {audioMasterEndEdit, 0, 0.0f},
                                          {audioMasterBeginEdit, 2, 0.0f},
                                          {audioMasterAutomate, 2, 0.0f},
                                          {audioMasterEndEdit, 2, 0.0f}}));
    host::Picture shot = picture();
    EXPECT_TRUE(showsHandleAt(shot, kHighSlider, 293));
    EXPECT_EQ(shownImage(shot, kStrips[0]), 0);
}

TEST_F(InputTest, ArrowKeysMoveTheFocusedSliderByATenthOrAHundredth) {
    clickAt(kLowColumn, rowForValue(kLowSlider, 0.5f));  // focus
    float value = lastAutomated(1);
    keyAndWait(XK_Up);
    EXPECT_EQ(lastAutomated(1), value + 0.1f);
    value += 0.1f;
    input->holdKey(XK_Shift_L);
    keyAndWait(XK_Down);
    input->releaseKey(XK_Shift_L);
    EXPECT_EQ(lastAutomated(1), value - 0.01f);
    value -= 0.01f;
    keyAndWait(XK_Left);
    EXPECT_EQ(lastAutomated(1), value - 0.1f);
    value -= 0.1f;
    EXPECT_EQ(count(audioMasterBeginEdit), 4u);
    EXPECT_EQ(plugin->getParameter(1), value);
    // The same keys passed on by a host.
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 0, VKEY_RIGHT, nullptr, 0.0f), 1);
    EXPECT_EQ(lastAutomated(1), value + 0.1f);
    value += 0.1f;
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, (float)MODIFIER_SHIFT), 1);
    EXPECT_EQ(lastAutomated(1), value + 0.01f);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
}

TEST_F(InputTest, KeysTheEditorDoesNotUseGoToTheHostWindow) {
    XSelectInput(parent->getDisplay(), parent->getWindow(), StructureNotifyMask | KeyPressMask);
    XSync(parent->getDisplay(), False);
    input->moveTo(400, 300);
    input->tapKey(XK_a);
    XEvent event;
    bool passedOn = idleUntil([&] {
        return XCheckTypedWindowEvent(parent->getDisplay(), parent->getWindow(), KeyPress, &event);
    });
    ASSERT_TRUE(passedOn);
    EXPECT_TRUE(event.xkey.send_event);
}

TEST_F(InputTest, ClosingDuringADragStillEndsTheGesture) {
    input->moveTo(kSliderColumn, 300);
    input->press();
    ASSERT_TRUE(idleUntil([&] { return count(audioMasterBeginEdit) == 1; }));
    plugin->dispatch(effEditClose);
    EXPECT_EQ(count(audioMasterEndEdit), 1u);
    input->release();
    plugin->dispatch(effEditIdle);
    EXPECT_EQ(count(audioMasterEndEdit), 1u);
}

TEST_F(InputTest, DestroyingThePluginDuringADragStillEndsTheGesture) {
    input->moveTo(kSliderColumn, 300);
    input->press();
    ASSERT_TRUE(idleUntil([&] { return count(audioMasterBeginEdit) == 1; }));
    plugin->close();
    EXPECT_EQ(count(audioMasterEndEdit), 1u);
}

TEST_F(InputTest, WithoutARatioTheLowControlsFollowTheUserAndIgnoreTheHighSlider) {
    host::Picture before = picture();
    clickAt(kLowColumn, rowForValue(kLowSlider, 0.5f));
    float low = lastAutomated(1);
    EXPECT_EQ(plugin->getParameter(1), low);
    host::Picture afterLow = picture();
    EXPECT_TRUE(showsHandleAt(afterLow, kLowSlider, handleTop(kLowSlider, low)));
    EXPECT_FALSE(samePixels(before, afterLow, kLowReadout));

    clickAt(kSliderColumn, rowForValue(kHighSlider, 0.5f));
    host::Picture afterHigh = picture();
    EXPECT_FALSE(samePixels(afterLow, afterHigh, kHighReadout));
    EXPECT_TRUE(samePixels(afterLow, afterHigh, kLowReadout));
    EXPECT_TRUE(samePixels(afterLow, afterHigh, kLowSlider));
}

TEST_F(InputTest, WithARatioTheLowSliderShowsTheDerivedValueAndItsReadoutWaits) {
    clickAt(zoneCentre(kStrips[3], 1), kStrips[3].place.top + 31);  // 19:1
    EXPECT_EQ(lastAutomated(5), 0.25f);
    plugin->setParameter(6, 19.0f);  // the divisor the processing would have set
    host::Picture before = picture();

    clickAt(kLowColumn, rowForValue(kLowSlider, 0.5f));
    float derived = (float)(1.0 / 19.0);
    EXPECT_NEAR(lastAutomated(1), 0.5f, 0.01f) << "the host hears the user's value";
    EXPECT_EQ(plugin->getParameter(1), derived);
    host::Picture afterLow = picture();
    EXPECT_TRUE(showsHandleAt(afterLow, kLowSlider, handleTop(kLowSlider, derived)));
    EXPECT_TRUE(samePixels(before, afterLow, kLowReadout));

    // A High Threshold change brings the low read-out to the stored value.
    clickAt(kSliderColumn, rowForValue(kHighSlider, 0.5f));
    host::Picture afterHigh = picture();
    EXPECT_FALSE(samePixels(afterLow, afterHigh, kLowReadout));
    EXPECT_TRUE(showsHandleAt(afterHigh, kLowSlider, handleTop(kLowSlider, derived)));
}

TEST_F(InputTest, ARatioChangeAloneRepaintsOnlyTheRatioSwitch) {
    host::Picture before = picture();
    clickAt(zoneCentre(kStrips[3], 2), kStrips[3].place.top + 31);  // 39:1
    EXPECT_EQ(lastAutomated(5), 0.5f);
    host::Picture after = picture();
    EXPECT_EQ(shownImage(after, kStrips[3]), 2);
    const CRect& ratio = kStrips[3].place;
    const CRect rest[] = {{0, 0, kWidth, ratio.top},
                          {0, ratio.top, ratio.left, kHeight},
                          {ratio.right, ratio.top, kWidth, kHeight},
                          {ratio.left, ratio.bottom, ratio.right, kHeight}};
    for (const CRect& area : rest) EXPECT_TRUE(samePixels(before, after, area));
}

}  // namespace
