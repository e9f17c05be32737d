#include <gtest/gtest.h>

#include "fake_x_input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace editor_test {

FakeInput::FakeInput(const host::EditorHostWindow& host)
    : display(host.getDisplay()), window(host.getWindow()) {
    int event, error, major, minor;
    EXPECT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor));
}

FakeInput::~FakeInput() {
    if (buttonHeld) release();
    while (!keysHeld.empty()) releaseKey(keysHeld.back());
}

void FakeInput::moveTo(int x, int y) {
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XSync(display, False);
}

void FakeInput::press() {
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XSync(display, False);
    buttonHeld = true;
}

void FakeInput::release() {
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
    buttonHeld = false;
}

void FakeInput::holdKey(unsigned long keysym) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), True, CurrentTime);
    XSync(display, False);
    keysHeld.push_back(keysym);
}

void FakeInput::releaseKey(unsigned long keysym) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), False, CurrentTime);
    XSync(display, False);
    keysHeld.erase(std::remove(keysHeld.begin(), keysHeld.end(), keysym), keysHeld.end());
}

void FakeInput::tapKey(unsigned long keysym) {
    holdKey(keysym);
    releaseKey(keysym);
}

void FakeInput::click(int x, int y) {
    moveTo(x, y);
    press();
    release();
}

}  // namespace editor_test
