#include "x11_error_trap.h"

#include <atomic>

namespace {

thread_local X11ErrorTrap* innermostTrap = nullptr;
// The handler that was there before ours, for errors that are not ours
// (another connection, or another thread while ours is installed).
std::atomic<XErrorHandler> hostHandler{nullptr};

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : display(display), previous(XSetErrorHandler(handleError)), outer(innermostTrap) {
    if (previous != handleError) hostHandler = previous;
    innermostTrap = this;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display, False);
    innermostTrap = outer;
    XSetErrorHandler(previous);
}

bool X11ErrorTrap::failed() {
    XSync(display, False);
    return errorSeen;
}

int X11ErrorTrap::handleError(Display* display, XErrorEvent* event) {
    for (X11ErrorTrap* trap = innermostTrap; trap; trap = trap->outer) {
        if (trap->display == display) {
            trap->errorSeen = true;
            return 0;
        }
    }
    XErrorHandler host = hostHandler;
    return host ? host(display, event) : 0;
}
