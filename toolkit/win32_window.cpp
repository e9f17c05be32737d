#include "win32_window.h"

#include <windowsx.h>

#include <new>

#include "draw_context.h"

namespace {

constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr WORD kBitsPerPixel = 32;
constexpr UINT kPrintableFirst = 0x20;
constexpr UINT kPrintableLast = 0x7E;
constexpr UINT kDeadKeyBit = 0x80000000u;

bool held(int virtualKey) { return GetKeyState(virtualKey) < 0; }

int32_t modifierButtons(WPARAM keys) {
    int32_t buttons = 0;
    if (keys & MK_SHIFT) buttons |= kShift;
    if (keys & MK_CONTROL) buttons |= kControl;
    if (held(VK_MENU)) buttons |= kAlt;
    return buttons;
}

int32_t heldButtons(WPARAM keys) {
    int32_t buttons = modifierButtons(keys);
    if (keys & MK_LBUTTON) buttons |= kLButton;
    if (keys & MK_MBUTTON) buttons |= kMButton;
    if (keys & MK_RBUTTON) buttons |= kRButton;
    return buttons;
}

int32_t buttonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: return kLButton;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP: return kMButton;
    }
    return kRButton;
}

bool isButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN || message == WM_RBUTTONDOWN;
}

// Letters as their lower case, as the X11 side reads keys without Shift.
int32_t characterOf(WPARAM virtualKey) {
    UINT character = MapVirtualKeyW((UINT)virtualKey, MAPVK_VK_TO_CHAR) & ~kDeadKeyBit;
    if (character < kPrintableFirst || character > kPrintableLast) return 0;
    return (character >= 'A' && character <= 'Z') ? (int32_t)(character - 'A' + 'a')
                                                   : (int32_t)character;
}

VstKeyCode keyCode(WPARAM virtualKey) {
    VstKeyCode key{};
    switch (virtualKey) {
        case VK_LEFT: key.virt = VKEY_LEFT; break;
        case VK_UP: key.virt = VKEY_UP; break;
        case VK_RIGHT: key.virt = VKEY_RIGHT; break;
        case VK_DOWN: key.virt = VKEY_DOWN; break;
        default: key.character = characterOf(virtualKey);
    }
    if (held(VK_SHIFT)) key.modifier |= MODIFIER_SHIFT;
    if (held(VK_CONTROL)) key.modifier |= MODIFIER_CONTROL;
    if (held(VK_MENU)) key.modifier |= MODIFIER_ALTERNATE;
    return key;
}

CPoint pointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// The whole picture, clipped by the caller to the part wanted: a source
// rectangle inside a top-down DIB is read differently by different GDIs.
void blit(HDC dc, const CDrawContext& picture, const CRect& area) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.getWidth();
    info.bmiHeader.biHeight = -picture.getHeight();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kBitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    StretchDIBits(dc, 0, 0, picture.getWidth(), picture.getHeight(), 0, 0, picture.getWidth(),
                  picture.getHeight(), picture.pixelRows(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

std::unique_ptr<PlatformWindow> Win32Window::create(HWND parent, const wchar_t* className,
                                                    HINSTANCE module, const CRect& size,
                                                    PlatformEventSink& sink) {
    if (!parent || !IsWindow(parent) || size.isEmpty()) return nullptr;
    std::unique_ptr<Win32Window> created(new (std::nothrow) Win32Window(parent, sink));
    if (!created) return nullptr;
    // windowProc learns its object from the creation parameter.
    CreateWindowExW(0, className, L"", kStyle, size.left, size.top, size.width(), size.height(),
                    parent, nullptr, module, created.get());
    if (!created->window) return nullptr;
    return created;
}

Win32Window::~Win32Window() {
    if (window) DestroyWindow(window);
}

LRESULT CALLBACK Win32Window::windowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window = nullptr;
    }
    if (self && self->receive(message, wParam, lParam)) return 0;
    // No background erase: every pixel is painted from the picture.
    if (message == WM_ERASEBKGND) return 1;
    // Dialog-like hosts would otherwise take the arrow keys for navigation.
    if (message == WM_GETDLGCODE) return DLGC_WANTARROWS;
    return DefWindowProcW(window, message, wParam, lParam);
}

// True when the message was taken.
bool Win32Window::receive(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint();
            return true;
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP:
            mouseButton(message, wParam, lParam);
            return true;
        case WM_MOUSEMOVE: {
            PlatformEvent event{PlatformEvent::kMouseMove};
            event.where = lastPoint = pointOf(lParam);
            event.buttons = heldButtons(wParam);
            queue(event, message, wParam, lParam);
            return true;
        }
        case WM_CAPTURECHANGED:
            if ((HWND)lParam != window) captureLost();
            return true;
        case WM_KEYDOWN:
        case WM_KEYUP: {
            PlatformEvent event{message == WM_KEYDOWN ? PlatformEvent::kKeyDown
                                                      : PlatformEvent::kKeyUp};
            event.key = keyCode(wParam);
            queue(event, message, wParam, lParam);
            return true;
        }
    }
    return false;
}

void Win32Window::mouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    const int32_t button = buttonOf(message);
    const bool down = isButtonDown(message);
    PlatformEvent event{down ? PlatformEvent::kMouseDown : PlatformEvent::kMouseUp};
    event.where = lastPoint = pointOf(lParam);
    event.buttons = button | modifierButtons(wParam);
    // The drag goes on outside the window; keys go to the control clicked.
    if (down) {
        if (!buttonsDown) SetCapture(window);
        buttonsDown |= button;
        SetFocus(window);
    } else {
        buttonsDown &= ~button;
        if (!buttonsDown) ReleaseCapture();
    }
    queue(event, message, wParam, lParam);
}

// Another window took the mouse mid-drag (a host dialog, a task switch): the
// release will never come, so the gesture ends where the mouse was last seen.
void Win32Window::captureLost() {
    const bool dragging = buttonsDown & kLButton;
    buttonsDown = 0;
    if (!dragging) return;
    PlatformEvent event{PlatformEvent::kMouseUp};
    event.where = lastPoint;
    event.buttons = kLButton;
    queue(event, WM_LBUTTONUP, 0, MAKELPARAM(lastPoint.x, lastPoint.y));
}

void Win32Window::queue(const PlatformEvent& event, UINT message, WPARAM wParam, LPARAM lParam) {
    // Moves between two idles count only where they end, as Windows' own
    // input queue does with them.
    bool replacesMove = event.type == PlatformEvent::kMouseMove && !waiting.empty() &&
                        waiting.back().event.type == PlatformEvent::kMouseMove;
    if (replacesMove) waiting.pop_back();
    waiting.push_back({event, message, wParam, lParam});
}

void Win32Window::processEvents() {
    MSG message;
    // The window's messages the host's loop has not dispatched yet.
    while (window && PeekMessageW(&message, window, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    while (!waiting.empty()) {
        Waiting next = waiting.front();
        waiting.pop_front();
        bool used = sink.handleEvent(next.event);
        // Keys the editor has no use for (a host's transport shortcuts) go to the host's window.
        bool key = next.message == WM_KEYDOWN || next.message == WM_KEYUP;
        if (!used && key && IsWindow(parent))
            PostMessageW(parent, next.message, next.wParam, next.lParam);
    }
}

void Win32Window::paint() {
    PAINTSTRUCT paintArea;
    HDC dc = BeginPaint(window, &paintArea);
    const RECT& r = paintArea.rcPaint;
    // Before the first present there is nothing finished to show; the first
    // idle presents the whole picture.
    if (dc && shown) blit(dc, *shown, {r.left, r.top, r.right, r.bottom});
    EndPaint(window, &paintArea);
}

void Win32Window::present(const CDrawContext& picture, const CRect& area) {
    shown = &picture;
    if (!window) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    blit(dc, picture, area);
    ReleaseDC(window, dc);
    // The picture is on the screen when idle returns.
    GdiFlush();
}
