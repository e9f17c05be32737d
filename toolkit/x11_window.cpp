#include "x11_window.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>
#include <new>

#include "draw_context.h"
#include "x11_error_trap.h"

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | KeyPressMask | KeyReleaseMask |
                            StructureNotifyMask;
constexpr int kDepth = 24;
constexpr int kBitsPerPixel = 32;
constexpr unsigned long kRedMask = 0xFF0000, kGreenMask = 0x00FF00, kBlueMask = 0x0000FF;
constexpr int32_t kPrintableFirst = 0x20;
constexpr int32_t kPrintableLast = 0x7E;

int32_t modifierButtons(unsigned int state) {
    int32_t buttons = 0;
    if (state & ShiftMask) buttons |= kShift;
    if (state & ControlMask) buttons |= kControl;
    if (state & Mod1Mask) buttons |= kAlt;
    return buttons;
}

int32_t heldButtons(unsigned int state) {
    int32_t buttons = modifierButtons(state);
    if (state & Button1Mask) buttons |= kLButton;
    if (state & Button2Mask) buttons |= kMButton;
    if (state & Button3Mask) buttons |= kRButton;
    return buttons;
}

// 0 for the wheel and extra buttons, which no view uses.
int32_t buttonBit(unsigned int button) {
    switch (button) {
        case Button1: return kLButton;
        case Button2: return kMButton;
        case Button3: return kRButton;
    }
    return 0;
}

VstKeyCode keyCode(XKeyEvent& event) {
    VstKeyCode key{};
    KeySym symbol = XLookupKeysym(&event, 0);
    switch (symbol) {
        case XK_Left: key.virt = VKEY_LEFT; break;
        case XK_Up: key.virt = VKEY_UP; break;
        case XK_Right: key.virt = VKEY_RIGHT; break;
        case XK_Down: key.virt = VKEY_DOWN; break;
        default:
            if (symbol >= kPrintableFirst && symbol <= kPrintableLast) key.character = (int32_t)symbol;
    }
    if (event.state & ShiftMask) key.modifier |= MODIFIER_SHIFT;
    if (event.state & ControlMask) key.modifier |= MODIFIER_CONTROL;
    if (event.state & Mod1Mask) key.modifier |= MODIFIER_ALTERNATE;
    return key;
}

// False for events the widget tree has no use for.
bool translate(XEvent& native, PlatformEvent& event) {
    switch (native.type) {
        case Expose: {
            const XExposeEvent& e = native.xexpose;
            event = {PlatformEvent::kExpose};
            event.area = {e.x, e.y, e.x + e.width, e.y + e.height};
            return true;
        }
        case ButtonPress:
        case ButtonRelease: {
            const XButtonEvent& e = native.xbutton;
            if (!buttonBit(e.button)) return false;
            event = {native.type == ButtonPress ? PlatformEvent::kMouseDown
                                                : PlatformEvent::kMouseUp};
            event.where = {e.x, e.y};
            event.buttons = buttonBit(e.button) | modifierButtons(e.state);
            return true;
        }
        case MotionNotify:
            event = {PlatformEvent::kMouseMove};
            event.where = {native.xmotion.x, native.xmotion.y};
            event.buttons = heldButtons(native.xmotion.state);
            return true;
        case KeyPress:
        case KeyRelease:
            event = {native.type == KeyPress ? PlatformEvent::kKeyDown : PlatformEvent::kKeyUp};
            event.key = keyCode(native.xkey);
            return true;
    }
    return false;
}

// The visual whose pixels are the picture's 0x00RRGGBB words; null if the
// server has none.
Visual* pictureVisual(Display* display) {
    XVisualInfo info;
    if (!XMatchVisualInfo(display, DefaultScreen(display), kDepth, TrueColor, &info)) return nullptr;
    bool sameLayout = info.red_mask == kRedMask && info.green_mask == kGreenMask &&
                      info.blue_mask == kBlueMask;
    return sameLayout ? info.visual : nullptr;
}

int machineByteOrder() {
    const uint32_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1 ? LSBFirst : MSBFirst;
}

}  // namespace

std::unique_ptr<PlatformWindow> X11Window::create(Display* display, Window parent,
                                                  const CRect& size, PlatformEventSink& sink) {
    Visual* visual = pictureVisual(display);
    if (!parent || size.isEmpty() || !visual) return nullptr;
    X11ErrorTrap trap(display);
    Colormap colormap = XCreateColormap(display, parent, visual, AllocNone);
    XSetWindowAttributes attributes{};
    // No background: the server leaves exposed parts alone until we paint them.
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = colormap;
    attributes.event_mask = kEventMask;
    Window window = XCreateWindow(display, parent, size.left, size.top, size.width(),
                                  size.height(), 0, kDepth, InputOutput, visual,
                                  CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                                  &attributes);
    XMapWindow(display, window);
    auto* created = trap.failed()
                        ? nullptr
                        : new (std::nothrow) X11Window(display, parent, window, colormap, visual, sink);
    if (!created) {
        XDestroyWindow(display, window);
        XFreeColormap(display, colormap);
    }
    return std::unique_ptr<PlatformWindow>(created);
}

X11Window::X11Window(Display* display, Window parent, Window window, Colormap colormap,
                     Visual* visual, PlatformEventSink& sink)
    : display(display),
      parent(parent),
      window(window),
      colormap(colormap),
      visual(visual),
      gc(XCreateGC(display, window, 0, nullptr)),
      sink(sink) {}

X11Window::~X11Window() {
    X11ErrorTrap trap(display);
    XFreeGC(display, gc);
    if (!gone) XDestroyWindow(display, window);
    XFreeColormap(display, colormap);
}

void X11Window::processEvents() {
    X11ErrorTrap trap(display);
    while (!gone && XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window == window) dispatch(event);
    }
    if (trap.failed()) gone = true;
}

void X11Window::dispatch(XEvent& native) {
    if (native.type == DestroyNotify) {
        gone = true;
        return;
    }
    PlatformEvent event{PlatformEvent::kExpose};
    if (!translate(native, event)) return;
    bool used = sink.handleEvent(event);
    if (!used && (native.type == KeyPress || native.type == KeyRelease)) passKeyToParent(native);
}

// Keys go to the window under the pointer; the ones the editor has no use for
// (a host's transport shortcuts) are handed to the host's window.
void X11Window::passKeyToParent(XEvent& event) {
    event.xkey.window = parent;
    event.xkey.subwindow = None;
    long mask = event.type == KeyPress ? KeyPressMask : KeyReleaseMask;
    XSendEvent(display, parent, True, mask, &event);
}

void X11Window::present(const CDrawContext& picture, const CRect& area) {
    if (gone) return;
    X11ErrorTrap trap(display);
    // Describes the picture's memory; Xlib converts to the server's byte order.
    char* rows = reinterpret_cast<char*>(const_cast<unsigned char*>(picture.pixelRows()));
    XImage* image = XCreateImage(display, visual, kDepth, ZPixmap, 0, rows,
                                 (unsigned)picture.getWidth(), (unsigned)picture.getHeight(),
                                 kBitsPerPixel, picture.rowBytes());
    if (!image) return;
    image->byte_order = machineByteOrder();
    XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top,
              (unsigned)area.width(), (unsigned)area.height());
    image->data = nullptr;  // the picture keeps its pixels
    XDestroyImage(image);
    // The sync also means the picture is on the screen when idle returns.
    if (trap.failed()) gone = true;
}
