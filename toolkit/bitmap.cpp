#include "bitmap.h"

#include <algorithm>
#include <memory>
#include <new>

#include "embedded_resources.h"

namespace {

// Every instance draws the same few resources, so each is decoded once per
// process, the first time any bitmap of it is drawn. Bitmaps made before that
// copy the decoded pixels into their own; bitmaps made after it read the
// table's. The decoded pixels are never written again and live until the
// process ends.
constexpr int kMaxSharedResources = 16;

struct SharedPixels {
    const unsigned char* encoded = nullptr;
    std::unique_ptr<uint32_t[]> pixels;
};

std::mutex tableMutex;
SharedPixels table[kMaxSharedResources];

// Null until the resource has been decoded into the table.
const uint32_t* decodedPixels(const unsigned char* encoded) {
    std::lock_guard<std::mutex> lock(tableMutex);
    for (const SharedPixels& entry : table)
        if (entry.encoded == encoded) return entry.pixels.get();
    return nullptr;
}

// Null when the table is full or memory is short; the caller then decodes
// into its own pixels.
const uint32_t* sharedPixels(const unsigned char* encoded, const BmpLayout& layout) {
    std::lock_guard<std::mutex> lock(tableMutex);
    for (SharedPixels& entry : table) {
        if (entry.encoded == encoded) return entry.pixels.get();
        if (entry.encoded) continue;
        const size_t count = (size_t)layout.width * (size_t)layout.height;
        entry.pixels.reset(new (std::nothrow) uint32_t[count]);
        if (!entry.pixels) return nullptr;
        decodeBmpPixels(encoded, layout, entry.pixels.get());
        entry.encoded = encoded;
        return entry.pixels.get();
    }
    return nullptr;
}

}  // namespace

CBitmap::CBitmap(int32_t resourceId) {
    const EmbeddedResource* resource = findEmbeddedResource(resourceId);
    if (!resource || !readBmpLayout(resource->data, resource->size, layout)) return;
    shared = decodedPixels(resource->data);
    if (!shared) {
        // Plug-in construction must fail cleanly rather than throw when memory is short.
        pixels = new (std::nothrow) uint32_t[(size_t)layout.width * (size_t)layout.height];
        if (!pixels) {
            outOfMemory = true;
            return;
        }
        encoded = resource->data;
    }
    width = layout.width;
    height = layout.height;
}

CBitmap::~CBitmap() { delete[] pixels; }

const uint32_t* CBitmap::getPixels() const {
    if (shared) return shared;
    if (!encoded) return pixels;
    std::call_once(decoded, [this] {
        if (const uint32_t* decodedOnce = sharedPixels(encoded, layout))
            std::copy(decodedOnce, decodedOnce + (size_t)width * (size_t)height, pixels);
        else
            decodeBmpPixels(encoded, layout, pixels);
    });
    return pixels;
}

void CBitmap::forget() {
    if (--references == 0) delete this;
}
