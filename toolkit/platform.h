// The seam between the widget tree and a window system. A display owns the
// connection to the window system (one per open editor, so several plug-in
// instances never share state); a window is one native child window. All
// native events enter the tree through PlatformEventSink::handleEvent.
#pragma once

#include <memory>

#include "events.h"
#include "geometry.h"

class CDrawContext;

class PlatformEventSink {
public:
    virtual ~PlatformEventSink() = default;
    // True when the event was used; unused keys may be passed on to the host.
    virtual bool handleEvent(const PlatformEvent& event) = 0;
};

class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;
    // Reads every waiting native event and hands it to the sink.
    virtual void processEvents() = 0;
    // Copies area of the finished picture onto the screen.
    virtual void present(const CDrawContext& picture, const CRect& area) = 0;
};

class PlatformDisplay {
public:
    virtual ~PlatformDisplay() = default;
    // A child window of the host's window, mapped; null when it cannot be made.
    virtual std::unique_ptr<PlatformWindow> createWindow(void* parent, const CRect& size,
                                                         PlatformEventSink& sink) = 0;
};

// Opens a connection to the window system; null when there is none.
using PlatformDisplayFactory = std::unique_ptr<PlatformDisplay> (*)();
