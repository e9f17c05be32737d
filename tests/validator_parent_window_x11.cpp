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

size_t ParentWindow::children() const {
    if (!display) return 0;
    Window root = 0, parent = 0, *list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(static_cast<Display*>(display), window, &root, &parent, &list, &count)) return 0;
    if (list) XFree(list);
    return count;
}

}  // namespace validator
