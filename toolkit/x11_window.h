// One editor window on X11: a plain child of the host's window (hosts expect
// no reparenting and no XEmbed), with its events read from the editor's own
// connection. The window always uses a 24-bit TrueColor visual, whatever the
// parent's, so the finished picture goes up with a plain XPutImage. (Cairo's
// own X11 surface leaks a little with every connection that used its
// shared-memory path.)
#pragma once

#include <X11/Xlib.h>

#include "platform.h"

class X11Window : public PlatformWindow {
public:
    // Null when parent is 0 or the server refuses the window.
    static std::unique_ptr<PlatformWindow> create(Display* display, Window parent,
                                                  const CRect& size, PlatformEventSink& sink);
    ~X11Window() override;

    void processEvents() override;
    void present(const CDrawContext& picture, const CRect& area) override;

private:
    X11Window(Display* display, Window parent, Window window, Colormap colormap,
              Visual* visual, PlatformEventSink& sink);
    void dispatch(XEvent& event);
    void passKeyToParent(XEvent& event);

    Display* display;
    Window parent;
    Window window;
    Colormap colormap;
    Visual* visual;
    GC gc;
    PlatformEventSink& sink;
    // The server no longer has the window (the host destroyed its parent).
    bool gone = false;
};
