#include "win32_display.h"

#include <windows.h>

#include <cwchar>
#include <new>

#include "shell/module_handle.h"
#include "win32_window.h"

namespace {

constexpr size_t kClassNameLength = 48;

HINSTANCE pluginModule() { return static_cast<HINSTANCE>(pluginModuleHandle()); }

class Win32Display : public PlatformDisplay {
public:
    explicit Win32Display(const wchar_t* name) {
        std::swprintf(className, kClassNameLength, L"%ls", name);
    }
    // Fails while another editor of this module still has a window of the
    // class; the last one to close unregisters it, so nothing points into an
    // unloaded DLL.
    ~Win32Display() override { UnregisterClassW(className, pluginModule()); }
    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    // The host passes its window's HWND.
    std::unique_ptr<PlatformWindow> createWindow(void* parent, const CRect& size,
                                                 PlatformEventSink& sink) override {
        return Win32Window::create(static_cast<HWND>(parent), className, pluginModule(), size,
                                   sink);
    }

private:
    wchar_t className[kClassNameLength];
};

}  // namespace

std::unique_ptr<PlatformDisplay> openWin32Display() {
    // Both plug-ins carry the toolkit, each its own copy in one host process:
    // the module's address keeps their class names apart.
    wchar_t name[kClassNameLength];
    std::swprintf(name, kClassNameLength, L"TamboroEditor%p", (void*)pluginModule());
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Win32Window::windowProc;
    windowClass.hInstance = pluginModule();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    // Another open editor of this module may have registered it already.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    auto* display = new (std::nothrow) Win32Display(name);
    if (!display) UnregisterClassW(name, pluginModule());
    return std::unique_ptr<PlatformDisplay>(display);
}
