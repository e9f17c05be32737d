// The real plug-in's editor in a host window: what it shows, how host changes
// reach it, and how it copes with hosts that open, close and destroy in odd
// orders.
#include "editor_x11_fixture.h"
#include "private_x_server.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace editor_test;

namespace {

::testing::Environment* const xServer =
    ::testing::AddGlobalTestEnvironment(new PrivateXServer);

bool near(uint32_t pixel, int r, int g, int b, int tolerance) {
    return std::abs((int)(pixel >> 16) - r) <= tolerance &&
           std::abs((int)(pixel >> 8 & 0xFF) - g) <= tolerance &&
           std::abs((int)(pixel & 0xFF) - b) <= tolerance;
}

// Pixels of a read-out that are neither its fill nor its frame: the text.
int textPixels(const host::Picture& shot, const CRect& readout) {
    int count = 0;
    for (int y = readout.top + 1; y < readout.bottom - 1; y++)
        for (int x = readout.left + 1; x < readout.right - 1; x++)
            count += shot.at(x, y) != 0x3B6EA3u;
    return count;
}

TEST_F(EditorTest, OpensAsOneChildOfTheHostWindowWithTheEditorSize) {
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, kHeight);
    EXPECT_EQ(rect->right, kWidth);
    EXPECT_EQ(openEditor(), 1);
    std::vector<Window> children = parent->children();
    ASSERT_EQ(children.size(), 1u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(parent->getDisplay(), children[0], &attributes));
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_TRUE(waitUntilDrawn());
    plugin->dispatch(effEditClose);
    EXPECT_TRUE(parent->children().empty());
}

TEST_F(EditorTest, BackgroundRunsFromNavyAtTheTopToLightBlueAtTheBottom) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    host::Picture shot = picture();
    EXPECT_TRUE(near(shot.at(400, 12), 18, 39, 104, 6)) << std::hex << shot.at(400, 12);
    EXPECT_TRUE(near(shot.at(370, 637), 143, 174, 203, 6)) << std::hex << shot.at(370, 637);
    // Above the controls, the window is the background picture itself.
    EXPECT_TRUE(shows(shot, {0, 0, kWidth, 150}, 101, {0, 0}));
}

TEST_F(EditorTest, ControlsShowThePluginsValuesWhenOpened) {
    const float values[] = {0.5f, 1.0f, 0.6666667f, 1.0f, 0.5f, 0.5f};
    for (int32_t index = 0; index < 6; index++) plugin->setParameter(index, values[index]);
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    host::Picture shot = picture();
    EXPECT_TRUE(showsHandleAt(shot, kHighSlider, 293));
    EXPECT_TRUE(showsHandleAt(shot, kLowSlider, 150));
    EXPECT_EQ(shownImage(shot, kStrips[0]), 2);  // Snare
    EXPECT_EQ(shownImage(shot, kStrips[1]), 1);  // Detection
    EXPECT_EQ(shownImage(shot, kStrips[2]), 1);  // Snare
    EXPECT_EQ(shownImage(shot, kStrips[3]), 2);  // 39:1
}

TEST_F(EditorTest, EveryStripLightsTheButtonOfEachPosition) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    for (const Strip& strip : kStrips) {
        for (int k = 0; k < strip.positions; k++) {
            plugin->setParameter(strip.tag, (float)k / (float)(strip.positions - 1));
            host::Picture shot = picture();
            EXPECT_EQ(shownImage(shot, strip), k) << "tag " << strip.tag;
            for (int button = 0; button < strip.positions; button++) {
                bool white = shot.at(zoneCentre(strip, button), strip.place.top + 10) == 0xFFFFFFu;
                EXPECT_EQ(white, button == k) << "tag " << strip.tag << " button " << button;
            }
        }
    }
}

TEST_F(EditorTest, ValuesBetweenPositionsShowTheNearestHalvesRoundingUp) {
    ASSERT_EQ(openEditor(), 1);
    plugin->setParameter(2, 0.4f);
    EXPECT_EQ(shownImage(picture(), kStrips[0]), 1);
    plugin->setParameter(2, 0.5f);
    EXPECT_EQ(shownImage(picture(), kStrips[0]), 2);
}

TEST_F(EditorTest, SliderHandlesSitAtTheRowsOfTheirValues) {
    ASSERT_EQ(openEditor(), 1);
    const std::pair<float, int> rows[] = {{0.0f, 437}, {0.5f, 293}, {1.0f, 150}};
    for (auto [value, top] : rows) {
        plugin->setParameter(0, value);
        plugin->setParameter(1, value);
        host::Picture shot = picture();
        EXPECT_TRUE(showsHandleAt(shot, kHighSlider, top)) << value;
        EXPECT_TRUE(showsHandleAt(shot, kLowSlider, top)) << value;
        EXPECT_EQ(handleTop(kHighSlider, value), top);
    }
}

TEST_F(EditorTest, ReadoutsShowTheirLevelsAsCentredText) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    host::Picture full = picture();
    for (const CRect& readout : {kHighReadout, kLowReadout}) {
        EXPECT_EQ(full.at(readout.left, readout.top), 0x000000u);
        EXPECT_EQ(full.at(readout.right - 1, readout.bottom - 1), 0x000000u);
        EXPECT_EQ(full.at(readout.left + 2, readout.top + 2), 0x3B6EA3u);
        EXPECT_GT(textPixels(full, readout), 20);
    }
    // 0.000 dB and -20.000 dB: different texts in the same styling.
    EXPECT_NE(textPixels(full, kHighReadout), textPixels(full, kLowReadout));
    plugin->setParameter(0, 0.5f);
    plugin->setParameter(1, 0.0f);  // -inf dB
    host::Picture changed = picture();
    EXPECT_FALSE(samePixels(full, changed, kHighReadout));
    EXPECT_FALSE(samePixels(full, changed, kLowReadout));
    EXPECT_GT(textPixels(changed, kLowReadout), 20);
}

TEST_F(EditorTest, HostChangesShowAtIdleAndAreNotSentBack) {
    ASSERT_EQ(openEditor(), 1);
    plugin->clearRecords();
    plugin->setParameter(2, 1.0f);
    plugin->setParameter(0, 0.25f);
    host::Picture shot = picture();
    EXPECT_EQ(shownImage(shot, kStrips[0]), 3);
    EXPECT_TRUE(showsHandleAt(shot, kHighSlider, handleTop(kHighSlider, 0.25f)));
    EXPECT_EQ(count(audioMasterAutomate), 0u);
    EXPECT_EQ(count(audioMasterBeginEdit), 0u);
}

TEST_F(EditorTest, HostChangesWhileClosedShowAtTheNextOpen) {
    ASSERT_EQ(openEditor(), 1);
    plugin->dispatch(effEditClose);
    // The editor's controls are gone now; these must not reach them.
    plugin->setParameter(5, 0.5f);
    plugin->setParameter(0, 0.25f);
    plugin->dispatch(effEditIdle);
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    host::Picture shot = picture();
    EXPECT_EQ(shownImage(shot, kStrips[3]), 2);
    EXPECT_TRUE(showsHandleAt(shot, kHighSlider, handleTop(kHighSlider, 0.25f)));
}

TEST_F(EditorTest, ChangesFromAnotherThreadShowAtTheNextIdle) {
    ASSERT_EQ(openEditor(), 1);
    std::atomic<bool> done{false};
    std::thread automation([this, &done] {
        for (int i = 0; i < 5000; i++) {
            plugin->setParameter(2, (float)(i % 4) / 3.0f);
            plugin->setParameter(0, (float)(i % 100) / 100.0f);
        }
        plugin->setParameter(2, 1.0f / 3.0f);
        plugin->setParameter(0, 0.75f);
        done = true;
    });
    while (!done) plugin->dispatch(effEditIdle);
    automation.join();
    host::Picture shot = picture();
    EXPECT_EQ(shownImage(shot, kStrips[0]), 1);
    EXPECT_TRUE(showsHandleAt(shot, kHighSlider, handleTop(kHighSlider, 0.75f)));
}

TEST_F(EditorTest, ToleratesIdleKeysAndCloseWithoutOpen) {
    EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(effEditClose), 0);
    EXPECT_EQ(plugin->dispatch(effEditClose), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 0, VKEY_UP), 0);
    EXPECT_EQ(openEditor(), 1);
    EXPECT_TRUE(waitUntilDrawn());
}

TEST_F(EditorTest, OpeningTwiceKeepsOneWindow) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_EQ(openEditor(), 1);
    EXPECT_EQ(parent->children().size(), 1u);
    EXPECT_TRUE(waitUntilDrawn());
    plugin->dispatch(effEditClose);
    EXPECT_TRUE(parent->children().empty());
}

TEST_F(EditorTest, RefusesANullOrUnknownParentWindow) {
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
    plugin->dispatch(effEditIdle);
    void* stale = reinterpret_cast<void*>(uintptr_t{0x3FFFFF0});
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, stale), 0);
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    EXPECT_EQ(openEditor(), 1);
    EXPECT_TRUE(waitUntilDrawn());
}

TEST_F(EditorTest, RefusesToOpenWithoutAnXServer) {
    std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(openEditor(), 0);
    setenv("DISPLAY", display.c_str(), 1);
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    EXPECT_EQ(openEditor(), 1);
}

TEST_F(EditorTest, SurvivesTheHostDestroyingItsWindowFirst) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    parent.reset();
    plugin->setParameter(2, 1.0f);
    for (int i = 0; i < 5; i++) plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    parent = std::make_unique<host::EditorHostWindow>(kWidth, kHeight, "second host window");
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
    EXPECT_EQ(shownImage(picture(), kStrips[0]), 3);
}

TEST_F(EditorTest, ClosingThePluginWithItsEditorOpenRemovesTheWindow) {
    ASSERT_EQ(openEditor(), 1);
    plugin->close();
    EXPECT_TRUE(parent->children().empty());
}

TEST_F(EditorTest, TwoInstancesKeepTheirOwnWindows) {
    auto other = newInstance();
    host::EditorHostWindow otherParent(kWidth, kHeight, "second instance", kWidth + 50, 0);
    ASSERT_EQ(openEditor(), 1);
    ASSERT_EQ(other->dispatch(effEditOpen, 0, 0, otherParent.parentHandle()), 1);
    other->setParameter(3, 1.0f);
    other->dispatch(effEditClose);
    plugin->setParameter(3, 1.0f);
    ASSERT_TRUE(waitUntilDrawn());
    EXPECT_EQ(shownImage(picture(), kStrips[1]), 1);
    EXPECT_EQ(parent->children().size(), 1u);
}

TEST_F(EditorTest, ManyOpenCloseCycles) {
    const char* requested = std::getenv("TAMBORO_EDITOR_CYCLES");
    int cycles = requested ? std::atoi(requested) : 40;
    for (int i = 0; i < cycles; i++) {
        ASSERT_EQ(openEditor(), 1) << "cycle " << i;
        plugin->setParameter(2, (float)(i % 4) / 3.0f);
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
        ASSERT_TRUE(parent->children().empty()) << "cycle " << i;
    }
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(waitUntilDrawn());
}

TEST(EditorPreview, WritesAScreenshotOfTheDrawnEditor) {
    std::string png = ::testing::TempDir() + "tamboro_editor_preview.png";
    std::remove(png.c_str());
    std::string command = std::string(TAMBORO_EDITOR_PREVIEW) + " --set 2=1 --screenshot " + png;
    ASSERT_EQ(std::system(command.c_str()), 0);
    cairo_surface_t* shot = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(shot), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(shot), kWidth);
    EXPECT_EQ(cairo_image_surface_get_height(shot), kHeight);
    const unsigned char* row = cairo_image_surface_get_data(shot) +
                               (size_t)160 * (size_t)cairo_image_surface_get_stride(shot);
    uint32_t litButton = reinterpret_cast<const uint32_t*>(row)[zoneCentre(kStrips[0], 3)];
    EXPECT_EQ(litButton & 0xFFFFFFu, 0xFFFFFFu) << "Hi Hat is not lit";
    cairo_surface_destroy(shot);
    std::remove(png.c_str());
}

TEST(EditorPreview, RefusesAMalformedSetting) {
    std::string command = std::string(TAMBORO_EDITOR_PREVIEW) + " --set 2 --screenshot /dev/null 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}

}  // namespace
