// A photo's caption: the day it was taken and the place, as the saver shows them in a
// corner of the picture. The text is made and rendered into pixels on the pictures' worker
// with the decoded picture, so the render thread only draws one more quad.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/exif.h"
#include "captions/gazetteer.h"
#include "imaging/image.h"

namespace WorkSpace {

// The "Captions" setting.
enum class CaptionMode : uint32_t { None = 0, Date = 1, DateAndPlace = 2 };

struct CaptionText {
    std::wstring date, place;  // empty where the photo does not tell
    bool Empty() const { return date.empty() && place.empty(); }
};

// The day in the long form Windows gives the UI language's main locale (0 English ... 6
// Japanese; any other number means English): "Friday, July 14, 2023", "Freitag, 14. Juli
// 2023", "2023年7月14日".
std::wstring LongDateText(uint32_t year, uint32_t month, uint32_t day, uint32_t language);
// A date or time written in numbers (the clock's time and short date: "7/4/2024", "15:07",
// AM/PM markers included) or in words (a caption's long date, with month and weekday names).
enum class DateForm { Numbers, Words };
// The locale a form is written in; nullptr: the user's own (LOCALE_NAME_USER_DEFAULT), with
// the user's choices. Numbers are always the user's, whatever the saver's language: a Dutch
// user of the English saver reads 7/4/2024 as 7 April. Words follow the saver's language: the
// user's own locale where it (a name such as "en-GB") speaks that language, else the
// language's main locale, "ru-RU" for Russian.
const wchar_t* DateLocaleName(DateForm form, uint32_t language, const std::wstring& userLocale);
// The platform's: on Windows GetDateFormatEx's long date for DateLocaleName's locale for
// words, LongDateText elsewhere.
std::wstring UserLongDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language);
using LongDateFormat = std::wstring (*)(uint32_t year, uint32_t month, uint32_t day, uint32_t language);

// The place line: "place, country" ("place、country" in Japanese), the name once where the
// place is named as its country is ("Singapore", "Monaco").
std::string PlaceLine(const PlaceName& name, uint32_t language);
// The caption for a photo's facts: the date only from its EXIF date (never the file's
// time), the place ("place, country") only from its GPS position and only with
// DateAndPlace and a gazetteer that knows a place within kPlaceRadiusKm.
CaptionText MakeCaption(const ExifFacts& facts, CaptionMode mode, uint32_t language, const Gazetteer* places,
                        LongDateFormat format);

// Where the worker gets the gazetteer's table from: called once per process at most, by
// the first caption that needs a place.
using GazetteerSource = bool (*)(std::string& bytes);
// The process's gazetteer, loaded from `source` on first use; nullptr (with one log line,
// once) when the table cannot be had. Thread-safe.
const Gazetteer* SharedGazetteer(GazetteerSource source);

// What the stream's worker captions its pictures with.
struct CaptionOptions {
    CaptionMode mode = CaptionMode::None;
    uint32_t language = 0;
    GazetteerSource places = nullptr;
};

// The UI language's "A year ago" and "%1 years ago", for a memory's caption.
struct YearsAgoTexts {
    std::wstring one, many;
};
// A memory's caption tells how long ago it was taken, after the date ("... · 3 years ago"),
// or alone where the photo's own date is not known. Nothing for 0 years.
void AddYearsAgo(CaptionText& text, uint32_t years, const YearsAgoTexts& texts);

// No captions on views less tall than this (the display settings' small preview): the
// text would be a few pixels high.
constexpr uint32_t kCaptionLeastViewHeight = 300;

// The caption's two lines as small pictures, for one worker: what every caption needs (on
// Windows the memory DC and the font) is made with the first one and let go with the
// painter. Each picture is white text with a soft dark shadow on a transparent ground (alpha
// in the top byte), sized for a view `viewHeight` pixels high; the platform's text renderer
// draws it (GDI on Windows, a plain block font elsewhere). Used by one thread at a time.
class CaptionPainter {
public:
    explicit CaptionPainter(uint32_t viewHeight);
    ~CaptionPainter();
    CaptionPainter(const CaptionPainter&) = delete;
    CaptionPainter& operator=(const CaptionPainter&) = delete;
    // Each line too wide for `maxWidth` pixels (the whole picture, its margins included; 0:
    // no limit) is cut with "…". False and an empty image for an empty caption.
    bool Render(const CaptionText& text, uint32_t maxWidth, Image& out);
    struct Tools;  // the platform's, made with the first caption

private:
    uint32_t viewHeight_;
    [[maybe_unused]] Tools* tools_ = nullptr;  // none on Linux, whose blocks need no tools
};

// One caption with a painter of its own, no width limit.
bool RenderCaption(const CaptionText& text, uint32_t viewHeight, Image& out);
// The line as it fits in `maxWidth` pixels as `width` measures it: whole when it fits,
// else its longest start that fits with "…" after it (spaces and commas before the "…"
// dropped, a UTF-16 pair never split); "…" alone when nothing more fits.
using LineWidth = uint32_t (*)(const std::wstring& line, void* context);
std::wstring FitCaptionLine(const std::wstring& line, uint32_t maxWidth, LineWidth width, void* context);
// The caption's margin around its text, in pixels, for text `textHeight` pixels high.
inline uint32_t CaptionPadding(uint32_t textHeight) { return textHeight / 4 + 2; }
// The caption's text height in pixels for a view `viewHeight` pixels high.
uint32_t CaptionTextHeight(uint32_t viewHeight);
// The renderers' common last step: white text of the given coverage (0..255 a pixel, rows
// top-down) over its soft shadow, the shadow a blurred copy moved down and right.
Image ComposeCaption(const std::vector<uint8_t>& coverage, uint32_t width, uint32_t height, uint32_t textHeight);

}  // namespace WorkSpace
