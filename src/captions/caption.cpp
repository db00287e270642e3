// The caption's portable part: its text from a photo's facts (the date, the place line, the
// years ago), a line cut to fit with "…", the soft shadow composed under the rendered text,
// and the process's gazetteer, loaded once for every worker.
#include "captions/caption.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/platform.h"
#include "resources/logger.h"

namespace WorkSpace {

std::string PlaceLine(const PlaceName& name, uint32_t language) {
    // A city that is its own country (Singapore, Monaco, Hong Kong) is named once.
    if (name.country.empty() || name.country == name.place) return name.place;
    return name.place + (language == 6 ? "、" : ", ") + name.country;
}

void AddYearsAgo(CaptionText& text, uint32_t years, const YearsAgoTexts& texts) {
    if (years == 0) return;
    std::wstring ago = years == 1 ? texts.one : texts.many;
    const size_t at = ago.find(L"%1");
    if (at != std::wstring::npos) ago.replace(at, 2, std::to_wstring(years));
    if (ago.empty()) return;
    text.date = text.date.empty() ? ago : text.date + L" \u00B7 " + ago;
}

CaptionText MakeCaption(const ExifFacts& facts, CaptionMode mode, uint32_t language, const Gazetteer* places,
                        LongDateFormat format) {
    CaptionText text;
    if (mode == CaptionMode::None) return text;
    if (facts.hasDate) text.date = (format ? format : LongDateText)(facts.year, facts.month, facts.day, language);
    PlaceName name;
    if (mode == CaptionMode::DateAndPlace && facts.hasPosition && places &&
        places->Nearest(facts.latitude, facts.longitude, language, name)) {
        const std::string line = PlaceLine(name, language);
        text.place = Platform::Utf8ToWide(line.data(), line.size());
    }
    return text;
}

bool RenderCaption(const CaptionText& text, uint32_t viewHeight, Image& out) {
    CaptionPainter painter(viewHeight);
    return painter.Render(text, 0, out);
}

std::wstring FitCaptionLine(const std::wstring& line, uint32_t maxWidth, LineWidth width, void* context) {
    if (maxWidth == 0 || line.empty() || width(line, context) <= maxWidth) return line;
    const std::wstring ellipsis = L"\u2026";
    // The shortened line: the first `n` characters, less a lone half of a UTF-16 pair and
    // the spaces and commas that would stand before the "…".
    auto cut = [&](size_t n) {
        std::wstring start = line.substr(0, n);
        if (!start.empty() && start.back() >= 0xD800 && start.back() <= 0xDBFF) start.pop_back();
        while (!start.empty() && (start.back() == L' ' || start.back() == L',' || start.back() == L'\u3001'))
            start.pop_back();
        return start + ellipsis;
    };
    // The width grows with the length: the longest start that fits, by halves.
    size_t fits = 0, fails = line.size();
    while (fails - fits > 1) {
        const size_t mid = (fits + fails) / 2;
        if (width(cut(mid), context) <= maxWidth) fits = mid;
        else fails = mid;
    }
    return cut(fits);
}

uint32_t CaptionTextHeight(uint32_t viewHeight) { return std::max(12u, viewHeight / 40); }

Image ComposeCaption(const std::vector<uint8_t>& coverage, uint32_t width, uint32_t height, uint32_t textHeight) {
    Image out;
    if (width == 0 || height == 0 || coverage.size() != size_t(width) * height) return out;
    const int radius = static_cast<int>(std::max(1u, textHeight / 10)), shift = radius;
    // A box blur, once across and once down, of the coverage moved by `shift`.
    std::vector<uint32_t> across(coverage.size(), 0), shadow(coverage.size(), 0);
    const int w = int(width), h = int(height), taps = 2 * radius + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int sx = x - shift + k, sy = y - shift;
                if (sx >= 0 && sx < w && sy >= 0 && sy < h) sum += coverage[size_t(sy) * w + sx];
            }
            across[size_t(y) * w + x] = sum;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t sum = 0;
            for (int k = -radius; k <= radius; ++k)
                if (y + k >= 0 && y + k < h) sum += across[size_t(y + k) * w + x];
            shadow[size_t(y) * w + x] = std::min(255u, sum / uint32_t(taps * taps) * 3 / 2);
        }
    out.width = width;
    out.height = height;
    out.pixels.resize(coverage.size());
    for (size_t i = 0; i < coverage.size(); ++i) {
        const uint32_t t = coverage[i], s = shadow[i] * 3 / 4;
        const uint32_t a = t + s * (255 - t) / 255;
        const uint32_t c = a ? std::min(255u, t * 255 / a) : 0;
        out.pixels[i] = (a << 24) | (c << 16) | (c << 8) | c;
    }
    return out;
}

const Gazetteer* SharedGazetteer(GazetteerSource source) {
    static std::mutex* mutex = new std::mutex();  // left to the process's end, as the workers may be
    static Gazetteer* gazetteer = nullptr;
    static bool tried = false;
    std::lock_guard<std::mutex> lock(*mutex);
    if (tried || !source) return gazetteer;
    tried = true;
    std::string bytes;
    std::unique_ptr<Gazetteer> loaded(new Gazetteer());
    if (!source(bytes) || !loaded->Load(std::move(bytes))) {
        GetLogger().Write(L"SharedGazetteer() - the places table - FAILED");
        return nullptr;
    }
    gazetteer = loaded.release();
    return gazetteer;
}

}  // namespace WorkSpace
