// Reads the plug-in's embedded 24-bit uncompressed BMP files. Hand-written:
// the format subset is a header and rows of bytes, smaller than any wrapper
// around an image library would be.
#pragma once

#include <cstddef>
#include <cstdint>

struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    size_t pixelOffset = 0;
    size_t rowStride = 0;
};

// False unless data holds a whole 24-bit uncompressed bitmap: a BMP file, or
// one without the file header as Windows keeps bitmap resources.
bool readBmpLayout(const unsigned char* data, size_t size, BmpLayout& layout);

// Writes width x height pixels, top row first, as premultiplied 32-bit ARGB in
// native byte order. Pure white becomes fully transparent: that is how the
// toolkit's bitmaps mark their see-through parts.
void decodeBmpPixels(const unsigned char* data, const BmpLayout& layout, uint32_t* pixels);
