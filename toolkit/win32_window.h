// One editor window on Windows: a child of the host's window. The host's
// message loop may hand the window its messages at any time; they wait in a
// queue until the host's idle call reads them (processEvents), so the widget
// tree meets input only there, as on X11. WM_PAINT is answered at once from
// the picture last presented, which is always a finished one.
#pragma once

#include <windows.h>

#include <deque>

#include "platform.h"

class Win32Window : public PlatformWindow {
public:
    // A window of the module's class className; null when parent is not a
    // window or Windows refuses the window.
    static std::unique_ptr<PlatformWindow> create(HWND parent, const wchar_t* className,
                                                  HINSTANCE module, const CRect& size,
                                                  PlatformEventSink& sink);
    ~Win32Window() override;

    void processEvents() override;
    void present(const CDrawContext& picture, const CRect& area) override;

    // The procedure of the editor's window class.
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // A translated message, with the original kept for passing keys on.
    struct Waiting {
        PlatformEvent event;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    Win32Window(HWND parent, PlatformEventSink& sink) : parent(parent), sink(sink) {}
    bool receive(UINT message, WPARAM wParam, LPARAM lParam);
    void mouseButton(UINT message, WPARAM wParam, LPARAM lParam);
    void captureLost();
    void paint();
    void queue(const PlatformEvent& event, UINT message, WPARAM wParam, LPARAM lParam);

    HWND parent;
    HWND window = nullptr;  // null once Windows has destroyed it (with its parent)
    PlatformEventSink& sink;
    std::deque<Waiting> waiting;
    // The frame's picture, which outlives its window.
    const CDrawContext* shown = nullptr;
    int32_t buttonsDown = 0;
    CPoint lastPoint;
};
