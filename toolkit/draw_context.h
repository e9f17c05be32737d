// An offscreen picture the views paint into; the window shows finished parts
// of it. Everything is drawn in whole pixels, so colours come out exactly as
// given. Cairo draws it on Linux (cairo_draw_context.cpp), our own pixel
// loops and GDI's text on Windows (win32_draw_context.cpp).
#pragma once

#include <cstdint>

#include "geometry.h"

class CBitmap;
#ifndef _WIN32
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
#endif

class CDrawContext {
public:
    CDrawContext(int32_t width, int32_t height);
    ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    // False when the picture could not be allocated; drawing is then ignored.
    bool isValid() const;

    // Later drawing stays inside area.
    void setClipRect(const CRect& area);
    void fillRect(const CRect& area, CColor color);
    // A one-pixel line just inside area.
    void frameRect(const CRect& area, CColor color);
    // One line of text centred in box.
    void drawString(const char* text, const CRect& box, const CFontDesc& font, CColor color);
    // The part of bitmap that starts at source, into dest. Transparent drawing
    // leaves out the bitmap's pure white.
    void drawBitmap(const CBitmap& bitmap, const CRect& dest, CPoint source, bool transparent);

    // The finished pixels for the window system: rows of 32-bit words
    // 0x00RRGGBB in the machine's byte order.
    const unsigned char* pixelRows() const;
    int32_t rowBytes() const;
    int32_t getWidth() const;
    int32_t getHeight() const;

private:
    // Where a bitmap lies when its point source is drawn at dest's corner.
    static CRect placedBitmap(const CBitmap& bitmap, const CRect& dest, CPoint source);

#ifdef _WIN32
    // The GDI handles, kept as void* so that <windows.h> stays out of the views.
    bool selectFont(const CFontDesc& font);

    int32_t width;
    int32_t height;
    uint32_t* pixels = nullptr;  // the DIB section's, 0x00RRGGBB words
    void* bitmapHandle = nullptr;
    void* deviceContext = nullptr;
    void* originalBitmap = nullptr;
    void* fontHandle = nullptr;
    CFontDesc selectedFont{};
    CRect clip;
#else
    cairo_surface_t* surface;
    cairo_t* cr;
#endif
};
