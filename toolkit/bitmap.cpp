#include "bitmap.h"

#include <new>

#include "bmp_decoder.h"
#include "embedded_resources.h"

CBitmap::CBitmap(int32_t resourceId) {
    const EmbeddedResource* resource = findEmbeddedResource(resourceId);
    BmpLayout layout;
    if (!resource || !readBmpLayout(resource->data, resource->size, layout)) return;
    // Plug-in construction must fail cleanly rather than throw when memory is short.
    pixels = new (std::nothrow) uint32_t[(size_t)layout.width * (size_t)layout.height];
    if (!pixels) {
        outOfMemory = true;
        return;
    }
    decodeBmpPixels(resource->data, layout, pixels);
    width = layout.width;
    height = layout.height;
}

CBitmap::~CBitmap() { delete[] pixels; }

void CBitmap::forget() {
    if (--references == 0) delete this;
}
