// Mouse and key events injected into a test program's private X server.
#pragma once

#include <vector>

#include "host/editor_host_window.h"

namespace editor_test {

// Mouse and keys through the XTest extension, in the host window's
// coordinates. Buttons and keys still held are let go at the end.
class FakeInput {
public:
    explicit FakeInput(const host::EditorHostWindow& window);
    ~FakeInput();
    void moveTo(int x, int y);
    void press();
    void release();
    void holdKey(unsigned long keysym);
    void releaseKey(unsigned long keysym);
    void tapKey(unsigned long keysym);
    void click(int x, int y);

private:
    _XDisplay* display;
    host::XWindowId window;
    bool buttonHeld = false;
    std::vector<unsigned long> keysHeld;
};

}  // namespace editor_test
