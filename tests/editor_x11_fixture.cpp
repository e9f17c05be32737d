#include "editor_x11_fixture.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "toolkit/bitmap.h"

namespace editor_test {

namespace {

constexpr std::chrono::milliseconds kPollPeriod{2};
constexpr int kImageHeight = 62;

// A bitmap pixel as the opaque drawing shows it, 0xRRGGBB.
uint32_t opaquePixel(const CBitmap& bitmap, int x, int y) {
    uint32_t argb = bitmap.getPixels()[(size_t)y * (size_t)bitmap.getWidth() + (size_t)x];
    return argb == 0 ? 0xFFFFFFu : argb & 0xFFFFFFu;
}

}  // namespace

void EditorTest::SetUp() {
    plugin = newInstance();
    ASSERT_TRUE(plugin);
    parent = std::make_unique<host::EditorHostWindow>(kWidth, kHeight, "editor test host");
    ASSERT_TRUE(parent->isOpen()) << "no X server at DISPLAY";
}

void EditorTest::TearDown() {
    plugin.reset();
    parent.reset();
}

intptr_t EditorTest::openEditor() {
    return plugin->dispatch(effEditOpen, 0, 0, parent->parentHandle());
}

bool EditorTest::idleUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        plugin->dispatch(effEditIdle);
        if (done()) return true;
        std::this_thread::sleep_for(kPollPeriod);
    }
    return false;
}

bool EditorTest::waitUntilDrawn() {
    return idleUntil([this] {
        host::Picture shot = parent->capture();
        return shows(shot, {0, 0, 20, 20}, 101, {0, 0}) &&
               shows(shot, {kWidth - 20, kHeight - 20, kWidth, kHeight}, 101,
                     {kWidth - 20, kHeight - 20});
    });
}

host::Picture EditorTest::picture() {
    plugin->dispatch(effEditIdle);
    return parent->capture();
}

bool EditorTest::shows(const host::Picture& shot, const CRect& place, int32_t bitmapId,
                       CPoint source) const {
    CBitmap* bitmap = new CBitmap(bitmapId);
    bool same = !shot.pixels.empty() && source.x + place.width() <= bitmap->getWidth() &&
                source.y + place.height() <= bitmap->getHeight();
    for (int y = 0; y < place.height() && same; y++)
        for (int x = 0; x < place.width() && same; x++)
            same = shot.at(place.left + x, place.top + y) ==
                   opaquePixel(*bitmap, source.x + x, source.y + y);
    bitmap->forget();
    return same;
}

bool EditorTest::showsHandleAt(const host::Picture& shot, const CRect& slider, int top) const {
    return shows(shot, rectOfSize({slider.left + kHandleOffsetX, top}, 25, kHandleHeight), 103,
                 {0, 0});
}

int EditorTest::shownImage(const host::Picture& shot, const Strip& strip) const {
    for (int k = 0; k < strip.positions; k++)
        if (shows(shot, strip.place, strip.bitmap, {0, k * kImageHeight})) return k;
    return -1;
}

bool EditorTest::samePixels(const host::Picture& a, const host::Picture& b, const CRect& area) {
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            if (a.at(x, y) != b.at(x, y)) return false;
    return true;
}

}  // namespace editor_test
