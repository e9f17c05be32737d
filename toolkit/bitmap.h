// A picture from the module's bitmap resources, shared by reference count:
// whoever keeps a pointer holds one reference (the creator holds the first)
// and gives it back with forget(). Pure white pixels are see-through when the
// bitmap is drawn transparently.
//
// Each resource is decoded once per process, when a bitmap of it is first
// read (the plug-in makes its background with every instance, and most
// instances never show an editor). A bitmap made after that reads the
// process's decoded pixels and allocates none; one made before allocates its
// pixels with itself and fills them from there when first read. Reading may
// happen on any thread; the filling happens once.
#pragma once

#include <cstdint>
#include <mutex>

#include "bmp_decoder.h"

class CBitmap {
public:
    // Loads resource resourceId; a missing or unreadable resource gives 0 x 0.
    explicit CBitmap(int32_t resourceId);
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    void remember() { references++; }
    // Deletes the bitmap when the last reference goes.
    void forget();

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    // The resource was there but its pixels could not be allocated.
    bool allocationFailed() const { return outOfMemory; }
    // Premultiplied ARGB rows, white as transparent; null when 0 x 0.
    const uint32_t* getPixels() const;

private:
    ~CBitmap();

    int32_t references = 1;
    int32_t width = 0;
    int32_t height = 0;
    bool outOfMemory = false;
    const unsigned char* encoded = nullptr;
    BmpLayout layout;
    const uint32_t* shared = nullptr;  // the process's decoded pixels, or null
    uint32_t* pixels = nullptr;         // this bitmap's own, or null
    mutable std::once_flag decoded;
};
