// The picture on cairo: an RGB24 image surface.
#include "draw_context.h"

#include <cairo.h>

#include <cmath>

#include "bitmap.h"

namespace {

void setColor(cairo_t* cr, CColor color) {
    cairo_set_source_rgb(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0);
}

void addRect(cairo_t* cr, const CRect& r) {
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
}

}  // namespace

CDrawContext::CDrawContext(int32_t width, int32_t height)
    : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
      cr(cairo_create(surface)) {}

CDrawContext::~CDrawContext() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

bool CDrawContext::isValid() const {
    return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
           cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

const unsigned char* CDrawContext::pixelRows() const {
    cairo_surface_flush(surface);
    return cairo_image_surface_get_data(surface);
}

int32_t CDrawContext::rowBytes() const { return cairo_image_surface_get_stride(surface); }

int32_t CDrawContext::getWidth() const { return cairo_image_surface_get_width(surface); }

int32_t CDrawContext::getHeight() const { return cairo_image_surface_get_height(surface); }

void CDrawContext::setClipRect(const CRect& area) {
    cairo_reset_clip(cr);
    addRect(cr, area);
    cairo_clip(cr);
}

void CDrawContext::fillRect(const CRect& area, CColor color) {
    setColor(cr, color);
    addRect(cr, area);
    cairo_fill(cr);
}

void CDrawContext::drawString(const char* text, const CRect& box, const CFontDesc& font,
                              CColor color) {
    cairo_select_font_face(cr, font.family, CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.pixelHeight);
    cairo_font_extents_t fontExtents;
    cairo_text_extents_t textExtents;
    cairo_font_extents(cr, &fontExtents);
    cairo_text_extents(cr, text, &textExtents);
    double x = box.left + (box.width() - textExtents.x_advance) / 2.0;
    double baseline = box.top + (box.height() + fontExtents.ascent - fontExtents.descent) / 2.0;
    cairo_save(cr);
    addRect(cr, box);
    cairo_clip(cr);
    setColor(cr, color);
    cairo_move_to(cr, std::round(x), std::round(baseline));
    cairo_show_text(cr, text);
    cairo_restore(cr);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, CPoint source,
                              bool transparent) {
    CRect placed = placedBitmap(bitmap, dest, source);
    CRect area = dest.intersected(placed);
    if (area.isEmpty()) return;
    int32_t stride = bitmap.getWidth() * (int32_t)sizeof(uint32_t);
    // Cairo only reads through this pointer; it wraps the pixels without copying.
    auto* pixels = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.getPixels()));
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        pixels, CAIRO_FORMAT_ARGB32, bitmap.getWidth(), bitmap.getHeight(), stride);
    cairo_save(cr);
    addRect(cr, area);
    cairo_clip(cr);
    // White is stored as transparent, so an opaque copy paints it back first.
    if (!transparent) {
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_paint(cr);
    }
    cairo_set_source_surface(cr, image, placed.left, placed.top);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}
