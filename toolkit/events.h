// Input and expose events as the widget tree sees them, whatever window
// system produced them.
#pragma once

#include <cstdint>

#include "geometry.h"
#include "shell/vst_abi.h"

// Mouse buttons and keyboard modifiers held during a mouse event, as bits.
enum CButtonState : int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
};
constexpr int32_t kMouseButtons = kLButton | kMButton | kRButton;
constexpr int32_t kModifiers = kShift | kControl | kAlt;

struct PlatformEvent {
    enum Type { kExpose, kMouseDown, kMouseMove, kMouseUp, kKeyDown, kKeyUp };
    Type type;
    CRect area{};         // kExpose: the part of the window to repaint
    CPoint where{};       // mouse events, window coordinates
    int32_t buttons = 0;  // mouse events: CButtonState bits
    VstKeyCode key{};     // key events
};
