// The Win32 side of the window-system seam. Only files named win32_* include
// <windows.h>.
#pragma once

#include <memory>

#include "platform.h"

// The window class of the module's editor windows, registered while the
// display lives; null when it cannot be registered.
std::unique_ptr<PlatformDisplay> openWin32Display();
