#include "bitmap.h"

#include <new>

#include "embedded_resources.h"

CBitmap::CBitmap(int32_t resourceId) {
    const EmbeddedResource* resource = findEmbeddedResource(resourceId);
    if (!resource || !readBmpLayout(resource->data, resource->size, layout)) return;
    // Plug-in construction must fail cleanly rather than throw when memory is short.
    pixels = new (std::nothrow) uint32_t[(size_t)layout.width * (size_t)layout.height];
    if (!pixels) {
        outOfMemory = true;
        return;
    }
    encoded = resource->data;
    width = layout.width;
    height = layout.height;
}

CBitmap::~CBitmap() { delete[] pixels; }

const uint32_t* CBitmap::getPixels() const {
    if (encoded) std::call_once(decoded, [this] { decodeBmpPixels(encoded, layout, pixels); });
    return pixels;
}

void CBitmap::forget() {
    if (--references == 0) delete this;
}
