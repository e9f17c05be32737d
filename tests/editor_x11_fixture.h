// The real plug-in's editor in a test host window on the program's private
// X server: opening, pumping, pictures and injected input.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "host/editor_host_window.h"
#include "fake_x_input.h"
#include "plugin_fixture.h"
#include "shell/product_facts.h"
#include "toolkit/geometry.h"

namespace editor_test {

constexpr int kWidth = plugin_info::kEditorWidth;
constexpr int kHeight = plugin_info::kEditorHeight;
constexpr std::chrono::seconds kTimeout{10};

// Where the editor puts things, in window coordinates.
constexpr CRect kHighSlider{65, 150, 129, 473};
constexpr CRect kLowSlider{229, 150, 293, 473};
constexpr CRect kHighReadout{62, 495, 132, 515};
constexpr CRect kLowReadout{226, 495, 296, 515};
constexpr int kHandleOffsetX = 19;
constexpr int kHandleHeight = 35;
constexpr int kTravel = 287;

struct Strip {
    int32_t tag;
    int32_t bitmap;
    CRect place;
    int32_t positions;
};
constexpr Strip kStrips[] = {
    {2, 104, {395, 150, 708, 212}, 4},
    {3, 105, {395, 270, 625, 332}, 2},
    {4, 106, {395, 395, 626, 457}, 3},
    {5, 107, {395, 520, 708, 582}, 5},
};

// The row of the handle's top for a slider value.
int handleTop(const CRect& slider, float value);
// The window row that puts the handle's centre at value (the inverse of a click).
int rowForValue(const CRect& slider, float value);
// The x in the middle of position k's click zone.
int zoneCentre(const Strip& strip, int k);

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    intptr_t openEditor();
    // Idles the editor until it has painted itself; false on timeout.
    bool waitUntilDrawn();
    // Idles the editor until done() holds; false on timeout.
    bool idleUntil(const std::function<bool()>& done);
    host::Picture picture();

    // Does the window show this part of a bitmap resource at place?
    bool shows(const host::Picture& shot, const CRect& place, int32_t bitmap, CPoint source) const;
    bool showsHandleAt(const host::Picture& shot, const CRect& slider, int top) const;
    // The image a strip shows, -1 for none of them.
    int shownImage(const host::Picture& shot, const Strip& strip) const;
    static bool samePixels(const host::Picture& a, const host::Picture& b, const CRect& area);

    size_t count(int32_t opcode) const { return plugin->countCalls(opcode); }

    std::unique_ptr<host::Instance> plugin;
    std::unique_ptr<host::EditorHostWindow> parent;
};

}  // namespace editor_test
