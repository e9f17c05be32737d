#include "frame.h"

#include <new>

#include "aeff_gui_editor.h"
#include "bitmap.h"
#include "draw_context.h"
#include "view.h"

CFrame::CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor)
    : size(size), editor(editor) {
    picture.reset(new (std::nothrow) CDrawContext(size.width(), size.height()));
    if (picture && !picture->isValid()) picture.reset();
    PlatformDisplay* display = editor ? editor->getDisplay() : nullptr;
    if (picture && display) window = display->createWindow(parentWindow, size, *this);
}

CFrame::~CFrame() {
    // A drag cut short by closing still ends its edit gesture for the host.
    if (mouseView) mouseView->onMouseCancelled();
    for (CView* view : views) delete view;
    window.reset();
    if (background) background->forget();
}

void CFrame::setBackground(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
    invalidate(size);
}

void CFrame::setBackgroundColor(CColor color) {
    backgroundColor = color;
    invalidate(size);
}

void CFrame::addView(CView* view) {
    if (!view) return;
    views.push_back(view);
    view->attachTo(this);
    invalidate(view->getViewSize());
}

void CFrame::idle() {
    // A view may pump idle while the frame is reading events (a drag calls
    // doIdleStuff); it then only gets the repaint.
    if (window && !readingEvents) {
        readingEvents = true;
        window->processEvents();
        readingEvents = false;
    }
    for (CView* view : views)
        if (view->isDirty()) invalidate(view->getViewSize());
    paintInvalidArea();
}

void CFrame::invalidate(const CRect& area) {
    invalidArea = invalidArea.united(area.intersected(size));
}

void CFrame::paintInvalidArea() {
    if (invalidArea.isEmpty() || !picture) return;
    CDrawContext& context = *picture;
    context.setClipRect(invalidArea);
    if (background)
        context.drawBitmap(*background, size, {0, 0}, false);
    else
        context.fillRect(size, backgroundColor);
    for (CView* view : views)
        if (view->getViewSize().intersects(invalidArea)) view->redraw(context);
    if (window) window->present(context, invalidArea);
    invalidArea = {};
}

CView* CFrame::viewAt(CPoint where) const {
    // The last view added is drawn on top, so it gets the click.
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->getViewSize().contains(where)) return *it;
    return nullptr;
}

void CFrame::mouseDown(const PlatformEvent& event) {
    // One gesture at a time: other buttons pressed during a drag are ignored.
    if (mouseView) return;
    CView* view = viewAt(event.where);
    focusView = view;
    if (!view) return;
    mouseView = view;
    view->onMouseDown(event.where, event.buttons);
}

bool CFrame::handleEvent(const PlatformEvent& event) {
    switch (event.type) {
        case PlatformEvent::kExpose:
            invalidate(event.area);
            return true;
        case PlatformEvent::kMouseDown:
            mouseDown(event);
            return true;
        case PlatformEvent::kMouseMove:
            if (mouseView) mouseView->onMouseMoved(event.where, event.buttons);
            return true;
        case PlatformEvent::kMouseUp:
            if (!mouseView || (event.buttons & kMouseButtons & ~kLButton)) return true;
            mouseView->onMouseUp(event.where, event.buttons);
            mouseView = nullptr;
            return true;
        case PlatformEvent::kKeyDown:
            return focusView && focusView->onKeyDown(event.key);
        case PlatformEvent::kKeyUp:
            return focusView && focusView->onKeyUp(event.key);
    }
    return false;
}

void CFrame::beginEdit(int32_t tag) {
    if (editor) editor->beginEdit(tag);
}

void CFrame::endEdit(int32_t tag) {
    if (editor) editor->endEdit(tag);
}

void CFrame::doIdleStuff() {
    if (editor) editor->doIdleStuff();
}
