// Glue between the plug-in's editor slot and the widget toolkit: holds the
// plug-in, the host window, the rectangle, the window-system connection and
// the frame, and passes edit gestures on to the plug-in.
//
// Threads: everything except setParameter runs on the host's user-interface
// thread. setParameter may be called from any thread; a derived editor must
// only record the change there and apply it on the user-interface thread.
#pragma once

#include <chrono>
#include <memory>

#include "platform.h"
#include "shell/aeff_editor.h"
#ifdef _WIN32
#include "win32_display.h"
#else
#include "x11_display.h"
#endif

class AudioEffectX;
class CFrame;

#ifdef _WIN32
constexpr PlatformDisplayFactory nativeDisplay = openWin32Display;
#else
constexpr PlatformDisplayFactory nativeDisplay = openX11Display;
#endif

class AEffGUIEditor : public AEffEditor {
public:
    // Registers itself as the plug-in's editor. openDisplay connects to the
    // window system at each open; the build's own by default.
    explicit AEffGUIEditor(AudioEffectX* effect,
                           PlatformDisplayFactory openDisplay = nativeDisplay);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    // Records the host window and connects to the window system; false when
    // there is no window system. Derived editors build their frame after it.
    bool open(void* ptr) override;
    // Deletes the frame, then drops the connection. Harmless when closed.
    void close() override;
    bool isOpen() override { return frame != nullptr; }
    // Reads the window's events and repaints what changed.
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;

    virtual void setParameter(int32_t, float) {}
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    // Called by controls while they track the mouse: at most every 50 ms it
    // repaints what changed and lets the host run its own idle work.
    virtual void doIdleStuff();

    PlatformDisplay* getDisplay() const { return display.get(); }
    void* getParentWindow() const { return systemWindow; }

protected:
    ERect rect{};
    CFrame* frame = nullptr;

private:
    bool passKey(PlatformEvent::Type type, const VstKeyCode& key);

    PlatformDisplayFactory openDisplay;
    std::unique_ptr<PlatformDisplay> display;
    std::chrono::steady_clock::time_point lastIdleRun{};
    bool hostIdleDue = false;
};
