// Linux has no text renderer here: the caption's characters are plain blocks, which is
// enough for the tool and for the tests to see where a caption goes and how large it is.
#include "captions/caption.h"

#include <algorithm>

namespace WorkSpace {

struct CaptionPainter::Tools {};

CaptionPainter::CaptionPainter(uint32_t viewHeight) : viewHeight_(viewHeight) {}
CaptionPainter::~CaptionPainter() = default;

namespace {
// Every character, a space too, takes the same advance.
uint32_t BlockWidth(const std::wstring& line, void* advance) {
    return static_cast<uint32_t>(line.size()) * *static_cast<uint32_t*>(advance);
}
}  // namespace

bool CaptionPainter::Render(const CaptionText& caption, uint32_t maxWidth, Image& out) {
    out = Image();
    if (caption.Empty()) return false;
    const uint32_t lineHeight = CaptionTextHeight(viewHeight_);
    uint32_t advance = lineHeight * 3 / 5;
    const uint32_t pad = CaptionPadding(lineHeight);
    const uint32_t room = maxWidth > 2 * pad ? maxWidth - 2 * pad : (maxWidth ? 1 : 0);
    const std::wstring lines[2] = {FitCaptionLine(caption.date, room, BlockWidth, &advance),
                                   FitCaptionLine(caption.place, room, BlockWidth, &advance)};
    uint32_t longest = 0, count = 0;
    for (const std::wstring& line : lines)
        if (!line.empty()) {
            longest = std::max<uint32_t>(longest, static_cast<uint32_t>(line.size()));
            ++count;
        }
    const uint32_t width = longest * advance + 2 * pad, height = count * lineHeight + 2 * pad;
    std::vector<uint8_t> coverage(size_t(width) * height, 0);
    uint32_t top = pad;
    for (const std::wstring& line : lines) {
        if (line.empty()) continue;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == L' ') continue;
            const uint32_t x0 = pad + uint32_t(i) * advance;
            for (uint32_t y = top + lineHeight / 5; y < top + lineHeight * 9 / 10; ++y)
                for (uint32_t x = x0; x < x0 + advance * 4 / 5; ++x) coverage[size_t(y) * width + x] = 255;
        }
        top += lineHeight;
    }
    out = ComposeCaption(coverage, width, height, lineHeight);
    return !out.pixels.empty();
}

}  // namespace WorkSpace
