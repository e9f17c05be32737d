#include "bmp_decoder.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint16_t kBitsPerPixel = 24;
constexpr uint32_t kUncompressed = 0;
constexpr size_t kBytesPerPixel = 3;
// Far beyond any editor picture; keeps every size computation small.
constexpr int32_t kMaxSide = 16384;
constexpr uint32_t kOpaque = 0xFF000000u;

uint32_t readU32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

uint16_t readU16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }

}  // namespace

bool readBmpLayout(const unsigned char* data, size_t size, BmpLayout& layout) {
    if (!data) return false;
    // A bitmap resource of a Windows module is the file without its header.
    const bool file = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const size_t header = file ? kFileHeaderSize : 0;
    if (size < header + kInfoHeaderSize) return false;
    const unsigned char* info = data + header;
    int32_t width = (int32_t)readU32(info + 4);
    int32_t height = (int32_t)readU32(info + 8);
    if (readU32(info) < kInfoHeaderSize || readU16(info + 12) != 1 ||
        readU16(info + 14) != kBitsPerPixel || readU32(info + 16) != kUncompressed)
        return false;
    bool topDown = height < 0;
    if (topDown) height = height == INT32_MIN ? 0 : -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    size_t stride = ((size_t)width * kBytesPerPixel + 3) & ~(size_t)3;
    // Without a file header the pixels follow the info header (24-bit
    // pictures have no colour table).
    size_t offset = file ? readU32(data + 10) : readU32(info);
    if (offset > size || (size - offset) / stride < (size_t)height) return false;
    layout = {width, height, topDown, offset, stride};
    return true;
}

void decodeBmpPixels(const unsigned char* data, const BmpLayout& layout, uint32_t* pixels) {
    for (int32_t y = 0; y < layout.height; y++) {
        int32_t fileRow = layout.topDown ? y : layout.height - 1 - y;
        const unsigned char* in = data + layout.pixelOffset + (size_t)fileRow * layout.rowStride;
        uint32_t* out = pixels + (size_t)y * (size_t)layout.width;
        for (int32_t x = 0; x < layout.width; x++, in += kBytesPerPixel) {
            uint32_t rgb = (uint32_t)in[2] << 16 | (uint32_t)in[1] << 8 | in[0];
            out[x] = rgb == 0xFFFFFFu ? 0u : kOpaque | rgb;
        }
    }
}
