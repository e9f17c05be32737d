// libFuzzer entry: every input is a program of host actions played against a
// fresh instance (see host_actions.h). Built once for each plug-in: its code
// is linked in directly so that the fuzzer sees its coverage, and the
// instance is made by the same function its exported entry point calls.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "host_actions.h"
#include "shell/effect_factory.h"

namespace {

void abortOnFault(const std::string& what) {
    fprintf(stderr, "host-interface fault: %s\n", what.c_str());
    abort();
}

// A window for the editor to open in, made once, when there is a display.
// The connection stays open (and reachable) for the whole run.
struct ParentWindow {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
    ParentWindow() {
        if (!display) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 812, 650, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ParentWindow parent;
    fuzzing::resetHost(abortOnFault);
    AudioEffect* effect = createEffectInstance(fuzzing::hostCallback);
    if (!effect) abort();
    fuzzing::playActions(effect->getAeffect(), data, size,
                         reinterpret_cast<void*>(parent.window));
    return 0;
}
