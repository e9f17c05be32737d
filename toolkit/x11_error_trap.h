// Catches X protocol errors on one connection while it lives, instead of
// letting Xlib's default handler end the host's process (a host may destroy
// its window before closing the editor, or pass a stale window id).
//
// Xlib's error handler is process-wide and gets no user data, so the active
// traps are found through a thread-local pointer; errors of other connections
// go on to the handler that was installed before.
#pragma once

#include <X11/Xlib.h>

class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    // Waits for the server to finish the trapped requests, then restores the handler.
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server, then tells whether any trapped request failed.
    bool failed();

private:
    static int handleError(Display* display, XErrorEvent* event);

    Display* display;
    XErrorHandler previous;
    X11ErrorTrap* outer;
    bool errorSeen = false;
};
