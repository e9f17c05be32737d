// Points, rectangles and colours in window pixels. Rectangles exclude their
// right and bottom edges, so width = right - left.
#pragma once

#include <algorithm>
#include <cstdint>

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool contains(CPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr bool intersects(const CRect& r) const {
        return !isEmpty() && !r.isEmpty() && r.left < right && left < r.right &&
               r.top < bottom && top < r.bottom;
    }
    constexpr CRect offset(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    CRect intersected(const CRect& r) const {
        return {std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
                std::min(bottom, r.bottom)};
    }
    // The smallest rectangle holding both; an empty side does not count.
    CRect united(const CRect& r) const {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
                std::max(bottom, r.bottom)};
    }
    constexpr bool operator==(const CRect& r) const {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
};

constexpr CRect rectOfSize(CPoint origin, int32_t width, int32_t height) {
    return {origin.x, origin.y, origin.x + width, origin.y + height};
}

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    constexpr bool operator==(const CColor& c) const {
        return red == c.red && green == c.green && blue == c.blue;
    }
};

constexpr CColor kBlackCColor{0, 0, 0};
constexpr CColor kWhiteCColor{255, 255, 255};

// A font by family name and pixel height.
struct CFontDesc {
    const char* family;
    int32_t pixelHeight;
    bool bold;
};

constexpr CFontDesc kNormalFontSmall{"Arial", 11, false};
