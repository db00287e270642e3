// The caption on Windows: the text drawn by GDI into a memory bitmap on the pictures'
// worker, anti-aliased, in the system's message font (one DC and one font per worker, each
// bitmap selected out of the DC before it is deleted).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "captions/caption.h"
#include "captions/win32_caption.h"

namespace WorkSpace {

namespace {
std::atomic<int64_t> g_live{0};
std::atomic<uint32_t> g_fonts{0}, g_deletedSelected{0};

uint32_t TextWidth(const std::wstring& line, void* dc) {
    SIZE size = {};
    GetTextExtentPoint32W(static_cast<HDC>(dc), line.c_str(), static_cast<int>(line.size()), &size);
    return static_cast<uint32_t>(std::max<LONG>(0, size.cx));
}
}  // namespace

CaptionGdiCounts CaptionGdiObjects() {
    CaptionGdiCounts counts;
    counts.live = g_live.load();
    counts.fonts = g_fonts.load();
    counts.deletedSelected = g_deletedSelected.load();
    return counts;
}

// The worker's memory DC with its font selected. Every object made, selected and deleted goes
// through here and is counted; an object still selected into the DC is not deleted, as
// Windows would refuse (and leak it), but counted as such.
struct CaptionPainter::Tools {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ dcFont = nullptr;          // the DC's own, selected back before ours goes
    HGDIOBJ selected[2] = {nullptr};   // the font and the bitmap in the DC now

    HGDIOBJ Select(HGDIOBJ object, int kind) {
        const HGDIOBJ old = SelectObject(dc, object);
        if (old) selected[kind] = object;
        return old;
    }
    void Delete(HGDIOBJ object) {
        if (!object) return;
        if (object == selected[0] || object == selected[1]) {
            ++g_deletedSelected;
            return;
        }
        if (DeleteObject(object)) --g_live;
    }
    ~Tools() {
        if (dcFont) Select(dcFont, 0);
        Delete(font);
        if (dc && DeleteDC(dc)) --g_live;
    }
};

CaptionPainter::CaptionPainter(uint32_t viewHeight) : viewHeight_(viewHeight) {}
CaptionPainter::~CaptionPainter() { delete tools_; }

namespace {
// A caption's bitmap, selected into the DC while it lives, selected out before it is deleted.
class CaptionBitmap {
public:
    CaptionBitmap(CaptionPainter::Tools& tools, uint32_t w, uint32_t h) : tools_(tools) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = static_cast<LONG>(w);
        info.bmiHeader.biHeight = -static_cast<LONG>(h);  // rows top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(tools.dc, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (!bitmap_) return;
        ++g_live;
        old_ = tools.Select(bitmap_, 1);
    }
    ~CaptionBitmap() {
        if (old_) tools_.Select(old_, 1);
        tools_.Delete(bitmap_);
    }
    CaptionBitmap(const CaptionBitmap&) = delete;
    CaptionBitmap& operator=(const CaptionBitmap&) = delete;
    uint32_t* Bits() const { return bitmap_ && old_ ? static_cast<uint32_t*>(bits_) : nullptr; }

private:
    CaptionPainter::Tools& tools_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};
}  // namespace

bool CaptionPainter::Render(const CaptionText& text, uint32_t maxWidth, Image& out) {
    out = Image();
    if (text.Empty()) return false;
    const uint32_t lineHeight = CaptionTextHeight(viewHeight_), pad = CaptionPadding(lineHeight);
    if (!tools_) {
        // Once per worker: the DC and the font in the system's message face.
        tools_ = new Tools();
        tools_->dc = CreateCompatibleDC(nullptr);
        if (tools_->dc) ++g_live;
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        LOGFONTW face = {};
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) face = metrics.lfMessageFont;
        face.lfHeight = -static_cast<LONG>(lineHeight * 4 / 5);
        face.lfWidth = 0;
        face.lfWeight = FW_SEMIBOLD;
        face.lfQuality = ANTIALIASED_QUALITY;
        tools_->font = CreateFontIndirectW(&face);
        if (tools_->font) {
            ++g_live;
            ++g_fonts;
        }
        if (tools_->dc && tools_->font) tools_->dcFont = tools_->Select(tools_->font, 0);
    }
    if (!tools_->dcFont) return false;  // no DC or no font for this worker: no captions
    const uint32_t room = maxWidth > 2 * pad ? maxWidth - 2 * pad : (maxWidth ? 1 : 0);
    const std::wstring lines[2] = {FitCaptionLine(text.date, room, TextWidth, tools_->dc),
                                   FitCaptionLine(text.place, room, TextWidth, tools_->dc)};
    uint32_t width = 0, count = 0;
    for (const std::wstring& line : lines) {
        if (line.empty()) continue;
        width = std::max(width, TextWidth(line, tools_->dc));
        ++count;
    }
    const uint32_t w = width + 2 * pad, h = count * lineHeight + 2 * pad;
    std::vector<uint8_t> coverage(size_t(w) * h);
    {
        CaptionBitmap bitmap(*tools_, w, h);
        uint32_t* bits = bitmap.Bits();
        if (!bits) return false;
        std::fill_n(bits, size_t(w) * h, 0u);
        SetBkMode(tools_->dc, TRANSPARENT);
        SetTextColor(tools_->dc, RGB(255, 255, 255));
        int top = static_cast<int>(pad);
        for (const std::wstring& line : lines) {
            if (line.empty()) continue;
            TextOutW(tools_->dc, static_cast<int>(pad), top, line.c_str(), static_cast<int>(line.size()));
            top += static_cast<int>(lineHeight);
        }
        GdiFlush();
        // White on black: any channel is the text's coverage.
        for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = static_cast<uint8_t>((bits[i] >> 8) & 0xFF);
    }
    out = ComposeCaption(coverage, w, h, lineHeight);
    return !out.pixels.empty();
}

}  // namespace WorkSpace
