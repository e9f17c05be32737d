#include "validator_support.h"

#include "shell/plugin_info.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#include <X11/Xlib.h>

namespace validator {

ParentWindow::ParentWindow() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    display = d;
    window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, plugin_info::kEditorWidth,
                                 plugin_info::kEditorHeight, 0, 0, 0);
    XMapWindow(d, window);
    XSync(d, False);
}

ParentWindow::~ParentWindow() {
    if (!display) return;
    Display* d = static_cast<Display*>(display);
    XDestroyWindow(d, window);
    XCloseDisplay(d);
}

void ParentWindow::drain() {
    if (!display) return;
    Display* d = static_cast<Display*>(display);
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
    }
}

}  // namespace validator
