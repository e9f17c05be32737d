// A host's side of an editor window on X11: an empty top-level window whose
// id is handed to the plug-in in effEditOpen, and pictures of what it shows.
// Used by the editor preview and by the editor's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Xlib's own types, without its macros in every file that includes this.
struct _XDisplay;

namespace host {

using XWindowId = unsigned long;

// Pixels as 0xRRGGBB, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
};

class EditorHostWindow {
public:
    // Connects to DISPLAY and maps a top-level window of this size at (x, y);
    // check isOpen().
    EditorHostWindow(int width, int height, const std::string& title, int x = 0, int y = 0);
    ~EditorHostWindow();
    EditorHostWindow(const EditorHostWindow&) = delete;
    EditorHostWindow& operator=(const EditorHostWindow&) = delete;

    bool isOpen() const { return window != 0; }
    // What effEditOpen expects in ptr.
    void* parentHandle() const { return reinterpret_cast<void*>((uintptr_t)window); }
    _XDisplay* getDisplay() const { return display; }
    XWindowId getWindow() const { return window; }

    // The plug-in's windows inside this one.
    std::vector<XWindowId> children() const;
    Picture capture() const;
    // Reads this window's own events; true once the user asked to close it.
    bool closeRequested();

private:
    _XDisplay* display = nullptr;
    XWindowId window = 0;
    unsigned long deleteWindow = 0;
    bool closing = false;
};

// Writes picture as a PNG file; false on failure.
bool writePng(const Picture& picture, const std::string& path);

}  // namespace host
