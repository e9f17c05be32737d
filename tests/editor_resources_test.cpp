// The embedded bitmaps, the BMP reader and the read-out texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/threshold_text.h"
#include "toolkit/bitmap.h"
#include "toolkit/bmp_decoder.h"
#include "toolkit/embedded_resources.h"
#include "toolkit/draw_context.h"

namespace {

struct BitmapSize {
    int32_t id, width, height;
};

// Owns one reference for the test's duration.
struct BitmapRef {
    explicit BitmapRef(int32_t id) : bitmap(new CBitmap(id)) {}
    ~BitmapRef() { bitmap->forget(); }
    CBitmap* operator->() const { return bitmap; }
    CBitmap& operator*() const { return *bitmap; }
    CBitmap* bitmap;
};

TEST(Bitmaps, EveryResourceHasItsListedSize) {
    const BitmapSize sizes[] = {{101, 812, 650}, {102, 64, 323},  {103, 25, 35},  {104, 313, 248},
                                {105, 230, 124}, {106, 231, 186}, {107, 313, 310}};
    for (const BitmapSize& size : sizes) {
        BitmapRef bitmap(size.id);
        EXPECT_EQ(bitmap->getWidth(), size.width) << size.id;
        EXPECT_EQ(bitmap->getHeight(), size.height) << size.id;
        EXPECT_FALSE(bitmap->allocationFailed());
    }
}

TEST(Bitmaps, AMissingResourceIsEmpty) {
    for (int32_t id : {0, 100, 108, -1}) {
        BitmapRef bitmap(id);
        EXPECT_EQ(bitmap->getWidth(), 0);
        EXPECT_EQ(bitmap->getHeight(), 0);
        EXPECT_EQ(bitmap->getPixels(), nullptr);
        EXPECT_FALSE(bitmap->allocationFailed());
    }
}

// Each resource is decoded once per process; every bitmap of it, made before
// or after the first reading, holds exactly what decoding the resource gives,
// and those made after share one copy of the pixels.
TEST(Bitmaps, EveryBitmapOfAResourceHasItsDecodedPixels) {
    for (int32_t id = 101; id <= 107; id++) {
        const EmbeddedResource* resource = findEmbeddedResource(id);
        BmpLayout layout;
        ASSERT_TRUE(resource && readBmpLayout(resource->data, resource->size, layout)) << id;
        std::vector<uint32_t> decoded((size_t)layout.width * (size_t)layout.height);
        decodeBmpPixels(resource->data, layout, decoded.data());
        BitmapRef first(id), second(id);
        first->getPixels();
        BitmapRef third(id), fourth(id);
        for (const BitmapRef* bitmap : {&first, &second, &third, &fourth})
            EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), (*bitmap)->getPixels())) << id;
        EXPECT_EQ(third->getPixels(), fourth->getPixels()) << id;
    }
}

TEST(Bitmaps, TheSliderHandleIsFullyOpaque) {
    BitmapRef handle(103);
    for (int32_t i = 0; i < handle->getWidth() * handle->getHeight(); i++)
        ASSERT_EQ(handle->getPixels()[i] >> 24, 0xFFu) << "pixel " << i << " is pure white";
}

uint32_t contextPixel(const CDrawContext& context, int x, int y) {
    const unsigned char* row = context.pixelRows() + (size_t)y * (size_t)context.rowBytes();
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
}

TEST(Bitmaps, TransparentDrawingLeavesOutPureWhiteOnly) {
    BitmapRef strip(104);  // state 0 lights its first button with a white face
    const CRect state{0, 0, 313, 62};
    const CColor red{200, 0, 0};
    constexpr int kFaceX = 20, kFaceY = 12, kSlateX = 2, kSlateY = 2;
    CDrawContext transparent(313, 62), opaque(313, 62);
    for (CDrawContext* context : {&transparent, &opaque}) context->fillRect(state, red);
    transparent.drawBitmap(*strip, state, {0, 0}, true);
    opaque.drawBitmap(*strip, state, {0, 0}, false);
    EXPECT_EQ(contextPixel(transparent, kFaceX, kFaceY), 0xC80000u);
    EXPECT_EQ(contextPixel(opaque, kFaceX, kFaceY), 0xFFFFFFu);
    EXPECT_EQ(contextPixel(transparent, kSlateX, kSlateY), 0x4E638Bu);  // the strip's (78, 99, 139)
    EXPECT_EQ(contextPixel(opaque, kSlateX, kSlateY), 0x4E638Bu);
}

// A BMP file of width x height 24-bit pixels, each row given as BGR bytes.
std::vector<unsigned char> bmpFile(int32_t width, int32_t height, uint16_t bits = 24,
                                   uint32_t compression = 0) {
    size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    size_t rows = (size_t)(height < 0 ? -height : height);
    std::vector<unsigned char> file(54 + stride * rows, 0);
    auto put = [&file](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; i++) file[at + i] = (unsigned char)(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, (uint32_t)file.size(), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, (uint32_t)width, 4);
    put(22, (uint32_t)height, 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    return file;
}

TEST(BmpDecoder, ReadsBottomUpRowsWithPaddingAndMakesWhiteTransparent) {
    // 2 x 2: stride 8 bytes. Bottom row first in the file.
    std::vector<unsigned char> file = bmpFile(2, 2);
    const unsigned char bottom[] = {0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF};  // (1,2,3), white
    const unsigned char top[] = {0x30, 0x20, 0x10, 0x00, 0x00, 0x00};     // (16,32,48), black
    std::memcpy(&file[54], bottom, sizeof bottom);
    std::memcpy(&file[62], top, sizeof top);
    BmpLayout layout;
    ASSERT_TRUE(readBmpLayout(file.data(), file.size(), layout));
    EXPECT_EQ(layout.width, 2);
    EXPECT_EQ(layout.height, 2);
    uint32_t pixels[4];
    decodeBmpPixels(file.data(), layout, pixels);
    EXPECT_EQ(pixels[0], 0xFF102030u);
    EXPECT_EQ(pixels[1], 0xFF000000u);
    EXPECT_EQ(pixels[2], 0xFF010203u);
    EXPECT_EQ(pixels[3], 0u);
}

TEST(BmpDecoder, ReadsBitmapsWithoutFileHeaderAsWindowsResourcesHoldThem) {
    std::vector<unsigned char> file = bmpFile(2, 1);
    file[56] = 0x07;  // the first pixel's red
    std::vector<unsigned char> resource(file.begin() + 14, file.end());
    BmpLayout layout;
    ASSERT_TRUE(readBmpLayout(resource.data(), resource.size(), layout));
    uint32_t pixels[2];
    decodeBmpPixels(resource.data(), layout, pixels);
    EXPECT_EQ(pixels[0], 0xFF070000u);
    EXPECT_FALSE(readBmpLayout(resource.data(), resource.size() - 1, layout));  // pixels cut
}

TEST(BmpDecoder, ReadsTopDownFiles) {
    std::vector<unsigned char> file = bmpFile(1, -2);
    file[54] = 0x01;  // first row in the file is the top row
    BmpLayout layout;
    ASSERT_TRUE(readBmpLayout(file.data(), file.size(), layout));
    EXPECT_TRUE(layout.topDown);
    uint32_t pixels[2];
    decodeBmpPixels(file.data(), layout, pixels);
    EXPECT_EQ(pixels[0], 0xFF000001u);
    EXPECT_EQ(pixels[1], 0xFF000000u);
}

TEST(BmpDecoder, RefusesAnythingButWhole24BitUncompressedBitmaps) {
    BmpLayout layout;
    std::vector<unsigned char> good = bmpFile(3, 3);
    ASSERT_TRUE(readBmpLayout(good.data(), good.size(), layout));
    EXPECT_FALSE(readBmpLayout(nullptr, 0, layout));
    EXPECT_FALSE(readBmpLayout(good.data(), 53, layout));                  // header cut
    EXPECT_FALSE(readBmpLayout(good.data(), good.size() - 1, layout));     // pixels cut
    std::vector<unsigned char> badMagic = good;
    badMagic[0] = 'X';
    EXPECT_FALSE(readBmpLayout(badMagic.data(), badMagic.size(), layout));
    std::vector<unsigned char> deep = bmpFile(3, 3, 32);
    EXPECT_FALSE(readBmpLayout(deep.data(), deep.size(), layout));
    std::vector<unsigned char> packed = bmpFile(3, 3, 24, 1);
    EXPECT_FALSE(readBmpLayout(packed.data(), packed.size(), layout));
    std::vector<unsigned char> empty = bmpFile(0, 3);
    EXPECT_FALSE(readBmpLayout(empty.data(), empty.size(), layout));
    std::vector<unsigned char> huge = bmpFile(3, 3);
    huge[21] = 0x7F;  // width near 2^31: the file cannot hold it
    EXPECT_FALSE(readBmpLayout(huge.data(), huge.size(), layout));
    std::vector<unsigned char> farOffset = bmpFile(3, 3);
    farOffset[13] = 0xFF;  // pixel offset beyond the end
    EXPECT_FALSE(readBmpLayout(farOffset.data(), farOffset.size(), layout));
}

std::string high(float v) {
    char text[32];
    highThresholdText(v, text, sizeof text);
    return text;
}

std::string low(float v) {
    char text[32];
    lowThresholdText(v, text, sizeof text);
    return text;
}

TEST(ThresholdText, ShowsDecibelsOfTheLevelAndOfATenthOfIt) {
    EXPECT_EQ(high(1.0f), "0.000 dB");
    EXPECT_EQ(low(1.0f), "-20.000 dB");
    EXPECT_EQ(high(0.5f), "-6.021 dB");
    EXPECT_EQ(low(0.5f), "-26.021 dB");
    EXPECT_EQ(high(0.25f), "-12.041 dB");
    EXPECT_EQ(low(0.25f), "-32.041 dB");
    EXPECT_EQ(high(0.75f), "-2.499 dB");
    EXPECT_EQ(low(0.75f), "-22.499 dB");
    EXPECT_EQ(high(2.0f), "6.021 dB");  // only a host can go above 1
}

TEST(ThresholdText, ZeroAndNegativeLevelsReadMinusInfinity) {
    for (float v : {0.0f, -0.0f, -0.5f, -1e30f}) {
        EXPECT_EQ(high(v), "-inf dB") << v;
        EXPECT_EQ(low(v), "-inf dB") << v;
    }
}

TEST(ThresholdText, StaysInsideASmallBuffer) {
    char text[5] = {'x', 'x', 'x', 'x', 'x'};
    lowThresholdText(0.5f, text, 4);
    EXPECT_STREQ(text, "-26");
    EXPECT_EQ(text[4], 'x');
}

}  // namespace
