// The X11 side of the window-system seam. Only files named x11_* include Xlib.
#pragma once

#include <memory>

#include "platform.h"

// A new connection to the X server named by DISPLAY; null when there is none.
std::unique_ptr<PlatformDisplay> openX11Display();
