// The real plug-in's editor in a test host window on the program's private
// X server: opening, pumping, pictures and injected input.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "host/editor_host_window.h"
#include "editor_places.h"
#include "fake_x_input.h"
#include "plugin_fixture.h"

namespace editor_test {

constexpr std::chrono::seconds kTimeout{10};

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
