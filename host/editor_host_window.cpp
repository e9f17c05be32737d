#include "editor_host_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <poll.h>

#include <cstring>

namespace host {

namespace {

constexpr unsigned long kBackground = 0x000000;

constexpr int kMapTimeoutMs = 5000;
constexpr int kPollMs = 10;

// The window is viewable once its MapNotify has come back; false on timeout.
bool waitForMap(Display* display, Window window) {
    for (int waited = 0; waited < kMapTimeoutMs; waited += kPollMs) {
        XEvent event;
        while (XCheckWindowEvent(display, window, StructureNotifyMask, &event))
            if (event.type == MapNotify) return true;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, kPollMs);
    }
    return false;
}

}  // namespace

EditorHostWindow::EditorHostWindow(int width, int height, const std::string& title, int x,
                                   int y)
    : display(XOpenDisplay(nullptr)) {
    if (!display) return;
    int screen = DefaultScreen(display);
    window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, (unsigned)width,
                                 (unsigned)height, 0, kBackground, kBackground);
    XStoreName(display, window, title.c_str());
    // A fixed size, as hosts give a plug-in editor.
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PPosition;
    hints.x = x;
    hints.y = y;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapRaised(display, window);
    if (!waitForMap(display, window)) {
        XDestroyWindow(display, window);
        window = 0;
    }
}

EditorHostWindow::~EditorHostWindow() {
    if (!display) return;
    if (window) XDestroyWindow(display, window);
    XCloseDisplay(display);
}

std::vector<XWindowId> EditorHostWindow::children() const {
    Window root, parent, *list = nullptr;
    unsigned count = 0;
    std::vector<XWindowId> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count)) result.assign(list, list + count);
    if (list) XFree(list);
    return result;
}

Picture EditorHostWindow::capture() const {
    Picture picture;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return picture;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                              (unsigned)attributes.height, AllPlanes, ZPixmap);
    if (!image) return picture;
    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.pixels.resize((size_t)picture.width * (size_t)picture.height);
    for (int y = 0; y < picture.height; y++)
        for (int x = 0; x < picture.width; x++)
            picture.pixels[(size_t)y * (size_t)picture.width + (size_t)x] =
                (uint32_t)XGetPixel(image, x, y) & 0xFFFFFFu;
    XDestroyImage(image);
    return picture;
}

bool EditorHostWindow::closeRequested() {
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && (Atom)event.xclient.data.l[0] == deleteWindow)
            closing = true;
    }
    return closing;
}

bool writePng(const Picture& picture, const std::string& path) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < picture.height && data; y++)
        std::memcpy(data + (size_t)y * (size_t)stride, &picture.pixels[(size_t)y * (size_t)picture.width],
                    (size_t)picture.width * sizeof(uint32_t));
    cairo_surface_mark_dirty(surface);
    bool written = data && cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

}  // namespace host
