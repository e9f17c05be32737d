// The picture on Windows: a 32-bit top-down DIB section. Rectangles and
// bitmaps are written by our own loops, so they come out exactly as on Linux;
// only text goes through GDI.
#include "draw_context.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

#include "bitmap.h"

namespace {

constexpr WORD kBitsPerPixel = 32;
constexpr uint32_t kWhite = 0xFFFFFFu;
constexpr uint32_t kColorBits = 0xFFFFFFu;
// Fontconfig's generic family, DejaVu Sans on Debian. Where that is not
// installed, Verdana, a Windows system font of the same wide design, stands
// in. (Named families such as Arial are on every Windows; wine maps Arial to
// the metric-compatible font Linux uses for it.)
constexpr const char* kGenericSans = "Sans";
constexpr const wchar_t* kLinuxSans = L"DejaVu Sans";
constexpr const wchar_t* kSansStandIn = L"Verdana";

uint32_t pixelOf(CColor color) {
    return (uint32_t)color.red << 16 | (uint32_t)color.green << 8 | color.blue;
}

std::wstring wide(const char* utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring text((size_t)length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &text[0], length);
    text.resize((size_t)length - 1);
    return text;
}

int CALLBACK noteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool installed(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring faceName(HDC dc, const char* family) {
    if (std::strcmp(family, kGenericSans) != 0) return wide(family);
    return installed(dc, kLinuxSans) ? kLinuxSans : kSansStandIn;
}

HDC dcOf(void* handle) { return static_cast<HDC>(handle); }

}  // namespace

CDrawContext::CDrawContext(int32_t width, int32_t height)
    : width(width), height(height), clip{0, 0, width, height} {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: the top row first, as the views count
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kBitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (section && dc) {
        originalBitmap = SelectObject(dc, section);
        pixels = static_cast<uint32_t*>(bits);
    }
    bitmapHandle = section;
    deviceContext = dc;
}

CDrawContext::~CDrawContext() {
    HDC dc = dcOf(deviceContext);
    if (dc && originalBitmap) SelectObject(dc, originalBitmap);
    if (fontHandle) DeleteObject(fontHandle);
    if (dc) DeleteDC(dc);
    if (bitmapHandle) DeleteObject(bitmapHandle);
}

bool CDrawContext::isValid() const { return pixels != nullptr; }

const unsigned char* CDrawContext::pixelRows() const {
    // GDI may still hold text it has not written into the section.
    GdiFlush();
    return reinterpret_cast<const unsigned char*>(pixels);
}

int32_t CDrawContext::rowBytes() const { return width * (int32_t)sizeof(uint32_t); }

int32_t CDrawContext::getWidth() const { return width; }

int32_t CDrawContext::getHeight() const { return height; }

void CDrawContext::setClipRect(const CRect& area) {
    clip = area.intersected({0, 0, width, height});
}

void CDrawContext::fillRect(const CRect& area, CColor color) {
    CRect filled = area.intersected(clip);
    if (filled.isEmpty() || !pixels) return;
    GdiFlush();
    const uint32_t pixel = pixelOf(color);
    for (int32_t y = filled.top; y < filled.bottom; y++) {
        uint32_t* row = pixels + (size_t)y * (size_t)width;
        std::fill(row + filled.left, row + filled.right, pixel);
    }
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, CPoint source,
                              bool transparent) {
    CRect placed = placedBitmap(bitmap, dest, source);
    CRect area = dest.intersected(placed).intersected(clip);
    const uint32_t* from = bitmap.getPixels();
    if (area.isEmpty() || !from || !pixels) return;
    GdiFlush();
    // A decoded bitmap pixel is either 0 (see-through white) or opaque.
    for (int32_t y = area.top; y < area.bottom; y++) {
        const uint32_t* in =
            from + (size_t)(y - placed.top) * (size_t)bitmap.getWidth() - placed.left;
        uint32_t* out = pixels + (size_t)y * (size_t)width;
        for (int32_t x = area.left; x < area.right; x++) {
            if (in[x] != 0)
                out[x] = in[x] & kColorBits;
            else if (!transparent)
                out[x] = kWhite;
        }
    }
}

bool CDrawContext::selectFont(const CFontDesc& font) {
    const bool same = fontHandle && selectedFont.pixelHeight == font.pixelHeight &&
                      selectedFont.bold == font.bold &&
                      std::strcmp(selectedFont.family, font.family) == 0;
    if (same) return true;
    // A negative height asks for the em size, as cairo's font size does.
    HFONT created = CreateFontW(-font.pixelHeight, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                                FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                VARIABLE_PITCH | FF_SWISS,
                                faceName(dcOf(deviceContext), font.family).c_str());
    if (!created) return false;
    SelectObject(dcOf(deviceContext), created);
    if (fontHandle) DeleteObject(fontHandle);
    fontHandle = created;
    selectedFont = font;
    return true;
}

void CDrawContext::drawString(const char* text, const CRect& box, const CFontDesc& font,
                              CColor color) {
    CRect area = box.intersected(clip);
    if (area.isEmpty() || !pixels || !selectFont(font)) return;
    HDC dc = dcOf(deviceContext);
    std::wstring line = wide(text);
    SIZE extent{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(dc, line.c_str(), (int)line.size(), &extent);
    GetTextMetricsW(dc, &metrics);
    // Centred as on Linux: the advance across, the font's ascent and descent down.
    double x = box.left + (box.width() - extent.cx) / 2.0;
    double baseline = box.top + (box.height() + metrics.tmAscent - metrics.tmDescent) / 2.0;
    HRGN region = CreateRectRgn(area.left, area.top, area.right, area.bottom);
    SelectClipRgn(dc, region);
    DeleteObject(region);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(color.red, color.green, color.blue));
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    TextOutW(dc, (int)std::lround(x), (int)std::lround(baseline), line.c_str(), (int)line.size());
    SelectClipRgn(dc, nullptr);
}
