// Both plug-ins' editors in a Win32 host window, driven through the plug-in
// library only: what they show against the Linux build's screenshots of the
// same state, and the mouse and keys as the window's messages (posted, as a
// host's message loop would hand them over).
#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor_places.h"
#include "plugin_fixture.h"
#include "tests/transcriber_plugin_support.h"
#include "transcriber_editor/transcriber_editor_layout.h"

namespace {

using namespace editor_test;
namespace layout = transcriber_editor_layout;

constexpr auto kTimeout = std::chrono::seconds(10);
constexpr auto kPollPeriod = std::chrono::milliseconds(2);
// Text goes through GDI here and through cairo on Linux (and on Windows a
// system font stands in for the Linux one): the text in a box must cover
// about the same pixels, its edges within a few pixels of the Linux ones.
constexpr int kTextShift = 2;
constexpr double kInkTolerance = 0.4;
constexpr wchar_t kHostClass[] = L"TamboroTestHost";

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB
    uint32_t at(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
};

// The Linux build's screenshot, written by the test setup (see windows_editor.cmake).
Picture linuxScreenshot(const char* name) {
    std::string path = std::string(TAMBORO_LINUX_SCREENSHOTS) + "/" + name;
    std::wstring widePath(path.begin(), path.end());
    Picture picture;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(widePath.c_str(), &bitmap) != Gdiplus::Ok)
        return picture;
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
    Gdiplus::GpRect all(0, 0, (INT)width, (INT)height);
    Gdiplus::BitmapData data{};
    if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead,
                                                PixelFormat32bppRGB, &data) == Gdiplus::Ok) {
        picture.width = (int)width;
        picture.height = (int)height;
        for (UINT y = 0; y < height; y++) {
            const char* start = static_cast<const char*>(data.Scan0) + y * data.Stride;
            auto* row = reinterpret_cast<const uint32_t*>(start);
            for (UINT x = 0; x < width; x++) picture.pixels.push_back(row[x] & 0xFFFFFFu);
        }
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return picture;
}

// The host's side: a borderless top-level window for the editor to open in,
// remembering the keys that reach it.
class HostWindow {
public:
    HostWindow(int width, int height) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kHostClass;
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, kHostClass, L"editor test host", WS_POPUP | WS_VISIBLE, 0, 0,
                                 width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~HostWindow() {
        if (IsWindow(window)) DestroyWindow(window);
    }
    HWND handle() const { return window; }
    HWND editor() const { return GetWindow(window, GW_CHILD); }
    int children() const {
        int count = 0;
        for (HWND child = editor(); child; child = GetWindow(child, GW_HWNDNEXT)) count++;
        return count;
    }
    // What a host's message loop does between two idle calls.
    void pump() const {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    Picture capture() const {
        Picture picture;
        RECT size{};
        HWND shown = editor();
        if (!shown || !GetClientRect(shown, &size)) return picture;
        picture.width = size.right;
        picture.height = size.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = picture.width;
        info.bmiHeader.biHeight = -picture.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC memory = CreateCompatibleDC(nullptr);
        HBITMAP copy = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ original = SelectObject(memory, copy);
        HDC screen = GetDC(shown);
        BitBlt(memory, 0, 0, picture.width, picture.height, screen, 0, 0, SRCCOPY);
        ReleaseDC(shown, screen);
        GdiFlush();
        auto* words = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < (size_t)picture.width * (size_t)picture.height; i++)
            picture.pixels.push_back(words[i] & 0xFFFFFFu);
        SelectObject(memory, original);
        DeleteObject(copy);
        DeleteDC(memory);
        return picture;
    }
    static std::vector<WPARAM>& keysReceived() {
        static std::vector<WPARAM> keys;
        return keys;
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_KEYDOWN) keysReceived().push_back(wParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window = nullptr;
};

// One host window for the whole program: without a window manager (Xvfb),
// wine waits two seconds for one whenever a top-level window goes. Made when
// first needed, large enough for either editor.
std::unique_ptr<HostWindow>& sharedHost() {
    static std::unique_ptr<HostWindow> host;
    if (!host) host = std::make_unique<HostWindow>(kWidth, kHeight);
    return host;
}

// The text in box, inside its frame if it has one: the pixels nearer the
// text's colour than the fill at the corner (edge smoothing differs between
// the rasterisers; the strokes themselves should not).
struct Ink {
    CRect bounds;
    int pixels = 0;
};

int distance(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        sum += std::abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF));
    return sum;
}

Ink inkIn(const Picture& picture, const CRect& box) {
    const CRect inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    const uint32_t fill = picture.at(inside.left + 1, inside.top + 1);
    int strongest = 0;
    for (int y = inside.top; y < inside.bottom; y++)
        for (int x = inside.left; x < inside.right; x++)
            strongest = std::max(strongest, distance(picture.at(x, y), fill));
    Ink ink{{inside.right, inside.bottom, inside.left, inside.top}};
    for (int y = inside.top; y < inside.bottom; y++)
        for (int x = inside.left; x < inside.right; x++) {
            if (strongest == 0 || 2 * distance(picture.at(x, y), fill) < strongest) continue;
            ink.pixels++;
            ink.bounds = {std::min(ink.bounds.left, x), std::min(ink.bounds.top, y),
                          std::max(ink.bounds.right, x + 1), std::max(ink.bounds.bottom, y + 1)};
        }
    return ink;
}

// Exact outside the text boxes; inside each, the same text within the tolerances.
void expectSamePicture(const Picture& shot, const Picture& reference,
                       const std::vector<CRect>& texts) {
    ASSERT_EQ(reference.width, shot.width) << "no Linux screenshot";
    ASSERT_EQ(reference.height, shot.height);
    int outside = 0;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            bool inText = false;
            for (const CRect& box : texts) inText = inText || box.contains({x, y});
            outside += !inText && shot.at(x, y) != reference.at(x, y);
        }
    EXPECT_EQ(outside, 0) << "pixels differ outside the text";
    for (const CRect& box : texts) {
        Ink ours = inkIn(shot, box), theirs = inkIn(reference, box);
        SCOPED_TRACE(::testing::Message() << "text at " << box.left << ", " << box.top);
        EXPECT_GT(theirs.pixels, 0);
        EXPECT_NEAR(ours.pixels, theirs.pixels, kInkTolerance * theirs.pixels);
        EXPECT_NEAR(ours.bounds.left, theirs.bounds.left, kTextShift);
        EXPECT_NEAR(ours.bounds.top, theirs.bounds.top, kTextShift);
        EXPECT_NEAR(ours.bounds.right, theirs.bounds.right, kTextShift);
        EXPECT_NEAR(ours.bounds.bottom, theirs.bounds.bottom, kTextShift);
    }
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

class Win32EditorTest : public ::testing::Test {
protected:
    void open(std::unique_ptr<host::Instance> instance) {
        plugin = std::move(instance);
        ASSERT_TRUE(plugin);
        host = sharedHost().get();
        ASSERT_TRUE(host->handle());
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host->handle()), 1);
        ASSERT_EQ(host->children(), 1);
    }
    void TearDown() override {
        plugin.reset();
        EXPECT_EQ(sharedHost()->children(), 0);
    }
    void idle() {
        host->pump();
        plugin->dispatch(effEditIdle);
    }
    bool idleUntil(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            idle();
            if (done()) return true;
            std::this_thread::sleep_for(kPollPeriod);
        }
        return false;
    }
    // Idles until two pictures running are the same.
    Picture settledPicture() {
        Picture last;
        idleUntil([&] {
            Picture now = host->capture();
            bool same = now.pixels == last.pixels;
            last = std::move(now);
            return same;
        });
        return last;
    }
    void post(UINT message, WPARAM keys, int x, int y) {
        PostMessageW(host->editor(), message, keys, at(x, y));
        idle();
    }
    // The real pointer goes there first: taking the mouse makes Windows send
    // the window a move of its own, to where the pointer is.
    void press(int x, int y, WPARAM keys = 0) {
        SetCursorPos(x, y);
        post(WM_LBUTTONDOWN, keys | MK_LBUTTON, x, y);
    }
    void click(int x, int y, WPARAM keys = 0) {
        size_t ended = plugin->countCalls(audioMasterEndEdit);
        press(x, y, keys);
        post(WM_LBUTTONUP, keys, x, y);
        ASSERT_TRUE(idleUntil([&] { return plugin->countCalls(audioMasterEndEdit) > ended; }))
            << "no gesture at " << x << ", " << y;
    }
    // Begin, automate and end calls on index, in order.
    std::vector<int32_t> gesturesOn(int32_t index) const {
        std::vector<int32_t> opcodes;
        for (const host::CallbackRecord& call : plugin->calls())
            if (call.index == index && (call.opcode == audioMasterBeginEdit ||
                                        call.opcode == audioMasterAutomate ||
                                        call.opcode == audioMasterEndEdit))
                opcodes.push_back(call.opcode);
        return opcodes;
    }
    std::vector<float> automated(int32_t index) const {
        std::vector<float> values;
        for (const host::CallbackRecord& call : plugin->calls())
            if (call.opcode == audioMasterAutomate && call.index == index) values.push_back(call.opt);
        return values;
    }

    std::unique_ptr<host::Instance> plugin;
    HostWindow* host = nullptr;
};

const std::vector<int32_t> kOneGesture{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
constexpr int kSliderColumn = 97;

class TamboroWin32EditorTest : public Win32EditorTest {
protected:
    void SetUp() override { open(newInstance()); }
};

TEST_F(TamboroWin32EditorTest, ShowsWhatTheLinuxEditorShows) {
    // The settings of the Linux screenshot.
    const float values[] = {0.75f, 0.5f, 0.6666667f, 1.0f, 0.5f};
    for (int32_t index = 0; index < 5; index++) plugin->setParameter(index, values[index]);
    expectSamePicture(settledPicture(), linuxScreenshot("editor.png"), {kHighReadout, kLowReadout});
}

TEST_F(TamboroWin32EditorTest, ClickingEachButtonAutomatesItsPositionAndLightsIt) {
    settledPicture();
    for (const Strip& strip : kStrips) {
        for (int k = 0; k < strip.positions; k++) {
            plugin->clearRecords();
            click(zoneCentre(strip, k), strip.place.top + 31);
            float value = (float)k / (float)(strip.positions - 1);
            EXPECT_EQ(gesturesOn(strip.tag), kOneGesture);
            EXPECT_EQ(automated(strip.tag), std::vector<float>{value});
            EXPECT_EQ(plugin->getParameter(strip.tag), value);
            Picture shot = settledPicture();
            for (int button = 0; button < strip.positions; button++) {
                bool white = shot.at(zoneCentre(strip, button), strip.place.top + 10) == 0xFFFFFFu;
                EXPECT_EQ(white, button == k) << "tag " << strip.tag << " button " << button;
            }
        }
    }
}

TEST_F(TamboroWin32EditorTest, DraggingASliderAutomatesInOneGestureAndShiftSlowsIt) {
    press(kSliderColumn, rowForValue(kHighSlider, 1.0f));
    for (int y = 200; y <= 350; y += 50) post(WM_MOUSEMOVE, MK_LBUTTON, kSliderColumn, y);
    post(WM_LBUTTONUP, 0, kSliderColumn, 350);
    std::vector<float> values = automated(0);
    ASSERT_GE(values.size(), 4u);
    for (size_t i = 1; i < values.size(); i++) EXPECT_LT(values[i], values[i - 1]);
    EXPECT_NEAR(values.back(), 1.0f - (350 - 150 - 17.5f) / kTravel, 1e-6);
    EXPECT_EQ(plugin->getParameter(0), values.back());
    EXPECT_EQ(plugin->countCalls(audioMasterBeginEdit), 1u);
    EXPECT_EQ(plugin->countCalls(audioMasterEndEdit), 1u);

    plugin->clearRecords();
    press(kSliderColumn, 310);
    float start = automated(0).back();
    post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, kSliderColumn, 210);
    post(WM_LBUTTONUP, MK_SHIFT, kSliderColumn, 210);
    EXPECT_NEAR(automated(0).back() - start, 100.0f / kTravel / 10.0f, 1e-5);
}

TEST_F(TamboroWin32EditorTest, CtrlClickSetsTheDefault) {
    plugin->setParameter(0, 0.1f);
    click(kSliderColumn, 400, MK_CONTROL);
    EXPECT_EQ(automated(0), std::vector<float>{0.5f});
}

TEST_F(TamboroWin32EditorTest, ArrowKeysMoveTheClickedSliderAndOtherKeysGoToTheHost) {
    click(kSliderColumn + 164, rowForValue(kLowSlider, 0.5f));
    float value = automated(1).back();
    size_t before = automated(1).size();
    PostMessageW(host->editor(), WM_KEYDOWN, VK_UP, 0);
    ASSERT_TRUE(idleUntil([&] { return automated(1).size() == before + 1; }));
    EXPECT_EQ(automated(1).back(), value + 0.1f);
    HostWindow::keysReceived().clear();
    PostMessageW(host->editor(), WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(idleUntil([] { return HostWindow::keysReceived() == std::vector<WPARAM>{'A'}; }));
}

TEST_F(TamboroWin32EditorTest, LosingTheMouseMidDragEndsTheGesture) {
    press(kSliderColumn, 300);
    EXPECT_EQ(GetCapture(), host->editor());
    ReleaseCapture();  // as when a host's dialog takes the mouse
    ASSERT_TRUE(idleUntil([&] { return plugin->countCalls(audioMasterEndEdit) == 1; }));
    std::vector<int32_t> gesture = gesturesOn(0);
    EXPECT_EQ(gesture.front(), audioMasterBeginEdit);
    EXPECT_EQ(gesture.back(), audioMasterEndEdit);
    EXPECT_EQ(plugin->countCalls(audioMasterBeginEdit), 1u);
}

TEST_F(TamboroWin32EditorTest, SurvivesTheHostDestroyingItsWindowFirstAndOpensAgain) {
    settledPicture();
    sharedHost().reset();
    plugin->setParameter(2, 1.0f);
    for (int i = 0; i < 5; i++) plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    host = sharedHost().get();
    for (int i = 0; i < 20; i++) {
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host->handle()), 1) << "cycle " << i;
        ASSERT_EQ(host->children(), 1);
        idle();
        plugin->dispatch(effEditClose);
        ASSERT_EQ(host->children(), 0);
    }
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
}

class TranscriberWin32EditorTest : public Win32EditorTest {
protected:
    void SetUp() override {
        open(transcriber_plugin_test::newTranscriber());
    }
};

// The boxes the transcriber's editor writes text in.
std::vector<CRect> transcriberTexts() {
    std::vector<CRect> boxes{layout::kTitle};
    for (int drum = 0; drum < transcriber_plugin_info::kNumDrums; drum++) {
        boxes.push_back(layout::columnRect(drum, layout::kLearnTop, layout::kLearnHeight));
        boxes.push_back(layout::columnRect(drum, layout::kReadoutTop, layout::kReadoutHeight));
    }
    const CRect& lanes = layout::kLanes;
    boxes.push_back({lanes.left, lanes.top, lanes.left + layout::kLaneLabelWidth, lanes.bottom});
    return boxes;
}

TEST_F(TranscriberWin32EditorTest, ShowsWhatTheLinuxEditorShows) {
    expectSamePicture(settledPicture(), linuxScreenshot("transcriber-editor.png"),
                      transcriberTexts());
}

TEST_F(TranscriberWin32EditorTest, ClickingALearnButtonArmsItsDrumInOneGesture) {
    const CRect snare = layout::columnRect(1, layout::kLearnTop, layout::kLearnHeight);
    click(snare.left + snare.width() / 2, snare.top + snare.height() / 2);
    EXPECT_EQ(plugin->getParameter(transcriber_plugin_info::kSnareLearn), 1.0f);
    EXPECT_EQ(gesturesOn(transcriber_plugin_info::kSnareLearn), kOneGesture);
    const CColor armed = layout::kArmed;
    EXPECT_TRUE(idleUntil([&] {
        return host->capture().at(snare.left + 3, snare.top + 3) ==
               ((uint32_t)armed.red << 16 | (uint32_t)armed.green << 8 | armed.blue);
    }));
}

// GDI+ reads the Linux screenshots.
class GdiPlus : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

private:
    ULONG_PTR token = 0;
};

::testing::Environment* const gdiPlus = ::testing::AddGlobalTestEnvironment(new GdiPlus);

}  // namespace
