#include "x11_display.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <new>

#include "x11_window.h"

namespace {

class X11Display : public PlatformDisplay {
public:
    explicit X11Display(Display* display) : display(display) {}
    ~X11Display() override { XCloseDisplay(display); }
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    // The host passes its window id (an XID) as a pointer.
    std::unique_ptr<PlatformWindow> createWindow(void* parent, const CRect& size,
                                                 PlatformEventSink& sink) override {
        return X11Window::create(display, (Window)(uintptr_t)parent, size, sink);
    }

private:
    Display* display;
};

}  // namespace

std::unique_ptr<PlatformDisplay> openX11Display() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    auto* opened = new (std::nothrow) X11Display(display);
    if (!opened) XCloseDisplay(display);
    return std::unique_ptr<PlatformDisplay>(opened);
}
