#include <windows.h>

#include "shell/plugin_info.h"
#include "validator_support.h"

namespace validator {

ParentWindow::ParentWindow() {
    HWND parent = CreateWindowExA(0, "STATIC", "validator", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, plugin_info::kEditorWidth, plugin_info::kEditorHeight,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    window = reinterpret_cast<uintptr_t>(parent);
}

ParentWindow::~ParentWindow() {
    if (window) DestroyWindow(reinterpret_cast<HWND>(window));
}

void ParentWindow::drain() {
    MSG message;
    while (PeekMessageA(&message, reinterpret_cast<HWND>(window), 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

size_t ParentWindow::children() const {
    size_t count = 0;
    for (HWND child = GetWindow(reinterpret_cast<HWND>(window), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        count++;
    return count;
}

}  // namespace validator
