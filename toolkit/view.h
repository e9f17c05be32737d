// Anything drawn in a frame: a rectangle, a picture and reactions to the
// mouse and keyboard. The frame owns its views.
#pragma once

#include "events.h"
#include "geometry.h"

class CDrawContext;
class CFrame;

class CView {
public:
    explicit CView(const CRect& size) : size(size) {}
    virtual ~CView() = default;
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    const CRect& getViewSize() const { return size; }

    virtual void draw(CDrawContext& context) = 0;
    // Draws and remembers that the picture is now current.
    void redraw(CDrawContext& context) {
        draw(context);
        markDrawn();
    }
    void setDirty(bool state = true) { dirty = state; }
    virtual bool isDirty() const { return dirty; }

    // The frame sends a view the whole gesture that starts on it.
    virtual void onMouseDown(CPoint, int32_t) {}
    virtual void onMouseMoved(CPoint, int32_t) {}
    virtual void onMouseUp(CPoint, int32_t) {}
    // The gesture ends without a button release (the frame is going away).
    virtual void onMouseCancelled() {}
    // Keys reach the view that has the focus; true when used.
    virtual bool onKeyDown(const VstKeyCode&) { return false; }
    virtual bool onKeyUp(const VstKeyCode&) { return false; }

    void attachTo(CFrame* owner) { frame = owner; }

protected:
    CFrame* getFrame() const { return frame; }
    virtual void markDrawn() { dirty = false; }

private:
    CRect size;
    CFrame* frame = nullptr;
    bool dirty = false;
};
