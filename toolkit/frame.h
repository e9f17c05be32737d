// The editor's window content: a native child window of the host's window,
// a background bitmap and the views on it, drawn into an offscreen picture.
//
// Everything here runs on the host's user-interface thread: the host's idle
// call reads the native events, the views react, and whatever changed is
// painted before idle returns. The frame owns its views.
#pragma once

#include <memory>
#include <vector>

#include "platform.h"

class AEffGUIEditor;
class CBitmap;
class CDrawContext;
class CView;

class CFrame : public PlatformEventSink {
public:
    // parentWindow is the host's native window; the editor supplies the
    // window-system connection and hears of edits.
    CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor);
    ~CFrame() override;
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // False when the native window or the picture could not be made.
    bool isValid() const { return window && picture; }

    // Drawn at (0, 0) under all views.
    void setBackground(CBitmap* bitmap);
    // Fills the frame under the views when there is no background bitmap.
    void setBackgroundColor(CColor color);
    // Takes ownership; views are drawn in the order they were added.
    void addView(CView* view);

    // Reads waiting native events, then repaints what changed.
    void idle();
    bool handleEvent(const PlatformEvent& event) override;

    // True while idle hands native events to the views.
    bool isReadingEvents() const { return readingEvents; }
    CView* getFocusView() const { return focusView; }
    // For the views: gesture brackets and the tracking pump, passed to the editor.
    void beginEdit(int32_t tag);
    void endEdit(int32_t tag);
    void doIdleStuff();
    // The finished picture as last painted.
    const CDrawContext* getPicture() const { return picture.get(); }

private:
    void invalidate(const CRect& area);
    void paintInvalidArea();
    CView* viewAt(CPoint where) const;
    void mouseDown(const PlatformEvent& event);

    CRect size;
    AEffGUIEditor* editor;
    CBitmap* background = nullptr;
    CColor backgroundColor = kBlackCColor;
    std::vector<CView*> views;
    CView* mouseView = nullptr;
    CView* focusView = nullptr;
    CRect invalidArea{};
    bool readingEvents = false;
    std::unique_ptr<CDrawContext> picture;
    std::unique_ptr<PlatformWindow> window;
};
