// The caption on Windows: the text drawn by GDI into a memory bitmap on the pictures'
// worker, anti-aliased, in the system's message font.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "pictures/caption.h"

namespace WorkSpace {

namespace {
struct Gdi {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HBITMAP bitmap = nullptr;
    ~Gdi() {
        if (bitmap) DeleteObject(bitmap);
        if (font) DeleteObject(font);
        if (dc) DeleteDC(dc);
    }
};
}  // namespace

bool RenderCaption(const CaptionText& text, uint32_t viewHeight, Image& out) {
    out = Image();
    if (text.Empty()) return false;
    const uint32_t lineHeight = CaptionTextHeight(viewHeight), pad = lineHeight / 4 + 2;
    Gdi gdi;
    gdi.dc = CreateCompatibleDC(nullptr);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW face = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) face = metrics.lfMessageFont;
    face.lfHeight = -static_cast<LONG>(lineHeight * 4 / 5);
    face.lfWidth = 0;
    face.lfWeight = FW_SEMIBOLD;
    face.lfQuality = ANTIALIASED_QUALITY;
    gdi.font = CreateFontIndirectW(&face);
    if (!gdi.dc || !gdi.font) return false;
    SelectObject(gdi.dc, gdi.font);
    const std::wstring* lines[2] = {&text.date, &text.place};
    LONG width = 0;
    uint32_t count = 0;
    for (const std::wstring* line : lines) {
        if (line->empty()) continue;
        SIZE size = {};
        GetTextExtentPoint32W(gdi.dc, line->c_str(), static_cast<int>(line->size()), &size);
        width = std::max(width, size.cx);
        ++count;
    }
    const uint32_t w = static_cast<uint32_t>(width) + 2 * pad, h = count * lineHeight + 2 * pad;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = -static_cast<LONG>(h);  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi.bitmap = CreateDIBSection(gdi.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!gdi.bitmap || !bits) return false;
    SelectObject(gdi.dc, gdi.bitmap);
    std::fill_n(static_cast<uint32_t*>(bits), size_t(w) * h, 0u);
    SetBkMode(gdi.dc, TRANSPARENT);
    SetTextColor(gdi.dc, RGB(255, 255, 255));
    int top = static_cast<int>(pad);
    for (const std::wstring* line : lines) {
        if (line->empty()) continue;
        TextOutW(gdi.dc, static_cast<int>(pad), top, line->c_str(), static_cast<int>(line->size()));
        top += static_cast<int>(lineHeight);
    }
    GdiFlush();
    // White on black: any channel is the text's coverage.
    std::vector<uint8_t> coverage(size_t(w) * h);
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = static_cast<uint8_t>((pixels[i] >> 8) & 0xFF);
    out = ComposeCaption(coverage, w, h, lineHeight);
    return !out.pixels.empty();
}

}  // namespace WorkSpace
