// A window system without windows: the widget tree runs and paints its
// offscreen picture, and tests hand events straight to the frame.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"
#include "toolkit/platform.h"

class StubWindow : public PlatformWindow {
public:
    StubWindow(std::vector<PlatformEvent>& queue, std::vector<CRect>& log, PlatformEventSink& sink)
        : queue(queue), presented(log), sink(sink) {}
    // Hands over the queued events as a window system's pump would.
    void processEvents() override {
        std::vector<PlatformEvent> events;
        events.swap(queue);
        for (const PlatformEvent& event : events) sink.handleEvent(event);
    }
    void present(const CDrawContext&, const CRect& area) override { presented.push_back(area); }

private:
    std::vector<PlatformEvent>& queue;
    std::vector<CRect>& presented;
    PlatformEventSink& sink;
};

class StubDisplay : public PlatformDisplay {
public:
    std::unique_ptr<PlatformWindow> createWindow(void* parent, const CRect&,
                                                 PlatformEventSink& sink) override {
        if (!parent) return nullptr;
        return std::make_unique<StubWindow>(queued, presented, sink);
    }
    // Events the next idle reads, and every area put on the "screen", in order.
    std::vector<PlatformEvent> queued;
    std::vector<CRect> presented;
};

inline std::unique_ptr<PlatformDisplay> openStubDisplay() {
    return std::make_unique<StubDisplay>();
}

// A pixel of the frame's picture as 0xRRGGBB.
inline uint32_t pixelAt(const CFrame& frame, int x, int y) {
    const CDrawContext* picture = frame.getPicture();
    const unsigned char* row = picture->pixelRows() + (size_t)y * (size_t)picture->rowBytes();
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
}

// A bitmap pixel as it looks when drawn opaquely, 0xRRGGBB.
inline uint32_t opaquePixel(const CBitmap& bitmap, int x, int y) {
    uint32_t argb = bitmap.getPixels()[(size_t)y * bitmap.getWidth() + x];
    return argb == 0 ? 0xFFFFFFu : argb & 0xFFFFFFu;
}
