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
// Text goes through GDI here and through cairo on Linux: the same font file,
// another rasteriser. The text's edges must be this close to the Linux ones.
constexpr int kTextShift = 2;
constexpr uint32_t kColorBits = 0xFFFFFFu;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB
    uint32_t at(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
};

// The Linux build's screenshot, written by the test setup (windows_editor.cmake).
Picture linuxScreenshot(const char* name) {
    std::string path = std::string(TAMBORO_LINUX_SCREENSHOTS) + "/" + name;
    Gdiplus::Bitmap png(std::wstring(path.begin(), path.end()).c_str());
    Gdiplus::Rect all(0, 0, (INT)png.GetWidth(), (INT)png.GetHeight());
    Gdiplus::BitmapData data{};
    Picture picture;
    if (png.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok)
        return picture;
    picture = {all.Width, all.Height, {}};
    for (int y = 0; y < all.Height; y++) {
        auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(data.Scan0) + y * data.Stride);
        for (int x = 0; x < all.Width; x++) picture.pixels.push_back(row[x] & kColorBits);
    }
    png.UnlockBits(&data);
    return picture;
}

// What the window shows, read back from its device context.
Picture capture(HWND window) {
    Picture picture;
    RECT size{};
    if (!window || !GetClientRect(window, &size)) return picture;
    picture = {size.right, size.bottom, {}};
    HDC memory = CreateCompatibleDC(nullptr);
    HDC shown = GetDC(window);
    HBITMAP copy = CreateCompatibleBitmap(shown, picture.width, picture.height);
    HGDIOBJ original = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, picture.width, picture.height, shown, 0, 0, SRCCOPY);
    SelectObject(memory, original);
    BITMAPINFO info{};
    info.bmiHeader = {(DWORD)sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    picture.pixels.resize((size_t)picture.width * (size_t)picture.height);
    GetDIBits(memory, copy, 0, (UINT)picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& pixel : picture.pixels) pixel &= kColorBits;
    ReleaseDC(window, shown);
    DeleteObject(copy);
    DeleteDC(memory);
    return picture;
}

// The host's side: a borderless top-level window, remembering the keys that reach it.
std::vector<WPARAM> hostKeys;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) hostKeys.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

struct HostWindow {
    HostWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.lpszClassName = L"TamboroTestHost";
        RegisterClassW(&windowClass);
        handle = CreateWindowExW(0, windowClass.lpszClassName, L"editor test host", WS_POPUP | WS_VISIBLE,
                                 0, 0, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
    }
    ~HostWindow() { DestroyWindow(handle); }
    HWND editor() const { return GetWindow(handle, GW_CHILD); }
    int children() const {
        int count = 0;
        for (HWND child = editor(); child; child = GetWindow(child, GW_HWNDNEXT)) count++;
        return count;
    }
    HWND handle;
};

// One host window for the whole program: without a window manager (Xvfb),
// wine waits two seconds for one whenever a top-level window goes. The real
// pointer is parked outside it first: a window appearing under the pointer,
// or the pointer moving, sends the editor real moves among the posted ones.
std::unique_ptr<HostWindow>& sharedHost() {
    static std::unique_ptr<HostWindow> host;
    if (!host) {
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        host = std::make_unique<HostWindow>();
    }
    return host;
}

// Where the text inside box's frame lies: its pixels unlike the fill there.
CRect inkIn(const Picture& picture, const CRect& box) {
    const uint32_t fill = picture.at(box.left + 2, box.top + 2);
    CRect ink{box.right, box.bottom, box.left, box.top};
    for (int y = box.top + 1; y < box.bottom - 1; y++)
        for (int x = box.left + 1; x < box.right - 1; x++)
            if (picture.at(x, y) != fill) ink = ink.united({x, y, x + 1, y + 1});
    return ink;
}

// Exact outside the text boxes; inside each, the text in the same place.
void expectSamePicture(const Picture& shot, const Picture& reference, const std::vector<CRect>& texts) {
    ASSERT_EQ(reference.width, shot.width) << "no Linux screenshot";
    ASSERT_EQ(reference.height, shot.height);
    int outside = 0;
    CRect differing{shot.width, shot.height, 0, 0};
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++)
            if (shot.at(x, y) != reference.at(x, y) &&
                std::none_of(texts.begin(), texts.end(), [&](const CRect& box) { return box.contains({x, y}); })) {
                outside++;
                differing = differing.united({x, y, x + 1, y + 1});
            }
    EXPECT_EQ(outside, 0) << "pixels differ outside the text, within (" << differing.left << ", " << differing.top
                          << ") - (" << differing.right << ", " << differing.bottom << ")";
    for (const CRect& box : texts) {
        CRect ours = inkIn(shot, box), theirs = inkIn(reference, box);
        SCOPED_TRACE(::testing::Message() << "text at " << box.left << ", " << box.top);
        ASSERT_FALSE(ours.isEmpty());
        EXPECT_NEAR(ours.left, theirs.left, kTextShift);
        EXPECT_NEAR(ours.top, theirs.top, kTextShift);
        EXPECT_NEAR(ours.right, theirs.right, kTextShift);
        EXPECT_NEAR(ours.bottom, theirs.bottom, kTextShift);
    }
}

class Win32EditorTest : public ::testing::Test {
protected:
    void open(std::unique_ptr<host::Instance> instance) {
        plugin = std::move(instance);
        ASSERT_TRUE(plugin);
        host = sharedHost().get();
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host->handle), 1);
        ASSERT_EQ(host->children(), 1);
    }
    void TearDown() override {
        plugin.reset();
        EXPECT_EQ(sharedHost()->children(), 0);
    }
    // What a host's message loop and its idle timer do.
    void idle() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        plugin->dispatch(effEditIdle);
    }
    bool idleUntil(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + kTimeout;
        for (idle(); !done(); idle()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(kPollPeriod);
        }
        return true;
    }
    // Idles until two pictures running are the same.
    Picture settledPicture() {
        Picture last;
        idleUntil([&] {
            Picture now = capture(host->editor());
            std::swap(now, last);
            return now.pixels == last.pixels;
        });
        return last;
    }
    void post(UINT message, WPARAM keys, int x = 0, int y = 0) {
        PostMessageW(host->editor(), message, keys, MAKELPARAM(x, y));
        idle();
    }
    void click(int x, int y, WPARAM keys = 0) {
        size_t ended = plugin->countCalls(audioMasterEndEdit);
        post(WM_LBUTTONDOWN, keys | MK_LBUTTON, x, y);
        post(WM_LBUTTONUP, keys, x, y);
        ASSERT_TRUE(idleUntil([&] { return plugin->countCalls(audioMasterEndEdit) > ended; }));
    }
    // The begin, automate and end calls on index, and the values automated.
    std::vector<int32_t> gesturesOn(int32_t index) const {
        std::vector<int32_t> opcodes;
        for (const host::CallbackRecord& call : plugin->calls())
            if (call.index == index && (call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit ||
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
    const float screenshotSettings[] = {0.75f, 0.5f, 0.6666667f, 1.0f, 0.5f};
    for (int32_t index = 0; index < 5; index++) plugin->setParameter(index, screenshotSettings[index]);
    expectSamePicture(settledPicture(), linuxScreenshot("editor.png"), {kHighReadout, kLowReadout});
}

TEST_F(TamboroWin32EditorTest, ClickingEachButtonAutomatesItsPositionAndLightsIt) {
    for (const Strip& strip : kStrips) {
        for (int k = 0; k < strip.positions; k++) {
            plugin->clearRecords();
            click(zoneCentre(strip, k), strip.place.top + 31);
            float value = (float)k / (float)(strip.positions - 1);
            EXPECT_EQ(gesturesOn(strip.tag), kOneGesture);
            EXPECT_EQ(automated(strip.tag), std::vector<float>{value});
            EXPECT_EQ(plugin->getParameter(strip.tag), value);
            Picture shot = settledPicture();
            for (int button = 0; button < strip.positions; button++)
                EXPECT_EQ(shot.at(zoneCentre(strip, button), strip.place.top + 10) == kColorBits, button == k)
                    << "tag " << strip.tag << " button " << button;
        }
    }
}

TEST_F(TamboroWin32EditorTest, DragsAutomateInOneGestureShiftSlowsThemCtrlClickResets) {
    post(WM_LBUTTONDOWN, MK_LBUTTON, kSliderColumn, rowForValue(kHighSlider, 1.0f));
    for (int y = 200; y <= 350; y += 50) post(WM_MOUSEMOVE, MK_LBUTTON, kSliderColumn, y);
    post(WM_LBUTTONUP, 0, kSliderColumn, 350);
    std::vector<float> values = automated(0);
    ASSERT_GE(values.size(), 4u);
    for (size_t i = 1; i < values.size(); i++) EXPECT_LT(values[i], values[i - 1]);
    EXPECT_NEAR(values.back(), 1.0f - (350 - 150 - 17.5f) / kTravel, 1e-6);
    EXPECT_EQ(plugin->getParameter(0), values.back());
    EXPECT_EQ(plugin->countCalls(audioMasterBeginEdit), 1u);
    EXPECT_EQ(plugin->countCalls(audioMasterEndEdit), 1u);

    post(WM_LBUTTONDOWN, MK_LBUTTON, kSliderColumn, 310);
    float start = automated(0).back();
    post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, kSliderColumn, 210);
    post(WM_LBUTTONUP, MK_SHIFT, kSliderColumn, 210);
    EXPECT_NEAR(automated(0).back() - start, 100.0f / kTravel / 10.0f, 1e-5);

    click(kSliderColumn, 400, MK_CONTROL);
    EXPECT_EQ(automated(0).back(), 0.5f);
}

TEST_F(TamboroWin32EditorTest, ArrowKeysMoveTheClickedSliderAndOtherKeysGoToTheHost) {
    click(kSliderColumn + 164, rowForValue(kLowSlider, 0.5f));
    std::vector<float> values = automated(1);
    post(WM_KEYDOWN, VK_UP);
    ASSERT_TRUE(idleUntil([&] { return automated(1).size() == values.size() + 1; }));
    EXPECT_EQ(automated(1).back(), values.back() + 0.1f);
    hostKeys.clear();
    post(WM_KEYDOWN, 'A');
    EXPECT_TRUE(idleUntil([] { return hostKeys == std::vector<WPARAM>{'A'}; }));
}

TEST_F(TamboroWin32EditorTest, LosingTheMouseMidDragEndsTheGesture) {
    post(WM_LBUTTONDOWN, MK_LBUTTON, kSliderColumn, 300);
    EXPECT_EQ(GetCapture(), host->editor());
    ReleaseCapture();  // as when a host's dialog takes the mouse
    ASSERT_TRUE(idleUntil([&] { return plugin->countCalls(audioMasterEndEdit) == 1; }));
    EXPECT_EQ(gesturesOn(0), kOneGesture);
}

TEST_F(TamboroWin32EditorTest, SurvivesTheHostDestroyingItsWindowFirstAndOpensAgain) {
    settledPicture();
    sharedHost().reset();
    plugin->setParameter(2, 1.0f);
    for (int i = 0; i < 5; i++) plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    host = sharedHost().get();
    for (int i = 0; i < 20; i++) {
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host->handle), 1) << "cycle " << i;
        ASSERT_EQ(host->children(), 1);
        idle();
        plugin->dispatch(effEditClose);
        ASSERT_EQ(host->children(), 0);
    }
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
}

class TranscriberWin32EditorTest : public Win32EditorTest {
protected:
    void SetUp() override { open(transcriber_plugin_test::newTranscriber()); }
};

TEST_F(TranscriberWin32EditorTest, ShowsWhatTheLinuxEditorShows) {
    std::vector<CRect> texts{layout::kTitle};
    for (int drum = 0; drum < transcriber_plugin_info::kNumDrums; drum++) {
        texts.push_back(layout::columnRect(drum, layout::kLearnTop, layout::kLearnHeight));
        texts.push_back(layout::columnRect(drum, layout::kReadoutTop, layout::kReadoutHeight));
    }
    const CRect& lanes = layout::kLanes;
    texts.push_back({lanes.left, lanes.top, lanes.left + layout::kLaneLabelWidth, lanes.bottom});
    expectSamePicture(settledPicture(), linuxScreenshot("transcriber-editor.png"), texts);
}

TEST_F(TranscriberWin32EditorTest, ClickingALearnButtonArmsItsDrumInOneGesture) {
    const CRect snare = layout::columnRect(1, layout::kLearnTop, layout::kLearnHeight);
    click(snare.left + snare.width() / 2, snare.top + snare.height() / 2);
    EXPECT_EQ(plugin->getParameter(transcriber_plugin_info::kSnareLearn), 1.0f);
    EXPECT_EQ(gesturesOn(transcriber_plugin_info::kSnareLearn), kOneGesture);
    const CColor armed = layout::kArmed;
    const uint32_t armedPixel = (uint32_t)armed.red << 16 | (uint32_t)armed.green << 8 | armed.blue;
    EXPECT_TRUE(idleUntil([&] { return capture(host->editor()).at(snare.left + 3, snare.top + 3) == armedPixel; }));
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
